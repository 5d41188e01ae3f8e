// libFuzzer target: any bytes as a workbook file (.xls, .xlsx, .ods or other).
// FreeXL reads from a path only, so each input goes through a scratch file.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/ImportSource.h"
#include "data/Workbook.h"
#include "data/WorkbookSheet.h"
#include "data/WorkbookZip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path =
        QDir::temp().filePath(QStringLiteral("varno-fuzz-workbook-%1.bin").arg(::getpid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    // Both zip readers on every archive, whatever it names itself, so a
    // mutated content type still reaches the other parser.
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TZipArchive zip(bytes);
    if (zip.LooksLikeZip() && zip.Check(MaxDataFileBytes, 2 * MaxDataFileBytes).Ok()) {
        const TResult<TSheetRead> xlsx = ReadXlsxFirstSheet(bytes);
        if (!xlsx && xlsx.Error().isEmpty()) std::abort();
        const TResult<TSheetRead> ods = ReadOdsFirstSheet(bytes);
        if (!ods && ods.Error().isEmpty()) std::abort();
    }
    const TReadResult r = ReadWorkbook(path);
    if (!r.Ok()) {
        if (r.Error().isEmpty()) std::abort();
        return 0;
    }
    const TMatrixData& d = r->Data;
    if (d.DataMatrix.size() != static_cast<size_t>(d.CharacterCount) + 1) std::abort();
    for (const TPart& column : d.DataMatrix) {
        if (column.size() != static_cast<size_t>(d.ObjectCount) + 1) std::abort();
        for (const QString& cell : column)
            if (cell.size() > MaxCellLength) std::abort();
    }
    return 0;
}
