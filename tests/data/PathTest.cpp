#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "data/Path.h"

namespace {
TPath P(std::initializer_list<const char*> names)
{
    TPath p;
    for (const char* n : names) p.push_back(QString::fromUtf8(n));
    return p;
}

// One character, objects named o1.., cells as given.
TDynStrMatrix Column(const QStringList& cells)
{
    TDynStrMatrix m(2);
    m[0].push_back(QStringLiteral("Taxon"));
    m[1].push_back(QStringLiteral("ch"));
    for (int o = 0; o < cells.size(); ++o) {
        m[0].push_back(QStringLiteral("o%1").arg(o + 1));
        m[1].push_back(cells[o]);
    }
    return m;
}

TInclusion Set(std::initializer_list<int> members)
{
    TInclusion s;
    for (int k : members) s.Include(k);
    return s;
}

TSPlace Code(const QStringList& cells)
{
    const TSField f = BuildPathSets(Column(cells), static_cast<int>(cells.size()), 1);
    return f.Places[1];
}
}  // namespace

TEST(ParseCell, PointerNotation)
{
    EXPECT_EQ(ParseCell("C[B[A]]"), P({"C", "B", "A"}));
    EXPECT_EQ(ParseCell("B[A]"), P({"B", "A"}));
    EXPECT_EQ(ParseCell("A"), P({"A"}));
    EXPECT_EQ(ParseCell("A[]"), P({"A"}));
    EXPECT_EQ(ParseCell("A[ ]"), P({"A"}));
    EXPECT_EQ(ParseCell(""), P({""}));
    EXPECT_EQ(ParseCell("[A]"), P({"", "A"}));
    EXPECT_EQ(ParseCell("red green"), P({"red green"}));
}

TEST(ParseCell, MalformedCellsGiveErrorNames)
{
    EXPECT_EQ(ParseCell("B[A"), P({"B", "A ERROR"}));
    EXPECT_EQ(ParseCell("B[A]x"), P({"B", "A]x ERROR"}));
    EXPECT_EQ(ParseCell("]]]"), P({"]]]"}));
    EXPECT_EQ(ParseCell("[]"), P({""}));
    const TPath open = ParseCell("[[[[");
    EXPECT_EQ(open.front(), "");
    EXPECT_TRUE(open.back().contains("ERROR"));
}

TEST(ParseCell, DeepAndLongCellsEnd)
{
    // 100 brackets deep: 100 empty names, then the root.
    const QString cell =
        QString(100, QLatin1Char('[')) + QLatin1Char('r') + QString(100, QLatin1Char(']'));
    const TPath deep = ParseCell(cell);
    ASSERT_EQ(deep.size(), 101u);
    EXPECT_EQ(deep.front(), "");
    EXPECT_EQ(deep.back(), "r");

    // Named and nested 100 deep, then cut to 255: the closing brackets are
    // lost, every level gets an ERROR name, and parsing still ends.
    QString named;
    for (int i = 0; i < 100; ++i) named += QStringLiteral("s[");
    named = CutCell(named + QLatin1Char('r') + QString(100, QLatin1Char(']')));
    const TPath cutDeep = ParseCell(named);
    EXPECT_EQ(cutDeep.size(), 101u);
    EXPECT_TRUE(cutDeep.back().contains("ERROR"));

    // A cell of 255 characters ending in "[" cannot grow: the loop still ends.
    const QString full = QString(254, QLatin1Char('x')) + QLatin1Char('[');
    const TPath cut = ParseCell(full);
    EXPECT_EQ(cut.front(), QString(254, QLatin1Char('x')));
    for (const QString& e : cut) EXPECT_LE(e.size(), 255);
}

TEST(PointerText, RootMarkerAndLimit)
{
    EXPECT_EQ(PointerText(P({"C", "B", "A"})), "C[B[A[]]]");
    EXPECT_EQ(PointerText(P({"A"})), "A[]");
    const TPath longPath(100, QString(10, QLatin1Char('n')));
    EXPECT_EQ(PointerText(longPath).size(), 255);
}

TEST(PathBuilder, FullPathsFollowOtherCells)
{
    TPathBuilder b;
    bool missing = false;
    b.BuildFullPaths(Column({"B[A]", "C[B]", "A"}), 3, 1, &missing);
    EXPECT_EQ(b.OwnPaths[2], P({"C", "B"}));
    EXPECT_EQ(b.FullPaths[1], P({"B", "A"}));
    EXPECT_EQ(b.FullPaths[2], P({"C", "B", "A"}));
    EXPECT_EQ(b.FullPaths[3], P({"A"}));
    EXPECT_FALSE(missing);
    EXPECT_FALSE(b.AnyCycle());
}

TEST(PathBuilder, FirstMatchDecidesAndComparisonIsExact)
{
    TPathBuilder b;
    b.BuildFullPaths(Column({"B[A]", "B[C]", "D[B]"}), 3, 1);
    EXPECT_EQ(b.FullPaths[2], P({"B", "C"}));
    EXPECT_EQ(b.FullPaths[3], P({"D", "B", "A"}));

    b.BuildFullPaths(Column({"B[a]", "A[R]"}), 2, 1);
    EXPECT_EQ(b.FullPaths[1], P({"B", "a"}));
}

TEST(PathBuilder, CyclesEndAtTheFirstRepeatedState)
{
    TPathBuilder b;
    b.BuildFullPaths(Column({"A[B]", "B[A]"}), 2, 1);
    EXPECT_EQ(b.FullPaths[1], P({"A", "B"}));
    EXPECT_EQ(b.FullPaths[2], P({"B", "A"}));
    EXPECT_TRUE(b.HasCycle(1));
    EXPECT_TRUE(b.HasCycle(2));

    b.BuildFullPaths(Column({"A[A]", "X"}), 2, 1);
    EXPECT_TRUE(b.HasCycle(1));
    EXPECT_FALSE(b.HasCycle(2));
    EXPECT_EQ(b.FullPaths[2], P({"X"}));

    // A longer cycle across objects, entered from a state outside it.
    b.BuildFullPaths(Column({"Z[A]", "A[B]", "B[C]", "C[A]"}), 4, 1);
    EXPECT_EQ(b.FullPaths[1], P({"Z", "A", "B", "C"}));
    EXPECT_TRUE(b.HasCycle(1));

    // A cell that repeats itself; long chains use the hashed membership.
    QString cell = QStringLiteral("A");
    for (int i = 0; i < 40; ++i) cell = QStringLiteral("s%1[%2]").arg(i).arg(cell);
    b.BuildFullPaths(Column({cell, "A[s39]"}), 2, 1);
    EXPECT_TRUE(b.HasCycle(1));
    EXPECT_EQ(b.FullPaths[2].size(), 41u);
}

TEST(BuildPathSets, WorkedExamples)
{
    TSPlace p = Code({"B[A]", "C[B]", "A"});
    EXPECT_EQ(p.StateCount, 3);
    EXPECT_FALSE(p.HasMissing);
    EXPECT_EQ(p.Inc[1], Set({0, 1}));
    EXPECT_EQ(p.Inc[2], Set({0, 1, 2}));
    EXPECT_EQ(p.Inc[3], Set({0}));

    p = Code({"b[a]", "A"});
    EXPECT_EQ(p.StateCount, 2);
    EXPECT_EQ(p.Inc[1], Set({0, 1}));
    EXPECT_EQ(p.Inc[2], Set({0}));

    p = Code({"B[a]", "A[R]"});
    EXPECT_EQ(p.StateCount, 3);
    EXPECT_EQ(p.Inc[1], Set({0, 1}));
    EXPECT_EQ(p.Inc[2], Set({0, 2}));

    p = Code({"?", "x?[A]", "A"});
    EXPECT_TRUE(p.HasMissing);
    EXPECT_TRUE(p.Inc[1].IsEmpty());
    EXPECT_EQ(p.Inc[2], Set({0}));
    EXPECT_EQ(p.StateCount, 1);

    EXPECT_EQ(Code({"A[]", "B[A]"}).Inc, Code({"A", "B[A]"}).Inc);
}

TEST(BuildPathSets, NamesAndShape)
{
    TDynStrMatrix m = Column({"B[A]", "A"});
    m.push_back({QStringLiteral("second"), QStringLiteral("?"), QStringLiteral("?")});
    const TSField f = BuildPathSets(m, 2, 2);
    ASSERT_EQ(f.Places.Count(), 2);
    ASSERT_EQ(f.Names.Count(), 2);
    EXPECT_EQ(f.Names[2], "o2");
    EXPECT_EQ(f.Places[2].Name, "second");
    EXPECT_EQ(f.Places[2].StateCount, 0);
    EXPECT_TRUE(f.Places[2].HasMissing);
    EXPECT_FALSE(f.Places[1].HasMissing);
    EXPECT_EQ(f.Places[1].Inc.Count(), 2);
}

TEST(BuildPathSets, MoreThan256StatesDropHighIndices)
{
    QStringList cells;
    for (int i = 0; i < 150; ++i)
        cells << QStringLiteral("s%1[r%1]").arg(i, 3, 10, QLatin1Char('0'));
    const TSPlace p = Code(cells);
    EXPECT_EQ(p.StateCount, 300);
    // Sorted: r000..r149 then s000..s149; s106 is at position 256.
    EXPECT_EQ(p.Inc[1], Set({0, 150}));
    EXPECT_EQ(p.Inc[106], Set({105, 255}));
    EXPECT_EQ(p.Inc[107], Set({106}));
    EXPECT_EQ(p.Inc[150], Set({149}));
}

// The paths and sets computed literally: a full scan of all own paths for
// every extension step, a sorted list with binary insertion for the names.
namespace {
struct TLiteral {
    TPathArr Full;
    TSPlace Place;
};

TLiteral LiteralCoding(const TDynStrMatrix& m, int n)
{
    TLiteral r;
    const TPathArr own = ReadOwnPaths(m, n, 1, &r.Place.HasMissing);
    r.Full = own;
    for (int o = 1; o <= n; ++o) {
        TPath& path = r.Full[o];
        bool repeats = false;
        for (size_t i = 0; i < path.size() && !repeats; ++i)
            for (size_t j = 0; j < i; ++j) repeats = repeats || path[i] == path[j];
        while (!repeats) {
            const QString root = path.back();
            const QString* parent = nullptr;
            for (int o2 = 1; o2 <= n && !parent; ++o2)
                for (size_t i = 0; i + 1 < own[o2].size() && !parent; ++i)
                    if (own[o2][i] == root) parent = &own[o2][i + 1];
            if (!parent) break;
            if (std::find(path.begin(), path.end(), *parent) != path.end()) break;
            path.push_back(*parent);
        }
    }
    const QCollator collator = StateNameCollator();
    QStringList sorted;
    auto position = [&](const QString& e) {
        return std::lower_bound(
                   sorted.begin(), sorted.end(), e,
                   [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; }) -
               sorted.begin();
    };
    for (int o = 1; o <= n; ++o)
        for (const QString& e : r.Full[o]) {
            if (IsMissingName(e)) continue;
            const auto k = position(e);
            if (k == sorted.size() || collator.compare(sorted[k], e) != 0) sorted.insert(k, e);
        }
    r.Place.StateCount = static_cast<int>(sorted.size());
    r.Place.Inc.Assign(n, TInclusion());
    for (int o = 1; o <= n; ++o)
        for (const QString& e : r.Full[o])
            if (!IsMissingName(e) && position(e) <= 255)
                r.Place.Inc[o].Include(static_cast<int>(position(e)));
    return r;
}

QString RandomCell(QRandomGenerator& rng)
{
    static const QStringList names{"a", "A", "b", "B", "c", "C", "d", "e", "?", "x?", "Äb", "äB"};
    const int depth = rng.bounded(4);
    QString cell = names[rng.bounded(names.size())];
    for (int i = 0; i < depth; ++i) cell += QLatin1Char('[') + names[rng.bounded(names.size())];
    if (rng.bounded(5) == 0) cell += QStringLiteral("[");
    return cell + QString(depth, QLatin1Char(']'));
}
}  // namespace

TEST(BuildPathSets, AgreesWithLiteralScan)
{
    const quint32 seed = 20261208;
    QRandomGenerator rng(seed);
    for (int round = 0; round < 400; ++round) {
        const int n = 1 + rng.bounded(12);
        QStringList cells;
        for (int o = 0; o < n; ++o) cells << RandomCell(rng);
        const TDynStrMatrix m = Column(cells);
        const TLiteral expected = LiteralCoding(m, n);
        TPathBuilder b;
        b.BuildFullPaths(m, n, 1);
        const TSPlace got = BuildPathSets(m, n, 1).Places[1];
        SCOPED_TRACE(QStringLiteral("seed %1 round %2 cells %3")
                         .arg(seed)
                         .arg(round)
                         .arg(cells.join(' '))
                         .toStdString());
        for (int o = 1; o <= n; ++o) ASSERT_EQ(b.FullPaths[o], expected.Full[o]) << "object " << o;
        ASSERT_EQ(got.StateCount, expected.Place.StateCount);
        ASSERT_EQ(got.HasMissing, expected.Place.HasMissing);
        for (int o = 1; o <= n; ++o) ASSERT_EQ(got.Inc[o], expected.Place.Inc[o]) << "object " << o;
    }
}
