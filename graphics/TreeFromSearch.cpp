#include "graphics/TreeFromSearch.h"

#include <QHash>
#include <array>
#include <cmath>
#include <map>

#include "parsimony/summaries/BranchChanges.h"
#include "parsimony/summaries/ObjectSet.h"

TStatus SearchTreeToTreeNodes(const TTree& tree, const std::vector<QString>& names,
                              TadaTreeNodes& nodes)
{
    const int tips = tree.TipCount();
    const int inner = tree.NodeCount();
    bool sound = IsConsistentTree(tree, tips);
    // The children must be the nodes whose parent links point here.
    for (int j = 1; sound && j <= inner; ++j)
        for (int k = 1; sound && k <= 2; ++k) {
            const TChild& c = tree.Nodes[j].Child[k];
            if (c.IsTip)
                sound = c.Num >= 1 && c.Num <= tips && tree.Tips[c.Num].Anc == j;
            else
                sound = c.Num >= 1 && c.Num <= inner && tree.Nodes[c.Num].Anc == j;
            if (k == 2)
                sound = sound && (c.Num != tree.Nodes[j].Child[1].Num ||
                                  c.IsTip != tree.Nodes[j].Child[1].IsTip);
        }
    if (!sound) {
        return TFailure(
            QStringLiteral(
                "The tree's links do not form one binary tree over its %1 tips; it cannot be "
                "drawn.")
                .arg(tips));
    }

    // Tips first, then the nodes, in number order.
    for (int i = 1; i <= tips; ++i) {
        const TTip& t = tree.Tips[i];
        const int object = t.Objects.empty() ? 0 : t.Objects[0];
        TadaTreeNode* n = nodes.Add();
        n->Ident = n->Label =
            object >= 1 && object < static_cast<int>(names.size()) ? names[object] : QString();
        n->Length = std::isnan(t.Fit) ? 0 : t.Fit;  // NaN: not counted
    }
    for (int j = 1; j <= inner; ++j) {
        const TNode& t = tree.Nodes[j];
        TadaTreeNode* n = nodes.Add();
        n->Length = std::isnan(t.Fit) ? 0 : t.Fit;
        if (t.Anc == 0) {
            n->Ident = n->Label = QStringLiteral("Root");
            nodes.Root = n;
        } else {
            n->Ident = QStringLiteral("Node %1").arg(j);
        }
    }
    auto tipAt = [&](int i) { return nodes.Item(i - 1); };
    auto nodeAt = [&](int j) { return nodes.Item(tips + j - 1); };
    for (int i = 1; i <= tips; ++i)
        if (tree.Tips[i].Anc != 0) tipAt(i)->Parent = nodeAt(tree.Tips[i].Anc);
    for (int j = 1; j <= inner; ++j) {
        const TNode& t = tree.Nodes[j];
        TscTreeNode* n = nodeAt(j);
        if (t.Anc != 0) n->Parent = nodeAt(t.Anc);
        const TChild& l = t.Child[1];
        const TChild& r = t.Child[2];
        n->Left = l.IsTip ? tipAt(l.Num) : nodeAt(l.Num);
        n->Right = r.IsTip ? tipAt(r.Num) : nodeAt(r.Num);
    }
    nodes.UpdateCodes();
    return {};
}

TStatus CompactTreeToTreeNodes(const TCompactTree& tree, const std::vector<QString>& names,
                               const std::vector<std::int64_t>& fits, TadaTreeNodes& nodes)
{
    if (!IsValidCompactTree(tree) || tree.Tips < 2 ||
        (!fits.empty() && static_cast<int>(fits.size()) < tree.Vertices()))
        return TFailure(
            QStringLiteral(
                "The tree's links do not form one binary tree over its %1 tips; it cannot be "
                "drawn.")
                .arg(tree.Tips));
    for (int v = 0; v < tree.Vertices(); ++v) {
        TadaTreeNode* n = nodes.Add();
        n->Length = fits.empty() ? 0 : static_cast<double>(fits[static_cast<size_t>(v)]);
        if (tree.IsTip(v)) {
            const size_t object = static_cast<size_t>(v) + 1;
            n->Ident = n->Label = object < names.size() ? names[object] : QString();
        } else if (v == tree.Root) {
            n->Ident = n->Label = QStringLiteral("Root");
            nodes.Root = n;
        } else {
            n->Ident = QStringLiteral("Node %1").arg(v - tree.Tips + 1);
        }
    }
    for (int v = 0; v < tree.Vertices(); ++v) {
        TscTreeNode* n = nodes.Item(v);
        const int parent = tree.Parent[static_cast<size_t>(v)];
        if (parent >= 0) n->Parent = nodes.Item(parent);
        if (!tree.IsTip(v)) {
            n->Left = nodes.Item(tree.Child[static_cast<size_t>(v)][0]);
            n->Right = nodes.Item(tree.Child[static_cast<size_t>(v)][1]);
        }
    }
    nodes.UpdateCodes();
    return {};
}

namespace {
// The node's change lists replaced by the branch's changes.
void ShowChanges(const TSField& field, const std::vector<TChange>& changes, TscTreeNode& n)
{
    n.Changes.clear();
    n.ChangeAmbiguous.clear();
    n.ChangeCharacters.clear();
    for (const TChange& c : changes) {
        n.Changes << ChangeText(field, c);
        n.ChangeAmbiguous << c.Ambiguous;
        n.ChangeCharacters << c.Character;
    }
}
}  // namespace

void AttachChanges(const TTree& tree, const TSField& field, bool missingData, TadaTreeNodes& nodes)
{
    for (const TBranch& b : BranchChanges(tree, field, missingData)) {
        // Tip i is item i - 1, node j item T + j - 1: both are vertex - 1.
        TscTreeNode* n = nodes.Item(b.Vertex - 1);
        if (!n) continue;
        ShowChanges(field, b.Changes, *n);
    }
}

void AttachCompactChanges(const TCompactTree& tree, const TSField& field, bool missingData,
                          TadaTreeNodes& nodes)
{
    for (const TBranch& b : CompactBranchChanges(tree, field, missingData))
        if (TscTreeNode* n = nodes.Item(b.Vertex)) ShowChanges(field, b.Changes, *n);
}

namespace {
// Changes go to the drawn node with the branch's clade (object sets of any
// size, so that big trees are matched as small ones).
int AttachBranchesByClade(const std::vector<TBranch>& branches, const TSField& field,
                          TscTreeNodes& nodes)
{
    QHash<QString, int> exact, blanked;
    for (int o = field.Names.Count(); o >= 1; --o) {
        exact.insert(field.Names[o], o);
        blanked.insert(QString(field.Names[o]).replace(u'_', u' '), o);
    }
    const int objects = field.Names.Count();
    // Clades of the drawn nodes, children before parents.
    std::map<TObjectSet, TscTreeNode*> byClade;
    std::vector<TscTreeNode*> order = PreOrder(nodes.Root);
    std::vector<TObjectSet> clade(static_cast<size_t>(nodes.Count()), TObjectSet(objects));
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        TscTreeNode* n = *it;
        TObjectSet& set = clade[static_cast<size_t>(nodes.IndexOf(n))];
        if (n->IsLeaf()) {
            const int o = exact.value(n->Label, blanked.value(n->Label, -1));
            if (o >= 1) set.Include(o);
        }
        for (TscTreeNode* c : {n->Left, n->Right})
            if (c) set |= clade[static_cast<size_t>(nodes.IndexOf(c))];
        if (!n->Collapsed) byClade[set] = n;
    }
    int missed = 0;
    for (const TBranch& b : branches) {
        if (b.Objects.empty()) continue;  // compact trees list no clade without changes
        TObjectSet set(objects);
        for (int o : b.Objects) set.Include(o);
        const auto found = byClade.find(set);
        if (found == byClade.end()) {
            missed += !b.Changes.empty();
            continue;
        }
        ShowChanges(field, b.Changes, *found->second);
    }
    return missed;
}
}  // namespace

int AttachChangesByClade(const TTree& tree, const TSField& field, bool missingData,
                         TscTreeNodes& nodes)
{
    return AttachBranchesByClade(BranchChanges(tree, field, missingData), field, nodes);
}

int AttachChangesByClade(const TCompactTree& tree, const TSField& field, bool missingData,
                         TscTreeNodes& nodes)
{
    return AttachBranchesByClade(CompactBranchChanges(tree, field, missingData), field, nodes);
}
