#pragma once
// The counting kernels of TThoroughScorer, shared by its files (scoring and
// building in ThoroughScorer.cpp, branch swapping in ThoroughSwap.cpp). Not
// for other code: include ThoroughScorer.h.
#include <bit>
#include <limits>

#include "parsimony/length/KernelTarget.h"
#include "parsimony/thorough/ThoroughScorer.h"

namespace thorough_detail {
inline void Shuffle(std::vector<int>& v, TRandom& rng)
{
    for (int i = static_cast<int>(v.size()) - 1; i > 0; --i)
        std::swap(v[static_cast<size_t>(i)], v[static_cast<size_t>(rng.Below(i + 1))]);
}

inline void ReplaceChild(TCompactTree& t, int parent, int from, int to)
{
    auto& c = t.Child[static_cast<size_t>(parent)];
    (c[0] == from ? c[0] : c[1]) = to;
}
// Puts the free node q on the branch above v, with the children v and x.
inline void JoinAbove(TCompactTree& t, int v, int x, int q)
{
    const int pv = t.Parent[static_cast<size_t>(v)];
    t.Child[static_cast<size_t>(q)] = {v, x};
    t.Parent[static_cast<size_t>(x)] = q;
    t.Parent[static_cast<size_t>(q)] = pv;
    if (pv < 0)
        t.Root = q;
    else
        ReplaceChild(t, pv, v, q);
    t.Parent[static_cast<size_t>(v)] = q;
}
}  // namespace thorough_detail

// Weighted count of the bits of word i of x. The first two planes (weights
// up to 3, as the ratchet's) are counted without a loop; TBitWeights keeps
// at least two.
#define VARNO_COUNT(x, i)                                                                     \
    ([&](std::uint64_t bits_, int i_) -> std::int64_t {                                       \
        if constexpr (!Weighted) {                                                            \
            return std::popcount(bits_);                                                      \
        } else {                                                                              \
            const std::uint64_t* b_ = Weights.Bits.data() + i_;                               \
            std::int64_t n_ = std::popcount(bits_ & b_[0]) +                                  \
                              (static_cast<std::int64_t>(std::popcount(bits_ & b_[W])) << 1); \
            for (int p_ = 2; p_ < Weights.Planes; ++p_)                                       \
                n_ += static_cast<std::int64_t>(                                              \
                          std::popcount(bits_ & b_[static_cast<size_t>(p_ * W)]))             \
                      << p_;                                                                  \
            return n_;                                                                        \
        }                                                                                     \
    }(x, i))

template <bool Missing, bool Weighted>
VARNO_KERNEL std::int64_t TThoroughScorer::Combine(const std::uint64_t* s1, const std::uint64_t* m1,
                                                   const std::uint64_t* s2, const std::uint64_t* m2,
                                                   std::uint64_t* s, std::uint64_t* m) const
{
    std::int64_t k = 0;
    for (int i = 0; i < W; ++i) {
        std::uint64_t sw;
        if constexpr (Missing) {
            // A child without data for a character does not take part.
            sw = (s1[i] | ~m1[i]) & (s2[i] | ~m2[i]) & (m1[i] | m2[i]);
            m[i] = m1[i] | m2[i];
        } else {
            sw = s1[i] & s2[i];
            m[i] = m1[i] | m2[i];
        }
        s[i] = sw;
        k += VARNO_COUNT(s1[i] & ~sw, i) + VARNO_COUNT(s2[i] & ~sw, i);
    }
    return k;
}

template <bool Missing, bool Weighted>
VARNO_KERNEL std::int64_t TThoroughScorer::Steps(const std::uint64_t* child,
                                                 const std::uint64_t* parent) const
{
    std::int64_t k = 0;
    for (int i = 0; i < W; ++i) k += VARNO_COUNT(child[i] & ~parent[i], i);
    return k;
}

template <bool Missing, bool Weighted>
VARNO_KERNEL void TThoroughScorer::RecomputeUp(int v)
{
    for (int a = v; a >= 0; a = T.Parent[static_cast<size_t>(a)]) {
        const int c1 = T.Child[static_cast<size_t>(a)][0], c2 = T.Child[static_cast<size_t>(a)][1];
        const std::int64_t k =
            Combine<Missing, Weighted>(SetS(c1), SetM(c1), SetS(c2), SetM(c2), SetS(a), SetM(a));
        K[static_cast<size_t>(a)] = k;
        Sub[static_cast<size_t>(a)] =
            k + Sub[static_cast<size_t>(c1)] + Sub[static_cast<size_t>(c2)];
    }
    L = Sub[static_cast<size_t>(T.Root)];
}

template <bool Missing, bool Weighted, typename F>
VARNO_KERNEL void TThoroughScorer::Regraft(int root, const std::uint64_t* sx,
                                           const std::uint64_t* mx, std::int64_t& bound, F&& found)
{
    // g(v) counts how the branches above v change when the clipped part joins
    // above v; it never decreases on the way down, so once it reaches the
    // bound nothing below v can beat the best so far.
    std::int64_t g0 = 0;
    const std::uint64_t* sr = SetS(root);
    for (int i = 0; i < W; ++i)
        g0 += VARNO_COUNT(Missing ? ~sx[i] & mx[i] & sr[i] : ~sx[i] & sr[i], i);
    RegraftWalk<Missing, Weighted>(root, g0, sx, mx, bound, found);
}

template <bool Missing, bool Weighted, typename F>
VARNO_KERNEL void TThoroughScorer::RegraftWalk(int start, std::int64_t g0, const std::uint64_t* sx,
                                               const std::uint64_t* mx, std::int64_t& bound,
                                               F&& found)
{
    Stack.clear();
    Stack.push_back({start, g0});
    while (!Stack.empty()) {
        const auto [v, g] = Stack.back();
        Stack.pop_back();
        if (g >= bound) continue;
        const std::uint64_t* s = SetS(v);
        const std::uint64_t* m = SetM(v);
        // The two branches below the new node.
        const std::int64_t limit = bound - g;
        std::int64_t nn = 0;
        for (int i = 0; i < W; ++i) {
            nn += VARNO_COUNT(Missing ? sx[i] & m[i] & ~s[i] : sx[i] & ~s[i], i);
            if ((i & 7) == 7 && nn >= limit) break;
        }
        if (nn < limit) found(v, g + nn);
        if (T.IsTip(v)) continue;
        const int c1 = T.Child[static_cast<size_t>(v)][0], c2 = T.Child[static_cast<size_t>(v)][1];
        std::int64_t gx = 0, g1 = 0, g2 = 0;
        if constexpr (Missing) {
            const std::uint64_t* s1 = SetS(c1);
            const std::uint64_t* s2 = SetS(c2);
            const std::uint64_t* m1 = SetM(c1);
            const std::uint64_t* m2 = SetM(c2);
            for (int i = 0; i < W; ++i) {
                gx += VARNO_COUNT(~sx[i] & mx[i] & s[i] & s1[i] & s2[i], i);
                const std::uint64_t y = sx[i] & m[i] & ~s[i];
                g1 += VARNO_COUNT(y & ~m1[i], i);
                g2 += VARNO_COUNT(y & ~m2[i], i);
            }
        } else {
            for (int i = 0; i < W; ++i) gx += VARNO_COUNT(~sx[i] & s[i], i);
        }
        Stack.push_back({c2, g + gx + g2});
        Stack.push_back({c1, g + gx + g1});
    }
}

template <bool Missing, bool Weighted, typename F>
VARNO_KERNEL void TThoroughScorer::RegraftBelow(int top, const std::uint64_t* sx,
                                                const std::uint64_t* mx, F&& found)
{
    // As Regraft from the root, but only the walk's count on the path down to
    // top is taken (not the vertices beside it), then every vertex below top.
    std::vector<int> path{top};
    while (path.back() != T.Root) path.push_back(T.Parent[static_cast<size_t>(path.back())]);
    std::int64_t g = 0;
    const std::uint64_t* sr = SetS(T.Root);
    for (int i = 0; i < W; ++i)
        g += VARNO_COUNT(Missing ? ~sx[i] & mx[i] & sr[i] : ~sx[i] & sr[i], i);
    for (size_t k = path.size() - 1; k > 0; --k) {
        const int v = path[k], next = path[k - 1];
        const std::uint64_t* s = SetS(v);
        const std::uint64_t* m = SetM(v);
        const int c1 = T.Child[static_cast<size_t>(v)][0];
        std::int64_t gx = 0, gc = 0;
        if constexpr (Missing) {
            const int c2 = T.Child[static_cast<size_t>(v)][1];
            const std::uint64_t* s1 = SetS(c1);
            const std::uint64_t* s2 = SetS(c2);
            const std::uint64_t* mc = SetM(next);
            for (int i = 0; i < W; ++i) {
                gx += VARNO_COUNT(~sx[i] & mx[i] & s[i] & s1[i] & s2[i], i);
                gc += VARNO_COUNT(sx[i] & m[i] & ~s[i] & ~mc[i], i);
            }
        } else {
            for (int i = 0; i < W; ++i) gx += VARNO_COUNT(~sx[i] & s[i], i);
        }
        g += gx + gc;
    }
    std::int64_t bound = std::numeric_limits<std::int64_t>::max();
    RegraftWalk<Missing, Weighted>(top, g, sx, mx, bound, found);
}
