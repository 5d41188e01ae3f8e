#include <gtest/gtest.h>

#include "data/Global.h"

TEST(Inclusion, SetOperationsAcrossWordBoundaries)
{
    TInclusion a, b;
    for (int k : {0, 63, 64, 200, 255}) a.Include(k);
    for (int k : {63, 64, 128}) b.Include(k);
    EXPECT_EQ((a & b).Count(), 2);
    EXPECT_EQ((a | b).Count(), 6);
    EXPECT_EQ((a - b).Count(), 3);
    EXPECT_EQ((a ^ b).Count(), 4);
    EXPECT_TRUE((a & b).IsSubsetOf(a));
    EXPECT_FALSE(b.IsSubsetOf(a));
    EXPECT_TRUE(TInclusion().IsSubsetOf(b));
    a.Include(256);  // not representable
    a.Include(-1);
    EXPECT_EQ(a.Count(), 5);
    EXPECT_FALSE(a.Contains(256));
}

TEST(Inclusion, CountInclusionCountsMembersUpToN)
{
    EXPECT_EQ(CountInclusion(TInclusion(), 300), 0);
    TInclusion s;
    for (int k : {0, 3, 7}) s.Include(k);
    EXPECT_EQ(CountInclusion(s, 5), 2);
    TInclusion full;
    for (int k = 0; k < 256; ++k) full.Include(k);
    EXPECT_EQ(CountInclusion(full, 256), 256);
    EXPECT_EQ(CountInclusion(full, 9), 10);
}

TEST(Model, CellsAreCutTo255CharactersWithoutSplittingASurrogatePair)
{
    EXPECT_EQ(CutCell(QString(300, QLatin1Char('x'))).size(), 255);
    QString text(254, QLatin1Char('x'));
    text += QString::fromUtf8("\xF0\x9F\x8C\xB3");  // one character, two UTF-16 units
    text += QLatin1String("yy");
    const QString cut = CutCell(text);
    EXPECT_EQ(cut.size(), 254);
    EXPECT_FALSE(cut.back().isHighSurrogate());
}
