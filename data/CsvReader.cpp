#include "data/CsvReader.h"

#include <QFileInfo>
#include <algorithm>

#include "data/TextFile.h"

bool IsCsvPath(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
}

namespace {
// The separator of the first line: the more frequent of "," and ";" outside quotes.
QChar DetectSeparator(const QString& text)
{
    int commas = 0, semicolons = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"')) quoted = !quoted;
        if (quoted) continue;
        if (c == QLatin1Char('\n')) break;
        if (c == QLatin1Char(',')) ++commas;
        if (c == QLatin1Char(';')) ++semicolons;
    }
    return semicolons > commas ? QLatin1Char(';') : QLatin1Char(',');
}

QString LineList(const std::vector<int>& lines)
{
    QStringList parts;
    for (size_t i = 0; i < lines.size() && i < 5; ++i) parts << QString::number(lines[i]);
    if (lines.size() > 5) parts << QStringLiteral("... (%1 lines)").arg(lines.size());
    return parts.join(QStringLiteral(", "));
}
}  // namespace

TReadResult ReadCsvMatrixBytes(const QByteArray& bytes)
{
    if (bytes.contains('\0'))
        return TFailure(QStringLiteral("this is not a CSV file: it contains binary data."));
    // Every field costs memory before the table's own size check: count them
    // first, on the bytes (separators are ASCII).
    if (std::max(bytes.count(','), bytes.count(';')) + bytes.count('\n') > MaxMatrixCells)
        return TFailure(QStringLiteral("the file is too large to load: more than %1 cells.")
                            .arg(MaxMatrixCells));
    QString text = DecodeText(bytes);
    text.remove(QLatin1Char('\r'));
    const QChar sep = DetectSeparator(text);

    std::vector<QStringList> rows;
    std::vector<int> rowLine;
    QStringList row;
    QString field;
    int line = 1, recordLine = 1, quoteLine = 0;
    bool inQuotes = false, afterQuote = false;
    int flattened = 0;
    auto endField = [&] {
        if (field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\t')) ||
            field.contains(QChar(26))) {
            ++flattened;
            field.replace(QLatin1Char('\n'), QLatin1Char(' '))
                .replace(QLatin1Char('\t'), QLatin1Char(' '))
                .replace(QChar(26), QLatin1Char(' '));
        }
        row << field;
        field.clear();
        afterQuote = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    inQuotes = false;
                    afterQuote = true;
                }
            } else {
                if (c == QLatin1Char('\n')) ++line;
                field += c;
            }
            continue;
        }
        if (c == sep) {
            endField();
        } else if (c == QLatin1Char('\n')) {
            endField();
            rows.push_back(row);
            rowLine.push_back(recordLine);
            row.clear();
            recordLine = ++line;
        } else if (afterQuote) {
            return TFailure(
                QStringLiteral(
                    "line %1, field %2: text after the closing quote (a field in quotes ends with "
                    "the quote; a quote inside it is written twice).")
                    .arg(line)
                    .arg(row.size() + 1));
        } else if (c == QLatin1Char('"')) {
            if (!field.isEmpty())
                return TFailure(
                    QStringLiteral(
                        "line %1, field %2: a stray quote inside a field without quotes (put the "
                        "field in quotes and write the quote twice).")
                        .arg(line)
                        .arg(row.size() + 1));
            inQuotes = true;
            quoteLine = line;
        } else {
            field += c;
        }
    }
    if (inQuotes)
        return TFailure(QStringLiteral("line %1, field %2: a quoted field is never closed.")
                            .arg(quoteLine)
                            .arg(row.size() + 1));
    if (!field.isEmpty() || !row.isEmpty() || afterQuote) {
        endField();
        rows.push_back(row);
        rowLine.push_back(recordLine);
    }
    if (rows.empty()) return TFailure(QStringLiteral("the file is empty."));

    // Rows shorter than the header are padded with empty cells; longer ones
    // usually mean an unquoted separator inside a field.
    const qsizetype header = rows.front().size();
    std::vector<int> shortLines;
    for (size_t r = 1; r < rows.size(); ++r) {
        QStringList& fieldsOfRow = rows[r];
        while (fieldsOfRow.size() > header && fieldsOfRow.last().isEmpty())
            fieldsOfRow.removeLast();
        if (fieldsOfRow.size() > header)
            return TFailure(
                QStringLiteral(
                    "line %1 has %2 fields, the header line %3 (is a \"%4\" inside a field not "
                    "quoted?).")
                    .arg(rowLine[r])
                    .arg(fieldsOfRow.size())
                    .arg(header)
                    .arg(sep));
        if (fieldsOfRow.size() < header &&
            !(fieldsOfRow.size() == 1 && fieldsOfRow.front().isEmpty()))
            shortLines.push_back(rowLine[r]);
    }

    QByteArray table;
    for (const QStringList& r : rows) table += r.join(QLatin1Char('\t')).toUtf8() + '\n';
    TReadResult result = ReadTextMatrixBytes(table);
    if (!result) return result;
    if (sep == QLatin1Char(';'))
        result->Notes << QStringLiteral("CSV: fields separated by semicolons.");
    if (!shortLines.empty())
        result->Notes << QStringLiteral(
                             "WARNING: lines with fewer fields than the header line, missing cells "
                             "left empty: %1.")
                             .arg(LineList(shortLines));
    if (flattened > 0)
        result->Notes << QStringLiteral(
                             "WARNING: %1 fields held line breaks or tabs, replaced by blanks.")
                             .arg(flattened);
    return result;
}

TReadResult ReadCsvMatrix(const QString& path)
{
    const TResult<QByteArray> bytes = ReadWholeFile(path, MaxDataFileBytes);
    if (!bytes) return TFailure(bytes.Error());
    TReadResult result = ReadCsvMatrixBytes(*bytes);
    if (!result)
        return TFailure(QStringLiteral("Cannot load \"%1\": %2").arg(path, result.Error()));
    return result;
}

QByteArray EncodeCsvTable(const std::vector<QStringList>& rows)
{
    QByteArray out;
    for (const QStringList& row : rows) {
        QStringList fields;
        for (const QString& f : row) {
            const bool quote = f.contains(QLatin1Char(',')) || f.contains(QLatin1Char(';')) ||
                               f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\n')) ||
                               f.contains(QLatin1Char('\r')) ||
                               (!f.isEmpty() && (f.front().isSpace() || f.back().isSpace()));
            if (!quote) {
                fields << f;
                continue;
            }
            QString q = f;
            q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            fields << QLatin1Char('"') + q + QLatin1Char('"');
        }
        out += fields.join(QLatin1Char(',')).toUtf8();
        out += "\r\n";
    }
    return out;
}
