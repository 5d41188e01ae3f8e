#include "parsimony/thorough/ThoroughSectors.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

TSectorSettings SectorSizesFor(int tips, const TSectorSettings& asked)
{
    TSectorSettings s = asked;
    if (s.Max <= 0) s.Max = std::clamp(tips / 4, 8, 60);
    if (s.Min <= 0) s.Min = std::max(MinSectorUnits, s.Max / 3);
    s.Max = std::max(1, std::min(s.Max, tips));
    s.Min = std::max(1, std::min(s.Min, s.Max));
    if (s.Count <= 0) s.Count = std::clamp(2 * tips / (s.Min + s.Max), 1, 8);
    return s;
}

namespace {
template <typename T>
void Shuffle(std::vector<T>& v, TRandom& rng)
{
    for (size_t i = v.size(); i > 1; --i)
        std::swap(v[i - 1], v[static_cast<size_t>(rng.Below(static_cast<int>(i)))]);
}

void SwapChild(TCompactTree& t, int parent, int from, int to)
{
    auto& c = t.Child[static_cast<size_t>(parent)];
    (c[0] == from ? c[0] : c[1]) = to;
}

// The vertices of one sector; moves inside it keep this set of vertices.
struct TSector {
    std::vector<char> In;  // per vertex: a unit or an inner vertex of the sector
    std::vector<int> Units;
    std::vector<int> Inner;
    std::vector<int> All;  // units and inner vertices
    int Above = -1;        // the vertex above the sector; -1: the whole tree

    int Root(const TCompactTree& t) const
    {
        if (Above < 0) return t.Root;
        const auto& c = t.Child[static_cast<size_t>(Above)];
        return In[static_cast<size_t>(c[0])] ? c[0] : c[1];
    }
};

// A random clade of `units` to 2 * units objects, cut into `units` units by
// splitting the largest unit again and again (or into its objects).
bool PickSector(const TCompactTree& t, TRandom& rng, int units, TSector& s)
{
    const size_t vertices = static_cast<size_t>(t.Vertices());
    std::vector<int> size(vertices, 1);
    for (int v : PostOrder(t))
        if (!t.IsTip(v))
            size[static_cast<size_t>(v)] =
                size[static_cast<size_t>(t.Child[static_cast<size_t>(v)][0])] +
                size[static_cast<size_t>(t.Child[static_cast<size_t>(v)][1])];
    std::vector<int> candidates;
    for (int v = t.Tips; v < t.Vertices(); ++v)
        if (size[static_cast<size_t>(v)] >= units && size[static_cast<size_t>(v)] <= 2 * units)
            candidates.push_back(v);
    if (candidates.empty()) return false;
    const int root =
        candidates[static_cast<size_t>(rng.Below(static_cast<int>(candidates.size())))];
    s.In.assign(vertices, 0);
    s.Above = t.Parent[static_cast<size_t>(root)];
    s.Inner = {root};
    s.Units = {t.Child[static_cast<size_t>(root)][0], t.Child[static_cast<size_t>(root)][1]};
    while (static_cast<int>(s.Units.size()) < units) {
        const auto largest = std::max_element(s.Units.begin(), s.Units.end(), [&](int a, int b) {
            return size[static_cast<size_t>(a)] < size[static_cast<size_t>(b)];
        });
        const int v = *largest;
        if (t.IsTip(v)) break;
        *largest = t.Child[static_cast<size_t>(v)][0];
        s.Units.push_back(t.Child[static_cast<size_t>(v)][1]);
        s.Inner.push_back(v);
    }
    s.All = s.Units;
    s.All.insert(s.All.end(), s.Inner.begin(), s.Inner.end());
    for (int v : s.All) s.In[static_cast<size_t>(v)] = 1;
    return true;
}

// The units joined at random in the sector's place (same vertex ids).
void Resolve(TCompactTree& t, const TSector& s, TRandom& rng)
{
    const int oldRoot = s.Root(t);
    std::vector<int> units = s.Units;
    Shuffle(units, rng);
    int top = s.Inner[0];
    t.Child[static_cast<size_t>(top)] = {units[0], units[1]};
    t.Parent[static_cast<size_t>(units[0])] = top;
    t.Parent[static_cast<size_t>(units[1])] = top;
    std::vector<int> placed{units[0], units[1], top};
    for (size_t k = 2; k < units.size(); ++k) {
        const int u = units[k], q = s.Inner[k - 1];
        const int v = placed[static_cast<size_t>(rng.Below(static_cast<int>(placed.size())))];
        if (v == top) {
            top = q;
        } else {
            const int p = t.Parent[static_cast<size_t>(v)];
            SwapChild(t, p, v, q);
            t.Parent[static_cast<size_t>(q)] = p;
        }
        t.Child[static_cast<size_t>(q)] = {v, u};
        t.Parent[static_cast<size_t>(v)] = q;
        t.Parent[static_cast<size_t>(u)] = q;
        placed.push_back(u);
        placed.push_back(q);
    }
    t.Parent[static_cast<size_t>(top)] = s.Above;
    if (s.Above < 0)
        t.Root = top;
    else
        SwapChild(t, s.Above, oldRoot, top);
}

struct TMove {
    std::int64_t Length = -1;  // -1: no move
    int RootAt = -1, Above = -1;
};

// The shortest move of clip x that stays inside the sector (ties at random).
TMove BestMove(TThoroughScoring& scorer, const TSector& s, int x, bool reroot, TRandom& rng)
{
    const TCompactTree& t = scorer.Tree();
    if (x == t.Root || t.Parent[static_cast<size_t>(x)] == t.Root) return {};
    const TThoroughScoring::TClipMoves moves = scorer.AllMovesBelow(x, s.Root(t));
    const int sib = t.Sibling(x);
    if (moves.Regraft[static_cast<size_t>(sib)] < 0) return {};
    int rootAt = x;
    std::int64_t inside =
        scorer.Length() - moves.PrunedLength - moves.Regraft[static_cast<size_t>(sib)];
    if (reroot)
        for (int b : s.All) {
            const std::int64_t r = moves.Reroot[static_cast<size_t>(b)];
            if (r >= 0 && r < inside) {
                inside = r;
                rootAt = b;
            }
        }
    TMove best;
    int ties = 0;
    for (int v : s.All) {
        const std::int64_t r = moves.Regraft[static_cast<size_t>(v)];
        if (r < 0 || (v == sib && rootAt == x)) continue;
        const std::int64_t length = moves.PrunedLength + inside + r;
        if (best.Length < 0 || length < best.Length) {
            best = {length, rootAt, v};
            ties = 1;
        } else if (length == best.Length && rng.Below(++ties) == 0) {
            best.Above = v;
        }
    }
    return best;
}

void Apply(TThoroughScoring& scorer, int x, const TMove& m, TSectorTally& tally)
{
    TCompactTree next = scorer.Tree();
    TThoroughScoring::ApplyMove(next, x, m.RootAt, m.Above);
    scorer.Load(next);
    if (scorer.Length() != m.Length) ++tally.Mismatches;
}

bool Stopped(const std::atomic<bool>* stop) { return stop && stop->load(); }

// TBR inside the sector until no move there is shorter.
void ClimbInside(TThoroughScoring& scorer, const TSector& s, TRandom& rng,
                 const std::atomic<bool>* stop, TSectorTally& tally)
{
    std::vector<int> clips = s.All;
    for (bool improved = true; improved && !Stopped(stop);) {
        improved = false;
        Shuffle(clips, rng);
        for (int x : clips) {
            if (Stopped(stop)) break;
            if (x == s.Root(scorer.Tree())) continue;
            const TMove m = BestMove(scorer, s, x, true, rng);
            if (m.Length >= 0 && m.Length < scorer.Length()) {
                Apply(scorer, x, m, tally);
                improved = true;
            }
        }
    }
}

void RatchetInside(TThoroughScoring& scorer, const TSector& s, const TSectorRatchet& ratchet,
                   TRandom& rng, const std::atomic<bool>* stop, TSectorTally& tally)
{
    TCompactTree best = scorer.Tree();
    std::int64_t bestLength = scorer.Length();
    for (int k = 0; k < ratchet.Cycles && !Stopped(stop); ++k) {
        scorer.SetCharacterWeights(ratchet.Perturbed(rng));
        ClimbInside(scorer, s, rng, stop, tally);
        scorer.SetCharacterWeights({});
        ClimbInside(scorer, s, rng, stop, tally);
        if (scorer.Length() <= bestLength) {
            best = scorer.Tree();
            bestLength = scorer.Length();
        } else {
            scorer.Load(best);
        }
    }
}

// One sector of the scorer's tree: a random resolution, each unit at its best place, then TBR
// inside the sector (and the ratchet when it is big). Kept when a full evaluation is no longer
// than before.
bool SearchOne(TThoroughScoring& scorer, TRandom& rng, const TSector& s,
               const TSectorRatchet& ratchet, const std::atomic<bool>* stop, TSectorTally& tally,
               const std::function<void(const TCompactTree&, std::int64_t)>& accepted)
{
    const TCompactTree start = scorer.Tree();
    const std::int64_t before = scorer.Length();
    ++tally.Searched;
    TCompactTree t = start;
    Resolve(t, s, rng);
    scorer.Load(t);
    // Like an addition sequence: each unit moved once to its best place.
    std::vector<int> order = s.Units;
    Shuffle(order, rng);
    for (int u : order) {
        if (Stopped(stop)) break;
        const TMove m = BestMove(scorer, s, u, false, rng);
        if (m.Length >= 0 && m.Length <= scorer.Length()) Apply(scorer, u, m, tally);
    }
    ClimbInside(scorer, s, rng, stop, tally);
    if (ratchet.FromUnits > 0 && ratchet.Perturbed &&
        static_cast<int>(s.Units.size()) >= ratchet.FromUnits)
        RatchetInside(scorer, s, ratchet, rng, stop, tally);
    const std::int64_t full = scorer.FullLength(scorer.Tree());
    if (full != scorer.Length()) {
        ++tally.Mismatches;
        scorer.Load(start);
        return false;
    }
    if (full > before) {
        scorer.Load(start);
        return false;
    }
    ++tally.Accepted;
    if (full < before) ++tally.Shorter;
    if (accepted) accepted(scorer.Tree(), full);
    return full < before;
}

// The sector below shared vertex v whose units are the shared vertices next
// below it (Inner: the vertices between). Where that makes more than max
// units, the part below v's child with more units is taken, again and again.
bool SharedSector(const TCompactTree& t, const std::vector<char>& shared, int v, int max,
                  TSector& s)
{
    auto unitsBelow = [&](int top, std::vector<int>& units, std::vector<int>& inner) {
        units.clear();
        inner.clear();
        for (std::vector<int> stack{top}; !stack.empty();) {
            const int u = stack.back();
            stack.pop_back();
            if (u != top && shared[static_cast<size_t>(u)]) {
                units.push_back(u);
                continue;
            }
            inner.push_back(u);
            for (int c : t.Child[static_cast<size_t>(u)]) stack.push_back(c);
        }
    };
    std::vector<int> units, inner;
    unitsBelow(v, units, inner);
    while (static_cast<int>(units.size()) > max) {
        // Down to the child with more units (a child that is a unit itself
        // has nothing below it to search).
        std::array<std::vector<int>, 2> u, in;
        for (int k = 0; k < 2; ++k) {
            const int c = t.Child[static_cast<size_t>(v)][static_cast<size_t>(k)];
            if (!shared[static_cast<size_t>(c)])
                unitsBelow(c, u[static_cast<size_t>(k)], in[static_cast<size_t>(k)]);
        }
        const size_t k = u[0].size() >= u[1].size() ? 0 : 1;
        v = t.Child[static_cast<size_t>(v)][k];
        units = std::move(u[k]);
        inner = std::move(in[k]);
    }
    if (units.size() < 3) return false;
    s.In.assign(static_cast<size_t>(t.Vertices()), 0);
    s.Above = t.Parent[static_cast<size_t>(v)];
    s.Units = std::move(units);
    s.Inner = std::move(inner);  // v first
    s.All = s.Units;
    s.All.insert(s.All.end(), s.Inner.begin(), s.Inner.end());
    for (int u : s.All) s.In[static_cast<size_t>(u)] = 1;
    return true;
}
}  // namespace

bool SearchSectors(TThoroughScoring& scorer, TRandom& rng, const TSectorSettings& sizes,
                   const std::atomic<bool>* stop, TSectorTally& tally,
                   const std::function<void(const TCompactTree&, std::int64_t)>& accepted)
{
    const int tips = scorer.Tree().Tips;
    if (tips < MinSectorUnits) return false;
    const TSectorSettings use = SectorSizesFor(tips, sizes);
    bool shorter = false;
    for (int k = 0; k < use.Count && !Stopped(stop); ++k) {
        const int units = use.Min + rng.Below(use.Max - use.Min + 1);
        TSector s;
        if (!PickSector(scorer.Tree(), rng, units, s)) continue;
        shorter |= SearchOne(scorer, rng, s, use.Ratchet, stop, tally, accepted);
    }
    return shorter;
}

bool SearchConsensusSectors(TThoroughScoring& scorer, TRandom& rng,
                            const std::vector<const TCompactTree*>& pool,
                            const TSectorSettings& sizes, const std::atomic<bool>* stop,
                            TSectorTally& tally,
                            const std::function<void(const TCompactTree&, std::int64_t)>& accepted)
{
    const int tips = scorer.Tree().Tips;
    if (tips < MinSectorUnits || pool.empty()) return false;
    const TSectorSettings use = SectorSizesFor(tips, sizes);
    // Groups of every tree of the pool, by key and size.
    std::vector<std::unordered_set<std::uint64_t>> groups;
    for (const TCompactTree* other : pool) {
        if (other->Tips != tips) continue;
        const std::vector<int> order = PostOrder(*other);
        const TClades c = Clades(*other, order);
        std::unordered_set<std::uint64_t>& g = groups.emplace_back();
        for (int v : order)
            if (!other->IsTip(v))
                g.insert(c.Key[static_cast<size_t>(v)] ^
                         static_cast<std::uint64_t>(c.Size[static_cast<size_t>(v)]) << 48);
    }
    bool shorter = false;
    std::vector<int> tops;  // shared vertices, tried at most once each
    for (int k = 0; k < use.Count && !Stopped(stop); ++k) {
        const TCompactTree& t = scorer.Tree();
        const std::vector<int> order = PostOrder(t);
        const TClades c = Clades(t, order);
        std::vector<char> shared(static_cast<size_t>(t.Vertices()), 0);
        std::vector<int> candidates;
        for (int v : order) {
            const size_t i = static_cast<size_t>(v);
            shared[i] =
                t.IsTip(v) || v == t.Root ||
                std::all_of(groups.begin(), groups.end(), [&](const auto& g) {
                    return g.count(c.Key[i] ^ static_cast<std::uint64_t>(c.Size[i]) << 48) > 0;
                });
            if (shared[i] && !t.IsTip(v) && std::find(tops.begin(), tops.end(), v) == tops.end())
                candidates.push_back(v);
        }
        TSector s;
        bool found = false;
        while (!candidates.empty() && !found) {
            const size_t at = static_cast<size_t>(rng.Below(static_cast<int>(candidates.size())));
            const int v = candidates[at];
            candidates.erase(candidates.begin() + static_cast<std::ptrdiff_t>(at));
            tops.push_back(v);
            found = SharedSector(t, shared, v, use.Max, s);
        }
        if (!found) break;
        shorter |= SearchOne(scorer, rng, s, use.Ratchet, stop, tally, accepted);
    }
    return shorter;
}
