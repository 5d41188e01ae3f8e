#pragma once
// Consensus of a set of rooted trees over the same objects: strict,
// majority-rule (optionally with compatible groups below half) and
// semistrict. Groups are object sets (TInclusion, objects 1..255).
//
// Use: `TConsensusInput in = CladesOfTrees(trees, n);
//       TGeneralTree c = Consensus(in, TConsensusKind::Majority);
//       QString nwk = WriteGeneralNewick(c, names, true);`
#include <QString>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/Result.h"
#include "parsimony/summaries/ObjectSet.h"
#include "parsimony/thorough/ThoroughTree.h"
#include "parsimony/treefiles/Newick.h"

// A rooted tree of any degree. Leaves carry their object number; inner nodes
// may carry the share of input trees that hold their group (percent, or -1).
struct TGeneralNode {
    int Parent = -1;
    std::vector<int> Children;
    int Object = 0;       // leaves: 1..N; inner nodes: 0
    TInclusion Group;     // objects below (empty in the consensus of big trees)
    double Percent = -1;  // inner nodes: share of input trees holding the group
};

struct TGeneralTree {
    std::vector<TGeneralNode> Nodes;
    int Root = -1;
    int TreeCount = 0;  // how many input trees it summarises
    bool IsBinary() const;
};

// The non-trivial groups (2 .. N-1 objects) of every input tree.
struct TConsensusInput {
    int ObjectCount = 0;
    std::vector<std::vector<TInclusion>> Trees;
    // Leaf order for the result: objects in the order the first tree shows them.
    std::vector<int> LeafOrder;
};

enum class TConsensusKind { Strict, Majority, MajorityCompatible, Semistrict };

// Groups of binary search trees (tips hold objects 1..objectCount).
TConsensusInput CladesOfTrees(const std::vector<const TTree*>& trees, int objectCount);

// Keeps the first of trees with the same groups; returns how many went.
int RemoveDuplicateTrees(TConsensusInput& input);

// "Strict", "Majority-rule", "Majority-rule with compatible groups", "Semistrict".
QString ConsensusKindName(TConsensusKind kind);

struct TNewickSet {
    TConsensusInput Input;
    std::vector<QString> Names;  // 1..N, in the first tree's leaf order
};
// Groups of Newick trees of any degree; the objects are the leaf names of the
// first tree, which every other tree must hold exactly once each.
TResult<TNewickSet> CladesOfNewick(const std::vector<TNewickTree>& trees);

// The consensus tree. Percent is filled on every inner node but the root.
// Majority keeps groups in more than half of the trees; MajorityCompatible
// adds, by falling frequency (ties: the larger group, then the group holding
// the lowest object where the two differ), every further group compatible
// with those kept. Semistrict keeps the groups
// found in some tree that conflict with no group of any tree.
TGeneralTree Consensus(const TConsensusInput& input, TConsensusKind kind);

// The tree built from pairwise compatible groups (others are ignored);
// percent[i] belongs to groups[i]. Children follow leafOrder.
TGeneralTree TreeFromGroups(int objectCount, const std::vector<TInclusion>& groups,
                            const std::vector<double>& percent, const std::vector<int>& leafOrder);

// True when a and b are nested or disjoint.
bool GroupsCompatible(const TInclusion& a, const TInclusion& b);

// The tree as a Newick node list: leaves named names[object]; with
// percents, inner nodes but the root are labelled with their percentage
// rounded to a whole number. Write it with WriteNewickTree, draw it with
// NewickToTreeNodes.
TNewickTree ConsensusToNewick(const TGeneralTree& tree, const std::vector<QString>& names,
                              bool percents);

// One tree's groups, linear in its size: its leaves in pre-order, and each
// non-trivial group as the range [first, second) of that list.
struct TTreeGroups {
    std::vector<int> Leaves;  // objects 1..N
    std::vector<std::pair<int, int>> Ranges;
};

// The same for trees of any size (the thorough search's), in memory linear in
// trees x objects: a group is known by a 128-bit sum of random keys of its
// objects (two groups share one with a chance below 1e-20 at a million
// groups) and kept as a range of the first tree that holds it.
struct TBigConsensusInput {
    int ObjectCount = 0;
    int TreeCount = 0;
    std::vector<int> LeafOrder;
    struct TGroup {
        int Count = 0;  // trees holding it
        int Tree = 0;   // the first of them, and its range there
        int Begin = 0, End = 0;
    };
    std::vector<TGroup> Groups;  // distinct groups, in the order first met
    // One tree's groups; repeats within the tree count once.
    void Add(TTreeGroups groups);
    const int* Members(const TGroup& g) const
    {
        return Leaves[static_cast<size_t>(g.Tree)].data() + g.Begin;
    }

private:
    struct TKey {
        std::uint64_t A = 0, B = 0;
        bool operator==(const TKey&) const = default;
    };
    struct TKeyHash {
        size_t operator()(const TKey& k) const { return static_cast<size_t>(k.A); }
    };
    std::vector<std::vector<int>> Leaves;  // per tree that brought a new group
    std::unordered_map<TKey, int, TKeyHash> Index;
    std::vector<std::uint64_t> KeyA, KeyB;  // per object
};
// The groups of a compact tree (objects 1..Tips).
TTreeGroups CompactGroups(const TCompactTree& tree);
// The groups of a consensus tree (its inner nodes but the root).
TTreeGroups GeneralTreeGroups(const TGeneralTree& tree);
struct TBigNewickSet {
    TBigConsensusInput Input;
    std::vector<QString> Names;  // as in TNewickSet
};
// As CladesOfNewick, with no limit on the number of objects.
TResult<TBigNewickSet> BigCladesOfNewick(const std::vector<TNewickTree>& trees);
// As Consensus (the same groups, percentages and order of children); the
// nodes' Group is left empty. Strict and majority-rule take time linear in
// the groups' sizes; semistrict and the compatible groups compare groups
// pairwise, as object sets.
TGeneralTree BigConsensus(const TBigConsensusInput& input, TConsensusKind kind);
