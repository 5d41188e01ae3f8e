#include <gtest/gtest.h>

#include "data/ImportSource.h"
#include "data/Path.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/summaries/CharFit.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
TMatrixData Matrix(const QByteArray& text)
{
    TReadResult read = ReadTextMatrixBytes(text);
    EXPECT_TRUE(read.Ok()) << read.Error().toStdString();
    return read->Data;
}

TSField Coded(const TMatrixData& data)
{
    return BuildPathSets(data.DataMatrix, data.ObjectCount, data.CharacterCount);
}

// The missing character comes first: the rule it is counted by is what differs.
const QByteArray FitData =
    "Taxon\tmiss\troot\tderived\ttwice\n"
    "t1\tA\tA\tB[A]\tA\n"
    "t2\tB[A]\tA\tB\tB[A]\n"
    "t3\t?\tA\tB\tA\n"
    "t4\tC[A]\tA\tB\tB\n";

// ((t1,t2),(t3,t4)): tips 1, 2 below node 2, tips 3, 4 below node 3, both below the root, node 1.
TTree Balanced() { return MakeTreeFromLinks({2, 2, 3, 3}, {0, 1, 1}); }

std::string Row(const QStringList& cells) { return cells.join(QLatin1Char('|')).toStdString(); }
}  // namespace

TEST(CharFit, WorkedExampleOfEveryVerdict)
{
    const TSField field = Coded(Matrix(FitData));
    TTree tree = Balanced();
    const std::vector<QStringList> rows = CharFitTable(tree, field);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(Row(rows[0]), "Characters|No of states|Evolutionary steps|Compatibility|Homoplasy");
    // A, B, C with t3 missing: B and C each arise once.
    EXPECT_EQ(Row(rows[1]), "miss|3 + ?|2|yes|no");
    // Everything in the root state.
    EXPECT_EQ(Row(rows[2]), "root|1|0|yes|no");
    // All share B, whose origin lies above the tree's root: no step counted.
    EXPECT_EQ(Row(rows[3]), "derived|2|0|no|yes");
    // B arises in both clades.
    EXPECT_EQ(Row(rows[4]), "twice|2|2|no|yes");
}

TEST(CharFit, EveryCharacterIsCountedOnMissingDataStatesWhateverTheSearchUsed)
{
    const TSField field = Coded(Matrix(FitData));
    TTree plain = Balanced();
    EvaluateTree(plain, field, false);
    const double plainLength = plain.Fitness;
    TTree missing = Balanced();
    EvaluateTree(missing, field, true);
    ASSERT_NE(plainLength, missing.Fitness);  // the data do tell the rules apart

    const std::vector<QStringList> afterPlain = CharFitTable(plain, field);
    const std::vector<QStringList> afterMissing = CharFitTable(missing, field);
    ASSERT_EQ(afterPlain.size(), afterMissing.size());
    for (size_t r = 0; r < afterPlain.size(); ++r)
        EXPECT_EQ(Row(afterPlain[r]), Row(afterMissing[r])) << "row " << r;
    EXPECT_EQ(Row(afterPlain[1]), "miss|3 + ?|2|yes|no");
    // The tree is left evaluated with the missing-data rule.
    EXPECT_EQ(plain.Fitness, missing.Fitness);
    EXPECT_TRUE(plain.MissingDataStates);
}

TEST(CharFit, StepsAgreeWithTheEngineAndAddUpToTheTreeLength)
{
    std::mt19937_64 rng(20261208);
    for (int round = 0; round < 60; ++round) {
        TRandomFieldShape shape;
        shape.Objects = 3 + static_cast<int>(rng() % 30);
        shape.Characters = 1 + static_cast<int>(rng() % 12);
        shape.MaxStates = 2 + static_cast<int>(rng() % 80);
        shape.MissingShare = (round % 3) * 0.15;
        shape.MultiRootShare = round % 4 == 0 ? 0.2 : 0;
        const TSField field = RandomField(rng, shape);
        TTree tree = RandomTree(rng, shape.Objects);
        EvaluateTree(tree, field, round % 2 == 0);
        TTree evaluated = tree;
        const std::vector<QStringList> rows = CharFitTable(tree, field);
        double sum = 0;
        for (int c = 1; c <= shape.Characters; ++c) {
            const double steps = CountCharSteps(tree, c, field);
            ASSERT_EQ(rows[static_cast<size_t>(c)][2],
                      QString::number(static_cast<long long>(steps)))
                << "round " << round << " character " << c;
            sum += steps;
        }
        // Fits are sums over the characters, so the per-character steps make up the length.
        ASSERT_EQ(sum, tree.Fitness) << "round " << round;
        EvaluateTree(evaluated, field, true);
        ASSERT_EQ(evaluated.Fitness, tree.Fitness) << "round " << round;
    }
}

TEST(TreeTable, TipsNodesAndLengthShareRowsByNumber)
{
    TSField field;
    field.Names = TNumbered<QString>::FromItems({"Alpha", "Beta", "Gamma"});
    field.Places.Resize(1);
    field.Places[1].Inc.Assign(3, TInclusion());
    field.Places[1].Inc[1].Include(0);
    field.Places[1].Inc[2].Include(0);
    field.Places[1].Inc[2].Include(1);
    field.Places[1].Inc[3].Include(0);
    // Tip 1 holds object 3, tip 3 object 1.
    TTree tree = MakeTreeFromLinks({2, 2, 1}, {0, 1}, {3, 2, 1});
    EvaluateTree(tree, field, true);
    std::vector<QStringList> rows = TreeTableRows(tree, field.Names, QLatin1Char('.'));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(Row(rows[0]), "|Tips|T-fit|Nodes|N-fit");
    EXPECT_EQ(Row(rows[1]), "Gamma|1[2]|0|1[]|0");
    EXPECT_EQ(Row(rows[2]), "Beta|2[2]|1|2[1]|0");
    EXPECT_EQ(Row(rows[3]), "Alpha|3[1]|0|Fitness|1");

    // Fits in three significant digits, the length in full.
    tree.Tips[2].Fit = 1234;
    tree.Nodes[2].Fit = 2.5;
    tree.Fitness = 1234.5;
    rows = TreeTableRows(tree, field.Names, QLatin1Char(','));
    EXPECT_EQ(rows[2][2], QString("1.23E3").replace('.', ','));
    EXPECT_EQ(rows[2][4], QString("2,5"));
    EXPECT_EQ(rows[3][4], QString("1234,5"));
    EXPECT_EQ(OptimumText(37, QLatin1Char('.')), QString("Optimum = Minimum = 37"));
}

TEST(OptimizeRun, BothEditTextsAreReadBeforeAnythingIsComputed)
{
    TResult<TSearchRequest> r = ReadSearchRequest("10", "abc", 5);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.Error().toStdString(), "'abc' is not a valid integer value");
    r = ReadSearchRequest("ten", "abc", 5);
    EXPECT_EQ(r.Error().toStdString(), "'ten' is not a valid integer value");
    r = ReadSearchRequest("", "10", 5);
    EXPECT_EQ(r.Error().toStdString(), "'' is not a valid integer value");
    r = ReadSearchRequest("10", "99999999999", 5);
    EXPECT_FALSE(r.Ok());

    // Values outside the up/down ranges but inside the limits are used as typed.
    r = ReadSearchRequest(" 3 ", "0", 3);
    EXPECT_TRUE(r.Ok()) << r.Error().toStdString();
    EXPECT_EQ(r->TreeCount, 3);
    EXPECT_EQ(r->Generations, 0);
    r = ReadSearchRequest("255", "7000", 4);
    EXPECT_TRUE(r.Ok());

    for (auto [n, g, objects] :
         {std::tuple{"0", "10", 5}, std::tuple{"256", "10", 5}, std::tuple{"10", "-1", 5},
          std::tuple{"10", "10", 2}, std::tuple{"10", "10", 256}}) {
        r = ReadSearchRequest(n, g, objects);
        EXPECT_FALSE(r.Ok()) << n << " " << g << " " << objects;
        EXPECT_FALSE(r.Error().isEmpty());
    }
}

TEST(OptimizeRun, CodingMustBelongToTheLoadedData)
{
    TModel model;
    model.AssignMatrix(Matrix(FitData), false);
    EXPECT_FALSE(CodingFitsData(model));  // resized at load, not coded
    model.SetCharField(Coded(Matrix(FitData)), true);
    EXPECT_TRUE(CodingFitsData(model));

    // Another file of the same shape but other objects, with the first coding.
    TModel other;
    QByteArray renamed = FitData;
    renamed.replace("t3", "t9");
    other.AssignMatrix(Matrix(renamed), false);
    other.CharField = model.CharField;
    other.PathSetsRevision = model.PathSetsRevision;
    EXPECT_FALSE(CodingFitsData(other));
    // The same file loaded again is new data too: it may have been edited outside.
    TModel again = model;
    again.AssignMatrix(Matrix(FitData), false);
    EXPECT_FALSE(CodingFitsData(again));
    // A cell edited after the coding.
    TModel edited = model;
    edited.SetCell(4, 2, "B");
    EXPECT_EQ(edited.Cell(4, 2), QString("B"));
    EXPECT_FALSE(CodingFitsData(edited));
    EXPECT_TRUE(CodingFitsData(model));
    // Another job's coding replaces the parsimony coding.
    TModel recoded = model;
    recoded.SetCharField(Coded(Matrix(FitData)));
    EXPECT_FALSE(CodingFitsData(recoded));
}

TEST(OptimizeRun, CancelledRunSaysWhatWasDone)
{
    const QStringList lines = CancelledProtocolLines(10, 10, 17, 1000, false);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QString());
    EXPECT_EQ(lines[1].toStdString(),
              "The run was cancelled: 10 of 10 trees were created, 17 of 1000 generations of "
              "branch swapping were "
              "calculated");
    EXPECT_EQ(lines[2], QString("no missing data (\"?\") are expected"));
    EXPECT_TRUE(lines[3].startsWith("WARNING"));
    EXPECT_EQ(lines[4], QString());
    EXPECT_EQ(lines[5], QString());
    EXPECT_EQ(CancelledProtocolLines(3, 10, 0, 1000, true).size(), 5);
}
