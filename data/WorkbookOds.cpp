// .ods (OpenDocument spreadsheet) workbooks: content.xml of the zip through
// QXmlStreamReader. The first table is the first worksheet. Repeated rows
// and columns are expanded only where they hold something (writers repeat
// empty ones up to the sheet's end); a covered cell of a merged range takes
// its column and reads empty; spaces follow the OpenDocument rules (runs
// collapse, <text:s c="n"/> are n real spaces).
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <exception>
#include <vector>

#include "data/ImportSource.h"
#include "data/WorkbookSheet.h"
#include "data/WorkbookZip.h"

namespace {
constexpr QLatin1String TableNs("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
constexpr QLatin1String OfficeNs("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
constexpr QLatin1String TextNs("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
constexpr QLatin1String StyleNs("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
constexpr QLatin1String NumberNs("urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0");

// Cell style name → the date parts its data style shows.
using TDateStyles = QHash<QString, TDateParts>;

struct TStyleMaps {
    QHash<QString, TDateParts> DataStyles;  // date and time formats
    QHash<QString, QString> CellStyles;     // cell style → its data style
};

// One <office:styles> or <office:automatic-styles>, the reader on its start.
void ReadStyleElements(QXmlStreamReader& xml, TStyleMaps* maps)
{
    QHash<QString, TDateParts>& dataStyles = maps->DataStyles;
    QHash<QString, QString>& cellStyles = maps->CellStyles;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.namespaceUri() == OfficeNs) break;
        if (!xml.isStartElement()) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.namespaceUri() == NumberNs && (xml.name() == QLatin1String("date-style") ||
                                               xml.name() == QLatin1String("time-style"))) {
            const QString name = a.value(StyleNs, QLatin1String("name")).toString();
            bool date = false, time = false;
            for (int depth = 1; depth > 0 && !xml.atEnd();) {
                xml.readNext();
                if (xml.isStartElement()) {
                    ++depth;
                    const QStringView part = xml.name();
                    if (part == QLatin1String("hours") || part == QLatin1String("minutes") ||
                        part == QLatin1String("seconds"))
                        time = true;
                    else if (part == QLatin1String("year") || part == QLatin1String("month") ||
                             part == QLatin1String("day") || part == QLatin1String("day-of-week"))
                        date = true;
                } else if (xml.isEndElement()) {
                    --depth;
                }
            }
            if (date || time)
                dataStyles.insert(name, date && time ? TDateParts::DateTime
                                        : date       ? TDateParts::Date
                                                     : TDateParts::Time);
        } else if (xml.namespaceUri() == StyleNs && xml.name() == QLatin1String("style")) {
            cellStyles.insert(a.value(StyleNs, QLatin1String("name")).toString(),
                              a.value(StyleNs, QLatin1String("data-style-name")).toString());
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
}

// Cell styles live in content.xml, the data styles they name in content.xml
// or styles.xml (depending on the writer).
TDateStyles ReadDateStyles(const QByteArray& stylesXml, const QByteArray& contentXml)
{
    TStyleMaps maps;
    for (const QByteArray* part : {&stylesXml, &contentXml}) {
        QXmlStreamReader xml(*part);
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement() || xml.namespaceUri() != OfficeNs) continue;
            if (xml.name() == QLatin1String("body")) break;
            if (xml.name() == QLatin1String("styles") ||
                xml.name() == QLatin1String("automatic-styles"))
                ReadStyleElements(xml, &maps);
        }
    }
    TDateStyles styles;
    for (auto it = maps.CellStyles.cbegin(); it != maps.CellStyles.cend(); ++it) {
        const auto parts = maps.DataStyles.constFind(it.value());
        if (parts != maps.DataStyles.cend()) styles.insert(it.key(), *parts);
    }
    return styles;
}

// A stored date or date-time shown with the parts its style shows.
QString DateWithParts(const QString& isoText, const TDateParts* parts)
{
    if (!parts) return isoText;
    const qsizetype space = isoText.indexOf(QLatin1Char(' '));
    const QString date = space < 0 ? isoText : isoText.left(space);
    const QString time = space < 0 ? QStringLiteral("00:00:00") : isoText.mid(space + 1);
    switch (*parts) {
        case TDateParts::Date:
            return date;
        case TDateParts::Time:
            return time;
        case TDateParts::DateTime:
            return date + QLatin1Char(' ') + time;
    }
    return isoText;
}

bool IsSpace(QChar ch)
{
    return ch == QLatin1Char(' ') || ch == QLatin1Char('\t') || ch == QLatin1Char('\n') ||
           ch == QLatin1Char('\r');
}

// A repeat count: at least 1, and never beyond what a sheet can hold.
qint64 RepeatCount(const QXmlStreamAttributes& a, QLatin1String name)
{
    bool ok = false;
    const qint64 n = a.value(TableNs, name).toLongLong(&ok);
    return ok && n > 1 ? std::min<qint64>(n, SheetRows + 1) : 1;
}

// Longer cell texts are cut here already: only the first 255 characters
// are kept, the rest only tells that the cell was longer.
constexpr qsizetype MaxReadCellText = 4096;

class TParagraphText {
public:
    explicit TParagraphText(QString* out) : Out(out), LastWasSpace(true) {}
    void AddCharacters(QStringView chars)
    {
        for (const QChar ch : chars) {
            if (Out->size() >= MaxReadCellText) return;
            if (IsSpace(ch)) {
                if (!LastWasSpace) Out->append(QLatin1Char(' '));
                LastWasSpace = true;
            } else {
                Out->append(ch);
                LastWasSpace = false;
            }
        }
    }
    void AddLiteral(QStringView chars)
    {
        if (Out->size() < MaxReadCellText) Out->append(chars.left(MaxReadCellText - Out->size()));
        LastWasSpace = false;
    }

private:
    QString* Out;
    bool LastWasSpace;  // leading spaces of a paragraph are dropped too
};

// The text of a <text:p> or <text:h>, the reader on its start element.
void ReadParagraph(QXmlStreamReader& xml, QString* out)
{
    TParagraphText text(out);
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            text.AddCharacters(xml.text());
        } else if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (xml.namespaceUri() == TextNs && name == QLatin1String("s")) {
                bool ok = false;
                const QXmlStreamAttributes a = xml.attributes();
                // text:c; some writers leave the prefix out
                const int n = (a.hasAttribute(TextNs, QLatin1String("c"))
                                   ? a.value(TextNs, QLatin1String("c"))
                                   : a.value(QLatin1String("c")))
                                  .toInt(&ok);
                text.AddLiteral(
                    QString(ok && n > 0 ? std::min(n, MaxCellLength + 1) : 1, QLatin1Char(' ')));
                xml.skipCurrentElement();
            } else if (xml.namespaceUri() == TextNs && name == QLatin1String("tab")) {
                text.AddLiteral(u"\t");
                xml.skipCurrentElement();
            } else if (xml.namespaceUri() == TextNs && name == QLatin1String("line-break")) {
                text.AddLiteral(u"\n");
                xml.skipCurrentElement();
            } else if (name == QLatin1String("note") || name == QLatin1String("annotation") ||
                       name == QLatin1String("frame") || name == QLatin1String("ruby-text")) {
                xml.skipCurrentElement();  // notes and comments are not the cell's text
            } else {
                ++depth;  // spans, links, fields: their text counts
            }
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
}

QString DurationText(const QString& duration)
{
    static const QRegularExpression form(QStringLiteral(
        R"(^\s*-?P(?:(\d+)D)?(?:T(?:(\d+)H)?(?:(\d+)M)?(?:(\d+(?:[.,]\d*)?)S)?)?\s*$)"));
    const QRegularExpressionMatch m = form.match(duration);
    if (!m.hasMatch()) return duration;
    QString secondsText = m.captured(4);
    secondsText.replace(QLatin1Char(','), QLatin1Char('.'));
    const double total = m.captured(1).toDouble() * 86400 + m.captured(2).toDouble() * 3600 +
                         m.captured(3).toDouble() * 60 + secondsText.toDouble();
    if (total > 1e12) return duration;
    const qint64 s = std::llround(total);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

struct TCellRead {
    QString Text;
    bool FormulaWithoutResult = false;
};

// One <table:table-cell> or <table:covered-table-cell>, the reader on its
// start element; the value attributes decide, the shown paragraphs only for
// texts (a number's shown form depends on the writer's locale and format).
TCellRead ReadCell(QXmlStreamReader& xml, const TDateParts* dateParts)
{
    const QXmlStreamAttributes a = xml.attributes();
    QString paragraphs;
    bool firstParagraph = true;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) break;  // the cell's own end
        if (!xml.isStartElement()) continue;
        if (xml.namespaceUri() == TextNs &&
            (xml.name() == QLatin1String("p") || xml.name() == QLatin1String("h"))) {
            if (!firstParagraph) paragraphs += QLatin1Char('\n');
            firstParagraph = false;
            ReadParagraph(xml, &paragraphs);
        } else {
            xml.skipCurrentElement();  // comments, pictures, detective marks
        }
    }
    TCellRead cell;
    const QString type = a.value(OfficeNs, QLatin1String("value-type")).toString();
    const bool formula = a.hasAttribute(TableNs, QLatin1String("formula"));
    const QStringView calcType = a.value(
        QLatin1String("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"),
        QLatin1String("value-type"));
    if (calcType == QLatin1String("error")) {
        cell.Text = paragraphs;  // "#DIV/0!" and its kin, stored with a dummy number
    } else if (type == QLatin1String("float") || type == QLatin1String("percentage") ||
               type == QLatin1String("currency")) {
        bool ok = false;
        const double v = a.value(OfficeNs, QLatin1String("value")).toDouble(&ok);
        cell.Text = ok ? WorkbookNumberText(v) : paragraphs;
    } else if (type == QLatin1String("date")) {
        const QStringView v = a.value(OfficeNs, QLatin1String("date-value"));
        const QString iso = WorkbookIsoDateText(v.toString());
        // Only a recognised date shows by its style; other text stays as stored.
        cell.Text = v.isEmpty() ? paragraphs
                    : iso.size() >= 10 && iso.at(4) == QLatin1Char('-')
                        ? DateWithParts(iso, dateParts)
                        : iso;
    } else if (type == QLatin1String("time")) {
        const QStringView v = a.value(OfficeNs, QLatin1String("time-value"));
        cell.Text = v.isEmpty() ? paragraphs : DurationText(v.toString());
    } else if (type == QLatin1String("boolean")) {
        const QStringView v = a.value(OfficeNs, QLatin1String("boolean-value"));
        cell.Text = v.isEmpty()
                        ? paragraphs
                        : WorkbookBoolText(v == QLatin1String("true") || v == QLatin1String("1"));
    } else if (type == QLatin1String("string") &&
               a.hasAttribute(OfficeNs, QLatin1String("string-value"))) {
        cell.Text = a.value(OfficeNs, QLatin1String("string-value")).toString();
    } else {
        cell.Text = paragraphs;
        cell.FormulaWithoutResult = formula && type.isEmpty() && paragraphs.isEmpty();
    }
    return cell;
}

class TTableReader {
public:
    // Repeats may expand to at most maxCells cells with a value.
    TTableReader(TSheetCells* cells, const TDateStyles* dateStyles, qint64 maxCells)
        : Cells(cells), DateStyles(dateStyles), MaxCells(maxCells)
    {
    }
    std::vector<QString> FormulasWithoutResult;

    // The reader on <table:table>; reads to its end.
    TStatus ReadTable(QXmlStreamReader& xml)
    {
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.namespaceUri() == TableNs &&
                xml.name() == QLatin1String("table"))
                return {};
            if (!xml.isStartElement()) continue;
            if (xml.namespaceUri() != TableNs) {
                xml.skipCurrentElement();
            } else if (xml.name() == QLatin1String("table-row")) {
                if (TStatus row = ReadRow(xml); !row) return row;
            } else if (xml.name() == QLatin1String("table-column")) {
                const QXmlStreamAttributes a = xml.attributes();
                const qint64 n = RepeatCount(a, QLatin1String("number-columns-repeated"));
                const QString style =
                    a.value(TableNs, QLatin1String("default-cell-style-name")).toString();
                if (!style.isEmpty() && Columns < SheetCols)
                    ColumnStyles.push_back({Columns, n, style});
                Columns = std::min(Columns + n, SheetCols);
                xml.skipCurrentElement();
            } else if (xml.name() != QLatin1String("table-row-group") &&
                       xml.name() != QLatin1String("table-header-rows") &&
                       xml.name() != QLatin1String("table-rows")) {
                xml.skipCurrentElement();  // shapes, named ranges, nested tables
            }
        }
        return {};
    }

private:
    TSheetCells* Cells;
    const TDateStyles* DateStyles;
    qint64 MaxCells;
    qint64 Row = 0;
    struct TColumnStyle {
        qint64 First, Count;
        QString Style;
    };
    std::vector<TColumnStyle> ColumnStyles;  // default cell styles of columns
    qint64 Columns = 0;

    const TDateParts* DatePartsOf(const QXmlStreamAttributes& a, qint64 col) const
    {
        QString style = a.value(TableNs, QLatin1String("style-name")).toString();
        if (style.isEmpty())
            for (const TColumnStyle& c : ColumnStyles)
                if (col >= c.First && col < c.First + c.Count) style = c.Style;
        const auto parts = DateStyles->constFind(style);
        return parts == DateStyles->cend() ? nullptr : &*parts;
    }

    TStatus ReadRow(QXmlStreamReader& xml)
    {
        const qint64 rowRepeat =
            RepeatCount(xml.attributes(), QLatin1String("number-rows-repeated"));
        struct TRun {
            qint64 Col, Count;
            QString Text;
        };
        std::vector<TRun> runs;
        qint64 col = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement()) break;  // the row's own end
            if (!xml.isStartElement()) continue;
            if (xml.namespaceUri() != TableNs ||
                (xml.name() != QLatin1String("table-cell") &&
                 xml.name() != QLatin1String("covered-table-cell"))) {
                xml.skipCurrentElement();
                continue;
            }
            const qint64 colRepeat =
                RepeatCount(xml.attributes(), QLatin1String("number-columns-repeated"));
            const bool covered = xml.name() == QLatin1String("covered-table-cell");
            TCellRead cell = ReadCell(xml, DatePartsOf(xml.attributes(), col));
            if (covered) cell = {};  // a merged range shows the first cell's value only
            if (cell.FormulaWithoutResult && Row < SheetRows && col < SheetCols)
                FormulasWithoutResult.push_back(WorkbookCellName(Row, col));
            if (!cell.Text.isEmpty()) {
                if (col + colRepeat > SheetCols || Row + rowRepeat > SheetRows)
                    return TFailure(QStringLiteral("the worksheet holds cells outside the sheet."));
                if (TStatus fits = Widen(Row, Row + rowRepeat - 1, col, col + colRepeat - 1); !fits)
                    return fits;
                runs.push_back({col, colRepeat, std::move(cell.Text)});
            }
            col = std::min(col + colRepeat, SheetCols + 1);
        }
        if (!runs.empty()) {
            qint64 perRow = 0;
            for (const TRun& run : runs) perRow += run.Count;
            if (perRow * rowRepeat > MaxCells - static_cast<qint64>(Cells->size())) {
                return TFailure(
                    QStringLiteral("the worksheet repeats its values over more cells than "
                                   "a file of this size can hold; it is damaged."));
            }
            for (qint64 r = 0; r < rowRepeat; ++r)
                for (const TRun& run : runs)
                    for (qint64 k = 0; k < run.Count; ++k)
                        Cells->push_back({Row + r, run.Col + k, run.Text});
        }
        Row = std::min(Row + rowRepeat, SheetRows + 1);
        return {};
    }

    qint64 Top = SheetRows, Bottom = -1, Left = SheetCols, Right = -1;

    // Grows the used range; false when the matrix would not fit, before
    // repeats are expanded into cells.
    TStatus Widen(qint64 top, qint64 bottom, qint64 left, qint64 right)
    {
        Top = std::min(Top, top);
        Bottom = std::max(Bottom, bottom);
        Left = std::min(Left, left);
        Right = std::max(Right, right);
        return UsedRangeFits(Bottom - Top + 1, Right - Left + 1);
    }
};

bool IsEncrypted(const TZipArchive& parts)
{
    QByteArray manifest;
    return parts.Read(QStringLiteral("META-INF/manifest.xml"), &manifest) &&
           manifest.contains("encryption-data");
}
}  // namespace

TResult<TSheetRead> ReadOdsContentXml(const QByteArray& content, const QByteArray& stylesXml)
{
    TSheetRead read;
    const TDateStyles dateStyles = ReadDateStyles(stylesXml, content);
    QXmlStreamReader xml(content);
    // A few bytes of XML can repeat a value over the whole sheet; real
    // files repeat neighbouring equal cells, far fewer than this.
    const qint64 maxCells =
        std::min<qint64>(MaxMatrixCells, std::max<qint64>(1'000'000, 64 * content.size()));
    TTableReader table(&read.Cells, &dateStyles, maxCells);
    bool inSpreadsheet = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.namespaceUri() == OfficeNs && xml.name() == QLatin1String("spreadsheet")) {
            inSpreadsheet = true;
        } else if (inSpreadsheet && xml.namespaceUri() == TableNs &&
                   xml.name() == QLatin1String("table")) {
            if (TStatus done = table.ReadTable(xml); !done) return TFailure(done.Error());
            break;  // only the first worksheet
        }
    }
    if (xml.hasError())
        return TFailure(QStringLiteral("the worksheet is damaged (%1).").arg(xml.errorString()));
    if (!inSpreadsheet)
        return TFailure(QStringLiteral("it is an OpenDocument file, but not a spreadsheet."));
    if (!table.FormulasWithoutResult.empty())
        read.Warnings << FormulaWithoutResultWarning(table.FormulasWithoutResult);
    return read;
}

TResult<TSheetRead> ReadOdsFirstSheet(const QByteArray& bytes)
{
    try {
        const TZipArchive parts(bytes);
        if (IsEncrypted(parts))
            return TFailure(QStringLiteral("the workbook is protected by a password."));
        QByteArray content;
        if (!parts.Read(QStringLiteral("content.xml"), &content))
            return TFailure(
                QStringLiteral("the archive holds no spreadsheet content (content.xml)."));
        QByteArray styles;
        parts.Read(QStringLiteral("styles.xml"), &styles);  // optional
        return ReadOdsContentXml(content, styles);
    } catch (const std::bad_alloc&) {
        return TFailure(QStringLiteral("there is not enough memory to read it."));
    } catch (const std::exception& e) {
        return TFailure(
            QStringLiteral("the workbook is damaged or in a form that cannot be read (%1).")
                .arg(QString::fromUtf8(e.what())));
    }
}
