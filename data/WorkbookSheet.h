#pragma once
// What every workbook back end hands over: the non-empty cells of the first
// worksheet as texts. Turning them into a matrix is the same for all formats.
#include "data/Global.h"

#include <QString>
#include <vector>

struct TSheetCell {
    qint64 Row = 0;  // 0-based sheet coordinates
    qint64 Col = 0;
    QString Text;
};

using TSheetCells = std::vector<TSheetCell>;

// A number as the spreadsheet shows it in the user's number format:
// integral values without decimals, the locale's decimal separator.
QString WorkbookNumberText(double value);

// The used range (the smallest rectangle holding every non-empty cell)
// becomes the matrix: row r, column c of the range is DataMatrix[c][r],
// cut to 255 characters; ObjectCount = rows - 1, CharacterCount = columns - 1.
// False with *error set when there is no cell or the range is too large.
bool SheetToMatrix(const TSheetCells& cells, TMatrixData* data, QString* error);

// Refuses ranges whose cells would not fit in memory.
bool UsedRangeFits(qint64 rows, qint64 cols, QString* error);

// The back ends, one per library. Each sets *error to a sentence for the
// user (without the file name) when it fails.

// Legacy .xls through FreeXL (which reads from a path only).
bool ReadXlsFirstSheet(const QString& path, TSheetCells* cells, QString* error);

enum class TOrcusFormat { Xlsx, Ods, XlsXml };
// .xlsx, .ods and Excel 2003 XML through orcus, formulas recalculated.
bool ReadOrcusFirstSheet(const QByteArray& bytes, TOrcusFormat format, TSheetCells* cells,
                         QString* error);

// .xlsx read part by part: for files that orcus takes for empty (those
// written by openpyxl and pandas, with absolute part paths and inline strings).
bool ReadXlsxPartsFirstSheet(const QByteArray& bytes, TSheetCells* cells, QString* error);
