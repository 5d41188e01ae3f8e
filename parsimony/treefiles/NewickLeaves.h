#pragma once
// The objects a Newick tree's leaves stand for. Every reader that puts a tree
// over the objects of a matrix (search trees, compact trees, the file check)
// matches names here, so they agree on what a name means.
//
//   TObjectNames index(names, objectCount);
//   if (TStatus s = index.Distinct(); !s) ...      // two objects share a name
//   auto leaves = NewickLeafObjects(tree, index, names, objectCount);
//   if (!leaves) report(leaves.Error());
//   int object = (*leaves)[node];                  // 0 for inner nodes
#include <QHash>
#include <QString>
#include <vector>

#include "data/Result.h"
#include "parsimony/treefiles/Newick.h"

// Object numbers by name: a leaf names an object exactly, or with blanks where
// the data name has "_". The first of two objects with one name wins.
class TObjectNames {
public:
    TObjectNames(const std::vector<QString>& names, int objectCount);

    // The object named so, 0 when none is.
    int Find(const QString& leafName) const;
    // Fails, naming the first name two objects share, unless all differ.
    TStatus Distinct() const;

private:
    QHash<QString, int> Exact, Blanked;
    QString FirstDuplicate;
};

// Per node of the tree the object its leaf stands for (0 for inner nodes),
// when every inner node has two children and the leaves are exactly the
// objects 1..objectCount; otherwise the first fault in the text's order.
TResult<std::vector<int>> NewickLeafObjects(const TNewickTree& tree, const TObjectNames& objects,
                                            const std::vector<QString>& names, int objectCount);
// The same for a tree of any shape (polytomies, nodes with one child).
TResult<std::vector<int>> NewickLeafObjectsAnyShape(const TNewickTree& tree,
                                                    const TObjectNames& objects,
                                                    const std::vector<QString>& names,
                                                    int objectCount);
