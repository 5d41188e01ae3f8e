#include "parsimony/thorough/ThoroughCriteria.h"

#include <algorithm>
#include <limits>

#include "parsimony/thorough/ThoroughKernels.h"

using namespace thorough_detail;

namespace {
int WeightOf(const std::vector<int>& weights, int c)
{
    return static_cast<size_t>(c) < weights.size()
               ? std::clamp(weights[static_cast<size_t>(c)], 0, 255)
               : 1;
}

// The reversible characters under per-character weights (data numbering).
TResult<TReversibleField> WeightedField(const TCriteriaCoding& coding,
                                        const std::vector<int>& weights)
{
    TNumbered<TReversibleCharacter> characters = coding.Reversible;
    for (int k = 1; k <= characters.Count(); ++k)
        characters[k].Weight =
            WeightOf(weights, coding.ReversibleCharacters[static_cast<size_t>(k - 1)]);
    return TReversibleField::Make(characters, coding.Field->ObjectCount());
}
}  // namespace

TCriteriaScoringData::TCriteriaScoringData(const TCriteriaCoding& coding, bool missing,
                                           std::vector<int> weights)
    : Coding(&coding), Missing(missing), Weights(std::move(weights))
{
    Objects = coding.CaminSokal.Names.Count();
    const int objects = Objects;
    CaminSokalCount = static_cast<int>(coding.CaminSokalCharacters.size());
    if (CaminSokalCount > 0) {
        Packed = TPackedField(coding.CaminSokal, objects, CaminSokalCount);
        Layout = PackedLayout(coding.CaminSokal, objects, CaminSokalCount);
        CaminSokalWeights.assign(static_cast<size_t>(CaminSokalCount) + 1, 1);
        for (int k = 1; k <= CaminSokalCount; ++k)
            CaminSokalWeights[static_cast<size_t>(k)] =
                WeightOf(Weights, coding.CaminSokalCharacters[static_cast<size_t>(k - 1)]);
    }
    if (coding.AnyReversible()) {
        if (Weights.empty()) {
            Field = *coding.Field;
        } else if (TResult<TReversibleField> f = WeightedField(coding, Weights)) {
            Field = std::move(*f);
        } else {
            Field = *coding.Field;  // the coding was made by Make: cannot fail here
        }
    }
}

struct TCriteriaThoroughScorer::TWeighted {
    std::vector<int> Weights;  // of the reversible characters, their own numbering
    TReversibleField Field;
    std::unique_ptr<TReversibleScorer> Scorer;
};

TCriteriaThoroughScorer::TCriteriaThoroughScorer(const TCriteriaScoringData& data) : D(&data)
{
    if (data.CaminSokalCount > 0)
        Cs.emplace(data.Packed, data.Missing, &data.Layout, data.CaminSokalWeights);
    if (data.Field) {
        BaseRev = std::make_unique<TReversibleScorer>(*data.Field);
        Rev = BaseRev.get();
    }
}

TCriteriaThoroughScorer::~TCriteriaThoroughScorer() = default;

void TCriteriaThoroughScorer::Evaluate()
{
    CsL = 0;
    if (Cs) {
        Cs->Load(T);
        CsL = Cs->Length();
    }
    L = CsL + (Rev && T.Root >= 0 ? Rev->DownPass(ViewOf(T)) : 0);
    UpPassKept = false;
}

void TCriteriaThoroughScorer::SetCharacterWeights(const std::vector<int>& weights)
{
    if (weights.empty()) {
        if (Cs) Cs->SetCharacterWeights({});
        Rev = BaseRev.get();
        Evaluate();
        return;
    }
    const TCriteriaCoding& coding = *D->Coding;
    if (Cs) {
        std::vector<int> own(static_cast<size_t>(D->CaminSokalCount) + 1, 1);
        for (int k = 1; k <= D->CaminSokalCount; ++k)
            own[static_cast<size_t>(k)] =
                WeightOf(weights, coding.CaminSokalCharacters[static_cast<size_t>(k - 1)]);
        Cs->SetCharacterWeights(own);
    }
    if (BaseRev) {
        // Drift asks for the same few weightings again and again: the
        // reweighted fields are kept (a few dozen at most).
        std::vector<int> own(coding.ReversibleCharacters.size() + 1, 1);
        for (size_t k = 1; k < own.size(); ++k)
            own[k] = WeightOf(weights, coding.ReversibleCharacters[k - 1]);
        auto it = std::find_if(Cache.begin(), Cache.end(),
                               [&](const auto& w) { return w->Weights == own; });
        if (it == Cache.end()) {
            TNumbered<TReversibleCharacter> characters = coding.Reversible;
            for (int k = 1; k <= characters.Count(); ++k)
                characters[k].Weight = own[static_cast<size_t>(k)];
            TResult<TReversibleField> field = TReversibleField::Make(characters, D->Objects);
            if (!field) {
                Rev = BaseRev.get();
            } else {
                if (Cache.size() >= 40) Cache.erase(Cache.begin());
                auto w = std::make_unique<TWeighted>();
                w->Weights = std::move(own);
                w->Field = std::move(*field);
                w->Scorer = std::make_unique<TReversibleScorer>(w->Field);
                Cache.push_back(std::move(w));
                Rev = Cache.back()->Scorer.get();
            }
        } else {
            Rev = (*it)->Scorer.get();
        }
    }
    Evaluate();
}

void TCriteriaThoroughScorer::Load(const TCompactTree& tree)
{
    T = tree;
    Evaluate();
}

std::int64_t TCriteriaThoroughScorer::FullLength(const TCompactTree& tree)
{
    const TCompactTree kept = T;
    Load(tree);
    const std::int64_t length = L;
    Load(kept);
    return length;
}

std::vector<int> TCriteriaThoroughScorer::Below(int root) const
{
    std::vector<int> out;
    if (root < 0) return out;
    out.push_back(root);
    for (size_t k = 0; k < out.size(); ++k)
        if (!T.IsTip(out[k]))
            for (int c : T.Child[static_cast<size_t>(out[k])]) out.push_back(c);
    return out;
}

bool TCriteriaThoroughScorer::BuildByAddition(TRandom& rng, const std::atomic<bool>* stop)
{
    const int n = D->Objects;
    std::vector<int> order(static_cast<size_t>(n));
    for (int v = 0; v < n; ++v) order[static_cast<size_t>(v)] = v;
    Shuffle(order, rng);
    T.Reset(n);
    if (n == 1) {
        T.Root = 0;
        Evaluate();
        return true;
    }
    int next = n;
    T.Root = next;
    T.Child[static_cast<size_t>(next)] = {order[0], order[1]};
    T.Parent[static_cast<size_t>(order[0])] = next;
    T.Parent[static_cast<size_t>(order[1])] = next;
    ++next;
    std::vector<std::int64_t> csCost;
    for (int k = 2; k < n; ++k) {
        if (stop && stop->load(std::memory_order_relaxed)) return false;
        const int t = order[static_cast<size_t>(k)];
        if (Cs) {
            // Camin-Sokal costs of every place: the tip joined above the
            // root, then every regraft of it at once.
            TCompactTree joined = T;
            JoinAbove(joined, joined.Root, t, next);
            Cs->Load(joined);
            csCost = Cs->AllMoves(t).Regraft;
        }
        if (Rev) {
            Rev->DownPass(ViewOf(T));
            Rev->UpPass(ViewOf(T));
        }
        const std::uint64_t* tip = Rev ? Rev->Field().Tip(t + 1) : nullptr;
        std::int64_t bestCost = 0;
        int best = -1, ties = 0;
        for (int v : Below(T.Root)) {
            std::int64_t c = Cs ? csCost[static_cast<size_t>(v)] : 0;
            if (best >= 0 && c > bestCost) continue;
            if (Rev)
                c += Rev->JoinCostBelow(
                    tip, v, best < 0 ? std::numeric_limits<std::int64_t>::max() : bestCost - c + 1);
            if (best < 0 || c < bestCost) {
                best = v;
                bestCost = c;
                ties = 1;
            } else if (c == bestCost && rng.Below(++ties) == 0) {
                best = v;
            }
        }
        JoinAbove(T, best, t, next++);
    }
    Evaluate();
    return true;
}

std::int64_t TCriteriaThoroughScorer::Detach(int x, bool rerootings)
{
    // The clips of one tree share its up pass; each clip then redoes only
    // what it changes there.
    if (Rev && !UpPassKept) {
        Rev->KeepUpPass(ViewOf(T));
        UpPassKept = true;
    }
    Parent = T.Parent[static_cast<size_t>(x)];
    Sibling = T.Sibling(x);
    Grand = T.Parent[static_cast<size_t>(Parent)];
    if (Grand < 0) {
        T.Root = Sibling;
    } else {
        ReplaceChild(T, Grand, Parent, Sibling);
    }
    T.Parent[static_cast<size_t>(Sibling)] = Grand;
    if (!Rev) return 0;
    const TTreeView rest = ViewOf(T);
    const std::int64_t length =
        Grand < 0 ? Rev->LengthBelow(Sibling) : Rev->UpdatePath(rest, Grand);
    Rev->UpPassRest(rest, Grand);
    if (rerootings) {
        TTreeView part = ViewOf(T);
        part.Root = x;
        Rev->UpPass(part);
    }
    return length;
}

void TCriteriaThoroughScorer::Attach(int x)
{
    (void)x;
    if (Grand < 0)
        T.Root = Parent;
    else
        ReplaceChild(T, Grand, Sibling, Parent);
    T.Parent[static_cast<size_t>(Sibling)] = Parent;
    if (Rev && Grand >= 0) Rev->UpdatePath(ViewOf(T), Grand);
    if (Rev) Rev->RestoreUpPass();
}

bool TCriteriaThoroughScorer::TryClip(int x, TSwapRule rule)
{
    TClipMoves cs;
    std::int64_t csInside = 0;
    const bool tbr = rule == TSwapRule::Tbr && !T.IsTip(x);
    if (Cs) {
        cs = Cs->AllMoves(x);
        csInside = CsL - cs.PrunedLength - cs.Regraft[static_cast<size_t>(T.Sibling(x))];
    }
    const std::int64_t rest = Detach(x, tbr);
    const std::int64_t part = Rev ? Rev->LengthBelow(x) : 0;
    // The rootings of the clipped part: its own, then (TBR) every branch
    // below its root's children.
    std::vector<int> roots{x};
    if (tbr)
        for (int b : Below(x))
            if (b != x && T.Parent[static_cast<size_t>(b)] != x) roots.push_back(b);
    const std::vector<int> places = Below(T.Root);
    struct TMove {
        std::int64_t Length;
        int Root, Place;
    };
    std::vector<TMove> moves;
    TMove best{L, -1, -1};
    for (int b : roots) {
        const std::int64_t inside =
            Cs ? (b == x ? csInside : cs.Reroot[static_cast<size_t>(b)]) : 0;
        const std::int64_t base = (Cs ? cs.PrunedLength : 0) + inside + rest + part;
        if (base >= L) continue;
        const std::uint64_t* set = Rev ? (b == x ? Rev->Down(x) : Rev->Edge(b)) : nullptr;
        for (int v : places) {
            std::int64_t c = base + (Cs ? cs.Regraft[static_cast<size_t>(v)] : 0);
            const std::int64_t bound = Accept ? L : best.Length;
            if (c >= bound) continue;
            if (Rev) c += Rev->JoinCostBelow(set, v, bound - c);
            if (c >= bound) continue;
            if (Accept)
                moves.push_back({c, b, v});
            else
                best = {c, b, v};
        }
    }
    Attach(x);
    if (!Accept) {
        if (best.Root < 0) return false;
        moves.push_back(best);
    }
    std::stable_sort(moves.begin(), moves.end(),
                     [](const TMove& a, const TMove& b) { return a.Length < b.Length; });
    for (const TMove& m : moves) {
        TCompactTree t = T;
        ApplyMove(t, x, m.Root, m.Place);
        if (Accept && !Accept(t)) continue;
        T = std::move(t);
        Evaluate();
        if (L != m.Length) ++MismatchCount;
        return true;
    }
    return false;
}

int TCriteriaThoroughScorer::Climb(TSwapRule rule, TRandom& rng, const std::atomic<bool>* stop)
{
    if (T.Root < 0 || T.Tips < 3) return 0;
    int moves = 0;
    std::vector<int> order(static_cast<size_t>(T.Vertices()));
    for (;;) {
        for (int v = 0; v < T.Vertices(); ++v) order[static_cast<size_t>(v)] = v;
        Shuffle(order, rng);
        bool improved = false;
        for (int x : order) {
            if (stop && stop->load(std::memory_order_relaxed)) return moves;
            if (x == T.Root) continue;
            if (TryClip(x, rule)) {
                improved = true;
                ++moves;
            }
        }
        if (!improved) return moves;
    }
}

TThoroughScoring::TClipMoves TCriteriaThoroughScorer::AllMoves(int x)
{
    return AllMovesBelow(x, -1);
}

TThoroughScoring::TClipMoves TCriteriaThoroughScorer::AllMovesBelow(int x, int top)
{
    TClipMoves moves;
    moves.Regraft.assign(static_cast<size_t>(T.Vertices()), -1);
    moves.Reroot.assign(static_cast<size_t>(T.Vertices()), -1);
    if (x == T.Root) return moves;
    TClipMoves cs;
    if (Cs) cs = Cs->AllMovesBelow(x, top);
    const std::int64_t rest = Detach(x, false);
    moves.PrunedLength = (Cs ? cs.PrunedLength : 0) + rest + (Rev ? Rev->LengthBelow(x) : 0);
    if (top == Parent) top = Sibling;
    for (int v : Below(top < 0 ? T.Root : top))
        moves.Regraft[static_cast<size_t>(v)] = (Cs ? cs.Regraft[static_cast<size_t>(v)] : 0) +
                                                (Rev ? Rev->JoinCost(Rev->Down(x), v) : 0);
    Attach(x);
    return moves;
}

TCompactTree RootedAtTip(const TCompactTree& tree, int tip)
{
    if (tree.Tips < 3 || tip < 0 || tip >= tree.Tips || tree.Root < 0) return tree;
    const int p = tree.Parent[static_cast<size_t>(tip)];
    if (p == tree.Root) return tree;
    // Unrooted neighbours; the root's two children become neighbours.
    const int vertices = tree.Vertices();
    std::vector<std::vector<int>> next(static_cast<size_t>(vertices));
    auto join = [&](int a, int b) {
        next[static_cast<size_t>(a)].push_back(b);
        next[static_cast<size_t>(b)].push_back(a);
    };
    for (int v = 0; v < vertices; ++v) {
        const int up = tree.Parent[static_cast<size_t>(v)];
        if (up >= 0 && up != tree.Root) join(v, up);
    }
    const auto& rc = tree.Child[static_cast<size_t>(tree.Root)];
    join(rc[0], rc[1]);
    // The root vertex goes between the tip and its neighbour.
    const int h = next[static_cast<size_t>(tip)].front();
    auto drop = [&](int a, int b) {
        auto& n = next[static_cast<size_t>(a)];
        n.erase(std::find(n.begin(), n.end(), b));
    };
    drop(tip, h);
    drop(h, tip);
    const int r = tree.Root;
    join(r, tip);
    join(r, h);
    TCompactTree out = tree;
    std::fill(out.Parent.begin(), out.Parent.end(), -2);
    out.Parent[static_cast<size_t>(r)] = -1;
    out.Root = r;
    std::vector<int> queue{r};
    for (size_t k = 0; k < queue.size(); ++k) {
        const int v = queue[k];
        int kids = 0;
        for (int w : next[static_cast<size_t>(v)])
            if (out.Parent[static_cast<size_t>(w)] == -2) {
                out.Parent[static_cast<size_t>(w)] = v;
                out.Child[static_cast<size_t>(v)][static_cast<size_t>(kids++)] = w;
                queue.push_back(w);
            }
        if (v < tree.Tips) out.Child[static_cast<size_t>(v)] = {-1, -1};
    }
    return out;
}

TScoringMaker CriteriaScoringMaker(const TCriteriaScoringData& data)
{
    if (!data.Field)
        return [&data]() -> std::unique_ptr<TThoroughScoring> {
            return std::make_unique<TThoroughScorer>(data.Packed, data.Missing, &data.Layout,
                                                     data.CaminSokalWeights);
        };
    return [&data]() -> std::unique_ptr<TThoroughScoring> {
        return std::make_unique<TCriteriaThoroughScorer>(data);
    };
}
