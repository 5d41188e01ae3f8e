#pragma once
// The phylogram layout: pure functions of the node structure.
#include "graphics/TreeClasses.h"

// Every branch gets this much added, so that zero-length branches stay visible.
constexpr double MinBranch = 0.005;

// Leaves 0, 1, 2, … in pre-order (left before right); inner nodes midway
// between their children (a polytomy between its outermost children). Nodes outside start's subtree
// get Y = −1.
void LayoutY(TscTreeNodes& list, TscTreeNode* start);
// start.X = 0; each child's X = its parent's X + its Length + MinBranch
// (a collapsed link stays at its parent's X).
void LayoutX(TscTreeNode* start);
