#include "parsimony/summaries/Consensus.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <map>
#include <span>

namespace {
struct TGroupLess {
    bool operator()(const TInclusion& a, const TInclusion& b) const
    {
        for (int i = 0; i < 4; ++i)
            if (a.Word(i) != b.Word(i)) return a.Word(i) < b.Word(i);
        return false;
    }
};

int LowestMember(const TInclusion& s)
{
    for (int k = 0; k < TInclusion::Capacity; ++k)
        if (s.Contains(k)) return k;
    return TInclusion::Capacity;
}

void SortUnique(std::vector<TInclusion>& groups)
{
    std::sort(groups.begin(), groups.end(), TGroupLess());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
}

// Keeps the groups with 2 .. n-1 members.
void KeepNonTrivial(std::vector<TInclusion>& groups, int n)
{
    std::erase_if(groups, [n](const TInclusion& g) { return g.Count() < 2 || g.Count() >= n; });
    SortUnique(groups);
}

bool Compatible(const TInclusion& a, const TInclusion& b) { return GroupsCompatible(a, b); }
bool Compatible(const TObjectSet& a, const TObjectSet& b)
{
    return !a.Intersects(b) || a.IsSubsetOf(b) || b.IsSubsetOf(a);
}
// True when the first object where a and b differ is in a.
bool HoldsFirstDifference(const TInclusion& a, const TInclusion& b)
{
    return a.Contains(LowestMember(a ^ b));
}
bool HoldsFirstDifference(const TObjectSet& a, const TObjectSet& b)
{
    return a.Contains(a.FirstDifference(b));
}

// The groups a consensus of `trees` trees keeps, from how many trees hold
// each group (a map ordered by group), with the share of trees holding them.
template <class Set, class Map>
void SelectGroups(const Map& count, int trees, TConsensusKind kind, std::vector<Set>& kept,
                  std::vector<double>& percent)
{
    auto keep = [&](const Set& g, int c) {
        kept.push_back(g);
        percent.push_back(trees > 0 ? 100.0 * c / trees : 0);
    };
    std::vector<std::pair<Set, int>> rest;
    for (const auto& [g, c] : count) {
        switch (kind) {
            case TConsensusKind::Strict:
                if (c == trees) keep(g, c);
                break;
            case TConsensusKind::Majority:
            case TConsensusKind::MajorityCompatible:
                if (2 * c > trees)
                    keep(g, c);
                else
                    rest.push_back({g, c});
                break;
            case TConsensusKind::Semistrict: {
                bool fits = true;
                for (const auto& other : count)
                    if (!Compatible(g, other.first)) {
                        fits = false;
                        break;
                    }
                if (fits) keep(g, c);
                break;
            }
        }
    }
    if (kind == TConsensusKind::MajorityCompatible) {
        std::sort(rest.begin(), rest.end(), [](const auto& a, const auto& b) {
            if (a.second != b.second) return a.second > b.second;
            if (a.first.Count() != b.first.Count()) return a.first.Count() > b.first.Count();
            // The first object where they differ: the group holding it first.
            return HoldsFirstDifference(a.first, b.first);
        });
        for (const auto& entry : rest) {
            const Set& g = entry.first;
            if (std::all_of(kept.begin(), kept.end(),
                            [&](const Set& k) { return Compatible(g, k); }))
                keep(g, entry.second);
        }
    }
}

// Leaves of a Newick tree in reading order (pre-order, left to right).
std::vector<int> NewickLeaves(const TNewickTree& t)
{
    std::vector<int> leaves, stack;
    if (t.Root >= 0 && t.Root < static_cast<int>(t.Nodes.size())) stack.push_back(t.Root);
    size_t guard = 0;
    while (!stack.empty() && guard++ <= t.Nodes.size()) {
        const int k = stack.back();
        stack.pop_back();
        const auto& kids = t.Nodes[static_cast<size_t>(k)].Children;
        if (kids.empty()) leaves.push_back(k);
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) stack.push_back(*it);
    }
    return leaves;
}

// A rooted tree of any degree as its leaves in pre-order and each inner
// node's range of them. children(k) lists node k's children; leaf(k, at)
// takes leaf k as the at-th leaf and says whether the walk goes on. Groups of
// 2 .. n-1 leaves are kept, once each (a node of one child repeats its child).
template <class Children, class Leaf>
bool PreOrderGroups(int root, size_t nodes, int n, Children&& children, Leaf&& leaf,
                    TTreeGroups& out)
{
    struct TOpen {
        int Node;
        size_t Next;
        int Begin;
    };
    std::vector<TOpen> open;
    size_t visited = 0;
    auto enter = [&](int k) {
        if (k < 0 || static_cast<size_t>(k) >= nodes || ++visited > nodes) return false;
        if (children(k).empty()) {
            out.Leaves.push_back(0);
            return leaf(k, out.Leaves.size() - 1);
        }
        open.push_back({k, 0, static_cast<int>(out.Leaves.size())});
        return true;
    };
    if (!enter(root)) return false;
    while (!open.empty()) {
        TOpen& top = open.back();
        const auto& kids = children(top.Node);
        if (top.Next < kids.size()) {
            if (!enter(kids[top.Next++])) return false;
            continue;
        }
        const std::pair<int, int> range{top.Begin, static_cast<int>(out.Leaves.size())};
        open.pop_back();
        const int size = range.second - range.first;
        if (size >= 2 && size < n && (out.Ranges.empty() || out.Ranges.back() != range))
            out.Ranges.push_back(range);
    }
    return true;
}

// The objects of Newick trees (the leaf names of the first tree, which every
// other tree must hold exactly once each) and the non-trivial groups of
// every tree, handed to add(groups) tree by tree. Past maxObjects: refused.
template <class Add>
TStatus NewickGroupsOf(const std::vector<TNewickTree>& trees, int maxObjects,
                       std::vector<QString>& names, Add&& add)
{
    auto fail = [](const QString& error) { return TStatus(TFailure(error)); };
    if (trees.empty()) return fail(QStringLiteral("There are no trees."));
    QHash<QString, int> objectOf;
    names.assign(1, QString());
    for (int k : NewickLeaves(trees.front())) {
        const QString& name = trees.front().Nodes[static_cast<size_t>(k)].Name;
        if (name.isEmpty()) return fail(QStringLiteral("Tree 1 has a leaf without a name."));
        if (objectOf.contains(name))
            return fail(QStringLiteral("Tree 1 names \"%1\" twice.").arg(name));
        objectOf.insert(name, static_cast<int>(names.size()));
        names.push_back(name);
    }
    const int n = static_cast<int>(names.size()) - 1;
    if (n < 2) return fail(QStringLiteral("Tree 1 has fewer than two leaves."));
    if (n > maxObjects)
        return fail(QStringLiteral("Tree 1 has %1 leaves; at most %2 are possible.")
                        .arg(n)
                        .arg(maxObjects));
    std::vector<char> seen;
    for (size_t t = 0; t < trees.size(); ++t) {
        const TNewickTree& tree = trees[t];
        const int number = static_cast<int>(t) + 1;
        seen.assign(static_cast<size_t>(n) + 1, 0);
        QString error;
        TTreeGroups groups;
        groups.Leaves.reserve(static_cast<size_t>(n));
        const bool walked = PreOrderGroups(
            tree.Root, tree.Nodes.size(), n,
            [&](int k) -> const std::vector<int>& {
                return tree.Nodes[static_cast<size_t>(k)].Children;
            },
            [&](int k, size_t at) {
                const QString& name = tree.Nodes[static_cast<size_t>(k)].Name;
                const int o = objectOf.value(name, 0);
                if (o == 0) {
                    error = QStringLiteral(
                                "Tree %1 holds \"%2\", which tree 1 lacks: the trees "
                                "must hold the same objects.")
                                .arg(number)
                                .arg(name);
                    return false;
                }
                if (seen[static_cast<size_t>(o)]) {
                    error = QStringLiteral("Tree %1 names \"%2\" twice.").arg(number).arg(name);
                    return false;
                }
                seen[static_cast<size_t>(o)] = 1;
                groups.Leaves[at] = o;
                return true;
            },
            groups);
        if (!error.isEmpty()) return fail(error);
        for (int o = 1; o <= n && walked; ++o)
            if (!seen[static_cast<size_t>(o)])
                return fail(
                    QStringLiteral("Tree %1 lacks \"%2\": the trees must hold the same objects.")
                        .arg(number)
                        .arg(names[static_cast<size_t>(o)]));
        if (!walked)
            return fail(
                QStringLiteral("Tree %1 is not a tree: a node is reached twice.").arg(number));
        add(std::move(groups));
    }
    return {};
}

// The 64-bit mix of splitmix64: random-looking keys from object numbers.
std::uint64_t MixKey(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}
}  // namespace

bool TGeneralTree::IsBinary() const
{
    for (const TGeneralNode& n : Nodes)
        if (!n.Children.empty() && n.Children.size() != 2) return false;
    return true;
}

bool GroupsCompatible(const TInclusion& a, const TInclusion& b)
{
    const TInclusion both = a & b;
    return both.IsEmpty() || both == a || both == b;
}

TConsensusInput CladesOfTrees(const std::vector<const TTree*>& trees, int objectCount)
{
    TConsensusInput input;
    input.ObjectCount = objectCount;
    for (const TTree* tree : trees) {
        std::vector<TInclusion> groups(static_cast<size_t>(tree->NodeCount()) + 1);
        // Each tip adds its object to every node above it (the walks stop
        // after NodeCount steps, so broken links cannot loop).
        for (int i = 1; i <= tree->TipCount(); ++i) {
            const TTip& tip = tree->Tips[static_cast<size_t>(i)];
            if (tip.Objects.empty()) continue;
            for (int k = tip.Anc, steps = 0;
                 k >= 1 && k <= tree->NodeCount() && steps <= tree->NodeCount(); ++steps) {
                groups[static_cast<size_t>(k)].Include(tip.Objects[0]);
                k = tree->Nodes[static_cast<size_t>(k)].Anc;
            }
        }
        groups.erase(groups.begin());
        KeepNonTrivial(groups, objectCount);
        input.Trees.push_back(std::move(groups));
    }
    if (!trees.empty()) {
        // Leaf order of the first tree: tips in a walk from the root.
        const TTree& first = *trees.front();
        std::vector<std::vector<std::pair<bool, int>>> kids(static_cast<size_t>(first.NodeCount()) +
                                                            1);
        for (int i = 1; i <= first.TipCount(); ++i)
            if (int a = first.Tips[static_cast<size_t>(i)].Anc; a >= 1 && a <= first.NodeCount())
                kids[static_cast<size_t>(a)].push_back({true, i});
        for (int j = 1; j <= first.NodeCount(); ++j)
            if (int a = first.Nodes[static_cast<size_t>(j)].Anc; a >= 1 && a <= first.NodeCount())
                kids[static_cast<size_t>(a)].push_back({false, j});
        std::vector<std::pair<bool, int>> stack;
        if (first.Root()) stack.push_back({false, first.Root()});
        size_t guard = 0;
        while (!stack.empty() && guard++ < first.Tips.size() + first.Nodes.size()) {
            const auto [isTip, num] = stack.back();
            stack.pop_back();
            if (isTip) {
                const TTip& tip = first.Tips[static_cast<size_t>(num)];
                if (!tip.Objects.empty()) input.LeafOrder.push_back(tip.Objects[0]);
                continue;
            }
            const auto& k = kids[static_cast<size_t>(num)];
            for (auto it = k.rbegin(); it != k.rend(); ++it) stack.push_back(*it);
        }
    }
    return input;
}

int RemoveDuplicateTrees(TConsensusInput& input)
{
    const size_t before = input.Trees.size();
    std::vector<std::vector<TInclusion>> kept;
    for (auto& groups : input.Trees)
        if (std::find(kept.begin(), kept.end(), groups) == kept.end())
            kept.push_back(std::move(groups));
    input.Trees = std::move(kept);
    return static_cast<int>(before - input.Trees.size());
}

QString ConsensusKindName(TConsensusKind kind)
{
    switch (kind) {
        case TConsensusKind::Strict:
            return QStringLiteral("Strict");
        case TConsensusKind::Majority:
            return QStringLiteral("Majority-rule");
        case TConsensusKind::MajorityCompatible:
            return QStringLiteral("Majority-rule with compatible groups");
        case TConsensusKind::Semistrict:
            return QStringLiteral("Semistrict");
    }
    return {};
}

TResult<TNewickSet> CladesOfNewick(const std::vector<TNewickTree>& trees)
{
    TNewickSet result;
    const TStatus read =
        NewickGroupsOf(trees, MaxParsimonyObjects, result.Names, [&](TTreeGroups&& tree) {
            std::vector<TInclusion> groups;
            for (const auto& [begin, end] : tree.Ranges) {
                TInclusion g;
                for (int i = begin; i < end; ++i) g.Include(tree.Leaves[static_cast<size_t>(i)]);
                groups.push_back(g);
            }
            SortUnique(groups);
            result.Input.Trees.push_back(std::move(groups));
        });
    if (!read) return TFailure(read.Error());
    result.Input.ObjectCount = static_cast<int>(result.Names.size()) - 1;
    for (int o = 1; o <= result.Input.ObjectCount; ++o) result.Input.LeafOrder.push_back(o);
    return result;
}

TGeneralTree Consensus(const TConsensusInput& input, TConsensusKind kind)
{
    const int trees = static_cast<int>(input.Trees.size());
    std::map<TInclusion, int, TGroupLess> count;
    for (const auto& groups : input.Trees)
        for (const TInclusion& g : groups) ++count[g];
    std::vector<TInclusion> kept;
    std::vector<double> percent;
    SelectGroups(count, trees, kind, kept, percent);
    TGeneralTree tree = TreeFromGroups(input.ObjectCount, kept, percent, input.LeafOrder);
    tree.TreeCount = trees;
    return tree;
}

TGeneralTree TreeFromGroups(int objectCount, const std::vector<TInclusion>& groups,
                            const std::vector<double>& percent, const std::vector<int>& leafOrder)
{
    TGeneralTree tree;
    TGeneralNode root;
    for (int o = 1; o <= objectCount; ++o) root.Group.Include(o);
    tree.Nodes.push_back(root);
    tree.Root = 0;
    std::vector<size_t> order(groups.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    // Larger groups first: a group's parent is then already in place, and
    // compatible groups of equal size are disjoint.
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return groups[a].Count() > groups[b].Count(); });
    auto parentFor = [&](const TInclusion& g) {
        int p = tree.Root;
        for (bool deeper = true; deeper;) {
            deeper = false;
            for (int c : tree.Nodes[static_cast<size_t>(p)].Children)
                if (g.IsSubsetOf(tree.Nodes[static_cast<size_t>(c)].Group)) {
                    p = c;
                    deeper = true;
                    break;
                }
        }
        return p;
    };
    for (size_t i : order) {
        const TInclusion& g = groups[i];
        if (g.Count() < 2 || g.Count() >= objectCount || !g.IsSubsetOf(root.Group)) continue;
        const int p = parentFor(g);
        bool fits = !(g == tree.Nodes[static_cast<size_t>(p)].Group);
        for (int c : tree.Nodes[static_cast<size_t>(p)].Children)
            if (!(g & tree.Nodes[static_cast<size_t>(c)].Group).IsEmpty()) fits = false;
        if (!fits) continue;
        TGeneralNode node;
        node.Parent = p;
        node.Group = g;
        node.Percent = i < percent.size() ? percent[i] : -1;
        tree.Nodes.push_back(node);
        tree.Nodes[static_cast<size_t>(p)].Children.push_back(static_cast<int>(tree.Nodes.size()) -
                                                              1);
    }
    for (int o = 1; o <= objectCount; ++o) {
        TInclusion single;
        single.Include(o);
        const int p = parentFor(single);
        TGeneralNode leaf;
        leaf.Parent = p;
        leaf.Object = o;
        leaf.Group = single;
        tree.Nodes.push_back(leaf);
        tree.Nodes[static_cast<size_t>(p)].Children.push_back(static_cast<int>(tree.Nodes.size()) -
                                                              1);
    }
    // Children in the order their first object takes in leafOrder.
    std::vector<int> position(static_cast<size_t>(std::max(objectCount, 0)) + 1, objectCount + 1);
    for (size_t i = 0; i < leafOrder.size(); ++i)
        if (leafOrder[i] >= 1 && leafOrder[i] <= objectCount)
            position[static_cast<size_t>(leafOrder[i])] = static_cast<int>(i);
    std::vector<int> key(tree.Nodes.size(), std::numeric_limits<int>::max());
    for (size_t k = 0; k < tree.Nodes.size(); ++k)
        for (int o = 1; o <= objectCount; ++o)
            if (tree.Nodes[k].Group.Contains(o))
                key[k] = std::min(key[k], position[static_cast<size_t>(o)] * (objectCount + 2) + o);
    for (TGeneralNode& n : tree.Nodes)
        std::sort(n.Children.begin(), n.Children.end(), [&](int a, int b) {
            return key[static_cast<size_t>(a)] < key[static_cast<size_t>(b)];
        });
    return tree;
}

TNewickTree ConsensusToNewick(const TGeneralTree& tree, const std::vector<QString>& names,
                              bool percents)
{
    TNewickTree out;
    out.Root = tree.Root;
    out.Nodes.resize(tree.Nodes.size());
    for (size_t k = 0; k < tree.Nodes.size(); ++k) {
        const TGeneralNode& g = tree.Nodes[k];
        TNewickNode& n = out.Nodes[k];
        n.Parent = g.Parent;
        n.Children = g.Children;
        if (g.Children.empty()) {
            n.Name = g.Object >= 0 && g.Object < static_cast<int>(names.size())
                         ? names[static_cast<size_t>(g.Object)]
                         : QString();
        } else if (percents && static_cast<int>(k) != tree.Root && g.Percent >= 0) {
            n.Name = QString::number(qRound(g.Percent));
        }
    }
    return out;
}

void TBigConsensusInput::Add(TTreeGroups groups)
{
    ++TreeCount;
    for (int o = static_cast<int>(KeyA.size()); o <= ObjectCount; ++o) {
        KeyA.push_back(MixKey(2 * static_cast<std::uint64_t>(o)));
        KeyB.push_back(MixKey(2 * static_cast<std::uint64_t>(o) + 1));
    }
    // Sums of the keys along the leaf list: a range's key in two subtractions.
    std::vector<TKey> sum(groups.Leaves.size() + 1);
    for (size_t i = 0; i < groups.Leaves.size(); ++i) {
        const size_t o = static_cast<size_t>(std::clamp(groups.Leaves[i], 0, ObjectCount));
        sum[i + 1] = {sum[i].A + KeyA[o], sum[i].B + KeyB[o]};
    }
    bool kept = false;
    std::vector<int> counted;  // groups this tree already counted
    for (const auto& [begin, end] : groups.Ranges) {
        const size_t b = static_cast<size_t>(begin), e = static_cast<size_t>(end);
        if (begin < 0 || e > groups.Leaves.size() || end - begin < 2 || end - begin >= ObjectCount)
            continue;
        const TKey key{sum[e].A - sum[b].A, sum[e].B - sum[b].B};
        const auto [at, added] = Index.try_emplace(key, static_cast<int>(Groups.size()));
        if (added) {
            Groups.push_back({0, static_cast<int>(Leaves.size()), begin, end});
            kept = true;
        }
        if (std::find(counted.begin(), counted.end(), at->second) != counted.end()) continue;
        counted.push_back(at->second);
        ++Groups[static_cast<size_t>(at->second)].Count;
    }
    if (kept) Leaves.push_back(std::move(groups.Leaves));
}

TTreeGroups CompactGroups(const TCompactTree& tree)
{
    TTreeGroups out;
    out.Leaves.reserve(static_cast<size_t>(tree.Tips));
    const std::vector<int> none;
    std::vector<int> kids;
    PreOrderGroups(
        tree.Root, static_cast<size_t>(tree.Vertices()), tree.Tips,
        [&](int v) -> const std::vector<int>& {
            if (tree.IsTip(v)) return none;
            const auto& c = tree.Child[static_cast<size_t>(v)];
            kids.assign(c.begin(), c.end());
            return kids;
        },
        [&](int v, size_t at) {
            out.Leaves[at] = v + 1;
            return true;
        },
        out);
    return out;
}

TTreeGroups GeneralTreeGroups(const TGeneralTree& tree)
{
    TTreeGroups out;
    int leaves = 0;
    for (const TGeneralNode& node : tree.Nodes) leaves += node.Children.empty();
    PreOrderGroups(
        tree.Root, tree.Nodes.size(), leaves,
        [&](int k) -> const std::vector<int>& {
            return tree.Nodes[static_cast<size_t>(k)].Children;
        },
        [&](int k, size_t at) {
            out.Leaves[at] = tree.Nodes[static_cast<size_t>(k)].Object;
            return true;
        },
        out);
    return out;
}

TResult<TBigNewickSet> BigCladesOfNewick(const std::vector<TNewickTree>& trees)
{
    TBigNewickSet result;
    bool first = true;
    const TStatus read = NewickGroupsOf(
        trees, std::numeric_limits<int>::max(), result.Names, [&](TTreeGroups&& groups) {
            if (first) result.Input.ObjectCount = static_cast<int>(result.Names.size()) - 1;
            first = false;
            result.Input.Add(std::move(groups));
        });
    if (!read) return TFailure(read.Error());
    for (int o = 1; o <= result.Input.ObjectCount; ++o) result.Input.LeafOrder.push_back(o);
    return result;
}

TGeneralTree BigConsensus(const TBigConsensusInput& input, TConsensusKind kind)
{
    const int n = input.ObjectCount;
    const int trees = input.TreeCount;
    // The kept groups as lists of their objects, with their percentages.
    std::vector<std::pair<const int*, int>> kept;
    std::vector<double> percent;
    std::vector<std::vector<int>> listed;  // members of groups compared as object sets
    if (kind == TConsensusKind::Strict || kind == TConsensusKind::Majority) {
        for (const TBigConsensusInput::TGroup& g : input.Groups)
            if (kind == TConsensusKind::Strict ? g.Count == trees : 2 * g.Count > trees) {
                kept.push_back({input.Members(g), g.End - g.Begin});
                percent.push_back(trees > 0 ? 100.0 * g.Count / trees : 0);
            }
    } else {
        std::map<TObjectSet, int> count;
        for (const TBigConsensusInput::TGroup& g : input.Groups) {
            TObjectSet set(n);
            for (int i = 0; i < g.End - g.Begin; ++i) set.Include(input.Members(g)[i]);
            count.emplace(std::move(set), g.Count);
        }
        std::vector<TObjectSet> sets;
        SelectGroups(count, trees, kind, sets, percent);
        for (const TObjectSet& set : sets) {
            listed.emplace_back();
            for (int o = 1; o <= n; ++o)
                if (set.Contains(o)) listed.back().push_back(o);
        }
        for (const std::vector<int>& m : listed)
            kept.push_back({m.data(), static_cast<int>(m.size())});
    }
    // Larger groups first; the kept groups are pairwise compatible, so the
    // parent of a group is the smallest group placed so far that holds any
    // one of its objects (deepest[o]: that node for object o).
    std::vector<size_t> order(kept.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return kept[a].second > kept[b].second; });
    TGeneralTree tree;
    tree.Nodes.emplace_back();
    tree.Root = 0;
    tree.TreeCount = input.TreeCount;
    std::vector<int> deepest(static_cast<size_t>(n) + 1, 0);
    for (size_t i : order) {
        const std::span<const int> members(kept[i].first, static_cast<size_t>(kept[i].second));
        const int p = deepest[static_cast<size_t>(members.front())];
        // A group that fits no place (never for compatible groups) is left out.
        if (!std::all_of(members.begin(), members.end(),
                         [&](int o) { return deepest[static_cast<size_t>(o)] == p; }))
            continue;
        TGeneralNode node;
        node.Parent = p;
        node.Percent = percent[i];
        const int id = static_cast<int>(tree.Nodes.size());
        tree.Nodes.push_back(node);
        tree.Nodes[static_cast<size_t>(p)].Children.push_back(id);
        for (int o : members) deepest[static_cast<size_t>(o)] = id;
    }
    for (int o = 1; o <= n; ++o) {
        TGeneralNode leaf;
        leaf.Parent = deepest[static_cast<size_t>(o)];
        leaf.Object = o;
        tree.Nodes.push_back(leaf);
        tree.Nodes[static_cast<size_t>(leaf.Parent)].Children.push_back(
            static_cast<int>(tree.Nodes.size()) - 1);
    }
    // Children in the order their first object takes in LeafOrder, as
    // TreeFromGroups orders them (keys formed bottom-up: nodes follow their parents).
    std::vector<std::int64_t> position(static_cast<size_t>(n) + 1, n + 1);
    for (size_t i = 0; i < input.LeafOrder.size(); ++i)
        if (input.LeafOrder[i] >= 1 && input.LeafOrder[i] <= n)
            position[static_cast<size_t>(input.LeafOrder[i])] = static_cast<std::int64_t>(i);
    std::vector<std::int64_t> key(tree.Nodes.size(), std::numeric_limits<std::int64_t>::max());
    for (size_t k = tree.Nodes.size(); k-- > 0;) {
        const TGeneralNode& node = tree.Nodes[k];
        if (node.Object > 0)
            key[k] = position[static_cast<size_t>(node.Object)] * (n + 2) + node.Object;
        if (node.Parent >= 0)
            key[static_cast<size_t>(node.Parent)] =
                std::min(key[static_cast<size_t>(node.Parent)], key[k]);
    }
    for (TGeneralNode& node : tree.Nodes)
        std::sort(node.Children.begin(), node.Children.end(), [&](int a, int b) {
            return key[static_cast<size_t>(a)] < key[static_cast<size_t>(b)];
        });
    return tree;
}
