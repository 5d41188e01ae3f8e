#include <gtest/gtest.h>

#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/length/MakeTree.h"
#include "parsimony/length/PackedStates.h"
#include "parsimony/length/ReferenceTree.h"
#include "parsimony/length/SwapScoring.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
TInclusion Set(std::initializer_list<int> members)
{
    TInclusion s;
    for (int m : members) s.Include(m);
    return s;
}

// One character; object o gets sets[o-1].
TSField OneCharacter(const std::vector<TInclusion>& sets)
{
    TSField field;
    field.Names.Resize(static_cast<int>(sets.size()));
    field.Places.Resize(1);
    for (const TInclusion& s : sets) field.Places[1].Inc.Append(s);
    field.Places[1].StateCount = 3;
    return field;
}

// Tips 1, 2 below node 2; node 2 and tip 3 below the root, node 1.
TTree ThreeTipTree() { return MakeTreeFromLinks({2, 2, 1}, {0, 1}); }

void ExpectFits(const TTree& tree, const std::vector<double>& tipFits,
                const std::vector<double>& nodeFits)
{
    for (size_t i = 0; i < tipFits.size(); ++i)
        EXPECT_EQ(tree.Tips[i + 1].Fit, tipFits[i]) << "tip " << i + 1;
    for (size_t j = 0; j < nodeFits.size(); ++j)
        EXPECT_EQ(tree.Nodes[j + 1].Fit, nodeFits[j]) << "node " << j + 1;
}

void ExpectSameEvaluation(const TTree& fast, const TTree& reference, const std::string& where)
{
    ASSERT_EQ(fast.Fitness, reference.Fitness) << where;
    for (size_t i = 1; i < fast.Tips.size(); ++i) {
        ASSERT_EQ(fast.Tips[i].Fit, reference.Tips[i].Fit) << where << " tip " << i;
        ASSERT_EQ(fast.Tips[i].AncSet, reference.Tips[i].AncSet) << where << " tip " << i;
    }
    for (size_t j = 1; j < fast.Nodes.size(); ++j) {
        ASSERT_EQ(fast.Nodes[j].Fit, reference.Nodes[j].Fit) << where << " node " << j;
        ASSERT_EQ(fast.Nodes[j].AncSet, reference.Nodes[j].AncSet) << where << " node " << j;
        ASSERT_EQ(fast.Nodes[j].Objects, reference.Nodes[j].Objects) << where << " node " << j;
        for (int k = 1; k <= 2; ++k) {
            ASSERT_EQ(fast.Nodes[j].Child[k].Num, reference.Nodes[j].Child[k].Num)
                << where << " node " << j;
            ASSERT_EQ(fast.Nodes[j].Child[k].IsTip, reference.Nodes[j].Child[k].IsTip)
                << where << " node " << j;
        }
    }
}
}  // namespace

TEST(TreeLength, SiblingStatesChargeOneStepEach)
{
    // B = {A, B}, C = {A, C}: both derived from A.
    const TSField field = OneCharacter({Set({0, 1}), Set({0, 2}), Set({0})});
    for (bool missing : {false, true}) {
        TTree tree = ThreeTipTree();
        EvaluateTree(tree, field, missing);
        EXPECT_EQ(tree.Fitness, 2);
        ExpectFits(tree, {1, 1, 0}, {0, 0});
        // Derived fields.
        EXPECT_EQ(tree.Nodes[1].Child[1].Num, 3);
        EXPECT_TRUE(tree.Nodes[1].Child[1].IsTip);
        EXPECT_EQ(tree.Nodes[1].Child[2].Num, 2);
        EXPECT_FALSE(tree.Nodes[1].Child[2].IsTip);
        EXPECT_EQ(tree.Nodes[1].Objects, (TIntNumArr{1, 2, 3}));
        EXPECT_EQ(tree.Nodes[2].Objects, (TIntNumArr{1, 2}));
        EXPECT_EQ(tree.Tips[1].AncSet, Set({1, 2}));
        EXPECT_EQ(tree.Nodes[1].AncSet, Set({1}));
        EXPECT_EQ(tree.Root(), 1);
    }
}

TEST(TreeLength, SharedStatesCostNothing)
{
    for (const TInclusion& s : {Set({0}), Set({0, 4, 7})}) {
        TTree tree = ThreeTipTree();
        EvaluateTree(tree, OneCharacter({s, s, s}), true);
        EXPECT_EQ(tree.Fitness, 0);
    }
}

TEST(TreeLength, MissingDataRuleSkipsQuestionMarks)
{
    // Object 2 is "?"; objects 1 and 3 share the derived state B.
    const TSField field = OneCharacter({Set({0, 1}), TInclusion(), Set({0, 1})});
    TTree tree = ThreeTipTree();
    EvaluateTree(tree, field, true);
    EXPECT_EQ(tree.Fitness, 0);
    // Plain rule: the "?" empties both nodes; tips 1 and 3 pay their full set.
    EvaluateTree(tree, field, false);
    EXPECT_EQ(tree.Fitness, 4);
    ExpectFits(tree, {2, 0, 2}, {0, 0});
    // A node all of whose objects are "?" has the empty set and costs nothing.
    const TSField allMissingBelow = OneCharacter({TInclusion(), TInclusion(), Set({0, 1})});
    EvaluateTree(tree, allMissingBelow, true);
    EXPECT_EQ(tree.Fitness, 0);
}

TEST(TreeLength, CharStepsCountOneCharacterAndRestoreAllFits)
{
    TSField field = OneCharacter({Set({0, 1}), Set({0, 2}), Set({0})});
    field.Places.Append(field.Places[1]);
    field.Places[2].Inc =
        TNumbered<TInclusion>::FromItems({Set({0, 1}), TInclusion(), Set({0, 1})});
    TTree tree = ThreeTipTree();
    EvaluateTree(tree, field, false);
    EXPECT_EQ(tree.Fitness, 2 + 4);
    EXPECT_EQ(ComputeCharSteps(tree, 1, field), 2);
    // Character 2 on the plain rule's states: both node sets are empty, the
    // "?" tip costs nothing, the two B tips their full sets (2 each).
    EvaluateTree(tree, field, false);
    EXPECT_EQ(ComputeCharSteps(tree, 2, field), 4);
    // Afterwards the fits follow the missing-data rule.
    EXPECT_EQ(tree.Fitness, 2);
    EXPECT_TRUE(tree.MissingDataStates);
    EXPECT_EQ(ComputeCharSteps(tree, 2, field), 0);
}

// The fast scoring must give exactly what the literal definition gives, on
// random trees over random data with "?", several roots and long characters.
TEST(TreeLength, FastEqualsReferenceOnRandomTrees)
{
    const std::uint64_t seed = 20261208;
    std::mt19937_64 rng(seed);
    int trees = 0;
    for (int round = 0; round < 130; ++round) {
        TRandomFieldShape shape;
        shape.Objects = std::uniform_int_distribution<int>(3, round % 10 == 0 ? 120 : 30)(rng);
        shape.Characters = std::uniform_int_distribution<int>(1, 25)(rng);
        shape.MaxStates = round % 3 == 0 ? 200 : 8;  // many characters wider than 64 bits
        shape.MissingShare = round % 4 == 0 ? 0 : 0.15;
        shape.MultiRootShare = round % 5 == 0 ? 0.3 : 0;
        const TSField field = RandomField(rng, shape);
        const TPackedField packed(field, shape.Objects, shape.Characters);
        for (bool missing : {false, true}) {
            TTreeScorer scorer(packed, missing);
            for (int k = 0; k < 4; ++k, ++trees) {
                TTree fast = RandomTree(rng, shape.Objects);
                TTree reference = fast;
                TTree standalone = fast;
                const TReferenceStates states = ReferenceEvaluateTree(reference, field, missing);
                scorer.Evaluate(fast);
                const std::string where =
                    "seed " + std::to_string(seed) + " round " + std::to_string(round);
                ExpectSameEvaluation(fast, reference, where);
                EvaluateTree(standalone, field, missing);
                ASSERT_EQ(standalone.Fitness, reference.Fitness) << where;
                ASSERT_EQ(scorer.Length(fast, shape.Objects),
                          static_cast<std::int64_t>(reference.Fitness))
                    << where;
                // Node states and per-character steps from the same evaluation.
                const int c = std::uniform_int_distribution<int>(1, shape.Characters)(rng);
                const TIncArr fastStates = CharacterStates(fast, c, field);
                for (int j = 1; j < shape.Objects; ++j)
                    ASSERT_EQ(fastStates[static_cast<size_t>(shape.Objects + j)],
                              states.Nodes[static_cast<size_t>(j)][static_cast<size_t>(c)])
                        << where;
                ASSERT_EQ(ComputeCharSteps(fast, c, field),
                          ReferenceComputeCharSteps(reference, c, field, states))
                    << where;
                ExpectSameEvaluation(fast, reference, where + " after char steps");
            }
        }
    }
    EXPECT_GE(trees, 1000);
}

// Incremental insertion scoring against trying every branch literally.
TEST(TreeLength, BestInsertionMatchesTryingEveryBranch)
{
    std::mt19937_64 rng(77);
    for (int round = 0; round < 150; ++round) {
        TRandomFieldShape shape;
        shape.Objects = std::uniform_int_distribution<int>(3, 25)(rng);
        shape.Characters = std::uniform_int_distribution<int>(1, 12)(rng);
        shape.MaxStates = round % 2 ? 90 : 5;
        shape.MissingShare = round % 3 ? 0.2 : 0;
        shape.MultiRootShare = round % 4 ? 0 : 0.3;
        const TSField field = RandomField(rng, shape);
        const TPackedField packed(field, shape.Objects, shape.Characters);
        const bool missing = round % 2 == 0;
        TTreeScorer scorer(packed, missing);
        // A tree of the first m objects; the next object goes in.
        const int m = std::uniform_int_distribution<int>(2, shape.Objects - 1)(rng);
        TTree base = RandomTree(rng, m);
        const int object = m + 1;
        const TInsertionPoint fast = scorer.BestInsertion(base, m, object);

        bool first = true;
        TInsertionPoint literal;
        for (int v = 1; v <= 2 * m - 1; ++v) {
            const bool isTip = v <= m;
            const int num = isTip ? v : v - m;
            TTree tree = base;
            tree.Nodes.push_back(TNode());
            TTip tip;
            tip.Objects = {static_cast<TIntNum>(object)};
            tip.Anc = static_cast<TIntNum>(m);
            tree.Tips.push_back(tip);
            TIntNum& anc = isTip ? tree.Tips[static_cast<size_t>(num)].Anc
                                 : tree.Nodes[static_cast<size_t>(num)].Anc;
            tree.Nodes[static_cast<size_t>(m)].Anc = anc;
            anc = static_cast<TIntNum>(m);
            ReferenceEvaluateTree(tree, field, missing);
            if (first || tree.Fitness < literal.Length)
                literal = {isTip, num, static_cast<std::int64_t>(tree.Fitness)};
            first = false;
        }
        ASSERT_EQ(fast.Length, literal.Length) << "round " << round;
        ASSERT_EQ(fast.IsTip, literal.IsTip) << "round " << round;
        ASSERT_EQ(fast.Num, literal.Num) << "round " << round;
    }
}

// A swap scored from the changed nodes only against a full evaluation.
TEST(TreeLength, SwapLengthMatchesAFullEvaluation)
{
    std::mt19937_64 rng(31);
    int scored = 0;
    for (int round = 0; round < 120; ++round) {
        TRandomFieldShape shape;
        shape.Objects = std::uniform_int_distribution<int>(4, 40)(rng);
        shape.Characters = std::uniform_int_distribution<int>(1, 15)(rng);
        shape.MaxStates = round % 2 ? 100 : 6;
        shape.MissingShare = round % 3 ? 0.2 : 0;
        shape.MultiRootShare = round % 4 ? 0 : 0.3;
        const TSField field = RandomField(rng, shape);
        const TPackedField packed(field, shape.Objects, shape.Characters);
        const bool missing = round % 2 == 0;
        TSwapScorer swapper(packed, missing, 2);
        const TTree tree = RandomTree(rng, shape.Objects);
        TTree reference = tree;
        ReferenceEvaluateTree(reference, field, missing);
        ASSERT_EQ(swapper.Remember(1, tree), static_cast<std::int64_t>(reference.Fitness));
        const int t = shape.Objects;
        for (int k = 0; k < 30; ++k) {
            // Any two parts, neither above the other and not sisters.
            const bool tipA = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
            const bool tipB = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
            const int a = std::uniform_int_distribution<int>(1, tipA ? t : t - 1)(rng);
            const int b = std::uniform_int_distribution<int>(1, tipB ? t : t - 1)(rng);
            if (tipA == tipB && a == b) continue;
            TIntNum& ancA = tipA ? reference.Tips[static_cast<size_t>(a)].Anc
                                 : reference.Nodes[static_cast<size_t>(a)].Anc;
            TIntNum& ancB = tipB ? reference.Tips[static_cast<size_t>(b)].Anc
                                 : reference.Nodes[static_cast<size_t>(b)].Anc;
            const TInclusion setA = tipA ? reference.Tips[static_cast<size_t>(a)].AncSet
                                         : reference.Nodes[static_cast<size_t>(a)].AncSet;
            const TInclusion setB = tipB ? reference.Tips[static_cast<size_t>(b)].AncSet
                                         : reference.Nodes[static_cast<size_t>(b)].AncSet;
            if (ancA == ancB || ancA == 0 || ancB == 0) continue;
            if ((!tipA && setB.Contains(a)) || (!tipB && setA.Contains(b))) continue;
            TTree swapped = reference;
            TIntNum& sa = tipA ? swapped.Tips[static_cast<size_t>(a)].Anc
                               : swapped.Nodes[static_cast<size_t>(a)].Anc;
            TIntNum& sb = tipB ? swapped.Tips[static_cast<size_t>(b)].Anc
                               : swapped.Nodes[static_cast<size_t>(b)].Anc;
            std::swap(sa, sb);
            ASSERT_TRUE(IsConsistentTree(swapped, t));
            ReferenceEvaluateTree(swapped, field, missing);
            ASSERT_EQ(swapper.SwapLength(1, a, tipA, b, tipB),
                      static_cast<std::int64_t>(swapped.Fitness))
                << "round " << round;
            ++scored;
        }
    }
    EXPECT_GT(scored, 1000);
}

TEST(TreeLength, OddDataIsScoredWithoutTrouble)
{
    std::mt19937_64 rng(5);
    // "?" everywhere in a character, 256 states, identical objects.
    TSField field = OneCharacter({TInclusion(), TInclusion(), TInclusion(), TInclusion()});
    TSPlace wide;
    wide.Inc.Assign(4, TInclusion());
    for (int o = 1; o <= 4; ++o)
        for (int k = 0; k < 256; k += o) wide.Inc[o].Include(k);
    field.Places.Append(wide);
    TSPlace same;
    same.Inc.Assign(4, Set({0, 3}));
    field.Places.Append(same);
    for (bool missing : {false, true}) {
        for (int k = 0; k < 20; ++k) {
            TTree fast = RandomTree(rng, 4), reference = fast;
            EvaluateTree(fast, field, missing);
            ReferenceEvaluateTree(reference, field, missing);
            ExpectSameEvaluation(fast, reference, "odd data");
        }
    }
}

TEST(TreeLength, ConsistencyCheckFindsBrokenTrees)
{
    EXPECT_TRUE(IsConsistentTree(ThreeTipTree(), 3));
    EXPECT_FALSE(IsConsistentTree(MakeTreeFromLinks({2, 2, 2}, {0, 1}), 3));  // three children
    EXPECT_FALSE(IsConsistentTree(MakeTreeFromLinks({2, 2, 1}, {2, 1}), 3));  // no root, cycle
    EXPECT_FALSE(
        IsConsistentTree(MakeTreeFromLinks({2, 2, 1}, {0, 1}, {1, 1, 3}), 3));  // object twice
    // Broken links never hang the evaluation, and it does not quietly mend them.
    TTree cyclic = MakeTreeFromLinks({2, 2, 1}, {2, 1});
    EvaluateTree(cyclic, OneCharacter({Set({0}), Set({0, 1}), Set({0})}), true);
    EXPECT_EQ(cyclic.Nodes[1].Anc, 2);
    EXPECT_EQ(cyclic.Nodes[2].Anc, 1);
    EXPECT_FALSE(IsConsistentTree(cyclic, 3));
    EXPECT_GE(cyclic.Fitness, 0.0);
}

// Every way to ask for a tree's length gives the same length and fits: the
// stand-alone function, both scorers of the search, the search's own
// evaluation with either scorer, and the length-only kernel.
TEST(TreeLength, EveryEntryPointGivesTheSameLength)
{
    std::mt19937_64 rng(404);
    for (int round = 0; round < 40; ++round) {
        TRandomFieldShape shape;
        shape.Objects = std::uniform_int_distribution<int>(3, round % 8 == 0 ? 90 : 25)(rng);
        shape.Characters = std::uniform_int_distribution<int>(1, 15)(rng);
        shape.MaxStates = round % 3 == 0 ? 120 : 6;
        shape.MissingShare = round % 2 ? 0.2 : 0;
        const TSField field = RandomField(rng, shape);
        const int n = shape.Objects, chars = shape.Characters;
        for (bool missing : {false, true}) {
            const std::string where =
                "round " + std::to_string(round) + (missing ? " missing" : " plain");
            std::vector<TTree> trees;
            for (int k = 0; k < 3; ++k) trees.push_back(RandomTree(rng, n));
            TSearchSettings settings;
            settings.MissingData = missing;
            TParsimonySearch fastSearch(field, n, chars, settings);
            TParsimonySearch referenceSearch(field, n, chars, settings, MakeReferenceScorer);
            fastSearch.SetPopulation(trees);
            referenceSearch.SetPopulation(trees);
            const auto fast = MakeFastScorer(field, n, chars, missing);
            const auto reference = MakeReferenceScorer(field, n, chars, missing);
            const TPackedField packed(field, n, chars);
            TTreeScorer kernel(packed, missing);
            for (int k = 1; k <= 3; ++k) {
                TTree literal = trees[static_cast<size_t>(k - 1)], viaFast = literal,
                      standalone = literal;
                ReferenceEvaluateTree(literal, field, missing);
                fast->Evaluate(viaFast);
                EvaluateTree(standalone, field, missing);
                ExpectSameEvaluation(viaFast, literal, where);
                ExpectSameEvaluation(standalone, literal, where);
                ExpectSameEvaluation(fastSearch.Tree(k), literal, where + " fast search");
                ExpectSameEvaluation(referenceSearch.Tree(k), literal, where + " reference search");
                ASSERT_EQ(kernel.Length(literal, n), static_cast<std::int64_t>(literal.Fitness))
                    << where;
                TTree again = trees[static_cast<size_t>(k - 1)];
                reference->Evaluate(again);
                ExpectSameEvaluation(again, literal, where + " reference scorer");
                ASSERT_EQ(literal.MissingDataStates, missing);
            }
        }
    }
}

// The search's two scorers choose the same insertion point and give the same
// length after a swap.
TEST(TreeLength, BothScorersInsertAndSwapAlike)
{
    std::mt19937_64 rng(505);
    int swaps = 0;
    for (int round = 0; round < 60; ++round) {
        TRandomFieldShape shape;
        shape.Objects = std::uniform_int_distribution<int>(4, 30)(rng);
        shape.Characters = std::uniform_int_distribution<int>(1, 12)(rng);
        shape.MaxStates = round % 2 ? 70 : 5;
        shape.MissingShare = round % 3 ? 0.2 : 0;
        const TSField field = RandomField(rng, shape);
        const int n = shape.Objects;
        const bool missing = round % 2 == 0;
        const auto fast = MakeFastScorer(field, n, shape.Characters, missing);
        const auto reference = MakeReferenceScorer(field, n, shape.Characters, missing);
        const std::string where = "round " + std::to_string(round);

        const int m = std::uniform_int_distribution<int>(2, n - 1)(rng);
        const TTree part = RandomTree(rng, m);
        const TInsertionPoint a = fast->BestInsertion(part, m + 1);
        const TInsertionPoint b = reference->BestInsertion(part, m + 1);
        ASSERT_EQ(a.Length, b.Length) << where;
        ASSERT_EQ(a.IsTip, b.IsTip) << where;
        ASSERT_EQ(a.Num, b.Num) << where;

        const TTree tree = RandomTree(rng, n);
        for (TSearchScorer* scorer : {fast.get(), reference.get()}) {
            scorer->StartSwapping(3);
            scorer->Remember(2, tree);
        }
        for (int k = 0; k < 20; ++k) {
            TSwapParts swap;
            swap.TipA = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
            swap.TipB = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
            swap.NumA = std::uniform_int_distribution<int>(1, swap.TipA ? n : n - 1)(rng);
            swap.NumB = std::uniform_int_distribution<int>(1, swap.TipB ? n : n - 1)(rng);
            TTree swapped = tree;
            auto anc = [&](int num, bool isTip) -> TIntNum& {
                return isTip ? swapped.Tips[static_cast<size_t>(num)].Anc
                             : swapped.Nodes[static_cast<size_t>(num)].Anc;
            };
            TIntNum& ancA = anc(swap.NumA, swap.TipA);
            TIntNum& ancB = anc(swap.NumB, swap.TipB);
            if (ancA == ancB || ancA == 0 || ancB == 0) continue;
            std::swap(ancA, ancB);
            if (!IsConsistentTree(swapped, n)) continue;  // one part above the other
            TTree forFast = swapped;
            const std::int64_t byFast = fast->SwapLength(2, forFast, swap);
            const std::int64_t byReference = reference->SwapLength(2, swapped, swap);
            ASSERT_EQ(byFast, byReference) << where;
            ASSERT_EQ(byReference, static_cast<std::int64_t>(swapped.Fitness)) << where;
            ++swaps;
        }
        for (TSearchScorer* scorer : {fast.get(), reference.get()}) scorer->EndSwapping();
    }
    EXPECT_GT(swaps, 300);
}
