// Resampling support: the weights, the re-weighted data, and the bookkeeping
// of replicates, threads and cancel.
#include <gtest/gtest.h>

#include "parsimony/summaries/Support.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/TreeTestSupport.h"

TEST(Support, WeightsOfJackknifeAndBootstrap)
{
    int removed = 0, total = 0;
    for (std::uint64_t seed = 1; seed <= 200; ++seed) {
        const std::vector<int> j = ReplicateWeights(TSupportMethod::Jackknife, 100, seed);
        const std::vector<int> b = ReplicateWeights(TSupportMethod::Bootstrap, 100, seed);
        EXPECT_EQ(j, ReplicateWeights(TSupportMethod::Jackknife, 100, seed));
        int sum = 0;
        for (int c = 1; c <= 100; ++c) {
            ASSERT_TRUE(j[static_cast<size_t>(c)] == 0 || j[static_cast<size_t>(c)] == 1);
            removed += j[static_cast<size_t>(c)] == 0;
            ++total;
            sum += b[static_cast<size_t>(c)];
        }
        EXPECT_EQ(sum, 100);
    }
    // 20 000 draws: 1/e within four standard deviations.
    EXPECT_NEAR(static_cast<double>(removed) / total, 0.3679, 0.014);
}

TEST(Support, ReweightedDataScoreTheWeightedLength)
{
    std::mt19937_64 rng(9);
    for (int round = 0; round < 100; ++round) {
        TRandomFieldShape shape;
        shape.Objects = 3 + round % 15;
        shape.Characters = 1 + round % 8;
        shape.MissingShare = 0.1;
        const TSField field = RandomField(rng, shape);
        TTree tree = RandomTree(rng, shape.Objects);
        const std::vector<int> w =
            ReplicateWeights(round % 2 ? TSupportMethod::Bootstrap : TSupportMethod::Jackknife,
                             shape.Characters, static_cast<std::uint64_t>(round));
        EvaluateTree(tree, field, true);
        double weighted = 0;
        for (int c = 1; c <= shape.Characters; ++c)
            weighted += w[static_cast<size_t>(c)] * CountCharSteps(tree, c, field);
        TTree again = tree;
        EvaluateTree(again, Reweighted(field, w), true);
        EXPECT_EQ(again.Fitness, weighted) << "seed 9, round " << round;
    }
}

TEST(Support, UnitWeightsGiveTheGroupsOfTheTreesFoundAtFullSupport)
{
    std::mt19937_64 rng(4);
    const TSField field = RandomField(rng, {12, 10, 4, 0, 0});
    const std::vector<TTree> found{RandomTree(rng, 12), RandomTree(rng, 12)};
    // A search that finds these two trees whenever the data are the original.
    const TReplicateSearch fixed = [&](const TSField& data, const std::vector<int>& weights, int,
                                       std::uint64_t) {
        EXPECT_EQ(data.Places.Count(), field.Places.Count());
        std::vector<int> unit(11, 1);
        unit[0] = 0;
        EXPECT_EQ(weights, unit);
        return found;
    };
    TSupportSettings s;
    s.Method = TSupportMethod::Unit;
    s.Replicates = 7;
    s.Threads = 3;
    const TSupportResult r = RunSupport(field, 12, s, fixed);
    EXPECT_EQ(r.Done, 7);
    const TGeneralTree strict =
        Consensus(CladesOfTrees({&found[0], &found[1]}, 12), TConsensusKind::Strict);
    ASSERT_EQ(r.Consensus.Nodes.size(), strict.Nodes.size());
    for (size_t k = 0; k < strict.Nodes.size(); ++k) {
        EXPECT_EQ(r.Consensus.Nodes[k].Group, strict.Nodes[k].Group);
        if (!r.Consensus.Nodes[k].Children.empty() && static_cast<int>(k) != r.Consensus.Root) {
            EXPECT_EQ(r.Consensus.Nodes[k].Percent, 100);
        }
    }
}

TEST(Support, ThreadsDoNotChangeTheResultAndCancelStops)
{
    std::mt19937_64 rng(12);
    const TSField field = RandomField(rng, {9, 12, 4, 0.05, 0});
    const TReplicateSearch search = EvolutionaryReplicateSearch(4, 20, true);
    TSupportSettings s;
    s.Method = TSupportMethod::Jackknife;
    s.Replicates = 12;
    s.Seed = 77;
    const TSupportResult one = RunSupport(field, 9, s, search);
    s.Threads = 3;
    int calls = 0;
    const TSupportResult three = RunSupport(field, 9, s, search, [&](int) { ++calls; });
    EXPECT_EQ(calls, 12);
    EXPECT_EQ(one.Replicates.Trees, three.Replicates.Trees);
    EXPECT_EQ(WriteNewickTree(ConsensusToNewick(one.Consensus, field.Names, true)),
              WriteNewickTree(ConsensusToNewick(three.Consensus, field.Names, true)));
    std::atomic<int> asked{0};
    const TSupportResult stopped = RunSupport(field, 9, s, search, {}, [&] { return ++asked > 4; });
    EXPECT_TRUE(stopped.Cancelled);
    EXPECT_LT(stopped.Done, 12);
}

namespace {
// One binary character per group of the tree: its members have the derived
// state. The tree is then the only shortest tree.
TSField FieldOfTree(const TTree& tree, int objects)
{
    const std::vector<TInclusion> groups = CladesOfTrees({&tree}, objects).Trees.front();
    TSField field;
    field.Names.Resize(objects);
    for (int o = 1; o <= objects; ++o) field.Names[o] = QStringLiteral("T%1").arg(o);
    field.Places.Resize(0);
    for (const TInclusion& g : groups) {
        TSPlace place;
        place.Name = QStringLiteral("C%1").arg(field.Places.Count() + 1);
        place.StateCount = 2;
        place.Inc.Assign(objects, TInclusion());
        for (int o = 1; o <= objects; ++o) {
            place.Inc[o].Include(0);
            if (g.Contains(o)) place.Inc[o].Include(1);
        }
        field.Places.Append(place);
    }
    return field;
}
}  // namespace

TEST(Support, ThoroughReplicatesFindTheOnlyShortestTreeAtFullSupport)
{
    std::mt19937_64 rng(31);
    for (int round = 0; round < 3; ++round) {
        const int n = 10 + 7 * round;
        const TTree tree = RandomTree(rng, n);
        const TSField field = FieldOfTree(tree, n);
        TSupportSettings s;
        s.Method = TSupportMethod::Unit;
        s.Replicates = 3;
        s.Threads = 2;
        const TSupportResult r = RunSupport(field, n, s, ThoroughReplicateSearch({}));
        const TConsensusInput truth = CladesOfTrees({&tree}, n);
        std::vector<TInclusion> found;
        for (const TGeneralNode& node : r.Consensus.Nodes)
            if (!node.Children.empty() && node.Parent >= 0) {
                found.push_back(node.Group);
                EXPECT_EQ(node.Percent, 100) << "round " << round;
            }
        EXPECT_EQ(found.size(), truth.Trees.front().size()) << "round " << round;
        for (const TInclusion& g : truth.Trees.front())
            EXPECT_NE(std::find(found.begin(), found.end(), g), found.end()) << "round " << round;
    }
}

TEST(Support, ThoroughReplicatesDoNotDependOnTheThreads)
{
    std::mt19937_64 rng(5);
    const TSField field = RandomField(rng, {25, 30, 4, 0.1, 0});
    for (TSupportMethod method : {TSupportMethod::Jackknife, TSupportMethod::Bootstrap}) {
        TSupportSettings s;
        s.Method = method;
        s.Replicates = 8;
        s.Seed = 3;
        s.Threads = 1;
        const TSupportResult one = RunSupport(field, 25, s, ThoroughReplicateSearch({}));
        s.Threads = 2;
        const TSupportResult two = RunSupport(field, 25, s, ThoroughReplicateSearch({}));
        EXPECT_EQ(one.Done, 8);
        EXPECT_EQ(one.Replicates.Trees, two.Replicates.Trees);
        EXPECT_EQ(WriteNewickTree(ConsensusToNewick(one.Consensus, field.Names, true)),
                  WriteNewickTree(ConsensusToNewick(two.Consensus, field.Names, true)));
        // The road of big trees gives the same support.
        const TSupportResult big = RunBigSupport(field, 25, s, BigThoroughReplicateSearch({}));
        EXPECT_EQ(big.Done, 8);
        EXPECT_EQ(WriteNewickTree(ConsensusToNewick(big.Consensus, field.Names, true)),
                  WriteNewickTree(ConsensusToNewick(one.Consensus, field.Names, true)));
    }
}
