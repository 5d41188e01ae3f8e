// The parsimony engine on 255 taxa x 300 characters with branching state
// trees: literal against fast scoring, one insertion, and a whole default run.
#include <benchmark/benchmark.h>

#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/length/PackedStates.h"
#include "parsimony/length/ReferenceTree.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
const TSField& Data()
{
    static const TSField field = [] {
        std::mt19937_64 rng(2026);
        TRandomFieldShape shape;
        shape.Objects = 255;
        shape.Characters = 300;
        shape.MaxStates = 12;
        shape.MissingShare = 0.02;
        return RandomField(rng, shape);
    }();
    return field;
}

TTree Tree(int tips)
{
    std::mt19937_64 rng(7);
    return RandomTree(rng, tips);
}

void BM_ScoreReference(benchmark::State& state)
{
    TTree tree = Tree(255);
    for (auto _ : state) {
        ReferenceEvaluateTree(tree, Data(), true);
        benchmark::DoNotOptimize(tree.Fitness);
    }
}
BENCHMARK(BM_ScoreReference)->Unit(benchmark::kMillisecond);

// The length alone, as the search scores a swapped tree.
void BM_ScoreFast(benchmark::State& state)
{
    const TPackedField packed(Data(), 255, 300);
    TTreeScorer scorer(packed, true);
    TTree tree = Tree(255);
    for (auto _ : state) benchmark::DoNotOptimize(scorer.Length(tree, 255));
}
BENCHMARK(BM_ScoreFast)->Unit(benchmark::kMicrosecond);

// With every derived field and fit, as a window asks for it.
void BM_EvaluateTreeFast(benchmark::State& state)
{
    const TPackedField packed(Data(), 255, 300);
    TTreeScorer scorer(packed, true);
    TTree tree = Tree(255);
    for (auto _ : state) {
        scorer.Evaluate(tree);
        benchmark::DoNotOptimize(tree.Fitness);
    }
}
BENCHMARK(BM_EvaluateTreeFast)->Unit(benchmark::kMicrosecond);

// One insertion into a tree of 200 taxa, as AddObject asks for it.
void InsertAt200(benchmark::State& state, const TScorerFactory& make)
{
    const std::unique_ptr<TSearchScorer> scorer = make(Data(), 255, 300, true);
    const TTree start = Tree(200);
    for (auto _ : state) benchmark::DoNotOptimize(scorer->BestInsertion(start, 201));
}
void BM_AddObjectReference(benchmark::State& state) { InsertAt200(state, MakeReferenceScorer); }
void BM_AddObjectFast(benchmark::State& state) { InsertAt200(state, MakeFastScorer); }
BENCHMARK(BM_AddObjectReference)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AddObjectFast)->Unit(benchmark::kMicrosecond);

// Job > Parsimony with the defaults: 10 trees, 1000 generations.
void BM_DefaultRunFast(benchmark::State& state)
{
    for (auto _ : state) {
        TSearchSettings settings;
        settings.Seed = 1;
        TParsimonySearch search(Data(), 255, 300, settings);
        search.Run();
        benchmark::DoNotOptimize(search.FindBestTree());
        state.counters["best"] = search.FindBestTree().second;
    }
}
BENCHMARK(BM_DefaultRunFast)->Unit(benchmark::kMillisecond)->Iterations(3);
// "Tree compatibility": every character's steps on one tree.
void BM_CharacterFitAll(benchmark::State& state)
{
    TSearchSettings settings;
    settings.Seed = 1;
    settings.TreeCount = 1;
    settings.Generations = 0;
    TParsimonySearch search(Data(), 255, 300, settings);
    search.Run();
    for (auto _ : state)
        for (int c = 1; c <= 300; ++c) benchmark::DoNotOptimize(search.ComputeCharSteps(1, c));
}
BENCHMARK(BM_CharacterFitAll)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
