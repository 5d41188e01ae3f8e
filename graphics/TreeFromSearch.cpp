#include "graphics/TreeFromSearch.h"

#include <QHash>
#include <array>
#include <cmath>
#include <map>

#include "parsimony/summaries/BranchChanges.h"
#include "parsimony/summaries/ObjectSet.h"
#include "parsimony/summaries/ReversibleChanges.h"

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
// One change as the drawing shows it: "character: state" (reversible:
// "character: from→to"), the mark open when ambiguous.
struct TDrawnChange {
    QString Text;
    bool Ambiguous = false;
    int Character = 0;  // the data's number, drawn above the mark
};
using TDrawnChanges = std::vector<TDrawnChange>;

TDrawnChanges Drawn(const TSField& field, const std::vector<TChange>& changes)
{
    TDrawnChanges drawn;
    for (const TChange& c : changes)
        drawn.push_back({ChangeText(field, c), c.Ambiguous, c.Character});
    return drawn;
}

// The node's change lists replaced by the branch's changes.
void ShowChanges(const TDrawnChanges& changes, TscTreeNode& n)
{
    n.Changes.clear();
    n.ChangeAmbiguous.clear();
    n.ChangeCharacters.clear();
    for (const TDrawnChange& c : changes) {
        n.Changes << c.Text;
        n.ChangeAmbiguous << c.Ambiguous;
        n.ChangeCharacters << c.Character;
    }
}

// Per branch of the Camin-Sokal list, its changes under each character's
// criterion by character: the irreversible ones as the list has them, the
// reversible ones of the same branch (view vertex branch.Vertex - shift)
// placed by placement. field holds the names of all the data's characters.
std::vector<TDrawnChanges> CriteriaDrawn(const std::vector<TBranch>& branches, int shift,
                                         const TTreeView& view, const TSField& field,
                                         const TCriteriaCoding& coding, TChangePlacement placement)
{
    const std::vector<std::vector<TStateChange>> reversible =
        ReversibleBranchChanges(coding, view, placement);
    std::vector<int> reversibleIndex(static_cast<size_t>(coding.Criteria.Count()) + 1, 0);
    for (size_t k = 0; k < coding.ReversibleCharacters.size(); ++k)
        reversibleIndex[static_cast<size_t>(coding.ReversibleCharacters[k])] =
            static_cast<int>(k) + 1;
    std::vector<TDrawnChanges> drawn;
    drawn.reserve(branches.size());
    for (const TBranch& b : branches) {
        TDrawnChanges changes;
        for (TChange c : b.Changes) {
            const QString text = ChangeText(coding.CaminSokal, c);
            c.Character = coding.CaminSokalCharacters[static_cast<size_t>(c.Character - 1)];
            changes.push_back({text, c.Ambiguous, c.Character});
        }
        for (const TStateChange& c : reversible[static_cast<size_t>(b.Vertex - shift)]) {
            const QStringList& names =
                coding.Reversible[reversibleIndex[static_cast<size_t>(c.Character)]].StateNames;
            auto name = [&](int s) {
                return s < names.size() ? names.at(s) : QStringLiteral("state %1").arg(s);
            };
            const QString character =
                c.Character <= field.Places.Count() ? field.Places[c.Character].Name : QString();
            changes.push_back({(character.isEmpty() ? QString::number(c.Character) : character) +
                                   QStringLiteral(": ") + name(c.From) + QChar(0x2192) + name(c.To),
                               c.Ambiguous, c.Character});
        }
        std::stable_sort(
            changes.begin(), changes.end(),
            [](const TDrawnChange& x, const TDrawnChange& y) { return x.Character < y.Character; });
        drawn.push_back(std::move(changes));
    }
    return drawn;
}
}  // namespace

void AttachChanges(const TTree& tree, const TSField& field, bool missingData, TadaTreeNodes& nodes)
{
    for (const TBranch& b : BranchChanges(tree, field, missingData)) {
        // Tip i is item i - 1, node j item T + j - 1: both are vertex - 1.
        TscTreeNode* n = nodes.Item(b.Vertex - 1);
        if (!n) continue;
        ShowChanges(Drawn(field, b.Changes), *n);
    }
}

void AttachCriteriaChanges(const TTree& tree, const TSField& field, const TCriteriaCoding& coding,
                           bool missingData, TChangePlacement placement, TadaTreeNodes& nodes)
{
    const std::vector<TBranch> branches = BranchChanges(tree, coding.CaminSokal, missingData);
    const TTreeLinks links = LinksOf(tree);
    const std::vector<TDrawnChanges> drawn =
        CriteriaDrawn(branches, 1, links.View(), field, coding, placement);
    for (size_t k = 0; k < branches.size(); ++k)
        if (TscTreeNode* n = nodes.Item(branches[k].Vertex - 1)) ShowChanges(drawn[k], *n);
}

void AttachCompactChanges(const TCompactTree& tree, const TSField& field, bool missingData,
                          TadaTreeNodes& nodes)
{
    for (const TBranch& b : CompactBranchChanges(tree, field, missingData))
        if (TscTreeNode* n = nodes.Item(b.Vertex)) ShowChanges(Drawn(field, b.Changes), *n);
}

namespace {
// Changes go to the drawn node with the branch's clade (object sets of any
// size, so that big trees are matched as small ones); drawn[k] belongs to
// branches[k]. A branch listed without its clade has a vertex of the
// compact tree, whose clade is found there.
int AttachBranchesByClade(const std::vector<TBranch>& branches,
                          const std::vector<TDrawnChanges>& drawn, const TSField& field,
                          TscTreeNodes& nodes, const TCompactTree* compact = nullptr)
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
    for (size_t k = 0; k < branches.size(); ++k) {
        const TBranch& b = branches[k];
        if (drawn[k].empty()) continue;
        TObjectSet set(objects);
        for (int o : b.Objects) set.Include(o);
        if (b.Objects.empty() && compact)
            for (std::vector<int> stack{b.Vertex}; !stack.empty();) {
                const int x = stack.back();
                stack.pop_back();
                if (compact->IsTip(x))
                    set.Include(x + 1);
                else
                    for (int c : compact->Child[static_cast<size_t>(x)]) stack.push_back(c);
            }
        const auto found = byClade.find(set);
        if (found == byClade.end()) {
            ++missed;
            continue;
        }
        ShowChanges(drawn[k], *found->second);
    }
    return missed;
}

std::vector<TDrawnChanges> DrawnAll(const std::vector<TBranch>& branches, const TSField& field)
{
    std::vector<TDrawnChanges> drawn;
    drawn.reserve(branches.size());
    for (const TBranch& b : branches) drawn.push_back(Drawn(field, b.Changes));
    return drawn;
}
}  // namespace

int AttachChangesByClade(const TTree& tree, const TSField& field, bool missingData,
                         TscTreeNodes& nodes)
{
    const std::vector<TBranch> branches = BranchChanges(tree, field, missingData);
    return AttachBranchesByClade(branches, DrawnAll(branches, field), field, nodes);
}

int AttachChangesByClade(const TCompactTree& tree, const TSField& field, bool missingData,
                         TscTreeNodes& nodes)
{
    const std::vector<TBranch> branches = CompactBranchChanges(tree, field, missingData);
    return AttachBranchesByClade(branches, DrawnAll(branches, field), field, nodes);
}

int AttachCriteriaChangesByClade(const TCompactTree& tree, const TSField& field,
                                 const TCriteriaCoding& coding, bool missingData,
                                 TChangePlacement placement, TscTreeNodes& nodes)
{
    const std::vector<TBranch> branches =
        CompactBranchChanges(tree, coding.CaminSokal, missingData);
    return AttachBranchesByClade(branches,
                                 CriteriaDrawn(branches, 0, ViewOf(tree), field, coding, placement),
                                 field, nodes, &tree);
}
