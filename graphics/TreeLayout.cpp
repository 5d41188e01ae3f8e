#include "graphics/TreeLayout.h"

void LayoutY(TscTreeNodes& list, TscTreeNode* start)
{
    for (int i = 0; i < list.Count(); ++i) list.Item(i)->Y = -1;
    if (!start) return;
    const std::vector<TscTreeNode*> order = PreOrder(start);
    int counter = 0;
    for (TscTreeNode* n : order)
        if (n->IsLeaf()) n->Y = counter++;
    // Children come after their parent in pre-order: walk back to fill parents.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        TscTreeNode* n = *it;
        if (n->IsLeaf()) continue;
        if (n->Left && n->Right) n->Y = (n->Left->Y + n->Right->Y) / 2;
        else n->Y = (n->Left ? n->Left : n->Right)->Y;
    }
}

void LayoutX(TscTreeNode* start)
{
    if (!start) return;
    start->X = 0;
    for (TscTreeNode* n : PreOrder(start)) {
        if (n->Left) n->Left->X = n->X + n->Left->Length + MinBranch;
        if (n->Right) n->Right->X = n->X + n->Right->Length + MinBranch;
    }
}
