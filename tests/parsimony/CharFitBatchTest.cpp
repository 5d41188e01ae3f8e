// varno-batch charfit, run as a user runs it.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/support/BatchRun.h"
#include "tests/support/TestFiles.h"

namespace {
const QString Example = SourceFile(QStringLiteral("examples/state-trees.txt"));
const QString ExampleTree = SourceFile(QStringLiteral("tests/golden/parsimony/state-trees.nwk"));
}  // namespace

TEST(CharFitBatch, HandWorkedTableOfTheExample)
{
    // ((Alpha,Beta),((Gamma,Delta),(Epsilon,Zeta))): B arises in Beta and above
    // Gamma..Zeta, e1 three times, the legs need one step per edge, the
    // colour (red, Red and "?") no step at all.
    const QByteArray golden =
        FileBytes(SourceFile(QStringLiteral("tests/golden/parsimony/charfit-state-trees.txt")));
    const TBatchRun r = RunBatch({"charfit", Example, ExampleTree});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out, golden);

    QTemporaryDir dir;
    const QString out = dir.filePath("Compatibility.txt");
    const TBatchRun saved = RunBatch({"charfit", Example, ExampleTree, "-o", out});
    EXPECT_EQ(saved.Exit, 0);
    EXPECT_TRUE(saved.Out.isEmpty());
    EXPECT_EQ(FileBytes(out), golden);
}

TEST(CharFitBatch, StepsOfASearchedTreeAddUpToItsLength)
{
    QTemporaryDir dir;
    const QString nwk = dir.filePath("best.nwk");
    const TBatchRun search = RunBatch({"parsimony", Example, "--trees", "1", "--generations", "50",
                                       "--seed", "8", "--newick", nwk});
    ASSERT_EQ(search.Exit, 0) << search.Err.toStdString();
    const QString optimum =
        QString::fromUtf8(search.Out).section("Optimum = Minimum = ", 1).section('\n', 0, 0);
    const TBatchRun fit = RunBatch({"charfit", Example, nwk});
    ASSERT_EQ(fit.Exit, 0) << fit.Err.toStdString();
    const QStringList lines = QString::fromUtf8(fit.Out).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    int sum = 0;
    for (int i = 1; i < lines.size(); ++i) sum += lines[i].split('\t').at(2).toInt();
    EXPECT_EQ(QString::number(sum), optimum);
}

TEST(CharFitBatch, BadTreesAndArgumentsAreRefusedInWords)
{
    QTemporaryDir dir;
    const QString unknown = dir.filePath("unknown.nwk");
    WriteBytes(unknown, "((Alpha,Beta),((Gamma,Delta),(Epsilon,Omega)));\n");
    TBatchRun r = RunBatch({"charfit", Example, unknown});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Out.isEmpty());
    EXPECT_TRUE(r.Err.contains("does not fit the data")) << r.Err.toStdString();

    const QString garbage = dir.filePath("garbage.nwk");
    WriteBytes(garbage, QByteArray(5000, '(') + "\x01\xff;");
    r = RunBatch({"charfit", Example, garbage});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_FALSE(r.Err.isEmpty());

    const QString empty = dir.filePath("empty.nwk");
    WriteBytes(empty, "");
    r = RunBatch({"charfit", Example, empty});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_FALSE(r.Err.isEmpty());

    r = RunBatch({"charfit", Example, dir.filePath("absent.nwk")});
    EXPECT_EQ(r.Exit, 1);
    r = RunBatch({"charfit", dir.filePath("absent.txt"), ExampleTree});
    EXPECT_EQ(r.Exit, 1);
    r = RunBatch({"charfit", Example});
    EXPECT_EQ(r.Exit, 2);
    EXPECT_TRUE(r.Err.contains("charfit FILE TREE.nwk"));
    // A failed write leaves no output file behind and says why.
    r = RunBatch({"charfit", Example, ExampleTree, "-o", dir.filePath("no/such/dir/out.txt")});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_FALSE(r.Err.isEmpty());
}
