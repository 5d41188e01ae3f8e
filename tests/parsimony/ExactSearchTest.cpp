// The branch and bound against the enumeration of every rooted binary tree,
// scored by the search engine's own scorer.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <functional>
#include <random>

#include "RandomField.h"
#include "TreeTestSupport.h"
#include "parsimony/exact/ExactField.h"
#include "parsimony/exact/ExactSearch.h"
#include "parsimony/exact/ExactStart.h"
#include "parsimony/length/PackedStates.h"

namespace {
// The result of a run that must not be refused.
TExactResult Ran(TResult<TExactResult> run)
{
    EXPECT_TRUE(run.Ok()) << run.Error().toStdString();
    return run ? *std::move(run) : TExactResult();
}

struct TEnumeration {
    std::int64_t Optimum = 0;
    std::vector<std::vector<std::uint64_t>> Shortest;  // canonical keys, sorted
    std::uint64_t Trees = 0;
};

// Every rooted binary tree by stepwise addition, each scored in full.
TEnumeration Enumerate(const TPackedField& field, bool missing)
{
    const int n = field.ObjectCount();
    TTreeScorer scorer(field, missing);
    TEnumeration out;
    out.Optimum = INT64_MAX;
    std::vector<int> tipAnc{1, 1}, nodeAnc{0};
    std::function<void(int)> grow = [&](int m) {
        if (m == n) {
            const TTree tree = MakeTreeFromLinks(tipAnc, nodeAnc);
            const std::int64_t length = scorer.Length(tree, n);
            ++out.Trees;
            if (length < out.Optimum) {
                out.Optimum = length;
                out.Shortest.clear();
            }
            if (length == out.Optimum) out.Shortest.push_back(TreeClades(tree));
            return;
        }
        const int newNode = m;  // nodes 1..m-1 exist
        for (int branch = 0; branch < 2 * m - 1; ++branch) {
            auto anc = [&]() -> int& {
                return branch < m ? tipAnc[static_cast<size_t>(branch)]
                                  : nodeAnc[static_cast<size_t>(branch - m)];
            };
            const int above = anc();
            anc() = newNode;
            nodeAnc.push_back(above);
            tipAnc.push_back(newNode);
            grow(m + 1);
            tipAnc.pop_back();
            nodeAnc.pop_back();
            anc() = above;
        }
    };
    grow(2);
    std::sort(out.Shortest.begin(), out.Shortest.end());
    return out;
}

// Random characters, some objects copied from others (identical objects).
TSField RandomData(std::mt19937_64& rng, int objects, double missingShare)
{
    TRandomFieldShape shape;
    shape.Objects = objects;
    shape.Characters = std::uniform_int_distribution<int>(2, 9)(rng);
    shape.MaxStates = std::uniform_int_distribution<int>(2, 5)(rng);
    shape.MissingShare = missingShare;
    shape.MultiRootShare = 0.1;
    TSField field = RandomField(rng, shape);
    if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) {
        const int from = std::uniform_int_distribution<int>(1, objects)(rng);
        const int to = std::uniform_int_distribution<int>(1, objects)(rng);
        for (TSPlace& place : field.Places) place.Inc[to] = place.Inc[from];
    }
    return field;
}

// The length on the search field, bit by bit from the clades.
std::int64_t BitwiseLength(const TExactField& field, const TTree& tree)
{
    const std::vector<std::uint64_t> clades = TreeClades(tree);
    std::vector<std::uint64_t> vertices = clades;
    for (int o = 1; o <= tree.TipCount(); ++o) vertices.push_back(std::uint64_t{1} << (o - 1));
    std::int64_t length = 0;
    for (std::uint64_t v : vertices) {
        std::uint64_t parent = 0;
        for (std::uint64_t c : clades)
            if (c != v && (c & v) == v && (parent == 0 || std::popcount(c) < std::popcount(parent)))
                parent = c;
        if (parent == 0) continue;  // the root
        for (int b = 0; b < field.Bits(); ++b) {
            const std::uint64_t x = field.Holders(b), d = field.WithData(b);
            auto pure = [&](std::uint64_t set) { return (set & d) != 0 && (set & d & ~x) == 0; };
            if (pure(v) && !pure(parent)) ++length;
        }
    }
    return length;
}

std::vector<std::vector<std::uint64_t>> Keys(const TExactResult& r)
{
    std::vector<std::vector<std::uint64_t>> keys;
    for (const TTree& t : r.Trees) keys.push_back(TreeClades(t));
    return keys;
}

void ExpectSameAsEnumeration(const TPackedField& packed, bool missing,
                             const TExactSettings& settings, const TEnumeration& all,
                             const std::string& label)
{
    const TExactResult r = Ran(TExactSearch(packed, settings).Run());
    ASSERT_EQ(r.Status, TSearchStatus::Finished) << label;
    EXPECT_TRUE(r.Proved) << label;
    EXPECT_EQ(r.Optimum, all.Optimum) << label;
    EXPECT_EQ(r.LowerBound, all.Optimum) << label;
    EXPECT_GE(r.StartLength, all.Optimum) << label;
    EXPECT_EQ(r.OptimalTrees, all.Shortest.size()) << label;
    const size_t kept = std::min(all.Shortest.size(), static_cast<size_t>(settings.MaxTrees));
    const std::vector<std::vector<std::uint64_t>> first(
        all.Shortest.begin(), all.Shortest.begin() + static_cast<long>(kept));
    EXPECT_EQ(Keys(r), first) << label;
    for (const TTree& t : r.Trees) {
        EXPECT_EQ(t.Fitness, static_cast<double>(all.Optimum)) << label;
        EXPECT_EQ(t.MissingDataStates, missing) << label;
    }
}
}  // namespace

TEST(ExactSearch, FindsTheOptimumAndEveryShortestTreeOfTheEnumeration)
{
    std::mt19937_64 rng(1301);
    int sets = 0;
    for (int round = 0; round < 220; ++round) {
        const int n = round % 20 == 0 ? 8 : 4 + round % 4;  // mostly 4..7, some 8
        const double missingShare = round % 3 == 0 ? 0.0 : 0.15;
        const TSField data = RandomData(rng, n, missingShare);
        const int chars = data.Places.Count();
        const TPackedField packed(data, n, chars);
        for (bool missing : {true, false}) {
            const TEnumeration all = Enumerate(packed, missing);
            TExactSettings settings;
            settings.MissingData = missing;
            settings.Threads = 1 + round % 2;
            settings.MaxTrees = round % 5 == 0 ? 3 : 1000;
            settings.PlaceBound = round % 3 == 1;
            ExpectSameAsEnumeration(
                packed, missing, settings, all,
                "round " + std::to_string(round) + (missing ? " missing" : " plain"));
            ++sets;
        }
        if (HasFailure()) return;
    }
    EXPECT_EQ(sets, 440);
}

TEST(ExactSearch, EveryBoundAndOrderGivesTheSameTrees)
{
    // Each bound alone, none, the natural order, the place bound: the same
    // optimum and trees.
    std::mt19937_64 rng(77);
    for (int round = 0; round < 24; ++round) {
        const int n = 6 + round % 3;
        const TSField data = RandomData(rng, n, round % 2 ? 0.2 : 0.0);
        const TPackedField packed(data, n, data.Places.Count());
        const bool missing = round % 4 < 2;
        const TEnumeration all = Enumerate(packed, missing);
        for (int variant = 0; variant < 5; ++variant) {
            TExactSettings settings;
            settings.MissingData = missing;
            settings.Threads = 2;
            settings.ObjectBound = variant != 0;
            settings.GroupBound = variant == 2 || variant == 3;
            settings.FurthestFirst = variant != 3;
            settings.PlaceBound = variant == 4;
            ExpectSameAsEnumeration(
                packed, missing, settings, all,
                "round " + std::to_string(round) + " variant " + std::to_string(variant));
        }
        if (HasFailure()) return;
    }
}

TEST(ExactSearch, ResultsDoNotDependOnTheThreads)
{
    std::mt19937_64 rng(5);
    for (int round = 0; round < 4; ++round) {
        TRandomFieldShape shape;
        shape.Objects = 11;
        shape.Characters = 12;
        shape.MaxStates = 3;
        shape.MissingShare = round % 2 ? 0.1 : 0.0;
        const TSField data = RandomField(rng, shape);
        const TPackedField packed(data, shape.Objects, shape.Characters);
        std::vector<TExactResult> runs;
        for (int threads : {1, 2, 3, 5}) {
            TExactSettings settings;
            settings.Threads = threads;
            settings.MaxTrees = 7;
            runs.push_back(Ran(TExactSearch(packed, settings).Run()));
        }
        for (const TExactResult& r : runs) {
            ASSERT_TRUE(r.Proved);
            EXPECT_EQ(r.Optimum, runs[0].Optimum);
            EXPECT_EQ(r.OptimalTrees, runs[0].OptimalTrees);
            EXPECT_EQ(Keys(r), Keys(runs[0]));
        }
    }
}

TEST(ExactSearch, TheSearchFieldKeepsEveryTreeLength)
{
    // Each kept state bit costs the number of largest clades whose objects
    // with data all hold it; the dropped bits add the same to every tree; the
    // groups of incompatible bits bound every tree's length.
    std::mt19937_64 rng(3);
    for (int round = 0; round < 60; ++round) {
        const int n = 5 + round % 12;
        const TSField data = RandomData(rng, n, round % 2 ? 0.25 : 0.0);
        const TPackedField packed(data, n, data.Places.Count());
        for (bool missing : {true, false}) {
            const TExactField field(packed, missing);
            const TGroupBound bound(field, true);
            TTreeScorer full(packed, missing);
            for (int k = 0; k < 10; ++k) {
                const TTree tree = RandomTree(rng, n);
                const std::int64_t length = full.Length(tree, n);
                EXPECT_EQ(length, field.Constant() + BitwiseLength(field, tree)) << round;
                EXPECT_GE(length, field.Constant() + bound.TreeBound()) << round;
            }
        }
    }
}

TEST(ExactSearch, StopsOnTimeAndCancelWithAValidLowerBound)
{
    std::mt19937_64 rng(11);
    TRandomFieldShape shape;
    shape.Objects = 26;
    shape.Characters = 30;
    shape.MaxStates = 4;
    const TSField data = RandomField(rng, shape);
    const TPackedField packed(data, shape.Objects, shape.Characters);
    TExactSettings settings;
    settings.TimeLimitSeconds = 0.2;
    settings.Threads = 2;
    int reports = 0;
    TExactCallbacks callbacks;
    callbacks.Progress = [&](const TExactProgress& p) {
        ++reports;
        EXPECT_GE(p.Done, 0.0);
        EXPECT_LE(p.Done, 1.0);
    };
    const TExactResult r = Ran(TExactSearch(packed, settings).Run(callbacks));
    ASSERT_EQ(r.Status, TSearchStatus::TimeLimit);
    EXPECT_FALSE(r.Proved);
    EXPECT_LE(r.LowerBound, r.Optimum);
    EXPECT_LE(r.Optimum, r.StartLength);
    EXPECT_GE(reports, 1);
    ASSERT_FALSE(r.Trees.empty());
    for (const TTree& t : r.Trees) EXPECT_EQ(t.Fitness, static_cast<double>(r.Optimum));
    EXPECT_LT(r.Seconds, 20.0);  // stops soon after the limit, even on a busy machine

    settings.TimeLimitSeconds.reset();
    callbacks.Cancelled = [] { return true; };
    const TExactResult c = Ran(TExactSearch(packed, settings).Run(callbacks));
    EXPECT_EQ(c.Status, TSearchStatus::Cancelled);
    EXPECT_FALSE(c.Proved);
    EXPECT_LE(c.LowerBound, c.Optimum);
}

TEST(ExactSearch, BadInputGetsAClearAnswer)
{
    TExactSettings settings;
    EXPECT_FALSE(ValidateExactSearch(2, settings).Ok());
    EXPECT_TRUE(ValidateExactSearch(41, settings).Error().contains(QStringLiteral("at most 40")));
    EXPECT_TRUE(ValidateExactSearch(40, settings).Ok());
    EXPECT_TRUE(ExactSearchWarning(25).isEmpty());
    EXPECT_FALSE(ExactSearchWarning(26).isEmpty());
    settings.TimeLimitSeconds = 0;
    EXPECT_FALSE(ValidateExactSearch(10, settings).Error().isEmpty());

    // Two objects: refused, nothing computed.
    std::mt19937_64 rng(2);
    TRandomFieldShape shape;
    shape.Objects = 2;
    const TSField two = RandomField(rng, shape);
    const TResult<TExactResult> refused =
        TExactSearch(two, 2, shape.Characters, TExactSettings()).Run();
    EXPECT_FALSE(refused.Ok());
    EXPECT_EQ(refused.Error(), ValidateExactSearch(2, TExactSettings()).Error());

    // Every character missing, or every object alike: all (2n-3)!! trees are
    // optimal, counted in full and not stored beyond the maximum.
    shape.Objects = 22;
    shape.Characters = 4;
    shape.MissingShare = 1.0;
    const TSField empty = RandomField(rng, shape);
    TExactSettings few;
    few.MaxTrees = 5;
    const TExactResult all = Ran(TExactSearch(empty, 22, 4, few).Run());
    EXPECT_TRUE(all.Proved);
    EXPECT_EQ(all.Optimum, 0);
    EXPECT_EQ(all.OptimalTreesText, QStringLiteral("13113070457687988603440625"));  // 41!!
    EXPECT_EQ(all.OptimalTrees, UINT64_MAX);
    EXPECT_EQ(all.Trees.size(), 5U);

    shape.MissingShare = 0;
    shape.Objects = 9;
    TSField alike = RandomField(rng, shape);
    for (TSPlace& place : alike.Places)
        for (int o = 2; o <= 9; ++o) place.Inc[o] = place.Inc[1];
    const TExactResult same = Ran(TExactSearch(alike, 9, 4, few).Run());
    EXPECT_TRUE(same.Proved);
    EXPECT_EQ(same.OptimalTrees, 2027025U);  // 15!!
    EXPECT_EQ(same.Trees.size(), 5U);
}

// The report says what it knows: "optimal" only when proved, and one list
// of the objects that are alike.
TEST(ExactSearch, ReportWordsFitTheResult)
{
    TExactResult r;
    r.OptimalTreesText = QStringLiteral("3");
    r.Proved = true;
    const QStringList proved = ExactResultLines(r, TExactSettings());
    EXPECT_TRUE(proved.contains(QStringLiteral("Optimal trees = 3")));
    EXPECT_TRUE(proved.contains(QStringLiteral("Proved = yes")));
    r.Proved = false;
    r.Status = TSearchStatus::Cancelled;
    const QStringList stopped = ExactResultLines(r, TExactSettings());
    EXPECT_TRUE(stopped.contains(QStringLiteral("Trees found = 3")))
        << stopped.join('\n').toStdString();
    EXPECT_FALSE(stopped.join('\n').contains(QStringLiteral("Optimal trees")));
    EXPECT_TRUE(stopped.contains(QStringLiteral("Proved = no")));

    std::mt19937_64 rng(5);
    TRandomFieldShape shape;
    shape.Objects = 5;
    shape.MissingShare = 0;
    TSField field = RandomField(rng, shape);
    field.Names = TNumbered<QString>::FromItems({"a", "b", "c", "d", "e"});
    for (TSPlace& place : field.Places) {
        place.Inc[3] = place.Inc[1];
        place.Inc[5] = place.Inc[1];
        place.Inc[4] = place.Inc[2];
    }
    const QStringList notes = ExactInputNotes(field, 5, shape.Characters);
    const QString text = notes.join('\n');
    EXPECT_TRUE(text.contains(QStringLiteral("a, c and e are identical in every character")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nb and d are identical in every character")))
        << text.toStdString();
}

TEST(ExactSearch, StartTreesAndCanonicalTreesRoundTrip)
{
    std::mt19937_64 rng(9);
    for (int round = 0; round < 20; ++round) {
        const int n = 3 + round % 30;
        const TTree tree = RandomTree(rng, n);
        const std::vector<std::uint64_t> clades = TreeClades(tree);
        const TTree back = TreeFromClades(clades, n);
        EXPECT_TRUE(IsConsistentTree(back, n));
        EXPECT_EQ(TreeClades(back), clades);
    }
    // Subtree moves never lengthen the tree and the result is scored right.
    TRandomFieldShape shape;
    shape.Objects = 14;
    shape.Characters = 15;
    const TSField data = RandomField(rng, shape);
    const TPackedField packed(data, 14, 15);
    TTreeScorer scorer(packed, true);
    for (int k = 0; k < 5; ++k) {
        TTree tree = RandomTree(rng, 14);
        const std::int64_t before = scorer.Length(tree, 14);
        const std::int64_t after = ImproveBySubtreeMoves(tree, scorer);
        EXPECT_LE(after, before);
        EXPECT_TRUE(IsConsistentTree(tree, 14));
        EXPECT_EQ(scorer.Length(tree, 14), after);
    }
}
