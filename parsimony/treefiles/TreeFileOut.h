#pragma once
// The trees of a run as a file, the same for "Save trees" and varno-batch:
// Newick one tree a line (CR LF), or a NEXUS TREES block.
//   QByteArray bytes = EncodeTrees(PopulationTrees(search), search.CharField().Names,
//                                  TTreeFileFormat::Newick);
//   TStatus saved = SaveTextFile(path, bytes);
#include <QByteArray>
#include <QString>
#include <vector>

class TParsimonySearch;
struct TTree;

enum class TTreeFileFormat { Newick, Nexus };

// The trees of slots 1..TreeCount() of a population, in slot order.
std::vector<const TTree*> PopulationTrees(const TParsimonySearch& search);

QByteArray EncodeTrees(const std::vector<const TTree*>& trees, const std::vector<QString>& names,
                       TTreeFileFormat format);
