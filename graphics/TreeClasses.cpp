#include "graphics/TreeClasses.h"

#include <algorithm>

std::vector<TscTreeNode*> PreOrder(TscTreeNode* start)
{
    std::vector<TscTreeNode*> order, stack;
    if (start) stack.push_back(start);
    while (!stack.empty()) {
        TscTreeNode* n = stack.back();
        stack.pop_back();
        order.push_back(n);
        if (n->Right) stack.push_back(n->Right);
        if (n->Left) stack.push_back(n->Left);
    }
    return order;
}

int TscTreeNode::LeafCount() const
{
    int count = 0;
    for (TscTreeNode* n : PreOrder(const_cast<TscTreeNode*>(this)))
        if (n->IsLeaf()) ++count;
    return count;
}

int TscTreeNode::Depth() const
{
    int depth = 0;
    for (const TscTreeNode* p = Parent; p; p = p->Parent) ++depth;
    return depth;
}

TscTreeNode* TscTreeNode::Shown()
{
    TscTreeNode* n = this;
    while (n->Collapsed && n->Parent) n = n->Parent;
    return n;
}

std::vector<TscTreeNode*> TscTreeNode::ShownChildren() const
{
    std::vector<TscTreeNode*> out, stack;
    for (TscTreeNode* c : {Right, Left})
        if (c) stack.push_back(c);
    while (!stack.empty()) {
        TscTreeNode* c = stack.back();
        stack.pop_back();
        if (!c->Collapsed) {
            out.push_back(c);
            continue;
        }
        for (TscTreeNode* g : {c->Right, c->Left})
            if (g) stack.push_back(g);
    }
    return out;
}

int TscTreeNode::ShownDepth() const
{
    int depth = 0;
    for (const TscTreeNode* p = this; p->Parent; p = p->Parent)
        if (!p->Collapsed) ++depth;
    return depth;
}

bool TscTreeNode::HasAncestor(const TscTreeNode* node) const
{
    for (const TscTreeNode* p = Parent; p; p = p->Parent)
        if (p == node) return true;
    return false;
}

void SetLeft(TscTreeNode* parent, TscTreeNode* child)
{
    parent->Left = child;
    if (!child) return;
    child->Parent = parent;
    child->Code = parent->Code + u'L';
}

void SetRight(TscTreeNode* parent, TscTreeNode* child)
{
    parent->Right = child;
    if (!child) return;
    child->Parent = parent;
    child->Code = parent->Code + u'R';
}

TscTreeNode* TscTreeNodes::Add()
{
    Nodes.push_back(NewNode());
    return Nodes.back().get();
}

TscTreeNode* TscTreeNodes::Item(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return Nodes[index].get();
}

int TscTreeNodes::IndexOf(const TscTreeNode* node) const
{
    for (int i = 0; i < Count(); ++i)
        if (Nodes[i].get() == node) return i;
    return -1;
}

void TscTreeNodes::UpdateCodes()
{
    if (!Root) return;
    Root->Code.clear();
    for (TscTreeNode* n : PreOrder(Root)) {
        if (n->Left) n->Left->Code = n->Code + u'L';
        if (n->Right) n->Right->Code = n->Code + u'R';
    }
}

TscTreeNode* TscTreeNodes::FindByCode(const QString& code) const
{
    TscTreeNode* n = Root;
    for (QChar letter : code) {
        if (!n) return nullptr;
        if (letter == u'L')
            n = n->Left;
        else if (letter == u'R')
            n = n->Right;
    }
    return n;
}

TscTreeNode* TscTreeNodes::FindByNewCode(const QString& code) const
{
    for (const auto& n : Nodes)
        if (n->NewCode == code) return n.get();
    return nullptr;
}

void TscTreeNodes::Swap(TscTreeNode* node)
{
    if (!node) return;
    std::swap(node->Left, node->Right);
    UpdateCodes();
}

namespace {
QString Opposite(const QString& side)
{
    return side == QLatin1String("L") ? QStringLiteral("R") : QStringLiteral("L");
}

// Gives n's subtree new codes: prefix + the rest of each old code after n's.
void Recode(TscTreeNode* n, const QString& prefix)
{
    const qsizetype cut = n->Code.size();
    for (TscTreeNode* d : PreOrder(n)) d->NewCode = prefix + d->Code.mid(cut);
}
}  // namespace

void ReRoot(TscTreeNodes& list, TscTreeNode* node, const QString& side)
{
    TscTreeNode* root = list.Root;
    if (!root || !node || node == root || node->Parent == root || !root->Left || !root->Right)
        return;
    if (!node->HasAncestor(root)) return;
    list.UpdateCodes();  // codes must describe the current links
    const QString code = node->Code;
    const QString opp = Opposite(side);

    // 1. The two root branches become one.
    const double rootSum = root->Left->Length + root->Right->Length;
    if (code.startsWith(u'R'))
        root->Left->Length = rootSum;
    else
        root->Right->Length = rootSum;

    // 2. Branch lengths along the way move one step towards the root.
    for (qsizetype d = 1; d <= code.size() - 2; ++d)
        list.FindByCode(code.left(d))->Length = list.FindByCode(code.left(d + 1))->Length;

    // 3. The chosen branch is split in two.
    TscTreeNode* p = node->Parent;
    const double half = node->Length / 2;
    p->Length = half;
    node->Length = half;

    // 4. New codes for node's subtree, its parent and its sibling.
    for (int i = 0; i < list.Count(); ++i) list.Item(i)->NewCode.clear();
    Recode(node, side);
    p->NewCode = opp;
    TscTreeNode* sibling = p->Left == node ? p->Right : p->Left;
    if (sibling) Recode(sibling, opp + side);

    // 5. The ancestors of p turn round: each hangs below the one it held.
    QString c = p->NewCode;
    TscTreeNode* onWay = p;
    for (TscTreeNode* g = p->Parent; g && g != root; g = g->Parent) {
        c += opp;
        g->NewCode = c;
        TscTreeNode* off = g->Left == onWay ? g->Right : g->Left;
        if (off) Recode(off, c + side);
        onWay = g;
    }
    // 6. The other child of the root hangs below the old root child on the way.
    TscTreeNode* other = root->Left == onWay ? root->Right : root->Left;
    if (other) Recode(other, c + opp);

    // 7. Relink by the new codes.
    SetLeft(root, list.FindByNewCode(QStringLiteral("L")));
    SetRight(root, list.FindByNewCode(QStringLiteral("R")));
    for (int i = 0; i < list.Count(); ++i) {
        TscTreeNode* n = list.Item(i);
        if (n == root || n->NewCode.isEmpty()) continue;
        if (n->NewCode.size() == 1) continue;  // already below the root
        TscTreeNode* parent = list.FindByNewCode(n->NewCode.chopped(1));
        if (!parent) continue;
        if (n->NewCode.endsWith(u'L'))
            SetLeft(parent, n);
        else
            SetRight(parent, n);
    }
    // Nodes that lost their children keep none (a turned ancestor keeps two new ones).

    // 8. The root branches share their sum, the side with more leaves getting less.
    const double total = root->Left->Length + root->Right->Length;
    const int leaves = root->LeafCount();
    if (leaves > 0) {
        const int leftLeaves = root->Left->LeafCount(), rightLeaves = root->Right->LeafCount();
        root->Left->Length = rightLeaves * total / leaves;
        root->Right->Length = leftLeaves * total / leaves;
    }
    // 9.
    list.UpdateCodes();
}
