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
        if (n->Left && n->Right)
            n->Y = (n->Left->Y + n->Right->Y) / 2;
        else
            n->Y = (n->Left ? n->Left : n->Right)->Y;
        // A polytomy sits midway between its outermost children.
        if (n->Left && n->Right && (n->Left->Collapsed || n->Right->Collapsed)) {
            const std::vector<TscTreeNode*> shown = n->ShownChildren();
            n->Y = (shown.front()->Y + shown.back()->Y) / 2;
        }
    }
}

void LayoutX(TscTreeNode* start)
{
    if (!start) return;
    start->X = 0;
    for (TscTreeNode* n : PreOrder(start)) {
        for (TscTreeNode* c : {n->Left, n->Right})
            if (c) c->X = c->Collapsed ? n->X : n->X + c->Length + MinBranch;
    }
}
