#include "parsimony/exact/ExactStart.h"

#include <algorithm>
#include <limits>

#include "parsimony/Random.h"
#include "parsimony/exact/ExactAddition.h"
#include "parsimony/exact/ExactPartial.h"
#include "parsimony/exact/ExactSearch.h"

std::vector<int> FurthestOrder(const TExactField& field)
{
    TPartialTree tree(field);
    return FurthestOrderOn(tree, field.Objects(), 0);
}

std::vector<std::uint64_t> WagnerClades(const TExactField& field, const std::vector<int>& order)
{
    TPartialTree tree(field);
    return WagnerCladesOn(tree, order);
}

namespace {
// Parent links of a tree as one array: tips 1..n, nodes n+1..2n-1; 0 = none.
TIntNum& Anc(TTree& tree, int v)
{
    const int n = tree.TipCount();
    return v <= n ? tree.Tips[static_cast<size_t>(v)].Anc
                  : tree.Nodes[static_cast<size_t>(v - n)].Anc;
}

bool InSubtree(TTree& tree, int w, int top)
{
    const int n = tree.TipCount();
    for (int k = 0; w != 0 && k <= 2 * n; ++k) {
        if (w == top) return true;
        w = Anc(tree, w) == 0 ? 0 : n + Anc(tree, w);
    }
    return false;
}
}  // namespace

std::int64_t ImproveBySubtreeMoves(TTree& tree, TTreeScorer& scorer)
{
    const int n = tree.TipCount();
    return ImproveBySubtreeMoves(tree, [&](const TTree& t) { return scorer.Length(t, n); });
}

std::int64_t ImproveBySubtreeMoves(TTree& tree,
                                   const std::function<std::int64_t(const TTree&)>& length)
{
    const int n = tree.TipCount();
    std::int64_t best = length(tree);
    for (bool improved = true; improved;) {
        improved = false;
        for (int v = 1; v < 2 * n && !improved; ++v) {
            const int p = Anc(tree, v);  // node number
            if (p == 0) continue;
            const int pv = n + p;
            const TIntNum g = Anc(tree, pv);
            int sibling = 0;
            for (int s = 1; s < 2 * n; ++s)
                if (s != v && Anc(tree, s) == p) sibling = s;
            Anc(tree, sibling) = g;  // take the subtree out
            for (int w = 1; w < 2 * n && !improved; ++w) {
                if (w == pv || w == sibling || InSubtree(tree, w, v)) continue;
                if (sibling <= n && g == 0) break;  // only one tip left
                const TIntNum old = Anc(tree, w);
                Anc(tree, pv) = old;
                Anc(tree, w) = static_cast<TIntNum>(p);
                const std::int64_t moved = length(tree);
                if (moved < best) {
                    best = moved;
                    improved = true;
                } else {
                    Anc(tree, w) = old;
                }
            }
            if (!improved) {
                Anc(tree, pv) = g;
                Anc(tree, sibling) = static_cast<TIntNum>(p);
            }
        }
    }
    return best;
}

TExactStartTree QuickShortTree(const TPackedField& packed, const TExactField& field,
                               bool missingData, const std::vector<int>& order)
{
    const int n = field.Objects();
    TTreeScorer scorer(packed, missingData);
    TExactStartTree best;
    bool first = true;
    std::vector<int> shuffled = order;
    TRandom random(20261208);
    const int starts = 1 + std::min(10, std::max(2, 200 / std::max(n, 1)));
    for (int k = 0; k < starts; ++k) {
        if (k > 0)
            for (int i = n - 1; i > 0; --i)
                std::swap(shuffled[static_cast<size_t>(i)],
                          shuffled[static_cast<size_t>(random.Below(i + 1))]);
        TTree tree = TreeFromClades(WagnerClades(field, shuffled), n);
        const std::int64_t length = ImproveBySubtreeMoves(tree, scorer);
        if (first || length < best.Length) {
            best.Tree = std::move(tree);
            best.Length = length;
            first = false;
        }
    }
    scorer.Evaluate(best.Tree);
    return best;
}
