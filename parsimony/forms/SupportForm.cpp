#include "parsimony/forms/SupportForm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

#include "data/UiServices.h"
#include "graphics/TreeFromNewick.h"
#include "parsimony/Random.h"
#include "parsimony/forms/CriterionChoice.h"
#include "parsimony/summaries/Support.h"

TFrmSupport::TFrmSupport(TUiServices& ui, TSField field, int objectCount, int characterCount,
                         bool missingData, std::function<void(const QStringList&)> protocol,
                         QWidget* parent)
    : QWidget(parent, Qt::Window),
      Ui(ui),
      Field(std::move(field)),
      Objects(objectCount),
      Characters(characterCount),
      Missing(missingData),
      Protocol(std::move(protocol))
{
    setWindowTitle(QStringLiteral("Branch support"));
    resize(460, 260);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    MethodCBX = new QComboBox(this);
    MethodCBX->setObjectName(QStringLiteral("MethodCBX"));
    for (TSupportKind kind :
         {TSupportKind::Jackknife, TSupportKind::Bootstrap, TSupportKind::Bremer})
        MethodCBX->addItem(TSupportJob::KindName(kind), static_cast<int>(kind));
    ReplicatesSPN = new QSpinBox(this);
    ReplicatesSPN->setObjectName(QStringLiteral("ReplicatesSPN"));
    ReplicatesSPN->setRange(1, MaxReplicates);
    ReplicatesSPN->setValue(100);
    SeedEDT = new QLineEdit(this);
    SeedEDT->setObjectName(QStringLiteral("SeedEDT"));
    SeedEDT->setPlaceholderText(QStringLiteral("from the clock"));
    ThreadsSPN = new QSpinBox(this);
    ThreadsSPN->setObjectName(QStringLiteral("ThreadsSPN"));
    ThreadsSPN->setRange(1, 256);
    ThreadsSPN->setValue(std::max(1, QThread::idealThreadCount()));
    form->addRow(QStringLiteral("Method"), MethodCBX);
    form->addRow(QStringLiteral("Replicates"), ReplicatesSPN);
    form->addRow(QStringLiteral("Seed"), SeedEDT);
    form->addRow(QStringLiteral("Threads"), ThreadsSPN);
    Choice = new TCriterionChoice(QStringLiteral("CriterionCBX"), QString(), this,
                                  QStringLiteral("GapsCBX"));
    Choice->Criterion()->setEnabled(false);
    form->addRow(QStringLiteral("Criterion"), Choice->Criterion());
    form->addRow(QStringLiteral("Gaps"), Choice->GapBox());
    layout->addLayout(form);
    ProgressPB = new QProgressBar(this);
    ProgressPB->setRange(0, 1);
    ProgressPB->setValue(0);
    layout->addWidget(ProgressPB);
    StatusLBL = new QLabel(QStringLiteral("%1 objects, %2 characters (%3)")
                               .arg(Objects)
                               .arg(Characters)
                               .arg(Missing ? QStringLiteral("missing data \"?\" expected")
                                            : QStringLiteral("no missing data \"?\" expected")),
                           this);
    StatusLBL->setObjectName(QStringLiteral("StatusLBL"));
    StatusLBL->setWordWrap(true);
    layout->addWidget(StatusLBL);
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    StartBTN = new QPushButton(QStringLiteral("Start"), this);
    StartBTN->setObjectName(QStringLiteral("StartBTN"));
    CancelBTN = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBTN->setObjectName(QStringLiteral("CancelBTN"));
    CancelBTN->setEnabled(false);
    ShowBTN = new QPushButton(QStringLiteral("Show tree"), this);
    ShowBTN->setObjectName(QStringLiteral("ShowBTN"));
    ShowBTN->setEnabled(false);
    buttons->addWidget(StartBTN);
    buttons->addWidget(CancelBTN);
    buttons->addStretch(1);
    buttons->addWidget(ShowBTN);
    layout->addLayout(buttons);

    connect(StartBTN, &QPushButton::clicked, this, [this] { StartBTNClick(); });
    connect(CancelBTN, &QPushButton::clicked, this, [this] { CancelBTNClick(); });
    connect(ShowBTN, &QPushButton::clicked, this, [this] { ShowBTNClick(); });
    connect(MethodCBX, &QComboBox::currentIndexChanged, this, [this] { MethodCBXChange(); });
}

TFrmSupport::~TFrmSupport() = default;  // the job's destructor cancels and waits

void TFrmSupport::SetData(TMatrixData data)
{
    Choice->Refresh(data.Criteria, data.DataMatrix, data.ObjectCount);
    Choice->Criterion()->setEnabled(true);
    Data = std::move(data);
}

bool TFrmSupport::IsRunning() const { return Job && Job->Running(); }

void TFrmSupport::MethodCBXChange()
{
    const auto kind = static_cast<TSupportKind>(MethodCBX->currentData().toInt());
    ReplicatesSPN->setEnabled(kind != TSupportKind::Bremer);
}

void TFrmSupport::StartBTNClick()
{
    if (IsRunning()) return;
    TSupportRequest request;
    request.Kind = static_cast<TSupportKind>(MethodCBX->currentData().toInt());
    request.Replicates = ReplicatesSPN->value();
    request.Threads = ThreadsSPN->value();
    request.MissingData = Missing;
    const QString seedText = SeedEDT->text().trimmed();
    if (seedText.isEmpty()) {
        request.Seed = ClockSeed();
    } else {
        bool ok = false;
        request.Seed = seedText.toULongLong(&ok);
        if (!ok) {
            Ui.ShowError(this, QStringLiteral("The seed must be a whole number from 0 to "
                                              "18446744073709551615, or empty."));
            return;
        }
    }
    if (Data) {
        TResult<std::optional<TCriteriaCoding>> coding =
            SearchCriteria(*Data, Choice->Chosen(), Choice->Gaps());
        if (!coding) {
            Ui.ShowError(this, coding.Error());
            return;
        }
        if (*coding)
            request.Criteria = std::make_shared<const TCriteriaCoding>(std::move(**coding));
    }
    Job = std::make_unique<TSupportJob>(Field, Objects, Characters, request);
    if (const TStatus valid = Job->CanStart(); !valid) {
        Job.reset();
        Ui.ShowError(this, valid.Error());
        return;
    }
    StartBTN->setEnabled(false);
    CancelBTN->setEnabled(true);
    ProgressPB->setRange(0, request.Kind == TSupportKind::Bremer ? 0 : request.Replicates);
    ProgressPB->setValue(0);
    StatusLBL->setText(QStringLiteral("%1 running, seed %2 ...")
                           .arg(TSupportJob::KindName(request.Kind))
                           .arg(request.Seed));
    // The callbacks come from worker threads: hand them to this window's thread.
    Job->Observe([this](int done, int total) {
        QMetaObject::invokeMethod(
            this,
            [this, done, total] {
                ProgressPB->setRange(0, total);
                ProgressPB->setValue(done);
            },
            Qt::QueuedConnection);
    });
    Job->Start([this] {
        QMetaObject::invokeMethod(
            this, [this] { JobFinished(); }, Qt::QueuedConnection);
    });
}

void TFrmSupport::CancelBTNClick()
{
    if (!IsRunning()) return;
    Job->Cancel();
    StatusLBL->setText(QStringLiteral("Cancelling ..."));
}

void TFrmSupport::JobFinished()
{
    if (!Job) return;
    const TResult<TSupportOutcome> outcome = Job->Outcome();
    StartBTN->setEnabled(true);
    CancelBTN->setEnabled(false);
    if (ProgressPB->maximum() == 0) ProgressPB->setRange(0, 1);
    if (!outcome) {
        StatusLBL->setText(outcome.Error());
        emit RunFinished();
        return;
    }
    Last = *outcome;
    ShowBTN->setEnabled(true);
    StatusLBL->setText(outcome->Title);
    if (Protocol) Protocol(outcome->Protocol);
    emit RunFinished();
    if (AutoShow) ShowBTNClick();
}

void TFrmSupport::ShowBTNClick()
{
    if (!Last) return;
    auto nodes = std::make_shared<TadaTreeNodes>();
    if (TStatus drawn = NewickToTreeNodes(ConsensusToNewick(Last->Tree, Field.Names, true), *nodes);
        !drawn) {
        Ui.ShowError(this, drawn.Error());
        return;
    }
    emit ComputedTreeWanted(std::move(nodes), Last->Title, Last->Newick);
}

void TFrmSupport::closeEvent(QCloseEvent* event)
{
    // A closed window stops its run; the results so far are dropped.
    if (IsRunning()) Job->Cancel();
    QWidget::closeEvent(event);
}
