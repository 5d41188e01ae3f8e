#include <gtest/gtest.h>

#include <cmath>

#include "analyses/AnalysisJobs.h"
#include "tests/analyses/ModelBuilder.h"

namespace {
const TAnalysisJob AllJobs[] = {TAnalysisJob::DistanceMatrix, TAnalysisJob::Cramer,
                                TAnalysisJob::StateCombinations,
                                TAnalysisJob::PairwiseCompatibility};

// Runs every job (distance with each character type) and checks the shape of
// what the result grid gets.
void RunAll(TModel m, const char* what)
{
    for (TAnalysisJob job : AllJobs)
        for (TCharacterType type :
             {TCharacterType::Standard, TCharacterType::Matroschka, TCharacterType::Tree}) {
            if (job != TAnalysisJob::DistanceMatrix && type != TCharacterType::Standard) continue;
            m.CharacterType = type;
            CodeForJob(m, job);
            ComputeJob(m, job);
            TResultGrid grid;
            ShowJobResult(grid, m, job, QLatin1Char('.'));
            const int n = job == TAnalysisJob::DistanceMatrix ? m.ObjectCount : m.CharacterCount;
            ASSERT_EQ(grid.RowCount(), n + 1) << what;
            ASSERT_EQ(grid.ColCount(), n + 1) << what;
            for (int i = 1; i <= n; ++i)
                for (int j = 1; j <= n; ++j) {
                    ASSERT_EQ(grid.Cell(i, j), grid.Cell(j, i)) << what << " " << i << "," << j;
                    ASSERT_FALSE(grid.Cell(i, j).contains("INF")) << what;
                }
            if (job == TAnalysisJob::DistanceMatrix) {
                for (int i = 1; i <= n; ++i) ASSERT_EQ(grid.Cell(i, i), "0") << what;
            }
        }
}
}  // namespace

TEST(BadInput, EveryJobGivesASymmetricGridWithoutInfinities)
{
    RunAll(MakeColumns({{"?", "?", "?"}, {"?", "?", "?"}}), "all missing");
    RunAll(MakeColumns({{"a[ ]", "b[a]"}}), "one character");
    RunAll(MakeColumns({{"a"}, {"x[ ]"}, {"?"}}), "one object");
    RunAll(MakeColumns({{"a&&b", "a&", "?&a", "&"}, {"A", "B", "", "?"}}), "odd polymorphic cells");
    RunAll(MakeColumns({{"A[B]", "B[A]", "C[C]", "D[E[F]]", "E[0]"}, {"x", "y", "z", "[", "]["}}),
           "cycles, nested and dangling pointers, stray brackets");
    QStringList many, ptr;
    for (int k = 0; k < 300; ++k) {
        many << QStringLiteral("s%1").arg(k);
        ptr << QStringLiteral("s%1[s%2]").arg(k).arg(k / 2);
    }
    RunAll(MakeColumns({many, ptr, QStringList(300, "x&y")}), "300 states and 300 objects");
    RunAll(TModel(), "no data");
}

TEST(BadInput, ShortColumnsReadAsEmptyCells)
{
    // A matrix whose columns hold fewer cells than the counts promise.
    TModel m = MakeColumns({{"a", "b", "a"}});
    m.DataMatrix[1].resize(2);
    RunAll(m, "short column");
}
