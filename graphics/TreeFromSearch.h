#pragma once
// A found tree of the parsimony search as the drawable node list of the tree
// graphic: tip i at position i − 1, node j at T + j − 1; the fits are the
// branch lengths.
#include <cstdint>
#include <vector>

#include "data/Result.h"
#include "graphics/TreeSpezial.h"
#include "parsimony/length/MakeTree.h"
#include "parsimony/summaries/ReversibleChanges.h"
#include "parsimony/thorough/ThoroughTree.h"

// Fills nodes (which must be empty); names are the object names (index =
// object number). Fails when the tree's links are broken.
TStatus SearchTreeToTreeNodes(const TTree& tree, const std::vector<QString>& names,
                              TadaTreeNodes& nodes);

// The same for a compact tree of any size (the thorough search's): vertex v
// is item v, so tip i (object i) is item i - 1 and node j item Tips + j - 1
// as above; fits[v] (when given) are the branch lengths.
TStatus CompactTreeToTreeNodes(const TCompactTree& tree, const std::vector<QString>& names,
                               const std::vector<std::int64_t>& fits, TadaTreeNodes& nodes);
// Camin-Sokal changes on the nodes made by CompactTreeToTreeNodes from the same tree.
void AttachCompactChanges(const TCompactTree& tree, const TSField& field, bool missingData,
                          TadaTreeNodes& nodes);

// Puts the changes of every branch (see BranchChanges) on the nodes made by
// SearchTreeToTreeNodes from the same tree, as "character: state" texts.
void AttachChanges(const TTree& tree, const TSField& field, bool missingData, TadaTreeNodes& nodes);
// The same under each character's criterion (coding of the data field
// codes, field naming every character): the irreversible characters'
// changes as above, the reversible ones placed by placement as the changes
// table places them ("character: from→to"), ambiguous where not every most
// parsimonious reconstruction has the change on that branch.
void AttachCriteriaChanges(const TTree& tree, const TSField& field, const TCriteriaCoding& coding,
                           bool missingData, TChangePlacement placement, TadaTreeNodes& nodes);
// The same for any node list over the tree's objects (leaves found by their
// labels, as NewickToTree matches names): changes go to the node with the
// branch's clade. Returns how many branches found no node.
int AttachChangesByClade(const TTree& tree, const TSField& field, bool missingData,
                         TscTreeNodes& nodes);
// The same for a compact tree of any size.
int AttachChangesByClade(const TCompactTree& tree, const TSField& field, bool missingData,
                         TscTreeNodes& nodes);
// Under each character's criterion, as AttachCriteriaChanges, for a compact
// tree of any size. Returns how many branches with changes found no node.
int AttachCriteriaChangesByClade(const TCompactTree& tree, const TSField& field,
                                 const TCriteriaCoding& coding, bool missingData,
                                 TChangePlacement placement, TscTreeNodes& nodes);
