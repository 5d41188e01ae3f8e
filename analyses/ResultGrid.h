#pragma once
// The texts of the analyses' result grid, addressed (column, row) with row 0
// and column 0 as headers. The result window shows exactly these texts and
// the batch tool saves them, so both write identical files.
#include "data/Global.h"

class TResultGrid {
public:
    int ColCount() const { return Cols; }
    int RowCount() const { return static_cast<int>(Cells.size()); }
    // Keeps the texts of cells that stay inside the new size.
    void SetSize(int colCount, int rowCount);
    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);

    // Each row's texts, row 0 first: what "Save" writes.
    std::vector<QStringList> Rows() const { return Cells; }
    // Pixels per column: (longest text over rows 0..lastRow + 1) x 7.
    std::vector<int> ColumnWidths(int lastRow) const;

private:
    int Cols = 0;
    std::vector<QStringList> Cells;  // [row][col]
};

// Object names along both headers; cell (0, 0) is not written.
void ShowObjectHeaders(TResultGrid& grid, const TSField& field, int n);
// Character names along both headers; the data rows are emptied first.
void ShowCharacterHeaders(TResultGrid& grid, const TSField& field, int n);
// matrix[i][j] into cell (column i, row j), 3 significant digits, "NAN" for NaN.
void ShowRealMatrix(TResultGrid& grid, const TDynRealMatrix& matrix, int n, QChar decimalSeparator);
// "yes" for a compatible pair, empty for an incompatible one, three spaces on the diagonal.
void ShowCompatibility(TResultGrid& grid, const TBoolMatrix& compat, int n);
