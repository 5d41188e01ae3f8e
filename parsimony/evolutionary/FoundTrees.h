#pragma once
// Trees found by any search (or read from a file) as a population of the
// evolutionary search's kind, which the tree results window and "Save trees"
// take.
//
//   auto population = FoundTreesPopulation(trees, field, objects, characters, true, seed);
//   population->Tree(1) ... population->TreeCount()
#include <cstdint>
#include <memory>
#include <vector>

#include "parsimony/evolutionary/CreateTree.h"

// Trees 1..n are these, evaluated under the rule; tree 0 is a copy of tree 1.
std::shared_ptr<TParsimonySearch> FoundTreesPopulation(const std::vector<TTree>& trees,
                                                       const TSField& field, int objectCount,
                                                       int characterCount, bool missingData,
                                                       std::uint64_t seed);
