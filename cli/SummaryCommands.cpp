// varno-batch consensus, stats, changes and support: the summaries of trees —
// the consensus of a tree set, the fit statistics of a tree, the changes on
// its branches and the support of its groups.
#include <functional>

#include "cli/BatchCommand.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "data/Workbook.h"
#include "parsimony/BranchChanges.h"
#include "parsimony/Bremer.h"
#include "parsimony/Consensus.h"
#include "parsimony/CreateTree.h"
#include "parsimony/FitStatistics.h"
#include "parsimony/Newick.h"
#include "parsimony/Support.h"
#include "parsimony/TreeFile.h"

namespace {
bool ReadTrees(const QString& path, TNewickTrees* read)
{
    TTreeFile file = ReadTreeFile(path);
    if (Failed(file)) return false;
    *read = std::move(*file);
    return true;
}

int RunConsensus(const QStringList& rawArgs)
{
    const QString usage = QStringLiteral(
        "Usage: varno-batch consensus TREES.nwk [--strict|--majority|--semistrict] [--compatible] "
        "[-o OUT]");
    const TResult<TBatchArgs> parsed =
        TBatchArgs::Read(rawArgs, {QStringLiteral("-o")},
                         {QStringLiteral("--strict"), QStringLiteral("--majority"),
                          QStringLiteral("--semistrict"), QStringLiteral("--compatible")});
    const int kinds = parsed ? parsed->Has(QStringLiteral("--strict")) +
                                   parsed->Has(QStringLiteral("--majority")) +
                                   parsed->Has(QStringLiteral("--semistrict"))
                             : 0;
    if (!parsed.Ok() || parsed->Positional().size() != 1 || kinds > 1) {
        WriteStderr(parsed.Ok() && kinds > 1 ? QStringLiteral("Choose one kind of consensus.") +
                                                   QLatin1Char('\n') + usage
                                             : (parsed.Ok() ? usage : parsed.Error()));
        return ExitUsage;
    }
    const TBatchArgs& args = *parsed;
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
    TNewickTrees read;
    if (!ReadTrees(args.Positional().at(0), &read)) return ExitFailure;
    const TResult<TNewickSet> set = CladesOfNewick(read.Trees);
    if (Failed(set)) return ExitFailure;
    if (read.Trees.size() == 1)
        WriteStderr(
            QStringLiteral("Note: the file holds one tree; its consensus is the tree itself."));
    const TGeneralTree tree = Consensus(set->Input, kind);
    const bool percents =
        kind == TConsensusKind::Majority || kind == TConsensusKind::MajorityCompatible;
    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("-o"))})) return ExitFailure;
    const QString line = WriteNewickTree(ConsensusToNewick(tree, set->Names, percents));
    return WriteOutput(args.Value(QStringLiteral("-o")), EncodeTextLines({line})) ? ExitOk
                                                                                  : ExitFailure;
}

// The data and the first tree of a Newick file, which must be binary and hold
// exactly the data's objects.
bool LoadDataAndTree(const QString& dataPath, const QString& treePath, TSField* field, TTree* tree)
{
    TResult<TMatrixData> loaded = LoadDataFile(dataPath);
    if (Failed(loaded)) return false;
    const TMatrixData& m = *loaded;
    TNewickTrees read;
    if (!ReadTrees(treePath, &read)) return false;
    *field = BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount);
    TResult<TTree> t = NewickToTree(read.Trees.front(), field->Names, m.ObjectCount);
    if (!t) {
        WriteStderr(QStringLiteral("The first tree of \"%1\" does not fit the data: %2")
                        .arg(treePath, t.Error()));
        return false;
    }
    *tree = std::move(*t);
    DeriveTopology(*tree);
    return true;
}

// stats and changes: the data and the first tree of a file give one table.
int RunTreeTable(
    const QStringList& rawArgs, const QString& name,
    const std::function<std::vector<QStringList>(const TTree&, const TSField&, bool)>& table)
{
    const QString usage =
        QStringLiteral("Usage: varno-batch %1 FILE TREE.nwk [--no-missing] [-o OUT]").arg(name);
    const TResult<TBatchArgs> parsed =
        TBatchArgs::Read(rawArgs, {QStringLiteral("-o")}, {QStringLiteral("--no-missing")});
    if (!parsed.Ok() || parsed->Positional().size() != 2) {
        WriteStderr(parsed.Ok() ? usage : parsed.Error());
        return ExitUsage;
    }
    const TBatchArgs& args = *parsed;
    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("-o"))})) return ExitFailure;
    TSField field;
    TTree tree;
    if (!LoadDataAndTree(args.Positional().at(0), args.Positional().at(1), &field, &tree))
        return ExitFailure;
    const bool missing = !args.Has(QStringLiteral("--no-missing"));
    return WriteOutput(args.Value(QStringLiteral("-o")),
                       EncodeTextTable(table(tree, field, missing)))
               ? ExitOk
               : ExitFailure;
}

int RunStats(const QStringList& rawArgs)
{
    return RunTreeTable(rawArgs, QStringLiteral("stats"),
                        [](const TTree& tree, const TSField& field, bool missing) {
                            return FitStatisticsTable(FitStatistics(tree, field, missing), field);
                        });
}

int RunChanges(const QStringList& rawArgs)
{
    return RunTreeTable(rawArgs, QStringLiteral("changes"),
                        [](const TTree& tree, const TSField& field, bool missing) {
                            return BranchChangesTable(BranchChanges(tree, field, missing), field);
                        });
}

TResult<int> ParseCount(const TBatchArgs& args, const QString& option, int fallback, int low,
                        int high)
{
    const QString text = args.Value(option, QString::number(fallback));
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok && value >= low && value <= high) return value;
    return TFailure(QStringLiteral("%1 needs a whole number from %2 to %3, not \"%4\".")
                        .arg(option)
                        .arg(low)
                        .arg(high)
                        .arg(text));
}

// Bremer support of every group of the shortest trees, written as the strict
// consensus of those trees with the decay indices as labels.
int RunBremerCommand(const TBatchArgs& args, const TSField& field, int objects, int characters,
                     const TSupportSettings& support, const TThoroughReplicateSettings& deep)
{
    if (args.Has(QStringLiteral("--search")) &&
        args.Value(QStringLiteral("--search")) != QLatin1String("thorough")) {
        WriteStderr(QStringLiteral("Bremer support is found with the thorough search only."));
        return ExitUsage;
    }
    TBremerSettings settings;
    settings.Seed = support.Seed;
    settings.Threads = support.Threads;
    settings.MissingData = deep.MissingData;
    if (args.Has(QStringLiteral("--additions"))) settings.Additions = deep.Additions;
    if (args.Has(QStringLiteral("--ratchet"))) settings.Ratchet = deep.Ratchet;
    const TResult<TBremerResult> run = RunBremer(field, objects, characters, settings);
    if (Failed(run)) return ExitFailure;
    const TBremerResult& result = *run;
    WriteStderr(BremerSummaryLines(result, settings).join(QLatin1Char('\n')));
    const QString line = WriteNewickTree(ConsensusToNewick(result.Tree, field.Names, true));
    return WriteOutput(args.Value(QStringLiteral("--newick")), EncodeTextLines({line}))
               ? ExitOk
               : ExitFailure;
}

const QString SupportUsage = QStringLiteral(
    "Usage: varno-batch support FILE --method jackknife|bootstrap|bremer [--bremer] "
    "[--replicates R] [--seed S] [--threads T] [--newick OUT] [--search thorough|evolutionary] "
    "[--additions A] [--ratchet K] [--trees N] [--generations G] [--no-missing]");

int RunSupportCommand(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs,
        {QStringLiteral("--method"), QStringLiteral("--replicates"), QStringLiteral("--seed"),
         QStringLiteral("--threads"), QStringLiteral("--newick"), QStringLiteral("--trees"),
         QStringLiteral("--generations"), QStringLiteral("--search"), QStringLiteral("--additions"),
         QStringLiteral("--ratchet")},
        {QStringLiteral("--no-missing"), QStringLiteral("--bremer")});
    const bool bremerFlag = parsed && parsed->Has(QStringLiteral("--bremer"));
    if (!parsed.Ok() || parsed->Positional().size() != 1 ||
        parsed->Has(QStringLiteral("--method")) == bremerFlag) {
        WriteStderr(parsed.Ok() ? SupportUsage : parsed.Error());
        return ExitUsage;
    }
    const TBatchArgs& args = *parsed;
    const QString method =
        bremerFlag ? QStringLiteral("bremer") : args.Value(QStringLiteral("--method"));
    TSupportSettings settings;
    if (method == QLatin1String("jackknife")) {
        settings.Method = TSupportMethod::Jackknife;
    } else if (method == QLatin1String("bootstrap")) {
        settings.Method = TSupportMethod::Bootstrap;
    } else if (method != QLatin1String("bremer")) {
        WriteStderr(QStringLiteral("Unknown method \"%1\": use jackknife, bootstrap or bremer.")
                        .arg(method));
        return ExitUsage;
    }
    const QString searchName = args.Value(QStringLiteral("--search"), QStringLiteral("thorough"));
    if (searchName != QLatin1String("thorough") && searchName != QLatin1String("evolutionary")) {
        WriteStderr(
            QStringLiteral("Unknown search \"%1\": use thorough or evolutionary.").arg(searchName));
        return ExitUsage;
    }
    const bool thorough = searchName == QLatin1String("thorough");
    // Options of the other search would be ignored silently: refuse them.
    const QStringList foreign =
        thorough ? QStringList{QStringLiteral("--trees"), QStringLiteral("--generations")}
                 : QStringList{QStringLiteral("--additions"), QStringLiteral("--ratchet")};
    for (const QString& option : foreign)
        if (args.Has(option)) {
            WriteStderr(QStringLiteral("%1 belongs to --search %2.")
                            .arg(option, thorough ? QStringLiteral("evolutionary")
                                                  : QStringLiteral("thorough")));
            return ExitUsage;
        }
    const bool missing = !args.Has(QStringLiteral("--no-missing"));
    TThoroughReplicateSettings deep;
    deep.MissingData = missing;
    int trees = 0, generations = 0;
    if (!TakeOption(ParseCount(args, QStringLiteral("--replicates"), 100, 1, MaxReplicates),
                    &settings.Replicates) ||
        !TakeOption(ParseCount(args, QStringLiteral("--threads"), 1, 1, 256), &settings.Threads) ||
        !TakeOption(ParseCount(args, QStringLiteral("--trees"), 10, 1, 255), &trees) ||
        !TakeOption(ParseCount(args, QStringLiteral("--generations"), 100, 0, 1000000),
                    &generations) ||
        !TakeOption(ParseCount(args, QStringLiteral("--additions"), deep.Additions, 1, 10000),
                    &deep.Additions) ||
        !TakeOption(ParseCount(args, QStringLiteral("--ratchet"), deep.Ratchet, 0, 10000),
                    &deep.Ratchet))
        return ExitUsage;
    if (!TakeOption(ReadSeedOption(args, ClockSeed()), &settings.Seed)) return ExitUsage;
    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("--newick"))}))
        return ExitFailure;
    TResult<TMatrixData> loaded = LoadDataFile(args.Positional().at(0));
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& m = *loaded;
    const TStatus valid = thorough ? SupportRefusal(m.ObjectCount, m.CharacterCount)
                                   : ValidateSearch(m.ObjectCount, trees, generations);
    if (Failed(valid)) return ExitFailure;
    const TSField field = BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount);
    if (method == QLatin1String("bremer"))
        return RunBremerCommand(args, field, m.ObjectCount, m.CharacterCount, settings, deep);
    const TReplicateSearch search = thorough
                                        ? ThoroughReplicateSearch(deep)
                                        : EvolutionaryReplicateSearch(trees, generations, missing);
    const TSupportResult result = RunSupport(field, m.ObjectCount, settings, search);
    const QString line = WriteNewickTree(ConsensusToNewick(result.Consensus, field.Names, true));
    const QString how = thorough
                            ? QStringLiteral(
                                  "the thorough search (at most %1 addition sequences with TBR, "
                                  "%2 ratchet iterations each)")
                                  .arg(deep.Additions)
                                  .arg(deep.Ratchet)
                            : QStringLiteral("the evolutionary search (%1 trees, %2 generations)")
                                  .arg(trees)
                                  .arg(generations);
    WriteStderr(QStringLiteral("%1: %2 replicates, seed %3; each replicate searched by %4.")
                    .arg(method == QLatin1String("jackknife")
                             ? QStringLiteral("Jackknife (1/e of the characters removed)")
                             : QStringLiteral("Bootstrap"))
                    .arg(result.Done)
                    .arg(settings.Seed)
                    .arg(how));
    return WriteOutput(args.Value(QStringLiteral("--newick")), EncodeTextLines({line}))
               ? ExitOk
               : ExitFailure;
}
}  // namespace

void RegisterSummaryCommands(TBatchCommands& commands)
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
    commands.push_back(
        {QStringLiteral("support"),
         QStringLiteral("support FILE --method jackknife|bootstrap|bremer [--bremer] "
                        "[--replicates R] [--seed S] [--threads T] [--newick OUT] "
                        "[--search thorough|evolutionary] [--additions A] [--ratchet K] "
                        "[--trees N] [--generations G] [--no-missing]"),
         QStringLiteral("resample the characters, search every replicate and write the "
                        "majority-rule consensus with the share of replicates holding each group; "
                        "or the Bremer support (decay index) of every group of the shortest trees"),
         RunSupportCommand});
}
