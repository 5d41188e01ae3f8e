// The thorough search: incremental move lengths against full evaluations,
// climbing to true local optima, exact optima on small data, determinism.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "parsimony/length/PackedStates.h"
#include "parsimony/length/ReferenceTree.h"
#include "parsimony/summaries/BranchChanges.h"
#include "parsimony/summaries/CharFit.h"
#include "parsimony/summaries/FitStatistics.h"
#include "parsimony/thorough/ThoroughFuse.h"
#include "parsimony/thorough/ThoroughScorer.h"
#include "parsimony/thorough/ThoroughSearch.h"
#include "parsimony/treefiles/Newick.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/RootedTrees.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
struct TCase {
    const char* Name;
    TRandomFieldShape Shape;
};

std::vector<TCase> Cases()
{
    TRandomFieldShape small;
    small.Objects = 14;
    small.Characters = 12;
    small.MaxStates = 6;
    small.MissingShare = 0.15;
    TRandomFieldShape wide = small;  // characters of 100+ states
    wide.Objects = 11;
    wide.Characters = 3;
    wide.MaxStates = 140;
    wide.MissingShare = 0.1;
    TRandomFieldShape roots = small;  // several roots per state tree
    roots.Objects = 12;
    roots.MultiRootShare = 0.3;
    roots.MissingShare = 0.3;
    return {{"mixed", small}, {"wide", wide}, {"roots", roots}};
}

// The field with character c repeated weights[c] times: its plain length is
// the weighted length.
// Weights 0..3 for characters 1..n when weighted, every fifth 4..9 (more than
// two bit planes), else all 1 (slot 0 unused, 1).
std::vector<int> RandomWeights(std::mt19937_64& rng, int characters, bool weighted)
{
    std::vector<int> weights(static_cast<size_t>(characters) + 1, 1);
    if (weighted)
        for (int k = 1; k <= characters; ++k)
            weights[static_cast<size_t>(k)] =
                static_cast<int>(k % 5 == 0 ? 4 + rng() % 6 : rng() % 4);
    return weights;
}

TSField Repeated(const TSField& field, const std::vector<int>& weights)
{
    TSField out;
    out.Names = field.Names;
    out.Places.Resize(0);
    for (int c = 1; c <= field.Places.Count(); ++c)
        for (int k = 0; k < weights[static_cast<size_t>(c)]; ++k)
            out.Places.Append(field.Places[c]);
    return out;
}

TCompactTree RandomCompact(std::mt19937_64& rng, int tips)
{
    return CompactFromTree(RandomTree(rng, tips));
}

// Length of a tree by the evolutionary search's scorer, or by the literal
// definition (slow, so only now and then).
std::int64_t Independent(const TSField& field, int objects, int characters, const TCompactTree& t,
                         bool missing, bool literal)
{
    TTree tree = TreeFromCompact(t);
    if (literal) {
        ReferenceEvaluateTree(tree, field, missing);
        return static_cast<std::int64_t>(tree.Fitness);
    }
    const TPackedField packed(field, objects, characters);
    TTreeScorer scorer(packed, missing);
    return scorer.Length(tree, objects);
}
}  // namespace

TEST(ThoroughScorer, EveryMoveOfEveryClipMatchesFullEvaluation)
{
    std::mt19937_64 rng(12);
    for (const TCase& c : Cases()) {
        const TSField field = RandomField(rng, c.Shape);
        const int objects = c.Shape.Objects, characters = c.Shape.Characters;
        const TPackedField packed(field, objects, characters);
        const TPackedLayout layout = PackedLayout(field, objects, characters);
        for (bool missing : {true, false}) {
            for (bool weighted : {false, true}) {
                const std::vector<int> weights = RandomWeights(rng, characters, weighted);
                const TSField repeated = Repeated(field, weights);
                int repeatedCharacters = 0;
                for (int w : weights) repeatedCharacters += w;
                repeatedCharacters -= weights[0];
                const TBitWeights bitWeights = WeightsFromCharacters(layout, weights);
                TThoroughScorer scorer(packed, missing);
                scorer.SetWeights(&bitWeights);
                for (int round = 0; round < 3; ++round) {
                    const TCompactTree tree = RandomCompact(rng, objects);
                    scorer.Load(tree);
                    ASSERT_EQ(scorer.Length(), Independent(repeated, objects, repeatedCharacters,
                                                           tree, missing, round == 0))
                        << c.Name;
                    int checked = 0;
                    for (int x = 0; x < tree.Vertices(); ++x) {
                        if (x == tree.Root) continue;
                        const auto moves = scorer.AllMoves(x);
                        // Inside length of the clipped part as rooted now.
                        std::int64_t asIs = 0;
                        if (!tree.IsTip(x))
                            asIs = moves.Reroot[static_cast<size_t>(
                                tree.Child[static_cast<size_t>(x)][0])];
                        for (int v = 0; v < tree.Vertices(); ++v) {
                            if (moves.Regraft[static_cast<size_t>(v)] < 0) continue;
                            for (int b = 0; b < tree.Vertices(); ++b) {
                                const bool inside =
                                    b == x || moves.Reroot[static_cast<size_t>(b)] >= 0;
                                if (!inside || (rng() % 3 != 0 && b != x)) continue;
                                const std::int64_t part =
                                    b == x ? asIs : moves.Reroot[static_cast<size_t>(b)];
                                TCompactTree moved = tree;
                                TThoroughScorer::ApplyMove(moved, x, b, v);
                                ASSERT_TRUE(IsValidCompactTree(moved));
                                const std::int64_t predicted =
                                    moves.PrunedLength + part +
                                    moves.Regraft[static_cast<size_t>(v)];
                                ASSERT_EQ(predicted,
                                          Independent(repeated, objects, repeatedCharacters, moved,
                                                      missing, false))
                                    << c.Name << " missing " << missing << " weighted " << weighted
                                    << " clip " << x << " reroot " << b << " regraft " << v;
                                ++checked;
                            }
                        }
                        // The loaded tree is left as it was.
                        ASSERT_EQ(CanonicalKey(scorer.Tree()), CanonicalKey(tree));
                    }
                    EXPECT_GT(checked, 100);
                }
            }
        }
    }
}

TEST(ThoroughScorer, ClimbEndsInATrueLocalOptimum)
{
    std::mt19937_64 rng(5);
    TRandomFieldShape shape;
    shape.Objects = 40;
    shape.Characters = 30;
    shape.MaxStates = 8;
    shape.MissingShare = 0.1;
    const TSField field = RandomField(rng, shape);
    const TPackedField packed(field, shape.Objects, shape.Characters);
    for (bool missing : {true, false}) {
        TThoroughScorer scorer(packed, missing);
        TRandom random(3);
        scorer.BuildByAddition(random);
        ASSERT_TRUE(IsValidCompactTree(scorer.Tree()));
        const std::int64_t built = scorer.Length();
        ASSERT_EQ(built, Independent(field, shape.Objects, shape.Characters, scorer.Tree(), missing,
                                     true));
        scorer.Climb(TSwapRule::Spr, random, nullptr);
        const std::int64_t afterSpr = scorer.Length();
        scorer.Climb(TSwapRule::Tbr, random, nullptr);
        EXPECT_LE(afterSpr, built);
        EXPECT_LE(scorer.Length(), afterSpr);
        EXPECT_EQ(scorer.Mismatches(), 0);
        ASSERT_EQ(scorer.Length(), Independent(field, shape.Objects, shape.Characters,
                                               scorer.Tree(), missing, true));
        // No move of the whole neighbourhood is shorter: the pruned walk
        // skipped nothing it should have looked at.
        const TCompactTree tree = scorer.Tree();
        for (int x = 0; x < tree.Vertices(); ++x) {
            if (x == tree.Root) continue;
            const auto moves = scorer.AllMoves(x);
            std::int64_t part =
                tree.IsTip(x)
                    ? 0
                    : moves.Reroot[static_cast<size_t>(tree.Child[static_cast<size_t>(x)][0])];
            for (std::int64_t r : moves.Reroot)
                if (r >= 0) part = std::min(part, r);
            for (std::int64_t g : moves.Regraft) {
                if (g >= 0) {
                    ASSERT_GE(moves.PrunedLength + part + g, scorer.Length()) << "clip " << x;
                }
            }
        }
    }
}

TEST(ThoroughSearch, FindsTheExactOptimumAndNeverLess)
{
    std::mt19937_64 rng(99);
    for (int round = 0; round < 4; ++round) {
        TRandomFieldShape shape;
        shape.Objects = round < 2 ? 8 : 7;
        shape.Characters = 10;
        shape.MaxStates = 5;
        shape.MissingShare = 0.15;
        const TSField field = RandomField(rng, shape);
        const bool missing = round % 2 == 0;
        const TPackedField packed(field, shape.Objects, shape.Characters);
        TTreeScorer scorer(packed, missing);
        std::int64_t optimum = -1;
        std::set<std::string> shortest;
        int count = 0;
        ForEachRootedTree(shape.Objects, [&](const TCompactTree& tree) {
            ++count;
            const std::int64_t len = scorer.Length(TreeFromCompact(tree), shape.Objects);
            if (optimum < 0 || len < optimum) {
                optimum = len;
                shortest.clear();
            }
            if (len == optimum) shortest.insert(CanonicalKey(tree));
        });
        ASSERT_EQ(count, shape.Objects == 8 ? 135135 : 10395);

        TThoroughSettings settings;
        settings.Seed = static_cast<std::uint64_t>(round) + 1;
        settings.Threads = 2;
        settings.Replicates = 20;
        settings.HitLimit = 0;
        settings.MissingData = missing;
        TThoroughSearch search(field, shape.Objects, shape.Characters, settings);
        ASSERT_EQ(search.Run(), TSearchStatus::Finished);
        EXPECT_EQ(search.BestLength(), optimum) << "round " << round;
        EXPECT_EQ(search.Mismatches(), 0);
        for (const TThoroughResult& r : search.Results()) {
            EXPECT_EQ(r.Length, optimum);
            EXPECT_TRUE(shortest.count(CanonicalKey(r.Tree)))
                << "a kept tree is not among the shortest";
        }
    }
}

TEST(ThoroughSearch, SameSeedSameTreesWhateverTheThreads)
{
    std::mt19937_64 rng(4);
    TRandomFieldShape shape;
    shape.Objects = 30;
    shape.Characters = 25;
    shape.MaxStates = 5;
    shape.MissingShare = 0.1;
    const TSField field = RandomField(rng, shape);
    std::vector<std::string> first;
    for (int threads : {1, 3, 2}) {
        TThoroughSettings settings;
        settings.Seed = 17;
        settings.Threads = threads;
        settings.Replicates = 6;
        settings.HitLimit = 3;
        settings.RatchetIterations = 4;
        TThoroughSearch search(field, shape.Objects, shape.Characters, settings);
        ASSERT_EQ(search.Run(), TSearchStatus::Finished);
        std::vector<std::string> keys;
        for (const TThoroughResult& r : search.Results())
            keys.push_back(CanonicalKey(r.Tree) + r.How().toStdString());
        ASSERT_FALSE(keys.empty());
        if (first.empty())
            first = keys;
        else
            EXPECT_EQ(keys, first) << threads << " threads";
    }
}

// Replicates that agree on a length may share a local optimum: before the
// ratchet stops, their best trees are fused, and a shorter fused tree starts
// the count again. Weak replicates (no ratchet iterations) on random data
// give fusing work; the trees still do not depend on the threads.
TEST(ThoroughSearch, TheRatchetFusesAgreeingReplicatesBeforeItStops)
{
    std::mt19937_64 rng(23);
    int fusedRuns = 0;
    for (int round = 0; round < 30; ++round) {
        const TRandomFieldShape shape{60, 30, 4, 0.1, 0};  // objects, characters, states, "?"
        const TSField field = RandomField(rng, shape);
        std::vector<std::string> first;
        for (int threads : {2, 1}) {
            TThoroughSettings settings;
            settings.Seed = static_cast<std::uint64_t>(round) + 1;
            settings.Threads = threads;
            settings.Replicates = 300;
            settings.HitLimit = 2;
            settings.RatchetIterations = 0;
            TThoroughSearch search(field, shape.Objects, shape.Characters, settings);
            ASSERT_EQ(search.Run(), TSearchStatus::Finished);
            EXPECT_EQ(search.Mismatches(), 0);
            EXPECT_TRUE(search.StopReason().endsWith("fusing finds nothing shorter") ||
                        search.StopReason().endsWith("replicates done"))
                << search.StopReason().toStdString();
            std::vector<std::string> keys;
            bool fused = false;
            for (const TThoroughResult& r : search.Results()) {
                keys.push_back(CanonicalKey(r.Tree) + r.How().toStdString());
                if (r.FusedAfter > 0) {
                    fused = true;
                    EXPECT_TRUE(r.How().startsWith("fusing after replicate "));
                    EXPECT_TRUE(ThoroughHowTexts(settings).contains(
                        QStringLiteral("fusing after replicate %1").arg(settings.Replicates)));
                }
            }
            if (threads == 2) {
                first = keys;
                fusedRuns += fused;
            } else {
                EXPECT_EQ(keys, first) << "round " << round;
            }
        }
    }
    EXPECT_GT(fusedRuns, 0) << "fusing never found a shorter tree";
}

TEST(ThoroughSearch, BeyondTheEvolutionarySearchRange)
{
    std::mt19937_64 rng(8);
    TRandomFieldShape shape;
    shape.Objects = 600;
    shape.Characters = 40;
    shape.MaxStates = 4;
    shape.MissingShare = 0.05;
    const TSField field = RandomField(rng, shape);
    TThoroughSettings settings;
    settings.Replicates = 1;
    settings.RatchetIterations = 1;
    TThoroughSearch search(field, shape.Objects, shape.Characters, settings);
    ASSERT_EQ(search.Run(), TSearchStatus::Finished);
    ASSERT_FALSE(search.Results().empty());
    const TCompactTree& tree = search.Results().front().Tree;
    ASSERT_TRUE(IsValidCompactTree(tree));
    // Written and read back as Newick: the same clades.
    const QString text = WriteCompactNewick(tree, field.Names);
    const TResult<TNewickTrees> read = ReadNewick(text);
    ASSERT_TRUE(read.Ok()) << read.Error().toStdString();
    const TResult<TCompactTree> back =
        CompactFromNewick(read->Trees.front(), field.Names, shape.Objects);
    ASSERT_TRUE(back.Ok()) << back.Error().toStdString();
    EXPECT_EQ(CanonicalKey(*back), CanonicalKey(tree));
    const TPackedField packed(field, shape.Objects, shape.Characters);
    TThoroughScorer scorer(packed, true);
    EXPECT_EQ(scorer.FullLength(*back), search.BestLength());
}

// A cancel keeps the trees the last progress report counted: their number
// and length, whichever replicates were running or done out of order.
TEST(ThoroughSearch, CancelKeepsTheBestTreesSoFar)
{
    struct TStopCase {
        int Objects, Characters, MaxStates, Threads;
        TThoroughStrategy Strategy;
    };
    // Few characters for many objects: many shortest trees, found by every replicate.
    const TStopCase cases[] = {{120, 60, 5, 0, TThoroughStrategy::Ratchet},
                               {60, 10, 3, 3, TThoroughStrategy::Ratchet},
                               {60, 10, 3, 1, TThoroughStrategy::Ratchet},
                               {60, 12, 3, 3, TThoroughStrategy::Driven}};
    int seed = 1;
    for (const TStopCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Objects << " objects, " << c.Threads << " threads");
        std::mt19937_64 rng(++seed);
        TRandomFieldShape shape;
        shape.Objects = c.Objects;
        shape.Characters = c.Characters;
        shape.MaxStates = c.MaxStates;
        const TSField field = RandomField(rng, shape);
        TThoroughSettings settings;
        settings.Replicates = 1000;
        settings.HitLimit = 0;
        settings.Threads = c.Threads;
        settings.Strategy = c.Strategy;
        settings.MaxTrees = 1000;
        std::atomic<bool> cancel{false};
        int calls = 0;
        TThoroughProgress promised;
        TThoroughSearch search(field, shape.Objects, shape.Characters, settings);
        std::chrono::steady_clock::time_point cancelledAt;
        const TSearchStatus status = search.Run(
            [&](const TThoroughProgress& p) {
                ++calls;
                // Once a first tree exists, a while into the run.
                if (p.Elapsed >= 0.3 && p.BestLength >= 0 && !cancel) {
                    cancelledAt = std::chrono::steady_clock::now();
                    promised = p;
                    cancel = true;
                }
            },
            &cancel, 0.1);
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - cancelledAt).count();
        EXPECT_EQ(status, TSearchStatus::Cancelled);
        EXPECT_LT(took, 3.0);  // cancel within a second, with room for a busy machine
        EXPECT_GE(calls, 2);
        ASSERT_FALSE(search.Results().empty());
        EXPECT_EQ(search.Results().front().Length, search.BestLength());
        EXPECT_EQ(search.BestLength(), promised.BestLength);
        EXPECT_EQ(static_cast<int>(search.Results().size()), promised.TreesKept);
        for (const TThoroughResult& r : search.Results()) EXPECT_EQ(r.Length, promised.BestLength);
    }
}

TEST(ThoroughSearch, RefusesWhatItCannotRun)
{
    std::mt19937_64 rng(1);
    TRandomFieldShape shape;
    shape.Objects = 2;
    const TSField two = RandomField(rng, shape);
    EXPECT_FALSE(TThoroughSearch(two, 2, 5, {}).Validate().Error().isEmpty());
    shape.Objects = 5;
    const TSField five = RandomField(rng, shape);
    TThoroughSettings settings;
    settings.Threads = 1000;
    EXPECT_FALSE(TThoroughSearch(five, 5, 5, settings).Validate().Error().isEmpty());
    settings.Threads = 1;
    EXPECT_TRUE(TThoroughSearch(five, 5, 5, settings).Validate().Ok());
    // A target no tree reaches: the run ends by its other rules.
    settings.TargetLength = 0;
    settings.Replicates = 2;
    settings.RatchetIterations = 1;
    TThoroughSearch search(five, 5, 5, settings);
    EXPECT_EQ(search.Run(), TSearchStatus::Finished);
    EXPECT_FALSE(search.Results().empty());
}

TEST(ThoroughFuse, FusedAndDriftedTreesHaveTheirFullLength)
{
    std::mt19937_64 rng(23);
    int fusedShorter = 0, driftMoves = 0;
    for (const TCase& c : Cases()) {
        const TSField field = RandomField(rng, c.Shape);
        const int objects = c.Shape.Objects, characters = c.Shape.Characters;
        const TPackedField packed(field, objects, characters);
        const TPackedLayout layout = PackedLayout(field, objects, characters);
        for (bool missing : {true, false}) {
            for (bool weighted : {false, true}) {
                const std::vector<int> weights = RandomWeights(rng, characters, weighted);
                const TSField repeated = Repeated(field, weights);
                int repeatedCharacters = -weights[0];
                for (int w : weights) repeatedCharacters += w;
                const TBitWeights bitWeights = WeightsFromCharacters(layout, weights);
                TThoroughScorer scorer(packed, missing);
                scorer.SetWeights(&bitWeights);
                TRandom trng(rng());
                TTreeDrift drift(packed, layout, weights, missing);
                for (int round = 0; round < 4; ++round) {
                    // A climbed tree and the same after two random SPR moves: many
                    // clades in common, some resolved differently. Fused both ways.
                    ASSERT_TRUE(scorer.BuildByAddition(trng));
                    scorer.Climb(TSwapRule::Tbr, trng, nullptr);
                    TCompactTree b = scorer.Tree();
                    TCompactTree a = b;
                    for (int move = 0; move < 2; ++move) {
                        scorer.Load(a);
                        int x = a.Root;
                        while (x == a.Root) x = trng.Below(a.Vertices());
                        const auto moves = scorer.AllMoves(x);
                        std::vector<int> places;
                        for (int v = 0; v < a.Vertices(); ++v)
                            if (moves.Regraft[static_cast<size_t>(v)] >= 0) places.push_back(v);
                        TThoroughScorer::ApplyMove(a, x, x,
                                                   places[static_cast<size_t>(trng.Below(
                                                       static_cast<int>(places.size())))]);
                    }
                    for (int way = 0; way < 2; ++way) {
                        TCompactTree& into = way == 0 ? a : b;
                        const TCompactTree& from = way == 0 ? b : a;
                        const std::int64_t before = scorer.FullLength(into);
                        const std::int64_t after = FuseInto(scorer, into, before, from);
                        ASSERT_TRUE(IsValidCompactTree(into)) << c.Name;
                        EXPECT_LE(after, before);
                        fusedShorter += after < before;
                        EXPECT_EQ(after, Independent(repeated, objects, repeatedCharacters, into,
                                                     missing, false))
                            << c.Name;
                    }
                    // Drift from the climbed tree: every step may be longer, none
                    // longer than allowed, and the length is the full one.
                    scorer.Load(b);
                    const std::int64_t start = scorer.Length();
                    TDriftSettings set;
                    set.MaxSteps = 1 + round;
                    set.MaxRfd = round == 3 ? 1.0 : 0.2;
                    const int moves = drift.Run(scorer, trng, set, nullptr);
                    driftMoves += moves;
                    ASSERT_TRUE(IsValidCompactTree(scorer.Tree()));
                    EXPECT_LE(scorer.Length(),
                              start + static_cast<std::int64_t>(moves) * set.MaxSteps);
                    EXPECT_EQ(scorer.Length(), Independent(repeated, objects, repeatedCharacters,
                                                           scorer.Tree(), missing, round == 0))
                        << c.Name;
                    const double rfd = drift.RelativeFitDifference(b, scorer.Tree());
                    EXPECT_GE(rfd, 0.0);
                    EXPECT_LE(rfd, 1.0);
                    if (scorer.Length() <= start) {
                        EXPECT_EQ(rfd, 0.0);
                    }
                }
                EXPECT_EQ(drift.Mismatches(), 0) << c.Name;
            }
        }
    }
    EXPECT_GT(fusedShorter, 0) << "fusing never shortened a random tree";
    EXPECT_GT(driftMoves, 0);
}

TEST(ThoroughSearch, DrivenFindsTheExactOptimumAndNeverLessAndRepeats)
{
    std::mt19937_64 rng(7);
    for (int round = 0; round < 4; ++round) {
        TRandomFieldShape shape;
        shape.Objects = 8;
        shape.Characters = 12;
        shape.MaxStates = 5;
        shape.MissingShare = 0.2;
        const TSField field = RandomField(rng, shape);
        const bool missing = round % 2 == 0;
        const TPackedField packed(field, shape.Objects, shape.Characters);
        TTreeScorer scorer(packed, missing);
        std::int64_t optimum = -1;
        std::set<std::string> shortest;
        ForEachRootedTree(shape.Objects, [&](const TCompactTree& tree) {
            const std::int64_t len = scorer.Length(TreeFromCompact(tree), shape.Objects);
            if (optimum < 0 || len < optimum) {
                optimum = len;
                shortest.clear();
            }
            if (len == optimum) shortest.insert(CanonicalKey(tree));
        });
        TThoroughSettings settings;
        settings.Strategy = TThoroughStrategy::Driven;
        settings.Seed = static_cast<std::uint64_t>(round) + 5;
        settings.Threads = 2;
        settings.Replicates = 12;
        settings.HitLimit = round == 3 ? 2 : 0;
        settings.RatchetIterations = 4;
        settings.Fuse = round != 1;
        settings.Drift = round != 2;
        settings.MissingData = missing;
        TThoroughSearch search(field, shape.Objects, shape.Characters, settings);
        ASSERT_EQ(search.Run(), TSearchStatus::Finished);
        EXPECT_EQ(search.BestLength(), optimum) << "round " << round;
        EXPECT_EQ(search.Mismatches(), 0);
        for (const TThoroughResult& r : search.Results())
            EXPECT_TRUE(shortest.count(CanonicalKey(r.Tree))) << "not among the shortest";
    }
    // Same seed, same trees whatever the threads; a hard-ish set so that
    // fusing and drift have work to do.
    TRandomFieldShape shape;
    shape.Objects = 40;
    shape.Characters = 30;
    shape.MaxStates = 6;
    shape.MissingShare = 0.2;
    const TSField field = RandomField(rng, shape);
    std::vector<std::string> first;
    for (int threads : {1, 3, 2}) {
        TThoroughSettings settings;
        settings.Strategy = TThoroughStrategy::Driven;
        settings.Seed = 3;
        settings.Threads = threads;
        settings.Replicates = 9;
        settings.HitLimit = 0;
        settings.RatchetIterations = 4;
        TThoroughSearch search(field, shape.Objects, shape.Characters, settings);
        ASSERT_EQ(search.Run(), TSearchStatus::Finished);
        EXPECT_EQ(search.Mismatches(), 0);
        std::vector<std::string> keys;
        for (const TThoroughResult& r : search.Results())
            keys.push_back(CanonicalKey(r.Tree) + r.How().toStdString());
        ASSERT_FALSE(keys.empty());
        if (first.empty())
            first = keys;
        else
            EXPECT_EQ(keys, first) << threads << " threads";
    }
    // Settings out of range are refused.
    for (int bad = 0; bad < 4; ++bad) {
        TThoroughSettings settings;
        settings.Strategy = TThoroughStrategy::Driven;
        (bad == 0 ? settings.RoundSize : bad == 1 ? settings.DriftMoves : settings.FusePool) = 0;
        if (bad == 3) settings.DriftRfd = 1.5;
        if (bad == 3) settings.FusePool = 16;
        EXPECT_FALSE(TThoroughSearch(field, shape.Objects, shape.Characters, settings)
                         .Validate()
                         .Error()
                         .isEmpty())
            << bad;
    }
}

// The two roads of score and stats: the evolutionary search's tree record up
// to 255 objects, the compact tree beyond. Same Newick text, same counts.
TEST(ThoroughScorer, CompactNewickScoresAsTheTreeRecord)
{
    std::mt19937_64 rng(25);
    for (int round = 0; round < 24; ++round) {
        TRandomFieldShape shape;
        shape.Objects = std::uniform_int_distribution<int>(20, 255)(rng);
        shape.Characters = std::uniform_int_distribution<int>(1, 30)(rng);
        shape.MaxStates = round % 3 == 0 ? 40 : 6;
        shape.MissingShare = round % 2 == 0 ? 0.2 : 0;
        shape.MultiRootShare = round % 4 == 1 ? 0.3 : 0;
        const TSField field = RandomField(rng, shape);
        const TPackedField packed(field, shape.Objects, shape.Characters);
        for (bool missing : {true, false}) {
            TThoroughScorer scorer(packed, missing);
            const QString text =
                WriteCompactNewick(RandomCompact(rng, shape.Objects), field.Names.Vector());
            const TResult<TNewickTrees> read = ReadNewick(text);
            ASSERT_TRUE(read.Ok()) << read.Error().toStdString();
            const TNewickTree& newick = read->Trees.front();
            TResult<TTree> record = NewickToTree(newick, field.Names.Vector(), shape.Objects);
            ASSERT_TRUE(record.Ok()) << record.Error().toStdString();
            EvaluateTree(*record, field, missing);
            const TResult<TCompactTree> compact =
                CompactFromNewick(newick, field.Names.Vector(), shape.Objects);
            ASSERT_TRUE(compact.Ok()) << compact.Error().toStdString();
            EXPECT_EQ(static_cast<double>(scorer.FullLength(*compact)), record->Fitness)
                << "round " << round << ", " << shape.Objects << " objects, missing " << missing;
            // stats per character on either road.
            DeriveTopology(*record);
            const TFitStatistics expected = FitStatistics(*record, field, missing);
            const TFitStatistics got = CompactFitStatistics(*compact, field, missing);
            ASSERT_EQ(got.Characters.size(), expected.Characters.size());
            for (size_t c = 1; c < got.Characters.size(); ++c) {
                EXPECT_EQ(got.Characters[c].M, expected.Characters[c].M) << "round " << round;
                EXPECT_EQ(got.Characters[c].S, expected.Characters[c].S) << "round " << round;
                EXPECT_EQ(got.Characters[c].G, expected.Characters[c].G) << "round " << round;
            }
            EXPECT_EQ(got.Total.S, expected.Total.S);
            // changes per clade on either road (branches without changes aside).
            using TChanges = std::map<std::vector<int>, std::vector<std::tuple<int, int, bool>>>;
            auto byClade = [](const std::vector<TBranch>& branches) {
                TChanges out;
                for (const TBranch& b : branches) {
                    if (b.Changes.empty()) continue;
                    auto& list = out[b.Objects];
                    for (const TChange& ch : b.Changes)
                        list.emplace_back(ch.Character, ch.State, ch.Ambiguous);
                }
                return out;
            };
            EXPECT_EQ(byClade(CompactBranchChanges(*compact, field, missing)),
                      byClade(BranchChanges(*record, field, missing)))
                << "round " << round << ", missing " << missing;
        }
        // charfit (counted under the missing-data rule whatever the search's).
        TResult<TTree> record = NewickToTree(
            ReadNewick(WriteCompactNewick(RandomCompact(rng, shape.Objects), field.Names.Vector()))
                ->Trees.front(),
            field.Names.Vector(), shape.Objects);
        ASSERT_TRUE(record.Ok());
        const TCompactTree compact = CompactFromTree(*record);
        EXPECT_EQ(CompactCharFitTable(compact, field), CharFitTable(*record, field))
            << "round " << round;
    }
}
