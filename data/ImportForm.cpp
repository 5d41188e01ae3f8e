#include "data/ImportForm.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "data/MatrixOps.h"
#include "data/Path.h"
#include "data/PathControl.h"
#include "data/StringGrid.h"
#include "data/TextFile.h"
#include "data/UiServices.h"

TFrmImport::TFrmImport(TFormContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Data"));
    resize(965, 589);
    auto* layout = new QVBoxLayout(this);

    GroupBox1 = new QGroupBox(QStringLiteral("Focus"), this);
    auto* focus = new QHBoxLayout(GroupBox1);
    Label6 = new QLabel(QStringLiteral("Row:"), GroupBox1);
    Label6->setObjectName(QStringLiteral("Label6"));
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label1 = new QLabel(QStringLiteral("Col:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit2 = new QLineEdit(GroupBox1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit4 = new QLineEdit(GroupBox1);
    Edit4->setObjectName(QStringLiteral("Edit4"));
    for (QLineEdit* e : {Edit1, Edit2, Edit4}) e->setReadOnly(true);
    Button3 = new QPushButton(QStringLiteral("Transpose"), GroupBox1);
    focus->addWidget(Label6);
    focus->addWidget(Edit1, 1);
    focus->addWidget(Label1);
    focus->addWidget(Edit2, 1);
    focus->addWidget(Edit4, 3);
    focus->addWidget(Button3);
    layout->addWidget(GroupBox1);

    SgData = new TStringGrid(this);
    SgData->setObjectName(QStringLiteral("SgData"));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSize(8);
    SgData->setFont(mono);
    layout->addWidget(SgData, 1);

    auto* panel = new QHBoxLayout;
    BtnSave = new QPushButton(QStringLiteral("Save"), this);
    Button4 = new QPushButton(QStringLiteral("Path"), this);
    Button2 = new QPushButton(QStringLiteral("Continue"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    panel->addWidget(BtnSave);
    panel->addStretch(1);
    panel->addWidget(Button4);
    panel->addWidget(Button2);
    layout->addLayout(panel);

    // FormCreate: Continue appears only after Path, Data or Back.
    Button2->hide();
    connect(SgData, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
        if (!Filling && row >= 0 && col >= 0) SgDataSelectCell(col, row);
    });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(BtnSave, &QPushButton::clicked, this, [this] { BtnSaveClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TFrmImport::FillGrid()
{
    const TModel& m = Ctx.Model;
    const QSignalBlocker quiet(SgData);
    Filling = true;
    // A tree drawn from the previous matrix would no longer match the grid.
    emit StateTreeDismissed();
    SgData->clearContents();
    SgData->SetSize(m.CharacterCount + 1, m.ObjectCount + 1);
    for (int c = 0; c <= m.CharacterCount; ++c)
        for (int o = 0; o <= m.ObjectCount; ++o) SgData->SetCell(c, o, m.Cell(c, o));
    SgData->FitColumnWidths(m.ObjectCount);
    // The Focus fields show the grid's texts: a refilled grid has none selected.
    SgData->setCurrentCell(-1, -1);
    ClearFocusFields();
    Filling = false;
}

void TFrmImport::ClearFocusFields()
{
    Label6->setText(QStringLiteral("Row:"));
    Label1->setText(QStringLiteral("Col:"));
    for (QLineEdit* e : {Edit1, Edit2, Edit4}) e->clear();
}

void TFrmImport::ShowData()
{
    show();
    FillGrid();
}

void TFrmImport::SgDataSelectCell(int c, int o)
{
    emit StateTreeDismissed();
    Label6->setText(QStringLiteral("Row ") + QString::number(o));
    Label1->setText(QStringLiteral("Col ") + QString::number(c));
    Edit2->setText(SgData->Cell(c, 0));
    Edit1->setText(SgData->Cell(0, o));
    Edit4->setText(SgData->Cell(c, o));
    // Column 0 holds the object names: no character to draw.
    if (c >= 1 && c <= Ctx.Model.CharacterCount) emit StateTreeWanted(c);
}

void TFrmImport::Button3Click()
{
    Ctx.Document.Transpose();
    FillGrid();
}

void TFrmImport::Button4Click()
{
    const TModel& m = Ctx.Model;
    {
        TBusyGuard busy(Ctx.Ui);
        const TDynStrMatrix paths = PathMatrix(m.DataMatrix, m.ObjectCount, m.CharacterCount);
        const QSignalBlocker quiet(SgData);
        for (int c = 1; c <= m.CharacterCount; ++c)
            for (int o = 1; o <= m.ObjectCount; ++o) SgData->SetCell(c, o, paths[c][o]);
        SgData->FitColumnWidths(m.ObjectCount);
    }
    // The Focus fields show the grid's texts, which Path has just changed.
    if (SgData->currentRow() >= 0 && SgData->currentColumn() >= 0)
        Edit4->setText(SgData->Cell(SgData->currentColumn(), SgData->currentRow()));
    Button2->show();
}

void TFrmImport::BtnSaveClick()
{
    const QString path =
        Ctx.Ui.GetSaveFileName(this, QStringLiteral("Save data"), QStringLiteral("Text (*.txt)"),
                               QStringLiteral("Paths"), QStringLiteral("txt"));
    if (path.isEmpty()) return;
    if (TStatus saved = SaveTextFile(path, EncodeTextTable(SgData->Rows())); !saved)
        Ctx.Ui.ShowError(this, saved.Error());
}

void TFrmImport::ShowWithContinue()
{
    Button2->show();
    BringToFront(this);
}

void TFrmImport::Button2Click()
{
    hide();
    emit StateTreeDismissed();
    emit DataCheckWanted();
    PathControl();
}

void TFrmImport::PathControl()
{
    const TModel& m = Ctx.Model;
    TBusyGuard busy(Ctx.Ui);
    const TDataCheck check = ::PathControl(m.DataMatrix, m.ObjectCount, m.CharacterCount);
    emit DataChecked(check.Report);
    Ctx.WriteProtocol(check.Protocol);
}
