#include "parsimony/ThoroughScorer.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <limits>

namespace {
using u64 = std::uint64_t;

int HighestMember(const TInclusion& s)
{
    for (int w = 3; w >= 0; --w)
        if (s.Word(w)) return w * 64 + 63 - std::countl_zero(s.Word(w));
    return -1;
}

void Shuffle(std::vector<int>& v, TRandom& rng)
{
    for (int i = static_cast<int>(v.size()) - 1; i > 0; --i)
        std::swap(v[static_cast<size_t>(i)], v[static_cast<size_t>(rng.Below(i + 1))]);
}

void ReplaceChild(TCompactTree& t, int parent, int from, int to)
{
    auto& c = t.Child[static_cast<size_t>(parent)];
    (c[0] == from ? c[0] : c[1]) = to;
}
}  // namespace

TPackedLayout PackedLayout(const TSField& charField, int objectCount, int characterCount)
{
    // The same widths as TPackedField: each character as many bits as its
    // highest state used by any object.
    TPackedLayout layout;
    layout.Offset.assign(static_cast<size_t>(characterCount) + 1, 0);
    layout.Width.assign(static_cast<size_t>(characterCount) + 1, 0);
    int bits = 0;
    for (int c = 1; c <= characterCount; ++c) {
        int high = -1;
        if (c <= charField.Places.Count()) {
            const TNumbered<TInclusion>& column = charField.Places[c].Inc;
            for (int o = 1; o <= objectCount && o <= column.Count(); ++o)
                high = std::max(high, HighestMember(column[o]));
        }
        layout.Offset[static_cast<size_t>(c)] = bits;
        layout.Width[static_cast<size_t>(c)] = high + 1;
        bits += high + 1;
    }
    layout.Words = std::max(1, (bits + 63) / 64);
    return layout;
}

TBitWeights WeightsFromCharacters(const TPackedLayout& layout, const std::vector<int>& weights)
{
    TBitWeights w;
    int high = 0;
    bool unit = true;
    for (size_t c = 1; c < layout.Offset.size(); ++c) {
        const int weight = c < weights.size() ? std::clamp(weights[c], 0, 255) : 1;
        high = std::max(high, weight);
        if (weight != 1) unit = false;
    }
    if (unit) return w;
    w.Planes = std::max(1, static_cast<int>(std::bit_width(static_cast<unsigned>(high))));
    w.Bits.assign(static_cast<size_t>(w.Planes) * static_cast<size_t>(layout.Words), 0);
    for (size_t c = 1; c < layout.Offset.size(); ++c) {
        const int weight = c < weights.size() ? std::clamp(weights[c], 0, 255) : 1;
        for (int k = 0; k < layout.Width[c]; ++k) {
            const int bit = layout.Offset[c] + k;
            for (int j = 0; j < w.Planes; ++j)
                if ((weight >> j) & 1)
                    w.Bits[static_cast<size_t>(j) * static_cast<size_t>(layout.Words) +
                           static_cast<size_t>(bit >> 6)] |= u64{1} << (bit & 63);
        }
    }
    return w;
}

TThoroughScorer::TThoroughScorer(const TPackedField& field, bool missingData)
    : Field(&field), MissingRule(missingData), W(field.Words()), N(field.ObjectCount())
{
    const size_t vertices = static_cast<size_t>(std::max(1, 2 * N - 1));
    S.assign(vertices * static_cast<size_t>(W), 0);
    M.assign(vertices * static_cast<size_t>(W), 0);
    U.assign(vertices * static_cast<size_t>(W), 0);
    UM.assign(vertices * static_cast<size_t>(W), 0);
    UpLen.assign(vertices, 0);
    K.assign(vertices, 0);
    Sub.assign(vertices, 0);
    for (int v = 0; v < N; ++v) {
        std::memcpy(SetS(v), field.States(v + 1), sizeof(u64) * static_cast<size_t>(W));
        std::memcpy(SetM(v), field.Mask(v + 1), sizeof(u64) * static_cast<size_t>(W));
    }
}

// Weighted count of the bits of word i of x.
#define VARNO_COUNT(x, i)                                                                        \
    ([&](u64 bits_, int i_) -> std::int64_t {                                                    \
        if constexpr (!Weighted) {                                                               \
            return std::popcount(bits_);                                                         \
        } else {                                                                                 \
            std::int64_t n_ = 0;                                                                 \
            for (int p_ = 0; p_ < Weights.Planes; ++p_)                                          \
                n_ += static_cast<std::int64_t>(                                                 \
                          std::popcount(bits_ & Weights.Bits[static_cast<size_t>(p_ * W + i_)])) \
                      << p_;                                                                     \
            return n_;                                                                           \
        }                                                                                        \
    }(x, i))

template <bool Missing, bool Weighted>
std::int64_t TThoroughScorer::Combine(const u64* s1, const u64* m1, const u64* s2, const u64* m2,
                                      u64* s, u64* m) const
{
    std::int64_t k = 0;
    for (int i = 0; i < W; ++i) {
        u64 sw;
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
std::int64_t TThoroughScorer::Steps(const u64* child, const u64* parent) const
{
    std::int64_t k = 0;
    for (int i = 0; i < W; ++i) k += VARNO_COUNT(child[i] & ~parent[i], i);
    return k;
}

template <bool Missing, bool Weighted>
void TThoroughScorer::Evaluate()
{
    Order.clear();
    if (T.Root < 0) {
        L = 0;
        return;
    }
    Order.push_back(T.Root);
    for (size_t k = 0; k < Order.size(); ++k) {
        const int v = Order[k];
        if (!T.IsTip(v))
            for (int c : T.Child[static_cast<size_t>(v)]) Order.push_back(c);
    }
    for (auto it = Order.rbegin(); it != Order.rend(); ++it) {
        const int v = *it;
        if (T.IsTip(v)) {
            K[static_cast<size_t>(v)] = 0;
            Sub[static_cast<size_t>(v)] = 0;
            continue;
        }
        const int c1 = T.Child[static_cast<size_t>(v)][0], c2 = T.Child[static_cast<size_t>(v)][1];
        const std::int64_t k =
            Combine<Missing, Weighted>(SetS(c1), SetM(c1), SetS(c2), SetM(c2), SetS(v), SetM(v));
        K[static_cast<size_t>(v)] = k;
        Sub[static_cast<size_t>(v)] =
            k + Sub[static_cast<size_t>(c1)] + Sub[static_cast<size_t>(c2)];
    }
    L = Sub[static_cast<size_t>(T.Root)];
}

void TThoroughScorer::EvaluateAny()
{
    if (MissingRule)
        Weights.Planes ? Evaluate<true, true>() : Evaluate<true, false>();
    else
        Weights.Planes ? Evaluate<false, true>() : Evaluate<false, false>();
}

void TThoroughScorer::SetWeights(const TBitWeights* weights)
{
    Weights = weights && weights->Planes > 0 ? *weights : TBitWeights();
    EvaluateAny();
}

void TThoroughScorer::Load(const TCompactTree& tree)
{
    T = tree;
    EvaluateAny();
}

std::int64_t TThoroughScorer::FullLength(const TCompactTree& tree)
{
    const TCompactTree kept = T;
    Load(tree);
    const std::int64_t length = L;
    Load(kept);
    return length;
}

std::vector<std::int64_t> TThoroughScorer::BranchFits() const
{
    std::vector<std::int64_t> fits(static_cast<size_t>(T.Vertices()), 0);
    auto* self = const_cast<TThoroughScorer*>(this);
    for (int v = 0; v < T.Vertices(); ++v) {
        const int p = T.Parent[static_cast<size_t>(v)];
        if (p < 0) continue;
        if (Weights.Planes)
            fits[static_cast<size_t>(v)] = Steps<true, true>(self->SetS(v), self->SetS(p));
        else
            fits[static_cast<size_t>(v)] = Steps<true, false>(self->SetS(v), self->SetS(p));
    }
    return fits;
}

template <bool Missing, bool Weighted>
std::int64_t TThoroughScorer::Prune(int x)
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
        if (std::equal(SetS(a), SetS(a) + W, &SavedBits[at]) &&
            std::equal(SetM(a), SetM(a) + W, &SavedBits[at + static_cast<size_t>(W)]))
            break;
    }
    return pruned;
}

void TThoroughScorer::Restore()
{
    for (size_t i = Saved.size(); i-- > 0;) {
        const int a = Saved[i].Vertex;
        K[static_cast<size_t>(a)] = Saved[i].K;
        const u64* bits = &SavedBits[i * 2 * static_cast<size_t>(W)];
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
void TThoroughScorer::Regraft(int root, const u64* sx, const u64* mx, std::int64_t& bound,
                              F&& found)
{
    // g(v) counts how the branches above v change when the clipped part joins
    // above v; it never decreases on the way down, so once it reaches the
    // bound nothing below v can beat the best so far.
    std::int64_t g0 = 0;
    const u64* sr = SetS(root);
    for (int i = 0; i < W; ++i)
        g0 += VARNO_COUNT(Missing ? ~sx[i] & mx[i] & sr[i] : ~sx[i] & sr[i], i);
    Stack.clear();
    Stack.push_back({root, g0});
    while (!Stack.empty()) {
        const auto [v, g] = Stack.back();
        Stack.pop_back();
        if (g >= bound) continue;
        const u64* s = SetS(v);
        const u64* m = SetM(v);
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
            const u64* s1 = SetS(c1);
            const u64* s2 = SetS(c2);
            const u64* m1 = SetM(c1);
            const u64* m2 = SetM(c2);
            for (int i = 0; i < W; ++i) {
                gx += VARNO_COUNT(~sx[i] & mx[i] & s[i] & s1[i] & s2[i], i);
                const u64 y = sx[i] & m[i] & ~s[i];
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
void TThoroughScorer::Reroot(int x, F&& found)
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
    auto us = [&](int v) { return &U[static_cast<size_t>(v) * static_cast<size_t>(W)]; };
    auto um = [&](int v) { return &UM[static_cast<size_t>(v) * static_cast<size_t>(W)]; };
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

void TThoroughScorer::ApplyMove(TCompactTree& t, int x, int b, int v)
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

template <bool Missing, bool Weighted>
bool TThoroughScorer::TryClip(int x, TSwapRule rule)
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
bool TThoroughScorer::TryClipChecked(int x, TSwapRule rule)
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

template <bool Missing, bool Weighted>
void TThoroughScorer::RecomputeUp(int v)
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

template <bool Missing, bool Weighted>
bool TThoroughScorer::Build(TRandom& rng, const std::atomic<bool>* stop)
{
    std::vector<int> order(static_cast<size_t>(N));
    for (int v = 0; v < N; ++v) order[static_cast<size_t>(v)] = v;
    Shuffle(order, rng);
    T.Reset(N);
    if (N == 1) {
        T.Root = 0;
        L = 0;
        return true;
    }
    int next = N;
    T.Root = next;
    T.Child[static_cast<size_t>(next)] = {order[0], order[1]};
    T.Parent[static_cast<size_t>(order[0])] = next;
    T.Parent[static_cast<size_t>(order[1])] = next;
    K[static_cast<size_t>(order[0])] = Sub[static_cast<size_t>(order[0])] = 0;
    K[static_cast<size_t>(order[1])] = Sub[static_cast<size_t>(order[1])] = 0;
    RecomputeUp<Missing, Weighted>(next++);
    for (int k = 2; k < N; ++k) {
        if (stop && stop->load(std::memory_order_relaxed)) return false;
        const int t = order[static_cast<size_t>(k)];
        std::int64_t bound = std::numeric_limits<std::int64_t>::max();
        std::int64_t bestDelta = 0;
        int best = -1, ties = 0;
        Regraft<Missing, Weighted>(T.Root, SetS(t), SetM(t), bound, [&](int v, std::int64_t d) {
            if (best < 0 || d < bestDelta) {
                best = v;
                bestDelta = d;
                ties = 1;
                bound = d + 1;
            } else if (rng.Below(++ties) == 0) {
                best = v;
            }
        });
        K[static_cast<size_t>(t)] = Sub[static_cast<size_t>(t)] = 0;
        const int q = next++;
        const int pv = T.Parent[static_cast<size_t>(best)];
        T.Child[static_cast<size_t>(q)] = {best, t};
        T.Parent[static_cast<size_t>(t)] = q;
        T.Parent[static_cast<size_t>(q)] = pv;
        if (pv < 0)
            T.Root = q;
        else
            ReplaceChild(T, pv, best, q);
        T.Parent[static_cast<size_t>(best)] = q;
        RecomputeUp<Missing, Weighted>(q);
    }
    return true;
}

bool TThoroughScorer::BuildByAddition(TRandom& rng, const std::atomic<bool>* stop)
{
    if (MissingRule)
        return Weights.Planes ? Build<true, true>(rng, stop) : Build<true, false>(rng, stop);
    return Weights.Planes ? Build<false, true>(rng, stop) : Build<false, false>(rng, stop);
}

TThoroughScorer::TClipMoves TThoroughScorer::AllMoves(int x)
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
        Regraft<Mi, We>(T.Root, SetS(x), SetM(x), bound,
                        [&](int v, std::int64_t d) { moves.Regraft[static_cast<size_t>(v)] = d; });
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
