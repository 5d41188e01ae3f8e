#pragma once
// A grid of texts addressed as (column, row), whose first rows and columns
// can be fixed headers. Saving writes exactly the cells it holds.
#include <QStringList>
#include <QTableWidget>
#include <vector>

class TStringGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    void SetFixed(int fixedRows, int fixedCols);
    void SetSize(int colCount, int rowCount);
    int ColCount() const { return columnCount(); }
    int RowCount() const { return rowCount(); }

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    void ClearRows(int firstRow, int lastRow);

    void SetColWidth(int col, int pixels) { setColumnWidth(col, pixels); }
    int ColWidth(int col) const { return columnWidth(col); }
    // Width = (longest text in the column over rows 0..lastRow + 1) x 7 pixels.
    void FitColumnWidths(int lastRow);

    // Rows 0..RowCount-1, each the texts of columns 0..ColCount-1.
    std::vector<QStringList> Rows() const;

private:
    void StyleCell(QTableWidgetItem* item, int col, int row) const;
    int FixedRows = 1;
    int FixedCols = 1;
};

// Hides the window and shows it again, so that it is on top with its content.
void BringToFront(QWidget* window);
