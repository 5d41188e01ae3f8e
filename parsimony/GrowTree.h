#pragma once
// Growing the starting population by random stepwise addition.
#include "parsimony/MakeTree.h"

#include <vector>

using Reihenfolge = std::vector<int>;

// Makes destination an independent copy of source (all fields).
void CopyTree(const TTree& source, TTree& destination);
