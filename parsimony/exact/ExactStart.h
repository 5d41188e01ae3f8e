#pragma once
// The start of the exact search: the order in which objects are added and a
// short tree whose length is the first upper bound.
//
//   std::vector<int> order = FurthestOrder(field);     // objects 1..n
//   TExactStartTree s = QuickShortTree(packed, field, missingData, order);
//   s.Length;  s.Tree;                                  // evaluated on the packed field
#include <cstdint>
#include <functional>
#include <vector>

#include "parsimony/exact/ExactField.h"

// Furthest addition: start from the two objects farthest apart, then always
// add the object whose cheapest place costs the most. Raises the partial
// lengths early, so the branch and bound prunes near the root.
std::vector<int> FurthestOrder(const TExactField& field);

// A Wagner tree along the order (each object at its first cheapest place),
// as sorted clades.
std::vector<std::uint64_t> WagnerClades(const TExactField& field, const std::vector<int>& order);

// Improves the tree by moving subtrees (SPR) until no move shortens it;
// returns its length.
std::int64_t ImproveBySubtreeMoves(TTree& tree, TTreeScorer& scorer);
// The same for any length of trees given by their parent links.
std::int64_t ImproveBySubtreeMoves(TTree& tree,
                                   const std::function<std::int64_t(const TTree&)>& length);

struct TExactStartTree {
    TTree Tree;
    std::int64_t Length = 0;
};

// The shortest of Wagner trees along the given order and along a few seeded
// random orders, each improved by subtree moves.
TExactStartTree QuickShortTree(const TPackedField& packed, const TExactField& field,
                               bool missingData, const std::vector<int>& order);
