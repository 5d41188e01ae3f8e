// Batch commands of the parsimony job: a whole search, and the length of
// given trees.
#include <algorithm>
#include <optional>

#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/CharacterType.h"
#include "data/ImportSource.h"
#include "data/NumberFormat.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "data/Workbook.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/evolutionary/EvolutionaryJob.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/PackedStates.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "parsimony/thorough/ThoroughScorer.h"
#include "parsimony/treefiles/Newick.h"
#include "parsimony/treefiles/NexusTrees.h"
#include "parsimony/treefiles/TreeFile.h"
#include "parsimony/treefiles/TreeFileOut.h"

namespace {
// Every inner node has two children.
bool IsBinary(const TNewickTree& tree)
{
    return std::all_of(tree.Nodes.begin(), tree.Nodes.end(),
                       [](const auto& n) { return n.Children.empty() || n.Children.size() == 2; });
}

const QString ParsimonyUsage = QStringLiteral(
    "parsimony FILE [--trees N] [--generations G] [--no-missing] [--seed S] [--newick OUT] "
    "[--nexus OUT] [--table OUT] [--protocol OUT] [--criterion irreversible]");
const QString ScoreUsage = QStringLiteral(
    "score FILE TREES.nwk [--no-missing] [--criterion C] [--outgroup NAME] [--protocol OUT] "
    "[--gap missing|state]");

int RunParsimony(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs,
        {QStringLiteral("--trees"), QStringLiteral("--generations"), QStringLiteral("--seed"),
         QStringLiteral("--newick"), QStringLiteral("--nexus"), QStringLiteral("--table"),
         QStringLiteral("--protocol"), QStringLiteral("--criterion")},
        {QStringLiteral("--no-missing")});
    if (!ArgsFit(parsed, ParsimonyUsage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    std::optional<TCriterion> chosen;
    if (!TakeOption(ReadCriterionOption(args), &chosen)) return ExitUsage;
    TSearchSettings settings;
    constexpr int trees = 10, generations = 1000;
    // The search checks the counts' range and tells it.
    if (!TakeOption(ReadIntOption(args, QStringLiteral("--trees"), trees), &settings.TreeCount) ||
        !TakeOption(ReadIntOption(args, QStringLiteral("--generations"), generations),
                    &settings.Generations))
        return ExitUsage;
    // The protocol repeats the counts as typed.
    const QString treesText = args.Value(QStringLiteral("--trees"), QString::number(trees));
    const QString generationsText =
        args.Value(QStringLiteral("--generations"), QString::number(generations));
    if (const TStatus valid = ValidateSearch(3, settings.TreeCount, settings.Generations); !valid) {
        WriteStderr(valid.Error());
        return ExitUsage;
    }
    if (args.Has(QStringLiteral("--seed"))) {  // absent: the search takes one from the clock
        std::uint64_t seed = 0;
        if (!TakeOption(ReadSeedOption(args, 0), &seed)) return ExitUsage;
        settings.Seed = seed;
    }
    settings.MissingData = !args.Has(QStringLiteral("--no-missing"));

    if (!OutputsAreSafe(
            args.Positional(),
            {args.Value(QStringLiteral("--table")), args.Value(QStringLiteral("--newick")),
             args.Value(QStringLiteral("--nexus")), args.Value(QStringLiteral("--protocol"))}))
        return ExitFailure;
    TResult<TMatrixData> loaded = LoadDataFile(args.Positional().first());
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& data = *loaded;
    if (const TStatus valid =
            ValidateSearch(data.ObjectCount, settings.TreeCount, settings.Generations);
        !valid) {
        WriteStderr(valid.Error());
        return ExitFailure;
    }
    if (chosen || data.Criteria.Given()) {
        const TResult<TCriteriaCoding> coding = CodeCriteria(data, chosen);
        if (Failed(coding)) return ExitFailure;
        if (const TStatus only = RequireIrreversible(
                *coding, QStringLiteral("The evolutionary search"),
                QStringLiteral("use the search or score command for them, or choose "
                               "--criterion irreversible."));
            !only) {
            WriteStderr(only.Error());
            return ExitFailure;
        }
    }
    const TSField field = BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount);
    for (const QString& line : StateLimitLines(field)) WriteStderr(line);

    QStringList protocol =
        CharacterTypeExplanation(TCharacterType::Matroschka, true) + ParsimonyStartLines({});
    TEvolutionaryJob job(field, data.ObjectCount, data.CharacterCount, settings, treesText,
                         generationsText);
    job.Run();
    const TEvolutionaryOutcome& outcome = job.Outcome();
    if (outcome.Status != TSearchStatus::Finished) {
        WriteStderr(outcome.CanStart.Error());
        return ExitFailure;
    }
    const TParsimonySearch& search = *outcome.Population;
    protocol << outcome.Protocol;

    const QString table = args.Value(QStringLiteral("--table"));
    if (!table.isEmpty()) {
        if (!WriteOutput(table,
                         EncodeTextTable(PopulationListRows(search.Histories(), QLatin1Char('.')))))
            return ExitFailure;
    }
    const QString newick = args.Value(QStringLiteral("--newick"));
    if (!newick.isEmpty() && !WriteOutput(newick, EncodeTrees(PopulationTrees(search), field.Names,
                                                              TTreeFileFormat::Newick)))
        return ExitFailure;
    const QString nexus = args.Value(QStringLiteral("--nexus"));
    if (!nexus.isEmpty() && !WriteOutput(nexus, EncodeTrees(PopulationTrees(search), field.Names,
                                                            TTreeFileFormat::Nexus)))
        return ExitFailure;
    const QString protocolPath = args.Value(QStringLiteral("--protocol"));
    if (!protocolPath.isEmpty() && !WriteOutput(protocolPath, EncodeTextLines(protocol)))
        return ExitFailure;

    QStringList out = protocol;
    out << QStringLiteral("Optimum = Minimum = ") +
               FormatShortest(search.FindBestTree().second, QLatin1Char('.'))
        << QStringLiteral("Seed = ") + QString::number(search.SeedUsed());
    WriteStdoutLines(out);
    return ExitOk;
}

// Every tree scored under each character's criterion: Camin-Sokal for the
// irreversible ones, the reversible kernels for the others.
int ScoreUnderCriteria(const TBatchArgs& args, const TMatrixData& data, const TTreeFile& read,
                       const TCriteriaCoding& coding, bool missing)
{
    std::optional<int> outgroup;
    if (args.Has(QStringLiteral("--outgroup"))) {
        int o = 1;
        if (!TakeOption(ReadOutgroupOption(args, coding.CaminSokal.Names, data.ObjectCount), &o))
            return ExitFailure;
        outgroup = o;
    }
    QStringList protocol = coding.Lines;
    if (outgroup)
        protocol << QStringLiteral(" Every tree rooted at the outgroup %1 before it is scored.")
                        .arg(coding.CaminSokal.Names[*outgroup]);
    if (coding.AnyReversible())
        for (const QString& line : protocol) WriteStderr(line);
    TCriteriaScorer scorer(coding);
    // Past the evolutionary search's range the trees are scored as the
    // thorough search scores its own.
    const bool big = data.ObjectCount > MaxParsimonyObjects;
    std::optional<TCriteriaScoringData> bigData;
    std::unique_ptr<TThoroughScoring> bigScorer;
    if (big) {
        bigData.emplace(coding, missing, std::vector<int>{});
        bigScorer = CriteriaScoringMaker(*bigData)();
    }
    QStringList lengths;
    for (size_t k = 0; k < read->Trees.size(); ++k) {
        const TNewickTree& newick = read->Trees[k];
        const bool binary = IsBinary(newick);
        if (!binary) {
            WriteStderr(QStringLiteral("Tree %1 is not binary: the reversible criteria score "
                                       "binary trees only; resolve its polytomies, or score it "
                                       "with --criterion irreversible.")
                            .arg(k + 1));
            return ExitFailure;
        }
        if (big) {
            TResult<TCompactTree> compact =
                CompactFromNewick(newick, coding.CaminSokal.Names.Vector(), data.ObjectCount);
            if (!compact) {
                WriteStderr(QStringLiteral("Tree %1: %2").arg(k + 1).arg(compact.Error()));
                return ExitFailure;
            }
            bigScorer->Load(outgroup ? RootedAtTip(*compact, *outgroup - 1) : *compact);
            lengths << FormatShortest(static_cast<double>(bigScorer->Length()), QLatin1Char('.'));
            continue;
        }
        TResult<TTree> tree = NewickToTree(newick, coding.CaminSokal.Names, data.ObjectCount);
        if (!tree) {
            WriteStderr(QStringLiteral("Tree %1: %2").arg(k + 1).arg(tree.Error()));
            return ExitFailure;
        }
        TTree scored = outgroup ? RootedAt(*tree, *outgroup) : *tree;
        lengths << FormatShortest(scorer.Length(scored, missing), QLatin1Char('.'));
    }
    const QString protocolPath = args.Value(QStringLiteral("--protocol"));
    if (!protocolPath.isEmpty() && !WriteOutput(protocolPath, EncodeTextLines(protocol)))
        return ExitFailure;
    WriteStdoutLines(lengths);
    return ExitOk;
}

int RunScore(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed =
        TBatchArgs::Read(rawArgs,
                         {QStringLiteral("--criterion"), QStringLiteral("--outgroup"),
                          QStringLiteral("--protocol"), QStringLiteral("--gap")},
                         {QStringLiteral("--no-missing")});
    if (!ArgsFit(parsed, ScoreUsage, 2)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    std::optional<TCriterion> chosen;
    TGapReading gaps = TGapReading::Missing;
    if (!TakeOption(ReadCriterionOption(args), &chosen) ||
        !TakeOption(ReadGapOption(args, args.Positional().at(0)), &gaps))
        return ExitUsage;
    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("--protocol"))}))
        return ExitFailure;
    TResult<TMatrixData> loaded = LoadDataFile(args.Positional().at(0));
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& data = *loaded;
    const TTreeFile read = ReadTreeFile(args.Positional().at(1));
    if (Failed(read)) return ExitFailure;
    const bool missing = !args.Has(QStringLiteral("--no-missing"));
    // A NEXUS file's types, or the chosen criterion; Camin-Sokal alone is
    // counted as it always was (polytomies included).
    QStringList protocol;
    if (chosen || data.Criteria.Given() || args.Has(QStringLiteral("--outgroup")) ||
        args.Has(QStringLiteral("--protocol"))) {
        const TResult<TCriteriaCoding> coding = CodeCriteria(data, chosen, gaps);
        if (Failed(coding)) return ExitFailure;
        if (coding->AnyReversible() || args.Has(QStringLiteral("--outgroup"))) {
            for (const QString& line : StateLimitLines(coding->CaminSokal)) WriteStderr(line);
            return ScoreUnderCriteria(args, data, read, *coding, missing);
        }
        protocol = coding->Lines;
    }
    const TSField field = BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount);
    for (const QString& line : StateLimitLines(field)) WriteStderr(line);
    // Past the evolutionary search's range the binary trees are scored as
    // the thorough search scores its own (same count, no 255-object ids).
    const bool big = data.ObjectCount > MaxParsimonyObjects;
    std::optional<TPackedField> packed;
    std::optional<TThoroughScorer> bigScorer;
    if (big) {
        packed.emplace(field, data.ObjectCount, data.CharacterCount);
        bigScorer.emplace(*packed, missing);
    }
    QStringList lengths;
    for (size_t k = 0; k < read->Trees.size(); ++k) {
        const TNewickTree& newick = read->Trees[k];
        const bool binary = IsBinary(newick);
        if (!binary) {
            // A polytomy: its length is well defined all the same.
            const TResult<double> length =
                HardPolytomyLength(newick, field, data.ObjectCount, missing);
            if (!length) {
                WriteStderr(QStringLiteral("Tree %1: %2").arg(k + 1).arg(length.Error()));
                return ExitFailure;
            }
            WriteStderr(QStringLiteral("Tree %1 is not binary: scored with its polytomies as they "
                                       "stand (each node's states shared by all its children).")
                            .arg(k + 1));
            lengths << FormatShortest(*length, QLatin1Char('.'));
            continue;
        }
        if (big) {
            const TResult<TCompactTree> compact =
                CompactFromNewick(newick, field.Names.Vector(), data.ObjectCount);
            if (!compact) {
                WriteStderr(QStringLiteral("Tree %1: %2").arg(k + 1).arg(compact.Error()));
                return ExitFailure;
            }
            lengths << FormatShortest(static_cast<double>(bigScorer->FullLength(*compact)),
                                      QLatin1Char('.'));
            continue;
        }
        TResult<TTree> tree = NewickToTree(newick, field.Names, data.ObjectCount);
        if (!tree) {
            WriteStderr(QStringLiteral("Tree %1: %2").arg(k + 1).arg(tree.Error()));
            return ExitFailure;
        }
        EvaluateTree(*tree, field, missing);
        lengths << FormatShortest(tree->Fitness, QLatin1Char('.'));
    }
    const QString protocolPath = args.Value(QStringLiteral("--protocol"));
    if (!protocolPath.isEmpty() && !WriteOutput(protocolPath, EncodeTextLines(protocol)))
        return ExitFailure;
    WriteStdoutLines(lengths);
    return ExitOk;
}
}  // namespace

void RegisterParsimonyCommands(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("parsimony"), ParsimonyUsage,
         QStringLiteral("run the parsimony search (grow N trees, 1 to 255, default 10; G "
                        "generations of branch swapping)"),
         RunParsimony});
    commands.push_back(
        {QStringLiteral("score"), ScoreUsage,
         QStringLiteral("print the length of every tree of a Newick or NEXUS file on the data"),
         RunScore});
}
