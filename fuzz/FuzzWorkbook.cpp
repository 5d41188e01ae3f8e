// libFuzzer target: any bytes as a workbook file (.xls, .xlsx, .ods or other).
// FreeXL reads from a path only, so each input goes through a scratch file.
#include "data/Workbook.h"

#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path =
        QDir::temp().filePath(QStringLiteral("varno-fuzz-workbook-%1.bin").arg(::getpid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const TReadResult r = ReadWorkbook(path);
    if (!r.Ok) {
        if (r.Error.isEmpty()) std::abort();
        return 0;
    }
    const TMatrixData& d = r.Data;
    if (d.DataMatrix.size() != static_cast<size_t>(d.CharacterCount) + 1) std::abort();
    for (const TPart& column : d.DataMatrix) {
        if (column.size() != static_cast<size_t>(d.ObjectCount) + 1) std::abort();
        for (const QString& cell : column)
            if (cell.size() > MaxCellLength) std::abort();
    }
    return 0;
}
