// varno-batch consensus, stats and changes: the summary tree of a tree set,
// the fit statistics of a tree and the changes on its branches.
#include "cli/BatchCommand.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "data/Workbook.h"
#include "parsimony/BranchChanges.h"
#include "parsimony/Consensus.h"
#include "parsimony/FitStatistics.h"
#include "parsimony/Newick.h"

namespace {
constexpr qint64 MaxTreeFileBytes = 64 * 1024 * 1024;

bool ReadTrees(const QString& path, TNewickReadResult* read)
{
    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(path, &bytes, &error, MaxTreeFileBytes)) {
        WriteStderr(error);
        return false;
    }
    *read = ReadNewick(DecodeText(bytes));
    if (!read->Ok) {
        WriteStderr(read->Error);
        return false;
    }
    return true;
}

int RunConsensus(const QStringList& rawArgs)
{
    const QString usage = QStringLiteral(
        "Usage: varno-batch consensus TREES.nwk [--strict|--majority|--semistrict] [--compatible] "
        "[-o OUT]");
    const TBatchArgs args(rawArgs, {QStringLiteral("-o")},
                          {QStringLiteral("--strict"), QStringLiteral("--majority"),
                           QStringLiteral("--semistrict"), QStringLiteral("--compatible")});
    const int kinds = args.Has(QStringLiteral("--strict")) +
                      args.Has(QStringLiteral("--majority")) +
                      args.Has(QStringLiteral("--semistrict"));
    if (!args.Ok() || args.Positional().size() != 1 || kinds > 1) {
        WriteStderr(args.Ok() && kinds > 1 ? QStringLiteral("Choose one kind of consensus.") +
                                                 QLatin1Char('\n') + usage
                                           : (args.Ok() ? usage : args.ErrorText()));
        return ExitUsage;
    }
    TConsensusKind kind = TConsensusKind::Majority;
    if (args.Has(QStringLiteral("--strict"))) kind = TConsensusKind::Strict;
    if (args.Has(QStringLiteral("--semistrict"))) kind = TConsensusKind::Semistrict;
    if (args.Has(QStringLiteral("--compatible"))) {
        if (kind != TConsensusKind::Majority) {
            WriteStderr(
                QStringLiteral("--compatible adds groups to the majority-rule consensus only."));
            return ExitUsage;
        }
        kind = TConsensusKind::MajorityCompatible;
    }
    TNewickReadResult read;
    if (!ReadTrees(args.Positional().at(0), &read)) return ExitFailure;
    const TNewickSetResult set = CladesOfNewick(read.Trees);
    if (!set.Ok) {
        WriteStderr(set.Error);
        return ExitFailure;
    }
    if (read.Trees.size() == 1)
        WriteStderr(
            QStringLiteral("Note: the file holds one tree; its consensus is the tree itself."));
    const TGeneralTree tree = Consensus(set.Input, kind);
    const bool percents =
        kind == TConsensusKind::Majority || kind == TConsensusKind::MajorityCompatible;
    const QString line = WriteNewickTree(ConsensusToNewick(tree, set.Names, percents));
    return WriteOutput(args.Value(QStringLiteral("-o")), EncodeTextLines({line})) ? ExitOk
                                                                                  : ExitFailure;
}

// The data and the first tree of a Newick file, which must be binary and hold
// exactly the data's objects.
bool LoadDataAndTree(const QString& dataPath, const QString& treePath, TSField* field, TTree* tree)
{
    TMatrixData m;
    if (!LoadDataFile(dataPath, &m)) return false;
    TNewickReadResult read;
    if (!ReadTrees(treePath, &read)) return false;
    *field = BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount);
    TNewickTreeResult t = NewickToTree(read.Trees.front(), field->Names, m.ObjectCount);
    if (!t.Ok) {
        WriteStderr(QStringLiteral("The first tree of \"%1\" does not fit the data: %2")
                        .arg(treePath, t.Error));
        return false;
    }
    *tree = std::move(t.Tree);
    DeriveTopology(*tree);
    return true;
}

int RunStats(const QStringList& rawArgs)
{
    const QString usage =
        QStringLiteral("Usage: varno-batch stats FILE TREE.nwk [--no-missing] [-o OUT]");
    const TBatchArgs args(rawArgs, {QStringLiteral("-o")}, {QStringLiteral("--no-missing")});
    if (!args.Ok() || args.Positional().size() != 2) {
        WriteStderr(args.Ok() ? usage : args.ErrorText());
        return ExitUsage;
    }
    TSField field;
    TTree tree;
    if (!LoadDataAndTree(args.Positional().at(0), args.Positional().at(1), &field, &tree))
        return ExitFailure;
    const TFitStatistics stats =
        FitStatistics(tree, field, !args.Has(QStringLiteral("--no-missing")));
    return WriteOutput(args.Value(QStringLiteral("-o")),
                       EncodeTextTable(FitStatisticsTable(stats, field)))
               ? ExitOk
               : ExitFailure;
}

int RunChanges(const QStringList& rawArgs)
{
    const QString usage =
        QStringLiteral("Usage: varno-batch changes FILE TREE.nwk [--no-missing] [-o OUT]");
    const TBatchArgs args(rawArgs, {QStringLiteral("-o")}, {QStringLiteral("--no-missing")});
    if (!args.Ok() || args.Positional().size() != 2) {
        WriteStderr(args.Ok() ? usage : args.ErrorText());
        return ExitUsage;
    }
    TSField field;
    TTree tree;
    if (!LoadDataAndTree(args.Positional().at(0), args.Positional().at(1), &field, &tree))
        return ExitFailure;
    const auto branches = BranchChanges(tree, field, !args.Has(QStringLiteral("--no-missing")));
    return WriteOutput(args.Value(QStringLiteral("-o")),
                       EncodeTextTable(BranchChangesTable(branches, field)))
               ? ExitOk
               : ExitFailure;
}
}  // namespace

void RegisterPublishCommands(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("consensus"),
         QStringLiteral(
             "consensus TREES.nwk [--strict|--majority|--semistrict] [--compatible] [-o OUT]"),
         QStringLiteral(
             "write the consensus of the trees of a Newick file (majority-rule by default, "
             "with the percentage of trees holding each group)"),
         RunConsensus});
    commands.push_back(
        {QStringLiteral("stats"), QStringLiteral("stats FILE TREE.nwk [--no-missing] [-o OUT]"),
         QStringLiteral(
             "write m, s, g, CI, RI, RC and HI of every character and of the first tree"),
         RunStats});
    commands.push_back(
        {QStringLiteral("changes"), QStringLiteral("changes FILE TREE.nwk [--no-missing] [-o OUT]"),
         QStringLiteral(
             "write the state changes on every branch of the first tree of a Newick file"),
         RunChanges});
}
