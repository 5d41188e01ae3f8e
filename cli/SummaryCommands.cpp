// varno-batch consensus, stats, changes and support: the summaries of trees —
// the consensus of a tree set, the fit statistics of a tree, the changes on
// its branches and the support of its groups.
#include <algorithm>
#include <functional>
#include <optional>

#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/NexusReader.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "data/Workbook.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/summaries/BranchChanges.h"
#include "parsimony/summaries/Bremer.h"
#include "parsimony/summaries/Consensus.h"
#include "parsimony/summaries/FitStatistics.h"
#include "parsimony/summaries/ReversibleChanges.h"
#include "parsimony/summaries/Support.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "parsimony/treefiles/Newick.h"
#include "parsimony/treefiles/TreeFile.h"

namespace {
const QString ConsensusUsage = QStringLiteral(
    "consensus TREES.nwk [--strict|--majority|--semistrict] [--compatible] [-o OUT]");
const QString StatsUsage = QStringLiteral(
    "stats FILE TREE.nwk [--no-missing] [-o OUT] [--criterion C] [--gap missing|state]");
const QString ChangesUsage = QStringLiteral(
    "changes FILE TREE.nwk [--no-missing] [-o OUT] [--criterion C] [--outgroup NAME] "
    "[--deltran] [--gap missing|state]");
const QString SupportUsage = QStringLiteral(
    "support FILE --method jackknife|bootstrap|bremer [--bremer] [--replicates R] [--seed S] "
    "[--threads T] [--newick OUT] [--search thorough|evolutionary] [--additions A] "
    "[--ratchet K] [--trees N] [--generations G] [--no-missing] [--criterion C] "
    "[--gap missing|state]");

bool ReadTrees(const QString& path, TNewickTrees* read)
{
    TTreeFile file = ReadTreeFile(path);
    if (Failed(file)) return false;
    *read = std::move(*file);
    return true;
}

int RunConsensus(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed =
        TBatchArgs::Read(rawArgs, {QStringLiteral("-o")},
                         {QStringLiteral("--strict"), QStringLiteral("--majority"),
                          QStringLiteral("--semistrict"), QStringLiteral("--compatible")});
    if (!ArgsFit(parsed, ConsensusUsage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    if (args.Has(QStringLiteral("--strict")) + args.Has(QStringLiteral("--majority")) +
            args.Has(QStringLiteral("--semistrict")) >
        1) {
        WriteStderr(QStringLiteral("Choose one kind of consensus."));
        WriteUsage(ConsensusUsage);
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
    TNewickTrees read;
    if (!ReadTrees(args.Positional().at(0), &read)) return ExitFailure;
    // Trees past 255 objects have their groups counted as object sets of any size.
    const bool big = !read.Trees.empty() &&
                     std::count_if(read.Trees.front().Nodes.begin(), read.Trees.front().Nodes.end(),
                                   [](const TNewickNode& n) { return n.Children.empty(); }) >
                         MaxParsimonyObjects;
    TGeneralTree tree;
    std::vector<QString> names;
    if (big) {
        TResult<TBigNewickSet> set = BigCladesOfNewick(read.Trees);
        if (Failed(set)) return ExitFailure;
        tree = BigConsensus(set->Input, kind);
        names = std::move(set->Names);
    } else {
        TResult<TNewickSet> set = CladesOfNewick(read.Trees);
        if (Failed(set)) return ExitFailure;
        tree = Consensus(set->Input, kind);
        names = std::move(set->Names);
    }
    if (read.Trees.size() == 1)
        WriteStderr(
            QStringLiteral("Note: the file holds one tree; its consensus is the tree itself."));
    const bool percents =
        kind == TConsensusKind::Majority || kind == TConsensusKind::MajorityCompatible;
    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("-o"))})) return ExitFailure;
    const QString line = WriteNewickTree(ConsensusToNewick(tree, names, percents));
    return WriteOutput(args.Value(QStringLiteral("-o")), EncodeTextLines({line})) ? ExitOk
                                                                                  : ExitFailure;
}

// The data and the first tree of a Newick file, which must be binary and hold
// exactly the data's objects.
// Past 255 objects the tree goes to *big (when given) as a compact tree.
bool LoadDataAndTree(const QString& dataPath, const QString& treePath, TSField* field, TTree* tree,
                     std::optional<TCompactTree>* big = nullptr)
{
    TResult<TMatrixData> loaded = LoadDataFile(dataPath);
    if (Failed(loaded)) return false;
    const TMatrixData& m = *loaded;
    TNewickTrees read;
    if (!ReadTrees(treePath, &read)) return false;
    *field = BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount);
    if (big && m.ObjectCount > MaxParsimonyObjects) {
        TResult<TCompactTree> t =
            CompactFromNewick(read.Trees.front(), field->Names.Vector(), m.ObjectCount);
        if (!t) {
            WriteStderr(QStringLiteral("The first tree of \"%1\" does not fit the data: %2")
                            .arg(treePath, t.Error()));
            return false;
        }
        *big = std::move(*t);
        return true;
    }
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
    const QStringList& rawArgs, const QString& usage,
    const std::function<std::vector<QStringList>(const TTree&, const TSField&, bool)>& table,
    const std::function<std::vector<QStringList>(const TCompactTree&, const TSField&, bool)>&
        bigTable = nullptr)
{
    const TResult<TBatchArgs> parsed =
        TBatchArgs::Read(rawArgs, {QStringLiteral("-o")}, {QStringLiteral("--no-missing")});
    if (!ArgsFit(parsed, usage, 2)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("-o"))})) return ExitFailure;
    TSField field;
    TTree tree;
    std::optional<TCompactTree> big;
    if (!LoadDataAndTree(args.Positional().at(0), args.Positional().at(1), &field, &tree,
                         bigTable ? &big : nullptr))
        return ExitFailure;
    const bool missing = !args.Has(QStringLiteral("--no-missing"));
    if (big)
        return WriteOutput(args.Value(QStringLiteral("-o")),
                           EncodeTextTable(bigTable(*big, field, missing)))
                   ? ExitOk
                   : ExitFailure;
    return WriteOutput(args.Value(QStringLiteral("-o")),
                       EncodeTextTable(table(tree, field, missing)))
               ? ExitOk
               : ExitFailure;
}

// stats under each character's criterion: a NEXUS file's types or --criterion.
int RunCriteriaStats(const TBatchArgs& args, std::optional<TCriterion> chosen, TGapReading gaps)
{
    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("-o"))})) return ExitFailure;
    TResult<TMatrixData> loaded = LoadDataFile(args.Positional().at(0));
    if (Failed(loaded)) return ExitFailure;
    const TResult<TCriteriaCoding> coding = CodeCriteria(*loaded, chosen, gaps);
    if (Failed(coding)) return ExitFailure;
    TNewickTrees read;
    if (!ReadTrees(args.Positional().at(1), &read)) return ExitFailure;
    const TSField field =
        BuildPathSets(loaded->DataMatrix, loaded->ObjectCount, loaded->CharacterCount);
    const bool missing = !args.Has(QStringLiteral("--no-missing"));
    if (loaded->ObjectCount > MaxParsimonyObjects) {
        // Past the evolutionary search's range: the tree as a compact tree.
        const TResult<TCompactTree> big =
            CompactFromNewick(read.Trees.front(), field.Names.Vector(), loaded->ObjectCount);
        if (!big) {
            WriteStderr(QStringLiteral("The first tree of \"%1\" does not fit the data: %2")
                            .arg(args.Positional().at(1), big.Error()));
            return ExitFailure;
        }
        if (coding->AnyReversible())
            for (const QString& line : coding->Lines) WriteStderr(line);
        const TResult<TFitStatistics> stats =
            CompactCriteriaFitStatistics(*big, field, *coding, missing);
        if (Failed(stats)) return ExitFailure;
        return WriteOutput(args.Value(QStringLiteral("-o")),
                           EncodeTextTable(FitStatisticsTable(*stats, field)))
                   ? ExitOk
                   : ExitFailure;
    }
    TResult<TTree> tree = NewickToTree(read.Trees.front(), field.Names, loaded->ObjectCount);
    if (!tree) {
        WriteStderr(QStringLiteral("The first tree of \"%1\" does not fit the data: %2")
                        .arg(args.Positional().at(1), tree.Error()));
        return ExitFailure;
    }
    DeriveTopology(*tree);
    if (coding->AnyReversible()) {
        if (tree->TipCount() != loaded->ObjectCount) {
            WriteStderr(QStringLiteral("The reversible criteria need every object in the tree."));
            return ExitFailure;
        }
        for (const QString& line : coding->Lines) WriteStderr(line);
    }
    const TResult<TFitStatistics> stats = CriteriaFitStatistics(*tree, field, *coding, missing);
    if (Failed(stats)) return ExitFailure;
    return WriteOutput(args.Value(QStringLiteral("-o")),
                       EncodeTextTable(FitStatisticsTable(*stats, field)))
               ? ExitOk
               : ExitFailure;
}

int RunStats(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs, {QStringLiteral("-o"), QStringLiteral("--criterion"), QStringLiteral("--gap")},
        {QStringLiteral("--no-missing")});
    if (!ArgsFit(parsed, StatsUsage, 2)) return ExitUsage;
    std::optional<TCriterion> chosen;
    TGapReading gaps = TGapReading::Missing;
    if (!TakeOption(ReadCriterionOption(*parsed), &chosen) ||
        !TakeOption(ReadGapOption(*parsed, parsed->Positional().at(0)), &gaps))
        return ExitUsage;
    // Only a NEXUS file gives criteria; other files are counted as always.
    if (chosen || IsNexusPath(parsed->Positional().at(0)))
        return RunCriteriaStats(*parsed, chosen, gaps);
    return RunTreeTable(
        rawArgs, StatsUsage,
        [](const TTree& tree, const TSField& field, bool missing) {
            return FitStatisticsTable(FitStatistics(tree, field, missing), field);
        },
        [](const TCompactTree& tree, const TSField& field, bool missing) {
            return FitStatisticsTable(CompactFitStatistics(tree, field, missing), field);
        });
}

// changes under each character's criterion: a NEXUS file's types or
// --criterion; ACCTRAN or DELTRAN for the reversible ones. Camin-Sokal
// alone keeps its own table.
int RunCriteriaChanges(const TBatchArgs& args, std::optional<TCriterion> chosen, TGapReading gaps)
{
    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("-o"))})) return ExitFailure;
    TResult<TMatrixData> loaded = LoadDataFile(args.Positional().at(0));
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& data = *loaded;
    const TResult<TCriteriaCoding> coding = CodeCriteria(data, chosen, gaps);
    if (Failed(coding)) return ExitFailure;
    int outgroup = 1;
    if (!TakeOption(ReadOutgroupOption(args, coding->CaminSokal.Names.Vector(), data.ObjectCount),
                    &outgroup))
        return ExitFailure;
    const bool deltran = args.Has(QStringLiteral("--deltran"));
    if (!coding->AnyReversible() && deltran)
        WriteStderr(
            QStringLiteral("Note: every character is irreversible; --deltran places "
                           "reversible changes only."));
    const bool missing = !args.Has(QStringLiteral("--no-missing"));
    TNewickTrees read;
    if (!ReadTrees(args.Positional().at(1), &read)) return ExitFailure;
    const auto& nodes = read.Trees.front().Nodes;
    const bool binary = std::all_of(nodes.begin(), nodes.end(), [](const auto& n) {
        return n.Children.empty() || n.Children.size() == 2;
    });
    if (coding->AnyReversible() && !binary) {
        WriteStderr(QStringLiteral("The first tree of \"%1\" is not binary: the reversible "
                                   "criteria place changes on binary trees only.")
                        .arg(args.Positional().at(1)));
        return ExitFailure;
    }
    const TChangePlacement placement =
        deltran ? TChangePlacement::Deltran : TChangePlacement::Acctran;
    auto placementLines = [&] {
        for (const QString& line : coding->Lines) WriteStderr(line);
        WriteStderr(deltran ? QStringLiteral(" Reversible changes placed by DELTRAN (as far from "
                                             "the root as the length allows).")
                            : QStringLiteral(" Reversible changes placed by ACCTRAN (as near the "
                                             "root as the length allows)."));
    };
    if (data.ObjectCount > MaxParsimonyObjects) {
        // A tree of any size, as the thorough search keeps its trees.
        TResult<TCompactTree> big = CompactFromNewick(
            read.Trees.front(), coding->CaminSokal.Names.Vector(), data.ObjectCount);
        if (!big) {
            WriteStderr(QStringLiteral("The first tree of \"%1\" does not fit the data: %2")
                            .arg(args.Positional().at(1), big.Error()));
            return ExitFailure;
        }
        if (args.Has(QStringLiteral("--outgroup"))) *big = RootedAtTip(*big, outgroup - 1);
        std::vector<QStringList> table;
        if (coding->AnyReversible()) {
            placementLines();
            table = CompactCriteriaChangesTable(*big, data, *coding, missing, placement);
        } else {
            table = BranchChangesTable(CompactBranchChanges(*big, coding->CaminSokal, missing),
                                       coding->CaminSokal);
        }
        return WriteOutput(args.Value(QStringLiteral("-o")), EncodeTextTable(table)) ? ExitOk
                                                                                     : ExitFailure;
    }
    TResult<TTree> tree =
        NewickToTree(read.Trees.front(), coding->CaminSokal.Names, data.ObjectCount);
    if (!tree) {
        WriteStderr(QStringLiteral("The first tree of \"%1\" does not fit the data: %2")
                        .arg(args.Positional().at(1), tree.Error()));
        return ExitFailure;
    }
    DeriveTopology(*tree);
    if (coding->AnyReversible() && tree->TipCount() != data.ObjectCount) {
        WriteStderr(QStringLiteral("The reversible criteria need every object in the tree."));
        return ExitFailure;
    }
    if (args.Has(QStringLiteral("--outgroup"))) *tree = RootedAt(*tree, outgroup);
    std::vector<QStringList> table;
    if (coding->AnyReversible()) {
        placementLines();
        table = CriteriaChangesTable(*tree, data, *coding, missing, placement);
    } else {
        table = BranchChangesTable(BranchChanges(*tree, coding->CaminSokal, missing),
                                   coding->CaminSokal);
    }
    return WriteOutput(args.Value(QStringLiteral("-o")), EncodeTextTable(table)) ? ExitOk
                                                                                 : ExitFailure;
}

int RunChanges(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed =
        TBatchArgs::Read(rawArgs,
                         {QStringLiteral("-o"), QStringLiteral("--criterion"),
                          QStringLiteral("--outgroup"), QStringLiteral("--gap")},
                         {QStringLiteral("--no-missing"), QStringLiteral("--deltran")});
    if (!ArgsFit(parsed, ChangesUsage, 2)) return ExitUsage;
    std::optional<TCriterion> chosen;
    TGapReading gaps = TGapReading::Missing;
    if (!TakeOption(ReadCriterionOption(*parsed), &chosen) ||
        !TakeOption(ReadGapOption(*parsed, parsed->Positional().at(0)), &gaps))
        return ExitUsage;
    // Only a NEXUS file gives criteria; other files are counted as always.
    if (chosen || IsNexusPath(parsed->Positional().at(0)) ||
        parsed->Has(QStringLiteral("--outgroup")) || parsed->Has(QStringLiteral("--deltran")))
        return RunCriteriaChanges(*parsed, chosen, gaps);
    return RunTreeTable(
        rawArgs, ChangesUsage,
        [](const TTree& tree, const TSField& field, bool missing) {
            return BranchChangesTable(BranchChanges(tree, field, missing), field);
        },
        [](const TCompactTree& tree, const TSField& field, bool missing) {
            return BranchChangesTable(CompactBranchChanges(tree, field, missing), field);
        });
}

// Bremer support of every group of the shortest trees, written as the strict
// consensus of those trees with the decay indices as labels.
int RunBremerCommand(const TBatchArgs& args, const TSField& field, int objects, int characters,
                     const TSupportSettings& support, const TThoroughReplicateSettings& deep)
{
    TBremerSettings settings;
    settings.Seed = support.Seed;
    settings.Threads = support.Threads;
    settings.MissingData = deep.MissingData;
    settings.Criteria = deep.Criteria;
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

int RunSupportCommand(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs,
        {QStringLiteral("--method"), QStringLiteral("--replicates"), QStringLiteral("--seed"),
         QStringLiteral("--threads"), QStringLiteral("--newick"), QStringLiteral("--trees"),
         QStringLiteral("--generations"), QStringLiteral("--search"), QStringLiteral("--additions"),
         QStringLiteral("--ratchet"), QStringLiteral("--criterion"), QStringLiteral("--gap")},
        {QStringLiteral("--no-missing"), QStringLiteral("--bremer")});
    if (!ArgsFit(parsed, SupportUsage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    std::optional<TCriterion> chosen;
    TGapReading gaps = TGapReading::Missing;
    if (!TakeOption(ReadCriterionOption(args), &chosen) ||
        !TakeOption(ReadGapOption(args, args.Positional().at(0)), &gaps))
        return ExitUsage;
    const bool bremerFlag = args.Has(QStringLiteral("--bremer"));
    if (args.Has(QStringLiteral("--method")) == bremerFlag) {
        WriteUsage(SupportUsage);
        return ExitUsage;
    }
    // --bremer stands for --method bremer.
    const QStringList methods{"jackknife", "bootstrap", "bremer"};
    int methodIndex = 0, searchIndex = 0;
    if (!TakeOption(ReadChoiceOption(args, QStringLiteral("--method"), QStringLiteral("method"),
                                     methods, QStringLiteral("bremer")),
                    &methodIndex) ||
        !TakeOption(ReadChoiceOption(args, QStringLiteral("--search"), QStringLiteral("search"),
                                     {"thorough", "evolutionary"}, QStringLiteral("thorough")),
                    &searchIndex))
        return ExitUsage;
    const QString method = methods[methodIndex];
    const bool thorough = searchIndex == 0;
    if (method == QLatin1String("bremer") && !thorough) {
        WriteStderr(QStringLiteral("Bremer support is found with the thorough search only."));
        return ExitUsage;
    }
    TSupportSettings settings;
    if (method == QLatin1String("jackknife")) settings.Method = TSupportMethod::Jackknife;
    if (method == QLatin1String("bootstrap")) settings.Method = TSupportMethod::Bootstrap;
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
    if (!TakeOption(ReadWholeOption(args, QStringLiteral("--replicates"), 1, MaxReplicates, 100),
                    &settings.Replicates) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--threads"), 1, 256, 1),
                    &settings.Threads) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--trees"), 1, 255, 10), &trees) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--generations"), 0, 1000000, 100),
                    &generations) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--additions"), 1, 10000, deep.Additions),
                    &deep.Additions) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--ratchet"), 0, 10000, deep.Ratchet),
                    &deep.Ratchet) ||
        !TakeOption(ReadSeedOption(args, ClockSeed()), &settings.Seed))
        return ExitUsage;
    // Refused before the replicates, which may take hours.
    if (!OutputsAreWritable(args.Positional(), {args.Value(QStringLiteral("--newick"))}))
        return ExitFailure;
    TResult<TMatrixData> loaded = LoadDataFile(args.Positional().at(0));
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& m = *loaded;
    const TStatus valid = !thorough ? ValidateSearch(m.ObjectCount, trees, generations)
                          : method == QLatin1String("bremer")
                              ? ValidateBremer(m.ObjectCount, m.CharacterCount)
                              : ValidateSupport(m.ObjectCount, m.CharacterCount);
    if (Failed(valid)) return ExitFailure;
    const TSField field = BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount);
    // A NEXUS file's types or the chosen criterion; the thorough search
    // scores them, the evolutionary search refuses the reversible ones.
    TResult<std::optional<TCriteriaCoding>> coded = SearchCriteria(m, chosen, gaps);
    if (Failed(coded)) return ExitFailure;
    std::optional<TCriteriaCoding>& coding = *coded;
    if (coding) {
        if (!thorough) {
            WriteStderr(RequireIrreversible(*coding, QStringLiteral("The evolutionary search"),
                                            QStringLiteral("use --search thorough for them, "
                                                           "or choose --criterion "
                                                           "irreversible."))
                            .Error());
            return ExitFailure;
        }
        for (const QString& l : coding->Lines) WriteStderr(l);
        deep.Criteria = &*coding;
    }
    if (method == QLatin1String("bremer"))
        return RunBremerCommand(args, field, m.ObjectCount, m.CharacterCount, settings, deep);
    // Past 255 objects (the thorough search only) the replicates' trees stay compact.
    const TSupportResult result =
        m.ObjectCount > MaxParsimonyObjects
            ? RunBigSupport(field, m.ObjectCount, settings, BigThoroughReplicateSearch(deep))
            : RunSupport(field, m.ObjectCount, settings,
                         thorough ? ThoroughReplicateSearch(deep)
                                  : EvolutionaryReplicateSearch(trees, generations, missing));
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
        {QStringLiteral("consensus"), ConsensusUsage,
         QStringLiteral(
             "write the consensus of the trees of a Newick file (majority-rule by default, "
             "with the percentage of trees holding each group)"),
         RunConsensus});
    commands.push_back(
        {QStringLiteral("stats"), StatsUsage,
         QStringLiteral(
             "write m, s, g, CI, RI, RC and HI of every character and of the first tree"),
         RunStats});
    commands.push_back(
        {QStringLiteral("changes"), ChangesUsage,
         QStringLiteral(
             "write the state changes on every branch of the first tree of a Newick file"),
         RunChanges});
    commands.push_back(
        {QStringLiteral("support"), SupportUsage,
         QStringLiteral("resample the characters, search every replicate and write the "
                        "majority-rule consensus with the share of replicates holding each group; "
                        "or the Bremer support (decay index) of every group of the shortest trees"),
         RunSupportCommand});
}
