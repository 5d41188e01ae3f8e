#include "parsimony/forms/OptimizeForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <utility>

#include "data/NumberFormat.h"
#include "data/UiServices.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/evolutionary/EvolutionaryJob.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/forms/CriterionChoice.h"
#include "parsimony/forms/FormHelpers.h"
#include "parsimony/forms/SearchPanel.h"
#include "parsimony/forms/UpDownEdit.h"
#include "parsimony/summaries/BigTreeResults.h"

namespace {
// At most this often the generation bar is moved: a small data set runs
// many thousand generations a second.
constexpr qint64 ProgressIntervalMs = 40;
}  // namespace

TFrmOptimize::TFrmOptimize(TFormContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      Ctx(context)
{
    setWindowTitle(QStringLiteral("Camin - Sokal parsimony"));
    resize(481, 223);

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    Label1 = BoldLabel(QStringLiteral("Generations"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new TUpDownEdit(500, 5000, 100, QStringLiteral("1000"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2 = BoldLabel(QStringLiteral("No. of trees"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = new TUpDownEdit(5, 30, 5, QStringLiteral("10"), this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    CheckBox1 = new QCheckBox(QStringLiteral("Missing data ?"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    QFont bold = CheckBox1->font();
    bold.setBold(true);
    CheckBox1->setFont(bold);
    CheckBox1->setChecked(true);
    CheckBox1->setAutoFillBackground(true);
    for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2),
                       static_cast<QWidget*>(CheckBox1)})
        InfoTipBackground(w);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar2 = new QProgressBar(this);
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 1);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    Label4 = BoldLabel(QString(), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label3 = BoldLabel(QString(), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QPalette red = Label4->palette();
    red.setColor(QPalette::Window, Qt::red);
    Label4->setPalette(red);
    QPalette lime = Label3->palette();
    lime.setColor(QPalette::Window, QColor(0, 255, 0));
    Label3->setPalette(lime);
    // A long progress text wraps instead of widening the window under Continue.
    for (QLabel* status : {Label4, Label3}) status->setWordWrap(true);

    LabelKind = BoldLabel(QStringLiteral("Search"), this);
    CbKind = new QComboBox(this);
    CbKind->setObjectName(QStringLiteral("CbKind"));
    CbKind->addItem(QStringLiteral("Evolutionary (random addition, random swaps)"));
    Panels = MakeSearchPanels(Ctx, this);
    for (TSearchPanel* p : Panels) CbKind->addItem(p->Title());

    grid->addWidget(LabelKind, 0, 0);
    grid->addWidget(CbKind, 0, 1);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(Edit1, 1, 1);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(Edit2, 2, 1);
    // A panel's settings stand in place of the generations and trees.
    for (TSearchPanel* p : Panels) grid->addWidget(p, 1, 0, 2, 2);
    grid->addWidget(CheckBox1, 3, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(ProgressBar1, 4, 0, 1, 2);
    grid->addWidget(Label4, 4, 2);
    grid->addWidget(ProgressBar2, 5, 0, 1, 2);
    grid->addWidget(Label3, 5, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(2, 150);
    layout->addLayout(grid);
    layout->addStretch(1);

    auto* panel = new QHBoxLayout;
    LabelSeed = new QLabel(this);
    LabelSeed->setObjectName(QStringLiteral("LabelSeed"));
    LabelSeed->setTextInteractionFlags(Qt::TextSelectableByMouse);
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setEnabled(false);
    Button1 = new QPushButton(QStringLiteral("Continue"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    panel->addWidget(LabelSeed, 1);
    panel->addWidget(BtnCancel);
    panel->addWidget(Button1);
    layout->addLayout(panel);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
    connect(CbKind, &QComboBox::currentIndexChanged, this, [this] { KindChanged(); });
}

TFrmOptimize::~TFrmOptimize()
{
    // Each job cancels and waits for its thread, while the window can still
    // take what the thread posts.
    Job.reset();
}

template <typename F>
void TFrmOptimize::Post(F f)
{
    QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
}

void TFrmOptimize::Button1Click()
{
    if (IsRunning()) {
        Ctx.Ui.ShowInformation(this, QStringLiteral("The parsimony search is already running."));
        return;
    }
    if (TSearchPanel* panel = KindPanel()) {
        StartPanelRun(*panel);
        return;
    }
    // Both texts are checked before anything is computed.
    const TResult<TSearchRequest> request =
        ReadSearchRequest(Edit2->text(), Edit1->text(), Ctx.Model.ObjectCount);
    if (!request) {
        Ctx.Ui.ShowError(this, request.Error());
        return;
    }
    if (!CodingFitsData(Ctx.Model)) {
        Ctx.Ui.ShowError(this, CodingOutdated);
        return;
    }
    // A NEXUS file's reversible types are refused, as the batch tool refuses them.
    if (!CaminSokalOnly(Ctx.Model, std::nullopt, QStringLiteral("The evolutionary search"),
                        QStringLiteral("choose the thorough search for them, whose criterion "
                                       "\"Irreversible (Camin-Sokal)\" also counts them as "
                                       "this search does."),
                        Ctx.Ui, this))
        return;
    StartRun(request->TreeCount, request->Generations);
}

void TFrmOptimize::StartRun(int treeCount, int generations)
{
    TSearchSettings settings;
    settings.TreeCount = treeCount;
    settings.Generations = generations;
    settings.MissingData = CheckBox1->isChecked();
    settings.Seed = FixedSeed ? *FixedSeed : ClockSeed();
    auto evolutionary = std::make_unique<TEvolutionaryJob>(
        Ctx.Model.CharField, Ctx.Model.ObjectCount, Ctx.Model.CharacterCount, settings,
        Edit2->text(), Edit1->text());

    LabelSeed->setText(QStringLiteral("Seed = %1").arg(*settings.Seed));
    emit ResultsCleared();
    ProgressBar1->setRange(0, treeCount);
    ProgressBar1->setValue(0);
    ProgressBar2->setRange(0, std::max(generations, 1));
    ProgressBar2->setValue(0);
    SetStatusLabel(Label4, QStringLiteral("add branches randomly"));
    SetStatusLabel(Label3, QString());
    SetRunning(true);

    // The callbacks run on the job's thread: they only post to this window.
    TSearchCallbacks cb;
    cb.GrowProgress = [this](int k) { Post([this, k] { ProgressBar1->setValue(k); }); };
    const TParsimonySearch* search = &evolutionary->Search();
    const QChar separator = LocaleDecimalSeparator();
    cb.Grown = [this, search, separator] {
        std::vector<QStringList> rows = PopulationListRows(search->Histories(), separator);
        Post([this, rows = std::move(rows)] {
            emit ListFilled(rows);
            SetStatusLabel(Label3, QStringLiteral("swap branches randomly"));
        });
    };
    // The replaced slot's length, then its history.
    cb.SlotReplaced = [this, search, separator](const TSlotReplacement& r) {
        const QStringList row =
            PopulationListRow(search->Histories()[static_cast<size_t>(r.Slot)], separator);
        Post([this, slot = r.Slot, row] {
            emit ListCellChanged(slot, 2, row[2]);
            emit ListCellChanged(slot, 0, row[0]);
        });
    };
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto lastShown = std::make_shared<qint64>(-ProgressIntervalMs);
    cb.GenerationProgress = [this, clock, lastShown, generations](int g) {
        const qint64 now = clock->elapsed();
        if (g != 0 && g != generations && now - *lastShown < ProgressIntervalMs) return;
        *lastShown = now;
        Post([this, g] { ProgressBar2->setValue(g); });
    };
    evolutionary->Observe(std::move(cb));
    Job = std::move(evolutionary);
    RunningPanel = nullptr;
    RunRevision = Ctx.Model.Revision;
    Job->Start([this] { Post([this] { RunEnded(); }); });
}

void TFrmOptimize::BtnCancelClick()
{
    if (!IsRunning()) return;
    Job->Cancel();
    BtnCancel->setEnabled(false);
}

void TFrmOptimize::closeEvent(QCloseEvent* event)
{
    // Closing the window while the search runs cancels it; the window closes
    // when the search has stopped and its results are shown.
    if (IsRunning()) {
        BtnCancelClick();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TFrmOptimize::DataReplaced()
{
    if (!IsRunning()) ClearProgress();
    for (TSearchPanel* p : Panels) p->Refresh();
}

void TFrmOptimize::ClearProgress()
{
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) bar->setValue(bar->minimum());
    SetStatusLabel(Label4, QString());
    SetStatusLabel(Label3, QString());
    LabelSeed->clear();
}

void TFrmOptimize::SetRunning(bool running)
{
    Button1->setEnabled(!running);
    BtnCancel->setEnabled(running);
    Edit1->setEnabled(!running);
    Edit2->setEnabled(!running);
    CheckBox1->setEnabled(!running);
    CbKind->setEnabled(!running);
    for (TSearchPanel* p : Panels) p->setEnabled(!running);
}

void TFrmOptimize::RunEnded()
{
    // Everything the job posted before it ended has been handled by now.
    const std::unique_ptr<TSearchJob> ended = std::move(Job);
    const auto* job = static_cast<const TEvolutionaryJob*>(ended.get());
    SetRunning(false);
    const TEvolutionaryOutcome& outcome = job->Outcome();
    const std::shared_ptr<TParsimonySearch>& search = outcome.Population;
    if (outcome.Status == TSearchStatus::Refused) {
        emit ResultsCleared();
        Ctx.Ui.ShowError(this, outcome.CanStart.Error());
        emit RunFinished();
        return;
    }
    if (search->TreeCount() == 0) {
        emit ResultsCleared();
        SetStatusLabel(Label4, QString());
        SetStatusLabel(Label3, QString());
        Ctx.WriteProtocol(outcome.Protocol);
        Ctx.Ui.ShowInformation(
            this, QStringLiteral("The run was cancelled before the first tree was complete; "
                                 "there are no trees to show."));
        emit RunFinished();
        return;
    }
    search->SetDataRevision(RunRevision);
    const QChar separator = LocaleDecimalSeparator();
    // The list exactly as the search left it.
    emit ListFilled(PopulationListRows(search->Histories(), separator));
    const double best = search->FindBestTree().second;
    emit PopulationFound(search, OptimumText(best, separator));
    Ctx.WriteProtocol(outcome.Protocol);
    hide();
    emit RunFinished();
}

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

TSearchPanel* TFrmOptimize::KindPanel() const
{
    const int k = CbKind->currentIndex();
    return k >= 1 && k <= static_cast<int>(Panels.size()) ? Panels[static_cast<size_t>(k) - 1]
                                                          : nullptr;
}

void TFrmOptimize::KindChanged()
{
    const TSearchPanel* shown = KindPanel();
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Edit1),
                       static_cast<QWidget*>(Label2), static_cast<QWidget*>(Edit2)})
        w->setVisible(shown == nullptr);
    for (TSearchPanel* p : Panels) p->setVisible(p == shown);
}

void TFrmOptimize::StartPanelRun(TSearchPanel& panel)
{
    std::unique_ptr<TSearchJob> job =
        panel.MakeJob(CheckBox1->isChecked(), FixedSeed ? *FixedSeed : ClockSeed());
    if (!job) return;
    Job = std::move(job);
    RunningPanel = &panel;
    RunRevision = Ctx.Model.Revision;
    emit ResultsCleared();
    panel.Observe(*Job, {ProgressBar1, Label4, ProgressBar2, Label3, LabelSeed});
    SetRunning(true);
    Job->Start([this] { Post([this] { PanelRunEnded(); }); });
}

void TFrmOptimize::PanelRunEnded()
{
    // Everything the job posted before it ended has been handled by now.
    const std::unique_ptr<TSearchJob> job = std::move(Job);
    TSearchPanel* panel = std::exchange(RunningPanel, nullptr);
    SetRunning(false);
    TFoundTrees found = panel->Found(*job);
    if (!found.Population && !found.Big) {
        emit ResultsCleared();
        SetStatusLabel(Label4, QString());
        SetStatusLabel(Label3, QString());
        if (found.NothingIsError)
            Ctx.Ui.ShowError(this, found.Nothing);
        else
            Ctx.Ui.ShowInformation(this, found.Nothing);
        emit RunFinished();
        return;
    }
    emit ListFilled(found.Rows);
    // The list's last column says how a tree was found: room for it.
    emit ListColumnsFitted(found.Rows.front().front(), found.WidestHow);
    const QString optimum = OptimumText(found.Optimum, LocaleDecimalSeparator());
    if (found.Big) {
        found.Big->SetDataRevision(RunRevision);
        emit BigTreesFound(std::move(found.Big), optimum);
    } else {
        found.Population->SetDataRevision(RunRevision);
        emit PopulationFound(std::move(found.Population), optimum);
    }
    Ctx.WriteProtocol(found.Protocol);
    hide();
    emit RunFinished();
}
