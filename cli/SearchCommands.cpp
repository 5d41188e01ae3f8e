// Batch commands of the thorough search: a run with its stopping rules, and
// the merge of the trees of several runs (e.g. array jobs on a cluster).
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <limits>

#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/CharacterType.h"
#include "data/Global.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "parsimony/Random.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/PackedStates.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "parsimony/thorough/ThoroughJob.h"
#include "parsimony/thorough/ThoroughScorer.h"
#include "parsimony/thorough/ThoroughSearch.h"
#include "parsimony/thorough/ThoroughSectors.h"
#include "parsimony/treefiles/TreeFile.h"

namespace {
const QString SearchUsage = QStringLiteral(
    "search FILE [--seed S] [--threads T] [--time-limit SECONDS] [--replicates R] "
    "[--target LENGTH] [--max-trees K] [--hits H] [--ratchet N] [--no-missing] [--newick OUT] "
    "[--progress] [--strategy ratchet|driven] [--no-fuse] [--no-drift] [--no-sectors] "
    "[--no-consensus-sectors] [--sector-ratchet N] [--sector-size MIN-MAX] [--criterion C] "
    "[--outgroup NAME] [--gap missing|state]");
const QString MergeUsage = QStringLiteral(
    "merge FILE A.nwk [B.nwk ...] [-o OUT] [--max-trees K] [--no-missing] [--criterion C] "
    "[--outgroup NAME] [--gap missing|state]");

constexpr qint64 MaxNewickBytes = 256 * 1024 * 1024;

// The running search, for the signal handler to cancel (one atomic store).
std::atomic<TThoroughJob*> Interrupted{nullptr};
extern "C" void OnInterrupt(int)
{
    if (TThoroughJob* job = Interrupted.load()) job->Cancel();
}

// Under the reversible criteria without branch lengths: a branch's changes
// are ambiguous there.
QStringList CriteriaNewickLines(const std::vector<TThoroughResult>& trees,
                                const TCriteriaCoding& coding)
{
    QStringList lines;
    for (const TThoroughResult& r : trees)
        lines << WriteCompactNewick(r.Tree, coding.CaminSokal.Names);
    return lines;
}

QStringList NewickLines(const std::vector<TThoroughResult>& trees, const TSField& field,
                        int objects, int characters, bool missing)
{
    const TPackedField packed(field, objects, characters);
    TThoroughScorer scorer(packed, missing);
    QStringList lines;
    for (const TThoroughResult& r : trees) {
        scorer.Load(r.Tree);
        const std::vector<std::int64_t> fits = scorer.BranchFits();
        lines << WriteCompactNewick(r.Tree, field.Names, &fits);
    }
    return lines;
}

// A NEXUS file's types or the chosen criterion; coding stays empty when
// every character is irreversible (Camin-Sokal then runs as it always did).
// False after saying why not.
bool CriteriaFor(const TBatchArgs& args, const TMatrixData& data, std::optional<TCriterion> chosen,
                 TGapReading gaps, std::optional<TCriteriaCoding>& coding, int& outgroup)
{
    if (!chosen && !data.Criteria.Given() && !args.Has(QStringLiteral("--outgroup"))) return true;
    TResult<std::optional<TCriteriaCoding>> coded = SearchCriteria(data, chosen, gaps);
    if (Failed(coded)) return false;
    // Column 0 of the matrix holds the object names, 1..N.
    const TPart names = data.DataMatrix.empty() ? TPart() : data.DataMatrix.front();
    if (!TakeOption(ReadOutgroupOption(args, names, data.ObjectCount), &outgroup)) return false;
    if (*coded)
        coding = std::move(**coded);
    else if (args.Has(QStringLiteral("--outgroup")))
        WriteStderr(
            QStringLiteral("Note: every character is irreversible, so the root is "
                           "the search's own; --outgroup is not used."));
    return true;
}

bool Save(const QString& path, const QStringList& lines)
{
    TStatus saved = SaveTextFile(path, EncodeTextLines(lines));
    if (saved) return true;
    WriteStderr(saved.Error());
    return false;
}

// "MIN-MAX" (or one number for both) units per sector.
bool ReadSectorSizes(const QString& text, TThoroughSettings& settings)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    bool ok = parts.size() == 1 || parts.size() == 2;
    int sizes[2] = {0, 0};
    for (int k = 0; ok && k < 2; ++k) {
        const QString part = parts[parts.size() == 1 ? 0 : k].trimmed();
        sizes[k] = part.toInt(&ok);
        ok = ok && sizes[k] >= MinSectorUnits && sizes[k] <= MaxThoroughObjects;
    }
    if (!ok || sizes[0] > sizes[1]) {
        WriteStderr(QStringLiteral("--sector-size takes MIN-MAX units per sector, each %1 to %2 "
                                   "and the smaller first (for example 20-60); not \"%3\".")
                        .arg(MinSectorUnits)
                        .arg(MaxThoroughObjects)
                        .arg(text));
        return false;
    }
    settings.SectorMin = sizes[0];
    settings.SectorMax = sizes[1];
    return true;
}

int RunSearch(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs,
        {QStringLiteral("--seed"), QStringLiteral("--threads"), QStringLiteral("--time-limit"),
         QStringLiteral("--replicates"), QStringLiteral("--target"), QStringLiteral("--max-trees"),
         QStringLiteral("--hits"), QStringLiteral("--ratchet"), QStringLiteral("--newick"),
         QStringLiteral("--strategy"), QStringLiteral("--criterion"), QStringLiteral("--outgroup"),
         QStringLiteral("--sector-size"), QStringLiteral("--sector-ratchet"),
         QStringLiteral("--gap")},
        {QStringLiteral("--no-missing"), QStringLiteral("--progress"), QStringLiteral("--no-fuse"),
         QStringLiteral("--no-drift"), QStringLiteral("--no-sectors"),
         QStringLiteral("--no-consensus-sectors")});
    if (!ArgsFit(parsed, SearchUsage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    std::optional<TCriterion> chosen;
    TGapReading gaps = TGapReading::Missing;
    if (!TakeOption(ReadCriterionOption(args), &chosen) ||
        !TakeOption(ReadGapOption(args, args.Positional().at(0)), &gaps))
        return ExitUsage;
    TThoroughSettings settings;
    if (!TakeOption(ReadWholeOption(args, QStringLiteral("--threads"), 1, MaxThoroughThreads,
                                    settings.Threads),
                    &settings.Threads) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--replicates"), 1, 100000000,
                                    settings.Replicates),
                    &settings.Replicates) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--target"), 0,
                                    std::numeric_limits<qint64>::max(), settings.TargetLength),
                    &settings.TargetLength) ||
        !TakeOption(
            ReadWholeOption(args, QStringLiteral("--max-trees"), 1, 100000, settings.MaxTrees),
            &settings.MaxTrees) ||
        !TakeOption(
            ReadWholeOption(args, QStringLiteral("--hits"), 0, 100000000, settings.HitLimit),
            &settings.HitLimit) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--ratchet"), 0, 100000,
                                    settings.RatchetIterations),
                    &settings.RatchetIterations) ||
        !TakeOption(ReadSecondsOption(args, QStringLiteral("--time-limit"), settings.TimeLimit),
                    &settings.TimeLimit) ||
        !TakeOption(ReadSeedOption(args, ClockSeed()), &settings.Seed))
        return ExitUsage;
    int strategy = 0;
    if (!TakeOption(ReadChoiceOption(args, QStringLiteral("--strategy"), QStringLiteral("strategy"),
                                     {QStringLiteral("ratchet"), QStringLiteral("driven")},
                                     QStringLiteral("ratchet")),
                    &strategy))
        return ExitUsage;
    settings.Strategy = strategy == 1 ? TThoroughStrategy::Driven : TThoroughStrategy::Ratchet;
    settings.Fuse = !args.Has(QStringLiteral("--no-fuse"));
    settings.Drift = !args.Has(QStringLiteral("--no-drift"));
    settings.Sectors = !args.Has(QStringLiteral("--no-sectors"));
    settings.ConsensusSectors = !args.Has(QStringLiteral("--no-consensus-sectors"));
    const bool sectorRatchet = args.Has(QStringLiteral("--sector-ratchet"));
    const bool sized = args.Has(QStringLiteral("--sector-size"));
    if (settings.Strategy != TThoroughStrategy::Driven &&
        (!settings.Drift || !settings.Sectors || !settings.ConsensusSectors || sectorRatchet ||
         sized)) {
        WriteStderr(
            QStringLiteral("--no-drift, --no-sectors, --no-consensus-sectors, "
                           "--sector-ratchet and --sector-size belong to --strategy driven."));
        return ExitUsage;
    }
    if (sized && !ReadSectorSizes(args.Value(QStringLiteral("--sector-size")), settings))
        return ExitUsage;
    if (!TakeOption(ReadWholeOption(args, QStringLiteral("--sector-ratchet"), 0, 1000,
                                    settings.SectorRatchet),
                    &settings.SectorRatchet))
        return ExitUsage;
    settings.MissingData = !args.Has(QStringLiteral("--no-missing"));
    const QString newick = args.Value(QStringLiteral("--newick"));
    if (!OutputsAreWritable(args.Positional(), {newick})) return ExitFailure;

    TResult<TMatrixData> loaded = LoadDataFile(args.Positional().first());
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& data = *loaded;
    // A NEXUS file's types or the chosen criterion; Camin-Sokal alone runs
    // as it always did.
    std::optional<TCriteriaCoding> coding;
    int outgroup = 1;
    if (!CriteriaFor(args, data, chosen, gaps, coding, outgroup)) return ExitFailure;
    std::unique_ptr<TThoroughJob> made =
        coding ? std::make_unique<TThoroughJob>(std::move(*coding), data.ObjectCount,
                                                data.CharacterCount, settings, outgroup)
               : std::make_unique<TThoroughJob>(
                     BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount),
                     data.ObjectCount, data.CharacterCount, settings);
    TThoroughJob& job = *made;
    const TCriteriaCoding* criteria = job.Search().Criteria();
    const TSField& field = job.Field();
    const TThoroughSearch& search = job.Search();
    if (const TStatus valid = job.CanStart(); !valid) {
        WriteStderr(valid.Error());
        return ExitFailure;
    }

    int empty = 0;
    for (int c = 1; !criteria && c <= data.CharacterCount && c <= field.Places.Count(); ++c) {
        const TNumbered<TInclusion>& column = field.Places[c].Inc;
        if (std::all_of(column.begin(), column.end(),
                        [](const TInclusion& s) { return s.IsEmpty(); }))
            ++empty;
    }
    if (empty > 0)
        WriteStderr(QStringLiteral(
                        "Note: %1 of %2 characters have no data in any object; they add no steps.")
                        .arg(empty)
                        .arg(data.CharacterCount));

    const bool progress = args.Has(QStringLiteral("--progress"));
    Interrupted.store(&job);
    auto oldInt = std::signal(SIGINT, OnInterrupt);
    auto oldTerm = std::signal(SIGTERM, OnInterrupt);
    job.Observe([&](const TThoroughProgress& p) {
        if (!progress) return;
        if (!p.Phase.isEmpty()) {
            WriteStderr(
                QStringLiteral("Best length %1, %2, replicate %3 of %4, hits %5, %6 trees kept, "
                               "%7 s")
                    .arg(p.BestLength)
                    .arg(p.Phase)
                    .arg(p.Replicate)
                    .arg(p.Replicates)
                    .arg(p.Hits)
                    .arg(p.TreesKept)
                    .arg(QString::number(p.Elapsed, 'f', 1)));
            return;
        }
        WriteStderr(QStringLiteral("Best length %1, replicate %2 of %3, %4 trees kept, %5 s")
                        .arg(p.BestLength)
                        .arg(p.Replicate)
                        .arg(p.Replicates)
                        .arg(p.TreesKept)
                        .arg(QString::number(p.Elapsed, 'f', 1)));
    });
    job.Run();
    const TThoroughOutcome& outcome = job.Outcome();
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    Interrupted.store(nullptr);
    const TSearchStatus status = outcome.Status;
    if (status == TSearchStatus::Refused || search.Results().empty()) {
        WriteStderr(QStringLiteral("The search found no tree."));
        return ExitFailure;
    }

    QStringList protocol = CharacterTypeExplanation(TCharacterType::Matroschka, true);
    protocol << QString() << QStringLiteral("Character type modulation successful") << QString()
             << (criteria ? QStringLiteral("Parsimony under each character's criterion was chosen")
                          : QStringLiteral("Camin Sokal parsimony was chosen"));
    protocol << outcome.Protocol;
    if (!newick.isEmpty() &&
        !Save(newick, criteria ? CriteriaNewickLines(search.Results(), *criteria)
                               : NewickLines(search.Results(), field, data.ObjectCount,
                                             data.CharacterCount, settings.MissingData)))
        return ExitFailure;
    if (status == TSearchStatus::Cancelled)
        WriteStderr(
            QStringLiteral("Search interrupted; the shortest trees found so far are kept."));
    protocol << QStringLiteral("Optimum = Minimum = %1").arg(search.BestLength())
             << QStringLiteral("Trees = %1").arg(search.Results().size())
             << QStringLiteral("Seed = %1").arg(settings.Seed);
    WriteStdoutLines(protocol);
    return ExitOk;
}

int RunMerge(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs,
        {QStringLiteral("-o"), QStringLiteral("--max-trees"), QStringLiteral("--criterion"),
         QStringLiteral("--outgroup"), QStringLiteral("--gap")},
        {QStringLiteral("--no-missing")});
    if (!ArgsFit(parsed, MergeUsage, 2, std::numeric_limits<qsizetype>::max())) return ExitUsage;
    const TBatchArgs& args = *parsed;
    std::optional<TCriterion> chosen;
    TGapReading gaps = TGapReading::Missing;
    if (!TakeOption(ReadCriterionOption(args), &chosen) ||
        !TakeOption(ReadGapOption(args, args.Positional().at(0)), &gaps))
        return ExitUsage;
    int maxTrees = 100;
    if (!TakeOption(ReadWholeOption(args, QStringLiteral("--max-trees"), 1, 100000, maxTrees),
                    &maxTrees))
        return ExitUsage;
    const QString out = args.Value(QStringLiteral("-o"));
    if (!OutputsAreWritable(args.Positional(), {out})) return ExitFailure;
    const bool missing = !args.Has(QStringLiteral("--no-missing"));

    TResult<TMatrixData> loaded = LoadDataFile(args.Positional().first());

    if (Failed(loaded)) return ExitFailure;

    const TMatrixData& data = *loaded;
    if (data.ObjectCount < 2) {
        WriteStderr(QStringLiteral("The data need at least 2 objects."));
        return ExitFailure;
    }
    std::optional<TCriteriaCoding> coding;
    int outgroup = 1;
    if (!CriteriaFor(args, data, chosen, gaps, coding, outgroup)) return ExitFailure;
    const TSField field = BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount);
    const TPackedField packed(field, data.ObjectCount, data.CharacterCount);
    std::optional<TCriteriaScoringData> criteria;
    std::unique_ptr<TThoroughScoring> scorer;
    if (coding) {
        criteria.emplace(*coding, missing, std::vector<int>());
        scorer = CriteriaScoringMaker(*criteria)();
    } else {
        scorer = std::make_unique<TThoroughScorer>(packed, missing);
    }
    // Without irreversible characters one rooting per tree, at the outgroup.
    TTreePool pool(maxTrees, coding && coding->CaminSokalCharacters.empty() ? outgroup - 1 : -1);
    int read = 0;
    for (qsizetype k = 1; k < args.Positional().size(); ++k) {
        const QString path = args.Positional().at(k);
        const TTreeFile trees = ReadTreeFile(path, MaxNewickBytes);
        if (!trees) {
            WriteStderr(trees.Unreadable ? trees.Error()
                                         : QStringLiteral("%1: %2").arg(path, trees.Error()));
            return ExitFailure;
        }
        for (size_t i = 0; i < trees->Trees.size(); ++i) {
            const TResult<TCompactTree> tree =
                CompactFromNewick(trees->Trees[i], field.Names, data.ObjectCount);
            if (!tree) {
                WriteStderr(
                    QStringLiteral("%1, tree %2: %3").arg(path).arg(i + 1).arg(tree.Error()));
                return ExitFailure;
            }
            scorer->Load(*tree);
            pool.Offer(*tree, scorer->Length(), 0, 0);
            ++read;
        }
    }
    if (read == 0) {
        WriteStderr(QStringLiteral("The files hold no tree."));
        return ExitFailure;
    }
    const QStringList lines =
        coding ? CriteriaNewickLines(pool.Trees(), *coding)
               : NewickLines(pool.Trees(), field, data.ObjectCount, data.CharacterCount, missing);
    const QStringList summary{QStringLiteral("Trees read = %1").arg(read),
                              QStringLiteral("Optimum = Minimum = %1").arg(pool.Length()),
                              QStringLiteral("Trees = %1").arg(pool.Trees().size())};
    if (out.isEmpty()) {
        WriteStdoutLines(lines);
        for (const QString& line : summary) WriteStderr(line);
        return ExitOk;
    }
    if (!Save(out, lines)) return ExitFailure;
    WriteStdoutLines(summary);
    return ExitOk;
}
}  // namespace

void RegisterSearchCommands(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("search"), SearchUsage,
         QStringLiteral(
             "thorough search: addition sequence, TBR and ratchet replicates on every core"),
         RunSearch});
    commands.push_back(
        {QStringLiteral("merge"), MergeUsage,
         QStringLiteral(
             "score the trees of several runs on the data and keep the distinct shortest"),
         RunMerge});
}
