#pragma once
// The texts of the tree results window: the population list of a search,
// and one tree as a table of its tips and nodes with their parent links and
// fits.
#include <QChar>
#include <QStringList>
#include <vector>

#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/length/MakeTree.h"

// Rows 0..T of five columns for a tree of T tips: the header ("", "Tips",
// "T-fit", "Nodes", "N-fit"); tip i in row i (object name, "i[parent]", fit);
// node j in columns 3 and 4 of row j ("j[parent]", or "j[]" for the root);
// "Fitness" and the tree length in columns 3 and 4 of row T. Fits have three
// significant digits, the length the shortest general format. names holds the
// object names from index 1.
std::vector<QStringList> TreeTableRows(const TTree& tree, const std::vector<QString>& names,
                                       QChar decimalSeparator);

// The same table from plain links, for trees of any size (the thorough
// search's compact trees): per tip i (1..T) its object, parent node and fit;
// per node j (1..T-1) its parent (0 for the root) and fit. Without fits
// (under the reversible criteria a branch's changes are ambiguous) their
// cells stay empty; the length is shown all the same.
struct TTreeTableLinks {
    std::vector<int> TipObject, TipParent;  // index 0 unused
    std::vector<double> TipFit;             // empty: no fits
    std::vector<int> NodeParent;            // index 0 unused
    std::vector<double> NodeFit;            // empty: no fits
    double Fitness = 0;
};
std::vector<QStringList> TreeTableRows(const TTreeTableLinks& links,
                                       const std::vector<QString>& names, QChar decimalSeparator);

// "Optimum = Minimum = " and the length in the shortest general format.
QString OptimumText(double fitness, QChar decimalSeparator);

// The population list's header row.
inline const QString OptLegend =
    QStringLiteral("a: change tip to tip; b: change tip to node c: change node to node");
inline const QString OptAddFit = QStringLiteral("add - fit");
inline const QString OptSwapFit = QStringLiteral("swap - fit");

// One slot's row: its history (the grown tree's number, then for every
// replacement a blank, the offspring's lineage and the move letter, e.g.
// "4 7b"), its length after growing, and its length now once it was replaced.
QStringList PopulationListRow(const TSlotHistory& history, QChar decimalSeparator);
// The header and rows 1..N of histories (index 0 unused).
std::vector<QStringList> PopulationListRows(const std::vector<TSlotHistory>& histories,
                                            QChar decimalSeparator);
