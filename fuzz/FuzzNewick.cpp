// libFuzzer target: any bytes as Newick text, then as a tree of five objects.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/TextFile.h"
#include "parsimony/treefiles/Newick.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TResult<TNewickTrees> r = ReadNewick(DecodeText(bytes));
    if (!r.Ok()) {
        if (r.Error().isEmpty()) std::abort();  // a failure must say why
        return 0;
    }
    const std::vector<QString> names{
        QString(),           QStringLiteral("A"),   QStringLiteral("B"),
        QStringLiteral("C"), QStringLiteral("D_d"), QStringLiteral("E")};
    for (const TNewickTree& tree : r->Trees) {
        if (tree.Root < 0 || tree.Root >= static_cast<int>(tree.Nodes.size())) std::abort();
        for (size_t k = 0; k < tree.Nodes.size(); ++k)
            for (int c : tree.Nodes[k].Children)
                if (c < 0 || c >= static_cast<int>(tree.Nodes.size()) ||
                    tree.Nodes[static_cast<size_t>(c)].Parent != static_cast<int>(k))
                    std::abort();
        const TResult<TTree> t = NewickToTree(tree, names, 5);
        if (t.Ok() && !IsConsistentTree(*t, 5)) std::abort();
        if (!t.Ok() && t.Error().isEmpty()) std::abort();
        // Written back, the tree reads as one tree again.
        if (t.Ok() && !ReadNewick(WriteNewick(*t, names)).Ok()) std::abort();
    }
    return 0;
}
