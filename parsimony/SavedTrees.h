#pragma once
// "Save trees" beside the whole list: the shortest trees, each rooted
// topology once, every tree preceded by its length as a Newick comment
// ("[length=46]"), which tree readers skip.
//
// Use: `for (size_t k : ShortestDistinctTrees(trees, n))
//           line = LengthComment(trees[k]->Fitness) + " " + WriteNewick(*trees[k], names);`
#include <QString>
#include <vector>

struct TTree;

// Positions in trees of the shortest ones, in list order, leaving out a
// tree with the same groups as an earlier one.
std::vector<size_t> ShortestDistinctTrees(const std::vector<const TTree*>& trees, int objectCount);

// "[length=46]"; fractional lengths (the missing-data rule) with "." and no
// more digits than they need.
QString LengthComment(double length);
