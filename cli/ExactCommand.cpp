// varno-batch exact: every shortest rooted tree by branch and bound, with
// proof of optimality or, when stopped, a proved lower bound.
#include <cmath>
#include <limits>
#include <memory>
#include <optional>

#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/CharacterType.h"
#include "data/ImportSource.h"
#include "data/NumberFormat.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "data/Workbook.h"
#include "parsimony/exact/ExactJob.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/thorough/ThoroughSearch.h"
#include "parsimony/thorough/ThoroughTree.h"
#include "parsimony/treefiles/Newick.h"

namespace {
const QString ExactUsage = QStringLiteral(
    "exact FILE [--no-missing] [--time-limit SECONDS] [--max-trees K] [--threads T] [--newick OUT] "
    "[--progress] [--criterion C] [--outgroup NAME] [--gap missing|state]");

int RunExact(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs,
        {QStringLiteral("--time-limit"), QStringLiteral("--max-trees"), QStringLiteral("--threads"),
         QStringLiteral("--newick"), QStringLiteral("--criterion"), QStringLiteral("--outgroup"),
         QStringLiteral("--gap")},
        {QStringLiteral("--no-missing"), QStringLiteral("--progress")});
    if (!ArgsFit(parsed, ExactUsage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    std::optional<TCriterion> chosen;
    TGapReading gaps = TGapReading::Missing;
    if (!TakeOption(ReadCriterionOption(args), &chosen) ||
        !TakeOption(ReadGapOption(args, args.Positional().first()), &gaps))
        return ExitUsage;
    TExactSettings settings;
    settings.MissingData = !args.Has(QStringLiteral("--no-missing"));
    // At most as many threads as the window allows; 0, the default, is every core.
    if (!TakeOption(ReadWholeOption(args, QStringLiteral("--max-trees"), 0,
                                    std::numeric_limits<int>::max(), settings.MaxTrees),
                    &settings.MaxTrees) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--threads"), 0, MaxThoroughThreads,
                                    settings.Threads),
                    &settings.Threads) ||
        !TakeOption(ReadSecondsOption(args, QStringLiteral("--time-limit"), std::nullopt),
                    &settings.TimeLimitSeconds))
        return ExitUsage;
    // Refused before the run, which may take hours.
    const QString newickPath = args.Value(QStringLiteral("--newick"));
    if (!OutputsAreWritable(args.Positional(), {newickPath})) return ExitFailure;

    TResult<TMatrixData> loaded = LoadDataFile(args.Positional().first());

    if (Failed(loaded)) return ExitFailure;

    const TMatrixData& data = *loaded;
    // A NEXUS file's types or the chosen criterion; Camin-Sokal alone runs
    // as it always did.
    std::optional<TCriteriaCoding> coding;
    int outgroup = 1;
    if (chosen || data.Criteria.Given() || args.Has(QStringLiteral("--outgroup"))) {
        TResult<std::optional<TCriteriaCoding>> coded = SearchCriteria(data, chosen, gaps);
        if (Failed(coded)) return ExitFailure;
        const TPart names = data.DataMatrix.empty() ? TPart() : data.DataMatrix.front();
        if (!TakeOption(ReadOutgroupOption(args, names, data.ObjectCount), &outgroup))
            return ExitFailure;
        if (*coded)
            coding = std::move(**coded);
        else if (args.Has(QStringLiteral("--outgroup")))
            WriteStderr(
                QStringLiteral("Note: every character is irreversible, so the root is "
                               "the search's own; --outgroup is not used."));
    }
    if (const TStatus valid = ValidateExactSearch(data.ObjectCount, settings); !valid) {
        WriteStderr(data.ObjectCount > ExactMaxObjects
                        ? valid.Error() + QStringLiteral(" The search command takes more.")
                        : valid.Error());
        return ExitFailure;
    }
    if (const QString warning = ExactSearchWarning(data.ObjectCount); !warning.isEmpty())
        WriteStderr(warning);
    std::unique_ptr<TExactJob> made =
        coding ? std::make_unique<TExactJob>(std::move(*coding), data.ObjectCount,
                                             data.CharacterCount, settings, outgroup)
               : std::make_unique<TExactJob>(
                     BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount),
                     data.ObjectCount, data.CharacterCount, settings);
    TExactJob& job = *made;
    const TSField& field = job.Field();
    const TCriteriaCoding* criteria = job.Criteria();
    // Under the criteria the notes read every character's cells, not only
    // the irreversible ones.
    const TSField allCells =
        criteria ? BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount)
                 : TSField();
    for (const QString& note :
         ExactInputNotes(criteria ? allCells : field, data.ObjectCount, data.CharacterCount))
        WriteStderr(note);

    std::function<void(const TExactProgress&)> progress;
    if (args.Has(QStringLiteral("--progress")))
        progress = [](const TExactProgress& p) {
            WriteStderr(QStringLiteral("%1 trees examined, shortest %2, about %3% done, %4 s")
                            .arg(p.Nodes)
                            .arg(p.Best)
                            .arg(FormatShortest(std::floor(p.Done * 1000) / 10, QLatin1Char('.')))
                            .arg(FormatShortest(std::round(p.Seconds), QLatin1Char('.'))));
        };
    job.Observe(progress);
    job.Run();
    const TExactOutcome& outcome = job.Outcome();
    if (!outcome.CanStart) {
        WriteStderr(outcome.CanStart.Error());
        return ExitFailure;
    }
    const TExactResult& r = outcome.Result;

    // Every tree written scores the reported length, counted afresh by the
    // evolutionary search's scorer (not the exact search's own kernels), or
    // under the criteria by the literal coding's scorer. Under the
    // reversible criteria without branch lengths: a branch's changes are
    // ambiguous there.
    QStringList newick;
    std::optional<TCriteriaScorer> criteriaScorer;
    if (criteria) criteriaScorer.emplace(*criteria);
    for (const TTree& found : r.Trees) {
        TTree tree = found;
        double length = 0;
        if (criteriaScorer) {
            length = criteriaScorer->Length(tree, settings.MissingData);
        } else {
            EvaluateTree(tree, field, settings.MissingData);
            length = tree.Fitness;
        }
        if (length != static_cast<double>(r.Optimum)) {
            WriteStderr(
                QStringLiteral("Internal error: a tree of the exact search has length %1, not %2.")
                    .arg(length)
                    .arg(r.Optimum));
            return ExitFailure;
        }
        newick << (criteria ? WriteCompactNewick(CompactFromTree(found), field.Names)
                            : WriteNewick(tree, field.Names));
    }
    if (!newickPath.isEmpty()) {
        if (TStatus saved = SaveTextFile(newickPath, EncodeTextLines(newick)); !saved) {
            WriteStderr(saved.Error());
            return ExitFailure;
        }
    }

    QStringList out = CharacterTypeExplanation(TCharacterType::Matroschka, true);
    out << QString() << QStringLiteral("Character type modulation successful") << QString()
        << (criteria ? QStringLiteral("Parsimony under each character's criterion was chosen")
                     : QStringLiteral("Camin Sokal parsimony was chosen"))
        << outcome.Report;
    WriteStdoutLines(out);
    return ExitOk;
}
}  // namespace

void RegisterExactCommand(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("exact"), ExactUsage,
         QStringLiteral("find every shortest rooted tree by branch and bound and prove the optimum "
                        "(or, when stopped, a lower bound)"),
         RunExact});
}
