// varno-batch exact: every shortest rooted tree by branch and bound, with
// proof of optimality or, when stopped, a proved lower bound.
#include <cmath>

#include "cli/BatchCommand.h"
#include "data/CharacterType.h"
#include "data/ImportSource.h"
#include "data/NumberFormat.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "data/Workbook.h"
#include "parsimony/ExactSearch.h"
#include "parsimony/Newick.h"

namespace {
const QString ExactUsage = QStringLiteral(
    "exact FILE [--no-missing] [--time-limit SECONDS] [--max-trees K] [--threads T] [--newick OUT] "
    "[--progress]");

bool ParseWhole(const TBatchArgs& args, const QString& option, int fallback, int* value)
{
    const QString text = args.Value(option, QString::number(fallback));
    bool ok = false;
    *value = text.toInt(&ok);
    if (ok && *value >= 0) return true;
    WriteStderr(QStringLiteral("The option %1 needs a whole number from 0 up, not \"%2\".")
                    .arg(option, text));
    return false;
}

int RunExact(const QStringList& rawArgs)
{
    const TBatchArgs args(rawArgs,
                          {QStringLiteral("--time-limit"), QStringLiteral("--max-trees"),
                           QStringLiteral("--threads"), QStringLiteral("--newick")},
                          {QStringLiteral("--no-missing"), QStringLiteral("--progress")});
    if (!args.Ok() || args.Positional().size() != 1) {
        WriteStderr(args.Ok() ? QStringLiteral("Usage: varno-batch ") + ExactUsage
                              : args.ErrorText());
        return ExitUsage;
    }
    TExactSettings settings;
    settings.MissingData = !args.Has(QStringLiteral("--no-missing"));
    if (!ParseWhole(args, QStringLiteral("--max-trees"), settings.MaxTrees, &settings.MaxTrees) ||
        !ParseWhole(args, QStringLiteral("--threads"), 0, &settings.Threads))
        return ExitUsage;
    if (args.Has(QStringLiteral("--time-limit"))) {
        const QString text = args.Value(QStringLiteral("--time-limit"));
        bool ok = false;
        const double seconds = text.toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0) {
            WriteStderr(QStringLiteral(
                            "The option --time-limit needs a number of seconds above 0, not \"%1\" "
                            "(leave it out for no limit).")
                            .arg(text));
            return ExitUsage;
        }
        settings.TimeLimitSeconds = seconds;
    }

    TMatrixData data;
    if (!LoadDataFile(args.Positional().first(), &data)) return ExitFailure;
    if (const QString refusal = ValidateExactSearch(data.ObjectCount, settings);
        !refusal.isEmpty()) {
        WriteStderr(refusal);
        return ExitFailure;
    }
    if (const QString warning = ExactSearchWarning(data.ObjectCount); !warning.isEmpty())
        WriteStderr(warning);
    const TSField field = BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount);
    for (const QString& note : ExactInputNotes(field, data.ObjectCount, data.CharacterCount))
        WriteStderr(note);

    TExactCallbacks callbacks;
    if (args.Has(QStringLiteral("--progress")))
        callbacks.Progress = [](const TExactProgress& p) {
            WriteStderr(QStringLiteral("%1 trees examined, shortest %2, about %3% done, %4 s")
                            .arg(p.Nodes)
                            .arg(p.Best)
                            .arg(FormatShortest(std::floor(p.Done * 1000) / 10, QLatin1Char('.')))
                            .arg(FormatShortest(std::round(p.Seconds), QLatin1Char('.'))));
        };
    TExactSearch search(field, data.ObjectCount, data.CharacterCount, settings);
    const TExactResult r = search.Run(callbacks);
    if (r.Status == TExactStatus::Refused) {
        WriteStderr(r.Error);
        return ExitFailure;
    }

    // Every tree written scores the reported length, counted afresh by the
    // evolutionary search's scorer (not the exact search's own kernels).
    QStringList newick;
    for (const TTree& found : r.Trees) {
        TTree tree = found;
        EvaluateTree(tree, field, settings.MissingData);
        if (tree.Fitness != static_cast<double>(r.Optimum)) {
            WriteStderr(
                QStringLiteral("Internal error: a tree of the exact search has length %1, not %2.")
                    .arg(tree.Fitness)
                    .arg(r.Optimum));
            return ExitFailure;
        }
        newick << WriteNewick(tree, field.Names);
    }
    const QString newickPath = args.Value(QStringLiteral("--newick"));
    if (!OutputsAreSafe(args.Positional(), {newickPath})) return ExitFailure;
    if (!newickPath.isEmpty()) {
        if (TStatus saved = SaveTextFile(newickPath, EncodeTextLines(newick)); !saved) {
            WriteStderr(saved.Error());
            return ExitFailure;
        }
    }

    QStringList out = CharacterTypeExplanation(ctMatroschka, true);
    out << QString() << QStringLiteral("Character type modulation successful") << QString()
        << QStringLiteral("Camin Sokal parsimony was chosen") << QString()
        << ExactRunLines(data.ObjectCount, settings) << ExactResultLines(r, settings);
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
