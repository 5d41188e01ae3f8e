// The reversible criteria on trees of any size: length, fit statistics,
// character fit and changes on a compact tree against the same on the tree
// record (up to 255 objects), and past 255 objects against Sankoff's steps.
// Random text matrices in pointer notation, every criterion per character,
// "?" cells and cells of states joined by "&".
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "data/Path.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/ReferenceSankoff.h"
#include "parsimony/summaries/CharFit.h"
#include "parsimony/summaries/FitStatistics.h"
#include "parsimony/summaries/ReversibleChanges.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "tests/parsimony/ReversibleSupport.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
// States s0..s(n-1) under a random state tree rooted at s0 (a line for some
// characters, so that they may be ordered); the first objects hold every
// state alone, so that the cells give the whole state tree.
TMatrixData RandomMatrix(std::mt19937_64& rng, int objects, int characters)
{
    TMatrixData data;
    data.ObjectCount = objects;
    data.CharacterCount = characters;
    data.DataMatrix.assign(static_cast<size_t>(characters) + 1,
                           TPart(static_cast<size_t>(objects) + 1));
    for (int o = 1; o <= objects; ++o)
        data.DataMatrix[0][static_cast<size_t>(o)] = QStringLiteral("T%1").arg(o);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int c = 1; c <= characters; ++c) {
        TPart& column = data.DataMatrix[static_cast<size_t>(c)];
        column[0] = QStringLiteral("C%1").arg(c);
        const int n = RandomBetween(rng, 2, 5);
        const bool line = unit(rng) < 0.5;
        std::vector<int> parent(static_cast<size_t>(n), -1);
        for (int s = 1; s < n; ++s)
            parent[static_cast<size_t>(s)] = line ? s - 1 : RandomBetween(rng, 0, s - 1);
        auto path = [&](int s) {
            QString text = QStringLiteral("s%1").arg(s);
            int depth = 0;
            for (int p = parent[static_cast<size_t>(s)]; p >= 0;
                 p = parent[static_cast<size_t>(p)]) {
                text += QStringLiteral("[s%1").arg(p);
                ++depth;
            }
            return text + QString(depth, QLatin1Char(']'));
        };
        const std::array kinds{TCriterion::Irreversible, TCriterion::StateTreeReversible,
                               TCriterion::Unordered, TCriterion::Ordered};
        const TCriterion criterion =
            kinds[static_cast<size_t>(RandomBetween(rng, 0, line ? 3 : 2))];
        data.Criteria.ByCharacter.push_back(criterion);
        const int used = RandomBetween(rng, 2, n);  // few states, so trees differ in length
        for (int o = 1; o <= objects; ++o) {
            const double u = unit(rng);
            QString& cell = column[static_cast<size_t>(o)];
            if (o <= n)
                cell = path(o - 1);
            else if (u < 0.1)
                cell = QStringLiteral("?");
            else if (u < 0.2 && criterion != TCriterion::Irreversible)
                cell = path(RandomBetween(rng, 0, n - 1)) + QLatin1Char('&') +
                       path(RandomBetween(rng, 0, n - 1)) +
                       (unit(rng) < 0.3 ? QStringLiteral("&?") : QString());
            else
                cell = path(RandomBetween(rng, 0, used - 1));
        }
    }
    return data;
}

// A random rooted binary tree over tips 0..tips-1 of any size.
TCompactTree RandomBigTree(std::mt19937_64& rng, int tips)
{
    TCompactTree tree;
    tree.Reset(tips);
    tree.Root = 0;
    int next = tips;
    for (int t = 1; t < tips; ++t) {
        // Every vertex so far: the tips 0..t-1 and the inner ones made.
        const int pick = RandomBetween(rng, 0, 2 * t - 2);
        const int v = pick < t ? pick : tips + (pick - t);
        const int inner = next++, p = tree.Parent[static_cast<size_t>(v)];
        tree.Parent[static_cast<size_t>(inner)] = p;
        if (p < 0)
            tree.Root = inner;
        else
            (tree.Child[static_cast<size_t>(p)][0] == v ? tree.Child[static_cast<size_t>(p)][0]
                                                        : tree.Child[static_cast<size_t>(p)][1]) =
                inner;
        tree.Child[static_cast<size_t>(inner)] = {v, t};
        tree.Parent[static_cast<size_t>(v)] = inner;
        tree.Parent[static_cast<size_t>(t)] = inner;
    }
    return tree;
}

std::int64_t CompactLength(const TCriteriaCoding& coding, bool missing, const TCompactTree& tree)
{
    const TCriteriaScoringData data(coding, missing, {});
    const std::unique_ptr<TThoroughScoring> scorer = CriteriaScoringMaker(data)();
    scorer->Load(tree);
    return scorer->Length();
}

std::vector<QStringList> Sorted(std::vector<QStringList> rows)
{
    std::sort(rows.begin() + 1, rows.end());
    return rows;
}
}  // namespace

TEST(CriteriaBig, CompactTreesCountAsTreeRecordsAndAsSankoffPast255Objects)
{
    int ampersands = 0, bigCases = 0;
    for (std::uint64_t seed = 1; seed <= 24; ++seed) {
        std::mt19937_64 rng(seed * 7919);
        const bool big = seed % 4 == 0;
        const int objects = big ? RandomBetween(rng, 256, 320) : RandomBetween(rng, 8, 60);
        const TMatrixData data = RandomMatrix(rng, objects, RandomBetween(rng, 2, 8));
        const TSField field = BuildPathSets(data.DataMatrix, objects, data.CharacterCount);
        for (const std::optional<TCriterion> chosen :
             {std::optional<TCriterion>(), std::optional(TCriterion::Unordered),
              std::optional(TCriterion::StateTreeReversible)}) {
            const TResult<TCriteriaCoding> coding = CodeCriteria(data, chosen);
            ASSERT_TRUE(coding.Ok()) << coding.Error().toStdString();
            ampersands += coding->AmpersandCells;
            const bool missing = RandomBetween(rng, 0, 1) == 1;
            const TChangePlacement placement =
                RandomBetween(rng, 0, 1) ? TChangePlacement::Acctran : TChangePlacement::Deltran;
            SCOPED_TRACE(testing::Message()
                         << "seed " << seed << " objects " << objects << " missing " << missing);
            if (!big) {
                const TTree tree = RandomTree(rng, objects);
                const TCompactTree compact = CompactFromTree(tree);
                TTree scored = tree;
                TCriteriaScorer scorer(*coding);
                EXPECT_EQ(static_cast<double>(CompactLength(*coding, missing, compact)),
                          scorer.Length(scored, missing));
                const TResult<TFitStatistics> small =
                    CriteriaFitStatistics(tree, field, *coding, missing);
                const TResult<TFitStatistics> large =
                    CompactCriteriaFitStatistics(compact, field, *coding, missing);
                ASSERT_EQ(small.Ok(), large.Ok());
                if (small.Ok())
                    for (int c = 1; c <= data.CharacterCount; ++c) {
                        const TCharacterFit& a = small->Characters[static_cast<size_t>(c)];
                        const TCharacterFit& b = large->Characters[static_cast<size_t>(c)];
                        EXPECT_EQ(std::tie(a.M, a.S, a.G), std::tie(b.M, b.S, b.G)) << c;
                    }
                TTree fitted = tree;
                EXPECT_EQ(CriteriaFitTable(fitted, field, *coding),
                          CompactCriteriaFitTable(compact, field, *coding));
                EXPECT_EQ(Sorted(CriteriaChangesTable(tree, data, *coding, missing, placement)),
                          Sorted(CompactCriteriaChangesTable(compact, data, *coding, missing,
                                                             placement)));
                continue;
            }
            ++bigCases;
            const TCompactTree tree = RandomBigTree(rng, objects);
            ASSERT_TRUE(IsValidCompactTree(tree));
            const std::vector<std::int64_t> reference =
                ReferenceSteps(coding->Reversible, ViewOf(tree));
            const TResult<TFitStatistics> stats =
                CompactCriteriaFitStatistics(tree, field, *coding, missing);
            ASSERT_TRUE(stats.Ok()) << stats.Error().toStdString();
            const std::vector<QStringList> changes =
                CompactCriteriaChangesTable(tree, data, *coding, missing, placement);
            const std::vector<QStringList> fit = CompactCriteriaFitTable(tree, field, *coding);
            for (size_t k = 0; k < coding->ReversibleCharacters.size(); ++k) {
                const int c = coding->ReversibleCharacters[k];
                EXPECT_EQ(stats->Characters[static_cast<size_t>(c)].S, reference[k + 1]) << c;
                EXPECT_EQ(fit[static_cast<size_t>(c)].value(2), QString::number(reference[k + 1]));
                // Every change is one step: the rows of a character are its steps.
                const QString name = QStringLiteral("C%1").arg(c);
                EXPECT_EQ(std::count_if(changes.begin() + 1, changes.end(),
                                        [&](const QStringList& r) { return r.value(1) == name; }),
                          reference[k + 1])
                    << c;
            }
            // The whole length: Camin-Sokal as the statistics count it under
            // the missing-data rule, plus Sankoff's reversible steps.
            if (missing) {
                std::int64_t expected = ReferenceLength(coding->Reversible, ViewOf(tree));
                for (int c : coding->CaminSokalCharacters)
                    expected += stats->Characters[static_cast<size_t>(c)].S;
                EXPECT_EQ(CompactLength(*coding, missing, tree), expected);
            }
        }
    }
    EXPECT_GT(ampersands, 0) << "some cells should name states joined by \"&\"";
    EXPECT_GT(bigCases, 0);
}
