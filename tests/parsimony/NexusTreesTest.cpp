// Trees in NEXUS: our TREES block reads back to the same trees, other
// writers' blocks (TRANSLATE or TAXLABELS numbers) are understood, and
// varno-batch takes NEXUS wherever it takes Newick.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/treefiles/NexusTrees.h"
#include "tests/support/BatchRun.h"

namespace {
QString Canonical(const TNewickTree& t, int node)
{
    const TNewickNode& n = t.Nodes[static_cast<size_t>(node)];
    const QString length = n.HasLength ? QStringLiteral(":%1").arg(n.Length) : QString();
    if (n.Children.empty()) return n.Name + length;
    QStringList kids;
    for (int c : n.Children) kids << Canonical(t, c);
    kids.sort();
    return QLatin1Char('(') + kids.join(QLatin1Char(',')) + QLatin1Char(')') + length;
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
}  // namespace

TEST(NexusTrees, OurBlockReadsBackAsTheNewickDoes)
{
    const std::vector<QString> names{QString(),     "Homo sapiens", "O'Brien",
                                     "under_score", "plain",        "a;b,c"};
    const TResult<TNewickTrees> newick = ReadNewick(QStringLiteral("((((1,2),3),4),5);"));
    ASSERT_TRUE(newick.Ok());
    std::vector<QString> numbers{QString(), "1", "2", "3", "4", "5"};
    TResult<TTree> tree = NewickToTree(newick->Trees[0], numbers, 5);
    ASSERT_TRUE(tree.Ok()) << tree.Error().toStdString();
    tree->Tips[3].Fit = 2.5;
    const QString nexus = WriteNexusTrees({&*tree, &*tree}, names);
    EXPECT_TRUE(nexus.contains(QStringLiteral("2 'O''Brien',"))) << nexus.toStdString();
    EXPECT_TRUE(nexus.contains(QStringLiteral("3 'under_score',"))) << nexus.toStdString();
    EXPECT_TRUE(nexus.contains(QStringLiteral("4 plain,"))) << nexus.toStdString();

    const TResult<TNewickTrees> fromNexus = ReadTreeText(nexus);
    const TResult<TNewickTrees> fromNewick = ReadTreeText(WriteNewick(*tree, names));
    ASSERT_TRUE(fromNexus.Ok()) << fromNexus.Error().toStdString();
    ASSERT_TRUE(fromNewick.Ok()) << fromNewick.Error().toStdString();
    ASSERT_EQ(fromNexus->Trees.size(), 2u);
    EXPECT_EQ(Canonical(fromNexus->Trees[0], fromNexus->Trees[0].Root),
              Canonical(fromNewick->Trees[0], fromNewick->Trees[0].Root));
    EXPECT_TRUE(Canonical(fromNexus->Trees[0], fromNexus->Trees[0].Root)
                    .contains(QStringLiteral("under_score:2.5")));
    // And back to the same tree of the search.
    const TResult<TTree> again = NewickToTree(fromNexus->Trees[1], names, 5);
    ASSERT_TRUE(again.Ok()) << again.Error().toStdString();
    EXPECT_EQ(WriteNewick(*again, names),
              WriteNewick(*tree, names).replace(QStringLiteral(":2.5"), QStringLiteral(":0")));
}

TEST(NexusTrees, OtherWritersBlocks)
{
    // No TRANSLATE: leaves numbered by TAXLABELS; comments, a second block.
    const TResult<TNewickTrees> numbered = ReadNexusTrees(QStringLiteral(
        "#NEXUS\nbegin taxa; dimensions ntax=3; taxlabels Alpha 'Beta gamma' Delta_x; end;\n"
        "begin characters; dimensions nchar=1; matrix Alpha 0 'Beta gamma' 1 Delta_x 0; end;\n"
        "begin trees; tree one = [&U] ((1:1,2:2):0.5,3); end;\n"
        "begin trees; translate a Alpha, b 'Beta gamma', c Delta_x; tree * two = (a,(b,c)); end;"));
    ASSERT_TRUE(numbered.Ok()) << numbered.Error().toStdString();
    ASSERT_EQ(numbered->Trees.size(), 2u);
    EXPECT_EQ(Canonical(numbered->Trees[0], numbered->Trees[0].Root),
              QStringLiteral("((Alpha:1,Beta gamma:2):0.5,Delta x)"));
    EXPECT_EQ(Canonical(numbered->Trees[1], numbered->Trees[1].Root),
              QStringLiteral("((Beta gamma,Delta x),Alpha)"));

    struct TCase {
        const char* text;
        const char* expect;
    };
    const TCase bad[] = {
        {"#NEXUS\nbegin taxa; taxlabels a b; end;\n", "no TREES block"},
        {"#NEXUS\nbegin trees;\n translate 1 a, 2;\n end;", "line 3: TRANSLATE needs pairs"},
        {"#NEXUS\nbegin trees;\ntree t = ((a,b);\nend;", "line 3"},
        {"#NEXUS\nbegin trees; [ open\n tree t = (a,b);\nend;", "line 2: a comment"},
    };
    for (const TCase& c : bad) {
        const TResult<TNewickTrees> r = ReadNexusTrees(QString::fromUtf8(c.text));
        EXPECT_FALSE(r.Ok()) << c.text;
        EXPECT_TRUE(r.Error().contains(QString::fromUtf8(c.expect)))
            << r.Error().toStdString() << " wanted " << c.expect;
    }
}

TEST(NexusTrees, BatchExportsAndScoresThroughNexus)
{
    QTemporaryDir dir;
    const QString data = QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.txt");
    const QString nwk = dir.filePath("t.nwk"), nex = dir.filePath("t.nex");
    const TBatchRun search = RunBatch({"parsimony", data, "--trees", "3", "--generations", "20",
                                       "--seed", "4", "--newick", nwk, "--nexus", nex});
    ASSERT_EQ(search.Exit, 0) << search.Err.toStdString();
    const TBatchRun fromNewick = RunBatch({"score", data, nwk});
    const TBatchRun fromNexus = RunBatch({"score", data, nex});
    EXPECT_EQ(fromNexus.Exit, 0) << fromNexus.Err.toStdString();
    EXPECT_EQ(fromNexus.Out, fromNewick.Out);
    EXPECT_EQ(fromNexus.Out.count('\n'), 3);
    EXPECT_EQ(RunBatch({"charfit", data, nex}).Out, RunBatch({"charfit", data, nwk}).Out);

    // Export: the matrix as NEXUS paths back to the same paths; the PHYLIP
    // ancestors beside it; unknown formats refused.
    const QString matrix = dir.filePath("m.nex");
    ASSERT_EQ(RunBatch({"export", data, "--format", "nexus", "-o", matrix}).Exit, 0);
    const TBatchRun load = RunBatch({"load", matrix});
    EXPECT_EQ(load.Exit, 0);
    EXPECT_TRUE(load.Out.contains("Objects = 10\nCharacters = 8")) << load.Out.toStdString();
    EXPECT_TRUE(load.Err.contains("CSTREE")) << load.Err.toStdString();
    QByteArray original = RunBatch({"paths", data}).Out, back = RunBatch({"paths", matrix}).Out;
    original.remove(0, original.indexOf('\t'));
    back.remove(0, back.indexOf('\t'));
    EXPECT_EQ(back, original);
    ASSERT_EQ(RunBatch({"export", data, "--format", "phylip", "-o", dir.filePath("w.phy")}).Exit,
              0);
    EXPECT_TRUE(QFile::exists(dir.filePath("w.anc")));
    EXPECT_TRUE(QFile::exists(dir.filePath("w.names.txt")));
    EXPECT_EQ(RunBatch({"export", data, "--format", "mega", "-o", dir.filePath("x")}).Exit, 2);
    Write(dir.filePath("two-roots.txt"), "Taxon\tc\na\tx\nb\ty\n");
    const TBatchRun refused = RunBatch({"export", dir.filePath("two-roots.txt"), "--format",
                                        "nexus", "-o", dir.filePath("y.nex")});
    EXPECT_EQ(refused.Exit, 1);
    EXPECT_TRUE(refused.Err.contains("2 root states")) << refused.Err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("y.nex")));

    // The other root rule for unordered NEXUS characters.
    Write(dir.filePath("u.nex"),
          "#NEXUS\nbegin data; dimensions ntax=2 nchar=1; matrix a 1 b 0; end;\n");
    ASSERT_EQ(RunBatch({"export", dir.filePath("u.nex"), "--format", "csv", "-o",
                        dir.filePath("first.csv")})
                  .Exit,
              0);
    ASSERT_EQ(RunBatch({"export", dir.filePath("u.nex"), "--format", "csv", "-o",
                        dir.filePath("lowest.csv"), "--nexus-root", "lowest"})
                  .Exit,
              0);
    QFile first(dir.filePath("first.csv")), lowest(dir.filePath("lowest.csv"));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly) && lowest.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), QByteArray("Taxon,Character 1\r\na,1\r\nb,0[1]\r\n"));
    EXPECT_EQ(lowest.readAll(), QByteArray("Taxon,Character 1\r\na,1[0]\r\nb,0\r\n"));
}
