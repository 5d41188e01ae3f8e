// The exact search under the reversible criteria (and mixed with
// irreversible characters) against the enumeration of every tree, scored by
// the literal Sankoff reference and the path-set length.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "RandomField.h"
#include "ReversibleSupport.h"
#include "TreeTestSupport.h"
#include "parsimony/exact/ExactCriteria.h"
#include "parsimony/exact/ExactCriteriaBound.h"
#include "parsimony/exact/ExactCriteriaTree.h"
#include "parsimony/length/ReferenceSankoff.h"

namespace {
// Random characters: reversible ones of every criterion with "?" and sets,
// and, when mixed, irreversible ones on random state trees before them.
TCriteriaCoding RandomCoding(std::mt19937_64& rng, int objects, bool mixed)
{
    TCriteriaCoding coding;
    TRandomFieldShape cs;
    cs.Objects = objects;
    cs.Characters = mixed ? RandomBetween(rng, 1, 4) : 0;
    cs.MaxStates = 4;
    cs.MissingShare = 0.15;
    coding.CaminSokal = RandomField(rng, cs);
    TReversibleShape shape;
    shape.Characters = RandomBetween(rng, 2, 8);
    shape.MaxStates = RandomBetween(rng, 2, 5);
    shape.Missing = 0.2;
    shape.Sets = 0.15;
    shape.Weights = RandomBetween(rng, 0, 3) == 0;
    coding.Reversible = RandomReversibleCharacters(rng, objects, shape);
    const int total = cs.Characters + shape.Characters;
    coding.Criteria.Resize(total);
    for (int c = 1; c <= cs.Characters; ++c) {
        coding.Criteria[c] = TCriterion::Irreversible;
        coding.CaminSokalCharacters.push_back(c);
    }
    for (int c = 1; c <= shape.Characters; ++c) {
        coding.Criteria[cs.Characters + c] = coding.Reversible[c].Criterion;
        coding.ReversibleCharacters.push_back(cs.Characters + c);
    }
    TResult<TReversibleField> field = TReversibleField::Make(coding.Reversible, objects);
    EXPECT_TRUE(field.Ok()) << field.Error().toStdString();
    if (field) coding.Field = std::move(*field);
    return coding;
}

struct TEnumeration {
    std::int64_t Optimum = INT64_MAX;
    std::vector<std::vector<std::uint64_t>> Shortest;  // canonical keys, sorted
};

// Every tree by stepwise addition, each scored in full: unrooted (once
// each, rooted at the outgroup) or rooted.
TEnumeration Enumerate(const TCriteriaCoding& coding, int n, bool unrooted, int outgroup,
                       bool missing)
{
    std::vector<int> objects{outgroup};
    for (int o = 1; o <= n; ++o)
        if (o != outgroup) objects.push_back(o);
    TEnumeration out;
    std::vector<int> tipAnc{1, 1}, nodeAnc{0};
    std::function<void(int)> grow = [&](int m) {
        if (m == n) {
            TTree tree = MakeTreeFromLinks(tipAnc, nodeAnc, objects);
            std::int64_t length = 0;
            if (!coding.CaminSokalCharacters.empty()) {
                EvaluateTree(tree, coding.CaminSokal, missing);
                length += static_cast<std::int64_t>(tree.Fitness);
            }
            length += ReferenceLength(coding.Reversible, LinksOf(tree).View());
            if (length < out.Optimum) {
                out.Optimum = length;
                out.Shortest.clear();
            }
            if (length == out.Optimum) out.Shortest.push_back(TreeClades(tree));
            return;
        }
        const int newNode = m;  // nodes 1..m-1 exist
        for (int branch = 0; branch < 2 * m - 1; ++branch) {
            // Unrooted: never above the outgroup (tip 1) or the root.
            if (unrooted &&
                (branch == 0 || (branch >= m && nodeAnc[static_cast<size_t>(branch - m)] == 0)))
                continue;
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

std::vector<std::vector<std::uint64_t>> Keys(const TExactResult& r)
{
    std::vector<std::vector<std::uint64_t>> keys;
    for (const TTree& t : r.Trees) keys.push_back(TreeClades(t));
    return keys;
}
}  // namespace

TEST(ExactCriteria, EveryBoundAndThreadCountFindsTheEnumerationsShortestTrees)
{
    std::mt19937_64 rng(20261210);
    int unrootedSets = 0, mixedSets = 0;
    for (int round = 0; round < 60; ++round) {
        const bool mixed = round % 3 == 2;
        const int n = mixed ? RandomBetween(rng, 3, 7) : RandomBetween(rng, 3, 8);
        const TCriteriaCoding coding = RandomCoding(rng, n, mixed);
        const int outgroup = RandomBetween(rng, 1, n);
        const bool missing = RandomBetween(rng, 0, 3) != 0;
        const TEnumeration all = Enumerate(coding, n, !mixed, outgroup, missing);
        (mixed ? mixedSets : unrootedSets) += 1;
        std::vector<TExactSettings> variants(7);
        for (TExactSettings& s : variants) {
            s.MissingData = missing;
            s.Threads = 1;
        }
        variants[1].ObjectBound = false;
        variants[2].GroupBound = false;
        variants[3].PlaceBound = true;
        variants[4].FurthestFirst = false;
        variants[5].Threads = 3;
        variants[6].MaxTrees = 2;
        for (size_t k = 0; k < variants.size(); ++k) {
            const std::string label = "round " + std::to_string(round) + " variant " +
                                      std::to_string(k) + " objects " + std::to_string(n);
            TExactCriteriaSearch search(coding, n, variants[k], outgroup);
            EXPECT_EQ(search.Unrooted(), !mixed);
            const TResult<TExactResult> run = search.Run();
            ASSERT_TRUE(run.Ok()) << run.Error().toStdString();
            const TExactResult& r = *run;
            ASSERT_TRUE(r.Proved) << label;
            EXPECT_EQ(r.Optimum, all.Optimum) << label;
            EXPECT_EQ(r.LowerBound, all.Optimum) << label;
            EXPECT_GE(r.StartLength, all.Optimum) << label;
            EXPECT_EQ(r.OptimalTrees, all.Shortest.size()) << label;
            const size_t kept =
                std::min(all.Shortest.size(), static_cast<size_t>(variants[k].MaxTrees));
            EXPECT_EQ(Keys(r),
                      std::vector<std::vector<std::uint64_t>>(
                          all.Shortest.begin(), all.Shortest.begin() + static_cast<long>(kept)))
                << label;
            for (const TTree& t : r.Trees) {
                EXPECT_EQ(t.Fitness, static_cast<double>(all.Optimum)) << label;
                if (!mixed) {  // rooted at the outgroup: one of the root's children
                    EXPECT_EQ(t.Tips[static_cast<size_t>(outgroup)].Anc, t.Root()) << label;
                }
            }
        }
    }
    EXPECT_GT(unrootedSets, 30);
    EXPECT_GT(mixedSets, 15);
}

// Every partial tree of the search's kind, at every stage of addition: no
// lower bound exceeds the shortest completion found by enumerating them.
TEST(ExactCriteria, NoBoundOfAPartialTreeExceedsItsShortestCompletion)
{
    std::mt19937_64 rng(77);
    for (int round = 0; round < 40; ++round) {
        const bool mixed = round % 4 == 3;
        const int n = RandomBetween(rng, 4, 7);
        const TCriteriaCoding coding = RandomCoding(rng, n, mixed);
        const TPackedField packed(coding.CaminSokal, n,
                                  static_cast<int>(coding.CaminSokalCharacters.size()));
        const TExactField caminSokal(packed, true);
        const TGroupBound caminSokalBound(caminSokal, true);
        const TReversibleBounds reversible(*coding.Field, true);
        const TCriteriaKind kind(n, mixed ? &caminSokal : nullptr, &caminSokalBound, &reversible,
                                 !mixed, true, true, true);
        const std::int64_t constant = mixed ? caminSokal.Constant() : 0;
        std::vector<int> order(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) order[static_cast<size_t>(k)] = k + 1;
        std::shuffle(order.begin() + 1, order.end(), rng);
        TCriteriaKind::Bounder bounder(kind, order);
        // The costly bounds run near the cut: the search's shortest length
        // (or one less) as it would stand.
        const TEnumeration all = Enumerate(coding, n, !mixed, order[0], true);
        const std::int64_t best = all.Optimum - constant - round % 2;
        // Depth first over the search's own partial trees; the shortest
        // completion of each is the least over its children.
        std::vector<std::unique_ptr<TCriteriaPartialTree>> levels;
        for (int m = 0; m <= n; ++m) levels.push_back(kind.MakeTree());
        int checked = 0;
        std::function<std::int64_t(int)> shortest = [&](int m) {
            TCriteriaPartialTree& tree = *levels[static_cast<size_t>(m)];
            const std::int64_t bound = bounder.Of(tree, best);
            std::int64_t best = INT64_MAX;
            if (m == n) {
                best = tree.Length();
            } else {
                tree.ScorePlaces(order[static_cast<size_t>(m)]);
                const std::vector<int> places = tree.Places();
                for (int v : places) {
                    TCriteriaPartialTree& child = *levels[static_cast<size_t>(m) + 1];
                    child.CopyFrom(tree);
                    child.Insert(v, order[static_cast<size_t>(m)]);
                    EXPECT_EQ(child.Length(), tree.Length() + tree.Delta(v));
                    best = std::min(best, shortest(m + 1));
                }
            }
            EXPECT_LE(bound, best) << "round " << round << " tips " << m;
            EXPECT_GE(bound, tree.Length());
            ++checked;
            return best;
        };
        levels[2]->Start(order[0], order[1]);
        EXPECT_EQ(shortest(2) + constant, all.Optimum) << "round " << round;
        EXPECT_GT(checked, n);
    }
}

TEST(ExactCriteria, ProtocolSaysHowTreesAreRootedAndBadOutgroupsAreRefused)
{
    std::mt19937_64 rng(5);
    TCriteriaCoding coding = RandomCoding(rng, 6, false);
    coding.Lines = QStringList{QStringLiteral("Criteria:")};
    const QStringList unrooted = ExactCriteriaRunLines(coding, 6, TExactSettings(), 3);
    EXPECT_EQ(unrooted.first(), QStringLiteral("Exact search (branch and bound) over every "
                                               "unrooted binary tree of 6 objects"));
    EXPECT_EQ(unrooted.last(), QStringLiteral(" Trees are written rooted at the outgroup T3."));
    const TCriteriaCoding mixed = RandomCoding(rng, 6, true);
    EXPECT_TRUE(ExactCriteriaRunLines(mixed, 6, TExactSettings(), 1)
                    .last()
                    .contains(QStringLiteral("fix the root")));
    EXPECT_TRUE(ExactCriteriaRunLines(mixed, 6, TExactSettings(), 1)
                    .first()
                    .contains(QStringLiteral("every rooted binary tree")));
    for (int outgroup : {0, 7}) {
        const TResult<TExactResult> r =
            TExactCriteriaSearch(coding, 6, TExactSettings(), outgroup).Run();
        EXPECT_FALSE(r.Ok());
    }
    EXPECT_FALSE(TExactCriteriaSearch(coding, 2, TExactSettings(), 1).Run().Ok());

    // Nothing tells 11 objects' trees apart: every unrooted tree is optimal,
    // 17!! of them, those kept rooted at the outgroup.
    TCriteriaCoding flat;
    flat.CaminSokal.Names.Resize(11);
    flat.Reversible.Resize(1);
    flat.Reversible[1].StateCount = 2;
    flat.Reversible[1].Cells.Resize(11);
    for (int o = 1; o <= 11; ++o) flat.Reversible[1].Cells[o].Include(o % 2);
    flat.Reversible[1].Cells[1] = TInclusion();  // "?": the others may differ
    for (int o = 2; o <= 11; ++o) flat.Reversible[1].Cells[o] = flat.Reversible[1].Cells[2];
    flat.ReversibleCharacters = {1};
    flat.Criteria.Resize(1);
    flat.Field = *TReversibleField::Make(flat.Reversible, 11);
    TExactSettings few;
    few.MaxTrees = 3;
    const TResult<TExactResult> all = TExactCriteriaSearch(flat, 11, few, 5).Run();
    ASSERT_TRUE(all.Ok());
    EXPECT_TRUE(all->Proved);
    EXPECT_EQ(all->Optimum, 0);
    EXPECT_EQ(all->OptimalTreesText, QStringLiteral("34459425"));
    ASSERT_EQ(all->Trees.size(), 3U);
    for (const TTree& t : all->Trees) EXPECT_EQ(t.Tips[5].Anc, t.Root());
}

TEST(ExactCriteria, StopsOnTimeAndCancelWithAValidLowerBound)
{
    std::mt19937_64 rng(11);
    TCriteriaCoding coding = RandomCoding(rng, 18, false);
    TReversibleShape shape;
    shape.Characters = 30;
    shape.Missing = 0.1;
    coding.Reversible = RandomReversibleCharacters(rng, 18, shape);
    coding.ReversibleCharacters.clear();
    coding.Criteria.Resize(30);
    for (int c = 1; c <= 30; ++c) {
        coding.ReversibleCharacters.push_back(c);
        coding.Criteria[c] = coding.Reversible[c].Criterion;
    }
    coding.Field = *TReversibleField::Make(coding.Reversible, 18);
    TExactSettings settings;
    settings.TimeLimitSeconds = 0.3;
    settings.Threads = 2;
    const TResult<TExactResult> timed = TExactCriteriaSearch(coding, 18, settings, 2).Run();
    ASSERT_TRUE(timed.Ok());
    ASSERT_EQ(timed->Status, TSearchStatus::TimeLimit);
    EXPECT_FALSE(timed->Proved);
    EXPECT_LE(timed->LowerBound, timed->Optimum);
    EXPECT_LE(timed->Optimum, timed->StartLength);
    ASSERT_FALSE(timed->Trees.empty());
    TCriteriaScorer scorer(coding);
    TTree first = timed->Trees.front();
    EXPECT_EQ(scorer.Length(first, true), static_cast<double>(timed->Optimum));
    EXPECT_EQ(first.Tips[2].Anc, first.Root());

    settings.TimeLimitSeconds.reset();
    TExactCallbacks cancel;
    cancel.Cancelled = [] { return true; };
    const TResult<TExactResult> cancelled =
        TExactCriteriaSearch(coding, 18, settings, 2).Run(cancel);
    ASSERT_TRUE(cancelled.Ok());
    EXPECT_EQ(cancelled->Status, TSearchStatus::Cancelled);
    EXPECT_LE(cancelled->LowerBound, cancelled->Optimum);
}
