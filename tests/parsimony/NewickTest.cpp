#include <gtest/gtest.h>

#include "parsimony/length/ReferenceTree.h"
#include "parsimony/thorough/ThoroughTree.h"
#include "parsimony/treefiles/Newick.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
std::vector<QString> Names(const QStringList& list)
{
    std::vector<QString> names{QString()};
    for (const QString& n : list) names.push_back(n);
    return names;
}

// The clades of a tree as sorted object lists, for comparing topologies.
std::vector<TIntNumArr> Clades(TTree tree)
{
    DeriveTopology(tree);
    std::vector<TIntNumArr> clades;
    for (size_t j = 1; j < tree.Nodes.size(); ++j) {
        TIntNumArr objects = tree.Nodes[j].Objects;
        std::sort(objects.begin(), objects.end());
        clades.push_back(objects);
    }
    std::sort(clades.begin(), clades.end());
    return clades;
}
}  // namespace

TEST(Newick, ReadsNamesLengthsQuotesAndComments)
{
    const TResult<TNewickTrees> r =
        ReadNewick(QStringLiteral("[&R] ((A:1,'B c''d':2.5)x:0.5,Homo_sapiens)root;\n(A,B);"));
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    ASSERT_EQ(r->Trees.size(), 2u);
    const TNewickTree& t = r->Trees[0];
    ASSERT_EQ(t.Nodes.size(), 5u);
    const TNewickNode& root = t.Nodes[static_cast<size_t>(t.Root)];
    EXPECT_EQ(root.Name, QStringLiteral("root"));
    EXPECT_EQ(root.Parent, -1);
    ASSERT_EQ(root.Children.size(), 2u);
    const TNewickNode& x = t.Nodes[static_cast<size_t>(root.Children[0])];
    EXPECT_EQ(x.Name, QStringLiteral("x"));
    EXPECT_EQ(x.Length, 0.5);
    const TNewickNode& b = t.Nodes[static_cast<size_t>(x.Children[1])];
    EXPECT_EQ(b.Name, QStringLiteral("B c'd"));
    EXPECT_TRUE(b.HasLength);
    EXPECT_EQ(b.Length, 2.5);
    EXPECT_EQ(t.Nodes[static_cast<size_t>(root.Children[1])].Name, QStringLiteral("Homo sapiens"));
    EXPECT_FALSE(t.Nodes[static_cast<size_t>(root.Children[1])].HasLength);
}

TEST(Newick, SyntaxErrorsNameTheirPlace)
{
    struct Case {
        const char* text;
        const char* part;
    } cases[] = {
        {"((A,B),C)", "does not end with \";\""},
        {"((A,B),C;", "a \")\" is missing"},
        {"((A,B)),C);", "expected \";\""},
        {"(A:x,B);", "must be a number"},
        {"('A,B);", "quoted name is never closed"},
        {"(A,B)[note;", "comment"},
        {"", "no Newick tree"},
        {"(A B,C);", "expected \",\" or \")\""},
    };
    for (const Case& c : cases) {
        const TResult<TNewickTrees> r = ReadNewick(QString::fromUtf8(c.text));
        EXPECT_FALSE(r.Ok()) << c.text;
        EXPECT_TRUE(r.Error().contains(QString::fromUtf8(c.part)))
            << c.text << " -> " << r.Error().toStdString();
        if (*c.text) {
            EXPECT_TRUE(r.Error().contains(QStringLiteral("line 1, column")))
                << r.Error().toStdString();
        }
    }
    const TResult<TNewickTrees> second = ReadNewick(QStringLiteral("(A,B);\n(A,,B;"));
    EXPECT_TRUE(second.Error().contains(QStringLiteral("line 2"))) << second.Error().toStdString();
}

TEST(Newick, DeepNestingAndGarbageGiveMessagesNotCrashes)
{
    QString deep = QString(10000, QLatin1Char('(')) + QStringLiteral("A") +
                   QString(10000, QLatin1Char(')')) + QLatin1Char(';');
    const TResult<TNewickTrees> r = ReadNewick(deep);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r->Trees[0].Nodes.size(), 10001u);
    const TResult<TTree> t =
        NewickToTree(r->Trees[0], Names({QStringLiteral("A"), QStringLiteral("B")}), 2);
    EXPECT_FALSE(t.Ok());
    EXPECT_TRUE(t.Error().contains(QStringLiteral("not binary")));
    const TResult<TNewickTrees> unclosed = ReadNewick(QString(10000, QLatin1Char('(')));
    EXPECT_FALSE(unclosed.Ok());

    std::mt19937_64 rng(3);
    QString garbage;
    for (int i = 0; i < 1 << 20; ++i)
        garbage += QChar(static_cast<char16_t>(std::uniform_int_distribution<int>(1, 0x7f)(rng)));
    const TResult<TNewickTrees> g = ReadNewick(garbage);
    if (!g.Ok()) {
        EXPECT_FALSE(g.Error().isEmpty());
    }
}

TEST(Newick, TreeConversionChecksTheNames)
{
    const std::vector<QString> names =
        Names({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("Homo_sapiens")});
    auto read = [&](const char* text) {
        const TResult<TNewickTrees> r = ReadNewick(QString::fromUtf8(text));
        EXPECT_TRUE(r.Ok()) << text;
        return r->Trees.at(0);
    };
    const TResult<TTree> ok = NewickToTree(read("((B,Homo_sapiens),A);"), names, 3);
    ASSERT_TRUE(ok.Ok()) << ok.Error().toStdString();
    EXPECT_TRUE(IsConsistentTree(*ok, 3));
    EXPECT_EQ(ok->Tips[2].Anc, ok->Tips[3].Anc);
    EXPECT_EQ(ok->Nodes[1].Anc, 0);
    const TResult<TCompactTree> compact =
        CompactFromNewick(read("(('Homo_sapiens',B),A);"), names, 3);
    ASSERT_TRUE(compact.Ok()) << compact.Error().toStdString();
    EXPECT_EQ(CanonicalKey(*compact), CanonicalKey(CompactFromTree(*ok)));

    // Search trees and compact trees read names alike and name the same fault.
    const struct {
        const char* text;
        const char* part;
    } faults[] = {
        {"((B,C),A);", "Unknown name in the tree: \"C\""},
        {"((B,B),A);", "more than once"},
        {"(B,A);", "lacks the object \"Homo_sapiens\""},
        {"(B,A,Homo_sapiens);", "not binary"},
        {"((B,),A);", "without a name"},
        {"((B,'A\x01'),Homo_sapiens);", "\"A\\x01\""},
    };
    for (const auto& f : faults) {
        const TNewickTree tree = read(f.text);
        const QString error = NewickToTree(tree, names, 3).Error();
        EXPECT_TRUE(error.contains(QString::fromUtf8(f.part)))
            << f.text << " -> " << error.toStdString();
        EXPECT_EQ(CompactFromNewick(tree, names, 3).Error(), error) << f.text;
    }
    const std::vector<QString> twice = Names({"A", "B", "A"});
    const QString error = NewickToTree(read("((A,B),A);"), twice, 3).Error();
    EXPECT_TRUE(error.contains(QStringLiteral("Two objects are named \"A\"")))
        << error.toStdString();
    EXPECT_EQ(CompactFromNewick(read("((A,B),A);"), twice, 3).Error(), error);
}

TEST(Newick, WrittenTreesReadBackWithTheSameShapeAndLength)
{
    std::mt19937_64 rng(12);
    TRandomFieldShape shape;
    shape.Objects = 40;
    shape.Characters = 10;
    const TSField field = [&] {
        TSField f = RandomField(rng, shape);
        f.Names[3] = QStringLiteral("it's (odd): a,b;");
        f.Names[4] = QStringLiteral("under_score");
        return f;
    }();
    for (int k = 0; k < 20; ++k) {
        TTree tree = RandomTree(rng, 40);
        ReferenceEvaluateTree(tree, field, true);
        const QString text = WriteNewick(tree, field.Names);
        const TResult<TNewickTrees> r = ReadNewick(text);
        ASSERT_TRUE(r.Ok()) << r.Error().toStdString() << "\n" << text.toStdString();
        ASSERT_EQ(r->Trees.size(), 1u);
        const TResult<TTree> back = NewickToTree(r->Trees[0], field.Names, 40);
        ASSERT_TRUE(back.Ok()) << back.Error().toStdString();
        EXPECT_EQ(Clades(*back), Clades(tree));
        // Branch lengths are the fits: their sum is the tree length.
        double sum = 0;
        for (const TNewickNode& node : r->Trees[0].Nodes) sum += node.Length;
        EXPECT_EQ(sum, tree.Fitness);
        TTree evaluated = *back;
        ReferenceEvaluateTree(evaluated, field, true);
        EXPECT_EQ(evaluated.Fitness, tree.Fitness);
    }
    EXPECT_EQ(NewickName(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(NewickName(QStringLiteral("a b")), QStringLiteral("'a b'"));
    EXPECT_EQ(NewickName(QStringLiteral("it's")), QStringLiteral("'it''s'"));
    EXPECT_EQ(NewickName(QString()), QStringLiteral("''"));
}

TEST(Newick, JunkAfterTheLastTreeAndControlCharactersInMessages)
{
    // The error points at the first character after the ";", not at the end of the file.
    TResult<TNewickTrees> r = ReadNewick(QStringLiteral("((A,B),C);\n\n  junk text\n\n\n"));
    EXPECT_FALSE(r.Ok());
    EXPECT_TRUE(r.Error().contains(QStringLiteral("line 3, column 3"))) << r.Error().toStdString();
    EXPECT_TRUE(r.Error().contains(QStringLiteral("after the \";\" of tree 1")))
        << r.Error().toStdString();
    r = ReadNewick(QStringLiteral("(A,B);(A,C);x"));
    EXPECT_TRUE(r.Error().contains(QStringLiteral("line 1, column 13"))) << r.Error().toStdString();

    // Names holding control characters are shown escaped, never raw.
    r = ReadNewick(QStringLiteral("((A,B\x01\x1b),C);"));
    ASSERT_TRUE(r.Ok());
    const TResult<TTree> t = NewickToTree(r->Trees[0], Names({"A", "B", "C"}), 3);
    EXPECT_FALSE(t.Ok());
    EXPECT_TRUE(t.Error().contains(QStringLiteral("\"B\\x01\\x1B\""))) << t.Error().toStdString();
    EXPECT_FALSE(t.Error().contains(QChar(1)));
}
