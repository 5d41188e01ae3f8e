// varno-batch charfit: the character fit table of a given tree, as the
// character fit window saves it.
#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/ImportSource.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "data/Workbook.h"
#include "parsimony/summaries/CharFit.h"
#include "parsimony/treefiles/Newick.h"
#include "parsimony/treefiles/TreeFile.h"

namespace {
const QString CharFitUsage =
    QStringLiteral("charfit FILE TREE.nwk [-o OUT] [--criterion C] [--gap missing|state]");

int RunCharFit(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs, {QStringLiteral("-o"), QStringLiteral("--criterion"), QStringLiteral("--gap")},
        {});
    if (!ArgsFit(parsed, CharFitUsage, 2)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    const QString dataPath = args.Positional().at(0);
    const QString treePath = args.Positional().at(1);
    std::optional<TCriterion> chosen;
    TGapReading gaps = TGapReading::Missing;
    if (!TakeOption(ReadCriterionOption(args), &chosen) ||
        !TakeOption(ReadGapOption(args, dataPath), &gaps))
        return ExitUsage;

    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("-o"))})) return ExitFailure;
    TResult<TMatrixData> loaded = LoadDataFile(dataPath);
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& m = *loaded;

    const TTreeFile read = ReadTreeFile(treePath);
    if (!read || read->Trees.empty()) {
        WriteStderr(read ? QStringLiteral("\"%1\" holds no Newick tree.").arg(treePath)
                         : read.Error());
        return ExitFailure;
    }
    const TSField field = BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount);
    for (const QString& line : StateLimitLines(field)) WriteStderr(line);
    // Past the evolutionary search's range the tree is read as a compact tree.
    if (m.ObjectCount > MaxParsimonyObjects) {
        const TResult<TCompactTree> compact =
            CompactFromNewick(read->Trees.front(), field.Names.Vector(), m.ObjectCount);
        if (!compact) {
            WriteStderr(QStringLiteral("The first tree of \"%1\" does not fit the data: %2")
                            .arg(treePath, compact.Error()));
            return ExitFailure;
        }
        std::vector<QStringList> rows;
        if (chosen || m.Criteria.Given()) {
            const TResult<TCriteriaCoding> coding = CodeCriteria(m, chosen, gaps);
            if (Failed(coding)) return ExitFailure;
            if (coding->AnyReversible()) {
                for (const QString& line : coding->Lines) WriteStderr(line);
                rows = CompactCriteriaFitTable(*compact, field, *coding);
            }
        }
        if (rows.empty()) rows = CompactCharFitTable(*compact, field);
        return WriteOutput(args.Value(QStringLiteral("-o")), EncodeTextTable(rows)) ? ExitOk
                                                                                    : ExitFailure;
    }
    TResult<TTree> tree = NewickToTree(read->Trees.front(), field.Names, m.ObjectCount);
    if (!tree) {
        WriteStderr(QStringLiteral("The first tree of \"%1\" does not fit the data: %2")
                        .arg(treePath, tree.Error()));
        return ExitFailure;
    }
    // A NEXUS file's types, or the chosen criterion; Camin-Sokal alone as always.
    std::vector<QStringList> rows;
    if (chosen || m.Criteria.Given()) {
        const TResult<TCriteriaCoding> coding = CodeCriteria(m, chosen, gaps);
        if (Failed(coding)) return ExitFailure;
        if (coding->AnyReversible()) {
            if (tree->TipCount() != m.ObjectCount) {
                WriteStderr(
                    QStringLiteral("The reversible criteria need every object in the "
                                   "tree."));
                return ExitFailure;
            }
            for (const QString& line : coding->Lines) WriteStderr(line);
            rows = CriteriaFitTable(*tree, field, *coding);
        }
    }
    if (rows.empty()) rows = CharFitTable(*tree, field);
    return WriteOutput(args.Value(QStringLiteral("-o")), EncodeTextTable(rows)) ? ExitOk
                                                                                : ExitFailure;
}
}  // namespace

void RegisterCharFitCommand(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("charfit"), CharFitUsage,
         QStringLiteral("write the steps, compatibility and homoplasy of every character on the "
                        "first tree of a Newick file"),
         RunCharFit});
}
