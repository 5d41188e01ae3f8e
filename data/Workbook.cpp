#include "data/Workbook.h"

#include <QFileInfo>

#include "data/TextFile.h"
#include "data/WorkbookSheet.h"
#include "data/WorkbookZip.h"

namespace {
enum class TWorkbookKind { Xls, Xlsx, Ods, OtherOpenDocument, XlsXml, Zip, Text, Unknown };

// The format from the content, not the name: a text file or an .xlsx can
// well be named ".xls". A zip is told by the parts it holds.
TWorkbookKind DetectWorkbook(const QByteArray& bytes, const TZipArchive& zip)
{
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return TWorkbookKind::Xls;
    if (zip.LooksLikeZip()) {
        QByteArray part;
        if (zip.Read(QStringLiteral("mimetype"), &part) &&
            part.startsWith("application/vnd.oasis.opendocument."))
            return part.startsWith("application/vnd.oasis.opendocument.spreadsheet")
                       ? TWorkbookKind::Ods
                       : TWorkbookKind::OtherOpenDocument;
        if (zip.Contains(QStringLiteral("[Content_Types].xml"))) return TWorkbookKind::Xlsx;
        if (zip.Contains(QStringLiteral("content.xml"))) return TWorkbookKind::Ods;
        return TWorkbookKind::Zip;
    }
    const QByteArray head = bytes.left(4096);
    if (head.contains("<?xml") && head.contains("urn:schemas-microsoft-com:office:spreadsheet"))
        return TWorkbookKind::XlsXml;
    if (!bytes.left(65536).contains('\0')) return TWorkbookKind::Text;
    return TWorkbookKind::Unknown;
}

TResult<TSheetRead> ReadFirstSheet(const QString& path, const QByteArray& bytes)
{
    const bool cfb = bytes.startsWith("\xD0\xCF\x11\xE0");
    const TZipArchive zip(cfb ? QByteArray() : bytes);
    // The sizes a zip declares are checked before any part is unpacked.
    if (!cfb && zip.LooksLikeZip()) {
        if (TStatus fits = zip.Check(MaxDataFileBytes, 2 * MaxDataFileBytes); !fits)
            return TFailure(fits.Error());
    }
    switch (DetectWorkbook(bytes, zip)) {
        case TWorkbookKind::Xls: {
            TResult<TSheetCells> cells = ReadXlsFirstSheet(path);
            if (!cells) return TFailure(cells.Error());
            return TSheetRead{std::move(*cells), {}};
        }
        case TWorkbookKind::Xlsx:
            return ReadXlsxFirstSheet(bytes);
        case TWorkbookKind::Ods:
            return ReadOdsFirstSheet(bytes);
        case TWorkbookKind::OtherOpenDocument:
            return TFailure(QStringLiteral("it is an OpenDocument file, but not a spreadsheet."));
        case TWorkbookKind::XlsXml:
            return TFailure(QStringLiteral(
                "it is an Excel 2003 XML spreadsheet, which cannot be read; save it as "
                ".xlsx or .ods."));
        case TWorkbookKind::Zip:
            return TFailure(QStringLiteral(
                "it is a zip archive, but not a workbook that can be read (.xlsx or .ods), "
                "or it is damaged."));
        case TWorkbookKind::Text:
            return TFailure(
                QStringLiteral("it is not a workbook but a text file; text data are opened with "
                               "File/Data > Open > Text."));
        case TWorkbookKind::Unknown:
            break;
    }
    return TFailure(QStringLiteral("it is not a workbook that can be read (.xls, .xlsx or .ods)."));
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
    const TResult<QByteArray> bytes = ReadWholeFile(path, MaxDataFileBytes);
    if (!bytes) return TFailure(bytes.Error());
    QString error;
    if (bytes->isEmpty()) {
        error = QStringLiteral("the file is empty.");
    } else if (TResult<TSheetRead> sheet = ReadFirstSheet(path, *bytes); !sheet) {
        error = sheet.Error();
    } else if (TResult<TMatrixData> data = SheetToMatrix(sheet->Cells); !data) {
        error = data.Error();
    } else {
        TMatrixRead read;
        read.Data = std::move(*data);
        read.Warnings = std::move(sheet->Warnings);
        return read;
    }
    return TFailure(QStringLiteral("Cannot load \"%1\": %2").arg(path, error));
}
