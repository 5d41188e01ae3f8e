// libFuzzer target: any bytes as a NEXUS file, read as a matrix under both
// root rules and as trees. A matrix read must have the table's shape, code
// into state trees, and, when it exports as NEXUS, read back to the same paths.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/MatrixExport.h"
#include "data/NexusReader.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "parsimony/treefiles/NexusTrees.h"

namespace {
void CheckShape(const TMatrixData& d)
{
    if (d.CharacterCount < 1 || d.ObjectCount < 1) std::abort();
    if (d.DataMatrix.size() != static_cast<size_t>(d.CharacterCount) + 1) std::abort();
    for (const TPart& column : d.DataMatrix)
        if (column.size() != static_cast<size_t>(d.ObjectCount) + 1) std::abort();
}

// The data cells' paths, without the names and headers.
TDynStrMatrix Paths(const TMatrixData& d)
{
    TDynStrMatrix paths = PathMatrix(d.DataMatrix, d.ObjectCount, d.CharacterCount);
    for (size_t c = 0; c < paths.size(); ++c) paths[c].erase(paths[c].begin());
    paths.erase(paths.begin());
    return paths;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = DecodeText(bytes);
    for (TNexusRootRule rule : {TNexusRootRule::FirstObject, TNexusRootRule::LowestState}) {
        const TReadResult r = ReadNexusMatrixText(text, rule);
        if (!r.Ok()) {
            if (r.Error().isEmpty()) std::abort();  // a failure must say why
            continue;
        }
        CheckShape(r->Data);
        BuildPathSets(r->Data.DataMatrix, r->Data.ObjectCount, r->Data.CharacterCount);
        const TResult<TMatrixExport> out = ExportMatrix(r->Data, TExportFormat::Nexus);
        if (!out.Ok()) {
            if (out.Error().isEmpty()) std::abort();
            continue;
        }
        const TReadResult back = ReadNexusMatrixText(DecodeText(out->Text), rule);
        if (!back.Ok()) std::abort();
        CheckShape(back->Data);
        if (Paths(back->Data) != Paths(r->Data)) std::abort();
    }
    const TResult<TNewickTrees> trees = ReadNexusTrees(text);
    if (!trees.Ok() && trees.Error().isEmpty()) std::abort();
    if (!trees.Ok()) return 0;
    if (trees->TreeNames.size() != trees->Trees.size()) std::abort();
    for (const TNewickTree& tree : trees->Trees)
        if (tree.Root < 0 || tree.Root >= static_cast<int>(tree.Nodes.size())) std::abort();
    return 0;
}
