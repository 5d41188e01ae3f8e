#include "parsimony/length/SwapScoring.h"

#include <algorithm>

#include "parsimony/length/PackedKernels.h"

TSwapScorer::TSwapScorer(const TPackedField& field, bool missingData, int slotCount)
    : Field(&field),
      Missing(missingData),
      W(field.Words()),
      MaxTips(field.ObjectCount()),
      Slots(static_cast<size_t>(std::max(slotCount, 0)))
{
    const size_t vertices = static_cast<size_t>(2 * MaxTips + 1);
    NewS.assign(vertices * static_cast<size_t>(W), 0);
    NewM.assign(vertices * static_cast<size_t>(W), 0);
    Stamp.assign(vertices, 0);
}

const std::uint64_t* TSwapScorer::SetOf(const TSlot& slot, int v) const
{
    if (v <= MaxTips) return Field->States(slot.TipObject[static_cast<size_t>(v)]);
    return slot.S.data() + static_cast<size_t>(v) * static_cast<size_t>(W);
}

const std::uint64_t* TSwapScorer::MaskOf(const TSlot& slot, int v) const
{
    if (v <= MaxTips) return Field->Mask(slot.TipObject[static_cast<size_t>(v)]);
    return slot.M.data() + static_cast<size_t>(v) * static_cast<size_t>(W);
}

std::int64_t TSwapScorer::Remember(int slotNo, const TTree& tree)
{
    if (slotNo >= static_cast<int>(Slots.size())) Slots.resize(static_cast<size_t>(slotNo) + 1);
    TSlot& slot = Slots[static_cast<size_t>(slotNo)];
    const int t = tree.TipCount();
    const size_t vertices = static_cast<size_t>(2 * MaxTips + 1);
    slot.S.resize(vertices * static_cast<size_t>(W));
    slot.M.resize(vertices * static_cast<size_t>(W));
    slot.K.assign(vertices, 0);
    slot.Parent.assign(vertices, -1);
    slot.Children.assign(vertices, {-1, -1});
    slot.TipObject.assign(static_cast<size_t>(MaxTips) + 1, 0);
    int root = -1;
    auto link = [&](size_t v, int anc) {
        if (anc == 0) {
            root = static_cast<int>(v);
            return;
        }
        const size_t p = Vertex(anc, false);
        slot.Parent[v] = static_cast<int>(p);
        auto& kids = slot.Children[p];
        (kids[0] < 0 ? kids[0] : kids[1]) = static_cast<int>(v);
    };
    for (int i = 1; i <= t; ++i) {
        slot.TipObject[static_cast<size_t>(i)] = tree.Tips[static_cast<size_t>(i)].Objects[0];
        link(Vertex(i, true), tree.Tips[static_cast<size_t>(i)].Anc);
    }
    for (int j = 1; j < t; ++j) link(Vertex(j, false), tree.Nodes[static_cast<size_t>(j)].Anc);
    // Children before parents: reverse of a walk from the root.
    Order.clear();
    if (root >= 0) Order.push_back(root);
    for (size_t k = 0; k < Order.size(); ++k)
        for (int c : slot.Children[static_cast<size_t>(Order[k])])
            if (c > MaxTips) Order.push_back(c);
    slot.Length = 0;
    for (auto it = Order.rbegin(); it != Order.rend(); ++it) {
        const int v = *it;
        const auto [c1, c2] = slot.Children[static_cast<size_t>(v)];
        const size_t at = static_cast<size_t>(v) * static_cast<size_t>(W);
        const std::int64_t k =
            CombineNode(Missing, W, SetOf(slot, c1), MaskOf(slot, c1), SetOf(slot, c2),
                        MaskOf(slot, c2), slot.S.data() + at, slot.M.data() + at);
        slot.K[static_cast<size_t>(v)] = k;
        slot.Length += k;
    }
    return slot.Length;
}

std::int64_t TSwapScorer::SwapLength(int slotNo, int numA, bool tipA, int numB, bool tipB)
{
    const TSlot& slot = Slots[static_cast<size_t>(slotNo)];
    const int a = static_cast<int>(Vertex(numA, tipA));
    const int b = static_cast<int>(Vertex(numB, tipB));
    const int pa = slot.Parent[static_cast<size_t>(a)];
    const int pb = slot.Parent[static_cast<size_t>(b)];
    if (++Call == 0) {  // the stamps wrapped around: start afresh
        std::fill(Stamp.begin(), Stamp.end(), 0);
        Call = 1;
    }
    // The nodes whose sets change: pa, pb and everything above them. Bottom
    // up: pa's way up to where pb's way joins it, pb's way there, then the rest.
    Order.clear();
    for (int v = pa; v >= 0; v = slot.Parent[static_cast<size_t>(v)]) {
        Order.push_back(v);
        Stamp[static_cast<size_t>(v)] = Call;
    }
    Second.clear();
    int v = pb;
    while (v >= 0 && Stamp[static_cast<size_t>(v)] != Call) {
        Second.push_back(v);
        Stamp[static_cast<size_t>(v)] = Call;
        v = slot.Parent[static_cast<size_t>(v)];
    }
    const auto join = v >= 0 ? std::find(Order.begin(), Order.end(), v) : Order.end();
    Order.insert(join, Second.begin(), Second.end());
    std::int64_t delta = 0;
    for (int v : Order) {
        int c[2] = {slot.Children[static_cast<size_t>(v)][0],
                    slot.Children[static_cast<size_t>(v)][1]};
        for (int& child : c) {
            if (v == pa && child == a)
                child = b;
            else if (v == pb && child == b)
                child = a;
        }
        const std::uint64_t* s[2];
        const std::uint64_t* m[2];
        for (int k = 0; k < 2; ++k) {
            const bool changed = c[k] > MaxTips && Stamp[static_cast<size_t>(c[k])] == Call;
            const size_t at = static_cast<size_t>(c[k]) * static_cast<size_t>(W);
            s[k] = changed ? NewS.data() + at : SetOf(slot, c[k]);
            m[k] = changed ? NewM.data() + at : MaskOf(slot, c[k]);
        }
        const size_t at = static_cast<size_t>(v) * static_cast<size_t>(W);
        delta +=
            CombineNode(Missing, W, s[0], m[0], s[1], m[1], NewS.data() + at, NewM.data() + at) -
            slot.K[static_cast<size_t>(v)];
    }
    return slot.Length + delta;
}
