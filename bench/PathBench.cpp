// The data check and the path-set coding on a full-size matrix: 255 objects,
// 5000 characters, every character a random state tree of up to 12 states.
#include <benchmark/benchmark.h>

#include <QRandomGenerator>

#include "data/Path.h"
#include "data/PathControl.h"

namespace {
struct TBenchMatrix {
    TDynStrMatrix Matrix;
    int Objects = 255;
    int Characters = 5000;
};

const TBenchMatrix& BigMatrix()
{
    static const TBenchMatrix data = [] {
        TBenchMatrix d;
        QRandomGenerator rng(42);
        d.Matrix.resize(d.Characters + 1);
        d.Matrix[0].push_back(QStringLiteral("Taxon"));
        for (int o = 1; o <= d.Objects; ++o)
            d.Matrix[0].push_back(QStringLiteral("taxon%1").arg(o));
        for (int c = 1; c <= d.Characters; ++c) {
            TPart& column = d.Matrix[c];
            column.push_back(QStringLiteral("character%1").arg(c));
            // parent[k] < k: state 0 is the root.
            const int states = 2 + rng.bounded(11);
            std::vector<int> parent(states, -1);
            for (int k = 1; k < states; ++k) parent[k] = rng.bounded(k);
            for (int o = 1; o <= d.Objects; ++o) {
                const int k = rng.bounded(states);
                if (rng.bounded(20) == 0)
                    column.push_back(QStringLiteral("?"));
                else if (k == 0)
                    column.push_back(QStringLiteral("s0"));
                else
                    column.push_back(QStringLiteral("s%1[s%2]").arg(k).arg(parent[k]));
            }
        }
        return d;
    }();
    return data;
}

void BM_DataCheck(benchmark::State& state)
{
    const TBenchMatrix& d = BigMatrix();
    for (auto _ : state) benchmark::DoNotOptimize(PathControl(d.Matrix, d.Objects, d.Characters));
}
BENCHMARK(BM_DataCheck)->Unit(benchmark::kMillisecond);

void BM_BuildPathSets(benchmark::State& state)
{
    const TBenchMatrix& d = BigMatrix();
    for (auto _ : state) benchmark::DoNotOptimize(BuildPathSets(d.Matrix, d.Objects, d.Characters));
}
BENCHMARK(BM_BuildPathSets)->Unit(benchmark::kMillisecond);

// One character whose states form a chain through all objects: the longest
// full paths 255 objects can give.
void BM_ChainCharacter(benchmark::State& state)
{
    TDynStrMatrix m(2);
    m[0].push_back(QStringLiteral("Taxon"));
    m[1].push_back(QStringLiteral("chain"));
    for (int o = 1; o <= 255; ++o) {
        m[0].push_back(QStringLiteral("t%1").arg(o));
        m[1].push_back(o == 1 ? QStringLiteral("s1")
                              : QStringLiteral("s%1[s%2]").arg(o).arg(o - 1));
    }
    for (auto _ : state) benchmark::DoNotOptimize(PathControl(m, 255, 1));
}
BENCHMARK(BM_ChainCharacter)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
