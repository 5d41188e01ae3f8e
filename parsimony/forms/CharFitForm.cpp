#include "parsimony/forms/CharFitForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/StringGrid.h"
#include "data/TextFile.h"
#include "data/UiServices.h"
#include "parsimony/forms/FormHelpers.h"
#include "parsimony/summaries/CharFit.h"
#include "parsimony/summaries/FitStatistics.h"

TFrmCharFit::TFrmCharFit(TFormContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Compatibility of characters"));
    resize(519, 517);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    StringGrid1 = new TStringGrid(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->SetFixed(1, 1);
    StringGrid1->horizontalHeader()->setDefaultSectionSize(100);
    StringGrid1->SetSize(5, 1);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    InfoTipBackground(StringGrid1);
    const QStringList header = CharFitHeader();
    for (int c = 0; c < header.size(); ++c) StringGrid1->SetCell(c, 0, header[c]);
    layout->addWidget(StringGrid1, 1);

    auto* panel = new QWidget(this);
    AquaBackground(panel);
    auto* panelLayout = new QHBoxLayout(panel);
    Button1 = new QPushButton(QStringLiteral("Start Excel"), panel);
    Button2 = new QPushButton(QStringLiteral("Save"), panel);
    panelLayout->addWidget(Button1);
    panelLayout->addStretch(1);
    panelLayout->addWidget(Button2);
    layout->addWidget(panel);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TFrmCharFit::ShowTable(const std::vector<QStringList>& rows)
{
    StringGrid1->setColumnCount(static_cast<int>(CharFitHeader().size()));
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setRowCount(static_cast<int>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < StringGrid1->ColCount(); ++c)
            StringGrid1->SetCell(c, static_cast<int>(r),
                                 c < rows[r].size() ? rows[r][c] : QString());
    WidenColumns(StringGrid1, {100, 100, 100, 100, 100});
    if (StringGrid1->RowCount() > 1) StringGrid1->setCurrentCell(1, 1);
}

void TFrmCharFit::ShowStatistics(const std::vector<QStringList>& cells)
{
    const int first = static_cast<int>(CharFitHeader().size());
    const QStringList header = FitStatisticsHeader().mid(1);
    StringGrid1->setColumnCount(first + static_cast<int>(header.size()));
    for (int k = 0; k < header.size(); ++k) {
        StringGrid1->SetCell(first + k, 0, header[k]);
        StringGrid1->SetColWidth(first + k, 56);
        for (int r = 1; r < StringGrid1->RowCount(); ++r)
            StringGrid1->SetCell(first + k, r,
                                 r < static_cast<int>(cells.size()) && k < cells[r].size()
                                     ? cells[r][k]
                                     : QString());
    }
    // The window keeps its size: the new columns are reached by scrolling.
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TFrmCharFit::ShowFit(const std::vector<QStringList>& table,
                          const std::vector<QStringList>& statistics)
{
    hide();
    ShowTable(table);
    ShowStatistics(statistics);
    show();
    raise();
    activateWindow();
}

void TFrmCharFit::Button1Click() { emit SpreadsheetEditingWanted(); }

void TFrmCharFit::Button2Click()
{
    const QString path = Ctx.Ui.GetSaveFileName(
        this, QStringLiteral("Save compatibility"), QStringLiteral("Text (*.txt)"),
        QStringLiteral("Compatibility"), QStringLiteral("txt"));
    if (path.isEmpty()) return;
    // The saved file keeps its five columns; the statistics have their own command.
    std::vector<QStringList> rows = StringGrid1->Rows();
    for (QStringList& row : rows) row = row.mid(0, static_cast<qsizetype>(CharFitHeader().size()));
    if (TStatus saved = SaveTextFile(path, EncodeTextTable(rows)); !saved)
        Ctx.Ui.ShowError(this, saved.Error());
}
