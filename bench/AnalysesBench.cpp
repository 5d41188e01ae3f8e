// The analyses on 255 objects: the fast matrices against the literal
// pair-by-pair ones, and the codings, in one run.
#include <benchmark/benchmark.h>

#include <random>

#include "analyses/Characters.h"
#include "analyses/Compatibility.h"
#include "analyses/DistanceMatrix.h"
#include "analyses/Matroschka.h"
#include "analyses/Reference.h"
#include "analyses/StringToSet.h"

namespace {
// Pointer cells over random state trees of up to maxStates states, 5 % missing.
TModel PointerModel(int objects, int characters, int maxStates, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    TMatrixData d;
    d.ObjectCount = objects;
    d.CharacterCount = characters;
    d.DataMatrix.assign(static_cast<size_t>(characters) + 1,
                        TPart(static_cast<size_t>(objects) + 1));
    for (int o = 1; o <= objects; ++o)
        d.DataMatrix[0][static_cast<size_t>(o)] = QStringLiteral("taxon%1").arg(o);
    for (int c = 1; c <= characters; ++c) {
        auto& col = d.DataMatrix[static_cast<size_t>(c)];
        col[0] = QStringLiteral("char%1").arg(c);
        const int states = 2 + static_cast<int>(rng() % static_cast<unsigned>(maxStates - 1));
        std::vector<int> parent(static_cast<size_t>(states), -1);
        for (int s = 1; s < states; ++s)
            parent[static_cast<size_t>(s)] = static_cast<int>(rng() % static_cast<unsigned>(s));
        for (int o = 1; o <= objects; ++o) {
            if (rng() % 20 == 0) {
                col[static_cast<size_t>(o)] = QStringLiteral("?");
                continue;
            }
            const int s = static_cast<int>(rng() % static_cast<unsigned>(states));
            const int p = parent[static_cast<size_t>(s)];
            col[static_cast<size_t>(o)] =
                p < 0 ? QStringLiteral("s%1[ ]").arg(s) : QStringLiteral("s%1[s%2]").arg(s).arg(p);
        }
    }
    TModel m;
    m.AssignMatrix(std::move(d), false);
    return m;
}

// Standard cells: one of a few states, some polymorphic, 5 % missing.
TModel StandardModel(int objects, int characters, int maxStates, std::uint64_t seed)
{
    TModel m = PointerModel(objects, characters, maxStates, seed);
    std::mt19937_64 rng(seed + 1);
    for (int c = 1; c <= characters; ++c)
        for (int o = 1; o <= objects; ++o) {
            QString& cell = m.DataMatrix[static_cast<size_t>(c)][static_cast<size_t>(o)];
            if (cell == QLatin1String("?")) continue;
            cell = cell.left(cell.indexOf(QLatin1Char('[')));
            if (rng() % 10 == 0) cell += QStringLiteral("&s%1").arg(rng() % 3);
        }
    return m;
}

const TModel& Pointer2000()
{
    static TModel m = [] {
        TModel x = PointerModel(255, 2000, 8, 1);
        CodePointerField(x);
        return x;
    }();
    return m;
}
const TModel& Standard2000()
{
    static TModel m = [] {
        TModel x = StandardModel(255, 2000, 6, 2);
        CodeStandardField(x);
        return x;
    }();
    return m;
}
const TModel& Standard500()
{
    static TModel m = [] {
        TModel x = StandardModel(255, 500, 6, 3);
        x.MissingAsState = true;
        CodeStandardField(x);
        return x;
    }();
    return m;
}
const TModel& Pointer500()
{
    static TModel m = [] {
        TModel x = PointerModel(255, 500, 6, 4);
        x.MissingAsState = true;
        CodePointerField(x);
        return x;
    }();
    return m;
}

template <void (*F)(const TSField&, TDynRealMatrix&)>
void Real(benchmark::State& state, const TModel& (*model)())
{
    const TSField& field = model().CharField;
    TDynRealMatrix result;
    for (auto _ : state) {
        F(field, result);
        benchmark::DoNotOptimize(result.data());
    }
}
const TModel& Pointer50()
{
    static TModel m = [] {
        TModel x = PointerModel(255, 50, 6, 5);
        x.MissingAsState = true;
        CodePointerField(x);
        return x;
    }();
    return m;
}

template <void (*F)(const TSField&, TBoolMatrix&)>
void Bool(benchmark::State& state, const TModel& (*model)())
{
    const TSField& field = model().CharField;
    TBoolMatrix result;
    for (auto _ : state) {
        F(field, result);
        benchmark::DoNotOptimize(result.data());
    }
}

void StepDistance_255x2000(benchmark::State& s) { Real<StepDistanceMatrix>(s, Pointer2000); }
void StepDistanceLiteral_255x2000(benchmark::State& s)
{
    Real<LiteralStepDistanceMatrix>(s, Pointer2000);
}
void JaccardDistance_255x2000(benchmark::State& s) { Real<JaccardDistanceMatrix>(s, Standard2000); }
void JaccardDistanceLiteral_255x2000(benchmark::State& s)
{
    Real<LiteralJaccardDistanceMatrix>(s, Standard2000);
}
void Cramer_255x500(benchmark::State& s) { Real<CramerMatrix>(s, Standard500); }
void CramerLiteral_255x500(benchmark::State& s) { Real<LiteralCramerMatrix>(s, Standard500); }
void Combinations_255x500(benchmark::State& s) { Real<CombinationMatrix>(s, Standard500); }
void CombinationsLiteral_255x500(benchmark::State& s)
{
    Real<LiteralCombinationMatrix>(s, Standard500);
}
void Compatibility_255x500(benchmark::State& s) { Bool<CompatibilityMatrix>(s, Pointer500); }
// The literal test rebuilds two step matrices per pair: minutes at 500
// characters, so both are also measured at 50.
void Compatibility_255x50(benchmark::State& s) { Bool<CompatibilityMatrix>(s, Pointer50); }
void CompatibilityLiteral_255x50(benchmark::State& s)
{
    Bool<LiteralCompatibilityMatrix>(s, Pointer50);
}

void CodePointer_255x2000(benchmark::State& state)
{
    TModel m = PointerModel(255, 2000, 8, 1);
    for (auto _ : state) CodePointerField(m);
}
void CodeStandard_255x2000(benchmark::State& state)
{
    TModel m = StandardModel(255, 2000, 6, 2);
    for (auto _ : state) CodeStandardField(m);
}
}  // namespace

BENCHMARK(StepDistance_255x2000)->Unit(benchmark::kMillisecond);
BENCHMARK(StepDistanceLiteral_255x2000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(JaccardDistance_255x2000)->Unit(benchmark::kMillisecond);
BENCHMARK(JaccardDistanceLiteral_255x2000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Cramer_255x500)->Unit(benchmark::kMillisecond);
BENCHMARK(CramerLiteral_255x500)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Combinations_255x500)->Unit(benchmark::kMillisecond);
BENCHMARK(CombinationsLiteral_255x500)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Compatibility_255x500)->Unit(benchmark::kMillisecond);
BENCHMARK(Compatibility_255x50)->Unit(benchmark::kMillisecond);
BENCHMARK(CompatibilityLiteral_255x50)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(CodePointer_255x2000)->Unit(benchmark::kMillisecond);
BENCHMARK(CodeStandard_255x2000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
