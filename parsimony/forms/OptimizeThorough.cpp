// The parsimony window's thorough search: its settings, its job (on the job's
// own thread) with progress, and its shortest trees handed to the tree results
// window like a population of the evolutionary search. Also what the exact
// search shares with it: reading the threads, the checks of the data and the
// results.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "data/NumberFormat.h"
#include "data/UiServices.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/UpDownEdit.h"
#include "parsimony/thorough/ThoroughJob.h"
#include "parsimony/thorough/ThoroughRows.h"

TFrmOptimize::TSearchKind TFrmOptimize::SearchKind() const
{
    switch (CbKind->currentIndex()) {
        case static_cast<int>(TSearchKind::Thorough):
            return TSearchKind::Thorough;
        case static_cast<int>(TSearchKind::Exact):
            return TSearchKind::Exact;
        default:
            return TSearchKind::Evolutionary;
    }
}

void TFrmOptimize::SetSearchKind(TSearchKind kind)
{
    CbKind->setCurrentIndex(static_cast<int>(kind));
}

void TFrmOptimize::KindChanged()
{
    const TSearchKind kind = SearchKind();
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Edit1),
                       static_cast<QWidget*>(Label2), static_cast<QWidget*>(Edit2)})
        w->setVisible(kind == TSearchKind::Evolutionary);
    ThoroughBox->setVisible(kind == TSearchKind::Thorough);
    ExactBox->setVisible(kind == TSearchKind::Exact);
}

bool TFrmOptimize::ReadThreadCount(const QString& text, int* threads)
{
    const TResult<int> read = ReadIntegerText(text);
    if (!read) {
        Ctx.Ui.ShowError(this, read.Error());
        return false;
    }
    *threads = *read;
    if (*threads < 1 || *threads > MaxThoroughThreads) {
        Ctx.Ui.ShowError(
            this, QStringLiteral("The number of threads must be 1 to %1.").arg(MaxThoroughThreads));
        return false;
    }
    return true;
}

bool TFrmOptimize::DataFitResultsWindow(const QString& batchCommand)
{
    if (Ctx.Model.ObjectCount > MaxParsimonyObjects) {
        Ctx.Ui.ShowError(
            this, QStringLiteral("The tree results window shows trees of at most %1 objects; the "
                                 "data have %2. Run the %3 search with varno-batch %4.")
                      .arg(MaxParsimonyObjects)
                      .arg(Ctx.Model.ObjectCount)
                      .arg(batchCommand == QLatin1String("search") ? QStringLiteral("thorough")
                                                                   : batchCommand,
                           batchCommand));
        return false;
    }
    if (!CodingFitsData(Ctx.Model)) {
        Ctx.Ui.ShowError(this, CodingOutdated);
        return false;
    }
    return true;
}

void TFrmOptimize::ShowFoundTrees(const std::vector<QStringList>& rows,
                                  std::shared_ptr<TParsimonySearch> population, double optimum,
                                  const QString& widestHow, const QStringList& protocol)
{
    const QChar separator = LocaleDecimalSeparator();
    emit ListFilled(rows);
    // The list's last column says how a tree was found: room for it.
    emit ListColumnsFitted(rows.front().front(), widestHow);
    emit PopulationFound(std::move(population), OptimumText(optimum, separator));
    Ctx.WriteProtocol(protocol);
    hide();
    emit RunFinished();
}

void TFrmOptimize::StartThorough()
{
    TThoroughSettings settings;
    bool ok = false;
    const double seconds = EdTimeLimit->text().trimmed().toDouble(&ok);
    if (!ok || !(seconds > 0)) {
        Ctx.Ui.ShowError(
            this,
            QStringLiteral("The time limit must be a number of seconds greater than 0, not '%1'.")
                .arg(EdTimeLimit->text()));
        return;
    }
    int threads = 0;
    const TResult<int> replicatesRead = ReadIntegerText(EdReplicates->text());
    if (!replicatesRead) {
        Ctx.Ui.ShowError(this, replicatesRead.Error());
        return;
    }
    const int replicates = *replicatesRead;
    if (!ReadThreadCount(EdThreads->text(), &threads)) return;
    if (replicates < 1) {
        Ctx.Ui.ShowError(this, QStringLiteral("The number of replicates must be at least 1."));
        return;
    }
    if (!DataFitResultsWindow(QStringLiteral("search"))) return;
    settings.TimeLimit = seconds;
    settings.Replicates = replicates;
    settings.Threads = threads;
    settings.MissingData = CheckBox1->isChecked();
    settings.Seed = FixedSeed ? *FixedSeed : ClockSeed();
    auto job = std::make_unique<TThoroughJob>(Ctx.Model.CharField, Ctx.Model.ObjectCount,
                                              Ctx.Model.CharacterCount, settings);
    if (const TStatus valid = job->Refusal(); !valid) {
        Ctx.Ui.ShowError(this, valid.Error());
        return;
    }
    Thorough = std::move(job);
    LabelSeed->setText(QStringLiteral("Seed = %1").arg(settings.Seed));
    emit ResultsCleared();
    ProgressBar1->setRange(0, replicates);
    ProgressBar1->setValue(0);
    ProgressBar2->setRange(0, static_cast<int>(seconds * 10));
    ProgressBar2->setValue(0);
    SetStatusLabel(Label4, QStringLiteral("replicate 0 of %1").arg(replicates));
    SetStatusLabel(Label3, QStringLiteral("building the first tree"));

    TThoroughJob::TCallbacks callbacks;
    callbacks.Interval = 0.5;
    callbacks.Progress = [this](const TThoroughProgress& p) {
        QMetaObject::invokeMethod(
            this,
            [this, p] {
                ProgressBar1->setValue(std::min(p.Replicate, ProgressBar1->maximum()));
                ProgressBar2->setValue(
                    std::min(static_cast<int>(p.Elapsed * 10), ProgressBar2->maximum()));
                SetStatusLabel(
                    Label4,
                    QStringLiteral("replicate %1 of %2").arg(p.Replicate).arg(p.Replicates));
                if (p.BestLength < 0) return;
                QString best = QStringLiteral("best length %1").arg(p.BestLength);
                if (p.TreesKept > 0) best += QStringLiteral(", %1 trees kept").arg(p.TreesKept);
                SetStatusLabel(Label3, best);
            },
            Qt::QueuedConnection);
    };
    callbacks.Finished = [this] {
        QMetaObject::invokeMethod(
            this, [this] { ThoroughEnded(); }, Qt::QueuedConnection);
    };
    SetRunning(true);
    Thorough->Start(std::move(callbacks));
}

void TFrmOptimize::ThoroughEnded()
{
    // Everything the job posted before it ended has been handled by now.
    const std::unique_ptr<TThoroughJob> job = std::move(Thorough);
    SetRunning(false);
    if (job->Search().Results().empty()) {
        emit ResultsCleared();
        SetStatusLabel(Label4, QString());
        SetStatusLabel(Label3, QString());
        Ctx.Ui.ShowInformation(
            this, QStringLiteral("The run was stopped before the first tree was complete; "
                                 "there are no trees to show."));
        emit RunFinished();
        return;
    }
    const QChar separator = LocaleDecimalSeparator();
    ShowFoundTrees(ThoroughListRows(job->Search(), separator), job->Population(),
                   static_cast<double>(job->Search().BestLength()),
                   QStringLiteral("replicate 999, ratchet 99"), job->Outcome().Protocol);
}
