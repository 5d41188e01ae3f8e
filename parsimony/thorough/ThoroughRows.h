#pragma once
// The results of a thorough run as the tree results window shows them: a
// population of the evolutionary search's kind (up to 255 objects) and the
// rows of its list (tree, length, how it was found).
//
//   auto population = ThoroughPopulation(search, field, objects, characters);
//   window->FillList(ThoroughListRows(search, '.'));
//   window->SetPopulation(population);
#include <QStringList>
#include <memory>
#include <vector>

#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/thorough/ThoroughSearch.h"

inline const QString ThoroughLegend = QStringLiteral("Thorough search: distinct shortest trees");

std::shared_ptr<TParsimonySearch> ThoroughPopulation(const TThoroughSearch& search,
                                                     const TSField& field, int objectCount,
                                                     int characterCount);
std::vector<QStringList> ThoroughListRows(const TThoroughSearch& search, QChar decimalSeparator);
