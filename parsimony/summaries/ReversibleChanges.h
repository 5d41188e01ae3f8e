#pragma once
// The changes on every branch under the reversible criteria. Their length
// does not say where the changes sit: one most parsimonious reconstruction
// is chosen, from the root down, ACCTRAN (changes as near the root as the
// length allows) or DELTRAN (as far from it). At every node, of the states
// that keep the reconstruction shortest given its parent's state, ACCTRAN
// takes the one farthest from the parent's state, DELTRAN the nearest (its
// own when it can); ties go to the lower state. The root takes the state
// tree's root where that is as short, otherwise its lowest shortest state.
// A change is one step: across one state-tree edge (ordered and state tree)
// or from one state to another (unordered), so a branch from state 0 to 3
// of an ordered character lists 0 to 1, 1 to 2 and 2 to 3, and the changes
// of a tree add up to its reversible length.
//
// A change is unambiguous when every most parsimonious reconstruction has it
// on its branch: every state the branch's upper end takes in some of them
// lies on the change's "from" side (of its state-tree edge; unordered: is
// the one "from" state), and every state of the lower end on its "to" side.
//
//   auto changes = ReversibleBranchChanges(coding, LinksOf(tree).View(),
//   TChangePlacement::Acctran); for (const TStateChange& c : changes[v]) ...  // the branch above
//   vertex v
#include <QStringList>
#include <vector>

#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/thorough/ThoroughTree.h"

enum class TChangePlacement { Acctran, Deltran };

struct TStateChange {
    int Character = 0;  // the data's number of the character
    int From = 0;       // states, as the character's StateNames index them
    int To = 0;
    bool Ambiguous = false;
};

// Per vertex of the tree (the view's numbering), the changes on the branch
// above it, by character; none above the root. The reversible characters of
// the coding only; every object must be a tip.
std::vector<std::vector<TStateChange>> ReversibleBranchChanges(const TCriteriaCoding& coding,
                                                               const TTreeView& tree,
                                                               TChangePlacement placement);

// The table of a binary tree's changes under each character's criterion:
// header "Branch", "Character", "From", "To", "Placement", one row per
// change, branches from the root down and by character within a branch.
// The irreversible characters are placed by the Camin-Sokal rule of
// BranchChanges (missingData as there), from the state's parent in its
// state tree; placement chooses for the reversible ones.
std::vector<QStringList> CriteriaChangesTable(const TTree& tree, const TMatrixData& data,
                                              const TCriteriaCoding& coding, bool missingData,
                                              TChangePlacement placement);
// The same table on a compact tree of any size (every object a tip), the
// branches from the root down in the compact tree's order.
std::vector<QStringList> CompactCriteriaChangesTable(const TCompactTree& tree,
                                                     const TMatrixData& data,
                                                     const TCriteriaCoding& coding,
                                                     bool missingData, TChangePlacement placement);
