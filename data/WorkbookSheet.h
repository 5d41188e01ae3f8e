#pragma once
// What every workbook back end hands over: the non-empty cells of the first
// worksheet as texts. Turning them into a matrix is the same for all formats,
// and so is the way a value becomes text:
//
//   const TResult<TSheetRead> sheet = ReadOdsFirstSheet(bytes);
//   if (!sheet) return TFailure(sheet.Error());
//   TResult<TMatrixData> data = SheetToMatrix(sheet->Cells);
#include <QString>
#include <QStringList>
#include <vector>

#include "data/Global.h"
#include "data/Result.h"

struct TSheetCell {
    qint64 Row = 0;  // 0-based sheet coordinates
    qint64 Col = 0;
    QString Text;
};

using TSheetCells = std::vector<TSheetCell>;

// What a back end read: the cells and sentences about cells read empty.
struct TSheetRead {
    TSheetCells Cells;
    QStringList Warnings;
};

// Values are written the same way whatever the format and the locale.
// A number: a point as decimal separator, integral values without
// decimals, otherwise the shortest digits that read back as the same
// double; exponent notation ("1E20", "1.5E-7") outside 1E-5 .. 1E15.
QString WorkbookNumberText(double value);
// A spreadsheet serial date (days since the epoch of the 1900 or 1904
// system) as ISO "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss" or "hh:mm:ss" (the
// parts the cell's number format shows). Empty when out of range.
enum class TDateParts { Date, DateTime, Time };
QString WorkbookSerialDateText(double serial, bool epoch1904, TDateParts parts);
// An ISO 8601 date or date-time as stored in the file ("2024-03-01",
// "2024-03-01T12:30:00.5") in the same forms; anything else unchanged.
QString WorkbookIsoDateText(const QString& iso);
QString WorkbookBoolText(bool value);

// "E5" for row 4, column 4 (0-based), to name a cell in a message.
QString WorkbookCellName(qint64 row, qint64 col);

// Sheet limits of the formats read (those of current spreadsheet programs).
constexpr qint64 SheetRows = 1048576;
constexpr qint64 SheetCols = 16384;

// The used range (the smallest rectangle holding every non-empty cell)
// becomes the matrix: row r, column c of the range is DataMatrix[c][r],
// cut to 255 characters; ObjectCount = rows - 1. A sheet of one column with
// objects gets an empty character column, as a one-column text file does.
// Fails when there is no cell or the range is too large.
TResult<TMatrixData> SheetToMatrix(const TSheetCells& cells);

// Refuses ranges whose cells would not fit in memory.
TStatus UsedRangeFits(qint64 rows, qint64 cols);

// The back ends. Each fails with a sentence for the user (without the file
// name).

// Legacy .xls through FreeXL (which reads from a path only).
TResult<TSheetCells> ReadXlsFirstSheet(const QString& path);
// .xlsx (Office Open XML) and .ods (OpenDocument) read part by part from the
// zip; formulas are not calculated, their stored results are read.
TResult<TSheetRead> ReadXlsxFirstSheet(const QByteArray& bytes);
TResult<TSheetRead> ReadOdsFirstSheet(const QByteArray& bytes);
// The XML parsers without the zip around them (for the fuzz target).
TResult<TSheetRead> ReadOdsContentXml(const QByteArray& contentXml, const QByteArray& stylesXml);
TResult<TSheetRead> ReadXlsxSheetXml(const QByteArray& sheetXml, const QByteArray& sharedStringsXml,
                                     const QByteArray& stylesXml, bool epoch1904);
// The warning for formula cells without a stored result (they read empty).
QString FormulaWithoutResultWarning(const std::vector<QString>& cellNames);
