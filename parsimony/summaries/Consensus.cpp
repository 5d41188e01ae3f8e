#include "parsimony/summaries/Consensus.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <map>

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

void SortUnique(std::vector<TObjectSet>& groups)
{
    std::sort(groups.begin(), groups.end());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
}

// Keeps the groups with 2 .. n-1 members.
template <class Set>
void KeepNonTrivial(std::vector<Set>& groups, int n)
{
    std::erase_if(groups, [n](const Set& g) { return g.Count() < 2 || g.Count() >= n; });
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

// The objects of Newick trees (the leaf names of the first tree, which every
// other tree must hold exactly once each) and the non-trivial groups of
// every tree, handed to add(groups) tree by tree. Past maxObjects: refused.
template <class Make, class Add>
TStatus NewickGroupsOf(const std::vector<TNewickTree>& trees, int maxObjects,
                       std::vector<QString>& names, Make&& make, Add&& add)
{
    using Set = decltype(make(0));
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
    for (size_t t = 0; t < trees.size(); ++t) {
        const TNewickTree& tree = trees[t];
        const int number = static_cast<int>(t) + 1;
        std::vector<Set> below(tree.Nodes.size(), make(n));
        Set seen = make(n);
        for (int k : NewickLeaves(tree)) {
            const QString& name = tree.Nodes[static_cast<size_t>(k)].Name;
            const int o = objectOf.value(name, 0);
            if (o == 0)
                return fail(QStringLiteral("Tree %1 holds \"%2\", which tree 1 lacks: the trees "
                                           "must hold the same objects.")
                                .arg(number)
                                .arg(name));
            if (seen.Contains(o))
                return fail(QStringLiteral("Tree %1 names \"%2\" twice.").arg(number).arg(name));
            seen.Include(o);
            below[static_cast<size_t>(k)].Include(o);
        }
        if (seen.Count() != n) {
            for (int o = 1; o <= n; ++o)
                if (!seen.Contains(o))
                    return fail(QStringLiteral(
                                    "Tree %1 lacks \"%2\": the trees must hold the same objects.")
                                    .arg(number)
                                    .arg(names[static_cast<size_t>(o)]));
        }
        // Children are read after their parent: walk the list backwards.
        std::vector<int> order = {tree.Root};
        for (size_t i = 0; i < order.size() && order.size() <= tree.Nodes.size(); ++i)
            for (int c : tree.Nodes[static_cast<size_t>(order[i])].Children) order.push_back(c);
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const TNewickNode& node = tree.Nodes[static_cast<size_t>(*it)];
            if (node.Parent >= 0)
                below[static_cast<size_t>(node.Parent)] |= below[static_cast<size_t>(*it)];
        }
        KeepNonTrivial(below, n);
        add(std::move(below));
    }
    return {};
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
    const TStatus read = NewickGroupsOf(
        trees, MaxParsimonyObjects, result.Names, [](int) { return TInclusion(); },
        [&](std::vector<TInclusion>&& groups) { result.Input.Trees.push_back(std::move(groups)); });
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

void TBigConsensusInput::Add(std::vector<TObjectSet> groups)
{
    KeepNonTrivial(groups, ObjectCount);
    for (TObjectSet& g : groups) ++Count[std::move(g)];
    ++TreeCount;
}

std::vector<TObjectSet> CompactGroups(const TCompactTree& tree)
{
    std::vector<TObjectSet> below(static_cast<size_t>(tree.Vertices()), TObjectSet(tree.Tips));
    for (int v : PostOrder(tree)) {
        const size_t x = static_cast<size_t>(v);
        if (tree.IsTip(v))
            below[x].Include(v + 1);
        else
            for (int k : tree.Child[x]) below[x] |= below[static_cast<size_t>(k)];
    }
    KeepNonTrivial(below, tree.Tips);
    return below;
}

TResult<TBigNewickSet> BigCladesOfNewick(const std::vector<TNewickTree>& trees)
{
    TBigNewickSet result;
    bool first = true;
    const TStatus read = NewickGroupsOf(
        trees, std::numeric_limits<int>::max(), result.Names, [](int n) { return TObjectSet(n); },
        [&](std::vector<TObjectSet>&& groups) {
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
    std::vector<TObjectSet> kept;
    std::vector<double> percent;
    SelectGroups(input.Count, input.TreeCount, kind, kept, percent);
    // Larger groups first; the kept groups are pairwise compatible, so the
    // parent of a group is the smallest group placed so far that holds any
    // one of its objects (deepest[o]: that node for object o).
    std::vector<size_t> order(kept.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::vector<int> size(kept.size());
    for (size_t i = 0; i < kept.size(); ++i) size[i] = kept[i].Count();
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return size[a] > size[b]; });
    TGeneralTree tree;
    tree.Nodes.emplace_back();
    tree.Root = 0;
    tree.TreeCount = input.TreeCount;
    std::vector<int> deepest(static_cast<size_t>(n) + 1, 0);
    std::vector<int> members;
    for (size_t i : order) {
        const TObjectSet& g = kept[i];
        members.clear();
        for (int o = 1; o <= n; ++o)
            if (g.Contains(o)) members.push_back(o);
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
