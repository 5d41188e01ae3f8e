#pragma once
// The stored results of the formula cells of an .xls workbook's first
// worksheet, read from the BIFF8 records themselves (FreeXL leaves formula
// cells empty), and its plain boolean and error cells (FreeXL hands them over
// as integers). Dates are told by the cell's number format, as a spreadsheet
// shows them.
//
//   TXlsFormulaResults r = ReadXlsFormulaResults(fileBytes);
//   for (const TXlsFormulaCell& cell : r.Cells) ... cell.Row, cell.Col, cell.Text
//
// Damaged files give whatever could be read up to the damage; nothing here
// reads outside the bytes it was given.
#include <QByteArray>
#include <QString>
#include <vector>

struct TXlsFormulaCell {
    quint32 Row = 0;  // 0-based
    quint32 Col = 0;
    bool IsNumber = false;
    double Number = 0;  // when IsNumber
    QString Text;       // string, boolean (TRUE/FALSE), error (#DIV/0!) or date (yyyy-mm-dd)
};

struct TXlsFormulaResults {
    std::vector<TXlsFormulaCell> Cells;
    int WithoutResult = 0;  // formula cells whose result could not be read
    // Cells of BOOLERR records: TRUE/FALSE or an error value (#N/A), as text.
    std::vector<TXlsFormulaCell> BoolErrCells;
};

// The stream named "Workbook" (or "Book") of an OLE2 compound file; empty
// when there is none or the container is damaged.
QByteArray XlsWorkbookStream(const QByteArray& file);

// Formula results of the first worksheet of a compound file's bytes.
TXlsFormulaResults ReadXlsFormulaResults(const QByteArray& file);
