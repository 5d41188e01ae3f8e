#pragma once
// The state tree of one character as the view shows it: roots in object
// order, then object by object the path from the root down to the own state;
// a state several objects share is one node.
#include <QStringList>
#include <vector>

#include "data/Global.h"

struct TStateTreeNode {
    QString Name;
    int Parent = -1;  // index of the parent node; -1 at top level
};

// Nodes in the order the view adds them. A state whose root contains "?" (as
// in «B[?]») has no parent node and is shown at top level.
std::vector<TStateTreeNode> StateTreeOrder(const TDynStrMatrix& dataMatrix, int objectCount, int c);

// One line per node, depth first, children in the order added, two spaces of
// indentation per level.
QStringList StateTreeOutline(const std::vector<TStateTreeNode>& nodes);
