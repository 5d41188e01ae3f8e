#include "parsimony/forms/ExactPanel.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QThread>
#include <cmath>

#include "data/NumberFormat.h"
#include "data/UiServices.h"
#include "parsimony/evolutionary/FoundTrees.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/exact/ExactJob.h"
#include "parsimony/exact/ExactRows.h"
#include "parsimony/forms/FormHelpers.h"

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

TExactPanel::TExactPanel(TFormContext& context, QWidget* parent) : TSearchPanel(context, parent)
{
    setObjectName(QStringLiteral("ExactBox"));
    const QString cores = QString::number(std::max(1, QThread::idealThreadCount()));
    EdExactTimeLimit = AddSetting(QStringLiteral("EdExactTimeLimit"),
                                  QStringLiteral("Time limit (s)"), QStringLiteral("600"));
    EdExactTimeLimit->setPlaceholderText(QStringLiteral("no limit"));
    EdMaxTrees = AddSetting(QStringLiteral("EdMaxTrees"), QStringLiteral("Max. trees"),
                            QStringLiteral("1000"));
    EdExactThreads = AddSetting(QStringLiteral("EdExactThreads"), QStringLiteral("Threads"), cores);
    Choice =
        new TCriterionChoice(QStringLiteral("CbExactCriterion"), QStringLiteral("CbExactOutgroup"),
                             this, QStringLiteral("CbExactGaps"));
    AddRow(QStringLiteral("Criterion"), Choice->Criterion());
    AddRow(QStringLiteral("Outgroup"), Choice->OutgroupBox());
    AddRow(QStringLiteral("Gaps"), Choice->GapBox());
}

void TExactPanel::Refresh()
{
    Choice->Refresh(Ctx.Model.Criteria, Ctx.Model.DataMatrix, Ctx.Model.ObjectCount);
}

std::unique_ptr<TSearchJob> TExactPanel::MakeJob(bool missingData, std::uint64_t)
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
            return nullptr;
        }
        settings.TimeLimitSeconds = seconds;
    }
    const TResult<int> maxTrees = ReadIntegerText(EdMaxTrees->text());
    if (!maxTrees) {
        Ctx.Ui.ShowError(this, maxTrees.Error());
        return nullptr;
    }
    settings.MaxTrees = *maxTrees;
    if (settings.MaxTrees < 1) {
        Ctx.Ui.ShowError(this, QStringLiteral("The number of trees to keep must be at least 1."));
        return nullptr;
    }
    if (!ReadThreadCount(EdExactThreads->text(), &settings.Threads)) return nullptr;
    settings.MissingData = missingData;
    // Nothing is copied before the settings are known to be fine.
    if (const TStatus valid = ValidateExactSearch(Ctx.Model.ObjectCount, settings); !valid) {
        // Too many objects: say which search of this window takes them.
        Ctx.Ui.ShowError(this, Ctx.Model.ObjectCount > ExactMaxObjects
                                   ? valid.Error() + QStringLiteral(" Choose the search "
                                                                    "\"Thorough (TBR + ratchet)\".")
                                   : valid.Error());
        return nullptr;
    }
    if (!DataFitResultsWindow(QStringLiteral("exact"))) return nullptr;
    Refresh();
    TResult<std::optional<TCriteriaCoding>> coding =
        SearchCriteria(Ctx.Model.Data(), Choice->Chosen(), Choice->Gaps());
    if (!coding) {
        Ctx.Ui.ShowError(this, coding.Error());
        return nullptr;
    }
    RunField = Ctx.Model.CharField;
    RunCriteria.reset();
    std::unique_ptr<TExactJob> job;
    if (*coding) {
        RunCriteria = std::make_shared<const TCriteriaCoding>(std::move(**coding));
        job = std::make_unique<TExactJob>(*RunCriteria, Ctx.Model.ObjectCount,
                                          Ctx.Model.CharacterCount, settings, Choice->Outgroup());
    } else {
        job = std::make_unique<TExactJob>(Ctx.Model.CharField, Ctx.Model.ObjectCount,
                                          Ctx.Model.CharacterCount, settings);
    }
    if (const QString warning = job->Warning(); !warning.isEmpty())
        Ctx.Ui.ShowInformation(this, warning);
    return job;
}

void TExactPanel::Observe(TSearchJob& searchJob, const TSearchProgressView& view)
{
    auto& job = static_cast<TExactJob&>(searchJob);
    const TExactSettings& settings = job.Settings();
    view.Seed->setText(QString());
    view.Bar1->setRange(0, DoneSteps);
    view.Bar1->setValue(0);
    // Without a time limit the second bar only shows that the run goes on.
    const int tenths = settings.TimeLimitSeconds
                           ? static_cast<int>(std::min(*settings.TimeLimitSeconds * 10, 1e9))
                           : 0;
    view.Bar2->setRange(0, std::max(tenths, 0));
    view.Bar2->setValue(0);
    SetStatusLabel(view.Status1, QStringLiteral("about 0 % done"));
    SetStatusLabel(view.Status2, QStringLiteral("finding an upper bound"));
    job.Observe([this, view](const TExactProgress& p) {
        QMetaObject::invokeMethod(
            this,
            [view, p] {
                view.Bar1->setValue(std::clamp(static_cast<int>(p.Done * DoneSteps), 0, DoneSteps));
                if (view.Bar2->maximum() > 0)
                    view.Bar2->setValue(
                        std::min(static_cast<int>(p.Seconds * 10), view.Bar2->maximum()));
                SetStatusLabel(view.Status1, ExactProgressText(p));
                SetStatusLabel(
                    view.Status2,
                    QStringLiteral("shortest %1, %2 trees examined").arg(p.Best).arg(p.Nodes));
            },
            Qt::QueuedConnection);
    });
}

TFoundTrees TExactPanel::Found(const TSearchJob& searchJob) const
{
    const auto& job = static_cast<const TExactJob&>(searchJob);
    const TExactOutcome& outcome = job.Outcome();
    TFoundTrees found;
    if (!outcome.CanStart || outcome.Result.Trees.empty()) {
        found.Nothing = outcome.CanStart ? QStringLiteral("The exact search kept no tree.")
                                         : outcome.CanStart.Error();
        found.NothingIsError = true;
        return found;
    }
    const TExactResult& r = outcome.Result;
    found.Rows = ExactListRows(r, LocaleDecimalSeparator());
    if (job.Criteria()) {
        // The trees over every character, scored under the criteria they were found under.
        found.Population =
            FoundTreesPopulation(r.Trees, RunField, Ctx.Model.ObjectCount, RunField.Places.Count(),
                                 job.Settings().MissingData, 0);
        found.Population->UseCriteria(RunCriteria);
    } else {
        found.Population = job.Population();
    }
    found.Optimum = static_cast<double>(r.Optimum);
    found.WidestHow = {QStringLiteral("branch and bound, not proved")};
    found.Protocol = outcome.Protocol;
    return found;
}
