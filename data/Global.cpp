#include "data/Global.h"

#include <atomic>

int CountInclusion(const TInclusion& s, int n)
{
    if (s.IsEmpty() || n < 0) return 0;
    if (n >= TInclusion::Capacity - 1) return s.Count();
    int count = 0;
    for (int k = 0; k <= n; ++k)
        if (s.Contains(k)) ++count;
    return count;
}

namespace {
std::uint64_t NextRevision()
{
    // Shared by every model, so two models never hold the same revision.
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}
}  // namespace

void TModel::AssignMatrix(TMatrixData data, bool fromExcel)
{
    DataMatrix = std::move(data.DataMatrix);
    ObjectCount = data.ObjectCount;
    CharacterCount = data.CharacterCount;
    FromExcel = fromExcel;
    SourceSymbols = std::move(data.Symbols);
    Criteria = std::move(data.Criteria);
    ResizeCharField();
    Revision = NextRevision();
}

void TModel::SetCell(int c, int o, const QString& text)
{
    DataMatrix.at(static_cast<size_t>(c)).at(static_cast<size_t>(o)) = CutCell(text);
    Criteria.CellSets.remove(qMakePair(c, o));
    Criteria.GapCells.remove(qMakePair(c, o));
    Revision = NextRevision();
}

void TModel::SetCharField(TSField field, bool pathSets)
{
    CharField = std::move(field);
    PathSetsRevision = pathSets ? Revision : 0;
}

void TModel::ResizeCharField() { CharField.Places.Resize(CharacterCount); }

QString TModel::Cell(int c, int o) const
{
    if (c < 0 || o < 0 || c >= static_cast<int>(DataMatrix.size())) return {};
    const TPart& column = DataMatrix[static_cast<size_t>(c)];
    return o < static_cast<int>(column.size()) ? column[static_cast<size_t>(o)] : QString();
}

TMatrixData TModel::Data() const
{
    TMatrixData data{DataMatrix, ObjectCount, CharacterCount};
    data.Symbols = SourceSymbols;
    data.Criteria = Criteria;
    return data;
}

QString CutCell(const QString& text)
{
    if (text.size() <= MaxCellLength) return text;
    qsizetype n = MaxCellLength;
    if (text.at(n - 1).isHighSurrogate()) --n;
    return text.left(n);
}

void TMatrixData::SetCell(size_t column, size_t row, const QString& text)
{
    if (text.size() > MaxCellLength && CutCells++ == 0) {
        FirstCutColumn = static_cast<int>(column);
        FirstCutRow = static_cast<int>(row);
    }
    DataMatrix[column][row] = CutCell(text);
}
