#include "parsimony/thorough/ThoroughScorer.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <limits>

#include "parsimony/thorough/ThoroughKernels.h"

using namespace thorough_detail;
using u64 = std::uint64_t;

namespace {
int HighestMember(const TInclusion& s)
{
    for (int w = 3; w >= 0; --w)
        if (s.Word(w)) return w * 64 + 63 - std::countl_zero(s.Word(w));
    return -1;
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
    // The counting kernels read two planes at least (an empty second one here).
    w.Bits.assign(static_cast<size_t>(std::max(2, w.Planes)) * static_cast<size_t>(layout.Words),
                  0);
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

TThoroughScorer::TThoroughScorer(const TPackedField& field, bool missingData,
                                 const TPackedLayout* layout, const std::vector<int>& baseWeights)
    : Field(&field),
      Layout(layout),
      MissingRule(missingData),
      W(field.Words()),
      N(field.ObjectCount())
{
    if (layout) Base = WeightsFromCharacters(*layout, baseWeights);
    Weights = Base;
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

template <bool Missing, bool Weighted>
VARNO_KERNEL void TThoroughScorer::Evaluate()
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

void TThoroughScorer::SetCharacterWeights(const std::vector<int>& weights)
{
    if (weights.empty() || !Layout) {
        SetWeights(&Base);
        return;
    }
    const TBitWeights bits = WeightsFromCharacters(*Layout, weights);
    SetWeights(&bits);
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
VARNO_KERNEL bool TThoroughScorer::Build(TRandom& rng, const std::atomic<bool>* stop)
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
        JoinAbove(T, best, t, q);
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
