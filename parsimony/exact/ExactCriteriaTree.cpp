#include "parsimony/exact/ExactCriteriaTree.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "parsimony/exact/ExactClades.h"

TCriteriaKind::TCriteriaKind(int objects, const TExactField* caminSokal,
                             const TGroupBound* caminSokalBound,
                             const TReversibleBounds* reversible, bool unrooted, bool objectBound,
                             bool groupBound, bool placeBound)
    : N(objects),
      Reversible(reversible),
      Unrooted(unrooted),
      ObjectBound(objectBound),
      GroupBound(groupBound),
      PlaceBound(placeBound)
{
    if (caminSokal)
        CaminSokal.emplace(
            TCaminSokalKind{*caminSokal, *caminSokalBound, objectBound, objectBound && placeBound});
}

std::unique_ptr<TCriteriaPartialTree> TCriteriaKind::MakeTree() const
{
    return std::make_unique<TCriteriaPartialTree>(*this);
}

TCriteriaPartialTree::TCriteriaPartialTree(const TCriteriaKind& kind) : K(&kind), N(kind.N)
{
    const size_t vertices = static_cast<size_t>(2 * N);
    Objects.assign(static_cast<size_t>(N), 0);
    Up.assign(vertices, -1);
    Down.assign(vertices, {-1, -1});
    Deltas.assign(vertices, 0);
    PlaceList.reserve(vertices);
    if (kind.CaminSokal) CaminSokalTree = std::make_unique<TPartialTree>(kind.CaminSokal->Field);
    if (kind.Reversible) Scorer = std::make_unique<TReversibleScorer>(kind.Reversible->Field());
}

TTreeView TCriteriaPartialTree::View() const
{
    return {RootVertex, Up.data(), Down.data(), N, Objects.data()};
}

void TCriteriaPartialTree::BuildPlaces()
{
    // Unrooted, the outgroup (tip 0) stays beside the root: joining above
    // it, or above the root, gives the tree of joining above its sibling.
    PlaceList.clear();
    const int first = K->Unrooted ? 1 : 0;
    for (int t = first; t < M; ++t) PlaceList.push_back(t);
    for (int j = 0; j < M - 1; ++j)
        if (!K->Unrooted || N + j != RootVertex) PlaceList.push_back(N + j);
}

void TCriteriaPartialTree::Rescore()
{
    ReversibleLength = Scorer ? Scorer->DownPass(View()) : 0;
    Stale = false;
    EdgesMade = false;
}

void TCriteriaPartialTree::Start(int objectA, int objectB)
{
    M = 2;
    const int r = N;
    Objects[0] = objectA;
    Objects[1] = objectB;
    Up[0] = Up[1] = r;
    Up[static_cast<size_t>(r)] = -1;
    Down[static_cast<size_t>(r)] = {0, 1};
    RootVertex = r;
    if (CaminSokalTree) CaminSokalTree->Start(objectA, objectB);
    Rescore();
    BuildPlaces();
}

void TCriteriaPartialTree::CopyFrom(const TCriteriaPartialTree& o)
{
    M = o.M;
    RootVertex = o.RootVertex;
    const long tips = M, nodes = M - 1, n = N;
    std::copy_n(o.Objects.begin(), tips, Objects.begin());
    std::copy_n(o.Up.begin(), tips, Up.begin());
    std::copy_n(o.Up.begin() + n, nodes, Up.begin() + n);
    std::copy_n(o.Down.begin() + n, nodes, Down.begin() + n);
    if (CaminSokalTree) CaminSokalTree->CopyFrom(*o.CaminSokalTree);
    PlaceList = o.PlaceList;
    // The reversible sets are not copied: counted anew when asked for (the
    // search inserts next, which counts them anyway).
    ReversibleLength = o.ReversibleLength;
    Stale = true;
    EdgesMade = false;
}

void TCriteriaPartialTree::Insert(int v, int x)
{
    const int t = M;
    const int u = N + M - 1;
    Objects[static_cast<size_t>(t)] = x;
    const int p = Up[static_cast<size_t>(v)];
    Up[static_cast<size_t>(u)] = p;
    if (p < 0)
        RootVertex = u;
    else
        Down[static_cast<size_t>(p)][Down[static_cast<size_t>(p)][0] == v ? 0 : 1] = u;
    Down[static_cast<size_t>(u)] = {v, t};
    Up[static_cast<size_t>(v)] = u;
    Up[static_cast<size_t>(t)] = u;
    ++M;
    if (CaminSokalTree) CaminSokalTree->Insert(v, x);
    Rescore();
    BuildPlaces();
}

const TReversibleScorer& TCriteriaPartialTree::EdgeSets()
{
    if (Stale) Rescore();
    if (!EdgesMade && Scorer) {
        Scorer->UpPass(View());
        EdgesMade = true;
    }
    return *Scorer;
}

void TCriteriaPartialTree::ScorePlaces(int x)
{
    BuildPlaces();
    if (CaminSokalTree) CaminSokalTree->ScorePlaces(x);
    const std::uint64_t* sx = Scorer ? Scorer->Field().Tip(x) : nullptr;
    if (Scorer) EdgeSets();
    for (int v : PlaceList)
        Deltas[static_cast<size_t>(v)] = (CaminSokalTree ? CaminSokalTree->Delta(v) : 0) +
                                         (Scorer ? Scorer->JoinCost(sx, v) : 0);
    // The cheapest places first: short trees are met early, and the first
    // upper bound falls soon.
    std::stable_sort(PlaceList.begin(), PlaceList.end(), [&](int a, int b) {
        return Deltas[static_cast<size_t>(a)] < Deltas[static_cast<size_t>(b)];
    });
}

void TCriteriaPartialTree::Clades(std::vector<std::uint64_t>& out) const
{
    PartialClades({N, M, Objects, Up}, out);
}

void TCriteriaPartialTree::CladesWith(int v, int x, std::vector<std::uint64_t>& out) const
{
    PartialCladesWith({N, M, Objects, Up}, v, x, out);
}

TCriteriaKind::Bounder::Bounder(const TCriteriaKind& kind, const std::vector<int>& order)
    : K(kind), Order(order), Scratch(kind.Reversible ? &kind.Reversible->Field() : nullptr)
{
    if (kind.CaminSokal) CaminSokal.emplace(*kind.CaminSokal, order);
}

std::int64_t TCriteriaKind::Bounder::Of(TCriteriaPartialTree& tree, std::int64_t best)
{
    // With one object left its places are scored exactly next: a bound
    // would cost more than it saves.
    if (!K.ObjectBound || tree.Tips() >= K.N - 1) return tree.Length();
    std::int64_t extra = 0;
    if (K.Reversible) {
        extra = ReversibleExtra(tree, nullptr, best - tree.Length() + 1);
        if (K.PlaceBound && tree.Length() + extra <= best)
            extra = std::max(extra, Completion(tree));
    }
    if (CaminSokal)
        extra += CaminSokal->Of(*tree.CaminSokal(), best - tree.ReversibleSteps() - extra) -
                 tree.CaminSokalLength();
    return tree.Length() + extra;
}

std::int64_t TCriteriaKind::Bounder::ReversibleExtra(TCriteriaPartialTree& tree,
                                                     const std::uint64_t* skip, std::int64_t cut)
{
    const TReversibleBounds& bounds = *K.Reversible;
    const TReversibleField& field = bounds.Field();
    const auto& blocks = field.Blocks();
    const int nb = static_cast<int>(blocks.size());
    const int w = field.Words();
    if (nb == 0) return 0;
    const TReversibleScorer& sets = tree.EdgeSets();
    const TTreeView view = tree.View();
    TReversibleBoundScratch& s = Scratch;
    auto used = [&](int k) { return bounds.Used(k) & (skip ? ~skip[k] : ~std::uint64_t{0}); };
    auto count = [](std::vector<std::int64_t>& counts, int k, std::uint64_t bits) {
        for (; bits; bits &= bits - 1)
            ++counts[static_cast<size_t>(k * 64 + std::countr_zero(bits))];
    };
    // Each character's steps on the partial tree.
    std::fill(s.Steps.begin(), s.Steps.end(), 0);
    std::fill(s.Fresh.begin(), s.Fresh.end(), 0);
    for (int j = 0; j < tree.Tips() - 1; ++j) {
        const auto& c = view.Child[static_cast<size_t>(K.N + j)];
        const std::uint64_t* a = sets.Down(c[0]);
        const std::uint64_t* b = sets.Down(c[1]);
        for (int k = 0; k < nb; ++k) {
            const TFitchBlock& blk = blocks[static_cast<size_t>(k)];
            std::uint64_t meet = 0;
            for (int p = 0; p < blk.Planes; ++p) meet |= a[blk.Offset + p] & b[blk.Offset + p];
            count(s.Steps, k, ~meet & used(k));
        }
    }
    // The states of the placed objects, and those the others hold alone.
    std::fill(s.Union.begin(), s.Union.end(), 0);
    std::fill(s.Rest.begin(), s.Rest.end(), 0);
    std::fill(s.Place.begin(), s.Place.end(), 0);
    for (int t = 0; t < tree.Tips(); ++t) {
        const std::uint64_t* cell = field.Tip(tree.TipObject(t));
        for (int i = 0; i < w; ++i) s.Union[static_cast<size_t>(i)] |= cell[i];
    }
    for (int k = tree.Tips(); k < K.N; ++k) {
        const std::uint64_t* single = bounds.Singles(Order[static_cast<size_t>(k)]);
        for (int i = 0; i < w; ++i) s.Rest[static_cast<size_t>(i)] |= single[i];
    }
    // A step wherever an object joins raises a character's bound only
    // where no new state does and its steps have reached its minimum.
    for (int k = 0; k < nb; ++k) {
        const TFitchBlock& blk = blocks[static_cast<size_t>(k)];
        std::uint64_t fresh = 0;
        for (int p = 0; p < blk.Planes; ++p) {
            const std::uint64_t n = s.Rest[static_cast<size_t>(blk.Offset + p)] &
                                    ~s.Union[static_cast<size_t>(blk.Offset + p)] & used(k);
            count(s.Fresh, k, n);
            fresh |= n;
        }
        std::uint64_t need = 0;
        for (std::uint64_t bits = used(k) & ~fresh; bits; bits &= bits - 1) {
            const int slot = k * 64 + std::countr_zero(bits);
            if (s.Steps[static_cast<size_t>(slot)] >= bounds.Minimum(slot))
                need |= bits & (~bits + 1);
        }
        s.Need[static_cast<size_t>(k)] = need;
    }
    // Per character: at least its steps so far and what is still to come,
    // and at least its minimum.
    auto total = [&] {
        std::int64_t extra = 0;
        for (int k = 0; k < nb; ++k) {
            const std::int64_t weight = blocks[static_cast<size_t>(k)].Weight;
            const std::uint64_t place = s.Place[static_cast<size_t>(k)];
            for (std::uint64_t bits = used(k); bits; bits &= bits - 1) {
                const int bit = std::countr_zero(bits);
                const size_t slot = static_cast<size_t>(k * 64 + bit);
                const std::int64_t later = std::max<std::int64_t>(
                    s.Fresh[slot], static_cast<std::int64_t>((place >> bit) & 1U));
                const std::int64_t lower = s.Steps[slot] + later;
                const std::int64_t least = bounds.Minimum(static_cast<int>(slot));
                extra += weight * (std::max(lower, least) - s.Steps[slot]);
                s.Low[slot] = lower <= least;
            }
        }
        if (K.GroupBound)
            for (const TReversibleBounds::TGroup& g : bounds.Groups()) {
                std::int64_t low = 0;
                for (int slot : g.Slots)
                    low +=
                        s.Low[static_cast<size_t>(slot)] && ((used(slot / 64) >> (slot % 64)) & 1U);
                if (low > 1) extra += g.Weight * (low - 1);
            }
        return extra;
    };
    // The place bits raise the bound by at most one step of each character
    // that needs them: skipped when that cannot reach the cut.
    std::int64_t gain = 0;
    for (int k = 0; k < nb; ++k)
        gain +=
            blocks[static_cast<size_t>(k)].Weight * std::popcount(s.Need[static_cast<size_t>(k)]);
    const std::int64_t without = total();
    if (gain == 0 || (cut != ExactNoBound && (without >= cut || without + gain < cut)))
        return without;
    const std::vector<int>& places = tree.Places();
    for (int k = tree.Tips(); k < K.N; ++k) {
        // The characters x meets at no place: a step wherever it joins.
        const std::uint64_t* cell = field.Tip(Order[static_cast<size_t>(k)]);
        bool any = false;
        for (int b = 0; b < nb; ++b) {
            s.Must[static_cast<size_t>(b)] =
                s.Need[static_cast<size_t>(b)] & ~s.Place[static_cast<size_t>(b)];
            any = any || s.Must[static_cast<size_t>(b)] != 0;
        }
        for (size_t q = 0; q < places.size() && any; ++q) {
            const std::uint64_t* e = sets.Edge(places[q]);
            any = false;
            for (int b = 0; b < nb; ++b) {
                if (!s.Must[static_cast<size_t>(b)]) continue;
                const TFitchBlock& blk = blocks[static_cast<size_t>(b)];
                std::uint64_t meet = 0;
                for (int p = 0; p < blk.Planes; ++p)
                    meet |= cell[blk.Offset + p] & e[blk.Offset + p];
                s.Must[static_cast<size_t>(b)] &= ~meet;
                any = any || s.Must[static_cast<size_t>(b)] != 0;
            }
        }
        if (any)
            for (int b = 0; b < nb; ++b)
                s.Place[static_cast<size_t>(b)] |= s.Must[static_cast<size_t>(b)];
    }
    return total();
}

std::int64_t TCriteriaKind::Bounder::Completion(TCriteriaPartialTree& tree)
{
    // The characters are shared out among the objects still to add: each
    // object takes those its cheapest place (on the characters not yet
    // taken) gives a step, and adds at least the fewest steps of them at any
    // one place, since it joins all characters at the same place. The
    // characters left over keep the bounds above.
    const TReversibleField& field = K.Reversible->Field();
    const auto& blocks = field.Blocks();
    const int nb = static_cast<int>(blocks.size());
    if (nb == 0) return 0;
    const TReversibleScorer& sets = tree.EdgeSets();
    TReversibleBoundScratch& s = Scratch;
    std::fill(s.Taken.begin(), s.Taken.end(), 0);
    const std::vector<int>& places = tree.Places();
    // The weighted steps of x joining above v among the characters in mask
    // (none: all not taken); conflict, if given, receives those characters.
    auto cost = [&](const std::uint64_t* cell, int v, const std::uint64_t* mask,
                    std::uint64_t* conflict) {
        const std::uint64_t* e = sets.Edge(v);
        std::int64_t steps = 0;
        for (int b = 0; b < nb; ++b) {
            const TFitchBlock& blk = blocks[static_cast<size_t>(b)];
            std::uint64_t meet = 0;
            for (int p = 0; p < blk.Planes; ++p) meet |= cell[blk.Offset + p] & e[blk.Offset + p];
            const std::uint64_t among =
                mask ? mask[b] : K.Reversible->Used(b) & ~s.Taken[static_cast<size_t>(b)];
            const std::uint64_t paid = ~meet & among;
            if (conflict) conflict[b] = paid;
            steps += blk.Weight * std::popcount(paid);
        }
        return steps;
    };
    std::int64_t sum = 0;
    for (int k = tree.Tips(); k < K.N; ++k) {
        const std::uint64_t* cell = field.Tip(Order[static_cast<size_t>(k)]);
        int at = -1;
        std::int64_t cheapest = std::numeric_limits<std::int64_t>::max();
        for (int v : places) {
            const std::int64_t c = cost(cell, v, nullptr, nullptr);
            if (c < cheapest) {
                cheapest = c;
                at = v;
            }
        }
        if (at < 0 || cheapest == 0) continue;
        cost(cell, at, nullptr, s.Conflict.data());
        std::int64_t fewest = cheapest;
        for (int v : places) fewest = std::min(fewest, cost(cell, v, s.Conflict.data(), nullptr));
        sum += fewest;
        for (int b = 0; b < nb; ++b)
            s.Taken[static_cast<size_t>(b)] |= s.Conflict[static_cast<size_t>(b)];
    }
    return sum + ReversibleExtra(tree, s.Taken.data(), ExactNoBound);
}
