// The tree results of more than 255 objects against the small trees' path:
// on data small enough for both, every table, file and consensus the results
// window shows must be the same whichever path made it.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "parsimony/evolutionary/FoundTrees.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/summaries/BigTreeResults.h"
#include "parsimony/summaries/CharFit.h"
#include "parsimony/summaries/Consensus.h"
#include "parsimony/summaries/FitStatistics.h"
#include "parsimony/thorough/ThoroughScorer.h"
#include "parsimony/treefiles/TreeFileOut.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/TreeTestSupport.h"
#include "tests/support/TestFiles.h"

TEST(BigTreeResults, ShowTheSameAsThePopulationOfTheSameTrees)
{
    std::mt19937_64 rng(23);
    for (int round = 0; round < 24; ++round) {
        TRandomFieldShape shape;
        shape.Objects = 8 + round * 5;  // enough that random trees never repeat
        shape.Characters = 1 + round % 7;
        shape.MissingShare = round % 3 == 0 ? 0.0 : 0.2;
        shape.MultiRootShare = round % 4 == 0 ? 0.3 : 0.0;
        const TSField field = RandomField(rng, shape);
        const bool missing = round % 2 == 0;
        std::vector<TCompactTree> compact;
        for (int k = 0; k < 4; ++k)
            compact.push_back(CompactFromTree(RandomTree(rng, shape.Objects)));
        compact.push_back(compact[1]);  // a repeat: the consensus and the shortest file drop it
        // As the thorough search's results reach the window up to 255 objects.
        std::vector<TTree> small;
        for (const TCompactTree& t : compact) small.push_back(TreeFromCompact(t));
        std::shared_ptr<TParsimonySearch> population =
            FoundTreesPopulation(small, field, shape.Objects, shape.Characters, missing, 0);
        const TPackedField packed(field, shape.Objects, shape.Characters);
        TThoroughScorer scorer(packed, missing);
        std::vector<TBigTree> trees;
        for (const TCompactTree& t : compact) trees.push_back({t, scorer.FullLength(t)});
        const TBigTreeResults big(field, shape.Objects, missing, trees);
        SCOPED_TRACE(round);
        ASSERT_EQ(big.TreeCount(), population->TreeCount());
        for (int k = 1; k <= big.TreeCount(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(static_cast<double>(big.Length(k)), population->Tree(k).Fitness);
            EXPECT_EQ(big.TreeRows(k, ','),
                      TreeTableRows(population->Tree(k), field.Names, QLatin1Char(',')));
            // The character fit counts under the missing-data rule, whatever the run's.
            const TResult<TBigCharFit> fit = big.CharFit(k);
            ASSERT_TRUE(fit);
            TTree counted = population->UseMissingDataRule(k);
            EXPECT_EQ(fit->Table, CharFitTable(counted, field));
            const TFitStatistics stats = FitStatistics(counted, field, true);
            EXPECT_EQ(FitSummaryLine(fit->Statistics), FitSummaryLine(stats));
            for (int c = 1; c <= shape.Characters; ++c)
                EXPECT_EQ(FitStatisticsCells(fit->Statistics.Characters[static_cast<size_t>(c)]),
                          FitStatisticsCells(stats.Characters[static_cast<size_t>(c)]));
        }
        // Every tree written is read back as the same tree with the same length.
        for (const TTreeFileFormat format : {TTreeFileFormat::Newick, TTreeFileFormat::Nexus})
            for (const bool shortest : {false, true}) {
                QTemporaryDir dir;
                const QString path = dir.filePath(QStringLiteral("trees.tre"));
                WriteBytes(path, big.TreesText(format, shortest));
                const TTreeFile read = ReadTreeFile(path);
                ASSERT_TRUE(read) << read.Error().toStdString();
                std::vector<int> expected;
                std::int64_t best = big.Length(1);
                for (int k = 2; k <= big.TreeCount(); ++k) best = std::min(best, big.Length(k));
                for (int k = 1; k <= big.TreeCount(); ++k)
                    if (!shortest || (big.Length(k) == best && (k != 5 || big.Length(2) != best)))
                        expected.push_back(k);
                ASSERT_EQ(read->Trees.size(), expected.size());
                for (size_t at = 0; at < expected.size(); ++at) {
                    const TResult<TCompactTree> back =
                        CompactFromNewick(read->Trees[at], field.Names, shape.Objects);
                    ASSERT_TRUE(back) << back.Error().toStdString();
                    EXPECT_EQ(CanonicalKey(*back), CanonicalKey(big.Tree(expected[at])));
                }
            }
        // The consensus of all five, as the small path makes it.
        const std::vector<int> all{1, 2, 3, 4, 5};
        int duplicates = -1;
        const TBigConsensusInput input = big.ConsensusInput(all, &duplicates);
        EXPECT_EQ(duplicates, 1);
        std::vector<const TTree*> pointers;
        for (int k : all) pointers.push_back(&population->Tree(k));
        TConsensusInput smallInput = CladesOfTrees(pointers, shape.Objects);
        EXPECT_EQ(RemoveDuplicateTrees(smallInput), 1);
        for (TConsensusKind kind : {TConsensusKind::Strict, TConsensusKind::Majority,
                                    TConsensusKind::MajorityCompatible, TConsensusKind::Semistrict})
            EXPECT_EQ(
                WriteNewickTree(ConsensusToNewick(BigConsensus(input, kind), field.Names, true))
                    .toStdString(),
                WriteNewickTree(ConsensusToNewick(Consensus(smallInput, kind), field.Names, true))
                    .toStdString())
                << ConsensusKindName(kind).toStdString();
    }
}
