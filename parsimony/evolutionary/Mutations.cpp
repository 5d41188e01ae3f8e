// The three random branch swaps on the working tree.
#include "parsimony/evolutionary/CreateTree.h"

char TParsimonySearch::MutateTree()
{
    switch (Random.Below(3)) {
        case 0:
            SwapTipTip(0);
            return 'a';
        case 1:
            SwapTipNode(0);
            return 'b';
        default:
            SwapNodeNode(0);
            return 'c';
    }
}

// True when node `upper` lies on the way from node `from` to the root
// (from included): the AncSet of `upper` is a subset of the set of `from`.
bool TParsimonySearch::NodeAbove(int treeNo, int upper, int from) const
{
    const TTree& tree = Slots[static_cast<size_t>(treeNo)];
    const int n = tree.NodeCount();
    for (int k = from, steps = 0; k >= 1 && k <= n && steps <= n; ++steps) {
        if (k == upper) return true;
        k = tree.Nodes[static_cast<size_t>(k)].Anc;
    }
    return false;
}

void TParsimonySearch::SwapTipTip(int treeNo)
{
    TTree& tree = Slots[static_cast<size_t>(treeNo)];
    const int t = tree.TipCount();
    Mutated = true;
    int i, j;
    do {
        i = Random.Below(t) + 1;
        j = Random.Below(t) + 1;
    } while (i == j);
    TIntNum& a = tree.Tips[static_cast<size_t>(i)].Anc;
    TIntNum& b = tree.Tips[static_cast<size_t>(j)].Anc;
    if (a == b) {
        Mutated = false;
        return;
    }
    std::swap(a, b);
    LastSwap = {i, true, j, true};
}

void TParsimonySearch::SwapTipNode(int treeNo)
{
    TTree& tree = Slots[static_cast<size_t>(treeNo)];
    Mutated = true;
    const int i = Random.Below(tree.TipCount()) + 1;
    const int j = Random.Below(tree.NodeCount()) + 1;
    TTip& tip = tree.Tips[static_cast<size_t>(i)];
    TNode& node = tree.Nodes[static_cast<size_t>(j)];
    // Node j on the tip's way to the root (its AncSet within the tip's).
    if (tip.Anc == node.Anc || NodeAbove(treeNo, j, tip.Anc)) {
        Mutated = false;
        return;
    }
    std::swap(tip.Anc, node.Anc);
    LastSwap = {i, true, j, false};
}

void TParsimonySearch::SwapNodeNode(int treeNo)
{
    TTree& tree = Slots[static_cast<size_t>(treeNo)];
    const int n = tree.NodeCount();
    Mutated = true;
    int i, j;
    do {
        i = Random.Below(n) + 1;
        j = Random.Below(n) + 1;
    } while (i == j);
    TNode& a = tree.Nodes[static_cast<size_t>(i)];
    TNode& b = tree.Nodes[static_cast<size_t>(j)];
    // One node above the other (one AncSet within the other).
    if (a.Anc == b.Anc || NodeAbove(treeNo, i, j) || NodeAbove(treeNo, j, i)) {
        Mutated = false;
        return;
    }
    std::swap(a.Anc, b.Anc);
    LastSwap = {i, false, j, false};
}
