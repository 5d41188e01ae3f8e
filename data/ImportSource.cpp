#include "data/ImportSource.h"

#include <QStringDecoder>
#include <algorithm>

#include "data/TextFile.h"

namespace {
// Text of the file up to a Ctrl-Z (code 26), which ends it. "Unicode text"
// saved by spreadsheet applications is UTF-16 with a byte-order mark; other
// files are UTF-8 or Windows-1252. False when the bytes are not text.
bool DecodeDataText(const QByteArray& bytes, QString* text)
{
    const bool le = bytes.startsWith("\xff\xfe"), be = bytes.startsWith("\xfe\xff");
    if (le || be) {
        QStringDecoder utf16(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        *text = utf16.decode(bytes.mid(2));
        const qsizetype eof = text->indexOf(QChar(26));
        if (eof >= 0) text->truncate(eof);
        return !text->contains(QChar(0));
    }
    // NUL bytes never occur in 8-bit or UTF-8 text. Checked on the whole file,
    // before a Ctrl-Z cuts it, which random bytes would otherwise do early.
    if (bytes.contains('\0')) return false;
    const qsizetype eof = bytes.indexOf('\x1a');
    *text = DecodeText(eof >= 0 ? bytes.left(eof) : bytes);
    return true;
}
}  // namespace

TReadResult ReadTextMatrixBytes(const QByteArray& bytes)
{
    QString text;
    if (!DecodeDataText(bytes, &text))
        return TFailure(QStringLiteral(
            "this is not a text data file: it contains binary data (a workbook is opened with "
            "File/Data > Open > Excel)."));
    text.remove(QLatin1Char('\r'));  // CR LF ends a line, a lone CR is dropped

    // Lines and cells are counted before anything is built, so that a file
    // too large to load is refused with no more memory than its text.
    qsizetype lineCount = text.count(QLatin1Char('\n')) + 1;
    if (lineCount > 1 && text.endsWith(QLatin1Char('\n'))) --lineCount;
    // CharacterCount is at least 1, and the matrix always has CharacterCount + 1 columns.
    qsizetype columns = 2;
    {
        qsizetype fieldsInLine = 1;
        for (const QChar ch : std::as_const(text)) {
            if (ch == QLatin1Char('\t')) {
                ++fieldsInLine;
            } else if (ch == QLatin1Char('\n')) {
                columns = std::max(columns, fieldsInLine);
                fieldsInLine = 1;
            }
        }
        columns = std::max(columns, fieldsInLine);
    }
    const qint64 rows = static_cast<qint64>(lineCount) + 1;
    if (rows * columns > MaxMatrixCells)
        return TFailure(QStringLiteral("the file is too large to load: %1 lines of up to %2 cells.")
                            .arg(lineCount)
                            .arg(columns));

    TMatrixRead result;
    TMatrixData& d = result.Data;
    d.DataMatrix.assign(static_cast<size_t>(columns), TPart(static_cast<size_t>(rows)));
    d.ObjectCount = 1;
    d.CharacterCount = 1;
    const QStringView all(text);
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < lineCount; ++i) {
        qsizetype lineEnd = all.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0) lineEnd = all.size();
        const QStringView line = all.mid(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        qsizetype f = 0, from = 0;
        for (;; ++f) {
            qsizetype tab = line.indexOf(QLatin1Char('\t'), from);
            const bool last = tab < 0;
            if (last) tab = line.size();
            if (tab > from)
                d.SetCell(static_cast<size_t>(f), static_cast<size_t>(i),
                          line.mid(from, tab - from).toString());
            from = tab + 1;
            if (last) break;
        }
        if (f > d.CharacterCount) d.CharacterCount = static_cast<int>(f);
        if (!line.endsWith(QLatin1Char('\t')) && !line.isEmpty())
            d.ObjectCount = static_cast<int>(i);
    }
    return result;
}

TReadResult ReadTextMatrix(const QString& path)
{
    const TResult<QByteArray> bytes = ReadWholeFile(path, MaxDataFileBytes);
    if (!bytes) return TFailure(bytes.Error());
    TReadResult result = ReadTextMatrixBytes(*bytes);
    if (!result)
        return TFailure(QStringLiteral("Cannot load \"%1\": %2").arg(path, result.Error()));
    return result;
}

void PointToComma(TDynStrMatrix& matrix, int objectCount, int characterCount)
{
    for (int o = 1; o <= objectCount; ++o)
        for (int c = 1; c <= characterCount; ++c) {
            if (c >= static_cast<int>(matrix.size())) break;
            TPart& column = matrix[static_cast<size_t>(c)];
            if (o >= static_cast<int>(column.size())) continue;
            QString& cell = column[static_cast<size_t>(o)];
            const qsizetype p = cell.indexOf(QLatin1Char('.'));
            if (p >= 0) cell[p] = QLatin1Char(',');
        }
}

QStringList LoadWarnings(const TMatrixData& data)
{
    QStringList warnings;
    bool anyText = false;
    for (const TPart& column : data.DataMatrix) {
        const size_t rows = std::min(column.size(), static_cast<size_t>(data.ObjectCount) + 1);
        for (size_t o = 0; o < rows && !anyText; ++o) anyText = !column[o].isEmpty();
        if (anyText) break;
    }
    if (!anyText)
        warnings << QStringLiteral("WARNING: the file holds no data: every cell is empty.");
    else if (data.ObjectCount == 0)
        warnings << QStringLiteral(
            "WARNING: no objects were loaded: the data hold only a header line.");
    if (data.CutCells > 0) {
        const int c = data.FirstCutColumn, o = data.FirstCutRow;
        const QString place = c == 0 && o == 0 ? QStringLiteral("the first cell of the header line")
                              : o == 0         ? QStringLiteral("the header of character %1").arg(c)
                              : c == 0         ? QStringLiteral("the name of object %1").arg(o)
                                       : QStringLiteral("object %1, character %2").arg(o).arg(c);
        warnings
            << QStringLiteral(
                   "WARNING: %1 cell(s) longer than %2 characters were cut to %2 characters; the "
                   "first is %3.")
                   .arg(data.CutCells)
                   .arg(MaxCellLength)
                   .arg(place);
    }
    if (data.ObjectCount > MaxParsimonyObjects)
        warnings << QStringLiteral(
                        "WARNING: %1 objects were loaded; the parsimony search accepts at most %2 "
                        "objects.")
                        .arg(data.ObjectCount)
                        .arg(MaxParsimonyObjects);
    return warnings;
}
