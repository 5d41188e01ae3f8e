#include "data/ImportForm.h"

#include "data/StringGrid.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFrmImport::TFrmImport(TAppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Data"));
    resize(965, 589);
    auto* layout = new QVBoxLayout(this);

    GroupBox1 = new QGroupBox(QStringLiteral("Focus"), this);
    auto* focus = new QHBoxLayout(GroupBox1);
    Label6 = new QLabel(QStringLiteral("Row:"), GroupBox1);
    Edit1 = new QLineEdit(GroupBox1);
    Label1 = new QLabel(QStringLiteral("Col:"), GroupBox1);
    Edit2 = new QLineEdit(GroupBox1);
    Edit4 = new QLineEdit(GroupBox1);
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
    panel->addWidget(BtnSave);
    panel->addStretch(1);
    panel->addWidget(Button4);
    panel->addWidget(Button2);
    layout->addLayout(panel);

    // FormCreate: Continue appears only after Path, Data or Back.
    Button2->hide();
    // Commands still being built.
    for (QPushButton* b : {Button3, BtnSave, Button4, Button2}) b->setEnabled(false);
}

void TFrmImport::FillGrid()
{
    const TModel& m = Ctx.Model;
    SgData->clearContents();
    SgData->SetSize(m.CharacterCount + 1, m.ObjectCount + 1);
    for (int c = 0; c <= m.CharacterCount; ++c)
        for (int o = 0; o <= m.ObjectCount; ++o) SgData->SetCell(c, o, m.Cell(c, o));
    SgData->FitColumnWidths(m.ObjectCount);
}

void TFrmImport::ShowData()
{
    show();
    FillGrid();
}
