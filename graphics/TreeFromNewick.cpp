#include "graphics/TreeFromNewick.h"

TStatus NewickToTreeNodes(const TNewickTree& tree, TadaTreeNodes& nodes)
{
    const int count = static_cast<int>(tree.Nodes.size());
    if (tree.Root < 0 || tree.Root >= count) {
        return TFailure(QStringLiteral("The tree has no root."));
    }
    std::vector<int> leaves, inner;
    for (int i = 0; i < count; ++i) {
        const TNewickNode& n = tree.Nodes[i];
        if (n.Children.empty()) {
            leaves.push_back(i);
            continue;
        }
        if (n.Children.size() < 2) {
            const QString name =
                n.Name.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(n.Name.left(40));
            return TFailure(
                QStringLiteral(
                    "The tree is not binary: %1%2 has %3 %4; the drawing needs at least two below "
                    "every inner node.")
                    .arg(i == tree.Root ? QStringLiteral("the root")
                                        : QStringLiteral("an inner node"),
                         name)
                    .arg(n.Children.size())
                    .arg(n.Children.size() == 1 ? QStringLiteral("child")
                                                : QStringLiteral("children")));
        }
        for (int c : n.Children)
            if (c < 0 || c >= count) {
                return TFailure(QStringLiteral("The tree links to a node that does not exist."));
            }
        inner.push_back(i);
    }
    if (static_cast<int>(leaves.size()) > MaxDrawnLeaves) {
        return TFailure(QStringLiteral("The tree has %1 leaves; at most %2 can be drawn.")
                            .arg(leaves.size())
                            .arg(MaxDrawnLeaves));
    }
    std::vector<TscTreeNode*> made(count, nullptr);
    for (int i : leaves) {
        TscTreeNode* n = nodes.Add();
        n->Ident = n->Label = tree.Nodes[i].Name.left(255);
        n->Length = tree.Nodes[i].HasLength ? tree.Nodes[i].Length : 0;
        made[i] = n;
    }
    int number = 0;
    for (int i : inner) {
        TscTreeNode* n = nodes.Add();
        ++number;
        if (i == tree.Root) {
            n->Ident = n->Label = QStringLiteral("Root");
        } else {
            n->Ident = QStringLiteral("Node %1").arg(number);
        }
        n->Length = tree.Nodes[i].HasLength ? tree.Nodes[i].Length : 0;
        made[i] = n;
    }
    int links = 0;
    for (int i : inner) {
        const TNewickNode& n = tree.Nodes[i];
        // A label on an inner node (a support value from us or another program).
        if (i != tree.Root) made[i]->Support = n.Name.left(255);
        // A polytomy becomes a chain of collapsed links: (a, (b, (c, d))).
        TscTreeNode* at = made[i];
        for (size_t k = 0; k + 2 < n.Children.size(); ++k) {
            TscTreeNode* link = nodes.Add();
            ++links;
            link->Ident = at->Ident;
            link->Collapsed = true;
            SetLeft(at, made[n.Children[k]]);
            SetRight(at, link);
            at = link;
        }
        SetLeft(at, made[n.Children[n.Children.size() - 2]]);
        SetRight(at, made[n.Children.back()]);
    }
    nodes.Root = made[tree.Root];
    // A node reached twice or never would make a cycle or a second tree.
    if (static_cast<int>(PreOrder(nodes.Root).size()) != count + links) {
        return TFailure(QStringLiteral("The tree's links do not form one tree."));
    }
    nodes.UpdateCodes();
    return {};
}
