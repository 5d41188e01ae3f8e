#include "parsimony/forms/ThoroughPanel.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QThread>

#include "data/NumberFormat.h"
#include "data/UiServices.h"
#include "parsimony/evolutionary/FoundTrees.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/forms/FormHelpers.h"
#include "parsimony/summaries/BigTreeResults.h"
#include "parsimony/thorough/ThoroughJob.h"
#include "parsimony/thorough/ThoroughRows.h"

TThoroughPanel::TThoroughPanel(TFormContext& context, QWidget* parent)
    : TSearchPanel(context, parent)
{
    setObjectName(QStringLiteral("ThoroughBox"));
    const QString cores = QString::number(std::max(1, QThread::idealThreadCount()));
    EdTimeLimit = AddSetting(QStringLiteral("EdTimeLimit"), QStringLiteral("Time limit (s)"),
                             QStringLiteral("60"));
    EdReplicates = AddSetting(QStringLiteral("EdReplicates"), QStringLiteral("Replicates"),
                              QStringLiteral("1000"));
    EdThreads = AddSetting(QStringLiteral("EdThreads"), QStringLiteral("Threads"), cores);
    CbStrategy = new QComboBox(this);
    CbStrategy->setObjectName(QStringLiteral("CbStrategy"));
    CbStrategy->addItems(
        {QStringLiteral("Ratchet"), QStringLiteral("Driven (sectors, drift, fusing)")});
    AddRow(QStringLiteral("Strategy"), CbStrategy);
    Choice = new TCriterionChoice(QStringLiteral("CbCriterion"), QStringLiteral("CbOutgroup"), this,
                                  QStringLiteral("CbGaps"));
    AddRow(QStringLiteral("Criterion"), Choice->Criterion());
    AddRow(QStringLiteral("Outgroup"), Choice->OutgroupBox());
    AddRow(QStringLiteral("Gaps"), Choice->GapBox());
}

void TThoroughPanel::Refresh()
{
    Choice->Refresh(Ctx.Model.Criteria, Ctx.Model.DataMatrix, Ctx.Model.ObjectCount);
}

std::unique_ptr<TSearchJob> TThoroughPanel::MakeJob(bool missingData, std::uint64_t seed)
{
    TThoroughSettings settings;
    bool ok = false;
    const double seconds = EdTimeLimit->text().trimmed().toDouble(&ok);
    if (!ok || !(seconds > 0)) {
        Ctx.Ui.ShowError(
            this,
            QStringLiteral("The time limit must be a number of seconds greater than 0, not '%1'.")
                .arg(EdTimeLimit->text()));
        return nullptr;
    }
    int threads = 0;
    const TResult<int> replicatesRead = ReadIntegerText(EdReplicates->text());
    if (!replicatesRead) {
        Ctx.Ui.ShowError(this, replicatesRead.Error());
        return nullptr;
    }
    const int replicates = *replicatesRead;
    if (!ReadThreadCount(EdThreads->text(), &threads)) return nullptr;
    if (replicates < 1) {
        Ctx.Ui.ShowError(this, QStringLiteral("The number of replicates must be at least 1."));
        return nullptr;
    }
    // Past 255 objects the results window shows the compact trees themselves.
    if (!CodingCurrent()) return nullptr;
    Refresh();
    TResult<std::optional<TCriteriaCoding>> coding =
        SearchCriteria(Ctx.Model.Data(), Choice->Chosen(), Choice->Gaps());
    if (!coding) {
        Ctx.Ui.ShowError(this, coding.Error());
        return nullptr;
    }
    settings.TimeLimit = seconds;
    settings.Replicates = replicates;
    settings.Threads = threads;
    settings.MissingData = missingData;
    settings.Seed = seed;
    settings.Strategy =
        CbStrategy->currentIndex() == 1 ? TThoroughStrategy::Driven : TThoroughStrategy::Ratchet;
    RunField = Ctx.Model.CharField;
    RunCriteria.reset();
    std::unique_ptr<TThoroughJob> job;
    if (*coding) {
        RunCriteria = std::make_shared<const TCriteriaCoding>(std::move(**coding));
        job =
            std::make_unique<TThoroughJob>(*RunCriteria, Ctx.Model.ObjectCount,
                                           Ctx.Model.CharacterCount, settings, Choice->Outgroup());
    } else {
        job = std::make_unique<TThoroughJob>(Ctx.Model.CharField, Ctx.Model.ObjectCount,
                                             Ctx.Model.CharacterCount, settings);
    }
    if (const TStatus valid = job->CanStart(); !valid) {
        Ctx.Ui.ShowError(this, valid.Error());
        return nullptr;
    }
    return job;
}

void TThoroughPanel::Observe(TSearchJob& searchJob, const TSearchProgressView& view)
{
    auto& job = static_cast<TThoroughJob&>(searchJob);
    const TThoroughSettings& settings = job.Search().Settings();
    view.Seed->setText(QStringLiteral("Seed = %1").arg(settings.Seed));
    view.Bar1->setRange(0, settings.Replicates);
    view.Bar1->setValue(0);
    view.Bar2->setRange(0, static_cast<int>(settings.TimeLimit * 10));
    view.Bar2->setValue(0);
    SetStatusLabel(view.Status1, QStringLiteral("replicate 0 of %1").arg(settings.Replicates));
    SetStatusLabel(view.Status2, QStringLiteral("building the first tree"));
    job.Observe(
        [this, view](const TThoroughProgress& p) {
            QMetaObject::invokeMethod(
                this,
                [view, p] {
                    view.Bar1->setValue(std::min(p.Replicate, view.Bar1->maximum()));
                    view.Bar2->setValue(
                        std::min(static_cast<int>(p.Elapsed * 10), view.Bar2->maximum()));
                    QString where =
                        QStringLiteral("replicate %1 of %2").arg(p.Replicate).arg(p.Replicates);
                    // Sectors, drift or fusing (the replicate count says the rest).
                    if (!p.Phase.isEmpty() && p.Phase != QLatin1String("replicates"))
                        where += QStringLiteral(", ") + p.Phase;
                    SetStatusLabel(view.Status1, where);
                    if (p.BestLength < 0) return;
                    QString best = QStringLiteral("best length %1").arg(p.BestLength);
                    if (p.Hits > 0) best += QStringLiteral(", hits %1").arg(p.Hits);
                    if (p.TreesKept > 0) best += QStringLiteral(", %1 trees kept").arg(p.TreesKept);
                    SetStatusLabel(view.Status2, best);
                },
                Qt::QueuedConnection);
        },
        0.5);
}

TFoundTrees TThoroughPanel::Found(const TSearchJob& searchJob) const
{
    const auto& job = static_cast<const TThoroughJob&>(searchJob);
    TFoundTrees found;
    if (job.Search().Results().empty()) {
        found.Nothing = QStringLiteral(
            "The run was stopped before the first tree was complete; there are no trees to show.");
        return found;
    }
    found.Rows = ThoroughListRows(job.Search(), LocaleDecimalSeparator());
    if (Ctx.Model.ObjectCount > MaxParsimonyObjects) {
        found.Big = BigResultsOfSearch(job.Search(), RunField, RunCriteria);
    } else if (job.Search().Criteria()) {
        // The trees over every character, scored under the criteria they were found under.
        std::vector<TTree> trees;
        for (const TThoroughResult& r : job.Search().Results())
            trees.push_back(TreeFromCompact(r.Tree));
        const TThoroughSettings& settings = job.Search().Settings();
        found.Population =
            FoundTreesPopulation(trees, RunField, Ctx.Model.ObjectCount, RunField.Places.Count(),
                                 settings.MissingData, settings.Seed);
        found.Population->UseCriteria(RunCriteria);
    } else {
        found.Population = job.Population();
    }
    found.Optimum = static_cast<double>(job.Search().BestLength());
    found.WidestHow = ThoroughHowTexts(job.Search().Settings());
    found.Protocol = job.Outcome().Protocol;
    return found;
}
