#include "parsimony/exact/ExactPartial.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "parsimony/exact/ExactClades.h"
#include "parsimony/length/PackedKernels.h"

namespace {
// The masked forms of the insertion kernels: steps of the bits in b only.
VARNO_KERNEL std::int64_t MaskedSteps2(int w, const u64* a1, const u64* a2, const u64* p,
                                       const u64* b)
{
    std::int64_t n = 0;
    for (int i = 0; i < w; ++i)
        n += std::popcount(a1[i] & ~p[i] & b[i]) + std::popcount(a2[i] & ~p[i] & b[i]);
    return n;
}
}  // namespace

TPartialTree::TPartialTree(const TExactField& field)
    : Field(&field), N(field.Objects()), W(field.Words())
{
    const size_t vertices = static_cast<size_t>(2 * N);
    Objects.assign(static_cast<size_t>(N), 0);
    Up.assign(vertices, -1);
    Down.assign(vertices, {-1, -1});
    S.assign(vertices * static_cast<size_t>(W), 0);
    Ms.assign(vertices * static_cast<size_t>(W), 0);
    K.assign(vertices, 0);
    Added.assign(vertices * static_cast<size_t>(W), 0);
    H.assign(vertices, 0);
    Deltas.assign(vertices, 0);
    Pre.reserve(vertices);
    PlaceList.reserve(vertices);
}

void TPartialTree::BuildPlaces()
{
    PlaceList.clear();
    for (int t = 0; t < M; ++t) PlaceList.push_back(t);
    for (int j = 0; j < M - 1; ++j) PlaceList.push_back(N + j);
}

void TPartialTree::Start(int objectA, int objectB)
{
    M = 2;
    const int r = N;
    const int xs[2] = {objectA, objectB};
    for (int t = 0; t < 2; ++t) {
        Objects[static_cast<size_t>(t)] = xs[t];
        std::memcpy(Set(t), Field->States(xs[t]), sizeof(std::uint64_t) * static_cast<size_t>(W));
        std::memcpy(DataMask(t), Field->Mask(xs[t]),
                    sizeof(std::uint64_t) * static_cast<size_t>(W));
        Up[static_cast<size_t>(t)] = r;
    }
    Up[static_cast<size_t>(r)] = -1;
    Down[static_cast<size_t>(r)] = {0, 1};
    RootVertex = r;
    K[static_cast<size_t>(r)] =
        CombineNode(true, W, Set(0), DataMask(0), Set(1), DataMask(1), Set(r), DataMask(r));
    TreeLength = K[static_cast<size_t>(r)];
    BuildPlaces();
}

void TPartialTree::CopyFrom(const TPartialTree& o)
{
    M = o.M;
    RootVertex = o.RootVertex;
    TreeLength = o.TreeLength;
    const size_t tips = static_cast<size_t>(M), nodes = static_cast<size_t>(M - 1),
                 n = static_cast<size_t>(N);
    const size_t w = static_cast<size_t>(W);
    std::copy_n(o.Objects.begin(), tips, Objects.begin());
    std::copy_n(o.Up.begin(), tips, Up.begin());
    std::copy_n(o.Up.begin() + static_cast<long>(n), nodes, Up.begin() + static_cast<long>(n));
    std::copy_n(o.Down.begin() + static_cast<long>(n), nodes, Down.begin() + static_cast<long>(n));
    std::copy_n(o.K.begin() + static_cast<long>(n), nodes, K.begin() + static_cast<long>(n));
    std::copy_n(o.S.begin(), tips * w, S.begin());
    std::copy_n(o.Ms.begin(), tips * w, Ms.begin());
    std::copy_n(o.S.begin() + static_cast<long>(n * w), nodes * w,
                S.begin() + static_cast<long>(n * w));
    std::copy_n(o.Ms.begin() + static_cast<long>(n * w), nodes * w,
                Ms.begin() + static_cast<long>(n * w));
    PlaceList = o.PlaceList;
}

void TPartialTree::Insert(int v, int x)
{
    const int t = M;
    const int u = N + M - 1;
    Objects[static_cast<size_t>(t)] = x;
    std::memcpy(Set(t), Field->States(x), sizeof(std::uint64_t) * static_cast<size_t>(W));
    std::memcpy(DataMask(t), Field->Mask(x), sizeof(std::uint64_t) * static_cast<size_t>(W));
    const int p = Up[static_cast<size_t>(v)];
    Up[static_cast<size_t>(u)] = p;
    if (p < 0)
        RootVertex = u;
    else
        Down[static_cast<size_t>(p)][Down[static_cast<size_t>(p)][0] == v ? 0 : 1] = u;
    Down[static_cast<size_t>(u)] = {v, t};
    Up[static_cast<size_t>(v)] = u;
    Up[static_cast<size_t>(t)] = u;
    K[static_cast<size_t>(u)] = 0;
    ++M;
    // Only the new node and its ancestors change; once a node's sets stay
    // the same, nothing above it moves.
    std::uint64_t oldS[8], oldM[8];
    const bool compare = W <= 8;
    for (int a = u; a >= 0; a = Up[static_cast<size_t>(a)]) {
        const auto [c1, c2] = Down[static_cast<size_t>(a)];
        if (compare) {
            std::memcpy(oldS, Set(a), sizeof(std::uint64_t) * static_cast<size_t>(W));
            std::memcpy(oldM, DataMask(a), sizeof(std::uint64_t) * static_cast<size_t>(W));
        }
        const std::int64_t k =
            CombineNode(true, W, Set(c1), DataMask(c1), Set(c2), DataMask(c2), Set(a), DataMask(a));
        TreeLength += k - K[static_cast<size_t>(a)];
        K[static_cast<size_t>(a)] = k;
        if (a != u && compare &&
            std::memcmp(oldS, Set(a), sizeof(std::uint64_t) * static_cast<size_t>(W)) == 0 &&
            std::memcmp(oldM, DataMask(a), sizeof(std::uint64_t) * static_cast<size_t>(W)) == 0)
            break;
    }
    BuildPlaces();
}

// The insertion kernels written out here, so that the popcount build of this
// function keeps them inline: this loop is most of the search's time.
void TPartialTree::InnerPreOrder()
{
    Pre.clear();
    Pre.push_back(RootVertex);
    for (size_t k = 0; k < Pre.size(); ++k)
        for (int c : Down[static_cast<size_t>(Pre[k])])
            if (c >= N) Pre.push_back(c);
}

VARNO_KERNEL void TPartialTree::ScorePlaces(int x)
{
    const std::uint64_t* sx = Field->States(x);
    const std::uint64_t* mx = Field->Mask(x);
    const size_t w = static_cast<size_t>(W);
    for (int v : PlaceList) {
        const std::uint64_t* s = Set(v);
        const std::uint64_t* m = DataMask(v);
        std::uint64_t* out = &Added[static_cast<size_t>(v) * w];
        for (size_t i = 0; i < w; ++i) out[i] = (s[i] | ~m[i]) & (sx[i] | ~mx[i]) & (m[i] | mx[i]);
    }
    // H[v]: how the steps of the branches below v's ancestors change when x
    // joins below v.
    InnerPreOrder();
    H[static_cast<size_t>(RootVertex)] = 0;
    for (int a : Pre) {
        const auto [c1, c2] = Down[static_cast<size_t>(a)];
        const std::uint64_t* pa = &Added[static_cast<size_t>(a) * w];
        const std::uint64_t* s1 = Set(c1);
        const std::uint64_t* s2 = Set(c2);
        const std::uint64_t* p1 = &Added[static_cast<size_t>(c1) * w];
        const std::uint64_t* p2 = &Added[static_cast<size_t>(c2) * w];
        std::int64_t via1 = 0, via2 = 0;
        for (size_t i = 0; i < w; ++i) {
            via1 += std::popcount(p1[i] & ~pa[i]) + std::popcount(s2[i] & ~pa[i]);
            via2 += std::popcount(s1[i] & ~pa[i]) + std::popcount(p2[i] & ~pa[i]);
        }
        const std::int64_t above = H[static_cast<size_t>(a)] - K[static_cast<size_t>(a)];
        H[static_cast<size_t>(c1)] = above + via1;
        H[static_cast<size_t>(c2)] = above + via2;
    }
    for (int v : PlaceList) {
        const std::uint64_t* s = Set(v);
        const std::uint64_t* p = &Added[static_cast<size_t>(v) * w];
        std::int64_t d = H[static_cast<size_t>(v)];
        for (size_t i = 0; i < w; ++i)
            d += std::popcount(s[i] & ~p[i]) + std::popcount(sx[i] & ~p[i]);
        Deltas[static_cast<size_t>(v)] = d;
    }
}

void TPartialTree::CountSteps(std::uint64_t* ones, std::uint64_t* twos) const
{
    std::fill(ones, ones + W, 0);
    std::fill(twos, twos + W, 0);
    for (int v : PlaceList) {
        const int p = Up[static_cast<size_t>(v)];
        if (p < 0) continue;
        const std::uint64_t* s = Set(v);
        const std::uint64_t* sp = Set(p);
        for (int i = 0; i < W; ++i) {
            const std::uint64_t d = s[i] & ~sp[i];
            twos[i] |= ones[i] & d;
            ones[i] |= d;
        }
    }
}

void TPartialTree::Clades(std::vector<std::uint64_t>& out) const
{
    PartialClades({N, M, Objects, Up}, out);
}

void TPartialTree::CladesWith(int v, int x, std::vector<std::uint64_t>& out) const
{
    PartialCladesWith({N, M, Objects, Up}, v, x, out);
}

std::int64_t TPartialTree::CheapestPlace(int x, const std::uint64_t* mask, std::uint64_t* conflict)
{
    const std::uint64_t* sx = Field->States(x);
    const std::uint64_t* mx = Field->Mask(x);
    const size_t w = static_cast<size_t>(W);
    if (!mask) {
        AllBits.assign(w, ~std::uint64_t{0});
        mask = AllBits.data();
    }
    auto added = [&](int v) { return &Added[static_cast<size_t>(v) * w]; };
    for (int v : PlaceList) AddedSet(true, W, Set(v), DataMask(v), sx, mx, added(v));
    InnerPreOrder();
    H[static_cast<size_t>(RootVertex)] = 0;
    for (int a : Pre) {
        const auto [c1, c2] = Down[static_cast<size_t>(a)];
        const std::int64_t above =
            H[static_cast<size_t>(a)] - MaskedSteps2(W, Set(c1), Set(c2), Set(a), mask);
        H[static_cast<size_t>(c1)] = above + MaskedSteps2(W, added(c1), Set(c2), added(a), mask);
        H[static_cast<size_t>(c2)] = above + MaskedSteps2(W, Set(c1), added(c2), added(a), mask);
    }
    std::int64_t best = -1;
    int at = PlaceList.front();
    for (int v : PlaceList) {
        const std::int64_t d =
            H[static_cast<size_t>(v)] + MaskedSteps2(W, Set(v), sx, added(v), mask);
        if (best < 0 || d < best) {
            best = d;
            at = v;
        }
    }
    if (conflict)
        for (size_t i = 0; i < w; ++i) conflict[i] = (Set(at)[i] | sx[i]) & ~added(at)[i] & mask[i];
    return best;
}
