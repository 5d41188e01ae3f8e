// Whether the parsimony coding still belongs to the loaded data, checked
// before every run on the window's thread. On a generated matrix:
//   varno-generate --objects 255 --characters 5000 --seed 1 -o big.txt
//   bench_coding big.txt
#include <benchmark/benchmark.h>

#include <cstdio>

#include "data/DataFile.h"
#include "data/Path.h"
#include "parsimony/evolutionary/OptimizeRun.h"

namespace {
TModel LoadedModel;

void BM_CodingFitsData(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(CodingFitsData(LoadedModel));
}
BENCHMARK(BM_CodingFitsData)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_coding [benchmark options] DATA-FILE\n");
        return 2;
    }
    TReadResult read = ReadDataFile(QString::fromLocal8Bit(argv[1]));
    if (!read.Ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(read.Error()));
        return 1;
    }
    LoadedModel.AssignMatrix(std::move(read->Data), false);
    TModel& m = LoadedModel;
    m.SetCharField(BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount), true);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
