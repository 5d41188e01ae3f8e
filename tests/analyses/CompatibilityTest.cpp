#include <gtest/gtest.h>

#include "analyses/AnalysisJobs.h"
#include "analyses/Compatibility.h"
#include "analyses/Reference.h"
#include "tests/analyses/ModelBuilder.h"

namespace {
TBoolMatrix Compat(std::vector<QStringList> columns)
{
    TModel m = MakeColumns(columns);
    CodeForJob(m, TAnalysisJob::PairwiseCompatibility);
    ComputeJob(m, TAnalysisJob::PairwiseCompatibility);
    EXPECT_EQ(m.CharacterType, TCharacterType::Matroschka);
    EXPECT_TRUE(m.MissingAsState);
    return m.CompatMatrix;
}
}  // namespace

TEST(StepMatrix, SignedStepsAndMissingObjects)
{
    TModel m = MakeColumns({{"A[ ]", "B[A]", "C[B]", "D[A]", "?"}});
    m.MissingAsState = true;
    CodeForJob(m, TAnalysisJob::PairwiseCompatibility);
    const TShortMatrix s = StepMatrix(1, m.CharField);
    EXPECT_EQ(s[2][1], 1);  // B directly from A
    EXPECT_EQ(s[1][2], -1);
    EXPECT_EQ(s[3][1], 2);
    EXPECT_EQ(s[3][2], 1);
    EXPECT_EQ(s[2][4], -2);  // sisters: the later object positive
    EXPECT_EQ(s[4][2], 2);
    for (int o = 1; o <= 4; ++o) {
        EXPECT_EQ(s[5][o], 0);
        EXPECT_EQ(s[o][5], 0);
        EXPECT_EQ(s[o][o], 0);
    }
}

TEST(Compatibility, WorkedExamples)
{
    EXPECT_FALSE(Compat({{"A[ ]", "B[A]", "C[B]"}, {"A[ ]", "B[A]", "C[B]"}})[1][2]);
    // Object 3 derived from objects 1 and 2 in the first character only.
    TBoolMatrix c = Compat({{"A[ ]", "A[ ]", "B[A]"}, {"A[ ]", "A[ ]", "A[ ]"}});
    EXPECT_TRUE(c[1][2]);
    EXPECT_TRUE(c[2][1]);
    EXPECT_FALSE(c[1][1]);
    // Objects 2 and 3 each disagree once: tolerated.
    EXPECT_FALSE(Compat({{"A[ ]", "B[A]", "B[A]"}, {"A[ ]", "A[ ]", "A[ ]"}})[1][2]);
    // Missing cells never create a derivation.
    EXPECT_FALSE(Compat({{"?", "?", "?"}, {"A[ ]", "A[ ]", "A[ ]"}})[1][2]);
    EXPECT_EQ(Compat({{"A[ ]"}}), (TBoolMatrix{{false, false}, {false, false}}));
}

TEST(Compatibility, FastEqualsLiteralOnRandomData)
{
    for (std::uint64_t seed = 200; seed < 215; ++seed) {
        std::mt19937_64 rng(seed);
        // Sometimes more than 64 objects, so that rows span several words.
        const int objects = 1 + static_cast<int>(rng() % (seed % 3 == 0 ? 140 : 12));
        const int characters = 1 + static_cast<int>(rng() % 12);
        TModel m = RandomPointerModel(rng, objects, characters, seed % 5 == 0 ? 70 : 4);
        m.MissingAsState = true;
        CodePointerField(m);
        TBoolMatrix fast, literal;
        CompatibilityMatrix(m.CharField, fast);
        LiteralCompatibilityMatrix(m.CharField, literal);
        ASSERT_EQ(fast, literal) << "seed " << seed;
    }
}
