// Raw cells through the path coding into the search, on awkward data.
#include <gtest/gtest.h>

#include "data/Path.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/length/ReferenceTree.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
// Columns: names, a cycle, two roots, all "?", 300 states, a constant.
TDynStrMatrix AwkwardMatrix(int objects)
{
    TDynStrMatrix m(6, TPart(static_cast<size_t>(objects) + 1));
    m[0][0] = QStringLiteral("Name");
    const char* headers[] = {"", "Cycle", "TwoRoots", "Unknown", "Wide", "Same"};
    for (int c = 1; c <= 5; ++c) m[static_cast<size_t>(c)][0] = QString::fromLatin1(headers[c]);
    for (int o = 1; o <= objects; ++o) {
        const size_t r = static_cast<size_t>(o);
        m[0][r] = QStringLiteral("Taxon%1").arg(o);
        m[1][r] = o % 3 == 0   ? QStringLiteral("A[B]")
                  : o % 3 == 1 ? QStringLiteral("B[A]")
                               : QStringLiteral("C[A]");
        m[2][r] = o % 2 ? QStringLiteral("X[R1]") : QStringLiteral("Y[R2]");
        m[3][r] = QStringLiteral("?");
        // Every object its own chain of 16 states: 16 * objects states.
        QString wide;
        for (int k = 0; k < 16; ++k) wide += QStringLiteral("s%1_%2[").arg(o).arg(k);
        m[4][r] = wide.chopped(1).append(QString(15, QLatin1Char(']')));
        m[5][r] = QStringLiteral("Z[Q]");
    }
    return m;
}
}  // namespace

TEST(EndToEnd, AwkwardDataRunsToTheEndAlikeInBothEngines)
{
    const int objects = 20;
    const TSField field = BuildPathSets(AwkwardMatrix(objects), objects, 5);
    ASSERT_GT(field.Places[4].StateCount, 256);
    for (bool missing : {true, false}) {
        TSearchSettings settings;
        settings.TreeCount = 4;
        settings.Generations = 60;
        settings.Seed = 17;
        settings.MissingData = missing;
        TParsimonySearch fast(field, objects, 5, settings);
        TParsimonySearch reference(field, objects, 5, settings, MakeReferenceScorer);
        ASSERT_EQ(fast.Run(), TSearchStatus::Finished);
        ASSERT_EQ(reference.Run(), TSearchStatus::Finished);
        EXPECT_EQ(fast.Histories(), reference.Histories());
        for (int k = 1; k <= 4; ++k) {
            const TTree& tree = fast.Tree(k);
            EXPECT_TRUE(IsConsistentTree(tree, objects));
            EXPECT_EQ(ParentLinks(tree), ParentLinks(reference.Tree(k)));
        }
        // The all-"?" and the constant character cost nothing on any tree.
        const int best = fast.FindBestTree().first;
        EXPECT_EQ(fast.ComputeCharSteps(best, 3), 0);
        EXPECT_EQ(fast.ComputeCharSteps(best, 5), 0);
    }
}

TEST(EndToEnd, IdenticalObjectsGiveLengthZero)
{
    TDynStrMatrix m(3, TPart(6));
    for (int o = 1; o <= 5; ++o) {
        m[0][static_cast<size_t>(o)] = QStringLiteral("T%1").arg(o);
        m[1][static_cast<size_t>(o)] = QStringLiteral("B[A]");
        m[2][static_cast<size_t>(o)] = QStringLiteral("c[b[a]]");
    }
    const TSField field = BuildPathSets(m, 5, 2);
    TSearchSettings settings;
    settings.Seed = 1;
    settings.Generations = 50;
    TParsimonySearch search(field, 5, 2, settings);
    ASSERT_EQ(search.Run(), TSearchStatus::Finished);
    EXPECT_EQ(search.FindBestTree().second, 0);
    EXPECT_EQ(search.FindWorstTree().second, 0);
}
