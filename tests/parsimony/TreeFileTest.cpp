// Tree files as the program's "Open trees..." and the batch commands read
// them: NEXUS with TRANSLATE or Newick, scored on the matrix as the batch
// scores them, and refused with every unknown and missing name said.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <random>

#include "data/DataFile.h"
#include "data/NumberFormat.h"
#include "data/Path.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/treefiles/TreeFile.h"
#include "tests/support/BatchRun.h"

namespace {
const QString Weevils = QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.txt");

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TMatrixData LoadWeevils()
{
    TReadResult read = ReadDataFile(Weevils);
    EXPECT_TRUE(read.Ok()) << read.Error().toStdString();
    return read->Data;
}

// Two trees of the ten weevils: NEXUS with TRANSLATE keys, rooting and
// length comments as other programs and ours write them.
const char* const WeevilTrees = R"(#NEXUS
[ written by hand ]
BEGIN TREES;
  TRANSLATE 1 Outgroup_primus, 2 Calodera_alba, 3 'Calodera fusca', 4 Calodera_nigra,
    5 Mesolira_lata, 6 Mesolira_tenuis, 7 Peroxa_grandis, 8 Peroxa_minima,
    9 Thymnis_aurea, 10 Thymnis_viridis;
  TREE ladder = [&R] [length=99] (1,(2,(3,(4,(5,(6,(7,(8,(9,10)))))))));
  TREE 'clades two' = [&R] (1,((2,(3,4)),((5,6),((7,8),(9,10)))));
END;
)";

const char* const WeevilNewick =
    "(Outgroup_primus,(Calodera_alba,(Calodera_fusca,(Calodera_nigra,"
    "(Mesolira_lata,(Mesolira_tenuis,(Peroxa_grandis,(Peroxa_minima,"
    "(Thymnis_aurea,Thymnis_viridis)))))))));\n"
    "(Outgroup_primus,((Calodera_alba,(Calodera_fusca,Calodera_nigra)),"
    "((Mesolira_lata,Mesolira_tenuis),((Peroxa_grandis,Peroxa_minima),"
    "(Thymnis_aurea,Thymnis_viridis)))));\n";
}  // namespace

TEST(TreeFile, OpenedTreesScoreAsTheBatchScoresThem)
{
    QTemporaryDir dir;
    const QString nex = dir.filePath("w.nex"), nwk = dir.filePath("w.nwk");
    Write(nex, WeevilTrees);
    Write(nwk, WeevilNewick);
    const TMatrixData data = LoadWeevils();

    for (bool missing : {true, false}) {
        const TResult<TOpenedTrees> opened = OpenTreesForData(nex, data, missing, QLatin1Char(','));
        ASSERT_TRUE(opened.Ok()) << opened.Error().toStdString();
        ASSERT_EQ(opened->Population->TreeCount(), 2);
        // The batch tool scores the same topologies from the Newick file.
        const TBatchRun score = missing ? RunBatch({"score", Weevils, nwk})
                                        : RunBatch({"score", Weevils, nwk, "--no-missing"});
        ASSERT_EQ(score.Exit, 0) << score.Err.toStdString();
        const QList<QByteArray> lengths = score.Out.trimmed().split('\n');
        ASSERT_EQ(lengths.size(), 2);
        ASSERT_EQ(opened->Rows.size(), 3u);
        EXPECT_EQ(opened->Rows[0][0], QStringLiteral("Trees read from w.nex"));
        for (int k = 1; k <= 2; ++k) {
            EXPECT_EQ(FormatShortest(opened->Population->Tree(k).Fitness, QLatin1Char('.')),
                      QString::fromUtf8(lengths[k - 1].trimmed()));
            EXPECT_EQ(opened->Rows[static_cast<size_t>(k)][1],
                      FormatShortest(opened->Population->Tree(k).Fitness, QLatin1Char(',')));
        }
        EXPECT_EQ(opened->Rows[1][2], QStringLiteral("ladder"));
        EXPECT_EQ(opened->Rows[2][2], QStringLiteral("clades two"));
        EXPECT_EQ(opened->Optimum, std::min(opened->Population->Tree(1).Fitness,
                                            opened->Population->Tree(2).Fitness));
        EXPECT_TRUE(opened->Protocol.contains(QStringLiteral("Trees from ") + nex));
        EXPECT_TRUE(opened->Protocol.contains(QStringLiteral("Trees = 2")));
    }
    // The more resolved tree groups the genera and is shorter than the ladder.
    const TResult<TOpenedTrees> opened = OpenTreesForData(nwk, data, true, QLatin1Char('.'));
    ASSERT_TRUE(opened.Ok()) << opened.Error().toStdString();
    EXPECT_LT(opened->Population->Tree(2).Fitness, opened->Population->Tree(1).Fitness);
    EXPECT_EQ(opened->Rows[1][2], QStringLiteral("tree 1"));

    // A file may hold more trees than a search keeps (255).
    QByteArray many;
    for (int k = 0; k < 150; ++k) many += WeevilNewick;
    Write(nwk, many);
    const TResult<TOpenedTrees> all = OpenTreesForData(nwk, data, true, QLatin1Char('.'));
    ASSERT_TRUE(all.Ok()) << all.Error().toStdString();
    ASSERT_EQ(all->Population->TreeCount(), 300);
    EXPECT_EQ(all->Rows.size(), 301u);
    EXPECT_EQ(all->Population->Tree(300).Fitness, opened->Population->Tree(2).Fitness);
    EXPECT_EQ(all->Rows[300][2], QStringLiteral("tree 300"));
}

TEST(TreeFile, TreesThatDoNotFitTheDataAreRefusedWithEveryNameSaid)
{
    QTemporaryDir dir;
    const TMatrixData data = LoadWeevils();
    struct TCase {
        const char* file;
        std::vector<const char*> expect;
    };
    const TCase cases[] = {
        // A typo and a missing object: both named, with the tree.
        {"#NEXUS\nbegin trees; tree first = (Outgroup_primus,(Calodera_alba,(Calodera_fusca,"
         "(Calodera_nigra,(Mesolira_lata,(Mesolira_tenuis,(Peroxa_grandis,(Peroxa_minima,"
         "(Thymnis_aurea,Thymnis_viridis)))))))));\n"
         "tree second = (Outgroup_primus,(Calodera_albus,(Calodera_fusca,(Calodera_nigra,"
         "(Mesolira_lata,(Mesolira_tenuis,(Peroxa_grandis,(Peroxa_minima,Thymnis_aurea))))))));\n"
         "end;",
         {"Tree 2 (second) does not fit the data", "no object named \"Calodera albus\"",
          "lacks the objects \"Calodera_alba\", \"Thymnis_viridis\""}},
        // Trees of another matrix: the list is cut after ten names.
        {"(a,(b,(c,(d,(e,(f,(g,(h,(i,(j,(k,l)))))))))));",
         {"Tree 1 does not fit", "\"j\" and 2 more", "lacks the objects \"Outgroup_primus\""}},
        // Names right, shape wrong.
        {"(Outgroup_primus,Calodera_alba,Calodera_fusca,Calodera_nigra,Mesolira_lata,"
         "Mesolira_tenuis,Peroxa_grandis,Peroxa_minima,Thymnis_aurea,Thymnis_viridis);",
         {"Tree 1 does not fit", "not binary"}},
        {"(Outgroup_primus,(Calodera_alba,(Calodera_fusca,(Calodera_nigra,"
         "(Mesolira_lata,(Mesolira_tenuis,(Peroxa_grandis,(Peroxa_minima,"
         "(Thymnis_aurea,Thymnis_aurea)))))))));",
         {"lacks the object \"Thymnis_viridis\"; it names \"Thymnis aurea\" more than once"}},
        // Not trees at all: the reader's own line and column.
        {"((a,b)", {"Cannot read trees from", "line 1"}},
        {"#NEXUS\nbegin taxa; taxlabels a b; end;\n", {"no TREES block"}},
    };
    for (const TCase& c : cases) {
        const QString path = dir.filePath("t.tre");
        Write(path, c.file);
        const TResult<TOpenedTrees> opened = OpenTreesForData(path, data, true, QLatin1Char('.'));
        EXPECT_FALSE(opened.Ok()) << c.file;
        for (const char* part : c.expect)
            EXPECT_TRUE(opened.Error().contains(QString::fromUtf8(part)))
                << opened.Error().toStdString() << "\nwanted: " << part;
    }

    // A file that cannot be read says so itself; one over the limit is refused.
    const TTreeFile none = ReadTreeFile(dir.filePath("none.nwk"));
    EXPECT_FALSE(none.Ok());
    EXPECT_TRUE(none.Unreadable);
    EXPECT_TRUE(none.Error().contains(QStringLiteral("none.nwk"))) << none.Error().toStdString();
    Write(dir.filePath("big.nwk"), QByteArray(2000, ' ') + "(a,b);");
    const TTreeFile big = ReadTreeFile(dir.filePath("big.nwk"), 1000);
    EXPECT_FALSE(big.Ok());
    EXPECT_TRUE(big.Unreadable);
    EXPECT_TRUE(ReadTreeFile(dir.filePath("big.nwk"), 4000).Ok());
}

TEST(TreeFile, BatchCommandsTakeNexusTreesAlike)
{
    // consensus, stats and merge read Newick only before; one reader now.
    QTemporaryDir dir;
    const QString nex = dir.filePath("w.nex"), nwk = dir.filePath("w.nwk");
    Write(nex, WeevilTrees);
    Write(nwk, WeevilNewick);
    const TBatchRun fromNexus = RunBatch({"consensus", nex, "--strict"});
    const TBatchRun fromNewick = RunBatch({"consensus", nwk, "--strict"});
    ASSERT_EQ(fromNexus.Exit, 0) << fromNexus.Err.toStdString();
    EXPECT_EQ(fromNexus.Out, fromNewick.Out);
    EXPECT_EQ(RunBatch({"stats", Weevils, nex}).Out, RunBatch({"stats", Weevils, nwk}).Out);
    const TBatchRun merged = RunBatch({"merge", Weevils, nex});
    ASSERT_EQ(merged.Exit, 0) << merged.Err.toStdString();
    EXPECT_EQ(merged.Out, RunBatch({"merge", Weevils, nwk}).Out);
    // A missing tree file is named as before.
    const TBatchRun missing = RunBatch({"score", Weevils, dir.filePath("none.nwk")});
    EXPECT_EQ(missing.Exit, 1);
    EXPECT_TRUE(missing.Err.contains("none.nwk")) << missing.Err.toStdString();
}

namespace {
// A random rooted binary tree over the objects as Newick text.
QString RandomNewick(std::mt19937_64& rng, const std::vector<QString>& names, int objects)
{
    QStringList parts;
    for (int o = 1; o <= objects; ++o) parts << NewickName(names[static_cast<size_t>(o)]);
    while (parts.size() > 1) {
        const qsizetype a = static_cast<qsizetype>(rng() % static_cast<unsigned>(parts.size()));
        const QString left = parts.takeAt(a);
        const qsizetype b = static_cast<qsizetype>(rng() % static_cast<unsigned>(parts.size()));
        parts[b] = QStringLiteral("(%1,%2)").arg(left, parts[b]);
    }
    return parts.first() + QLatin1Char(';');
}
}  // namespace

// Found on published tree files: one tree with a polytomy made score refuse
// the whole file. A hard polytomy's length follows from the same definition.
TEST(TreeFile, HardPolytomiesScoreByTheSameDefinition)
{
    for (const char* example : {"weevils.txt", "flowers_missing.txt", "state-trees.txt"}) {
        const TReadResult read =
            ReadDataFile(QStringLiteral(VARNO_SOURCE_DIR "/examples/") + example);
        ASSERT_TRUE(read.Ok()) << read.Error().toStdString();
        const TMatrixData& d = read->Data;
        const TSField field = BuildPathSets(d.DataMatrix, d.ObjectCount, d.CharacterCount);
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            std::mt19937_64 rng(seed);
            const TResult<TNewickTrees> text =
                ReadNewick(RandomNewick(rng, field.Names, d.ObjectCount));
            ASSERT_TRUE(text.Ok());
            TNewickTree newick = text->Trees[0];
            for (bool missing : {true, false}) {
                // Binary: exactly the length of the search's scoring.
                TResult<TTree> tree = NewickToTree(newick, field.Names, d.ObjectCount);
                ASSERT_TRUE(tree.Ok()) << tree.Error().toStdString();
                EvaluateTree(*tree, field, missing);
                const TResult<double> binary =
                    HardPolytomyLength(newick, field, d.ObjectCount, missing);
                ASSERT_TRUE(binary.Ok()) << binary.Error().toStdString();
                EXPECT_EQ(*binary, tree->Fitness) << example << " seed " << seed;
                // A node merged into its parent: never shorter than the tree resolved.
                TNewickTree merged = newick;
                for (size_t k = 0; k < merged.Nodes.size(); ++k) {
                    TNewickNode& node = merged.Nodes[k];
                    const int parent = node.Parent;
                    if (node.Children.empty() || parent < 0 || rng() % 2) continue;
                    auto& siblings = merged.Nodes[static_cast<size_t>(parent)].Children;
                    siblings.erase(
                        std::find(siblings.begin(), siblings.end(), static_cast<int>(k)));
                    for (int child : node.Children) {
                        siblings.push_back(child);
                        merged.Nodes[static_cast<size_t>(child)].Parent = parent;
                    }
                    node.Children.clear();
                    node.Name = QStringLiteral("gone");  // unreachable now
                    break;
                }
                const TResult<TNewickTrees> again = ReadNewick(WriteNewickTree(merged));
                ASSERT_TRUE(again.Ok()) << WriteNewickTree(merged).toStdString();
                const TResult<double> polytomy =
                    HardPolytomyLength(again->Trees[0], field, d.ObjectCount, missing);
                ASSERT_TRUE(polytomy.Ok()) << polytomy.Error().toStdString();
                EXPECT_GE(*polytomy, *binary) << WriteNewickTree(merged).toStdString();
            }
        }
    }

    // By hand: B and C share the derived state; apart they change twice.
    QTemporaryDir dir;
    const QString data = dir.filePath("abc.txt"), trees = dir.filePath("t.nex");
    Write(data, "Taxon\tc1\tc2\nA\tA\tx\nB\tB[A]\ty[x]\nC\tB[A]\tx\n");
    Write(trees,
          "#NEXUS\nbegin trees;\n tree one = (A,(B,C));\n tree flat = (A,B,C);\n"
          " tree stray = (A,B,D);\nend;\n");
    const TBatchRun partly = RunBatch({"score", data, trees});
    EXPECT_EQ(partly.Exit, 1) << "an unknown name is still an error";
    EXPECT_TRUE(partly.Err.contains("Tree 3: Unknown name in the tree: \"D\""))
        << partly.Err.toStdString();
    Write(trees, "#NEXUS\nbegin trees;\n tree one = (A,(B,C));\n tree flat = (A,B,C);\nend;\n");
    const TBatchRun r = RunBatch({"score", data, trees});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out, QByteArray("2\n3\n"));
    EXPECT_TRUE(r.Err.contains("Tree 2 is not binary: scored with its polytomies"))
        << r.Err.toStdString();
}
