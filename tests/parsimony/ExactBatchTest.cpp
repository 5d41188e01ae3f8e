// varno-batch exact, run as a user runs it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <random>

#include "tests/support/BatchRun.h"
#include "tests/support/TestFiles.h"

namespace {
using TRun = TBatchText;
TRun Batch(const QStringList& args) { return RunBatchText(args); }

QString Example(const char* name)
{
    return SourceFile(QStringLiteral("examples/") + QString::fromLatin1(name));
}

// Random binary characters "1[0]" / "0", some "?"; emptyColumn: one
// character "?" for everyone.
QString RandomDataFile(const QString& dir, int objects, int characters, bool emptyColumn)
{
    std::mt19937_64 rng(static_cast<std::uint64_t>(objects * 1000 + characters));
    QString text = QStringLiteral("Name");
    for (int c = 1; c <= characters; ++c) text += QStringLiteral("\tC%1").arg(c);
    text += QStringLiteral("\r\n");
    for (int o = 1; o <= objects; ++o) {
        text += QStringLiteral("Taxon%1").arg(o);
        for (int c = 1; c <= characters; ++c) {
            const int r = std::uniform_int_distribution<int>(0, 9)(rng);
            const bool empty = emptyColumn && c == characters;
            text += QLatin1Char('\t') + (empty || r == 0 ? QStringLiteral("?")
                                         : r < 5         ? QStringLiteral("1[0]")
                                                         : QStringLiteral("0"));
        }
        text += QStringLiteral("\r\n");
    }
    const QString path = dir + QStringLiteral("/random%1.txt").arg(objects);
    WriteText(path, text);
    return path;
}

QString ValueOf(const QString& out, const QString& key)
{
    for (const QString& line : out.split(QLatin1Char('\n')))
        if (line.startsWith(key + QStringLiteral(" = "))) return line.mid(key.size() + 3);
    return {};
}
}  // namespace

TEST(ExactBatch, ProvesTheExamplesAndEveryWrittenTreeScoresTheOptimum)
{
    QTemporaryDir dir;
    for (const char* name : {"weevils.txt", "Beetles.txt", "flowers_missing.txt"}) {
        for (bool plain : {false, true}) {
            const QString newick = dir.filePath(QStringLiteral("t.nwk"));
            QStringList args{QStringLiteral("exact"), Example(name), QStringLiteral("--newick"),
                             newick};
            if (plain) args << QStringLiteral("--no-missing");
            const TRun r = Batch(args);
            ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
            QStringList lines = r.Out.split(QLatin1Char('\n'));
            ASSERT_EQ(lines.takeLast(), QString());
            EXPECT_EQ(lines.takeLast(), QStringLiteral("Proved = yes")) << name;
            EXPECT_TRUE(lines.takeLast().startsWith(QStringLiteral("Optimal trees = ")));
            EXPECT_TRUE(lines.takeLast().startsWith(QStringLiteral("Optimum = Minimum = ")));
            EXPECT_TRUE(lines.contains(QStringLiteral("proved optimal")));
            EXPECT_TRUE(lines.contains(plain
                                           ? QStringLiteral("no missing data (\"?\") are expected")
                                           : QStringLiteral("Missing data (\"?\") are expected")));
            const QString optimum = ValueOf(r.Out, QStringLiteral("Optimum = Minimum"));
            const int count = ValueOf(r.Out, QStringLiteral("Optimal trees")).toInt();
            ASSERT_GE(count, 1);
            QStringList scoreArgs{QStringLiteral("score"), Example(name), newick};
            if (plain) scoreArgs << QStringLiteral("--no-missing");
            const TRun score = Batch(scoreArgs);
            ASSERT_EQ(score.Exit, 0) << score.Err.toStdString();
            const QStringList lengths = score.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            EXPECT_EQ(lengths.size(), count) << name;
            for (const QString& length : lengths) EXPECT_EQ(length, optimum) << name;
        }
    }
}

TEST(ExactBatch, ThreadsDoNotChangeTheAnswerAndTheTreeMaximumKeepsTheFirst)
{
    QTemporaryDir dir;
    const QString data = RandomDataFile(dir.path(), 12, 14, true);
    auto run = [&](const char* threads, const char* maxTrees, const QString& newick) {
        const TRun r = Batch({QStringLiteral("exact"), data, QStringLiteral("--threads"),
                              QString::fromLatin1(threads), QStringLiteral("--max-trees"),
                              QString::fromLatin1(maxTrees), QStringLiteral("--newick"), newick});
        EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(QStringLiteral("Character C14 has no data")))
            << r.Err.toStdString();
        return r;
    };
    const QString a = dir.filePath(QStringLiteral("a.nwk")),
                  b = dir.filePath(QStringLiteral("b.nwk")),
                  c = dir.filePath(QStringLiteral("c.nwk"));
    const TRun one = run("1", "1000", a);
    const TRun two = run("2", "1000", b);
    const TRun few = run("3", "1", c);
    EXPECT_EQ(ReadText(a), ReadText(b));
    EXPECT_EQ(ValueOf(one.Out, QStringLiteral("Optimal trees")),
              ValueOf(two.Out, QStringLiteral("Optimal trees")));
    EXPECT_EQ(ValueOf(few.Out, QStringLiteral("Optimal trees")),
              ValueOf(one.Out, QStringLiteral("Optimal trees")));
    EXPECT_EQ(ReadText(c).count(QLatin1Char(';')), 1);
    EXPECT_TRUE(ReadText(a).startsWith(ReadText(c)));
}

TEST(ExactBatch, ATimeLimitEndsWithALowerBound)
{
    QTemporaryDir dir;
    const QString data = RandomDataFile(dir.path(), 30, 40, false);
    const TRun r = Batch({QStringLiteral("exact"), data, QStringLiteral("--time-limit"),
                          QStringLiteral("0.5"), QStringLiteral("--progress")});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains(QStringLiteral("may run for hours")));
    EXPECT_EQ(ValueOf(r.Out, QStringLiteral("Proved")), QStringLiteral("no"));
    const int optimum = ValueOf(r.Out, QStringLiteral("Optimum = Minimum")).toInt();
    const int lower = ValueOf(r.Out, QStringLiteral("Lower bound")).toInt();
    EXPECT_GT(lower, 0);
    EXPECT_LE(lower, optimum);
    EXPECT_TRUE(r.Out.contains(QStringLiteral("not proved (stopped after")));
}

TEST(ExactBatch, BadInputIsRefusedWithAMessage)
{
    QTemporaryDir dir;
    const QString two = dir.filePath(QStringLiteral("two.txt"));
    WriteText(two, QStringLiteral("Name\tC1\r\nA\t1[0]\r\nB\t0\r\n"));
    TRun r = Batch({QStringLiteral("exact"), two});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("at least 3 objects"))) << r.Err.toStdString();
    r = Batch({QStringLiteral("exact"), RandomDataFile(dir.path(), 41, 3, false)});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("at most 40 objects"))) << r.Err.toStdString();
    r = Batch({QStringLiteral("exact"), Example("weevils.txt"), QStringLiteral("--time-limit"),
               QStringLiteral("0")});
    EXPECT_EQ(r.Exit, 2);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("above 0"))) << r.Err.toStdString();
    EXPECT_EQ(Batch({QStringLiteral("exact"), Example("weevils.txt"), QStringLiteral("--threads"),
                     QStringLiteral("x")})
                  .Exit,
              2);
    EXPECT_EQ(Batch({QStringLiteral("exact")}).Exit, 2);
    EXPECT_EQ(Batch({QStringLiteral("exact"), dir.filePath(QStringLiteral("none.txt"))}).Exit, 1);
}
