// The reversible scoring on 255 objects x 300 characters against today's
// Camin-Sokal kernel: the length of a tree, one object tried at every place
// of a tree of 254, (reversible only) a whole SPR neighbourhood scored from
// the edge sets, and the TBR neighbourhood of a local optimum as the thorough
// search prices it, under each criterion.
#include <benchmark/benchmark.h>

#include <limits>

#include "parsimony/length/PackedStates.h"
#include "parsimony/length/ReversibleField.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/ReversibleSupport.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
constexpr int Objects = 255;
constexpr int Characters = 300;

const TSField& CaminSokalData()
{
    static const TSField field = [] {
        std::mt19937_64 rng(2026);
        TRandomFieldShape shape;
        shape.Objects = Objects;
        shape.Characters = Characters;
        shape.MaxStates = 12;
        shape.MissingShare = 0.02;
        return RandomField(rng, shape);
    }();
    return field;
}

// range(0): 0 unordered, 1 ordered, 2 state tree, reversible.
const TNumbered<TReversibleCharacter>& ReversibleCharacters(int kind)
{
    static const std::array<TNumbered<TReversibleCharacter>, 3> characters = [] {
        std::array<TNumbered<TReversibleCharacter>, 3> out;
        const TCriterion criteria[] = {TCriterion::Unordered, TCriterion::Ordered,
                                       TCriterion::StateTreeReversible};
        for (int k = 0; k < 3; ++k) {
            std::mt19937_64 rng(2026);
            TReversibleShape shape;
            shape.Characters = Characters;
            shape.MaxStates = 12;
            shape.Missing = 0.02;
            shape.Sets = 0.02;
            shape.OneCriterion = true;
            shape.Only = criteria[k];
            out[static_cast<size_t>(k)] = RandomReversibleCharacters(rng, Objects, shape);
        }
        return out;
    }();
    return characters[static_cast<size_t>(kind)];
}

const TReversibleField& Field(int kind)
{
    static const std::array<TReversibleField, 3> fields = [] {
        std::array<TReversibleField, 3> out;
        for (int k = 0; k < 3; ++k)
            out[static_cast<size_t>(k)] = *TReversibleField::Make(ReversibleCharacters(k), Objects);
        return out;
    }();
    return fields[static_cast<size_t>(kind)];
}

TTree Tree(int tips)
{
    std::mt19937_64 rng(7);
    return RandomTree(rng, tips);
}

void BM_CaminSokalLength(benchmark::State& state)
{
    const TPackedField packed(CaminSokalData(), Objects, Characters);
    TTreeScorer scorer(packed, true);
    const TTree tree = Tree(Objects);
    for (auto _ : state) benchmark::DoNotOptimize(scorer.Length(tree, Objects));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CaminSokalLength)->Unit(benchmark::kMicrosecond);

void BM_ReversibleLength(benchmark::State& state)
{
    const TReversibleField& field = Field(static_cast<int>(state.range(0)));
    TReversibleScorer scorer(field);
    const TTreeLinks links = LinksOf(Tree(Objects));
    for (auto _ : state) benchmark::DoNotOptimize(scorer.DownPass(links.View()));
    state.SetItemsProcessed(state.iterations());
    state.counters["words"] = field.Words();
}
BENCHMARK(BM_ReversibleLength)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// Object 255 tried above every tip and node of a tree of the other 254.
void BM_CaminSokalInsertion(benchmark::State& state)
{
    const TPackedField packed(CaminSokalData(), Objects, Characters);
    TTreeScorer scorer(packed, true);
    const TTree tree = Tree(Objects - 1);
    for (auto _ : state) benchmark::DoNotOptimize(scorer.BestInsertion(tree, Objects - 1, Objects));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CaminSokalInsertion)->Unit(benchmark::kMicrosecond);

void BM_ReversibleInsertion(benchmark::State& state)
{
    const TReversibleField& field = Field(static_cast<int>(state.range(0)));
    TReversibleScorer scorer(field);
    const TTreeLinks links = LinksOf(Tree(Objects - 1));
    const std::vector<int> places = VerticesBelow(links, links.Root);
    for (auto _ : state) {
        scorer.DownPass(links.View());
        scorer.UpPass(links.View());
        std::int64_t best = std::numeric_limits<std::int64_t>::max();
        for (int v : places)
            best = std::min(best, scorer.JoinCostBelow(field.Tip(Objects), v, best));
        benchmark::DoNotOptimize(best);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReversibleInsertion)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// Every clip and every regraft of a tree of 255: items are moves scored.
void BM_ReversibleSprNeighbourhood(benchmark::State& state)
{
    const TReversibleField& field = Field(static_cast<int>(state.range(0)));
    TReversibleScorer scorer(field);
    const TTreeLinks tree = LinksOf(Tree(Objects));
    std::int64_t moves = 0;
    for (auto _ : state) {
        scorer.DownPass(tree.View());
        std::int64_t best = std::numeric_limits<std::int64_t>::max();
        for (int clip = 0; clip < 2 * Objects - 1; ++clip) {
            if (clip == tree.Root) continue;
            const int grand =
                tree.Parent[static_cast<size_t>(tree.Parent[static_cast<size_t>(clip)])];
            TTreeLinks rest = tree;
            Prune(rest, clip);
            const std::int64_t base =
                scorer.UpdatePath(rest.View(), grand >= 0 ? grand : rest.Root) +
                scorer.LengthBelow(clip);
            scorer.UpPass(rest.View());
            for (int v : VerticesBelow(rest, rest.Root)) {
                best =
                    std::min(best, base + scorer.JoinCostBelow(scorer.Down(clip), v, best - base));
                ++moves;
            }
            scorer.UpdatePath(tree.View(), grand >= 0 ? grand : tree.Root);
        }
        benchmark::DoNotOptimize(best);
    }
    state.SetItemsProcessed(moves);
}
BENCHMARK(BM_ReversibleSprNeighbourhood)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The thorough search's scorer of the Camin-Sokal data (kind 0, as the search
// builds it) or of one reversible field (kind 1 + the field's kind).
struct TSearchScorerOf {
    explicit TSearchScorerOf(int kind)
    {
        if (kind == 0) {
            Packed.emplace(CaminSokalData(), Objects, Characters);
            Scorer = std::make_unique<TThoroughScorer>(*Packed, true);
            return;
        }
        Coding.CaminSokal.Names.Resize(Objects);
        Coding.CaminSokal.Places.Resize(0);
        Coding.Reversible = ReversibleCharacters(kind - 1);
        Coding.Criteria.Resize(Characters);
        for (int c = 1; c <= Characters; ++c) {
            Coding.Criteria[c] = Coding.Reversible[c].Criterion;
            Coding.ReversibleCharacters.push_back(c);
        }
        Coding.Field = Field(kind - 1);
        Data.emplace(Coding, true, std::vector<int>{});
        Scorer = CriteriaScoringMaker(*Data)();
    }
    std::optional<TPackedField> Packed;
    TCriteriaCoding Coding;
    std::optional<TCriteriaScoringData> Data;
    std::unique_ptr<TThoroughScoring> Scorer;
};

// One TBR pass over a local optimum that finds nothing shorter: every clip,
// rerooting and regraft the search tries there. range(0): 0 Camin-Sokal,
// 1 unordered, 2 ordered, 3 state tree, reversible.
void BM_SearchTbrNeighbourhood(benchmark::State& state)
{
    TSearchScorerOf of(static_cast<int>(state.range(0)));
    TThoroughScoring& scorer = *of.Scorer;
    TRandom rng(5);
    scorer.BuildByAddition(rng);
    scorer.Climb(TSwapRule::Tbr, rng, nullptr);
    const TCompactTree optimum = scorer.Tree();
    for (auto _ : state) {
        scorer.Load(optimum);
        benchmark::DoNotOptimize(scorer.Climb(TSwapRule::Tbr, rng, nullptr));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SearchTbrNeighbourhood)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
