#pragma once
// The changes on every branch of a tree: the states each branch's lower end
// holds and its upper end does not, counted as the tree length counts them,
// so that over all branches they sum to the tree length.
//
// Use: `auto branches = BranchChanges(tree, field, true);
//       for (const TBranch& b : branches) for (const TChange& c : b.Changes) ...`
#include <QStringList>
#include <vector>

#include "parsimony/length/MakeTree.h"
#include "parsimony/thorough/ThoroughTree.h"

// Node sets of every character under one rule, the way the tree length forms
// them: Sets[v][c] for vertex v = tip i (1..T) or T + node j (1..T-1); a node
// holds the intersection over its objects (under the missing-data rule those
// without data, "?", are left out). HasData[v][c]: some object below has data
// (a set may be empty with data, when states of two roots meet). Needs
// consistent parent links.
struct TTreeStates {
    std::vector<TIncArr> Sets;
    std::vector<std::vector<bool>> HasData;
};
TTreeStates TreeStateSets(const TTree& tree, const TSField& field, bool missingData);
// The vertices (as above) from the root down, every parent before its children.
std::vector<int> TreePreOrder(const TTree& tree);
// The parent vertex of a vertex, 0 for the root.
int ParentVertex(const TTree& tree, int vertex);

struct TChange {
    int Character = 0;
    int State = 0;           // the state's bit in the character's sets
    bool Ambiguous = false;  // "?" cells allow another branch as well
};

struct TBranch {
    int Vertex = 0;                // the branch above this vertex
    std::vector<int> Objects;      // the clade below, ascending
    std::vector<TChange> Changes;  // by character, then state
};

// One entry per branch (every vertex but the root), from the root down.
// Under the missing-data rule a change is ambiguous when one child of the
// branch's lower node has only "?" for the character: the state may then
// equally have arisen on any branch down to the smallest clade holding all the
// known objects; the rule places it on the highest. Under the plain rule a
// change is ambiguous when the clade above the branch holds a "?" object,
// which empties the sets there.
std::vector<TBranch> BranchChanges(const TTree& tree, const TSField& field, bool missingData);

// The same on a compact tree of any size (every object a tip; Vertex is the
// compact tree's vertex). Objects are filled only for branches with changes,
// as a clade list per branch would grow with the square of the tree's size.
// One character at a time, so memory grows with vertices plus changes.
std::vector<TBranch> CompactBranchChanges(const TCompactTree& tree, const TSField& field,
                                          bool missingData);

// The name of a state: its name from the cells, else "state k".
QString StateName(const TSField& field, int c, int state);
// "character: state" for a change.
QString ChangeText(const TSField& field, const TChange& change);
// The clade as object names joined by ", ".
QString BranchText(const TSField& field, const TBranch& branch,
                   const QString& separator = QStringLiteral(","));

// The whole list as a table: header "Branch", "Character", "State", "Placement",
// then one row per change.
std::vector<QStringList> BranchChangesTable(const std::vector<TBranch>& branches,
                                            const TSField& field);
