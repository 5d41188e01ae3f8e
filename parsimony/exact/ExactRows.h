#pragma once
// The results of an exact run as the tree results window shows them: a
// population of the evolutionary search's kind (up to 255 objects) and the
// rows of its list (tree, length, how it was found).
//
//   auto population = ExactPopulation(result, settings, field, objects, characters);
//   window->FillList(ExactListRows(result, '.'));
#include <QStringList>
#include <memory>
#include <vector>

#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/exact/ExactSearch.h"

inline const QString ExactLegend = QStringLiteral("Exact search: shortest trees");

std::shared_ptr<TParsimonySearch> ExactPopulation(const TExactResult& result,
                                                  const TExactSettings& settings,
                                                  const TSField& field, int objectCount,
                                                  int characterCount);
// "branch and bound" for every row of a proved run; "branch and bound, not
// proved" for the shortest trees of a stopped one.
std::vector<QStringList> ExactListRows(const TExactResult& result, QChar decimalSeparator);
