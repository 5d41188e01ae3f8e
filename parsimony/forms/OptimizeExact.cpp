// The parsimony window's exact search: its settings, the warning and the
// refusal for many objects, its job (on the job's own thread) with progress, and
// every shortest tree it kept handed to the tree results window.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <cmath>

#include "data/NumberFormat.h"
#include "data/UiServices.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/exact/ExactJob.h"
#include "parsimony/exact/ExactRows.h"
#include "parsimony/forms/OptimizeForm.h"

namespace {
// The progress bar of the share done counts in tenths of a percent.
constexpr int DoneSteps = 1000;

QString ExactProgressText(const TExactProgress& p)
{
    return QStringLiteral("about %1 % done, %2 s")
        .arg(FormatShortest(std::floor(p.Done * 1000) / 10, LocaleDecimalSeparator()))
        .arg(static_cast<long long>(std::round(p.Seconds)));
}
}  // namespace

void TFrmOptimize::StartExact()
{
    TExactSettings settings;
    const QString limitText = EdExactTimeLimit->text().trimmed();
    if (!limitText.isEmpty()) {
        bool ok = false;
        const double seconds = limitText.toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || !(seconds > 0)) {
            Ctx.Ui.ShowError(this, QStringLiteral("The time limit must be a number of seconds "
                                                  "greater than 0 (or empty for none), not '%1'.")
                                       .arg(EdExactTimeLimit->text()));
            return;
        }
        settings.TimeLimitSeconds = seconds;
    }
    const TResult<int> maxTrees = ReadIntegerText(EdMaxTrees->text());
    if (!maxTrees) {
        Ctx.Ui.ShowError(this, maxTrees.Error());
        return;
    }
    settings.MaxTrees = *maxTrees;
    if (settings.MaxTrees < 1) {
        Ctx.Ui.ShowError(this, QStringLiteral("The number of trees to keep must be at least 1."));
        return;
    }
    if (!ReadThreadCount(EdExactThreads->text(), &settings.Threads)) return;
    settings.MissingData = CheckBox1->isChecked();
    // Nothing is copied before the settings are known to be fine.
    if (const TStatus valid = ValidateExactSearch(Ctx.Model.ObjectCount, settings); !valid) {
        Ctx.Ui.ShowError(this, valid.Error());
        return;
    }
    if (!DataFitResultsWindow(QStringLiteral("exact"))) return;
    auto job = std::make_unique<TExactJob>(Ctx.Model.CharField, Ctx.Model.ObjectCount,
                                           Ctx.Model.CharacterCount, settings);
    if (const QString warning = job->Warning(); !warning.isEmpty())
        Ctx.Ui.ShowInformation(this, warning);
    Exact = std::move(job);
    LabelSeed->setText(QString());
    emit ResultsCleared();
    ProgressBar1->setRange(0, DoneSteps);
    ProgressBar1->setValue(0);
    // Without a time limit the second bar only shows that the run goes on.
    const int tenths = settings.TimeLimitSeconds
                           ? static_cast<int>(std::min(*settings.TimeLimitSeconds * 10, 1e9))
                           : 0;
    ProgressBar2->setRange(0, std::max(tenths, 0));
    ProgressBar2->setValue(0);
    SetStatusLabel(Label4, QStringLiteral("about 0 % done"));
    SetStatusLabel(Label3, QStringLiteral("finding an upper bound"));

    TExactJob::TCallbacks callbacks;
    callbacks.Progress = [this](const TExactProgress& p) {
        QMetaObject::invokeMethod(
            this,
            [this, p] {
                ProgressBar1->setValue(
                    std::clamp(static_cast<int>(p.Done * DoneSteps), 0, DoneSteps));
                if (ProgressBar2->maximum() > 0)
                    ProgressBar2->setValue(
                        std::min(static_cast<int>(p.Seconds * 10), ProgressBar2->maximum()));
                SetStatusLabel(Label4, ExactProgressText(p));
                SetStatusLabel(
                    Label3,
                    QStringLiteral("shortest %1, %2 trees examined").arg(p.Best).arg(p.Nodes));
            },
            Qt::QueuedConnection);
    };
    callbacks.Finished = [this] {
        QMetaObject::invokeMethod(
            this, [this] { ExactEnded(); }, Qt::QueuedConnection);
    };
    SetRunning(true);
    Exact->Start(std::move(callbacks));
}

void TFrmOptimize::ExactEnded()
{
    // Everything the job posted before it ended has been handled by now.
    const std::unique_ptr<TExactJob> job = std::move(Exact);
    SetRunning(false);
    const TExactOutcome& outcome = job->Outcome();
    if (!outcome.Refusal || outcome.Result.Trees.empty()) {
        emit ResultsCleared();
        SetStatusLabel(Label4, QString());
        SetStatusLabel(Label3, QString());
        Ctx.Ui.ShowError(this, outcome.Refusal ? QStringLiteral("The exact search kept no tree.")
                                               : outcome.Refusal.Error());
        emit RunFinished();
        return;
    }
    const TExactResult& r = outcome.Result;
    const QChar separator = LocaleDecimalSeparator();
    ShowFoundTrees(ExactListRows(r, separator), job->Population(), static_cast<double>(r.Optimum),
                   QStringLiteral("branch and bound, not proved"), outcome.Protocol);
}
