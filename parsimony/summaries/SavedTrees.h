#pragma once
// "Save trees" beside the whole list: the shortest trees, each rooted
// topology once, every tree preceded by its length as a Newick comment
// ("[length=46]", LengthComment in treefiles/Newick.h), which tree readers skip.
//
// Use: `for (size_t k : ShortestDistinctTrees(trees, n))
//           line = LengthComment(trees[k]->Fitness) + " " + WriteNewick(*trees[k], names);`
#include <cstddef>
#include <vector>

struct TTree;

// Positions in trees of the shortest ones, in list order, leaving out a
// tree with the same groups as an earlier one.
std::vector<size_t> ShortestDistinctTrees(const std::vector<const TTree*>& trees, int objectCount);
