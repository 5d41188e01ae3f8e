// libFuzzer target: any bytes as a text data file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/ImportSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TReadResult r = ReadTextMatrixBytes(bytes);
    if (!r.Ok()) {
        if (r.Error().isEmpty()) std::abort();  // a failure must say why
        return 0;
    }
    TMatrixData& d = r->Data;
    // The shape every consumer relies on.
    if (d.CharacterCount < 1 || d.ObjectCount < 0) std::abort();
    if (d.DataMatrix.size() != static_cast<size_t>(d.CharacterCount) + 1) std::abort();
    for (const TPart& column : d.DataMatrix) {
        if (column.size() != d.DataMatrix[0].size()) std::abort();
        if (column.size() < static_cast<size_t>(d.ObjectCount) + 1) std::abort();
        for (const QString& cell : column)
            if (cell.size() > MaxCellLength) std::abort();
    }
    PointToComma(d.DataMatrix, d.ObjectCount, d.CharacterCount);
    LoadWarnings(d);
    return 0;
}
