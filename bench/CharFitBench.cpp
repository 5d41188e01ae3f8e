// The character fit of one tree of 255 taxa, for 300 and for 5000
// characters: it runs on the window's thread, so it must stay quick.
#include <benchmark/benchmark.h>

#include "parsimony/summaries/CharFit.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
void BM_CharFitTable(benchmark::State& state)
{
    std::mt19937_64 rng(2027);
    TRandomFieldShape shape;
    shape.Objects = 255;
    shape.Characters = static_cast<int>(state.range(0));
    shape.MaxStates = 12;
    shape.MissingShare = 0.02;
    const TSField field = RandomField(rng, shape);
    TTree tree = RandomTree(rng, 255);
    for (auto _ : state) {
        const std::vector<QStringList> rows = CharFitTable(tree, field);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_CharFitTable)->Arg(300)->Arg(5000)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
