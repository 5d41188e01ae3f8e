#pragma once
// The results of a thorough or an exact run as the tree results window shows
// them: a population of the evolutionary search's kind (up to 255 objects)
// and the rows of its list (tree, length, how it was found).
//
//   auto population = ThoroughPopulation(search, field, objects, characters);
//   window->FillList(ThoroughListRows(search, '.'));
//   window->SetPopulation(population);
//   // the same for an exact run: ExactPopulation, ExactListRows
#include <memory>

#include "parsimony/CreateTree.h"
#include "parsimony/ExactSearch.h"
#include "parsimony/ThoroughSearch.h"

inline const QString ThoroughLegend = QStringLiteral("Thorough search: distinct shortest trees");
inline const QString ExactLegend = QStringLiteral("Exact search: shortest trees");

// Trees already found as a population whose trees 1..n are these, evaluated
// under the rule, tree 0 a copy of tree 1.
std::shared_ptr<TParsimonySearch> FoundTreesPopulation(const std::vector<TTree>& trees,
                                                       const TSField& field, int objectCount,
                                                       int characterCount, bool missingData,
                                                       std::uint64_t seed);

std::shared_ptr<TParsimonySearch> ThoroughPopulation(const TThoroughSearch& search,
                                                     const TSField& field, int objectCount,
                                                     int characterCount);
std::vector<QStringList> ThoroughListRows(const TThoroughSearch& search, QChar decimalSeparator);

std::shared_ptr<TParsimonySearch> ExactPopulation(const TExactResult& result,
                                                  const TExactSettings& settings,
                                                  const TSField& field, int objectCount,
                                                  int characterCount);
// "branch and bound" for every row of a proved run; "branch and bound, not
// proved" for the shortest trees of a stopped one.
std::vector<QStringList> ExactListRows(const TExactResult& result, QChar decimalSeparator);
