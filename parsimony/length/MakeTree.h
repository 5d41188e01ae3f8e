#pragma once
// Trees of the parsimony search and their Camin-Sokal length on state-tree
// path sets. A tree is stored by its parent links only; every other field is
// derived by EvaluateTree.
#include <array>
#include <cstdint>
#include <vector>

#include "data/Global.h"

// Object numbers, used from index 0.
using TIntNumArr = std::vector<TIntNum>;

struct TChild {
    TIntNum Num = 0;
    bool IsTip = false;
};

struct TTip {
    TIntNum Anc = 0;     // parent node
    TIntNumArr Objects;  // exactly one object number
    TInclusion AncSet;   // all nodes above the tip (derived)
    double Fit = 0;      // steps on the branch from the parent (derived)
};

struct TNode {
    std::array<TChild, 3> Child{};  // children at 1 and 2 (derived); 0 unused
    TIntNum Anc = 0;                // parent node; 0 marks the root
    TIntNumArr Objects;             // objects below, in tip order (derived)
    TInclusion AncSet;              // the node and all nodes above it (derived)
    double Fit = 0;                 // steps on the branch from the parent; 0 for the root (derived)
};

struct TTree {
    std::vector<TTip> Tips;    // 1..T; slot 0 unused
    std::vector<TNode> Nodes;  // 1..T-1; slot 0 unused
    double Fitness = 0;        // tree length: sum of all fits
    int Number = 0;            // lineage number shown in the population list
    // The scoring rule of the last evaluation: the node states the
    // per-character steps start from.
    bool MissingDataStates = true;

    int TipCount() const { return Tips.empty() ? 0 : static_cast<int>(Tips.size()) - 1; }
    int NodeCount() const { return Nodes.empty() ? 0 : static_cast<int>(Nodes.size()) - 1; }
    int Root() const;  // number of the node with Anc = 0, or 0
};

// Where the next object joins a tree: above tip or node Num.
struct TInsertionPoint {
    bool IsTip = true;
    int Num = 1;
    std::int64_t Length = 0;  // length of the tree after the insertion
};

// Rebuilds every derived field of the tree (ancestor sets, children, object
// lists, fits) and its Fitness. missingData selects the missing-data rule
// (a "?" set is skipped) instead of the plain rule (a "?" set empties every
// node above it). For one tree now and then: a search keeps its scorer
// (SearchScorer.h) and calls that.
void EvaluateTree(TTree& tree, const TSField& charField, bool missingData);

// Steps of character c alone on the tree, counted with the missing-data rule
// on the node states of the tree's last evaluation; afterwards the tree's
// fits and Fitness are those of the missing-data rule for all characters.
double ComputeCharSteps(TTree& tree, int c, const TSField& charField);
// The counting part alone: the tree is not changed.
double CountCharSteps(const TTree& tree, int c, const TSField& charField);

// The node sets of character c as the tree's last evaluation left them:
// result[i] for tip i (1..T), result[T + j] for node j (1..T-1).
TIncArr CharacterStates(const TTree& tree, int c, const TSField& charField);

// Ancestor sets, children and object lists from the parent links.
void DeriveTopology(TTree& tree);

// True when the parent links form one rooted binary tree over tips 1..T and
// nodes 1..T-1, every object in exactly one tip (objectCount objects).
bool IsConsistentTree(const TTree& tree, int objectCount);
