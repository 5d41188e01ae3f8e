// Batch commands of the analyses jobs: each writes what the result window's
// "Save" writes, and the job's protocol lines to stderr.
#include "analyses/AnalysisJobs.h"
#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/CharacterType.h"
#include "data/DataDocument.h"
#include "data/ImportSource.h"
#include "data/NumberFormat.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "data/Workbook.h"

namespace {
void WriteLines(const QStringList& lines)
{
    for (const QString& line : lines) WriteStderr(line);
}

int RunJob(const QStringList& rawArgs, TAnalysisJob job, const QString& usage, bool withType)
{
    const TResult<TBatchArgs> parsed =
        TBatchArgs::Read(rawArgs, withType ? QStringList{"-o", "--type"} : QStringList{"-o"}, {});
    if (!ArgsFit(parsed, usage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    const TCharacterType types[] = {TCharacterType::Standard, TCharacterType::Matroschka,
                                    TCharacterType::Tree};
    int type = 1;  // what the program's type selection holds
    if (withType &&
        !TakeOption(
            ReadChoiceOption(args, QStringLiteral("--type"), QStringLiteral("character type"),
                             {"standard", "matroschka", "tree"}, QStringLiteral("matroschka")),
            &type))
        return ExitUsage;

    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("-o"))})) return ExitFailure;
    TDataDocument document;
    if (const TStatus loaded = LoadDocument(args.Positional().first(), document); !loaded) {
        WriteStderr(loaded.Error());
        return ExitFailure;
    }
    TModel& model = document.Model;
    if (job == TAnalysisJob::DistanceMatrix) {
        model.CharacterType = types[type];
        WriteLines(CharacterTypeExplanation(model.CharacterType, true));
    }
    CodeForJob(model, job);
    WriteLines(StateLimitLines(model.CharField));
    WriteLines(CodingProtocolLines(job));
    ComputeJob(model, job);
    TResultGrid grid;
    ShowJobResult(grid, model, job, LocaleDecimalSeparator());
    if (!WriteOutput(args.Value(QStringLiteral("-o")), EncodeTextTable(grid.Rows())))
        return ExitFailure;
    WriteLines(ResultProtocolLines(job));
    return ExitOk;
}

void Add(TBatchCommands& commands, const QString& name, const QString& usage,
         const QString& summary, TAnalysisJob job, bool withType)
{
    commands.push_back({name, usage, summary, [=](const QStringList& args) {
                            return RunJob(args, job, usage, withType);
                        }});
}
}  // namespace

void RegisterAnalysesCommands(TBatchCommands& commands)
{
    Add(commands, QStringLiteral("distance"),
        QStringLiteral("distance FILE [--type standard|matroschka|tree] [-o OUT]"),
        QStringLiteral(
            "distance matrix of the objects (default type matroschka, as the program runs)"),
        TAnalysisJob::DistanceMatrix, true);
    Add(commands, QStringLiteral("cramer"), QStringLiteral("cramer FILE [-o OUT]"),
        QStringLiteral("Cramer contingency index of every pair of characters"),
        TAnalysisJob::Cramer, false);
    Add(commands, QStringLiteral("combinations"), QStringLiteral("combinations FILE [-o OUT]"),
        QStringLiteral("state combinations of every pair of characters: actual / potential"),
        TAnalysisJob::StateCombinations, false);
    Add(commands, QStringLiteral("compatibility"), QStringLiteral("compatibility FILE [-o OUT]"),
        QStringLiteral("pairwise compatibility of characters"), TAnalysisJob::PairwiseCompatibility,
        false);
}
