// .xlsx (Office Open XML) workbooks, read part by part: libzip for the
// archive, QXmlStreamReader for the few XML parts. Writers differ: openpyxl
// and pandas name parts with absolute paths, Gnumeric mixes inline and
// shared strings, formulas may come with or without a stored result.
#include <QDir>
#include <QHash>
#include <QXmlStreamReader>
#include <exception>
#include <optional>
#include <vector>

#include "data/ImportSource.h"
#include "data/WorkbookSheet.h"
#include "data/WorkbookZip.h"

namespace {
// A relationship target as a part name: absolute targets start at the
// archive's root, relative ones at the folder of the part that names them.
QString ResolveTarget(const QString& fromFolder, const QString& target)
{
    const QString path =
        target.startsWith(QLatin1Char('/')) ? target : fromFolder + QLatin1Char('/') + target;
    QString clean = QDir::cleanPath(path);
    while (clean.startsWith(QLatin1Char('/'))) clean.remove(0, 1);
    return clean;
}

QString FolderOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash);
}

QString RelsOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

struct TRelationship {
    QString Type, Target;
};

QHash<QString, TRelationship> ReadRelationships(const QByteArray& xmlBytes)
{
    QHash<QString, TRelationship> rels;
    QXmlStreamReader xml(xmlBytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("Relationship")) {
            const QXmlStreamAttributes a = xml.attributes();
            rels.insert(a.value(QLatin1String("Id")).toString(),
                        {a.value(QLatin1String("Type")).toString(),
                         a.value(QLatin1String("Target")).toString()});
        }
    }
    return rels;
}

// The text of an <si> or <is> element: its <t> runs (plain or rich text),
// without phonetic runs.
QString ReadRichText(QXmlStreamReader& xml)
{
    QString text;
    int phonetic = 0;
    const QString element = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t") && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            else if (xml.name() == element)
                break;
        }
    }
    return text;
}

std::vector<QString> ReadSharedStrings(const QByteArray& xmlBytes)
{
    std::vector<QString> strings;
    QXmlStreamReader xml(xmlBytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("si"))
            strings.push_back(ReadRichText(xml));
    }
    return strings;
}

// Which parts of a date a number format shows; none for other formats.
std::optional<TDateParts> DatePartsOfCode(const QString& code)
{
    // Only the first section counts; quoted text, escaped characters and
    // [colour]/[$-locale] brackets show no date ([h], [m], [s] are elapsed time).
    QString plain;
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar ch = code[i];
        if (quoted) {
            quoted = ch != QLatin1Char('"');
        } else if (ch == QLatin1Char('"')) {
            quoted = true;
        } else if (ch == QLatin1Char('\\') || ch == QLatin1Char('_') || ch == QLatin1Char('*')) {
            ++i;
        } else if (ch == QLatin1Char(';')) {
            break;
        } else if (ch == QLatin1Char('[')) {
            const qsizetype end = code.indexOf(QLatin1Char(']'), i);
            if (end < 0) break;
            const QString inside = code.mid(i + 1, end - i - 1).toLower();
            if (inside == QLatin1String("h") || inside == QLatin1String("hh") ||
                inside == QLatin1String("m") || inside == QLatin1String("mm") ||
                inside == QLatin1String("s") || inside == QLatin1String("ss"))
                plain += inside;
            i = end;
        } else {
            plain += ch.toLower();
        }
    }
    if (plain.contains(QLatin1String("general"))) return std::nullopt;
    const bool date = plain.contains(QLatin1Char('y')) || plain.contains(QLatin1Char('d'));
    const bool time = plain.contains(QLatin1Char('h')) || plain.contains(QLatin1Char('s'));
    if (date && time) return TDateParts::DateTime;
    if (date) return TDateParts::Date;
    if (time) return TDateParts::Time;
    if (plain.contains(QLatin1Char('m')) && !plain.contains(QLatin1Char('0')) &&
        !plain.contains(QLatin1Char('#')))
        return TDateParts::Date;  // "mmm": a month name
    return std::nullopt;
}

std::optional<TDateParts> DatePartsOfBuiltin(int id)
{
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) ||
        (id >= 50 && id <= 58))
        return TDateParts::Date;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 33) || (id >= 45 && id <= 47))
        return TDateParts::Time;
    if (id == 22) return TDateParts::DateTime;
    return std::nullopt;
}

// For every cell style (the s attribute of a cell) the date parts it shows.
std::vector<std::optional<TDateParts>> ReadStyleDates(const QByteArray& xmlBytes)
{
    QHash<int, QString> customCodes;
    std::vector<std::optional<TDateParts>> styles;
    QXmlStreamReader xml(xmlBytes);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QXmlStreamAttributes a = xml.attributes();
            if (xml.name() == QLatin1String("numFmt")) {
                customCodes.insert(a.value(QLatin1String("numFmtId")).toInt(),
                                   a.value(QLatin1String("formatCode")).toString());
            } else if (xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (xml.name() == QLatin1String("xf") && inCellXfs) {
                const int id = a.value(QLatin1String("numFmtId")).toInt();
                const auto custom = customCodes.constFind(id);
                styles.push_back(custom != customCodes.cend() ? DatePartsOfCode(*custom)
                                                              : DatePartsOfBuiltin(id));
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    return styles;
}

// "AB12" → row 11, column 27 (0-based); false when it is no cell reference.
bool ParseCellReference(QStringView ref, qint64* row, qint64* col)
{
    qsizetype i = 0;
    qint64 c = 0, r = 0;
    while (i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 128) {
        c = c * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (c > SheetCols) return false;
        ++i;
    }
    if (i == 0 || i == ref.size()) return false;
    for (; i < ref.size(); ++i) {
        if (!ref[i].isDigit() || ref[i].unicode() >= 128) return false;
        r = r * 10 + (ref[i].unicode() - '0');
        if (r > SheetRows) return false;
    }
    if (r < 1) return false;
    *row = r - 1;
    *col = c - 1;
    return true;
}

struct TSheetContext {
    bool ResultsStale = false;  // the writer asks for a recalculation on opening
    const std::vector<QString>* Shared = nullptr;
    const std::vector<std::optional<TDateParts>>* StyleDates = nullptr;
    bool Epoch1904 = false;
};

QString NumberCellText(const QString& value, const TSheetContext& context, int style)
{
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok) return value;
    if (style >= 0 && static_cast<size_t>(style) < context.StyleDates->size()) {
        if (const std::optional<TDateParts> parts =
                (*context.StyleDates)[static_cast<size_t>(style)]) {
            const QString date = WorkbookSerialDateText(number, context.Epoch1904, *parts);
            if (!date.isEmpty()) return date;
        }
    }
    return WorkbookNumberText(number);
}

TResult<TSheetRead> ReadSheetCells(const QByteArray& xmlBytes, const TSheetContext& context)
{
    TSheetRead read;
    QXmlStreamReader xml(xmlBytes);
    qint64 row = -1, col = -1;
    std::vector<QString> formulasWithoutResult;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("row")) {
            bool ok = false;
            const qint64 r = xml.attributes().value(QLatin1String("r")).toLongLong(&ok);
            row = ok && r >= 1 && r <= SheetRows ? r - 1 : row + 1;
            col = -1;
            continue;
        }
        if (xml.name() != QLatin1String("c")) continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QStringView ref = a.value(QLatin1String("r"));
        if (ref.isEmpty()) {
            ++col;  // cells without a reference follow the previous one
        } else if (!ParseCellReference(ref, &row, &col)) {
            return TFailure(QStringLiteral("the worksheet names a cell \"%1\" that does not exist.")
                                .arg(ref.toString()));
        }
        if (row < 0 || row >= SheetRows || col < 0 || col >= SheetCols)
            return TFailure(QStringLiteral("the worksheet holds cells outside the sheet."));
        const QString type = a.value(QLatin1String("t")).toString();
        bool styleOk = false;
        int style = a.value(QLatin1String("s")).toInt(&styleOk);
        if (!styleOk) style = 0;
        QString value, inlineText;
        bool hasValue = false, hasInline = false, hasFormula = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == QLatin1String("c")) break;
            if (!xml.isStartElement()) continue;
            if (xml.name() == QLatin1String("v")) {
                value = xml.readElementText();
                hasValue = true;
            } else if (xml.name() == QLatin1String("is")) {
                inlineText = ReadRichText(xml);
                hasInline = true;
            } else if (xml.name() == QLatin1String("f")) {
                hasFormula = true;
                xml.skipCurrentElement();
            }
        }
        QString text;
        if (type == QLatin1String("inlineStr") || hasInline) {
            text = inlineText;
        } else if (hasFormula && (!hasValue || context.ResultsStale ||
                                  (value.isEmpty() && type != QLatin1String("str")))) {
            formulasWithoutResult.push_back(WorkbookCellName(row, col));
        } else if (type == QLatin1String("s")) {
            bool ok = false;
            const qulonglong index = value.toULongLong(&ok);
            if (ok && index < context.Shared->size()) text = (*context.Shared)[index];
        } else if (type == QLatin1String("b")) {
            if (!value.isEmpty()) text = WorkbookBoolText(value.trimmed() != QLatin1String("0"));
        } else if (type == QLatin1String("d")) {
            text = WorkbookIsoDateText(value);
        } else if (type == QLatin1String("str") || type == QLatin1String("e")) {
            text = value;
        } else if (!value.isEmpty()) {
            text = NumberCellText(value, context, style);
        }
        if (text.isEmpty()) continue;
        if (static_cast<qint64>(read.Cells.size()) >= MaxMatrixCells)
            return TFailure(QStringLiteral("the first worksheet holds too many cells to load."));
        read.Cells.push_back({row, col, std::move(text)});
    }
    if (xml.hasError())
        return TFailure(QStringLiteral("the worksheet is damaged (%1).").arg(xml.errorString()));
    if (!formulasWithoutResult.empty())
        read.Warnings << FormulaWithoutResultWarning(formulasWithoutResult);
    return read;
}

bool IsTrue(QStringView v) { return v == QLatin1String("1") || v == QLatin1String("true"); }

// The date system, and whether stored formula results can be trusted:
// writers that never calculate (openpyxl, xlsxwriter) store 0 or nothing
// and ask for a full calculation on load.
void ReadWorkbookSettings(const QByteArray& workbookXml, TSheetContext* context)
{
    QXmlStreamReader xml(workbookXml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("workbookPr"))
            context->Epoch1904 = IsTrue(xml.attributes().value(QLatin1String("date1904")));
        else if (xml.name() == QLatin1String("calcPr"))
            context->ResultsStale = IsTrue(xml.attributes().value(QLatin1String("fullCalcOnLoad")));
    }
}
}  // namespace

TResult<TSheetRead> ReadXlsxSheetXml(const QByteArray& sheetXml, const QByteArray& sharedStringsXml,
                                     const QByteArray& stylesXml, bool epoch1904)
{
    const std::vector<QString> shared = ReadSharedStrings(sharedStringsXml);
    const std::vector<std::optional<TDateParts>> styleDates = ReadStyleDates(stylesXml);
    TSheetContext context;
    context.Epoch1904 = epoch1904;
    context.Shared = &shared;
    context.StyleDates = &styleDates;
    return ReadSheetCells(sheetXml, context);
}

TResult<TSheetRead> ReadXlsxFirstSheet(const QByteArray& bytes)
{
    try {
        const TZipArchive parts(bytes);
        QByteArray xmlBytes;
        QString workbook = QStringLiteral("xl/workbook.xml");
        if (parts.Read(QStringLiteral("_rels/.rels"), &xmlBytes))
            for (const TRelationship& rel : ReadRelationships(xmlBytes))
                if (rel.Type.endsWith(QLatin1String("/officeDocument")))
                    workbook = ResolveTarget(QString(), rel.Target);
        if (!parts.Read(workbook, &xmlBytes))
            return TFailure(
                QStringLiteral("the archive holds no workbook (is it another Office document?)."));
        TSheetContext context;
        ReadWorkbookSettings(xmlBytes, &context);
        // The first <sheet> of <sheets> is the first worksheet; its
        // relationship id leads to the part.
        QString firstSheetId;
        {
            QXmlStreamReader xml(xmlBytes);
            bool isWorkbook = false;
            while (!xml.atEnd() && firstSheetId.isEmpty()) {
                xml.readNext();
                if (!xml.isStartElement()) continue;
                if (!isWorkbook && xml.name() != QLatin1String("workbook")) break;
                isWorkbook = true;
                if (xml.name() == QLatin1String("sheet"))
                    for (const QXmlStreamAttribute& a : xml.attributes())
                        if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                            firstSheetId = a.value().toString();
            }
            if (!isWorkbook || xml.hasError())
                return TFailure(
                    QStringLiteral("it is a zip archive, but not a workbook that can be read "
                                   "(.xlsx or .ods), or it is damaged."));
        }
        if (firstSheetId.isEmpty()) return TSheetRead{};  // no worksheet: the caller says "empty"

        QHash<QString, TRelationship> rels;
        if (parts.Read(RelsOf(workbook), &xmlBytes)) rels = ReadRelationships(xmlBytes);
        std::vector<QString> shared;
        std::vector<std::optional<TDateParts>> styleDates;
        for (const TRelationship& rel : rels) {
            if (rel.Type.endsWith(QLatin1String("/sharedStrings")) &&
                parts.Read(ResolveTarget(FolderOf(workbook), rel.Target), &xmlBytes))
                shared = ReadSharedStrings(xmlBytes);
            else if (rel.Type.endsWith(QLatin1String("/styles")) &&
                     parts.Read(ResolveTarget(FolderOf(workbook), rel.Target), &xmlBytes))
                styleDates = ReadStyleDates(xmlBytes);
        }
        context.Shared = &shared;
        context.StyleDates = &styleDates;
        const auto sheetRel = rels.constFind(firstSheetId);
        if (sheetRel == rels.cend() ||
            !parts.Read(ResolveTarget(FolderOf(workbook), sheetRel->Target), &xmlBytes))
            return TFailure(QStringLiteral("the first worksheet is missing from the archive."));
        return ReadSheetCells(xmlBytes, context);
    } catch (const std::bad_alloc&) {
        return TFailure(QStringLiteral("there is not enough memory to read it."));
    } catch (const std::exception& e) {
        return TFailure(
            QStringLiteral("the workbook is damaged or in a form that cannot be read (%1).")
                .arg(QString::fromUtf8(e.what())));
    }
}
