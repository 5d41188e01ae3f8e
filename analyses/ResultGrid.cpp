#include "analyses/ResultGrid.h"

#include "data/NumberFormat.h"

void TResultGrid::SetSize(int colCount, int rowCount)
{
    Cols = std::max(colCount, 0);
    Cells.resize(static_cast<size_t>(std::max(rowCount, 0)));
    for (QStringList& row : Cells) row.resize(Cols);
}

QString TResultGrid::Cell(int col, int row) const
{
    if (col < 0 || row < 0 || col >= Cols || row >= RowCount()) return {};
    return Cells[static_cast<size_t>(row)][col];
}

void TResultGrid::SetCell(int col, int row, const QString& text)
{
    if (col < 0 || row < 0 || col >= Cols || row >= RowCount()) return;
    Cells[static_cast<size_t>(row)][col] = text;
}

std::vector<int> TResultGrid::ColumnWidths(int lastRow) const
{
    std::vector<int> widths(static_cast<size_t>(Cols), 7);
    for (int c = 0; c < Cols; ++c) {
        qsizetype longest = 0;
        for (int r = 0; r <= lastRow && r < RowCount(); ++r)
            longest = std::max(longest, Cell(c, r).size());
        widths[static_cast<size_t>(c)] = static_cast<int>((longest + 1) * 7);
    }
    return widths;
}

namespace {
QString NameAt(const std::vector<QString>& names, int k)
{
    return k < static_cast<int>(names.size()) ? names[static_cast<size_t>(k)] : QString();
}
}  // namespace

void ShowObjectHeaders(TResultGrid& grid, const TSField& field, int n)
{
    grid.SetSize(n + 1, n + 1);
    for (int k = 1; k <= n; ++k) {
        const QString name = NameAt(field.Names, k);
        grid.SetCell(0, k, name);
        grid.SetCell(k, 0, name);
    }
}

void ShowCharacterHeaders(TResultGrid& grid, const TSField& field, int n)
{
    grid.SetSize(n + 1, n + 1);
    for (int r = 1; r <= n; ++r)
        for (int c = 0; c <= n; ++c) grid.SetCell(c, r, QString());
    for (int k = 1; k <= n; ++k) {
        const QString name = k <= field.Places.Count() ? field.Places[k].Name : QString();
        grid.SetCell(0, k, name);
        grid.SetCell(k, 0, name);
    }
}

void ShowRealMatrix(TResultGrid& grid, const TDynRealMatrix& matrix, int n, QChar decimalSeparator)
{
    for (int i = 1; i <= n && i < static_cast<int>(matrix.size()); ++i) {
        const auto& column = matrix[static_cast<size_t>(i)];
        for (int j = 1; j <= n && j < static_cast<int>(column.size()); ++j)
            grid.SetCell(i, j, FormatGeneral3(column[static_cast<size_t>(j)], decimalSeparator));
    }
}

void ShowCompatibility(TResultGrid& grid, const TBoolMatrix& compat, int n)
{
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            if (i == j) {
                grid.SetCell(i, j, QStringLiteral("   "));
                continue;
            }
            const bool incompatible = i < static_cast<int>(compat.size()) &&
                                      j < static_cast<int>(compat[static_cast<size_t>(i)].size()) &&
                                      compat[static_cast<size_t>(i)][static_cast<size_t>(j)];
            if (!incompatible) grid.SetCell(i, j, QStringLiteral("yes"));
        }
}
