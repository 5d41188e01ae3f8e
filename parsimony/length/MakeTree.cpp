#include "parsimony/length/MakeTree.h"

#include <algorithm>

#include "parsimony/length/PackedStates.h"

int TTree::Root() const
{
    for (int j = 1; j <= NodeCount(); ++j)
        if (Nodes[static_cast<size_t>(j)].Anc == 0) return j;
    return 0;
}

void DeriveTopology(TTree& tree)
{
    const int t = tree.TipCount();
    const int n = tree.NodeCount();
    auto validNode = [n](int k) { return k >= 1 && k <= n; };
    // The walks stop after n steps, so broken links cannot loop.
    auto walkUp = [&](TInclusion& set, int from) {
        for (int k = from, steps = 0; validNode(k) && steps <= n; ++steps) {
            set.Include(k);
            k = tree.Nodes[static_cast<size_t>(k)].Anc;
        }
    };
    for (int i = 1; i <= t; ++i) {
        TTip& tip = tree.Tips[static_cast<size_t>(i)];
        tip.AncSet = TInclusion();
        walkUp(tip.AncSet, tip.Anc);
    }
    for (int j = 1; j <= n; ++j) {
        TNode& node = tree.Nodes[static_cast<size_t>(j)];
        node.AncSet = TInclusion();
        node.AncSet.Include(j);
        walkUp(node.AncSet, node.Anc);
        node.Child = {};
        node.Objects.clear();
    }
    std::vector<int> found(static_cast<size_t>(n) + 1, 0);
    auto addChild = [&](int anc, int num, bool isTip) {
        if (!validNode(anc) || found[static_cast<size_t>(anc)] >= 2) return;
        int& f = found[static_cast<size_t>(anc)];
        ++f;
        tree.Nodes[static_cast<size_t>(anc)].Child[static_cast<size_t>(f)] = {
            static_cast<TIntNum>(num), isTip};
    };
    for (int i = 1; i <= t; ++i) addChild(tree.Tips[static_cast<size_t>(i)].Anc, i, true);
    for (int j = 1; j <= n; ++j) addChild(tree.Nodes[static_cast<size_t>(j)].Anc, j, false);
    // Tips in increasing number append their object to every node above them,
    // so each list comes out in tip order.
    for (int i = 1; i <= t; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        if (tip.Objects.empty()) continue;
        for (int k = 1; k <= n; ++k)
            if (tip.AncSet.Contains(k))
                tree.Nodes[static_cast<size_t>(k)].Objects.push_back(tip.Objects[0]);
    }
}

namespace {
int HighestObject(const TTree& tree)
{
    int high = 0;
    for (size_t i = 1; i < tree.Tips.size(); ++i)
        if (!tree.Tips[i].Objects.empty()) high = std::max<int>(high, tree.Tips[i].Objects[0]);
    return high;
}
}  // namespace

void EvaluateTree(TTree& tree, const TSField& charField, bool missingData)
{
    const int characterCount = charField.Places.Count();
    const int objects = std::max(tree.TipCount(), HighestObject(tree));
    const TPackedField field(charField, objects, characterCount);
    TTreeScorer(field, missingData).Evaluate(tree);
}

TIncArr CharacterStates(const TTree& tree, int c, const TSField& charField)
{
    const int t = tree.TipCount();
    TIncArr states(static_cast<size_t>(2 * t), TInclusion());
    if (c < 1 || c > charField.Places.Count()) return states;
    const TNumbered<TInclusion>& inc = charField.Places[c].Inc;
    auto objectSet = [&](int o) { return o >= 1 && o <= inc.Count() ? inc[o] : TInclusion(); };
    for (int i = 1; i <= t; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        if (!tip.Objects.empty()) states[static_cast<size_t>(i)] = objectSet(tip.Objects[0]);
    }
    for (int j = 1; j < t; ++j) {
        bool any = false;
        TInclusion set;
        for (TIntNum o : tree.Nodes[static_cast<size_t>(j)].Objects) {
            const TInclusion s = objectSet(o);
            if (tree.MissingDataStates && s.IsEmpty()) continue;
            set = any ? (set & s) : s;
            any = true;
        }
        states[static_cast<size_t>(t + j)] = set;
    }
    return states;
}

double ComputeCharSteps(TTree& tree, int c, const TSField& charField)
{
    const double steps = CountCharSteps(tree, c, charField);
    EvaluateTree(tree, charField, true);
    return steps;
}

double CountCharSteps(const TTree& tree, int c, const TSField& charField)
{
    const int t = tree.TipCount();
    const TIncArr states = CharacterStates(tree, c, charField);
    auto nodeSet = [&](int k) { return states[static_cast<size_t>(t + k)]; };
    std::int64_t steps = 0;
    // A branch whose lower end has no known state costs nothing.
    for (int i = 1; i <= t; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        const TInclusion& s = states[static_cast<size_t>(i)];
        if (!s.IsEmpty() && tip.Anc >= 1 && tip.Anc < t) steps += (s ^ nodeSet(tip.Anc)).Count();
    }
    for (int j = 1; j < t; ++j) {
        const TNode& node = tree.Nodes[static_cast<size_t>(j)];
        const TInclusion& s = nodeSet(j);
        if (!s.IsEmpty() && node.Anc >= 1 && node.Anc < t) steps += (s ^ nodeSet(node.Anc)).Count();
    }
    return static_cast<double>(steps);
}

bool IsConsistentTree(const TTree& tree, int objectCount)
{
    const int t = tree.TipCount();
    const int n = tree.NodeCount();
    if (t != objectCount || n != t - 1 || t < 2) return false;
    std::vector<int> seen(static_cast<size_t>(objectCount) + 1, 0);
    std::vector<int> children(static_cast<size_t>(n) + 1, 0);
    for (int i = 1; i <= t; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        if (tip.Objects.size() != 1 || tip.Objects[0] < 1 || tip.Objects[0] > objectCount)
            return false;
        if (seen[tip.Objects[0]]++) return false;
        if (tip.Anc < 1 || tip.Anc > n) return false;
        ++children[tip.Anc];
    }
    int roots = 0;
    for (int j = 1; j <= n; ++j) {
        const int anc = tree.Nodes[static_cast<size_t>(j)].Anc;
        if (anc == 0) {
            ++roots;
            continue;
        }
        if (anc > n || anc == j) return false;
        ++children[static_cast<size_t>(anc)];
    }
    if (roots != 1) return false;
    for (int j = 1; j <= n; ++j)
        if (children[static_cast<size_t>(j)] != 2) return false;
    // Every node must reach the root: no cycles.
    for (int j = 1; j <= n; ++j) {
        int k = j, steps = 0;
        while (k != 0 && steps++ <= n) k = tree.Nodes[static_cast<size_t>(k)].Anc;
        if (k != 0) return false;
    }
    return true;
}
