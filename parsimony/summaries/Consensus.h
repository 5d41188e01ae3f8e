#pragma once
// Consensus of a set of rooted trees over the same objects: strict,
// majority-rule (optionally with compatible groups below half) and
// semistrict. Groups are object sets (TInclusion, objects 1..255).
//
// Use: `TConsensusInput in = CladesOfTrees(trees, n);
//       TGeneralTree c = Consensus(in, TConsensusKind::Majority);
//       QString nwk = WriteGeneralNewick(c, names, true);`
#include <QString>
#include <map>
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

// The same for trees of any size (the thorough search's): groups as
// TObjectSet, counted tree by tree, so that only distinct groups are kept.
struct TBigConsensusInput {
    int ObjectCount = 0;
    int TreeCount = 0;
    std::map<TObjectSet, int> Count;  // trees holding each non-trivial group
    std::vector<int> LeafOrder;
    // One tree's groups (the trivial ones and repeats are dropped).
    void Add(std::vector<TObjectSet> groups);
};
// The non-trivial groups of a compact tree (objects 1..Tips).
std::vector<TObjectSet> CompactGroups(const TCompactTree& tree);
struct TBigNewickSet {
    TBigConsensusInput Input;
    std::vector<QString> Names;  // as in TNewickSet
};
// As CladesOfNewick, with no limit on the number of objects.
TResult<TBigNewickSet> BigCladesOfNewick(const std::vector<TNewickTree>& trees);
// As Consensus (the same groups, percentages and order of children); the
// nodes' Group is left empty.
TGeneralTree BigConsensus(const TBigConsensusInput& input, TConsensusKind kind);
