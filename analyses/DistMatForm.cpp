#include "analyses/DistMatForm.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/FormLook.h"
#include "data/NumberFormat.h"
#include "data/StringGrid.h"
#include "data/TextFile.h"
#include "data/UiServices.h"

TFrmDistMat::TFrmDistMat(TFormContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Distance matrix"));
    resize(900, 578);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    SGDist = new TStringGrid(this);
    SGDist->setObjectName(QStringLiteral("SGDist"));
    SGDist->SetFixed(1, 1);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSize(8);
    SGDist->setFont(mono);
    SGDist->horizontalHeader()->setDefaultSectionSize(90);
    SGDist->verticalHeader()->setDefaultSectionSize(20);
    InfoTipBackground(SGDist);
    layout->addWidget(SGDist, 1);

    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(41);
    AquaBackground(Panel1);
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->addStretch(1);
    BtnSave = new QPushButton(QStringLiteral("Save"), Panel1);
    BtnSave->setObjectName(QStringLiteral("BtnSave"));
    QFont bold = BtnSave->font();
    bold.setBold(true);
    BtnSave->setFont(bold);
    panelLayout->addWidget(BtnSave);
    layout->addWidget(Panel1);
    connect(BtnSave, &QPushButton::clicked, this, [this] { BtnSaveClick(); });
}

void TFrmDistMat::ShowObjectHeaders(int n)
{
    ::ShowObjectHeaders(Texts, Ctx.Model.CharField, n);
    ShowTexts(-1);
}

void TFrmDistMat::ShowCharacterHeaders(int n)
{
    ::ShowCharacterHeaders(Texts, Ctx.Model.CharField, n);
    ShowTexts(-1);
}

void TFrmDistMat::ShowRealMatrix(const TDynRealMatrix& matrix, int n)
{
    ::ShowRealMatrix(Texts, matrix, n, LocaleDecimalSeparator());
    ShowTexts(n);
}

void TFrmDistMat::ShowCompatibility(const TBoolMatrix& compat, int n)
{
    ::ShowCompatibility(Texts, compat, n);
    ShowTexts(n);
}

void TFrmDistMat::ShowTexts(int lastRow)
{
    SGDist->setUpdatesEnabled(false);
    SGDist->SetSize(Texts.ColCount(), Texts.RowCount());
    for (int r = 0; r < Texts.RowCount(); ++r)
        for (int c = 0; c < Texts.ColCount(); ++c) SGDist->SetCell(c, r, Texts.Cell(c, r));
    if (lastRow >= 0) {
        const std::vector<int> widths = Texts.ColumnWidths(lastRow);
        for (int c = 0; c < static_cast<int>(widths.size()); ++c)
            SGDist->SetColWidth(c, widths[static_cast<size_t>(c)]);
    }
    SGDist->setCurrentCell(-1, -1);  // no header cell looks selected
    SGDist->setUpdatesEnabled(true);
}

void TFrmDistMat::BtnSaveClick()
{
    const QString path = Ctx.Ui.GetSaveFileName(this, QStringLiteral("Save matrix"), QString(),
                                                QStringLiteral("Matrix"), QStringLiteral("txt"));
    if (path.isEmpty()) return;
    if (TStatus saved = SaveTextFile(path, EncodeTextTable(SGDist->Rows())); !saved)
        Ctx.Ui.ShowError(this, saved.Error());
}
