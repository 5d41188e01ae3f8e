// varno-batch consensus, stats and changes, run as a user runs them.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/support/BatchRun.h"
#include "tests/support/TestFiles.h"

namespace {
const QString Example = SourceFile(QStringLiteral("examples/state-trees.txt"));
const QString ExampleTree = SourceFile(QStringLiteral("tests/golden/parsimony/state-trees.nwk"));
}  // namespace

TEST(SummaryBatch, HandWorkedStatisticsAndChangesOfTheExample)
{
    // wing: B, C, D derived (5, 2, 2 objects), 4 steps; eye: e1, e2 (5, 2), 4
    // steps; leg: l1, l2 (4, 2), 2 steps; colour: one state (+ "?"), nothing.
    TBatchRun r = RunBatch({"stats", Example, ExampleTree});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(
        r.Out,
        FileBytes(SourceFile(QStringLiteral("tests/golden/parsimony/stats-state-trees.txt"))));
    // Ten changes, as long as the tree: B and e1 in Beta, B, e1, l1 above
    // Gamma..Zeta, C above Gamma and Delta, e2 in Delta and in Epsilon, D and l2
    // above Epsilon and Zeta.
    QTemporaryDir dir;
    const QString out = dir.filePath("changes.txt");
    r = RunBatch({"changes", Example, ExampleTree, "-o", out});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(
        FileBytes(out),
        FileBytes(SourceFile(QStringLiteral("tests/golden/parsimony/changes-state-trees.txt"))));
}

TEST(SummaryBatch, ChangesAddUpToTheLengthOfASearchedTreeUnderBothRules)
{
    QTemporaryDir dir;
    const QString data = SourceFile(QStringLiteral("examples/flowers_missing.txt"));
    for (bool plain : {false, true}) {
        const QString nwk = dir.filePath(plain ? "plain.nwk" : "missing.nwk");
        QStringList search{"parsimony", data,     "--trees", "3",        "--generations",
                           "30",        "--seed", "4",       "--newick", nwk};
        if (plain) search << "--no-missing";
        const TBatchRun run = RunBatch(search);
        ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
        QStringList score{"score", data, nwk};
        QStringList changes{"changes", data, nwk};
        QStringList stats{"stats", data, nwk};
        if (plain) score << "--no-missing", changes << "--no-missing", stats << "--no-missing";
        const int length =
            QString::fromUtf8(RunBatch(score).Out).split('\n').first().trimmed().toInt();
        ASSERT_GT(length, 0);
        const TBatchRun c = RunBatch(changes);
        ASSERT_EQ(c.Exit, 0) << c.Err.toStdString();
        const QStringList lines = QString::fromUtf8(c.Out).split("\r\n", Qt::SkipEmptyParts);
        EXPECT_EQ(lines.size(), length + 1) << (plain ? "plain rule" : "missing-data rule");
        EXPECT_EQ(lines.first(), "Branch\tCharacter\tState\tPlacement");
        const QStringList table =
            QString::fromUtf8(RunBatch(stats).Out).split("\r\n", Qt::SkipEmptyParts);
        EXPECT_EQ(table.last().section('\t', 2, 2).toInt(), length);
    }
}

// changes under the reversible criteria: a hand-worked example where ACCTRAN
// and DELTRAN differ; on searched trees and a NEXUS file of every type the
// rows add up to the length under both placements; Camin-Sokal chosen for
// all is the plain table byte for byte.
TEST(SummaryBatch, ChangesUnderTheReversibleCriteriaByAcctranAndDeltran)
{
    QTemporaryDir dir;
    // wing: 1 in A and C; leg: 1 in A and B; size: 2 in A and C, a line 0-1-2.
    const QString four =
        WriteFile(dir, "four.txt",
                  "Taxon\twing\tleg\tsize\nA\t1[0]\t1[0]\t2[1[0]]\nB\t0\t1\t0\nC\t1\t0\t2\n"
                  "D\t0\t0\t0\n");
    const QString ladder = WriteFile(dir, "ladder.nwk", "(((A,B),C),D);\n");
    TBatchRun r = RunBatch({"changes", four, ladder, "--criterion", "ordered"});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out,
              "Branch\tCharacter\tFrom\tTo\tPlacement\r\n"
              "A,B,C\twing\t0\t1\tambiguous\r\n"
              "A,B,C\tsize\t0\t1\tambiguous\r\n"
              "A,B,C\tsize\t1\t2\tambiguous\r\n"
              "A,B\tleg\t0\t1\tunambiguous\r\n"
              "B\twing\t1\t0\tambiguous\r\n"
              "B\tsize\t2\t1\tambiguous\r\n"
              "B\tsize\t1\t0\tambiguous\r\n");
    EXPECT_TRUE(r.Err.contains("placed by ACCTRAN")) << r.Err.toStdString();
    r = RunBatch({"changes", four, ladder, "--criterion", "ordered", "--deltran"});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out,
              "Branch\tCharacter\tFrom\tTo\tPlacement\r\n"
              "C\twing\t0\t1\tambiguous\r\n"
              "C\tsize\t0\t1\tambiguous\r\n"
              "C\tsize\t1\t2\tambiguous\r\n"
              "A,B\tleg\t0\t1\tunambiguous\r\n"
              "A\twing\t0\t1\tambiguous\r\n"
              "A\tsize\t0\t1\tambiguous\r\n"
              "A\tsize\t1\t2\tambiguous\r\n");
    // Unordered, size changes in one step.
    r = RunBatch({"changes", four, ladder, "--criterion", "unordered"});
    EXPECT_TRUE(r.Out.contains("A,B,C\tsize\t0\t2\tambiguous\r\n")) << r.Out.toStdString();

    // Every NEXUS type at once, sets and "?" among the cells; irreversible
    // rows name the state's parent as From.
    const QString mixed = WriteFile(
        dir, "mixed.nex",
        "#NEXUS\nbegin data; dimensions ntax=6 nchar=5; format symbols=\"0123\";\nmatrix\n"
        "A 00000\nB 1(01)110\nC 21221\nD 2{12}232\nE 0?031\nF 31?12\n;\nend;\n"
        "begin assumptions;\nusertype tr (cstree) = ((0,1)2)3;\n"
        "typeset * t = unord: 1 2, ord: 3, tr: 4, irrev: 5;\nend;\n");
    const QString trees = WriteFile(dir, "t.nwk",
                                    "((A,B),((C,F),(D,E)));\n(A,(B,(C,(D,(E,F)))));\n"
                                    "((A,(B,F)),(C,(D,E)));\n");
    struct TCase {
        QString Data, Trees;
        QStringList Options;
    };
    std::vector<TCase> cases;
    for (int k = 1; k <= 3; ++k) {
        const QString one = dir.filePath(QStringLiteral("m%1.nwk").arg(k));
        QFile in(trees);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        WriteText(one, QString::fromUtf8(in.readAll()).split('\n').at(k - 1) + "\n");
        cases.push_back({mixed, one, {}});
        cases.push_back({mixed, one, {"--outgroup", "D"}});
    }
    const QString data = SourceFile(QStringLiteral("examples/flowers_missing.txt"));
    const QString searched = dir.filePath("searched.nwk");
    ASSERT_EQ(
        RunBatch({"search", data, "--criterion", "unordered", "--seed", "3", "--newick", searched})
            .Exit,
        0);
    for (const char* criterion : {"unordered", "reversible"})
        cases.push_back({data, searched, {"--criterion", criterion}});
    cases.push_back({Example, ExampleTree, {"--criterion", "reversible"}});
    int lists = 0;
    for (const TCase& c : cases) {
        const TBatchRun score = RunBatch(QStringList{"score", c.Data, c.Trees} + c.Options);
        ASSERT_EQ(score.Exit, 0) << score.Err.toStdString();
        const int length = QString::fromUtf8(score.Out).split('\n').first().toInt();
        ASSERT_GT(length, 0);
        for (bool deltran : {false, true}) {
            QStringList args = QStringList{"changes", c.Data, c.Trees} + c.Options;
            if (deltran) args << "--deltran";
            const TBatchRun changes = RunBatch(args);
            ASSERT_EQ(changes.Exit, 0) << changes.Err.toStdString();
            const QStringList lines =
                QString::fromUtf8(changes.Out).split("\r\n", Qt::SkipEmptyParts);
            EXPECT_EQ(lines.size(), length + 1) << args.join(' ').toStdString();
            EXPECT_EQ(lines.first(), "Branch\tCharacter\tFrom\tTo\tPlacement");
            ++lists;
        }
    }
    EXPECT_EQ(lists, 18);
    const TBatchRun nexus = RunBatch({"changes", mixed, dir.filePath("m2.nwk")});
    // Character 5 is the chain 0-1-2, counted irreversibly.
    EXPECT_TRUE(nexus.Out.contains("\tCharacter 5\t1\t2\tunambiguous")) << nexus.Out.toStdString();

    // Camin-Sokal chosen for all gives the table of old, --deltran or not.
    const QByteArray plain = RunBatch({"changes", Example, ExampleTree}).Out;
    EXPECT_EQ(RunBatch({"changes", Example, ExampleTree, "--criterion", "irreversible"}).Out,
              plain);
    r = RunBatch({"changes", Example, ExampleTree, "--deltran"});
    EXPECT_EQ(r.Out, plain);
    EXPECT_TRUE(r.Err.contains("reversible changes only")) << r.Err.toStdString();

    // Refusals: nothing written.
    const QString poly = WriteFile(dir, "poly.nwk", "((A,B,C),D);\n");
    r = RunBatch({"changes", four, poly, "--criterion", "unordered"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains("not binary")) << r.Err.toStdString();
    r = RunBatch({"changes", four, ladder, "--criterion", "unordered", "--outgroup", "X"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains("Unknown outgroup \"X\"")) << r.Err.toStdString();
    r = RunBatch({"changes", four, ladder, "--criterion", "sideways"});
    EXPECT_EQ(r.Exit, 2);
    EXPECT_TRUE(r.Out.isEmpty());
}

TEST(SummaryBatch, ConsensusOfAFileWithEveryKind)
{
    QTemporaryDir dir;
    const QString trees =
        WriteFile(dir, "t.nwk", "(((A,B),C),(D,E));\n(((A,B),D),(C,E));\n(((A,C),B),(D,E));\n");
    EXPECT_EQ(RunBatch({"consensus", trees}).Out, "(((A,B)67,C)67,(D,E)67);\r\n");
    EXPECT_EQ(RunBatch({"consensus", trees, "--strict"}).Out, "(A,B,C,D,E);\r\n");
    EXPECT_EQ(RunBatch({"consensus", trees, "--semistrict"}).Out, "(A,B,C,D,E);\r\n");
    const QString out = dir.filePath("c.nwk");
    EXPECT_EQ(RunBatch({"consensus", trees, "--majority", "--compatible", "-o", out}).Exit, 0);
    EXPECT_EQ(FileBytes(out), "(((A,B)67,C)67,(D,E)67);\r\n");
    // Our own output, labels and all, is read again; one tree gives itself with a note.
    const TBatchRun again = RunBatch({"consensus", out});
    EXPECT_EQ(again.Out, "(((A,B)100,C)100,(D,E)100);\r\n");
    EXPECT_TRUE(again.Err.contains("one tree")) << again.Err.toStdString();
}

TEST(SummaryBatch, BadInputGetsAClearMessage)
{
    QTemporaryDir dir;
    auto expectFailure = [](const QStringList& args, const char* words, int exit = 1) {
        const TBatchRun r = RunBatch(args);
        EXPECT_EQ(r.Exit, exit) << args.join(' ').toStdString();
        EXPECT_TRUE(r.Err.contains(words)) << r.Err.toStdString();
        EXPECT_TRUE(r.Out.isEmpty());
    };
    expectFailure({"consensus", WriteFile(dir, "empty.nwk", "")}, "no Newick tree");
    expectFailure({"consensus", WriteFile(dir, "other.nwk", "((A,B),C);((A,B),D);")},
                  "same objects");
    expectFailure({"consensus", WriteFile(dir, "x.nwk", "((A,B),C);"), "--strict", "--semistrict"},
                  "one kind", 2);
    expectFailure({"consensus"}, "Usage", 2);
    // A polytomy where a binary tree is needed: refused, not resolved.
    const QString poly = WriteFile(dir, "poly.nwk", "((Alpha,Beta,Gamma),(Delta,Epsilon,Zeta));");
    expectFailure({"stats", Example, poly}, "not binary");
    expectFailure({"changes", Example, poly}, "not binary");
    expectFailure({"stats", Example, WriteFile(dir, "few.nwk", "((Alpha,Beta),Gamma);")},
                  "lacks the object");
    // Support labels from another program are no obstacle.
    const QString labelled = WriteFile(
        dir, "l.nwk", "((Alpha:1,Beta:1)0.95:1,((Gamma,Delta)87,(Epsilon,Zeta)'100'):2)root;");
    const TBatchRun r = RunBatch({"stats", Example, labelled});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(
        r.Out,
        FileBytes(SourceFile(QStringLiteral("tests/golden/parsimony/stats-state-trees.txt"))));
}

TEST(SummaryBatch, SupportByThoroughReplicatesAndBremer)
{
    QTemporaryDir dir;
    const QString data = SourceFile(QStringLiteral("examples/weevils.txt"));
    // Jackknife with the thorough search by default: the same seed gives the
    // same tree on 1 and 2 threads, with a whole percentage on every group.
    QByteArray first;
    for (const char* threads : {"1", "2"}) {
        const TBatchRun r = RunBatch({"support", data, "--method", "jackknife", "--replicates",
                                      "20", "--seed", "5", "--threads", threads});
        ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains("thorough search")) << r.Err.toStdString();
        if (first.isEmpty()) first = r.Out;
        EXPECT_EQ(r.Out, first) << threads << " threads";
    }
    EXPECT_TRUE(QRegularExpression(R"(\)\d+[,)])").match(QString::fromUtf8(first)).hasMatch())
        << first.toStdString();
    // The evolutionary search stays selectable.
    TBatchRun r = RunBatch({"support", data, "--method", "bootstrap", "--replicates", "5", "--seed",
                            "1", "--search", "evolutionary", "--generations", "10"});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains("evolutionary search")) << r.Err.toStdString();

    // Bremer support of the example, proved: --bremer and --method bremer agree.
    r = RunBatch({"support", Example, "--bremer", "--seed", "2"});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains("Every value is exact")) << r.Err.toStdString();
    const QString out = dir.filePath("bremer.nwk");
    const TBatchRun again = RunBatch({"support", Example, "--method", "bremer", "--threads", "2",
                                      "--seed", "2", "--newick", out});
    ASSERT_EQ(again.Exit, 0) << again.Err.toStdString();
    EXPECT_EQ(FileBytes(out), r.Out);
    // The consensus command reads the labelled tree back.
    EXPECT_EQ(RunBatch({"consensus", out}).Exit, 0);

    // Bad requests: a word, not a number; out of range; two methods; Bremer
    // with the evolutionary search; the data file as the output.
    for (const QStringList& bad :
         {QStringList{"support", data, "--method", "jackknife", "--replicates", "0"},
          QStringList{"support", data, "--method", "jackknife", "--replicates", "100000"},
          QStringList{"support", data, "--method", "jackknife", "--search", "fast"},
          QStringList{"support", data, "--method", "jackknife", "--bremer"},
          QStringList{"support", data, "--bremer", "--search", "evolutionary"},
          QStringList{"support", data, "--method", "jackknife", "--generations", "5"},
          QStringList{"support", data, "--method", "jackknife", "--search", "evolutionary",
                      "--ratchet", "2"},
          QStringList{"support", data}}) {
        const TBatchRun b = RunBatch(bad);
        EXPECT_EQ(b.Exit, 2) << bad.join(' ').toStdString();
        EXPECT_FALSE(b.Err.isEmpty());
    }
    const TBatchRun same = RunBatch({"support", data, "--bremer", "--newick", data});
    EXPECT_EQ(same.Exit, 1);
}
