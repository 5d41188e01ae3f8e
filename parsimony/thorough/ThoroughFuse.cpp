#include "parsimony/thorough/ThoroughFuse.h"

#include <algorithm>
#include <unordered_map>

namespace {
// `into` with the subtree at va replaced by the subtree of `from` at vb (the
// same objects); va keeps its place and the inner vertices of va are reused.
TCompactTree Replace(const TCompactTree& into, int va, const TCompactTree& from, int vb)
{
    TCompactTree t = into;
    std::vector<int> free;
    for (std::vector<int> stack{va}; !stack.empty();) {
        const int v = stack.back();
        stack.pop_back();
        if (into.IsTip(v)) continue;
        if (v != va) free.push_back(v);
        for (int c : into.Child[static_cast<size_t>(v)]) stack.push_back(c);
    }
    std::unordered_map<int, int> to{{vb, va}};
    std::vector<int> stack{vb};
    while (!stack.empty()) {
        const int u = stack.back();
        stack.pop_back();
        if (from.IsTip(u)) continue;
        const int p = to.at(u);
        std::array<int, 2> kids{};
        for (int k = 0; k < 2; ++k) {
            const int c = from.Child[static_cast<size_t>(u)][static_cast<size_t>(k)];
            int w = c;
            if (!from.IsTip(c)) {
                if (free.empty()) return into;  // not the same objects
                w = free.back();
                free.pop_back();
                to[c] = w;
                stack.push_back(c);
            }
            kids[static_cast<size_t>(k)] = w;
            t.Parent[static_cast<size_t>(w)] = p;
        }
        t.Child[static_cast<size_t>(p)] = kids;
    }
    return t;
}
}  // namespace

std::int64_t FuseInto(TThoroughScoring& scorer, TCompactTree& into, std::int64_t length,
                      const TCompactTree& from)
{
    if (into.Tips != from.Tips || into.Tips < 4) return length;
    const std::vector<int> fromOrder = PostOrder(from);
    const TClades fromClades = Clades(from, fromOrder);
    std::unordered_map<std::uint64_t, int> inFrom;
    for (int v : fromOrder)
        if (!from.IsTip(v) && v != from.Root) inFrom[fromClades.Key[static_cast<size_t>(v)]] = v;
    for (bool again = true; again;) {
        again = false;
        const std::vector<int> order = PostOrder(into);
        const TClades clades = Clades(into, order);
        // Same subtree in both trees: both children's clades under the same vertex of `from`.
        std::vector<int> match(static_cast<size_t>(into.Vertices()), -1);
        std::vector<char> same(static_cast<size_t>(into.Vertices()), 0);
        for (int v : order) {
            const size_t i = static_cast<size_t>(v);
            if (into.IsTip(v)) {
                match[i] = v;
                same[i] = 1;
                continue;
            }
            if (v == into.Root) continue;
            const auto it = inFrom.find(clades.Key[i]);
            if (it == inFrom.end()) continue;
            const int u = it->second;
            if (fromClades.Size[static_cast<size_t>(u)] != clades.Size[i]) continue;
            match[i] = u;
            const auto& ch = into.Child[i];
            const int m0 = match[static_cast<size_t>(ch[0])],
                      m1 = match[static_cast<size_t>(ch[1])];
            same[i] = same[static_cast<size_t>(ch[0])] && same[static_cast<size_t>(ch[1])] &&
                      m0 >= 0 && m1 >= 0 && from.Parent[static_cast<size_t>(m0)] == u &&
                      from.Parent[static_cast<size_t>(m1)] == u;
            if (same[i]) continue;
            TCompactTree fused = Replace(into, v, from, u);
            if (!IsValidCompactTree(fused)) continue;
            const std::int64_t l = scorer.FullLength(fused);
            if (l < length) {
                into = std::move(fused);
                length = l;
                again = true;
                break;
            }
        }
    }
    return length;
}

TTreeDrift::TTreeDrift(const TScoringMaker& make, const std::vector<int>& weights, int characters)
    : HelperA(make()), HelperB(make())
{
    Group(weights, characters, nullptr);
}

TTreeDrift::TTreeDrift(const TPackedField& packed, const TPackedLayout& layout,
                       const std::vector<int>& weights, bool missing)
    : HelperA(std::make_unique<TThoroughScorer>(packed, missing, &layout)),
      HelperB(std::make_unique<TThoroughScorer>(packed, missing, &layout))
{
    Group(weights, static_cast<int>(layout.Offset.size()) - 1, &layout.Width);
}

void TTreeDrift::Group(const std::vector<int>& weights, int characters,
                       const std::vector<int>* widths)
{
    // Characters in a few groups: one evaluation per group and tree instead of
    // per character. A group's steps may cancel, so its F is never larger
    // and the relative fit difference never smaller than per character: the
    // rule stays as strict as asked.
    const int groups = std::min(characters, DriftGroups);
    for (int g = 0; g < groups; ++g) {
        std::vector<int> part(static_cast<size_t>(characters) + 1, 0);
        bool any = false;
        for (int c = 1 + g; c <= characters; c += groups) {
            const int w =
                static_cast<size_t>(c) < weights.size() ? weights[static_cast<size_t>(c)] : 1;
            if (w <= 0 || (widths && (*widths)[static_cast<size_t>(c)] == 0)) continue;
            part[static_cast<size_t>(c)] = w;
            any = true;
        }
        if (any) Single.push_back(std::move(part));
    }
}

double TTreeDrift::RelativeFitDifference(const TCompactTree& a, const TCompactTree& b)
{
    HelperA->Load(a);
    HelperB->Load(b);
    std::int64_t favourA = 0, favourB = 0;
    for (const std::vector<int>& w : Single) {
        HelperA->SetCharacterWeights(w);
        HelperB->SetCharacterWeights(w);
        const std::int64_t d = HelperB->Length() - HelperA->Length();
        (d > 0 ? favourA : favourB) += d > 0 ? d : -d;
    }
    if (favourA <= favourB) return 0;
    return static_cast<double>(favourA - favourB) / static_cast<double>(favourA);
}

int TTreeDrift::Run(TThoroughScoring& scorer, TRandom& rng, const TDriftSettings& set,
                    const std::atomic<bool>* stop)
{
    int taken = 0, checked = 0;
    const int vertices = scorer.Tree().Vertices();
    std::vector<int> candidates;
    for (int attempt = 0; attempt < 4 * vertices && taken < set.Moves; ++attempt) {
        if (stop && stop->load()) break;
        const TCompactTree& t = scorer.Tree();
        const int clip = rng.Below(vertices);
        if (clip == t.Root || t.Parent[static_cast<size_t>(clip)] == t.Root) continue;
        const std::int64_t length = scorer.Length();
        const TThoroughScoring::TClipMoves moves = scorer.AllMoves(clip);
        const int sib = t.Sibling(clip);
        if (moves.Regraft[static_cast<size_t>(sib)] < 0) continue;
        // The best rooting of the clipped part; its own rooting unless another is shorter.
        int rootAt = clip;
        std::int64_t inside = length - moves.PrunedLength - moves.Regraft[static_cast<size_t>(sib)];
        for (int b = 0; b < vertices; ++b)
            if (moves.Reroot[static_cast<size_t>(b)] >= 0 &&
                moves.Reroot[static_cast<size_t>(b)] < inside) {
                inside = moves.Reroot[static_cast<size_t>(b)];
                rootAt = b;
            }
        candidates.clear();
        for (int v = 0; v < vertices; ++v) {
            const std::int64_t r = moves.Regraft[static_cast<size_t>(v)];
            if (r < 0 || (v == sib && rootAt == clip)) continue;
            if (moves.PrunedLength + inside + r <= length + set.MaxSteps) candidates.push_back(v);
        }
        if (candidates.empty()) continue;
        const int v =
            candidates[static_cast<size_t>(rng.Below(static_cast<int>(candidates.size())))];
        const std::int64_t predicted =
            moves.PrunedLength + inside + moves.Regraft[static_cast<size_t>(v)];
        TCompactTree next = t;
        TThoroughScoring::ApplyMove(next, clip, rootAt, v);
        if (predicted > length) {
            // Each check scores every character twice: only a few per cycle.
            if (++checked > 4 * set.Moves) break;
            const double rfd = RelativeFitDifference(t, next);
            if (rfd > set.MaxRfd) continue;
            const double chance =
                (1.0 - rfd / set.MaxRfd) / static_cast<double>(1 + predicted - length);
            if (static_cast<double>(rng.Below(std::uint64_t{1000000})) >= chance * 1000000.0)
                continue;
        }
        scorer.Load(next);
        if (scorer.Length() != predicted) ++MismatchCount;
        ++taken;
    }
    return taken;
}
