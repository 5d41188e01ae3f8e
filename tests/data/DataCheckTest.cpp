#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "data/MatrixOps.h"
#include "data/Path.h"
#include "data/PathControl.h"
#include "data/StateTree.h"

namespace {
// Characters given as columns of cells; objects o1.., characters ch1...
TDynStrMatrix Matrix(const std::vector<QStringList>& columns)
{
    const int n = columns.empty() ? 0 : static_cast<int>(columns[0].size());
    TDynStrMatrix m(columns.size() + 1);
    m[0].push_back(QStringLiteral("Taxon"));
    for (int o = 1; o <= n; ++o) m[0].push_back(QStringLiteral("o%1").arg(o));
    for (size_t c = 0; c < columns.size(); ++c) {
        m[c + 1].push_back(QStringLiteral("ch%1").arg(c + 1));
        for (const QString& cell : columns[c]) m[c + 1].push_back(cell);
    }
    return m;
}

TDataCheck Check(const std::vector<QStringList>& columns)
{
    return PathControl(Matrix(columns), static_cast<int>(columns.at(0).size()),
                       static_cast<int>(columns.size()));
}

QStringList Outline(const QStringList& cells)
{
    return StateTreeOutline(StateTreeOrder(Matrix({cells}), static_cast<int>(cells.size()), 1));
}
}  // namespace

TEST(DataCheck, ValidDataEndsWithContinueHint)
{
    const TDataCheck check = Check({{"B[A]", "C[B]", "A"}, {"A", "a", "?"}});
    EXPECT_TRUE(check.AllValid);
    EXPECT_EQ(check.Protocol, QStringList{" All data are valid"});
    QStringList expected = DataCheckHeader();
    expected << " All data are valid"
             << ""
             << " (Continue using main menu)";
    EXPECT_EQ(check.Report, expected);
    EXPECT_EQ(expected[3], "Only matroschka - coded data are allowed");
}

TEST(DataCheck, FaultyCharactersInOrderThenCorrectionLines)
{
    const TDataCheck check = Check({{"B[A]", "D[C]"}, {"A", "B[A]"}, {"?", "x?"}});
    EXPECT_FALSE(check.AllValid);
    EXPECT_EQ(check.FaultyCount, 2);
    // ch3 has no data at all: faulty in the report, no obstacle to the jobs.
    EXPECT_EQ(check.NoDataCount, 1);
    EXPECT_FALSE(check.Usable());
    const TDataCheck noData = Check({{"B[A]", "A"}, {"?", "x?"}, {"?", "?"}, {"B[?]", "?"}});
    EXPECT_EQ(noData.FaultyCount, 3);
    EXPECT_EQ(noData.NoDataCount, 2) << "B[?] has data, only no root";
    EXPECT_FALSE(noData.Usable());
    EXPECT_TRUE(Check({{"B[A]", "A"}, {"?", "?"}}).Usable());
    const QStringList expected{
        " More than one root in character ch1 or description of this character is incomplete",
        " No root in character ch3"};
    EXPECT_EQ(check.Protocol, expected);
    const QStringList tail = check.Report.mid(DataCheckHeader().size());
    EXPECT_EQ(tail, expected + QStringList({"", " CORRECT DATA!", "",
                                            " Use the \"Start excel\" button to edit data"}));
}

TEST(DataCheck, CyclesAreReportedAsCycles)
{
    for (const QStringList& cells :
         {QStringList{"A[B]", "B[A]"}, QStringList{"A[A]", "A"},
          QStringList{"Z[A]", "A[B]", "B[C]", "C[A]"}, QStringList{"A[B[A]]", "A"}}) {
        const TDataCheck check = Check({cells});
        EXPECT_FALSE(check.AllValid) << cells.join(' ').toStdString();
        EXPECT_EQ(check.Protocol,
                  QStringList{" Cycle in character ch1: a state is its own ancestor"});
    }
}

TEST(DataCheck, MoreThan256StatesIsAWarning)
{
    QStringList cells;
    for (int i = 0; i < 300; ++i) cells << QStringLiteral("s%1[r]").arg(i);
    const TDataCheck check = Check({cells});
    EXPECT_TRUE(check.AllValid);
    ASSERT_EQ(check.Protocol.size(), 2);
    EXPECT_EQ(check.Protocol[0],
              " More than 256 states in character ch1: states after the 256th are left out of the "
              "coding");
}

TEST(DataCheck, MalformedCellsAreReportedNotRefused)
{
    // "B[A" and "B[A]x" give the roots "A ERROR" and "A]x ERROR".
    TDataCheck check = Check({{"B[A", "B[A]x"}, {"]]]", "[]"}});
    EXPECT_EQ(check.FaultyCount, 2);
    EXPECT_TRUE(check.Protocol[0].startsWith(" More than one root in character ch1"));
    EXPECT_TRUE(check.Protocol[1].startsWith(" More than one root in character ch2"));
    // "[[[[" nests the empty name in itself.
    check = Check({{"[[[[", "A"}});
    EXPECT_EQ(check.Protocol[0], " Cycle in character ch1: a state is its own ancestor");
}

TEST(StateTree, NodesInTheOrderObjectsReachThem)
{
    EXPECT_EQ(Outline({"B[A]", "C[B]", "A"}), (QStringList{"A", "  B", "    C"}));
    const auto nodes = StateTreeOrder(Matrix({{"C[B]", "B[A]", "D[A]"}}), 3, 1);
    ASSERT_EQ(nodes.size(), 4u);
    // Roots first (A via object 1's full path), then object by object.
    EXPECT_EQ(nodes[0].Name, "A");
    EXPECT_EQ(nodes[1].Name, "B");
    EXPECT_EQ(nodes[1].Parent, 0);
    EXPECT_EQ(nodes[2].Name, "C");
    EXPECT_EQ(nodes[2].Parent, 1);
    EXPECT_EQ(nodes[3].Name, "D");
    EXPECT_EQ(nodes[3].Parent, 0);
    // The cell "b" is a root of its own (extension compares exactly), but the
    // view looks names up ignoring case: B is then already listed as "b".
    EXPECT_EQ(Outline({"C[B]", "B[A]", "D[A]", "b"}), (QStringList{"A", "  D", "b", "  C"}));
}

TEST(StateTree, MissingRootsAndCyclesNeverFail)
{
    EXPECT_EQ(Outline({"B[x?]", "C[B]", "?[A]"}), (QStringList{"A", "  ?", "B", "  C"}));
    // "?" is an ordinary name to the extension: B's path reaches A.
    EXPECT_EQ(Outline({"B[?]", "?[A]"}), (QStringList{"A", "  ?", "    B"}));
    EXPECT_EQ(Outline({"?", "?"}), QStringList{});
    EXPECT_EQ(Outline({"A[B]", "B[A]"}).size(), 2);
    EXPECT_EQ(Outline({"A[A]"}), QStringList{"A"});
}

TEST(PathMatrix, FullPathsInPointerNotation)
{
    const TDynStrMatrix m = PathMatrix(Matrix({{"B[A]", "C[B]", "A", "?", "x?[A]"}}), 5, 1);
    EXPECT_EQ(m[1][0], "ch1");
    EXPECT_EQ(m[0][2], "o2");
    EXPECT_EQ(m[1][1], "B[A[]]");
    EXPECT_EQ(m[1][2], "C[B[A[]]]");
    EXPECT_EQ(m[1][3], "A[]");
    EXPECT_EQ(m[1][4], "?");
    EXPECT_EQ(m[1][5], "?");
}

TEST(MatrixOps, TransposeSwapsNamesAndTwiceRestores)
{
    const TDynStrMatrix m = Matrix({{"a1", "a2"}, {"b1", "b2"}, {"c1", "c2"}});
    const TMatrixData t = TransposeMatrix(m, 2, 3);
    EXPECT_EQ(t.ObjectCount, 3);
    EXPECT_EQ(t.CharacterCount, 2);
    EXPECT_EQ(t.DataMatrix[0][0], "Taxon");
    EXPECT_EQ(t.DataMatrix[0][1], "ch1");
    EXPECT_EQ(t.DataMatrix[2][0], "o2");
    EXPECT_EQ(t.DataMatrix[2][3], "c2");
    const TMatrixData back = TransposeMatrix(t.DataMatrix, t.ObjectCount, t.CharacterCount);
    EXPECT_EQ(back.DataMatrix, m);
}

TEST(MatrixOps, RowsKeepEmptyCells)
{
    TDynStrMatrix m = Matrix({{"123456789", ""}, {"", ""}});
    m[2][0].clear();
    const auto rows = MatrixRows(m, 2, 2);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], (QStringList{"o1", "123456789", ""}));
    EXPECT_EQ(rows[0], (QStringList{"Taxon", "ch1", ""}));
}

// Random bracket soup: whatever the cells, every command ends, and the coding
// keeps its invariants (members below StateCount and 256, names of at most
// 255 characters, one node per state in the view).
TEST(BadCells, RandomBracketSoupKeepsInvariants)
{
    const quint32 seed = 77;
    QRandomGenerator rng(seed);
    static const QString alphabet = QStringLiteral("[[[]]]?Aab& ");
    for (int round = 0; round < 300; ++round) {
        const int n = 1 + rng.bounded(8);
        QStringList cells;
        for (int o = 0; o < n; ++o) {
            QString cell;
            const int length = rng.bounded(4) == 0 ? 200 + rng.bounded(100) : rng.bounded(12);
            for (int i = 0; i < length; ++i) cell += alphabet[rng.bounded(alphabet.size())];
            cells << CutCell(cell);
        }
        SCOPED_TRACE(QStringLiteral("seed %1 round %2").arg(seed).arg(round).toStdString());
        const TDynStrMatrix m = Matrix({cells});
        const TSPlace place = BuildPathSets(m, n, 1).Places[1];
        for (int o = 1; o <= n; ++o)
            for (int k = 0; k < TInclusion::Capacity; ++k)
                if (place.Inc[o].Contains(k)) {
                    ASSERT_LT(k, place.StateCount);
                }
        TPathBuilder b;
        b.BuildFullPaths(m, n, 1);
        for (int o = 1; o <= n; ++o)
            for (const QString& e : b.FullPaths[o]) ASSERT_LE(e.size(), 255);
        const TDataCheck check = PathControl(m, n, 1);
        ASSERT_FALSE(check.Report.isEmpty());
        const auto nodes = StateTreeOrder(m, n, 1);
        QStringList names;
        for (size_t k = 0; k < nodes.size(); ++k) {
            ASSERT_LT(nodes[k].Parent, static_cast<int>(k));
            names << nodes[k].Name;
        }
        ASSERT_EQ(RankNames(names, StateNameCollator()).GroupCount(), names.size());
        const TDynStrMatrix paths = PathMatrix(m, n, 1);
        for (int o = 1; o <= n; ++o) ASSERT_LE(paths[1][o].size(), 255);
    }
}
