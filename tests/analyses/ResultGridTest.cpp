#include <gtest/gtest.h>

#include <limits>

#include "analyses/AnalysisJobs.h"
#include "data/TextFile.h"
#include "tests/analyses/ModelBuilder.h"

namespace {
std::vector<QStringList> JobRows(TModel& m, TAnalysisJob job, QChar sep = QLatin1Char('.'))
{
    CodeForJob(m, job);
    ComputeJob(m, job);
    TResultGrid grid;
    ShowJobResult(grid, m, job, sep);
    return grid.Rows();
}
}  // namespace

TEST(ResultGrid, DistanceTextsAndSavedBytes)
{
    TModel m = MakeModel({{"", "c1", "c2"},
                          {"alpha", "A[ ]", "X[ ]"},
                          {"beta", "B[A]", "Y[X]"},
                          {"gamma", "C[B]", "?"}});
    m.CharacterType = TCharacterType::Matroschka;
    const auto rows = JobRows(m, TAnalysisJob::DistanceMatrix);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (QStringList{"", "alpha", "beta", "gamma"}));
    EXPECT_EQ(rows[1], (QStringList{"alpha", "0", "1", "2"}));
    EXPECT_EQ(rows[2], (QStringList{"beta", "1", "0", "1"}));
    EXPECT_EQ(rows[3], (QStringList{"gamma", "2", "1", "0"}));
    EXPECT_EQ(EncodeTextTable(rows),
              QByteArray(
                  "\talpha\tbeta\tgamma\r\nalpha\t0\t1\t2\r\nbeta\t1\t0\t1\r\ngamma\t2\t1\t0\r\n"));
}

TEST(ResultGrid, ThirdsInBothDecimalSeparatorsAndNaN)
{
    TModel m = MakeColumns({{"a", "a", "b"}, {"x", "y", "y"}, {"p", "p", "p"}});
    auto rows = JobRows(m, TAnalysisJob::StateCombinations);
    // c1 x c2: a-x, a-y, b-y = 3 of 4; c3 has one state, met with each.
    EXPECT_EQ(rows[1], (QStringList{"c1", "0.5", "0.75", "1"}));
    EXPECT_EQ(rows[3], (QStringList{"c3", "1", "1", "1"}));
    rows = JobRows(m, TAnalysisJob::Cramer, QLatin1Char(','));
    EXPECT_EQ(rows[1][1], "1");
    EXPECT_EQ(rows[1][3], "NAN");
    EXPECT_EQ(rows[2][1], "0,5");

    TResultGrid grid;
    grid.SetSize(2, 2);
    ShowRealMatrix(grid, {{0, 0}, {0, 1.0 / 3}}, 1, QLatin1Char(','));
    EXPECT_EQ(grid.Cell(1, 1), "0,333");
    ShowRealMatrix(grid, {{0, 0}, {0, 1234.5}}, 1, QLatin1Char('.'));
    EXPECT_EQ(grid.Cell(1, 1), "1.23E3");
}

TEST(ResultGrid, CompatibilityTableAndWidths)
{
    TModel m = MakeModel({{"", "legs", "wings", "eyes"},
                          {"a", "A[ ]", "A[ ]", "A[ ]"},
                          {"b", "A[ ]", "A[ ]", "A[ ]"},
                          {"c", "B[A]", "A[ ]", "B[A]"}});
    const auto rows = JobRows(m, TAnalysisJob::PairwiseCompatibility);
    EXPECT_EQ(rows[0], (QStringList{"", "legs", "wings", "eyes"}));
    EXPECT_EQ(rows[1], (QStringList{"legs", "   ", "", "yes"}));
    EXPECT_EQ(rows[2], (QStringList{"wings", "", "   ", ""}));
    EXPECT_EQ(rows[3], (QStringList{"eyes", "yes", "", "   "}));
    TResultGrid grid;
    ShowJobResult(grid, m, TAnalysisJob::PairwiseCompatibility, QLatin1Char('.'));
    EXPECT_EQ(grid.ColumnWidths(3), (std::vector<int>{42, 35, 42, 35}));
}

TEST(ResultGrid, CharacterHeadersClearOldTextsAndResizing)
{
    TResultGrid grid;
    TModel m = MakeColumns({{"a", "b"}, {"x", "y"}});
    CodeForJob(m, TAnalysisJob::Cramer);
    grid.SetSize(4, 4);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) grid.SetCell(c, r, "old");
    ShowCharacterHeaders(grid, m.CharField, 2);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.ColCount(), 3);
    EXPECT_EQ(grid.Cell(0, 0), "old");  // never written
    EXPECT_EQ(grid.Cell(1, 1), "");
    EXPECT_EQ(grid.Cell(2, 0), "c2");
    EXPECT_EQ(grid.Cell(0, 1), "c1");
}

TEST(AnalysisJobs, ProtocolLines)
{
    EXPECT_EQ(CodingProtocolLines(TAnalysisJob::DistanceMatrix),
              (QStringList{"", "Character type modulation successful"}));
    EXPECT_TRUE(CodingProtocolLines(TAnalysisJob::PairwiseCompatibility).isEmpty());
    EXPECT_EQ(
        ResultProtocolLines(TAnalysisJob::Cramer),
        (QStringList{"", "Matrix of character correlation created", "Cramer contingency index"}));
    EXPECT_EQ(ResultProtocolLines(TAnalysisJob::StateCombinations).last(),
              "State combinations of two characters: actual / potential");
    EXPECT_EQ(ResultProtocolLines(TAnalysisJob::PairwiseCompatibility),
              (QStringList{"", "Matrix of pairwise compatibility of characters created"}));
}
