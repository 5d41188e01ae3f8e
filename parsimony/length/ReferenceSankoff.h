#pragma once
// The reversible criteria computed literally: Sankoff's dynamic programming
// over each character's cost matrix (unordered: 0 or 1; ordered: the distance
// of the two states; state tree: the edges on the path between them). Slow;
// kept to check the bit-parallel scoring (ReversibleField.h) against.
#include <cstdint>
#include <vector>

#include "parsimony/length/ReversibleField.h"

// Cost of a change from state a to state b of the character.
std::int64_t ReferenceChangeCost(const TReversibleCharacter& character, int a, int b);

// Steps of each character (index 1..C, unweighted) on the tree below
// tree.Root. A cell's set costs nothing on its states and cannot take any
// other; under the ordered and state-tree criteria its states are those on a
// path between two of its members (the set as additive coding reads it).
std::vector<std::int64_t> ReferenceSteps(const TNumbered<TReversibleCharacter>& characters,
                                         const TTreeView& tree);

// The weighted sum of the steps.
std::int64_t ReferenceLength(const TNumbered<TReversibleCharacter>& characters,
                             const TTreeView& tree);
