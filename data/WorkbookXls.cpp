// Legacy .xls workbooks through FreeXL. Its quirks, measured here: the
// worksheet dimensions are counts (not the last indices its header promises),
// and formula cells without a cached value come back empty.
#include "data/WorkbookSheet.h"

#include <QFile>
#include <freexl.h>

namespace {
QString XlsErrorText(int code)
{
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("the file cannot be opened.");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("there is not enough memory to read it.");
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
        return QStringLiteral("it is not an Excel workbook.");
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("the file holds no Excel workbook (is it another Office document?).");
    case FREEXL_UNSUPPORTED_CHARSET:
    case FREEXL_INVALID_CHARACTER:
        return QStringLiteral("its texts are in a character set that cannot be read.");
    default:
        return QStringLiteral("the workbook is damaged or in a form that cannot be read (error %1).")
            .arg(code);
    }
}

// FreeXL wants the handle closed even when opening failed.
struct TXlsHandle {
    const void* Handle = nullptr;
    ~TXlsHandle()
    {
        if (Handle) freexl_close(Handle);
    }
};
}  // namespace

bool ReadXlsFirstSheet(const QString& path, TSheetCells* cells, QString* error)
{
    TXlsHandle xls;
    const QByteArray localPath = QFile::encodeName(path);
    int rc = freexl_open(localPath.constData(), &xls.Handle);
    if (rc != FREEXL_OK) {
        *error = XlsErrorText(rc);
        return false;
    }
    unsigned int info = 0;
    if (freexl_get_info(xls.Handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED) {
        *error = QStringLiteral("the workbook is protected by a password.");
        return false;
    }
    if (freexl_get_info(xls.Handle, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0) {
        *error = QStringLiteral("the workbook holds no worksheet.");
        return false;
    }
    unsigned int rows = 0;
    unsigned short cols = 0;
    rc = freexl_select_active_worksheet(xls.Handle, 0);
    if (rc == FREEXL_OK) rc = freexl_worksheet_dimensions(xls.Handle, &rows, &cols);
    if (rc != FREEXL_OK) {
        *error = XlsErrorText(rc);
        return false;
    }
    if (rows > 0 && cols > 0 && !UsedRangeFits(rows, cols, error)) return false;

    for (unsigned int r = 0; r < rows; ++r)
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(xls.Handle, r, c, &value) != FREEXL_OK) continue;
            QString text;
            switch (value.type) {
            case FREEXL_CELL_INT:
                text = QString::number(value.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                text = WorkbookNumberText(value.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (value.value.text_value) text = QString::fromUtf8(value.value.text_value);
                break;
            default:
                break;
            }
            if (!text.isEmpty()) cells->push_back({r, c, std::move(text)});
        }
    return true;
}
