// The thorough search under the criteria: for random data under each
// criterion and mixed, the lengths it reports are the full lengths of the
// trees it keeps, its incremental counts never differ from a full
// evaluation, trees without irreversible characters come rooted at the
// outgroup, and on tiny data it reaches the optimum found by enumeration.
#include <gtest/gtest.h>

#include <limits>
#include <set>

#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "parsimony/thorough/ThoroughSearch.h"
#include "parsimony/thorough/ThoroughSectors.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/ReversibleSupport.h"

namespace {
// Camin-Sokal characters from RandomField and reversible ones from
// RandomReversibleCharacters, numbered alternately.
TCriteriaCoding RandomCoding(std::mt19937_64& rng, int objects, int caminSokal,
                             const TReversibleShape& shape)
{
    TRandomFieldShape cs;
    cs.Objects = objects;
    cs.Characters = caminSokal;
    cs.MaxStates = 5;
    cs.MissingShare = 0.1;
    TCriteriaCoding coding;
    coding.CaminSokal = RandomField(rng, cs);
    if (caminSokal == 0) coding.CaminSokal.Places.Resize(0);
    coding.Reversible = RandomReversibleCharacters(rng, objects, shape);
    const int total = caminSokal + shape.Characters;
    coding.Criteria.Resize(total);
    int a = 0, b = 0;
    for (int c = 1; c <= total; ++c) {
        const bool irreversible = a < caminSokal && (b >= shape.Characters || c % 2 == 1);
        if (irreversible) {
            coding.Criteria[c] = TCriterion::Irreversible;
            coding.CaminSokalCharacters.push_back(c);
            ++a;
        } else {
            coding.Criteria[c] = coding.Reversible[++b].Criterion;
            coding.ReversibleCharacters.push_back(c);
        }
    }
    TResult<TReversibleField> field = TReversibleField::Make(coding.Reversible, objects);
    EXPECT_TRUE(field) << field.Error().toStdString();
    if (field) coding.Field = std::move(*field);
    return coding;
}

// The shortest length over every rooted binary tree, by the reference scorer.
std::int64_t EnumeratedOptimum(const TCriteriaCoding& coding, int objects, bool missing)
{
    TCriteriaScorer scorer(coding);
    TCompactTree t;
    t.Reset(objects);
    t.Root = objects;
    t.Child[static_cast<size_t>(objects)] = {0, 1};
    t.Parent[0] = t.Parent[1] = objects;
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    auto add = [&](auto&& self, int tip) -> void {
        if (tip == objects) {
            TTree tree = TreeFromCompact(t);
            best = std::min(best, static_cast<std::int64_t>(scorer.Length(tree, missing)));
            return;
        }
        const int q = objects + tip - 1;
        for (int v = 0; v < q; ++v) {
            if (v >= tip && v < objects) continue;  // tips not yet placed
            const TCompactTree kept = t;
            const int pv = t.Parent[static_cast<size_t>(v)];
            t.Child[static_cast<size_t>(q)] = {v, tip};
            t.Parent[static_cast<size_t>(tip)] = q;
            t.Parent[static_cast<size_t>(q)] = pv;
            if (pv < 0) {
                t.Root = q;
            } else {
                auto& c = t.Child[static_cast<size_t>(pv)];
                (c[0] == v ? c[0] : c[1]) = q;
            }
            t.Parent[static_cast<size_t>(v)] = q;
            self(self, tip + 1);
            t = kept;
        }
    };
    add(add, 2);
    return best;
}
}  // namespace

TEST(ThoroughCriteria, ReportedLengthsAreFullLengthsAndTinyDataReachTheOptimum)
{
    struct TCase {
        const char* Name;
        int Objects, CaminSokal;
        TReversibleShape Shape;
        TThoroughStrategy Strategy;
    };
    TReversibleShape unordered;
    unordered.Characters = 14;
    unordered.MaxStates = 5;
    unordered.OneCriterion = true;
    TReversibleShape ordered = unordered;
    ordered.Only = TCriterion::Ordered;
    TReversibleShape tree = unordered;
    tree.Only = TCriterion::StateTreeReversible;
    TReversibleShape many = unordered;  // every reversible criterion, wide characters
    many.OneCriterion = false;
    many.MaxStates = 70;
    many.Characters = 8;
    const std::vector<TCase> cases{
        {"unordered tiny", 7, 0, unordered, TThoroughStrategy::Ratchet},
        {"ordered tiny", 6, 0, ordered, TThoroughStrategy::Driven},
        {"state tree tiny", 7, 0, tree, TThoroughStrategy::Ratchet},
        {"mixed tiny", 7, 6, many, TThoroughStrategy::Ratchet},
        {"mixed tiny driven", 6, 5, unordered, TThoroughStrategy::Driven},
        {"unordered", 18, 0, unordered, TThoroughStrategy::Driven},
        {"state tree", 16, 0, tree, TThoroughStrategy::Ratchet},
        {"mixed", 17, 10, many, TThoroughStrategy::Driven},
        {"mixed ratchet", 15, 8, ordered, TThoroughStrategy::Ratchet},
    };
    std::mt19937_64 rng(41);
    for (const TCase& c : cases) {
        for (bool missing : {true, false}) {
            const TCriteriaCoding coding = RandomCoding(rng, c.Objects, c.CaminSokal, c.Shape);
            const int characters = coding.Criteria.Count();
            TThoroughSettings set;
            set.Seed = rng();
            set.Threads = 2;
            set.Replicates = 6;
            set.HitLimit = 0;
            set.RatchetIterations = 4;
            set.RoundSize = 2;
            set.MissingData = missing;
            set.Strategy = c.Strategy;
            const int outgroup = 1 + static_cast<int>(rng() % static_cast<unsigned>(c.Objects));
            TThoroughSearch search(coding.CaminSokal, c.Objects, characters, set);
            search.UseCriteria(&coding, outgroup);
            ASSERT_EQ(search.Run(), TSearchStatus::Finished) << c.Name;
            EXPECT_EQ(search.Mismatches(), 0) << c.Name;
            ASSERT_FALSE(search.Results().empty()) << c.Name;
            TCriteriaScorer reference(coding);
            for (const TThoroughResult& r : search.Results()) {
                ASSERT_TRUE(IsValidCompactTree(r.Tree)) << c.Name;
                TTree t = TreeFromCompact(r.Tree);
                EXPECT_EQ(static_cast<std::int64_t>(reference.Length(t, missing)), r.Length)
                    << c.Name;
                EXPECT_EQ(r.Length, search.BestLength()) << c.Name;
                if (c.CaminSokal == 0) {
                    const auto& top = r.Tree.Child[static_cast<size_t>(r.Tree.Root)];
                    EXPECT_TRUE(top[0] == outgroup - 1 || top[1] == outgroup - 1) << c.Name;
                }
            }
            if (c.Objects <= 7) {
                EXPECT_EQ(search.BestLength(), EnumeratedOptimum(coding, c.Objects, missing))
                    << c.Name << (missing ? ", missing data" : "");
            }
        }
    }
}

// Sectorial search under every criterion: each kept resolution's reported
// length is its full length by the reference scorer and never above the
// tree it replaced; from addition trees some sectors get shorter. Sectors
// with whole subtrees as units, and the whole tree as one sector, included.
TEST(ThoroughSectors, KeptResolutionsHaveTheirFullLengthAndNeverLengthen)
{
    struct TCase {
        const char* Name;
        int Objects, CaminSokal;
        TReversibleShape Shape;
        TSectorSettings Sizes;
    };
    TReversibleShape none;
    none.Characters = 0;
    TReversibleShape unordered;
    unordered.Characters = 14;
    unordered.MaxStates = 5;
    unordered.OneCriterion = true;
    TReversibleShape ordered = unordered;
    ordered.Only = TCriterion::Ordered;
    TReversibleShape many = unordered;
    many.OneCriterion = false;
    many.MaxStates = 40;
    many.Characters = 8;
    // Ratchet inside sectors of 5 units or more: every character up to 3 times its weight.
    const TSectorRatchet ratchet{5, 2, [](TRandom& r) {
                                     std::vector<int> w(40, 1);
                                     for (int& x : w) x = 1 + r.Below(3);
                                     return w;
                                 }};
    const std::vector<TCase> cases{
        {"irreversible", 22, 16, none, {4, 9, 6, {}}},
        {"irreversible, subtrees as units", 24, 16, none, {4, 5, 6, {}}},
        {"irreversible, ratchet inside", 22, 16, none, {4, 9, 6, ratchet}},
        {"unordered", 20, 0, unordered, {4, 10, 6, {}}},
        {"ordered, subtrees as units", 20, 0, ordered, {4, 5, 6, {}}},
        {"mixed", 18, 8, many, {5, 12, 6, {}}},
        {"mixed, ratchet inside", 18, 8, many, {5, 12, 6, ratchet}},
        {"whole tree", 6, 4, unordered, {6, 6, 3, {}}},
    };
    std::mt19937_64 rng(77);
    int shorter = 0, consensusSearched = 0;
    for (const TCase& c : cases) {
        for (bool missing : {true, false}) {
            const TCriteriaCoding coding = RandomCoding(rng, c.Objects, c.CaminSokal, c.Shape);
            const TCriteriaScoringData data(coding, missing, {});
            const std::unique_ptr<TThoroughScoring> scorer = CriteriaScoringMaker(data)();
            TCriteriaScorer reference(coding);
            auto full = [&](const TCompactTree& t) {
                TTree tree = TreeFromCompact(t);
                return static_cast<std::int64_t>(reference.Length(tree, missing));
            };
            TRandom trng(rng());
            // The scorer's tree after one random SPR move.
            auto moveAtRandom = [&] {
                TCompactTree t = scorer->Tree();
                int x = t.Root;
                while (x == t.Root) x = trng.Below(t.Vertices());
                const auto moves = scorer->AllMoves(x);
                std::vector<int> places;
                for (int v = 0; v < t.Vertices(); ++v)
                    if (moves.Regraft[static_cast<size_t>(v)] >= 0) places.push_back(v);
                TThoroughScoring::ApplyMove(
                    t, x, x,
                    places[static_cast<size_t>(trng.Below(static_cast<int>(places.size())))]);
                scorer->Load(t);
            };
            for (int round = 0; round < 3; ++round) {
                // An addition tree, a local optimum, or one moved off it at random.
                ASSERT_TRUE(scorer->BuildByAddition(trng));
                if (round > 0) scorer->Climb(TSwapRule::Tbr, trng, nullptr);
                for (int move = 0; round == 2 && move < 4; ++move) moveAtRandom();
                // The moves below a vertex are those of every move there.
                for (int pick = 0; pick < 6; ++pick) {
                    const TCompactTree& t = scorer->Tree();
                    const int x = trng.Below(t.Vertices());
                    const int top = trng.Below(t.Vertices());
                    if (x == t.Root) continue;
                    std::vector<char> out(static_cast<size_t>(t.Vertices()), 1);
                    const int from = top == t.Parent[static_cast<size_t>(x)] ? t.Sibling(x) : top;
                    for (std::vector<int> stack{from}; !stack.empty();) {
                        const int v = stack.back();
                        stack.pop_back();
                        out[static_cast<size_t>(v)] = 0;
                        if (!t.IsTip(v))
                            stack.insert(stack.end(), t.Child[static_cast<size_t>(v)].begin(),
                                         t.Child[static_cast<size_t>(v)].end());
                    }
                    bool inside = false;  // top within the clipped part: not a valid call
                    for (int v = top; v >= 0; v = t.Parent[static_cast<size_t>(v)])
                        inside |= v == x;
                    if (inside) continue;
                    const auto all = scorer->AllMoves(x);
                    const auto below = scorer->AllMovesBelow(x, top);
                    EXPECT_EQ(below.PrunedLength, all.PrunedLength) << c.Name;
                    EXPECT_EQ(below.Reroot, all.Reroot) << c.Name;
                    for (int v = 0; v < t.Vertices(); ++v) {
                        const size_t i = static_cast<size_t>(v);
                        if (all.Regraft[i] < 0 || out[i])
                            EXPECT_EQ(below.Regraft[i], -1) << c.Name << " vertex " << v;
                        else
                            EXPECT_EQ(below.Regraft[i], all.Regraft[i])
                                << c.Name << " vertex " << v;
                    }
                }
                std::int64_t last = scorer->Length();
                ASSERT_EQ(last, full(scorer->Tree())) << c.Name;
                const std::int64_t start = last;
                TSectorTally tally;
                const bool got = SearchSectors(*scorer, trng, c.Sizes, nullptr, tally,
                                               [&](const TCompactTree& t, std::int64_t reported) {
                                                   ASSERT_TRUE(IsValidCompactTree(t)) << c.Name;
                                                   EXPECT_EQ(reported, full(t)) << c.Name;
                                                   EXPECT_LE(reported, last) << c.Name;
                                                   last = reported;
                                               });
                EXPECT_EQ(tally.Searched, c.Sizes.Count) << c.Name;
                EXPECT_EQ(tally.Mismatches, 0) << c.Name;
                EXPECT_EQ(scorer->Length(), full(scorer->Tree())) << c.Name;
                EXPECT_EQ(scorer->Length(), last) << c.Name;
                EXPECT_EQ(got, scorer->Length() < start) << c.Name;
                shorter += tally.Shorter;

                // Consensus sectors, the pool being the tree moved off at random.
                const TCompactTree here = scorer->Tree();
                std::vector<TCompactTree> others;
                for (int k = 0; k < 2; ++k) {
                    for (int move = 0; move < 2; ++move) moveAtRandom();
                    others.push_back(scorer->Tree());
                    scorer->Load(here);
                }
                const std::vector<const TCompactTree*> pool{&others[0], &others[1]};
                // Groups (key, size) of a tree; the shared ones must all stay.
                auto groupsOf = [](const TCompactTree& t) {
                    const TClades k = Clades(t, PostOrder(t));
                    std::set<std::pair<std::uint64_t, int>> g;
                    for (int v = t.Tips; v < t.Vertices(); ++v)
                        g.insert({k.Key[static_cast<size_t>(v)], k.Size[static_cast<size_t>(v)]});
                    return g;
                };
                std::set<std::pair<std::uint64_t, int>> settled = groupsOf(here);
                for (const TCompactTree& o : others) {
                    const auto g = groupsOf(o);
                    std::erase_if(settled, [&](const auto& x) { return !g.count(x); });
                }
                TSectorTally shared;
                const std::int64_t before = last;
                const bool gotShared =
                    SearchConsensusSectors(*scorer, trng, pool, c.Sizes, nullptr, shared,
                                           [&](const TCompactTree& t, std::int64_t reported) {
                                               ASSERT_TRUE(IsValidCompactTree(t)) << c.Name;
                                               EXPECT_EQ(reported, full(t)) << c.Name;
                                               EXPECT_LE(reported, last) << c.Name;
                                               last = reported;
                                           });
                EXPECT_EQ(shared.Mismatches, 0) << c.Name;
                EXPECT_EQ(scorer->Length(), full(scorer->Tree())) << c.Name;
                EXPECT_EQ(gotShared, scorer->Length() < before) << c.Name;
                const auto after = groupsOf(scorer->Tree());
                for (const auto& g : settled) EXPECT_TRUE(after.count(g)) << c.Name;
                consensusSearched += shared.Searched;
            }
        }
    }
    EXPECT_GT(shorter, 0) << "no sector ever got shorter";
    EXPECT_GT(consensusSearched, 0) << "no consensus sector was ever found";

    // In the driven search on tiny data: the optimum, never less; switched off: no sectors.
    for (bool on : {true, false}) {
        const TCriteriaCoding coding = RandomCoding(rng, 7, 5, unordered);
        TThoroughSettings set;
        set.Seed = 9;
        set.Threads = 2;
        set.Replicates = 4;
        set.HitLimit = 0;
        set.RatchetIterations = 2;
        set.Strategy = TThoroughStrategy::Driven;
        set.Sectors = on;
        TThoroughSearch search(coding.CaminSokal, 7, coding.Criteria.Count(), set);
        search.UseCriteria(&coding);
        ASSERT_EQ(search.Run(), TSearchStatus::Finished);
        EXPECT_EQ(search.BestLength(), EnumeratedOptimum(coding, 7, true));
        EXPECT_EQ(search.Mismatches(), 0);
        EXPECT_EQ(search.SectorsSearched() > 0, on);
        EXPECT_LE(search.SectorsShorter(), search.SectorsAccepted());
        EXPECT_LE(search.SectorsAccepted(), search.SectorsSearched());
    }
    // Sector sizes and sector ratchets out of range are refused.
    const TCriteriaCoding coding = RandomCoding(rng, 8, 4, unordered);
    struct TBad {
        int Min, Max, Count, RatchetUnits, Ratchet;
    };
    for (const TBad bad : std::vector<TBad>{{3, 10, 0, 30, 3},
                                            {12, 8, 0, 30, 3},
                                            {0, 10, 0, 30, 3},
                                            {4, MaxThoroughObjects + 1, 0, 30, 3},
                                            {4, 8, -1, 30, 3},
                                            {0, 0, 0, 3, 3},
                                            {0, 0, 0, MaxThoroughObjects + 1, 3},
                                            {0, 0, 0, 30, -1},
                                            {0, 0, 0, 30, 1001}}) {
        TThoroughSettings set;
        set.Strategy = TThoroughStrategy::Driven;
        set.SectorMin = bad.Min;
        set.SectorMax = bad.Max;
        set.SectorCount = bad.Count;
        set.SectorRatchetUnits = bad.RatchetUnits;
        set.SectorRatchet = bad.Ratchet;
        EXPECT_FALSE(TThoroughSearch(coding.CaminSokal, 8, coding.Criteria.Count(), set)
                         .Validate()
                         .Error()
                         .isEmpty())
            << bad.Min << "-" << bad.Max << " ratchet " << bad.RatchetUnits << "/" << bad.Ratchet;
    }
}
