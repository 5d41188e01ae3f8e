#include <gtest/gtest.h>

#include "analyses/Matroschka.h"
#include "analyses/StringToSet.h"
#include "tests/analyses/ModelBuilder.h"

namespace {
TInclusion Set(std::initializer_list<int> members)
{
    TInclusion s;
    for (int k : members) s.Include(k);
    return s;
}
}  // namespace

TEST(SplitStates, KeepsEmptyPartsAndSpaces)
{
    EXPECT_EQ(SplitStates("a&b"), (TPart{"a", "b"}));
    EXPECT_EQ(SplitStates("a&&b"), (TPart{"a", "", "b"}));
    EXPECT_EQ(SplitStates("a&"), (TPart{"a", ""}));
    EXPECT_EQ(SplitStates(""), (TPart{""}));
    EXPECT_EQ(SplitStates("a & b"), (TPart{"a ", " b"}));
    EXPECT_EQ(SplitStates("&"), (TPart{"", ""}));
}

TEST(StateList, CaseInsensitiveSortedFirstSpellingWins)
{
    TStateList list;
    for (const char* s : {"b", "A", "a", "?", "B", "c"}) list.Add(s);
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Entries(), (QStringList{"?", "A", "b", "c"}));
    EXPECT_EQ(list.IndexOf("a"), 1);
    EXPECT_EQ(list.IndexOf("B"), 2);
    EXPECT_EQ(list.IndexOf("C"), 3);  // never added in this spelling
    EXPECT_EQ(list.IndexOf("d"), -1);
    list.Add("aa");  // renumbers after a later addition
    EXPECT_EQ(list.IndexOf("c"), 4);
}

TEST(CodeStandardField, WorkedExample)
{
    TModel m = MakeColumns({{"a&b", "A", "?"}});
    m.DataMatrix[1][0] = "colour";
    CodeStandardField(m);
    const TSPlace& p = m.CharField.Places[1];
    EXPECT_EQ(p.StateCount, 3);  // "?", "a", "b"
    EXPECT_TRUE(p.HasMissing);
    EXPECT_EQ(p.Inc[1], Set({1, 2}));
    EXPECT_EQ(p.Inc[2], Set({1}));
    EXPECT_TRUE(p.Inc[3].IsEmpty());
    EXPECT_EQ(p.Name, "colour");
    ASSERT_EQ(m.CharField.Names.Count(), 3);
    EXPECT_EQ(m.CharField.Names[2], "o2");
    EXPECT_EQ(m.CharField.Places.Count(), 1);
}

TEST(CodeStandardField, EmptyPartsAreStatesAndMissingIsNeverAMember)
{
    TModel m = MakeColumns({{"", "a&", "?&a", "a&&b"}});
    CodeStandardField(m);
    const TSPlace& p = m.CharField.Places[1];
    // list: "", "?", "a", "b"
    EXPECT_EQ(p.StateCount, 4);
    EXPECT_TRUE(p.HasMissing);
    EXPECT_EQ(p.Inc[1], Set({0}));
    EXPECT_EQ(p.Inc[2], Set({0, 2}));
    EXPECT_EQ(p.Inc[3], Set({2}));
    EXPECT_EQ(p.Inc[4], Set({0, 2, 3}));
    for (int o = 1; o <= 4; ++o) EXPECT_FALSE(p.Inc[o].Contains(1));
}

TEST(CodeStandardField, PositionsFrom256AreDropped)
{
    QStringList cells;
    for (int k = 0; k < 300; ++k) cells << QStringLiteral("s%1").arg(k, 3, 10, QLatin1Char('0'));
    TModel m = MakeColumns({cells});
    CodeStandardField(m);
    const TSPlace& p = m.CharField.Places[1];
    EXPECT_EQ(p.StateCount, 300);
    EXPECT_EQ(p.Inc[1], Set({0}));
    EXPECT_EQ(p.Inc[256], Set({255}));
    EXPECT_TRUE(p.Inc[257].IsEmpty());
    EXPECT_TRUE(p.Inc[300].IsEmpty());
}

TEST(ParsePointer, BracketForms)
{
    auto check = [](const QString& cell, const QString& state, const QString& ancestor) {
        const TOnion o = ParsePointer(cell);
        EXPECT_EQ(o.State, state) << cell.toStdString();
        EXPECT_EQ(o.Ancestor, ancestor) << cell.toStdString();
    };
    check("B[A]", "B", "A");
    check("A[ ]", "A", " ");
    check("A[]", "A", "");
    check("C[B[A]]", "C", "B[A");
    check("A", "?", "");
    check("", "?", "");
    check("B[A", "B", "");
    check("B]x[A", "B]x", "");  // first "]" before "["
    check("[A]", "", "A");
}

TEST(Matroschka, WorkedExampleWithAndWithoutMissingAsState)
{
    TModel m = MakeColumns({{"A[ ]", "B[A]", "C[B]", "?"}});
    m.MissingAsState = false;
    CodePointerField(m);
    const TSPlace& p = m.CharField.Places[1];
    EXPECT_EQ(p.StateCount, 4);
    EXPECT_TRUE(p.HasMissing);
    EXPECT_EQ(p.Inc[1], Set({1}));
    EXPECT_EQ(p.Inc[2], Set({1, 2}));
    EXPECT_EQ(p.Inc[3], Set({1, 2, 3}));
    EXPECT_TRUE(p.Inc[4].IsEmpty());

    m.MissingAsState = true;
    CodePointerField(m);
    EXPECT_EQ(m.CharField.Places[1].Inc[4], Set({0}));
}

TEST(Matroschka, MissingObjectsShareOneSetAndBracketlessCellsAreMissing)
{
    TModel m = MakeColumns({{"A[]", "?", "B", "B[A]", "B[A]"}});
    m.MissingAsState = true;
    CodePointerField(m);
    const TSPlace& p = m.CharField.Places[1];
    // list: "?", "A[]", "B", "B[A]"
    EXPECT_EQ(p.StateCount, 4);
    EXPECT_EQ(p.Inc[2], p.Inc[3]);
    EXPECT_EQ(p.Inc[2].Count(), 1);
    EXPECT_EQ(p.Inc[4], p.Inc[5]);
    EXPECT_EQ(p.Inc[1], Set({1}));  // walk stops at "[]"
}

TEST(Matroschka, OnionWalkAlwaysEnds)
{
    TMatroschka b(false);
    // Unknown ancestor: the state itself is kept.
    b.SetCellStates({"A[0]", "B[A]"});
    EXPECT_EQ(b.OnionOf("B"), Set({1, 0}));
    // Nested form: ancestor text "B[A" matches no state.
    b.SetCellStates({"A[ ]", "B[A]", "C[B[A]]"});
    EXPECT_EQ(b.OnionOf("C"), Set({2}));
    // A cycle stops at the repeated record.
    b.SetCellStates({"A[C]", "B[A]", "C[B]"});
    EXPECT_EQ(b.OnionOf("A"), Set({0, 1, 2}));
    b.SetCellStates({"A[A]"});
    EXPECT_EQ(b.OnionOf("A"), Set({0}));
    // Unknown name, and "?" without MissingAsState.
    EXPECT_TRUE(b.OnionOf("Z").IsEmpty());
    b.SetCellStates({"?[A]", "A[ ]"});
    EXPECT_TRUE(b.OnionOf("?").IsEmpty());
    TMatroschka withMissing(true);
    withMissing.SetCellStates({"?[A]", "A[ ]"});
    EXPECT_EQ(withMissing.OnionOf("?"), Set({0, 1}));
}

TEST(Matroschka, CycleInDataCodesWithoutHanging)
{
    TModel m = MakeColumns({{"A[B]", "B[A]", "C[C]", "D[E[F]]"}});
    CodePointerField(m);
    const TSPlace& p = m.CharField.Places[1];
    EXPECT_EQ(p.Inc[1], Set({0, 1}));
    EXPECT_EQ(p.Inc[2], Set({1, 0}));
    EXPECT_EQ(p.Inc[3], Set({2}));
    EXPECT_EQ(p.Inc[4], Set({3}));
}

TEST(Matroschka, ManyDistinctCellsKeepRepresentableRecords)
{
    QStringList cells;
    for (int k = 0; k < 300; ++k) cells << QStringLiteral("s%1[ ]").arg(k, 3, 10, QLatin1Char('0'));
    TModel m = MakeColumns({cells});
    CodePointerField(m);
    const TSPlace& p = m.CharField.Places[1];
    EXPECT_EQ(p.StateCount, 300);
    EXPECT_EQ(p.Inc[256], Set({255}));
    EXPECT_TRUE(p.Inc[300].IsEmpty());
}

TEST(Matroschka, LastRecordOfAStateWins)
{
    // Two cells with state B but different ancestors: both objects take the
    // onion of the later record.
    TModel m = MakeColumns({{"A[ ]", "B[A]", "B[C]", "C[ ]"}});
    CodePointerField(m);
    const TSPlace& p = m.CharField.Places[1];
    EXPECT_EQ(p.Inc[2], p.Inc[3]);
    // records A[ ], B[A], B[C], C[ ]: the walk from "B" takes the first B record.
    EXPECT_EQ(p.Inc[2], Set({0, 1}));
}
