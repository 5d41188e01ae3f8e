#include <gtest/gtest.h>

#include <QString>
#include <vector>

#include "data/Global.h"
#include "data/Numbered.h"

// Numbers 1..N reach the same items through the wrapper, its range and the
// underlying vector that kernels index by number.
TEST(Numbered, NumbersRangeAndVectorAgree)
{
    TNumbered<int> n;
    n.Resize(3);
    EXPECT_EQ(n.Count(), 3);
    for (int i = 1; i <= 3; ++i) n[i] = 10 * i;
    std::vector<int> ranged(n.begin(), n.end());
    EXPECT_EQ(ranged, (std::vector<int>{10, 20, 30}));
    const std::vector<int>& v = n;
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[2], 20);
    n.Resize(2);
    EXPECT_EQ(std::vector<int>(n.begin(), n.end()), (std::vector<int>{10, 20}));

    const TNumbered<QString> names = TNumbered<QString>::FromItems({"a", "b"});
    EXPECT_EQ(names.Count(), 2);
    EXPECT_EQ(names[1], "a");
    EXPECT_EQ(names.Vector()[2], "b");
}

TEST(Numbered, EmptyAndAppend)
{
    TNumbered<int> n;
    EXPECT_EQ(n.Count(), 0);
    EXPECT_EQ(n.begin(), n.end());
    n.Resize(0);  // slot 0 only: still nothing numbered
    EXPECT_EQ(n.Count(), 0);
    EXPECT_EQ(n.begin(), n.end());
    TNumbered<int> m;
    m.Append(7);  // into an empty one: item 1, not slot 0
    m.Append(8);
    EXPECT_EQ(m.Count(), 2);
    EXPECT_EQ(m[1], 7);
    EXPECT_EQ(m[2], 8);
    m.Assign(2, 5);
    EXPECT_EQ(std::vector<int>(m.begin(), m.end()), (std::vector<int>{5, 5}));
}

TEST(Numbered, EqualityIgnoresSlotZero)
{
    TNumbered<int> a = TNumbered<int>::FromItems({1, 2});
    TNumbered<int> b = a;
    b.Vector()[0] = 99;
    EXPECT_EQ(a, b);
    b[2] = 3;
    EXPECT_NE(a, b);
    EXPECT_NE(a, TNumbered<int>::FromItems({1}));
}

// The coding's numbering: character c and object o index Places and Inc directly.
TEST(Numbered, FieldIsNumberedFromOne)
{
    TSField field;
    field.Names.Resize(2);
    field.Names[2] = "B";
    field.Places.Resize(1);
    field.Places[1].Inc.Assign(2, TInclusion());
    field.Places[1].Inc[2].Include(4);
    EXPECT_EQ(field.Places.Count(), 1);
    EXPECT_TRUE(field.Places[1].Inc[2].Contains(4));
    EXPECT_TRUE(field.Places[1].Inc[1].IsEmpty());
    EXPECT_EQ(field.Names.Vector()[2], "B");
}

#ifndef NDEBUG
TEST(NumberedDeathTest, OutsideOneToCountAsserts)
{
    TNumbered<int> n;
    n.Resize(2);
    EXPECT_DEATH(n[0] = 1, "");
    EXPECT_DEATH(n[3] = 1, "");
}
#endif
