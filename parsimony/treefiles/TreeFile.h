#pragma once
// A tree file (Newick, or NEXUS with a TREES block) read from disk within a
// size limit, and its trees put over the objects of a matrix. The program's
// "Open trees..." and every batch command that takes a tree file read it here.
//
//   TTreeFile file = ReadTreeFile(path);
//   if (!file) report(file.Error());           // unreadable, or not tree text
//   TResult<std::vector<TTree>> fit = TreesOverObjects(*file, field.Names, objectCount);
//   if (!fit) report(fit.Error());             // names the unknown and missing objects
//
//   // For the tree results window: the trees scored on the matrix.
//   TResult<TOpenedTrees> opened = OpenTreesForData(path, data, true, '.');
//   opened->Population, opened->Rows, opened->Optimum, opened->Protocol
#include <QStringList>
#include <memory>
#include <vector>

#include "data/ImportSource.h"
#include "data/Result.h"
#include "parsimony/treefiles/Newick.h"

class TParsimonySearch;

constexpr qint64 MaxTreeFileBytes = 64LL * 1024 * 1024;

struct TTreeFile : TResult<TNewickTrees> {
    TTreeFile(TResult<TNewickTrees> read) : TResult(std::move(read)) {}
    // The file itself could not be read (Error() is the reader's sentence,
    // which names the file); otherwise a failure is in the tree text.
    bool Unreadable = false;
};

// The file's text as NEXUS trees when it starts with #NEXUS, as Newick
// otherwise; comments in square brackets (ours, [&R], [length=...]) skipped.
TTreeFile ReadTreeFile(const QString& path, qint64 maxBytes = MaxTreeFileBytes);

// The file for Open trees: ReadTreeFile's failure in one sentence naming it.
TResult<TNewickTrees> ReadTreesToOpen(const QString& path);
// "Tree k" or "Tree k (its name in the file)", k = index + 1, for messages.
QString TreeFileLabel(const TNewickTrees& read, size_t index);

// Every tree as a tree of the search over names[1..objectCount], not
// evaluated. A tree whose leaves are not exactly the objects is refused with
// every unknown name and every missing object named; other faults as
// NewickToTree says them.
TResult<std::vector<TTree>> TreesOverObjects(const TNewickTrees& read,
                                             const std::vector<QString>& names, int objectCount);

// The length of a tree of any shape on the coding, hard polytomies scored as
// they stand: a node's set is the intersection over its children's (the
// empty sets of missing data left out under the missing-data rule), every
// branch a symmetric difference, as for binary trees. Fails as
// TreesOverObjects does when the leaves are not the objects.
TResult<double> HardPolytomyLength(const TNewickTree& tree, const TSField& charField,
                                   int objectCount, bool missingData);

struct TOpenedTrees {
    std::shared_ptr<TParsimonySearch> Population;  // trees 1..n, scored
    std::vector<QStringList> Rows;                 // the tree list: legend, then one row a tree
    double Optimum = 0;
    QStringList Protocol;  // the report lines, beginning with an empty one
};

// The trees of a file scored on the matrix (coded as the parsimony job codes
// it), under the missing-data rule or not, as the tree results window shows a
// search's trees: list rows (tree, length, name in the file) and protocol.
TResult<TOpenedTrees> OpenTreesForData(const QString& path, const TMatrixData& data,
                                       bool missingData, QChar decimalSeparator);
// The rows, optimum and protocol (no population) of the trees of a file read
// from path, given their lengths: for trees of any size.
TOpenedTrees OpenedTreesListing(const QString& path, const TNewickTrees& file,
                                const std::vector<double>& lengths, const TSField& field,
                                bool missingData, QChar decimalSeparator);
