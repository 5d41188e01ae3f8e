// The thorough search under the criteria: for random data under each
// criterion and mixed, the lengths it reports are the full lengths of the
// trees it keeps, its incremental counts never differ from a full
// evaluation, trees without irreversible characters come rooted at the
// outgroup, and on tiny data it reaches the optimum found by enumeration.
#include <gtest/gtest.h>

#include <limits>

#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "parsimony/thorough/ThoroughSearch.h"
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
