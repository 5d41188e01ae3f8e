#pragma once
// Trees in NEXUS: the TREES block (with TRANSLATE) read into the same trees
// the Newick reader gives, and the search's trees written as one.
//
//   auto read = ReadTreeText(text);   // NEXUS or Newick, told by "#NEXUS"
//   QString nexus = WriteNexusTrees(trees, names);
#include <functional>

#include "parsimony/treefiles/Newick.h"

// True when the text begins with #NEXUS (after blanks and comments).
bool IsNexusText(const QString& text);

// Every TREE of the TREES blocks; leaves renamed by TRANSLATE or, when the
// file has none, by their number in TAXLABELS. Errors name the line.
TResult<TNewickTrees> ReadNexusTrees(const QString& text);

// ReadNexusTrees for NEXUS text, ReadNewick otherwise.
TResult<TNewickTrees> ReadTreeText(const QString& text);

// A TREES block: TRANSLATE numbers for names[1..], one TREE per tree, rooted
// ([&R]), fits as branch lengths as in WriteNewick. With lengths (one per
// tree), each tree is preceded by a "[length=N]" comment.
QString WriteNexusTrees(const std::vector<const TTree*>& trees, const std::vector<QString>& names,
                        const std::vector<double>& lengths = {});
// The same block for count trees of any kind: newick(k, keys) writes tree k
// with keys[object] (the TRANSLATE numbers) for the leaves.
QString WriteNexusTrees(size_t count, const std::vector<QString>& names,
                        const std::function<QString(size_t, const std::vector<QString>&)>& newick,
                        const std::vector<double>& lengths = {});
