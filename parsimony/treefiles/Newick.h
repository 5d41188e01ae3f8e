#pragma once
// Newick trees: the population's trees written as rooted Newick with the fits
// as branch lengths, and Newick text read into a plain node list (used by the
// tree drawing as well) or into a tree of the search.
#include <QString>
#include <vector>

#include "data/Result.h"
#include "parsimony/length/MakeTree.h"

struct TNewickNode {
    QString Name;
    double Length = 0;
    bool HasLength = false;
    int Parent = -1;
    std::vector<int> Children;
};

struct TNewickTree {
    std::vector<TNewickNode> Nodes;
    int Root = -1;
};

struct TNewickTrees {
    std::vector<TNewickTree> Trees;
    std::vector<QString> TreeNames;  // the names NEXUS gives its trees; empty for Newick
};

// All trees of a Newick text; names unquoted (in unquoted names "_" stands
// for a blank). Comments in square brackets are skipped. Errors name the line
// and column.
TResult<TNewickTrees> ReadNewick(const QString& text);

// A name as Newick needs it: quoted with ' when it holds blanks, punctuation
// or "_" (a quote inside is doubled); empty names become ''.
QString NewickName(const QString& name);

// The tree as one line of rooted Newick ending in ";": tips named by
// names[object], branch lengths = tip and node fits (none for the root).
QString WriteNewick(const TTree& tree, const std::vector<QString>& names);

// A rooted binary Newick tree whose leaves are exactly the object names
// names[1..objectCount] (compared exactly; a name read with blanks also
// matches a data name with "_" in their place). The tree is not evaluated;
// tip o holds object o, nodes are numbered from the root down.
TResult<TTree> NewickToTree(const TNewickTree& newick, const std::vector<QString>& names,
                            int objectCount);

// A node list as one line of Newick ending in ";": names quoted as needed,
// inner node labels written after their ")", lengths where present.
QString WriteNewickTree(const TNewickTree& tree);

// "[length=46]"; fractional lengths (the missing-data rule) with "." and no
// more digits than they need.
QString LengthComment(double length);
