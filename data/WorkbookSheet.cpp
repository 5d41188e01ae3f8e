#include "data/WorkbookSheet.h"

#include "data/ImportSource.h"
#include "data/NumberFormat.h"

#include <algorithm>
#include <limits>

QString WorkbookNumberText(double value)
{
    return FormatShortest(value, LocaleDecimalSeparator());
}

bool UsedRangeFits(qint64 rows, qint64 cols, QString* error)
{
    if (rows > 0 && cols > 0 && rows <= MaxMatrixCells / cols) return true;
    *error = QStringLiteral("the first worksheet is too large to load (%1 rows by %2 columns).")
                 .arg(rows)
                 .arg(cols);
    return false;
}

bool SheetToMatrix(const TSheetCells& cells, TMatrixData* data, QString* error)
{
    qint64 top = std::numeric_limits<qint64>::max(), left = top, bottom = -1, right = -1;
    for (const TSheetCell& cell : cells) {
        if (cell.Text.isEmpty()) continue;
        top = std::min(top, cell.Row);
        left = std::min(left, cell.Col);
        bottom = std::max(bottom, cell.Row);
        right = std::max(right, cell.Col);
    }
    if (bottom < 0) {
        *error = QStringLiteral("the first worksheet is empty.");
        return false;
    }
    const qint64 rows = bottom - top + 1, cols = right - left + 1;
    if (!UsedRangeFits(rows, cols, error)) return false;

    data->DataMatrix.assign(static_cast<size_t>(cols), TPart(static_cast<size_t>(rows)));
    for (const TSheetCell& cell : cells)
        if (!cell.Text.isEmpty())
            data->SetCell(static_cast<size_t>(cell.Col - left), static_cast<size_t>(cell.Row - top), cell.Text);
    data->ObjectCount = static_cast<int>(rows - 1);
    data->CharacterCount = static_cast<int>(cols - 1);
    return true;
}
