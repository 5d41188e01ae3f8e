#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "analyses/AnalysisJobs.h"
#include "analyses/DistanceMatrix.h"
#include "analyses/Matroschka.h"
#include "analyses/Reference.h"
#include "analyses/StringToSet.h"
#include "tests/analyses/ModelBuilder.h"

namespace {
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void ExpectIdentical(const TDynRealMatrix& fast, const TDynRealMatrix& literal, std::uint64_t seed)
{
    ASSERT_EQ(fast.size(), literal.size()) << "seed " << seed;
    for (size_t i = 0; i < fast.size(); ++i)
        for (size_t j = 0; j < fast.size(); ++j)
            ASSERT_TRUE(SameBits(fast[i][j], literal[i][j]) ||
                        (std::isnan(fast[i][j]) && std::isnan(literal[i][j])))
                << "seed " << seed << " at " << i << "," << j << ": " << fast[i][j] << " vs "
                << literal[i][j];
}
}  // namespace

TEST(JaccardDistance, IdenticalDisjointAndPolymorphicCells)
{
    TModel m = MakeColumns({{"a", "a", "b"}, {"x", "x", "y"}});
    CodeStandardField(m);
    TDynRealMatrix d;
    JaccardDistanceMatrix(m.CharField, d);
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[1][2], 0);
    EXPECT_EQ(d[1][3], 1);
    EXPECT_EQ(d[3][2], 1);
    EXPECT_EQ(d[2][2], 0);

    // One usable character with 'a&b' against 'a', one where an object is missing.
    TModel p = MakeColumns({{"a&b", "a"}, {"x", "?"}});
    CodeStandardField(p);
    JaccardDistanceMatrix(p.CharField, d);
    EXPECT_DOUBLE_EQ(d[1][2], 0.5);
}

TEST(StepDistance, StepsAlongTheStateTree)
{
    TModel m = MakeColumns({{"A[ ]", "B[A]", "C[B]", "D[A]"}});
    CodePointerField(m);
    TDynRealMatrix d;
    StepDistanceMatrix(m.CharField, d);
    EXPECT_EQ(d[1][2], 1);
    EXPECT_EQ(d[1][3], 2);
    EXPECT_EQ(d[2][3], 1);
    EXPECT_EQ(d[3][1], 2);
    EXPECT_EQ(d[2][4], 2);  // sisters
    EXPECT_EQ(d[3][4], 3);
}

TEST(StepDistance, PairWithoutUsableCharacterIsNaN)
{
    // Object 3 is missing everywhere; objects 1 and 2 sit in unrelated trees.
    TModel m = MakeColumns({{"A[ ]", "B[ ]", "?"}, {"X[ ]", "X[ ]", "Y"}});
    CodePointerField(m);
    TDynRealMatrix d;
    StepDistanceMatrix(m.CharField, d);
    EXPECT_EQ(d[1][2], 0);  // only the second character counts
    EXPECT_TRUE(std::isnan(d[1][3]));
    EXPECT_TRUE(std::isnan(d[3][2]));

    TModel s = MakeColumns({{"?", "a"}});
    CodeStandardField(s);
    JaccardDistanceMatrix(s.CharField, d);
    EXPECT_TRUE(std::isnan(d[1][2]));
}

TEST(DistanceMatrix, DegenerateShapes)
{
    TDynRealMatrix d;
    TModel one = MakeColumns({{"A[ ]"}});
    CodePointerField(one);
    StepDistanceMatrix(one.CharField, d);
    EXPECT_EQ(d, (TDynRealMatrix{{0, 0}, {0, 0}}));

    TModel none;
    CodePointerField(none);
    StepDistanceMatrix(none.CharField, d);
    EXPECT_EQ(d.size(), 1u);
}

// The fast matrices against the literal pair-by-pair ones, on random data
// with missing, polymorphic, bracket-less and dangling cells, and characters
// wide enough to need more than one word.
TEST(DistanceMatrix, FastEqualsLiteralOnRandomData)
{
    for (std::uint64_t seed = 1; seed <= 12; ++seed) {
        std::mt19937_64 rng(seed);
        const int objects = 2 + static_cast<int>(rng() % 40);
        const int characters = 1 + static_cast<int>(rng() % 30);
        const int maxStates = seed % 3 == 0 ? 90 : 6;
        TModel m = RandomStandardModel(rng, objects, characters, maxStates);
        TDynRealMatrix fast, literal;
        CodeStandardField(m);
        JaccardDistanceMatrix(m.CharField, fast);
        LiteralJaccardDistanceMatrix(m.CharField, literal);
        ExpectIdentical(fast, literal, seed);

        TModel p = RandomPointerModel(rng, objects, characters, maxStates);
        p.MissingAsState = seed % 2 == 0;
        CodePointerField(p);
        StepDistanceMatrix(p.CharField, fast);
        LiteralStepDistanceMatrix(p.CharField, literal);
        ExpectIdentical(fast, literal, seed);
    }
}

TEST(DistanceJob, CodesByCharacterType)
{
    TModel m = MakeColumns({{"A[ ]", "B[A]"}});
    m.CharacterType = TCharacterType::Matroschka;
    CodeForJob(m, TAnalysisJob::DistanceMatrix);
    ComputeJob(m, TAnalysisJob::DistanceMatrix);
    EXPECT_EQ(m.ResultMatrix[1][2], 1);
    EXPECT_FALSE(m.MissingAsState);

    // Standard reads the two cells as two different names.
    m.CharacterType = TCharacterType::Standard;
    CodeForJob(m, TAnalysisJob::DistanceMatrix);
    ComputeJob(m, TAnalysisJob::DistanceMatrix);
    EXPECT_EQ(m.ResultMatrix[1][2], 1);
    EXPECT_EQ(m.CharField.Places[1].StateCount, 2);
}
