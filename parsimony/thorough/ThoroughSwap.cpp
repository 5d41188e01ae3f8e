// Branch swapping of TThoroughScorer: pruning, rerooting, regrafting, moves.
#include <algorithm>
#include <cassert>
#include <limits>

#include "parsimony/thorough/ThoroughKernels.h"
#include "parsimony/thorough/ThoroughScorer.h"

using namespace thorough_detail;
using u64 = std::uint64_t;

template <bool Missing, bool Weighted>
VARNO_KERNEL std::int64_t TThoroughScorer::Prune(int x)
{
    const int q = T.Parent[static_cast<size_t>(x)];
    const int sib = T.Sibling(x);
    Saved.clear();
    SavedBits.clear();
    PrunedParent = q;
    PrunedSibling = sib;
    std::int64_t pruned = L - K[static_cast<size_t>(q)] - Sub[static_cast<size_t>(x)];
    const int g = T.Parent[static_cast<size_t>(q)];
    PrunedGrand = g;
    if (g < 0) {
        T.Parent[static_cast<size_t>(sib)] = -1;
        T.Root = sib;
        return pruned;
    }
    ReplaceChild(T, g, q, sib);
    T.Parent[static_cast<size_t>(sib)] = g;
    // Only the sets above the gap change, and only until one stays the same.
    for (int a = g; a >= 0; a = T.Parent[static_cast<size_t>(a)]) {
        Saved.push_back({a, K[static_cast<size_t>(a)]});
        const size_t at = SavedBits.size();
        SavedBits.insert(SavedBits.end(), SetS(a), SetS(a) + W);
        SavedBits.insert(SavedBits.end(), SetM(a), SetM(a) + W);
        const int c1 = T.Child[static_cast<size_t>(a)][0], c2 = T.Child[static_cast<size_t>(a)][1];
        const std::int64_t k =
            Combine<Missing, Weighted>(SetS(c1), SetM(c1), SetS(c2), SetM(c2), SetS(a), SetM(a));
        pruned += k - K[static_cast<size_t>(a)];
        K[static_cast<size_t>(a)] = k;
        if (std::equal(SetS(a), SetS(a) + W, SavedBits.data() + at) &&
            std::equal(SetM(a), SetM(a) + W, SavedBits.data() + at + static_cast<size_t>(W)))
            break;
    }
    return pruned;
}

void TThoroughScorer::Restore()
{
    for (size_t i = Saved.size(); i-- > 0;) {
        const int a = Saved[i].Vertex;
        K[static_cast<size_t>(a)] = Saved[i].K;
        const u64* bits = SavedBits.data() + i * 2 * static_cast<size_t>(W);
        std::copy(bits, bits + W, SetS(a));
        std::copy(bits + W, bits + 2 * W, SetM(a));
    }
    Saved.clear();
    const int q = PrunedParent, sib = PrunedSibling, g = PrunedGrand;
    if (g < 0) {
        T.Root = q;
    } else {
        ReplaceChild(T, g, sib, q);
    }
    T.Parent[static_cast<size_t>(sib)] = q;
}

template <bool Missing, bool Weighted, typename F>
VARNO_KERNEL void TThoroughScorer::Reroot(int x, F&& found)
{
    // Top-down over the clipped part: U[b] is the set of the rest of the part
    // seen from the branch above b, UpLen[b] the length inside that rest.
    Order.clear();
    Order.push_back(x);
    for (size_t k = 0; k < Order.size(); ++k) {
        const int v = Order[k];
        if (!T.IsTip(v))
            for (int c : T.Child[static_cast<size_t>(v)]) Order.push_back(c);
    }
    std::vector<u64> scratchS(static_cast<size_t>(W)), scratchM(static_cast<size_t>(W));
    auto us = [&](int v) { return U.data() + static_cast<size_t>(v) * static_cast<size_t>(W); };
    auto um = [&](int v) { return UM.data() + static_cast<size_t>(v) * static_cast<size_t>(W); };
    for (size_t k = 1; k < Order.size(); ++k) {
        const int b = Order[k];
        const int a = T.Parent[static_cast<size_t>(b)];
        const int c = T.Sibling(b);
        if (a == x) {
            std::copy(SetS(c), SetS(c) + W, us(b));
            std::copy(SetM(c), SetM(c) + W, um(b));
            UpLen[static_cast<size_t>(b)] = Sub[static_cast<size_t>(c)];
            found(b, Sub[static_cast<size_t>(x)]);
            continue;
        }
        const std::int64_t kk =
            Combine<Missing, Weighted>(SetS(c), SetM(c), us(a), um(a), us(b), um(b));
        UpLen[static_cast<size_t>(b)] =
            Sub[static_cast<size_t>(c)] + UpLen[static_cast<size_t>(a)] + kk;
        const std::int64_t root = Combine<Missing, Weighted>(SetS(b), SetM(b), us(b), um(b),
                                                             scratchS.data(), scratchM.data());
        found(b, Sub[static_cast<size_t>(b)] + UpLen[static_cast<size_t>(b)] + root);
    }
}

void TThoroughScoring::ApplyMove(TCompactTree& t, int x, int b, int v)
{
    // Clip: the sibling takes the parent's place.
    const int q = t.Parent[static_cast<size_t>(x)];
    const int sib = t.Sibling(x);
    const int g = t.Parent[static_cast<size_t>(q)];
    if (g < 0) {
        t.Root = sib;
        t.Parent[static_cast<size_t>(sib)] = -1;
    } else {
        ReplaceChild(t, g, q, sib);
        t.Parent[static_cast<size_t>(sib)] = g;
    }
    t.Parent[static_cast<size_t>(x)] = -1;
    // Reroot the clipped part on the branch above b: the path b .. x turns round.
    if (b != x && t.Parent[static_cast<size_t>(b)] != x) {
        std::vector<int> path{b};
        while (path.back() != x) path.push_back(t.Parent[static_cast<size_t>(path.back())]);
        const int k = static_cast<int>(path.size()) - 1;  // path[k] == x
        std::vector<int> sibs(static_cast<size_t>(k), -1);
        for (int i = 1; i < k; ++i) {
            const auto& c = t.Child[static_cast<size_t>(path[static_cast<size_t>(i)])];
            sibs[static_cast<size_t>(i)] = c[0] == path[static_cast<size_t>(i - 1)] ? c[1] : c[0];
        }
        const auto& xc = t.Child[static_cast<size_t>(x)];
        const int other = xc[0] == path[static_cast<size_t>(k - 1)] ? xc[1] : xc[0];
        for (int i = 1; i < k; ++i) {
            const int p = path[static_cast<size_t>(i)];
            const int next = i + 1 < k ? path[static_cast<size_t>(i + 1)] : other;
            t.Child[static_cast<size_t>(p)] = {sibs[static_cast<size_t>(i)], next};
            t.Parent[static_cast<size_t>(next)] = p;
            t.Parent[static_cast<size_t>(p)] = i == 1 ? x : path[static_cast<size_t>(i - 1)];
        }
        t.Child[static_cast<size_t>(x)] = {b, path[1]};
        t.Parent[static_cast<size_t>(b)] = x;
    }
    // Regraft: the freed node q goes on the branch above v.
    JoinAbove(t, v, x, q);
}

template <bool Missing, bool Weighted>
VARNO_KERNEL bool TThoroughScorer::TryClip(int x, TSwapRule rule)
{
    const std::int64_t pruned = Prune<Missing, Weighted>(x);
    std::int64_t inside = Sub[static_cast<size_t>(x)];
    int rerootAt = x;
    if (rule == TSwapRule::Tbr && !T.IsTip(x))
        Reroot<Missing, Weighted>(x, [&](int b, std::int64_t len) {
            if (len < inside) {
                inside = len;
                rerootAt = b;
            }
        });
    std::int64_t bound = L - pruned - inside;
    int best = -1;
    std::int64_t bestDelta = 0;
    if (bound > 0)
        Regraft<Missing, Weighted>(T.Root, SetS(x), SetM(x), bound, [&](int v, std::int64_t d) {
            best = v;
            bestDelta = d;
            bound = d;
        });
    Restore();
    if (best < 0) return false;
    const std::int64_t predicted = pruned + inside + bestDelta;
    ApplyMove(T, x, rerootAt, best);
    Evaluate<Missing, Weighted>();
    if (L != predicted) ++MismatchCount;
    assert(L == predicted);
    return true;
}

template <bool Missing, bool Weighted>
VARNO_KERNEL bool TThoroughScorer::TryClipChecked(int x, TSwapRule rule)
{
    // Every improving move of this clip, shortest first, until one is accepted.
    const std::int64_t pruned = Prune<Missing, Weighted>(x);
    std::vector<std::pair<int, std::int64_t>> roots{{x, Sub[static_cast<size_t>(x)]}};
    if (rule == TSwapRule::Tbr && !T.IsTip(x))
        Reroot<Missing, Weighted>(x, [&](int b, std::int64_t len) { roots.push_back({b, len}); });
    std::int64_t inside = roots.front().second;
    for (const auto& r : roots) inside = std::min(inside, r.second);
    std::int64_t bound = L - pruned - inside;
    std::vector<std::pair<int, std::int64_t>> places;
    if (bound > 0)
        Regraft<Missing, Weighted>(T.Root, SetS(x), SetM(x), bound, [&](int v, std::int64_t d) {
            places.push_back({v, d});
        });
    Restore();
    struct TMove {
        std::int64_t Length;
        int Root, Place;
    };
    std::vector<TMove> moves;
    for (const auto& [v, d] : places)
        for (const auto& [b, len] : roots)
            if (pruned + len + d < L) moves.push_back({pruned + len + d, b, v});
    std::stable_sort(moves.begin(), moves.end(),
                     [](const TMove& a, const TMove& b) { return a.Length < b.Length; });
    for (const TMove& m : moves) {
        TCompactTree t = T;
        ApplyMove(t, x, m.Root, m.Place);
        if (!Accept(t)) continue;
        T = std::move(t);
        Evaluate<Missing, Weighted>();
        if (L != m.Length) ++MismatchCount;
        return true;
    }
    return false;
}

template <bool Missing, bool Weighted>
int TThoroughScorer::ClimbWith(TSwapRule rule, TRandom& rng, const std::atomic<bool>* stop)
{
    int moves = 0;
    std::vector<int> order(static_cast<size_t>(T.Vertices()));
    for (;;) {
        for (int v = 0; v < T.Vertices(); ++v) order[static_cast<size_t>(v)] = v;
        Shuffle(order, rng);
        bool improved = false;
        for (int x : order) {
            if (stop && stop->load(std::memory_order_relaxed)) return moves;
            if (x == T.Root) continue;
            if (Accept ? TryClipChecked<Missing, Weighted>(x, rule)
                       : TryClip<Missing, Weighted>(x, rule)) {
                improved = true;
                ++moves;
            }
        }
        if (!improved) return moves;
    }
}

int TThoroughScorer::Climb(TSwapRule rule, TRandom& rng, const std::atomic<bool>* stop)
{
    if (T.Root < 0 || N < 3) return 0;
    if (MissingRule)
        return Weights.Planes ? ClimbWith<true, true>(rule, rng, stop)
                              : ClimbWith<true, false>(rule, rng, stop);
    return Weights.Planes ? ClimbWith<false, true>(rule, rng, stop)
                          : ClimbWith<false, false>(rule, rng, stop);
}

TThoroughScorer::TClipMoves TThoroughScorer::AllMoves(int x) { return AllMovesBelow(x, -1); }

TThoroughScorer::TClipMoves TThoroughScorer::AllMovesBelow(int x, int top)
{
    TClipMoves moves;
    moves.Regraft.assign(static_cast<size_t>(T.Vertices()), -1);
    moves.Reroot.assign(static_cast<size_t>(T.Vertices()), -1);
    if (x == T.Root) return moves;
    auto run = [&]<bool Mi, bool We>() {
        moves.PrunedLength = Prune<Mi, We>(x);
        if (!T.IsTip(x))
            Reroot<Mi, We>(
                x, [&](int b, std::int64_t len) { moves.Reroot[static_cast<size_t>(b)] = len; });
        std::int64_t bound = std::numeric_limits<std::int64_t>::max();
        if (top == PrunedParent) top = PrunedSibling;
        if (top < 0 || top == T.Root) {
            Regraft<Mi, We>(T.Root, SetS(x), SetM(x), bound, [&](int v, std::int64_t d) {
                moves.Regraft[static_cast<size_t>(v)] = d;
            });
        } else {
            RegraftBelow<Mi, We>(top, SetS(x), SetM(x), [&](int v, std::int64_t d) {
                moves.Regraft[static_cast<size_t>(v)] = d;
            });
        }
        Restore();
    };
    if (MissingRule)
        Weights.Planes ? run.template operator()<true, true>()
                       : run.template operator()<true, false>();
    else
        Weights.Planes ? run.template operator()<false, true>()
                       : run.template operator()<false, false>();
    return moves;
}
