#pragma once
// The texts of the tree results window: one tree as a table of its tips and
// nodes with their parent links and fits.
#include <QChar>
#include <QStringList>
#include <vector>

#include "parsimony/MakeTree.h"

// Rows 0..T of five columns for a tree of T tips: the header ("", "Tips",
// "T-fit", "Nodes", "N-fit"); tip i in row i (object name, "i[parent]", fit);
// node j in columns 3 and 4 of row j ("j[parent]", or "j[]" for the root);
// "Fitness" and the tree length in columns 3 and 4 of row T. Fits have three
// significant digits, the length the shortest general format. names holds the
// object names from index 1.
std::vector<QStringList> TreeTableRows(const TTree& tree, const std::vector<QString>& names,
                                       QChar decimalSeparator);

// "Optimum = Minimum = " and the length in the shortest general format.
QString OptimumText(double fitness, QChar decimalSeparator);
