#include "data/StringGrid.h"

#include <QHeaderView>

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    // Columns of empty cells are 7 pixels wide; Qt's default minimum is larger.
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->setDefaultSectionSize(64);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
}

void TStringGrid::SetFixed(int fixedRows, int fixedCols)
{
    FixedRows = fixedRows;
    FixedCols = fixedCols;
}

void TStringGrid::SetSize(int colCount, int rowCount)
{
    setColumnCount(colCount);
    setRowCount(rowCount);
}

QString TStringGrid::Cell(int col, int row) const
{
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void TStringGrid::SetCell(int col, int row, const QString& text)
{
    if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return;
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem(text);
        StyleCell(it, col, row);
        setItem(row, col, it);
    } else {
        it->setText(text);
    }
}

void TStringGrid::ClearRows(int firstRow, int lastRow)
{
    for (int r = std::max(firstRow, 0); r <= lastRow && r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* it = item(r, c)) it->setText(QString());
}

void TStringGrid::FitColumnWidths(int lastRow)
{
    // Repainting after each of 100 000 column widths takes seconds.
    setUpdatesEnabled(false);
    for (int c = 0; c < columnCount(); ++c) {
        qsizetype longest = 0;
        for (int r = 0; r <= lastRow && r < rowCount(); ++r)
            longest = std::max(longest, Cell(c, r).size());
        setColumnWidth(c, static_cast<int>((longest + 1) * 7));
    }
    setUpdatesEnabled(true);
}

std::vector<QStringList> TStringGrid::Rows() const
{
    std::vector<QStringList> rows;
    rows.reserve(static_cast<size_t>(rowCount()));
    for (int r = 0; r < rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columnCount(); ++c) cells << Cell(c, r);
        rows.push_back(cells);
    }
    return rows;
}

void TStringGrid::StyleCell(QTableWidgetItem* it, int col, int row) const
{
    if (row < FixedRows || col < FixedCols) {
        it->setBackground(palette().button());
        it->setFlags(Qt::ItemIsEnabled);
    }
}

void BringToFront(QWidget* window)
{
    window->hide();
    window->show();
    window->raise();
    window->activateWindow();
}
