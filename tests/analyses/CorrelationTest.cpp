#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "analyses/AnalysisJobs.h"
#include "analyses/Characters.h"
#include "analyses/Reference.h"
#include "analyses/StringToSet.h"
#include "tests/analyses/ModelBuilder.h"

namespace {
TDynRealMatrix Cramer(std::vector<QStringList> columns)
{
    TModel m = MakeColumns(columns);
    CodeForJob(m, TAnalysisJob::Cramer);
    ComputeJob(m, TAnalysisJob::Cramer);
    return m.ResultMatrix;
}
TDynRealMatrix Combinations(std::vector<QStringList> columns)
{
    TModel m = MakeColumns(columns);
    CodeForJob(m, TAnalysisJob::StateCombinations);
    ComputeJob(m, TAnalysisJob::StateCombinations);
    return m.ResultMatrix;
}
}  // namespace

TEST(Cramer, PerfectAndNoAssociation)
{
    TDynRealMatrix v = Cramer({{"a", "a", "b", "b"}, {"x", "x", "y", "y"}});
    EXPECT_DOUBLE_EQ(v[1][2], 1);
    EXPECT_DOUBLE_EQ(v[2][1], 1);
    EXPECT_EQ(v[1][1], 1);
    v = Cramer({{"a", "a", "b", "b"}, {"x", "y", "x", "y"}});
    EXPECT_DOUBLE_EQ(v[1][2], 0);
}

TEST(Cramer, KnownThreeByTwoValue)
{
    // Table rows a,b,c x columns x,y: [2 0; 1 1; 0 2], N = 6, chi2 = 4, q = 1.
    TDynRealMatrix v = Cramer({{"a", "a", "b", "b", "c", "c"}, {"x", "x", "x", "y", "y", "y"}});
    EXPECT_NEAR(v[1][2], std::sqrt(4.0 / 6.0), 1e-12);
}

TEST(Cramer, UndefinedCasesAreNaN)
{
    // A character with one state, an all-missing character, one character.
    TDynRealMatrix v = Cramer({{"a", "a", "b", "b"}, {"x", "x", "x", "x"}, {"?", "?", "?", "?"}});
    EXPECT_TRUE(std::isnan(v[1][2]));
    EXPECT_TRUE(std::isnan(v[1][3]));
    EXPECT_TRUE(std::isnan(v[3][2]));
    EXPECT_EQ(v[2][2], 1);
    EXPECT_EQ(v[3][3], 1);
    EXPECT_EQ(Cramer({{"a", "b"}}), (TDynRealMatrix{{0, 0}, {0, 1}}));
}

TEST(Contingency, PolymorphicCellsAddEveryCombinationAndMissingAddsNothing)
{
    TModel m = MakeColumns({{"a&b", "a", "?", "b"}, {"x", "y", "x", "x&y&z"}});
    CodeStandardField(m);
    TCharacters t;
    t.BuildContingency(m.CharField, 1, 2, m.ObjectCount);
    // c1 list "?", "a", "b"; c2 list "x", "y", "z".
    EXPECT_EQ(t.Contingency, (std::vector<std::vector<int>>{{0, 0, 0}, {1, 1, 0}, {2, 1, 1}}));
    t.BuildExpected(m.CharField, 1, 2);
    EXPECT_EQ(t.TotalCount, 6);
    EXPECT_TRUE(std::isnan(t.Expected[0][0]) == false);
    EXPECT_DOUBLE_EQ(t.Expected[2][0], 4.0 * 3.0 / 6.0);
    EXPECT_EQ(t.CountCombinations(1, 2), 5);
    EXPECT_EQ(RealStateCount(m.CharField.Places[1]), 2);
    // Every cell empty: expected counts are NaN and chi-square skips them.
    TModel e = MakeColumns({{"?", "?"}, {"x", "y"}});
    CodeStandardField(e);
    t.BuildContingency(e.CharField, 1, 2, e.ObjectCount);
    t.BuildExpected(e.CharField, 1, 2);
    EXPECT_EQ(t.TotalCount, 0);
    EXPECT_TRUE(std::isnan(t.Expected[0][1]));
    EXPECT_EQ(t.ChiSquare(e.CharField, 1, 2), 0);
}

TEST(StateCombinations, RatiosAndDiagonalRules)
{
    TDynRealMatrix v = Combinations({{"a", "a", "b", "b"}, {"x", "x", "y", "y"}});
    EXPECT_DOUBLE_EQ(v[1][2], 0.5);
    EXPECT_DOUBLE_EQ(v[1][1], 0.5);
    EXPECT_DOUBLE_EQ(v[2][2], 0.5);
    v = Combinations({{"a", "a", "b", "b"}, {"x", "y", "x", "y"}});
    EXPECT_DOUBLE_EQ(v[1][2], 1);
    // "?" is not a real state.
    v = Combinations({{"a", "b", "?"}, {"x", "x", "x"}});
    EXPECT_DOUBLE_EQ(v[1][1], 0.5);
    EXPECT_DOUBLE_EQ(v[1][2], 1);
    // One character: its diagonal is never written.
    EXPECT_EQ(Combinations({{"a", "b"}}), (TDynRealMatrix{{0, 0}, {0, 0}}));
    // No real state: NaN instead of a division by zero.
    v = Combinations({{"?", "?"}, {"x", "y"}});
    EXPECT_TRUE(std::isnan(v[1][1]));
    EXPECT_TRUE(std::isnan(v[1][2]));
    EXPECT_DOUBLE_EQ(v[2][2], 0.5);
}

TEST(CorrelationJobs, ForceStandardCodingWithMissingAsState)
{
    TModel m = MakeColumns({{"A[ ]", "B[A]"}});
    m.CharacterType = TCharacterType::Tree;
    CodeForJob(m, TAnalysisJob::Cramer);
    EXPECT_EQ(m.CharacterType, TCharacterType::Standard);
    EXPECT_TRUE(m.MissingAsState);
    EXPECT_EQ(m.CharField.Places[1].StateCount, 2);
}

TEST(Correlation, FastEqualsLiteralOnRandomData)
{
    for (std::uint64_t seed = 100; seed < 112; ++seed) {
        std::mt19937_64 rng(seed);
        const int objects = 1 + static_cast<int>(rng() % 40);
        const int characters = 1 + static_cast<int>(rng() % 15);
        TModel m = RandomStandardModel(rng, objects, characters, seed % 4 == 0 ? 80 : 5);
        CodeStandardField(m);
        TDynRealMatrix fast, literal;
        CramerMatrix(m.CharField, fast);
        LiteralCramerMatrix(m.CharField, literal);
        for (size_t i = 0; i < fast.size(); ++i)
            for (size_t j = 0; j < fast.size(); ++j)
                ASSERT_TRUE((std::isnan(fast[i][j]) && std::isnan(literal[i][j])) ||
                            std::memcmp(&fast[i][j], &literal[i][j], sizeof(double)) == 0)
                    << "seed " << seed << " cramer " << i << "," << j;
        CombinationMatrix(m.CharField, fast);
        LiteralCombinationMatrix(m.CharField, literal);
        for (size_t i = 0; i < fast.size(); ++i)
            for (size_t j = 0; j < fast.size(); ++j)
                ASSERT_TRUE((std::isnan(fast[i][j]) && std::isnan(literal[i][j])) ||
                            fast[i][j] == literal[i][j])
                    << "seed " << seed << " combinations " << i << "," << j;
    }
}
