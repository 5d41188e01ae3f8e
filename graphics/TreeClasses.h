#pragma once
// The drawable tree: a binary rooted node list. Re-rooting and swapping are
// operations on this model; TTreeGrf (TreeGrf.h) only lays it out and draws it.
//
// Build a list: `TadaTreeNodes nodes; auto* a = nodes.Add(); ...; nodes.Root = r;
// SetLeft(r, a); SetRight(r, b); nodes.UpdateCodes();` — see TreeFromNewick.h.
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TscTreeNodes;

class TscTreeNode {
public:
    explicit TscTreeNode(TscTreeNodes* owner) : Owner(owner) {}
    virtual ~TscTreeNode() = default;

    TscTreeNodes* Owner = nullptr;
    QString Code;       // way from the root, "L"/"R" letters; the root has none
    QString NewCode;    // scratch while re-rooting
    QString Ident;      // tips: object name; inner nodes: "Node n"; the root: "Root"
    QString Label;      // drawn beside a tip
    double Length = 0;  // branch above the node
    TscTreeNode* Parent = nullptr;
    TscTreeNode* Left = nullptr;
    TscTreeNode* Right = nullptr;
    double X = 0, Y = 0;  // world position from the layout
    // A link inside a polytomy: the node has no branch of its own (drawn at
    // its parent's place, never selected); its children are its parent's.
    bool Collapsed = false;
    QString Support;              // inner nodes: drawn beside the node (e.g. a percentage)
    QStringList Changes;          // drawn as marks along the branch above the node
    QList<bool> ChangeAmbiguous;  // per entry of Changes
    QList<int> ChangeCharacters;  // per entry: the character's number, drawn above its mark

    bool IsLeaf() const { return !Left && !Right; }
    int LeafCount() const;
    int Depth() const;
    bool HasAncestor(const TscTreeNode* node) const;
    bool IsLeftChild() const { return Parent && Parent->Left == this; }
    // The node that stands for this one in the picture: itself, or the
    // polytomy it is a link of.
    TscTreeNode* Shown();
    // The children as drawn: collapsed links replaced by their children.
    std::vector<TscTreeNode*> ShownChildren() const;
    int ShownDepth() const;  // Depth without collapsed links
};

// Link both ways; the child's Code becomes the parent's Code + "L" / "R".
void SetLeft(TscTreeNode* parent, TscTreeNode* child);
void SetRight(TscTreeNode* parent, TscTreeNode* child);

class TscTreeNodes {
public:
    TscTreeNodes() = default;
    virtual ~TscTreeNodes() = default;
    TscTreeNodes(const TscTreeNodes&) = delete;
    TscTreeNodes& operator=(const TscTreeNodes&) = delete;

    TscTreeNode* Root = nullptr;

    // Appends a new node (creation order = list order).
    TscTreeNode* Add();
    TscTreeNode* Item(int index) const;  // none for an index out of range
    int Count() const { return static_cast<int>(Nodes.size()); }
    TscTreeNode* Last() const { return Nodes.empty() ? nullptr : Nodes.back().get(); }
    int IndexOf(const TscTreeNode* node) const;
    // Leaves below Root.
    int LeafCount() const { return Root ? Root->LeafCount() : 0; }

    void UpdateCodes();
    TscTreeNode* FindByCode(const QString& code) const;
    TscTreeNode* FindByNewCode(const QString& code) const;
    // Exchanges the node's two subtrees.
    void Swap(TscTreeNode* node);

protected:
    virtual std::unique_ptr<TscTreeNode> NewNode() { return std::make_unique<TscTreeNode>(this); }

private:
    std::vector<std::unique_ptr<TscTreeNode>> Nodes;
};

// Re-roots the tree on the branch above node; node becomes the root's child on
// side ("L" or "R"). Nothing happens for the root or a child of the root.
void ReRoot(TscTreeNodes& list, TscTreeNode* node, const QString& side);

// Nodes of the subtree below start (start included) in pre-order, without recursion.
std::vector<TscTreeNode*> PreOrder(TscTreeNode* start);
