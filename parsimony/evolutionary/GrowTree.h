#pragma once
// Growing the starting population by random stepwise addition.
#include <vector>

#include "parsimony/length/MakeTree.h"

using Reihenfolge = std::vector<int>;

// Makes destination an independent copy of source (all fields).
void CopyTree(const TTree& source, TTree& destination);

// A tree of m tips grows by one: tip m+1 holding `object` and node m, both
// unattached until AttachNewest.
void AppendObject(TTree& tree, int object);
// The newest node takes the place of tip or node `num`, with `num` and the
// newest tip below it.
void AttachNewest(TTree& tree, int num, bool isTip);
