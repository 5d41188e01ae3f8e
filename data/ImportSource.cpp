#include "data/ImportSource.h"

#include "data/TextFile.h"

#include <QStringDecoder>
#include <algorithm>

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
    TReadResult result;
    QString text;
    if (!DecodeDataText(bytes, &text)) {
        result.Error = QStringLiteral(
            "this is not a text data file: it contains binary data (a workbook is opened with "
            "File/Data > Open > Excel).");
        return result;
    }
    text.remove(QLatin1Char('\r'));  // CR LF ends a line, a lone CR is dropped

    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();

    std::vector<QStringList> fields;
    fields.reserve(static_cast<size_t>(lines.size()));
    // CharacterCount is at least 1, and the matrix always has CharacterCount + 1 columns.
    qsizetype columns = 2;
    for (const QString& line : lines) {
        fields.push_back(line.split(QLatin1Char('\t')));
        columns = std::max(columns, fields.back().size());
    }
    const qint64 rows = static_cast<qint64>(fields.size()) + 1;
    if (rows * columns > MaxMatrixCells) {
        result.Error = QStringLiteral("the file is too large to load: %1 lines of up to %2 cells.")
                           .arg(fields.size())
                           .arg(columns);
        return result;
    }

    TMatrixData& d = result.Data;
    d.DataMatrix.assign(static_cast<size_t>(columns), TPart(static_cast<size_t>(rows)));
    d.ObjectCount = 1;
    d.CharacterCount = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        const QStringList& line = fields[i];
        for (qsizetype f = 0; f < line.size(); ++f)
            d.DataMatrix[static_cast<size_t>(f)][i] = CutCell(line[f]);
        const int tabs = static_cast<int>(line.size() - 1);
        if (tabs > d.CharacterCount) d.CharacterCount = tabs;
        if (!line.last().isEmpty()) d.ObjectCount = static_cast<int>(i);
    }
    result.Ok = true;
    return result;
}

TReadResult ReadTextMatrix(const QString& path)
{
    TReadResult result;
    QByteArray bytes;
    if (!ReadWholeFile(path, &bytes, &result.Error, MaxDataFileBytes)) return result;
    result = ReadTextMatrixBytes(bytes);
    if (!result.Ok) result.Error = QStringLiteral("Cannot load \"%1\": %2").arg(path, result.Error);
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
        warnings << QStringLiteral("WARNING: no objects were loaded: the data hold only a header line.");
    if (data.ObjectCount > MaxParsimonyObjects)
        warnings << QStringLiteral(
                        "WARNING: %1 objects were loaded; the parsimony search accepts at most %2 "
                        "objects.")
                        .arg(data.ObjectCount)
                        .arg(MaxParsimonyObjects);
    return warnings;
}
