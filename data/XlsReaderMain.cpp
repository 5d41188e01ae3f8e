// varno-xls-reader: reads the first worksheet of one .xls workbook and writes
// its cells to stdout, for the program, which runs it as a child process so
// that a damaged file that crashes the reading library ends only this process.
//
//   varno-xls-reader FILE MAX_CELLS
//
// Output, every count in bytes, texts in UTF-8:
//   VARNOXLS 1\n
//   n ROW COL HEX\n          a number: the 16 hex digits of the IEEE double
//   s ROW COL LENGTH\n TEXT  a text, a date, a boolean or an error value
//   f CODE\n                 FreeXL failed with CODE (nothing else follows)
//   r ROWS COLS\n            the worksheet is larger than MAX_CELLS (nothing follows)
//   end\n
// Texts are cut to one character more than a cell keeps, so that the
// program still sees that they were longer.
#include <fcntl.h>
#include <freexl.h>
#include <unistd.h>

#include <QFile>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "data/XlsFormulas.h"

namespace {
constexpr int PasswordCode = -1000;
constexpr int NoSheetCode = -1001;
constexpr qsizetype KeptCharacters = 256;  // one past what a cell keeps
constexpr qint64 MaxFileBytes = 256LL * 1024 * 1024;

FILE* Out = nullptr;

void Put(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), Out);
}

void PutText(quint32 row, quint32 col, QString text)
{
    if (text.size() > KeptCharacters) {
        qsizetype n = KeptCharacters;
        if (text.at(n - 1).isHighSurrogate()) --n;
        text.truncate(n);
    }
    const QByteArray utf8 = text.toUtf8();
    Put(QByteArray("s ") + QByteArray::number(row) + ' ' + QByteArray::number(col) + ' ' +
        QByteArray::number(utf8.size()) + '\n' + utf8);
}

void PutNumber(quint32 row, quint32 col, double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Put(QByteArray("n ") + QByteArray::number(row) + ' ' + QByteArray::number(col) + ' ' +
        QByteArray::number(bits, 16).rightJustified(16, '0') + '\n');
}

int Fail(int code)
{
    Put("f " + QByteArray::number(code) + '\n');
    std::fflush(Out);
    return 0;
}

struct TXlsHandle {
    const void* Handle = nullptr;
    ~TXlsHandle()
    {
        if (Handle) freexl_close(Handle);
    }
};
}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: varno-xls-reader FILE MAX_CELLS\n");
        return 2;
    }
    // Our answer gets a stream of its own; whatever a library prints goes nowhere.
    const int outFd = ::dup(STDOUT_FILENO);
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (outFd < 0 || devNull < 0 || ::dup2(devNull, STDOUT_FILENO) < 0) return 3;
    Out = ::fdopen(outFd, "wb");
    if (!Out) return 3;
    const qint64 maxCells = QByteArray(argv[2]).toLongLong();

    Put("VARNOXLS 1\n");
    TXlsHandle xls;
    int rc = freexl_open(argv[1], &xls.Handle);
    if (rc != FREEXL_OK) return Fail(rc);
    unsigned int info = 0;
    if (freexl_get_info(xls.Handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        return Fail(PasswordCode);
    if (freexl_get_info(xls.Handle, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0)
        return Fail(NoSheetCode);
    unsigned int rows = 0;
    unsigned short cols = 0;
    rc = freexl_select_active_worksheet(xls.Handle, 0);
    if (rc == FREEXL_OK) rc = freexl_worksheet_dimensions(xls.Handle, &rows, &cols);
    if (rc != FREEXL_OK) return Fail(rc);
    if (rows > 0 && cols > 0 && static_cast<qint64>(rows) > maxCells / cols) {
        Put("r " + QByteArray::number(rows) + ' ' + QByteArray::number(cols) + '\n');
        std::fflush(Out);
        return 0;
    }

    // FreeXL leaves formula cells empty: their stored results come from the records.
    QByteArray file;
    {
        QFile f(QFile::decodeName(argv[1]));
        if (f.open(QIODevice::ReadOnly)) file = f.read(MaxFileBytes);
    }
    const TXlsFormulaResults formulas = ReadXlsFormulaResults(file);
    file.clear();
    std::map<std::pair<quint32, quint32>, const TXlsFormulaCell*> formulaAt;
    for (const TXlsFormulaCell& cell : formulas.Cells) formulaAt[{cell.Row, cell.Col}] = &cell;
    const auto filled = [&formulaAt](unsigned int r, unsigned short c) { formulaAt.erase({r, c}); };
    // Booleans as TRUE/FALSE, as the other formats give them, not as FreeXL's 1/0.
    std::map<std::pair<quint32, quint32>, const TXlsFormulaCell*> boolErrAt;
    for (const TXlsFormulaCell& cell : formulas.BoolErrCells)
        boolErrAt[{cell.Row, cell.Col}] = &cell;
    for (unsigned int r = 0; r < rows; ++r)
        for (unsigned short c = 0; c < cols; ++c) {
            if (const auto b = boolErrAt.find({r, c}); b != boolErrAt.end()) {
                PutText(r, c, b->second->Text);
                filled(r, c);
                boolErrAt.erase(b);
                continue;
            }
            FreeXL_CellValue value;
            if (freexl_get_cell_value(xls.Handle, r, c, &value) != FREEXL_OK) continue;
            switch (value.type) {
                case FREEXL_CELL_INT:
                    PutNumber(r, c, static_cast<double>(value.value.int_value));
                    filled(r, c);
                    break;
                case FREEXL_CELL_DOUBLE:
                    PutNumber(r, c, value.value.double_value);
                    filled(r, c);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    if (value.value.text_value && *value.value.text_value) {
                        PutText(r, c, QString::fromUtf8(value.value.text_value));
                        filled(r, c);
                    }
                    break;
                default:
                    break;
            }
        }
    for (const auto& [place, cell] : formulaAt) {
        if (cell->IsNumber)
            PutNumber(cell->Row, cell->Col, cell->Number);
        else if (!cell->Text.isEmpty())
            PutText(cell->Row, cell->Col, cell->Text);
    }
    Put("end\n");
    return std::fflush(Out) == 0 ? 0 : 3;
}
