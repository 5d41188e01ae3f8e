#include <gtest/gtest.h>

#include <QRegularExpression>
#include <map>

#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/length/ReferenceTree.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
TSearchSettings Settings(int n, int g, std::uint64_t seed, bool missing = true)
{
    TSearchSettings s;
    s.TreeCount = n;
    s.Generations = g;
    s.Seed = seed;
    s.MissingData = missing;
    return s;
}

const std::vector<std::pair<const char*, TScorerFactory>> Scorers{
    {"fast", MakeFastScorer}, {"reference", MakeReferenceScorer}};

TSField Field(std::uint64_t seed, int objects, int characters, double missing = 0.1)
{
    std::mt19937_64 rng(seed);
    TRandomFieldShape shape;
    shape.Objects = objects;
    shape.Characters = characters;
    shape.MaxStates = 7;
    shape.MissingShare = missing;
    return RandomField(rng, shape);
}

// Every population tree is complete and its derived fields and length are
// those of a fresh literal evaluation.
void ExpectEvaluatedPopulation(const TParsimonySearch& search, int objects)
{
    for (int k = 1; k <= search.TreeCount(); ++k) {
        const TTree& tree = search.Tree(k);
        ASSERT_TRUE(IsConsistentTree(tree, objects)) << "slot " << k;
        TTree fresh = tree;
        ReferenceEvaluateTree(fresh, search.CharField(), search.Settings().MissingData);
        ASSERT_EQ(fresh.Fitness, tree.Fitness) << "slot " << k;
        for (size_t j = 1; j < tree.Nodes.size(); ++j) {
            ASSERT_EQ(fresh.Nodes[j].Fit, tree.Nodes[j].Fit);
            ASSERT_EQ(fresh.Nodes[j].Objects, tree.Nodes[j].Objects);
        }
    }
}
}  // namespace

TEST(Search, RefusesWhatItCannotRun)
{
    EXPECT_TRUE(ValidateSearch(3, 1, 0).Ok());
    EXPECT_TRUE(ValidateSearch(255, 255, 5000).Ok());
    EXPECT_TRUE(ValidateSearch(2, 10, 100).Error().contains(QStringLiteral("at least 3 objects")));
    EXPECT_TRUE(
        ValidateSearch(256, 10, 100).Error().contains(QStringLiteral("at most 255 objects")));
    EXPECT_TRUE(ValidateSearch(10, 0, 100).Error().contains(QStringLiteral("No. of trees")));
    EXPECT_TRUE(ValidateSearch(10, 256, 100).Error().contains(QStringLiteral("No. of trees")));
    EXPECT_TRUE(ValidateSearch(10, 5, -1).Error().contains(QStringLiteral("Generations")));

    const TSField field = Field(1, 2, 3);
    TParsimonySearch search(field, 2, 3, Settings(5, 10, 1));
    EXPECT_EQ(search.Run(), TSearchStatus::Refused);
    EXPECT_EQ(search.StartCheck().Error(), ValidateSearch(2, 5, 10).Error());
    EXPECT_EQ(search.TreeCount(), 0);
    // Characters not coded for the data.
    TParsimonySearch uncoded(TSField(), 5, 3, Settings(5, 10, 1));
    EXPECT_EQ(uncoded.Run(), TSearchStatus::Refused);
    EXPECT_EQ(uncoded.StartCheck().Error().toStdString(),
              "The characters have not been coded for these data.");
}

TEST(Search, ShuffleGivesAPermutationThatASeedRepeats)
{
    const TSField field = Field(2, 40, 3);
    TParsimonySearch a(field, 40, 3, Settings(1, 0, 9)), b(field, 40, 3, Settings(1, 0, 9));
    a.Run();
    b.Run();
    a.ShuffleOrder();
    b.ShuffleOrder();
    EXPECT_EQ(a.Order(), b.Order());
    std::vector<int> sorted(a.Order().begin() + 1, a.Order().end());
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 40; ++i) EXPECT_EQ(sorted[static_cast<size_t>(i)], i + 1);
}

TEST(Search, ThreeEqualObjectsJoinTheFirstTip)
{
    TSField field = Field(3, 3, 2, 0);
    for (int c = 1; c <= 2; ++c)
        for (int o = 1; o <= 3; ++o) field.Places[c].Inc[o] = field.Places[c].Inc[1];
    for (const auto& [name, scorer] : Scorers) {
        TParsimonySearch search(field, 3, 2, Settings(4, 0, 11, true), scorer);
        ASSERT_EQ(search.Run(), TSearchStatus::Finished);
        for (int k = 1; k <= 4; ++k) {
            const TTree& tree = search.Tree(k);
            EXPECT_EQ(tree.Number, k);
            EXPECT_EQ(tree.Fitness, 0);
            // All three places are equally long: the first, above tip 1, wins.
            EXPECT_EQ(tree.Tips[3].Anc, tree.Tips[1].Anc);
            EXPECT_EQ(tree.Tips[3].Anc, 2);
            EXPECT_EQ(tree.Nodes[2].Anc, 1);
        }
    }
}

TEST(Search, OnlyNonSisterTipsSwapInAThreeTipTree)
{
    // In ((x, y), z) every tip-to-node and node-to-node draw is refused.
    const TSField field = Field(4, 3, 4);
    TParsimonySearch search(field, 3, 4, Settings(1, 0, 5));
    search.Run();
    int done = 0;
    for (int k = 0; k < 300; ++k) {
        search.LoadWorkingTree(1);
        const std::vector<int> before = ParentLinks(search.Tree(0));
        const char letter = search.MutateTree();
        const std::vector<int> after = ParentLinks(search.Tree(0));
        if (letter != 'a') {
            EXPECT_FALSE(search.MutationDone()) << letter;
        }
        if (search.MutationDone()) {
            ++done;
            EXPECT_NE(before, after);
            EXPECT_TRUE(IsConsistentTree(search.Tree(0), 3));
        } else {
            EXPECT_EQ(before, after);
        }
    }
    EXPECT_GT(done, 0);
}

TEST(Search, SwapsKeepTreesWholeAndTheRootInPlace)
{
    const TSField field = Field(5, 30, 4);
    for (const auto& [name, scorer] : Scorers) {
        TParsimonySearch search(field, 30, 4, Settings(3, 0, 6, true), scorer);
        search.Run();
        int done = 0;
        for (int k = 0; k < 600; ++k) {
            search.LoadWorkingTree(1 + k % 3);
            const TTree& work = search.Tree(0);
            const int root = work.Root();
            const std::vector<int> before = ParentLinks(work);
            search.MutateTree();
            if (!search.MutationDone()) {
                ASSERT_EQ(before, ParentLinks(work));
                continue;
            }
            ++done;
            ASSERT_TRUE(IsConsistentTree(work, 30));
            ASSERT_EQ(work.Root(), root);
            ASSERT_NE(before, ParentLinks(work));
        }
        EXPECT_GT(done, 200);
    }
}

// A whole seeded run chooses exactly the same trees with the fast and the
// literal scoring.
TEST(Search, FastRunEqualsReferenceRun)
{
    for (std::uint64_t seed : {1u, 2u, 3u, 4u}) {
        const int objects = 10 + static_cast<int>(seed) * 4;
        const TSField field = Field(100 + seed, objects, 12, seed % 2 ? 0.15 : 0);
        for (bool missing : {true, false}) {
            TParsimonySearch fast(field, objects, 12, Settings(5, 150, seed, missing),
                                  MakeFastScorer);
            TParsimonySearch reference(field, objects, 12, Settings(5, 150, seed, missing),
                                       MakeReferenceScorer);
            ASSERT_EQ(fast.Run(), TSearchStatus::Finished);
            ASSERT_EQ(reference.Run(), TSearchStatus::Finished);
            const std::string where =
                "seed " + std::to_string(seed) + (missing ? " missing" : " plain");
            ASSERT_EQ(fast.Histories(), reference.Histories()) << where;
            for (int k = 1; k <= 5; ++k) {
                const TTree& a = fast.Tree(k);
                const TTree& b = reference.Tree(k);
                ASSERT_EQ(ParentLinks(a), ParentLinks(b)) << where << " slot " << k;
                ASSERT_EQ(a.Number, b.Number) << where;
                ASSERT_EQ(a.Fitness, b.Fitness) << where;
                for (size_t i = 1; i < a.Tips.size(); ++i) {
                    ASSERT_EQ(a.Tips[i].Objects, b.Tips[i].Objects) << where;
                    ASSERT_EQ(a.Tips[i].Fit, b.Tips[i].Fit) << where;
                }
            }
            EXPECT_EQ(fast.FindBestTree(), reference.FindBestTree());
        }
    }
}

TEST(Search, SeedRepeatsARunAndOtherSeedsDiffer)
{
    const TSField field = Field(8, 25, 15);
    auto run = [&](std::uint64_t seed) {
        TParsimonySearch search(field, 25, 15, Settings(6, 100, seed));
        search.Run();
        std::vector<std::vector<int>> links;
        for (int k = 1; k <= 6; ++k) links.push_back(ParentLinks(search.Tree(k)));
        EXPECT_EQ(search.SeedUsed(), seed);
        return std::make_pair(search.Histories(), links);
    };
    EXPECT_EQ(run(42), run(42));
    EXPECT_NE(run(42), run(43));
}

// Every replacement is reported as it happens and kept in the slot's
// history; the list's texts are made from the histories.
TEST(Search, ListRecordsEveryReplacement)
{
    const TSField field = Field(9, 30, 20);
    TParsimonySearch search(field, 30, 20, Settings(8, 300, 77));
    std::vector<int> growSteps, generationSteps;
    std::vector<TSlotReplacement> events;
    double bestAfterGrowing = 0;
    std::vector<TSlotHistory> grown;
    TSearchCallbacks cb;
    cb.GrowProgress = [&](int k) { growSteps.push_back(k); };
    cb.GenerationProgress = [&](int g) { generationSteps.push_back(g); };
    cb.Grown = [&] {
        bestAfterGrowing = search.FindBestTree().second;
        grown = search.Histories();
    };
    cb.SlotReplaced = [&](const TSlotReplacement& r) {
        events.push_back(r);
        ASSERT_GE(r.Slot, 1);
        ASSERT_LE(r.Slot, 8);
        // Already in the history when reported, with the offspring's length.
        EXPECT_EQ(search.Histories()[static_cast<size_t>(r.Slot)].Replacements.back(), r);
        EXPECT_EQ(search.Tree(r.Slot).Fitness, r.Length);
        EXPECT_EQ(search.Tree(r.Slot).Number, r.Lineage);
        EXPECT_TRUE(r.Move == 'a' || r.Move == 'b' || r.Move == 'c');
    };
    ASSERT_EQ(search.Run(cb), TSearchStatus::Finished);
    EXPECT_EQ(growSteps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 0}));
    ASSERT_EQ(generationSteps.size(), 301u);
    EXPECT_EQ(generationSteps[299], 300);
    EXPECT_EQ(generationSteps.back(), 0);
    ASSERT_FALSE(events.empty());
    EXPECT_LE(search.FindBestTree().second, bestAfterGrowing);

    ASSERT_EQ(grown.size(), 9u);
    size_t replacements = 0;
    for (int k = 1; k <= 8; ++k) {
        const TSlotHistory& h = search.Histories()[static_cast<size_t>(k)];
        EXPECT_EQ(h.Number, k);
        EXPECT_EQ(h.GrownLength, grown[static_cast<size_t>(k)].GrownLength);
        EXPECT_TRUE(grown[static_cast<size_t>(k)].Replacements.empty());
        replacements += h.Replacements.size();
        // A slot holds its last offspring.
        if (!h.Replacements.empty()) {
            EXPECT_EQ(h.Replacements.back().Length, search.Tree(k).Fitness);
            EXPECT_EQ(h.Replacements.back().Lineage, search.Tree(k).Number);
        }
    }
    EXPECT_EQ(replacements, events.size());

    const std::vector<QStringList> list = PopulationListRows(search.Histories(), QLatin1Char('.'));
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(
        list[0],
        (QStringList{
            QStringLiteral("a: change tip to tip; b: change tip to node c: change node to node"),
            QStringLiteral("add - fit"), QStringLiteral("swap - fit")}));
    const QRegularExpression history(QStringLiteral("^[1-8]( [1-8][abc])*$"));
    int replaced = 0;
    for (int k = 1; k <= 8; ++k) {
        const QStringList& row = list[static_cast<size_t>(k)];
        EXPECT_TRUE(history.match(row[0]).hasMatch()) << row[0].toStdString();
        EXPECT_TRUE(row[0].startsWith(QString::number(k)));
        // The swap-fit column shows the current length once a slot was replaced.
        if (row[0].contains(QLatin1Char(' '))) {
            ++replaced;
            EXPECT_EQ(row[2], QString::number(search.Tree(k).Fitness));
            EXPECT_EQ(row[0].section(QLatin1Char(' '), -1).chopped(1),
                      QString::number(search.Tree(k).Number));
        } else {
            EXPECT_TRUE(row[2].isEmpty());
        }
    }
    EXPECT_GT(replaced, 0);
    ExpectEvaluatedPopulation(search, 30);
}

TEST(Search, ListTextsOfAHistory)
{
    TSlotHistory h{4, 37, {}};
    EXPECT_EQ(PopulationListRow(h, QLatin1Char(',')), (QStringList{"4", "37", ""}));
    h.Replacements = {{4, 35, 7, 'b'}, {4, 33.5, 2, 'c'}};
    EXPECT_EQ(PopulationListRow(h, QLatin1Char(',')), (QStringList{"4 7b 2c", "37", "33,5"}));
    EXPECT_EQ(PopulationListRows({TSlotHistory(), h}, QLatin1Char('.')).size(), 2u);
    EXPECT_EQ(PopulationListRows({}, QLatin1Char('.')).size(), 1u);  // the header alone
}

TEST(Search, NoGenerationsReportsTheGrownTrees)
{
    const TSField field = Field(10, 12, 6);
    TParsimonySearch search(field, 12, 6, Settings(5, 0, 3));
    ASSERT_EQ(search.Run(), TSearchStatus::Finished);
    for (int k = 1; k <= 5; ++k) {
        const QStringList row =
            PopulationListRow(search.Histories()[static_cast<size_t>(k)], QLatin1Char('.'));
        EXPECT_EQ(row[0], QString::number(k));
        EXPECT_EQ(row[1], QString::number(search.Tree(k).Fitness));
        EXPECT_TRUE(row[2].isEmpty());
    }
    ExpectEvaluatedPopulation(search, 12);
}

TEST(Search, CancelKeepsAConsistentPopulation)
{
    const TSField field = Field(11, 20, 8);
    {
        TParsimonySearch search(field, 20, 8, Settings(6, 100, 4));
        int grown = 0;
        TSearchCallbacks cb;
        cb.GrowProgress = [&](int k) {
            if (k > 0) grown = k;
        };
        cb.Cancelled = [&] { return grown == 2; };
        EXPECT_EQ(search.Run(cb), TSearchStatus::Cancelled);
        EXPECT_EQ(search.TreeCount(), 2);  // only complete trees
        EXPECT_EQ(search.Histories().size(), 3u);
        EXPECT_EQ(search.GenerationsDone(), 0);
        ExpectEvaluatedPopulation(search, 20);
    }
    {
        TParsimonySearch search(field, 20, 8, Settings(6, 100, 4));
        int generation = 0;
        TSearchCallbacks cb;
        cb.GenerationProgress = [&](int g) {
            if (g > 0) generation = g;
        };
        cb.Cancelled = [&] { return generation == 5; };
        EXPECT_EQ(search.Run(cb), TSearchStatus::Cancelled);
        EXPECT_EQ(search.TreeCount(), 6);
        EXPECT_EQ(search.GenerationsDone(), 5);
        ExpectEvaluatedPopulation(search, 20);
    }
    {
        TParsimonySearch search(field, 20, 8, Settings(6, 100, 4));
        TSearchCallbacks cb;
        cb.Cancelled = [] { return true; };
        EXPECT_EQ(search.Run(cb), TSearchStatus::Cancelled);
        EXPECT_EQ(search.TreeCount(), 0);
        EXPECT_EQ(search.FindBestTree().first, 0);
    }
}

TEST(Search, BestAndWorstTiesGoToTheLowestSlot)
{
    std::vector<TTree> trees(5);
    const double lengths[] = {0, 7, 5, 9, 5};
    for (int k = 0; k <= 4; ++k) trees[static_cast<size_t>(k)].Fitness = lengths[k];
    EXPECT_EQ(ShortestSlot(trees), std::make_pair(2, 5.0));  // slot 0 never counts
    EXPECT_EQ(LongestSlot(trees), std::make_pair(3, 9.0));
    for (TTree& tree : trees) tree.Fitness = 6;
    EXPECT_EQ(ShortestSlot(trees).first, 1);
    EXPECT_EQ(LongestSlot(trees).first, 1);
    EXPECT_EQ(ShortestSlot({TTree()}), std::make_pair(0, 0.0));
}

TEST(Search, ProtocolLinesFollowTheMissingDataChoice)
{
    const QStringList with =
        SearchProtocolLines(QStringLiteral("10"), QStringLiteral("1000"), true);
    EXPECT_EQ(
        with,
        (QStringList{
            QString(), QStringLiteral("10 trees are created"),
            QStringLiteral("1000 generations of branch swapping are calculated for each tree"),
            QStringLiteral("Missing data (\"?\") are expected"), QString(), QString()}));
    const QStringList without =
        SearchProtocolLines(QStringLiteral("5"), QStringLiteral("0"), false);
    ASSERT_EQ(without.size(), 7);
    EXPECT_EQ(without[3], QStringLiteral("no missing data (\"?\") are expected"));
    EXPECT_EQ(without[4],
              QStringLiteral(
                  "WARNING: if your data file contains \"?\", the computation will be errorness!"));
}

TEST(Search, CharStepsOfAPopulationTree)
{
    const TSField field = Field(13, 15, 5, 0.2);
    TParsimonySearch search(field, 15, 5, Settings(3, 50, 8));
    search.Run();
    TTree copy = search.Tree(2);
    const TReferenceStates states = ReferenceEvaluateTree(copy, field, true);
    double total = 0;
    for (int c = 1; c <= 5; ++c) {
        const double steps = search.ComputeCharSteps(2, c);
        EXPECT_EQ(steps, search.CharSteps());
        EXPECT_EQ(steps, ReferenceComputeCharSteps(copy, c, field, states));
        total += steps;
    }
    EXPECT_EQ(total, search.Tree(2).Fitness);  // the missing-data length is the sum over characters
}

TEST(Search, ShuffleTradesEveryPositionWithAnotherOne)
{
    // Three objects: each position trades with a different one, which allows
    // only three orders, with chances 3/8, 3/8 and 2/8 (never the identity).
    const TSField field = Field(14, 3, 1);
    TParsimonySearch search(field, 3, 1, Settings(1, 0, 21));
    search.Run();
    std::map<std::vector<int>, int> seen;
    const int draws = 16000;
    for (int k = 0; k < draws; ++k) {
        search.ShuffleOrder();
        ++seen[std::vector<int>(search.Order().begin() + 1, search.Order().end())];
    }
    ASSERT_EQ(seen.size(), 3u);
    const std::vector<int> a{1, 3, 2}, b{2, 1, 3}, c{3, 2, 1};
    EXPECT_NEAR(seen[a], draws * 3 / 8, draws / 40);
    EXPECT_NEAR(seen[b], draws * 3 / 8, draws / 40);
    EXPECT_NEAR(seen[c], draws * 2 / 8, draws / 40);
}

TEST(Search, BoundedDrawsAreUniformAndInRange)
{
    TRandom random(5);
    int counts[3] = {0, 0, 0};
    for (int k = 0; k < 30000; ++k) ++counts[random.Below(3)];
    for (int c : counts) EXPECT_NEAR(c, 10000, 400);
    const std::uint64_t huge = (std::uint64_t{1} << 63) + 1;  // rejects about half the draws
    for (int k = 0; k < 1000; ++k) EXPECT_LT(random.Below(huge), huge);
    TRandom a(77), b(77);
    for (int k = 0; k < 100; ++k) EXPECT_EQ(a.Below(255), b.Below(255));
}
