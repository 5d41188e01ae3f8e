#include "data/MatrixOps.h"

#include <algorithm>

namespace {
QString CellAt(const TDynStrMatrix& m, int c, int o)
{
    if (c < 0 || o < 0 || c >= static_cast<int>(m.size())) return {};
    const TPart& column = m[static_cast<size_t>(c)];
    return o < static_cast<int>(column.size()) ? column[static_cast<size_t>(o)] : QString();
}
}  // namespace

TMatrixData TransposeMatrix(const TDynStrMatrix& dataMatrix, int objectCount, int characterCount)
{
    TMatrixData swapped;
    swapped.ObjectCount = std::max(characterCount, 0);
    swapped.CharacterCount = std::max(objectCount, 0);
    swapped.DataMatrix.assign(static_cast<size_t>(swapped.CharacterCount) + 1,
                              TPart(static_cast<size_t>(swapped.ObjectCount) + 1));
    for (int c = 0; c <= swapped.ObjectCount; ++c)
        for (int o = 0; o <= swapped.CharacterCount; ++o)
            swapped.DataMatrix[static_cast<size_t>(o)][static_cast<size_t>(c)] =
                CellAt(dataMatrix, c, o);
    return swapped;
}

std::vector<QStringList> MatrixRows(const TDynStrMatrix& dataMatrix, int objectCount,
                                    int characterCount)
{
    std::vector<QStringList> rows;
    rows.reserve(static_cast<size_t>(std::max(objectCount, 0)) + 1);
    for (int o = 0; o <= objectCount; ++o) {
        QStringList row;
        for (int c = 0; c <= characterCount; ++c) row << CellAt(dataMatrix, c, o);
        rows.push_back(row);
    }
    return rows;
}
