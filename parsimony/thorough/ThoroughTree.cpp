#include "parsimony/thorough/ThoroughTree.h"

#include <algorithm>

#include "data/NumberFormat.h"
#include "parsimony/treefiles/NewickLeaves.h"

void TCompactTree::Reset(int tips)
{
    Tips = tips;
    Root = -1;
    Parent.assign(static_cast<size_t>(Vertices()), -1);
    Child.assign(static_cast<size_t>(Vertices()), {-1, -1});
}

bool IsValidCompactTree(const TCompactTree& t)
{
    const int n = t.Vertices();
    if (t.Tips < 1 || static_cast<int>(t.Parent.size()) != n ||
        static_cast<int>(t.Child.size()) != n)
        return false;
    if (t.Root < 0 || t.Root >= n || t.Parent[static_cast<size_t>(t.Root)] != -1) return false;
    if (t.Tips == 1) return t.Root == 0;
    std::vector<char> seen(static_cast<size_t>(n), 0);
    std::vector<int> stack{t.Root};
    int count = 0;
    while (!stack.empty()) {
        const int v = stack.back();
        stack.pop_back();
        if (seen[static_cast<size_t>(v)]) return false;
        seen[static_cast<size_t>(v)] = 1;
        ++count;
        if (t.IsTip(v)) continue;
        for (int c : t.Child[static_cast<size_t>(v)]) {
            if (c < 0 || c >= n || t.Parent[static_cast<size_t>(c)] != v) return false;
            stack.push_back(c);
        }
    }
    return count == n;
}

TCompactTree CompactFromTree(const TTree& tree)
{
    TCompactTree t;
    const int tips = tree.TipCount();
    t.Reset(tips);
    auto vertexOfNode = [&](int node) { return tips + node - 1; };
    auto link = [&](int v, int anc) {
        if (anc == 0) {
            t.Root = v;
            return;
        }
        const int p = vertexOfNode(anc);
        t.Parent[static_cast<size_t>(v)] = p;
        auto& c = t.Child[static_cast<size_t>(p)];
        (c[0] < 0 ? c[0] : c[1]) = v;
    };
    for (int i = 1; i <= tips; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        link(tip.Objects.empty() ? i - 1 : tip.Objects[0] - 1, tip.Anc);
    }
    for (int j = 1; j <= tree.NodeCount(); ++j)
        link(vertexOfNode(j), tree.Nodes[static_cast<size_t>(j)].Anc);
    return t;
}

TTree TreeFromCompact(const TCompactTree& t)
{
    TTree tree;
    tree.Tips.assign(static_cast<size_t>(t.Tips) + 1, TTip());
    tree.Nodes.assign(static_cast<size_t>(t.Tips), TNode());
    auto anc = [&](int v) {
        const int p = t.Parent[static_cast<size_t>(v)];
        return static_cast<TIntNum>(p < 0 ? 0 : p - t.Tips + 1);
    };
    for (int i = 1; i <= t.Tips; ++i) {
        tree.Tips[static_cast<size_t>(i)].Objects = {static_cast<TIntNum>(i)};
        tree.Tips[static_cast<size_t>(i)].Anc = anc(i - 1);
    }
    for (int j = 1; j < t.Tips; ++j) tree.Nodes[static_cast<size_t>(j)].Anc = anc(t.Tips + j - 1);
    return tree;
}

std::vector<int> PostOrder(const TCompactTree& t)
{
    std::vector<int> order;
    order.reserve(static_cast<size_t>(t.Vertices()));
    std::vector<int> stack{t.Root};
    while (!stack.empty()) {
        const int v = stack.back();
        stack.pop_back();
        order.push_back(v);
        if (!t.IsTip(v))
            for (int c : t.Child[static_cast<size_t>(v)]) stack.push_back(c);
    }
    std::reverse(order.begin(), order.end());
    return order;
}

std::string CanonicalKey(const TCompactTree& t)
{
    if (t.Root < 0) return {};
    const std::vector<int> post = PostOrder(t);
    std::vector<int> low(static_cast<size_t>(t.Vertices()), 0);
    for (int v : post) {
        if (t.IsTip(v)) {
            low[static_cast<size_t>(v)] = v;
        } else {
            const auto& c = t.Child[static_cast<size_t>(v)];
            low[static_cast<size_t>(v)] =
                std::min(low[static_cast<size_t>(c[0])], low[static_cast<size_t>(c[1])]);
        }
    }
    std::string key;
    key.reserve(static_cast<size_t>(t.Tips) * 6);
    // Entries >= 0 are vertices to write; -1 closes a clade.
    std::vector<int> stack{t.Root};
    while (!stack.empty()) {
        const int v = stack.back();
        stack.pop_back();
        if (v == -1) {
            key += ')';
        } else if (t.IsTip(v)) {
            key += std::to_string(v);
            key += ',';
        } else {
            auto c = t.Child[static_cast<size_t>(v)];
            if (low[static_cast<size_t>(c[0])] > low[static_cast<size_t>(c[1])])
                std::swap(c[0], c[1]);
            key += '(';
            stack.push_back(-1);
            stack.push_back(c[1]);
            stack.push_back(c[0]);
        }
    }
    return key;
}

QString WriteCompactNewick(const TCompactTree& t, const std::vector<QString>& names,
                           const std::vector<std::int64_t>* fits)
{
    if (t.Root < 0) return QStringLiteral(";");
    auto length = [&](int v) {
        if (!fits || v == t.Root) return QString();
        return QLatin1Char(':') +
               FormatShortest(static_cast<double>((*fits)[static_cast<size_t>(v)]),
                              QLatin1Char('.'));
    };
    auto name = [&](int v) {
        const size_t object = static_cast<size_t>(v) + 1;
        return NewickName(object < names.size() ? names[object] : QString());
    };
    QString out;
    if (t.IsTip(t.Root)) return name(t.Root) + QLatin1Char(';');
    // Entries >= 0 open a vertex; -(v + 2) closes inner vertex v.
    std::vector<int> stack{t.Root};
    std::vector<char> first(static_cast<size_t>(t.Vertices()), 1);
    while (!stack.empty()) {
        const int e = stack.back();
        stack.pop_back();
        if (e < 0) {
            const int v = -e - 2;
            out += QLatin1Char(')');
            out += length(v);
            continue;
        }
        const int p = t.Parent[static_cast<size_t>(e)];
        if (p >= 0) {
            if (!first[static_cast<size_t>(p)]) out += QLatin1Char(',');
            first[static_cast<size_t>(p)] = 0;
        }
        if (t.IsTip(e)) {
            out += name(e);
            out += length(e);
        } else {
            out += QLatin1Char('(');
            stack.push_back(-e - 2);
            stack.push_back(t.Child[static_cast<size_t>(e)][1]);
            stack.push_back(t.Child[static_cast<size_t>(e)][0]);
        }
    }
    out += QLatin1Char(';');
    return out;
}

TResult<TCompactTree> CompactFromNewick(const TNewickTree& newick,
                                        const std::vector<QString>& names, int objectCount)
{
    if (newick.Root < 0 || newick.Nodes.empty())
        return TFailure(QStringLiteral("The tree is empty."));
    if (static_cast<int>(names.size()) <= objectCount || objectCount < 2)
        return TFailure(QStringLiteral("A tree needs at least 2 named objects."));
    const TObjectNames objects(names, objectCount);
    if (TStatus distinct = objects.Distinct(); !distinct) return TFailure(distinct.Error());
    // Refuses any node without exactly two children, which a compact tree has no slots for.
    const auto leaves = NewickLeafObjects(newick, objects, names, objectCount);
    if (!leaves) return TFailure(leaves.Error());
    // Object o is tip vertex o - 1; inner nodes take the next vertices in text order.
    std::vector<int> vertex(newick.Nodes.size(), -1);
    int nextInner = objectCount;
    for (size_t k = 0; k < newick.Nodes.size(); ++k) {
        if (newick.Nodes[k].Children.empty()) {
            vertex[k] = (*leaves)[k] - 1;
        } else {
            if (nextInner >= 2 * objectCount - 1)
                return TFailure(QStringLiteral("The tree has too many nodes."));
            vertex[k] = nextInner++;
        }
    }
    TCompactTree t;
    t.Reset(objectCount);
    t.Root = vertex[static_cast<size_t>(newick.Root)];
    for (size_t k = 0; k < newick.Nodes.size(); ++k) {
        const TNewickNode& node = newick.Nodes[k];
        for (size_t i = 0; i < node.Children.size(); ++i) {
            const int c = vertex[static_cast<size_t>(node.Children[i])];
            t.Child[static_cast<size_t>(vertex[k])][i] = c;
            t.Parent[static_cast<size_t>(c)] = vertex[k];
        }
    }
    if (!IsValidCompactTree(t))
        return TFailure(QStringLiteral("The tree's nodes do not form one rooted tree."));
    return t;
}

namespace {
std::uint64_t TipKey(int tip)
{
    std::uint64_t z = 0x9E3779B97F4A7C15ull * (static_cast<std::uint64_t>(tip) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
}  // namespace

TClades Clades(const TCompactTree& t, const std::vector<int>& order)
{
    TClades c;
    c.Key.assign(static_cast<size_t>(t.Vertices()), 0);
    c.Size.assign(static_cast<size_t>(t.Vertices()), 0);
    for (int v : order) {
        const size_t i = static_cast<size_t>(v);
        if (t.IsTip(v)) {
            c.Key[i] = TipKey(v);
            c.Size[i] = 1;
        } else {
            const auto& ch = t.Child[i];
            c.Key[i] = c.Key[static_cast<size_t>(ch[0])] + c.Key[static_cast<size_t>(ch[1])];
            c.Size[i] = c.Size[static_cast<size_t>(ch[0])] + c.Size[static_cast<size_t>(ch[1])];
        }
    }
    return c;
}
