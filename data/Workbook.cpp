#include "data/Workbook.h"

#include "data/TextFile.h"
#include "data/WorkbookSheet.h"
#include "data/WorkbookZip.h"

#include <QFileInfo>
#include <orcus/format_detection.hpp>

#include <exception>
#include <iostream>
#include <sstream>

namespace {
enum class TWorkbookKind { Xls, Xlsx, Ods, XlsXml, Zip, Text, Unknown };

// The format from the file's content, not its name: a text file or an
// .xlsx can well be named ".xls".
TWorkbookKind DetectWorkbook(const QByteArray& bytes)
{
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return TWorkbookKind::Xls;
    try {
        switch (orcus::detect(reinterpret_cast<const unsigned char*>(bytes.constData()),
                              static_cast<size_t>(bytes.size()))) {
        case orcus::format_t::xlsx:
            return TWorkbookKind::Xlsx;
        case orcus::format_t::ods:
            return TWorkbookKind::Ods;
        case orcus::format_t::xls_xml:
            return TWorkbookKind::XlsXml;
        default:
            break;
        }
    } catch (const std::exception&) {
        // not a format orcus knows
    }
    if (bytes.startsWith("PK\x03\x04")) return TWorkbookKind::Zip;
    if (!bytes.left(65536).contains('\0')) return TWorkbookKind::Text;
    return TWorkbookKind::Unknown;
}

// orcus writes some complaints about damaged files to std::cout, which is the
// batch tool's output; they are swallowed while a workbook is read (the
// reader's own message says what went wrong).
class TQuietStdout {
public:
    TQuietStdout() : Old(std::cout.rdbuf(Sink.rdbuf())) {}
    ~TQuietStdout() { std::cout.rdbuf(Old); }
    TQuietStdout(const TQuietStdout&) = delete;
    TQuietStdout& operator=(const TQuietStdout&) = delete;

private:
    std::ostringstream Sink;
    std::streambuf* Old;
};

// orcus believes the sizes a zip declares, already when it detects the
// format: a damaged or packed-up archive is refused before it gets there.
bool ZipIsSafe(const QByteArray& bytes, QString* error)
{
    const TZipArchive zip(bytes);
    return !zip.LooksLikeZip() || zip.Check(MaxDataFileBytes, 2 * MaxDataFileBytes, error);
}

bool ReadFirstSheet(const QString& path, const QByteArray& bytes, TSheetCells* cells, QString* error)
{
    const TQuietStdout quiet;
    if (!bytes.startsWith("\xD0\xCF\x11\xE0") && !ZipIsSafe(bytes, error)) return false;
    switch (DetectWorkbook(bytes)) {
    case TWorkbookKind::Xls:
        return ReadXlsFirstSheet(path, cells, error);
    case TWorkbookKind::Xlsx:
        if (!ReadOrcusFirstSheet(bytes, TOrcusFormat::Xlsx, cells, error)) return false;
        // orcus reads some writers' files as an empty sheet without an error.
        if (cells->empty()) return ReadXlsxPartsFirstSheet(bytes, cells, error);
        return true;
    case TWorkbookKind::Ods:
        return ReadOrcusFirstSheet(bytes, TOrcusFormat::Ods, cells, error);
    case TWorkbookKind::XlsXml:
        return ReadOrcusFirstSheet(bytes, TOrcusFormat::XlsXml, cells, error);
    case TWorkbookKind::Zip:
        *error = QStringLiteral("it is a zip archive, but not a workbook that can be read (.xlsx or .ods), "
                                "or it is damaged.");
        return false;
    case TWorkbookKind::Text:
        *error = QStringLiteral("it is not a workbook but a text file; text data are opened with "
                                "File/Data > Open > Text.");
        return false;
    case TWorkbookKind::Unknown:
        break;
    }
    *error = QStringLiteral("it is not a workbook that can be read (.xls, .xlsx or .ods).");
    return false;
}
}  // namespace

bool IsWorkbookPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx") ||
           suffix == QLatin1String("ods");
}

TReadResult ReadWorkbook(const QString& path)
{
    TReadResult result;
    QByteArray bytes;
    if (!ReadWholeFile(path, &bytes, &result.Error, MaxDataFileBytes)) return result;
    QString error;
    if (bytes.isEmpty()) {
        error = QStringLiteral("the file is empty.");
    } else {
        TSheetCells cells;
        if (ReadFirstSheet(path, bytes, &cells, &error) && SheetToMatrix(cells, &result.Data, &error))
            result.Ok = true;
    }
    if (!result.Ok) result.Error = QStringLiteral("Cannot load \"%1\": %2").arg(path, error);
    return result;
}
