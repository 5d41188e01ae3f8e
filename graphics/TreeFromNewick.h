#pragma once
// A read Newick tree as a drawable node list: tips first in reading order,
// then the inner nodes ("Node n"; the root "Root"), as the tree results hand
// a found tree over.
#include "data/Result.h"
#include "graphics/TreeSpezial.h"
#include "parsimony/treefiles/Newick.h"

// Most leaves a drawing takes: as many objects as the thorough search takes.
constexpr int MaxDrawnLeaves = 20000;

// Fills nodes (which must be empty). A node with more than two children
// becomes a chain of collapsed links; labels of inner nodes become Support.
// Refuses nodes with one child and trees that are too large.
TStatus NewickToTreeNodes(const TNewickTree& tree, TadaTreeNodes& nodes);
