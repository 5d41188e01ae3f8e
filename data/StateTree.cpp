#include "data/StateTree.h"

#include <QHash>
#include <utility>

#include "data/Path.h"

std::vector<TStateTreeNode> StateTreeOrder(const TDynStrMatrix& dataMatrix, int objectCount, int c)
{
    TPathBuilder builder;
    builder.BuildFullPaths(dataMatrix, objectCount, c);
    const TPathArr& full = builder.FullPaths;

    // The node-name list is looked up ignoring case: give every spelling its
    // case-insensitive group once, then look groups up.
    QHash<QString, int> spellingId;
    QStringList spellings;
    for (int o = 1; o <= objectCount; ++o)
        for (const QString& e : full[static_cast<size_t>(o)])
            if (!spellingId.contains(e)) {
                spellingId.insert(e, static_cast<int>(spellings.size()));
                spellings << e;
            }
    const TNameRanks ranks = RankNames(spellings, builder.Collator());
    auto group = [&](const QString& name) {
        return ranks.Ranks[static_cast<size_t>(spellingId.value(name))];
    };

    std::vector<TStateTreeNode> nodes;
    QHash<int, int> nodeOfGroup;
    for (int o = 1; o <= objectCount; ++o) {
        const QString& root = full[static_cast<size_t>(o)].back();
        if (IsMissingName(root) || nodeOfGroup.contains(group(root))) continue;
        nodeOfGroup.insert(group(root), static_cast<int>(nodes.size()));
        nodes.push_back({root, -1});
    }
    for (int o = 1; o <= objectCount; ++o) {
        const TPath& path = full[static_cast<size_t>(o)];
        for (int i = static_cast<int>(path.size()) - 2; i >= 0; --i) {
            const QString& e = path[static_cast<size_t>(i)];
            if (nodeOfGroup.contains(group(e))) continue;
            const int parent = nodeOfGroup.value(group(path[static_cast<size_t>(i) + 1]), -1);
            nodeOfGroup.insert(group(e), static_cast<int>(nodes.size()));
            nodes.push_back({e, parent});
        }
    }
    return nodes;
}

QStringList StateTreeOutline(const std::vector<TStateTreeNode>& nodes)
{
    const int n = static_cast<int>(nodes.size());
    std::vector<std::vector<int>> children(static_cast<size_t>(n));
    std::vector<int> tops;
    for (int k = 0; k < n; ++k) {
        const int parent = nodes[static_cast<size_t>(k)].Parent;
        (parent >= 0 && parent < n ? children[static_cast<size_t>(parent)] : tops).push_back(k);
    }
    QStringList lines;
    // Depth first without recursion: chains may run through hundreds of objects.
    std::vector<std::pair<int, int>> stack;  // node, depth
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) stack.push_back({*it, 0});
    while (!stack.empty()) {
        const auto [k, depth] = stack.back();
        stack.pop_back();
        lines << QString(2 * depth, QLatin1Char(' ')) + nodes[static_cast<size_t>(k)].Name;
        const std::vector<int>& kids = children[static_cast<size_t>(k)];
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) stack.push_back({*it, depth + 1});
    }
    return lines;
}
