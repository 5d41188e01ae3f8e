#include "parsimony/length/PackedStates.h"

#include <bit>

#include "parsimony/length/PackedKernels.h"

namespace {
int HighestMember(const TInclusion& s)
{
    for (int w = 3; w >= 0; --w)
        if (s.Word(w)) return w * 64 + 63 - std::countl_zero(s.Word(w));
    return -1;
}

inline void SetBit(std::uint64_t* words, int bit)
{
    words[bit >> 6] |= std::uint64_t{1} << (bit & 63);
}

}  // namespace

TPackedField::TPackedField(const TSField& charField, int objectCount, int characterCount)
    : Objects(objectCount)
{
    auto inc = [&](int c, int o) -> const TInclusion* {
        if (c > charField.Places.Count()) return nullptr;
        const TNumbered<TInclusion>& column = charField.Places[c].Inc;
        return o <= column.Count() ? &column[o] : nullptr;
    };
    // Each character gets as many bits as its highest state used by any object.
    std::vector<int> offset(static_cast<size_t>(characterCount) + 1, 0);
    std::vector<int> width(static_cast<size_t>(characterCount) + 1, 0);
    int bits = 0;
    for (int c = 1; c <= characterCount; ++c) {
        int high = -1;
        for (int o = 1; o <= objectCount; ++o)
            if (const TInclusion* s = inc(c, o)) high = std::max(high, HighestMember(*s));
        offset[static_cast<size_t>(c)] = bits;
        width[static_cast<size_t>(c)] = high + 1;
        bits += high + 1;
    }
    WordCount = std::max(1, (bits + 63) / 64);
    StateBits.assign(Index(objectCount + 1), 0);
    MaskBits.assign(Index(objectCount + 1), 0);
    for (int o = 1; o <= objectCount; ++o) {
        std::uint64_t* states = StateBits.data() + Index(o);
        std::uint64_t* mask = MaskBits.data() + Index(o);
        for (int c = 1; c <= characterCount; ++c) {
            const TInclusion* s = inc(c, o);
            if (!s || s->IsEmpty()) continue;
            const int base = offset[static_cast<size_t>(c)];
            for (int k = 0; k < width[static_cast<size_t>(c)]; ++k) {
                SetBit(mask, base + k);
                if (s->Contains(k)) SetBit(states, base + k);
            }
        }
    }
}

TTreeScorer::TTreeScorer(const TPackedField& field, bool missingData)
    : Field(&field), Missing(missingData), W(field.Words()), MaxTips(field.ObjectCount())
{
    const size_t vertices = static_cast<size_t>(2 * MaxTips + 1);
    S.assign(vertices * static_cast<size_t>(W), 0);
    M.assign(vertices * static_cast<size_t>(W), 0);
    SAdded.assign(vertices * static_cast<size_t>(W), 0);
    SPtr.assign(vertices, nullptr);
    MPtr.assign(vertices, nullptr);
    Children.assign(vertices, {-1, -1});
    Parent.assign(vertices, -1);
    K.assign(vertices, 0);
    H.assign(vertices, 0);
    PreOrder.reserve(vertices);
}

void TTreeScorer::BuildOrder(const TTree& tree, int tipCount)
{
    const int nodeCount = tipCount - 1;
    std::vector<int> count(static_cast<size_t>(nodeCount) + 1, 0);
    auto addChild = [&](int anc, size_t v) {
        if (anc < 1 || anc > nodeCount) return;
        int& n = count[static_cast<size_t>(anc)];
        if (n < 2) Children[Vertex(anc, false)][static_cast<size_t>(n)] = static_cast<int>(v);
        ++n;
    };
    int root = 0;
    for (int j = 1; j <= nodeCount; ++j) Children[Vertex(j, false)] = {-1, -1};
    for (int i = 1; i <= tipCount; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        const size_t v = Vertex(i, true);
        SPtr[v] = Field->States(tip.Objects[0]);
        MPtr[v] = Field->Mask(tip.Objects[0]);
        Parent[v] = static_cast<int>(Vertex(tip.Anc, false));
        addChild(tip.Anc, v);
    }
    for (int j = 1; j <= nodeCount; ++j) {
        const int anc = tree.Nodes[static_cast<size_t>(j)].Anc;
        const size_t v = Vertex(j, false);
        SPtr[v] = NodeS(v);
        MPtr[v] = NodeM(v);
        Parent[v] = anc == 0 ? -1 : static_cast<int>(Vertex(anc, false));
        if (anc == 0 && root == 0) root = j;
        addChild(anc, v);
    }
    PreOrder.clear();
    if (root == 0) return;
    // Iterative walk: deep trees never touch the call stack.
    PreOrder.push_back(static_cast<int>(Vertex(root, false)));
    for (size_t k = 0; k < PreOrder.size(); ++k) {
        for (int c : Children[static_cast<size_t>(PreOrder[k])])
            if (c > MaxTips) PreOrder.push_back(c);
    }
}

template <bool MissingRule>
std::int64_t TTreeScorer::Score(const TTree& tree, int tipCount)
{
    BuildOrder(tree, tipCount);
    std::int64_t length = 0;
    for (auto it = PreOrder.rbegin(); it != PreOrder.rend(); ++it) {
        const size_t v = static_cast<size_t>(*it);
        const int c1 = Children[v][0], c2 = Children[v][1];
        std::uint64_t* s = NodeS(v);
        std::uint64_t* m = NodeM(v);
        if (c1 < 0 || c2 < 0) {  // not binary: scored as empty
            std::fill(s, s + W, 0);
            std::fill(m, m + W, 0);
            K[v] = 0;
            continue;
        }
        const std::int64_t k = CombineNode(
            MissingRule, W, SPtr[static_cast<size_t>(c1)], MPtr[static_cast<size_t>(c1)],
            SPtr[static_cast<size_t>(c2)], MPtr[static_cast<size_t>(c2)], s, m);
        K[v] = k;
        length += k;
    }
    return length;
}

std::int64_t TTreeScorer::Length(const TTree& tree, int tipCount)
{
    return Missing ? Score<true>(tree, tipCount) : Score<false>(tree, tipCount);
}

void TTreeScorer::Evaluate(TTree& tree)
{
    DeriveTopology(tree);
    const int t = tree.TipCount();
    tree.MissingDataStates = Missing;
    if (t < 2) {  // nothing to count
        tree.Fitness = 0;
        return;
    }
    const std::int64_t length = Length(tree, t);
    auto fit = [&](size_t v) -> double {
        if (Parent[v] < 0) return 0;
        return static_cast<double>(BranchSteps(W, SPtr[v], SPtr[static_cast<size_t>(Parent[v])]));
    };
    for (int i = 1; i <= t; ++i) tree.Tips[static_cast<size_t>(i)].Fit = fit(Vertex(i, true));
    for (int j = 1; j < t && j <= tree.NodeCount(); ++j)
        tree.Nodes[static_cast<size_t>(j)].Fit = fit(Vertex(j, false));
    tree.Fitness = static_cast<double>(length);
}

template <bool MissingRule>
TInsertionPoint TTreeScorer::Insert(const TTree& tree, int tipCount, int object)
{
    const std::int64_t length = Score<MissingRule>(tree, tipCount);
    const std::uint64_t* sx = Field->States(object);
    const std::uint64_t* mx = Field->Mask(object);
    const int nodeCount = tipCount - 1;

    // Every vertex's set once the new object lies below it.
    auto added = [&](size_t v) {
        AddedSet(MissingRule, W, SPtr[v], MPtr[v], sx, mx,
                 SAdded.data() + v * static_cast<size_t>(W));
    };
    for (int i = 1; i <= tipCount; ++i) added(Vertex(i, true));
    for (int j = 1; j <= nodeCount; ++j) added(Vertex(j, false));

    // H[v]: how the fits of the branches hanging from v's ancestors change
    // when the object joins below v (the sets of all ancestors shrink).
    for (int v : PreOrder) {
        const size_t a = static_cast<size_t>(v);
        const int c1 = Children[a][0], c2 = Children[a][1];
        if (c1 < 0 || c2 < 0) continue;
        const std::uint64_t* pa = SAdded.data() + a * static_cast<size_t>(W);
        const std::uint64_t* s1 = SPtr[static_cast<size_t>(c1)];
        const std::uint64_t* s2 = SPtr[static_cast<size_t>(c2)];
        const std::uint64_t* p1 = SAdded.data() + static_cast<size_t>(c1) * static_cast<size_t>(W);
        const std::uint64_t* p2 = SAdded.data() + static_cast<size_t>(c2) * static_cast<size_t>(W);
        std::int64_t via1 = 0, via2 = 0;
        ViaCounts(W, pa, s1, s2, p1, p2, &via1, &via2);
        const std::int64_t above = Parent[a] < 0 ? 0 : H[a];
        H[static_cast<size_t>(c1)] = above + via1 - K[a];
        H[static_cast<size_t>(c2)] = above + via2 - K[a];
    }

    TInsertionPoint best;
    bool first = true;
    auto consider = [&](int num, bool isTip) {
        const size_t v = Vertex(num, isTip);
        const std::uint64_t* s = SPtr[v];
        const std::uint64_t* p = SAdded.data() + v * static_cast<size_t>(W);
        const std::int64_t delta = (Parent[v] < 0 ? 0 : H[v]) + NewNodeSteps(W, s, p, sx);
        const std::int64_t candidate = length + delta;
        if (first || candidate < best.Length) best = {isTip, num, candidate};
        first = false;
    };
    for (int i = 1; i <= tipCount; ++i) consider(i, true);
    for (int j = 1; j <= nodeCount; ++j) consider(j, false);
    return best;
}

TInsertionPoint TTreeScorer::BestInsertion(const TTree& tree, int tipCount, int object)
{
    return Missing ? Insert<true>(tree, tipCount, object) : Insert<false>(tree, tipCount, object);
}
