// varno-batch check, paths, transpose and tree: whole outputs against golden files.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/support/BatchRun.h"

namespace {
const QString Source = QStringLiteral(VARNO_SOURCE_DIR);
const QString Example = Source + QStringLiteral("/examples/state-trees.txt");
const QString Faulty = Source + QStringLiteral("/tests/golden/characters/faulty.txt");

QByteArray Golden(const QString& name)
{
    QFile f(Source + QStringLiteral("/tests/golden/characters/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing golden file");
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

TEST(BatchCharacters, CheckReportsAndSetsTheExitCode)
{
    TBatchRun r = RunBatch({"check", Example});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, Golden("check-valid.txt"));
    r = RunBatch({"check", Faulty});
    EXPECT_EQ(r.Exit, 3);
    EXPECT_EQ(r.Out, Golden("check-faulty.txt"));
    // Its character "missing" has no data, but others are faulty.
    EXPECT_TRUE(r.Err.contains("Note: 1 character without data")) << r.Err.toStdString();
    // Characters without data alone: the report as the window gives it, a
    // note, and the verdict of the searches, which take them.
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.txt");
    QFile f(empty);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Taxon\tleg\tnone\tnothing\na\tB[A]\t?\t?\nb\tA\t?\t?\n");
    f.close();
    r = RunBatch({"check", empty});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(r.Out.contains(" No root in character none\n No root in character nothing"))
        << r.Out.toStdString();
    EXPECT_TRUE(r.Out.contains("CORRECT DATA!"));
    EXPECT_TRUE(r.Err.contains("Note: 2 characters without data")) << r.Err.toStdString();
    r = RunBatch({"check", Source + "/no/such/file.txt"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_FALSE(r.Err.isEmpty());
    EXPECT_EQ(RunBatch({"check"}).Exit, 2);
}

TEST(BatchCharacters, TreeByNameOrNumber)
{
    TBatchRun r = RunBatch({"tree", Example, "leg"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, Golden("tree-leg.txt"));
    EXPECT_EQ(RunBatch({"tree", Example, "3"}).Out, r.Out);
    EXPECT_EQ(RunBatch({"tree", Faulty, "cycle"}).Out, Golden("tree-cycle.txt"));
    r = RunBatch({"tree", Example, "nose"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains("nose"));
}

TEST(BatchCharacters, PathsAndTransposeWriteTextDataFiles)
{
    QTemporaryDir dir;
    const QString paths = dir.filePath("Paths.txt");
    EXPECT_EQ(RunBatch({"paths", Example, "-o", paths}).Exit, 0);
    EXPECT_EQ(FileBytes(paths), Golden("paths.txt"));
    EXPECT_EQ(RunBatch({"paths", Example}).Out, Golden("paths.txt"));

    // Transposing twice gives the file back (it is written as the program writes).
    const QString once = dir.filePath("once.txt"), twice = dir.filePath("twice.txt");
    EXPECT_EQ(RunBatch({"transpose", Example, "-o", once}).Exit, 0);
    EXPECT_TRUE(FileBytes(once).startsWith(
        "Taxon\tAlpha\tBeta\tGamma\tDelta\tEpsilon\tZeta\r\nwing\tA\tB[A]\t"));
    EXPECT_EQ(RunBatch({"transpose", once, "-o", twice}).Exit, 0);
    EXPECT_EQ(FileBytes(twice), FileBytes(Example));
    EXPECT_EQ(RunBatch({"transpose", Example}).Exit, 2);
    EXPECT_EQ(RunBatch({"transpose", Example, "-o", dir.filePath("no/such/dir/x.txt")}).Exit, 1);
}
