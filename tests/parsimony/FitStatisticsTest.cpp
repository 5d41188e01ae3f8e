// Fit statistics and the changes on every branch: hand-worked trees, the
// binary recoding as a literal reference, and the changes adding up to the
// tree length on random trees and data under both rules and, placed by
// ACCTRAN and DELTRAN, under the reversible criteria.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <tuple>

#include "parsimony/length/ReferenceSankoff.h"
#include "parsimony/length/ReferenceTree.h"
#include "parsimony/summaries/BranchChanges.h"
#include "parsimony/summaries/FitStatistics.h"
#include "parsimony/summaries/ReversibleChanges.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/ReversibleSupport.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
TInclusion Set(std::initializer_list<int> states)
{
    TInclusion s;
    for (int k : states) s.Include(k);
    return s;
}

// One character over objects 1..n; states 0 (root) < 1 < 2 along one path.
TSField OneCharacter(const std::vector<TInclusion>& sets)
{
    TSField field;
    for (size_t o = 1; o <= sets.size(); ++o)
        field.Names.Append(QString(QChar('A' + static_cast<int>(o) - 1)));
    field.Places.Resize(1);
    field.Places[1].Name = "c";
    field.Places[1].StateNames = {"zero", "one", "two"};
    for (const TInclusion& s : sets) field.Places[1].Inc.Append(s);
    return field;
}

// ((A,B),(C,D)) and (((A,B),C),D).
TTree Balanced() { return MakeTreeFromLinks({2, 2, 3, 3}, {0, 1, 1}); }
TTree Ladder() { return MakeTreeFromLinks({3, 3, 2, 1}, {0, 1, 2}); }
}  // namespace

TEST(FitStatistics, HandWorkedTrees)
{
    const TInclusion zero = Set({0}), one = Set({0, 1}), none;
    // 1 1 0 0 on ((A,B),(C,D)): one step, as few as possible.
    TFitStatistics f = FitStatistics(Balanced(), OneCharacter({one, one, zero, zero}), true);
    EXPECT_EQ(f.Characters[1].M, 1);
    EXPECT_EQ(f.Characters[1].S, 1);
    EXPECT_EQ(f.Characters[1].G, 2);
    EXPECT_EQ(FitStatisticsCells(f.Total), QStringList({"1", "1", "2", "1", "1", "1", "0"}));
    // 1 0 1 0: two steps, as many as on a bush.
    f = FitStatistics(Balanced(), OneCharacter({one, zero, one, zero}), true);
    EXPECT_EQ(FitStatisticsCells(f.Total), QStringList({"1", "2", "2", "0.5", "0", "0", "0.5"}));
    // 1 ? 0 1: B does not count under the missing-data rule ...
    const TSField missing = OneCharacter({one, none, zero, one});
    f = FitStatistics(Balanced(), missing, true);
    EXPECT_EQ(FitStatisticsCells(f.Total), QStringList({"1", "2", "2", "0.5", "0", "0", "0.5"}));
    // ... under the plain rule it holds no state at all: the root state
    // counts too (3 of 4 objects), and the length charges it.
    f = FitStatistics(Balanced(), missing, false);
    EXPECT_EQ(FitStatisticsCells(f.Total),
              QStringList({"2", "4", "5", "0.5", "0.3333", "0.1667", "0.5"}));
    TTree plain = Balanced();
    EvaluateTree(plain, missing, false);
    EXPECT_EQ(plain.Fitness, 4);
    // All objects alike: nothing to explain, RI undefined.
    f = FitStatistics(Ladder(), OneCharacter({one, one, one, one}), true);
    EXPECT_EQ(FitStatisticsCells(f.Total),
              QStringList({"0", "0", "0", "1", "\u2014", "\u2014", "0"}));
    // A nested state: 2 2 1 0 on the ladder, one step each.
    f = FitStatistics(Ladder(), OneCharacter({Set({0, 1, 2}), Set({0, 1, 2}), one, zero}), true);
    EXPECT_EQ(FitStatisticsCells(f.Total), QStringList({"2", "2", "5", "1", "1", "1", "0"}));
    EXPECT_EQ(FitSummaryLine(f), "Tree length 2: CI = 1, RI = 1, RC = 1, HI = 0");
}

TEST(FitStatistics, NumbersHaveAPointAndAtMostFourDecimals)
{
    EXPECT_EQ(FormatFitNumber(2.0 / 3), "0.6667");
    EXPECT_EQ(FormatFitNumber(1), "1");
    EXPECT_EQ(FormatFitNumber(0.5), "0.5");
    EXPECT_EQ(FormatFitNumber(-0.00001), "0");
    EXPECT_EQ(FormatFitNumber(std::nullopt), "\u2014");
}

// The literal reference: each state becomes a binary character (0 = lacks it,
// 1 = holds it, "?" stays missing) counted on its own; the sums are m, s, g.
TEST(FitStatistics, EqualTheSumsOverTheBinaryRecoding)
{
    std::mt19937_64 rng(77);
    for (int round = 0; round < 300; ++round) {
        TRandomFieldShape shape;
        shape.Objects = 2 + round % 14;
        shape.Characters = 1 + round % 5;
        shape.MaxStates = 2 + round % 6;
        shape.MissingShare = (round % 3) * 0.15;
        const TSField field = RandomField(rng, shape);
        TTree tree = RandomTree(rng, shape.Objects);
        const TFitStatistics stats = FitStatistics(tree, field, true);
        for (int c = 1; c <= shape.Characters; ++c) {
            TCharacterFit sum;
            const TSPlace& place = field.Places[c];
            for (int k = 0; k < 256; ++k) {
                TSField binary = field;
                binary.Places.Resize(1);
                binary.Places[1] = place;
                int withData = 0, holders = 0;
                for (int o = 1; o <= shape.Objects; ++o) {
                    TInclusion& s = binary.Places[1].Inc[o];
                    if (s.IsEmpty()) continue;
                    ++withData;
                    holders += s.Contains(k);
                    s = s.Contains(k) ? Set({0, 1}) : Set({0});
                }
                if (holders == 0) continue;
                if (holders < withData) {
                    ++sum.M;
                    sum.G += holders;
                }
                const TReferenceStates states = ReferenceEvaluateTree(tree, binary, true);
                sum.S +=
                    static_cast<std::int64_t>(ReferenceComputeCharSteps(tree, 1, binary, states));
            }
            const TCharacterFit& got = stats.Characters[static_cast<size_t>(c)];
            EXPECT_EQ(got.M, sum.M) << "seed 77, round " << round << ", character " << c;
            EXPECT_EQ(got.S, sum.S) << "seed 77, round " << round << ", character " << c;
            EXPECT_EQ(got.G, sum.G) << "seed 77, round " << round << ", character " << c;
        }
    }
}

TEST(BranchChanges, AddUpToTheTreeLengthUnderBothRules)
{
    std::mt19937_64 rng(2024);
    for (int round = 0; round < 1200; ++round) {
        TRandomFieldShape shape;
        shape.Objects = 2 + round % 40;
        shape.Characters = 1 + round % 9;
        shape.MaxStates = 1 + round % 7;
        shape.MissingShare = (round % 4) * 0.1;
        shape.MultiRootShare = round % 5 == 0 ? 0.3 : 0;
        const TSField field = RandomField(rng, shape);
        TTree tree = RandomTree(rng, shape.Objects);
        for (bool missing : {true, false}) {
            EvaluateTree(tree, field, missing);
            size_t changes = 0;
            for (const TBranch& b : BranchChanges(tree, field, missing))
                changes += b.Changes.size();
            ASSERT_EQ(static_cast<double>(changes), tree.Fitness)
                << "seed 2024, round " << round << ", missing " << missing;
            const TFitStatistics f = FitStatistics(tree, field, missing);
            ASSERT_EQ(static_cast<double>(f.Total.S), tree.Fitness) << "round " << round;
            // m <= s <= g on every tree, so CI and RI stay within 0..1.
            for (size_t c = 1; c < f.Characters.size(); ++c) {
                ASSERT_LE(f.Characters[c].M, f.Characters[c].S) << "round " << round;
                ASSERT_LE(f.Characters[c].S, f.Characters[c].G) << "round " << round;
            }
        }
        // The missing-data rule's steps are the character fit's.
        EvaluateTree(tree, field, true);
        const TFitStatistics f = FitStatistics(tree, field, true);
        for (int c = 1; c <= shape.Characters; ++c)
            ASSERT_EQ(static_cast<double>(f.Characters[static_cast<size_t>(c)].S),
                      CountCharSteps(tree, c, field));
    }
}

// Under each reversible criterion, ACCTRAN and DELTRAN on random characters
// ("?" and set cells, 2 to 10 states) and trees: the changes of a character
// are one step each and add up to its Sankoff length, and the states they
// imply (constant between changes) meet every cell, so they are a most
// parsimonious reconstruction; a change marked unambiguous is on its branch
// under both placements.
TEST(BranchChanges, ReversibleReconstructionsUnderEveryCriterionAndPlacement)
{
    std::mt19937_64 rng(2026);
    int trees = 0, differ = 0, unambiguous = 0;
    for (TCriterion criterion :
         {TCriterion::Unordered, TCriterion::Ordered, TCriterion::StateTreeReversible}) {
        for (int round = 0; round < 150; ++round) {
            TReversibleShape shape;
            shape.Characters = 1 + round % 6;
            shape.MaxStates = 2 + round % 9;
            shape.OneCriterion = true;
            shape.Only = criterion;
            const int objects = 3 + round % 30;
            TCriteriaCoding coding;
            coding.Reversible = RandomReversibleCharacters(rng, objects, shape);
            coding.ReversibleCharacters.resize(static_cast<size_t>(shape.Characters));
            std::iota(coding.ReversibleCharacters.begin(), coding.ReversibleCharacters.end(), 1);
            const TTreeLinks links = LinksOf(RandomTree(rng, objects));
            const TTreeView view = links.View();
            const std::vector<std::int64_t> steps = ReferenceSteps(coding.Reversible, view);
            const std::string where = "criterion " + std::to_string(static_cast<int>(criterion)) +
                                      ", round " + std::to_string(round);
            std::vector<std::vector<TStateChange>> placed[2];
            for (int p = 0; p < 2; ++p) {
                placed[p] = ReversibleBranchChanges(
                    coding, view, p == 0 ? TChangePlacement::Acctran : TChangePlacement::Deltran);
                for (int c = 1; c <= shape.Characters; ++c) {
                    const TReversibleCharacter& ch = coding.Reversible[c];
                    // Vertices joined by branches without a change of c hold one state.
                    std::vector<int> group(placed[p].size());
                    std::iota(group.begin(), group.end(), 0);
                    std::function<int(int)> find = [&](int v) {
                        return group[static_cast<size_t>(v)] == v
                                   ? v
                                   : group[static_cast<size_t>(v)] =
                                         find(group[static_cast<size_t>(v)]);
                    };
                    std::vector<std::vector<int>> on(placed[p].size());
                    std::int64_t count = 0;
                    for (size_t v = 0; v < placed[p].size(); ++v) {
                        for (const TStateChange& x : placed[p][v])
                            if (x.Character == c) on[v].push_back(x.From), on[v].push_back(x.To);
                        count += static_cast<std::int64_t>(on[v].size() / 2);
                        if (on[v].empty() && static_cast<int>(v) != view.Root)
                            group[static_cast<size_t>(find(static_cast<int>(v)))] =
                                find(view.Parent[v]);
                    }
                    ASSERT_EQ(count, steps[static_cast<size_t>(c)]) << where << ", character " << c;
                    std::map<int, std::set<int>> held;  // group -> the states changes give it
                    for (size_t v = 0; v < on.size(); ++v) {
                        if (on[v].empty()) continue;
                        for (size_t k = 0; k < on[v].size(); k += 2) {
                            ASSERT_EQ(ReferenceChangeCost(ch, on[v][k], on[v][k + 1]), 1) << where;
                            if (k + 2 < on[v].size()) {
                                ASSERT_EQ(on[v][k + 1], on[v][k + 2]) << where;
                            }
                        }
                        held[find(view.Parent[v])].insert(on[v].front());
                        held[find(static_cast<int>(v))].insert(on[v].back());
                    }
                    for (int tip = 0; tip < view.Tips; ++tip) {
                        const auto it = held.find(find(tip));
                        if (it == held.end()) continue;
                        ASSERT_EQ(it->second.size(), 1u) << where << ", character " << c;
                        const int x = *it->second.begin();
                        const TInclusion& cell = ch.Cells[view.TipObject[tip]];
                        bool fits =
                            cell.IsEmpty() || cell.Count() == ch.StateCount || cell.Contains(x);
                        for (int a = 0; a < ch.StateCount; ++a)
                            for (int b = 0; b < ch.StateCount; ++b)
                                fits = fits || (criterion != TCriterion::Unordered &&
                                                cell.Contains(a) && cell.Contains(b) &&
                                                ReferenceChangeCost(ch, a, x) +
                                                        ReferenceChangeCost(ch, x, b) ==
                                                    ReferenceChangeCost(ch, a, b));
                        EXPECT_TRUE(fits) << where << ", character " << c << ", tip " << tip;
                    }
                }
            }
            ++trees;
            bool same = true;
            for (size_t v = 0; v < placed[0].size(); ++v) {
                auto key = [](const TStateChange& x) {
                    return std::tuple(x.Character, x.From, x.To, x.Ambiguous);
                };
                same = same && placed[0][v].size() == placed[1][v].size() &&
                       std::equal(placed[0][v].begin(), placed[0][v].end(), placed[1][v].begin(),
                                  [&](const auto& a, const auto& b) { return key(a) == key(b); });
                for (int p = 0; p < 2; ++p)
                    for (const TStateChange& x : placed[p][v]) {
                        if (x.Ambiguous) continue;
                        unambiguous += p == 0;
                        EXPECT_TRUE(
                            std::any_of(placed[1 - p][v].begin(), placed[1 - p][v].end(),
                                        [&](const TStateChange& y) { return key(x) == key(y); }))
                            << where << ", vertex " << v;
                    }
            }
            differ += !same;
        }
    }
    // Both kinds of case occur often enough to mean something.
    EXPECT_GT(differ, trees / 10);
    EXPECT_GT(unambiguous, trees);
}

TEST(BranchChanges, PlacementAndAmbiguityOnHandWorkedTrees)
{
    const TInclusion zero = Set({0}), one = Set({0, 1}), none;
    // A and B hold "one", C is "?": the rule puts the change above (A,B,C) and
    // marks it, since it may have arisen above (A,B) as well.
    const TSField field = OneCharacter({one, one, none, zero});
    std::vector<TBranch> b = BranchChanges(Ladder(), field, true);
    ASSERT_EQ(b.size(), 6u);
    int found = 0;
    for (const TBranch& branch : b) {
        for (const TChange& c : branch.Changes) {
            ++found;
            EXPECT_EQ(branch.Objects, std::vector<int>({1, 2, 3}));
            EXPECT_TRUE(c.Ambiguous);
            EXPECT_EQ(ChangeText(field, c), "c: one");
            EXPECT_EQ(BranchText(field, branch), "A,B,C");
        }
    }
    EXPECT_EQ(found, 1);
    // Without the "?", the change sits above (A,B), unambiguous.
    b = BranchChanges(Ladder(), OneCharacter({one, one, zero, zero}), true);
    const auto table = BranchChangesTable(b, OneCharacter({one, one, zero, zero}));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1], QStringList({"A,B", "c", "one", "unambiguous"}));
    // The plain rule empties the sets above C: (A,B) gains the root state as
    // well, and every change below an emptied node is marked.
    b = BranchChanges(Ladder(), field, false);
    QStringList seen;
    for (const TBranch& branch : b)
        for (const TChange& c : branch.Changes)
            seen << BranchText(field, branch) + "/" + StateName(field, 1, c.State) +
                        (c.Ambiguous ? "?" : "");
    EXPECT_EQ(seen, QStringList({"D/zero?", "A,B/zero?", "A,B/one?"}));
}
