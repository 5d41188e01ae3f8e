// A second reading path for .xlsx files that orcus 0.17 takes for empty
// without an error: those written by openpyxl and pandas name their parts
// with absolute paths ("/xl/worksheets/sheet1.xml") and keep strings inline.
// The zip is read by libzip; the few XML parts by QXmlStreamReader.
#include "data/WorkbookSheet.h"
#include "data/WorkbookZip.h"

#include <QDir>
#include <QHash>
#include <QXmlStreamReader>

#include <exception>
#include <string>
#include <vector>

namespace {
constexpr qint64 SheetRows = 1048576;
constexpr qint64 SheetCols = 16384;

// A relationship target as a part name: absolute targets start at the
// archive's root, relative ones at the folder of the part that names them.
QString ResolveTarget(const QString& fromFolder, const QString& target)
{
    const QString path = target.startsWith(QLatin1Char('/')) ? target : fromFolder + QLatin1Char('/') + target;
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
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
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
                        {a.value(QLatin1String("Type")).toString(), a.value(QLatin1String("Target")).toString()});
        }
    }
    return rels;
}

// The text of an <si> or <is> element: its <t> runs, without phonetic runs.
QString ReadRichText(QXmlStreamReader& xml)
{
    QString text;
    int phonetic = 0;
    const QString element = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("rPh")) ++phonetic;
            else if (xml.name() == QLatin1String("t") && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("rPh")) --phonetic;
            else if (xml.name() == element) break;
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
        if (xml.isStartElement() && xml.name() == QLatin1String("si")) strings.push_back(ReadRichText(xml));
    }
    return strings;
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

bool ReadSheetCells(const QByteArray& xmlBytes, const std::vector<QString>& shared, TSheetCells* cells,
                    QString* error)
{
    QXmlStreamReader xml(xmlBytes);
    qint64 row = -1, col = -1;
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
            *error = QStringLiteral("the worksheet names a cell \"%1\" that does not exist.").arg(ref.toString());
            return false;
        }
        if (row < 0 || row >= SheetRows || col >= SheetCols) {
            *error = QStringLiteral("the worksheet holds cells outside the sheet.");
            return false;
        }
        const QString type = a.value(QLatin1String("t")).toString();
        QString value, inlineText;
        bool hasInline = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == QLatin1String("c")) break;
            if (!xml.isStartElement()) continue;
            if (xml.name() == QLatin1String("v")) value = xml.readElementText();
            else if (xml.name() == QLatin1String("is")) {
                inlineText = ReadRichText(xml);
                hasInline = true;
            } else if (xml.name() == QLatin1String("f")) xml.skipCurrentElement();
        }
        QString text;
        if (type == QLatin1String("inlineStr") || hasInline) {
            text = inlineText;
        } else if (type == QLatin1String("s")) {
            bool ok = false;
            const qulonglong index = value.toULongLong(&ok);
            if (ok && index < shared.size()) text = shared[index];
        } else if (type == QLatin1String("b")) {
            if (!value.isEmpty()) text = value.trimmed() == QLatin1String("0") ? QStringLiteral("FALSE") : QStringLiteral("TRUE");
        } else if (type == QLatin1String("str") || type == QLatin1String("e") || type == QLatin1String("d")) {
            text = value;
        } else if (!value.isEmpty()) {
            bool ok = false;
            const double number = value.trimmed().toDouble(&ok);
            text = ok ? WorkbookNumberText(number) : value;
        }
        if (!text.isEmpty()) cells->push_back({row, col, std::move(text)});
    }
    if (xml.hasError()) {
        *error = QStringLiteral("the worksheet is damaged (%1).").arg(xml.errorString());
        return false;
    }
    return true;
}
}  // namespace

bool ReadXlsxPartsFirstSheet(const QByteArray& bytes, TSheetCells* cells, QString* error)
{
    try {
        const TZipArchive parts(bytes);
        QByteArray xmlBytes;
        QString workbook = QStringLiteral("xl/workbook.xml");
        if (parts.Read(QStringLiteral("_rels/.rels"), &xmlBytes))
            for (const TRelationship& rel : ReadRelationships(xmlBytes))
                if (rel.Type.endsWith(QLatin1String("/officeDocument"))) workbook = ResolveTarget(QString(), rel.Target);
        if (!parts.Read(workbook, &xmlBytes)) {
            *error = QStringLiteral("the archive holds no workbook.");
            return false;
        }
        // The first <sheet> of <sheets> is the first worksheet; its
        // relationship id leads to the part.
        QString firstSheetId;
        {
            QXmlStreamReader xml(xmlBytes);
            while (!xml.atEnd() && firstSheetId.isEmpty()) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == QLatin1String("sheet"))
                    for (const QXmlStreamAttribute& a : xml.attributes())
                        if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                            firstSheetId = a.value().toString();
            }
        }
        if (firstSheetId.isEmpty()) return true;  // no worksheet: the caller says "empty"

        QHash<QString, TRelationship> rels;
        if (parts.Read(RelsOf(workbook), &xmlBytes)) rels = ReadRelationships(xmlBytes);
        std::vector<QString> shared;
        for (const TRelationship& rel : rels)
            if (rel.Type.endsWith(QLatin1String("/sharedStrings")) &&
                parts.Read(ResolveTarget(FolderOf(workbook), rel.Target), &xmlBytes))
                shared = ReadSharedStrings(xmlBytes);
        const auto sheetRel = rels.constFind(firstSheetId);
        if (sheetRel == rels.cend() ||
            !parts.Read(ResolveTarget(FolderOf(workbook), sheetRel->Target), &xmlBytes)) {
            *error = QStringLiteral("the first worksheet is missing from the archive.");
            return false;
        }
        return ReadSheetCells(xmlBytes, shared, cells, error);
    } catch (const std::bad_alloc&) {
        *error = QStringLiteral("there is not enough memory to read it.");
    } catch (const std::exception& e) {
        *error = QStringLiteral("the workbook is damaged or in a form that cannot be read (%1).")
                     .arg(QString::fromUtf8(e.what()));
    }
    return false;
}
