// varno-batch search and merge, run as a user runs them.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <map>
#include <random>

#include "tests/support/BatchRun.h"
#include "tests/support/TestFiles.h"

namespace {
using TRun = TBatchText;
TRun Batch(const QStringList& args) { return RunBatchText(args); }

QString Line(const QString& out, const QString& start)
{
    for (const QString& l : out.split(QLatin1Char('\n')))
        if (l.startsWith(start)) return l;
    return {};
}

const QString Example = QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.txt");

// A data file of random state trees in pointer notation, some "?".
QString RandomDataFile(const QString& dir, int objects, int characters, unsigned seed)
{
    std::mt19937_64 rng(seed);
    QString text = QStringLiteral("Name");
    for (int c = 1; c <= characters; ++c) text += QStringLiteral("\tC%1").arg(c);
    text += QStringLiteral("\n");
    for (int o = 1; o <= objects; ++o) {
        text += QStringLiteral("Taxon%1").arg(o);
        for (int c = 0; c < characters; ++c) {
            int k = std::uniform_int_distribution<int>(0, 6)(rng);
            if (k == 6) {
                text += QStringLiteral("\t?");
                continue;
            }
            QString cell = QStringLiteral("S%1").arg(k), tail;
            while (k > 0) {
                k /= 2;
                cell += QStringLiteral("[S%1").arg(k);
                tail += QLatin1Char(']');
            }
            text += QLatin1Char('\t') + cell + (tail.isEmpty() ? QStringLiteral("[]") : tail);
        }
        text += QStringLiteral("\n");
    }
    const QString path = dir + QStringLiteral("/data%1.txt").arg(seed);
    WriteText(path, text);
    return path;
}
}  // namespace

TEST(SearchBatch, SameSeedSameTreesAndTheTreesHaveTheReportedLength)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.nwk")),
                  b = dir.filePath(QStringLiteral("b.nwk"));
    const TRun first = Batch({QStringLiteral("search"), Example, QStringLiteral("--seed"),
                              QStringLiteral("1"), QStringLiteral("--newick"), a});
    const TRun second =
        Batch({QStringLiteral("search"), Example, QStringLiteral("--seed"), QStringLiteral("1"),
               QStringLiteral("--threads"), QStringLiteral("1"), QStringLiteral("--newick"), b});
    ASSERT_EQ(first.Exit, 0) << first.Err.toStdString();
    ASSERT_EQ(second.Exit, 0) << second.Err.toStdString();
    EXPECT_FALSE(ReadText(a).isEmpty());
    EXPECT_EQ(ReadText(a), ReadText(b));
    const QString optimum = Line(first.Out, QStringLiteral("Optimum = Minimum = "));
    ASSERT_FALSE(optimum.isEmpty());
    EXPECT_EQ(Line(first.Out, QStringLiteral("Seed = ")), QStringLiteral("Seed = 1"));
    const int trees = Line(first.Out, QStringLiteral("Trees = ")).mid(8).toInt();
    EXPECT_EQ(ReadText(a).count(QLatin1Char(';')), trees);
    // The length reported is the length of every tree written.
    const TRun score = Batch({QStringLiteral("score"), Example, a});
    ASSERT_EQ(score.Exit, 0) << score.Err.toStdString();
    for (const QString& l : score.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        EXPECT_EQ(QStringLiteral("Optimum = Minimum = ") + l, optimum);
}

TEST(SearchBatch, MergeKeepsTheDistinctShortest)
{
    QTemporaryDir dir;
    const QString data = RandomDataFile(dir.path(), 40, 30, 5);
    QStringList files;
    for (int seed : {1, 2, 3}) {
        const QString out = dir.filePath(QStringLiteral("run%1.nwk").arg(seed));
        const TRun run =
            Batch({QStringLiteral("search"), data, QStringLiteral("--seed"), QString::number(seed),
                   QStringLiteral("--replicates"), QStringLiteral("1"), QStringLiteral("--ratchet"),
                   QStringLiteral("0"), QStringLiteral("--newick"), out});
        ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
        files << out;
    }
    const QString merged = dir.filePath(QStringLiteral("merged.nwk"));
    const TRun merge = Batch(QStringList{QStringLiteral("merge"), data} + files +
                             QStringList{QStringLiteral("-o"), merged});
    ASSERT_EQ(merge.Exit, 0) << merge.Err.toStdString();
    const TRun score = Batch({QStringLiteral("score"), data, merged});
    const QStringList lengths = score.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lengths.isEmpty());
    int best = 1 << 30;
    for (const QString& f : files)
        for (const QString& l : Batch({QStringLiteral("score"), data, f})
                                    .Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            best = std::min(best, l.toInt());
    for (const QString& l : lengths) EXPECT_EQ(l.toInt(), best);
    EXPECT_EQ(Line(merge.Out, QStringLiteral("Optimum = Minimum = ")),
              QStringLiteral("Optimum = Minimum = %1").arg(best));
    EXPECT_EQ(Line(merge.Out, QStringLiteral("Trees = ")),
              QStringLiteral("Trees = %1").arg(lengths.size()));
}

TEST(SearchBatch, BadInputGetsAClearMessage)
{
    QTemporaryDir dir;
    const QString data = RandomDataFile(dir.path(), 12, 8, 3);
    struct TBad {
        QStringList Args;
        int Exit;
    };
    const QString unwritable = dir.filePath(QStringLiteral("no/such/folder/out.nwk"));
    const std::vector<TBad> cases{
        {{QStringLiteral("--time-limit"), QStringLiteral("0")}, 2},
        {{QStringLiteral("--time-limit"), QStringLiteral("soon")}, 2},
        {{QStringLiteral("--threads"), QStringLiteral("0")}, 2},
        {{QStringLiteral("--threads"), QStringLiteral("1000")}, 2},
        {{QStringLiteral("--replicates"), QStringLiteral("-3")}, 2},
        {{QStringLiteral("--newick"), unwritable}, 1},
        {{QStringLiteral("--strategy"), QStringLiteral("xmult")}, 2},
        {{QStringLiteral("--sector-ratchet"), QStringLiteral("2")}, 2},  // the driven search's
        {{QStringLiteral("--strategy"), QStringLiteral("driven"),
          QStringLiteral("--sector-ratchet"), QStringLiteral("1001")},
         2},
        {{QStringLiteral("--strategy"), QStringLiteral("ratchet"), QStringLiteral("--no-drift")},
         2},
        {{QStringLiteral("--no-sectors")}, 2},
        {{QStringLiteral("--sector-size"), QStringLiteral("10-20")}, 2},
        {{QStringLiteral("--strategy"), QStringLiteral("driven"), QStringLiteral("--sector-size"),
          QStringLiteral("3-10")},
         2},
        {{QStringLiteral("--strategy"), QStringLiteral("driven"), QStringLiteral("--sector-size"),
          QStringLiteral("20-10")},
         2},
        {{QStringLiteral("--strategy"), QStringLiteral("driven"), QStringLiteral("--sector-size"),
          QStringLiteral("big")},
         2},
    };
    for (const TBad& bad : cases) {
        const TRun run = Batch(QStringList{QStringLiteral("search"), data} + bad.Args);
        EXPECT_EQ(run.Exit, bad.Exit) << bad.Args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(run.Err.trimmed().isEmpty());
        EXPECT_FALSE(run.Err.contains(QStringLiteral("Usage")))
            << "a specific message, not the usage";
    }
    EXPECT_FALSE(QFile::exists(unwritable));
    // Two objects: refused.
    QFile two(dir.filePath(QStringLiteral("two.txt")));
    ASSERT_TRUE(two.open(QIODevice::WriteOnly));
    two.write("Name\tC1\nA\tx[]\nB\ty[x]\n");
    two.close();
    const TRun small = Batch({QStringLiteral("search"), two.fileName()});
    EXPECT_EQ(small.Exit, 1);
    EXPECT_TRUE(small.Err.contains(QStringLiteral("at least 3 objects")))
        << small.Err.toStdString();
    // A target no tree reaches: the run ends by its other limits.
    const TRun target =
        Batch({QStringLiteral("search"), data, QStringLiteral("--target"), QStringLiteral("0"),
               QStringLiteral("--replicates"), QStringLiteral("2")});
    EXPECT_EQ(target.Exit, 0) << target.Err.toStdString();
    // The ratchet fuses agreeing replicates before it stops, unless told not to.
    for (bool fuse : {true, false}) {
        QStringList args{QStringLiteral("search"), data, QStringLiteral("--replicates"),
                         QStringLiteral("4")};
        if (!fuse) args << QStringLiteral("--no-fuse");
        const TRun ratchet = Batch(args);
        EXPECT_EQ(ratchet.Exit, 0) << ratchet.Err.toStdString();
        EXPECT_EQ(ratchet.Out.contains(QStringLiteral("and fusing their best trees finds nothing "
                                                      "shorter")),
                  fuse)
            << ratchet.Out.toStdString();
    }
    // The driven search with its parts switched off still runs and says so.
    const TRun driven = Batch({QStringLiteral("search"), data, QStringLiteral("--strategy"),
                               QStringLiteral("Driven"), QStringLiteral("--no-fuse"),
                               QStringLiteral("--no-drift"), QStringLiteral("--no-sectors"),
                               QStringLiteral("--replicates"), QStringLiteral("5")});
    EXPECT_EQ(driven.Exit, 0) << driven.Err.toStdString();
    EXPECT_TRUE(driven.Out.contains(QStringLiteral("no fusing")) &&
                driven.Out.contains(QStringLiteral("No drift")) &&
                driven.Out.contains(QStringLiteral("No sectors")))
        << driven.Out.toStdString();
    // Sectors of the size asked, counted in the protocol.
    const TRun sectors =
        Batch({QStringLiteral("search"), data, QStringLiteral("--strategy"),
               QStringLiteral("driven"), QStringLiteral("--sector-size"), QStringLiteral("4-6"),
               QStringLiteral("--replicates"), QStringLiteral("3")});
    EXPECT_EQ(sectors.Exit, 0) << sectors.Err.toStdString();
    EXPECT_TRUE(sectors.Out.contains(QStringLiteral("Sectors searched: ")) &&
                sectors.Out.contains(QStringLiteral(" of 4 to 6 units")))
        << sectors.Out.toStdString();
}

TEST(SearchBatch, InterruptStopsSoonAndWritesTheBestTrees)
{
    QTemporaryDir dir;
    const QString data = RandomDataFile(dir.path(), 150, 80, 9);
    const QString out = dir.filePath(QStringLiteral("out.nwk"));
    QProcess p;
    p.start(QStringLiteral(VARNO_BATCH),
            {QStringLiteral("search"), data, QStringLiteral("--hits"), QStringLiteral("0"),
             QStringLiteral("--progress"), QStringLiteral("--newick"), out});
    ASSERT_TRUE(p.waitForStarted());
    // The first progress line shows the search is under way.
    QByteArray err;
    QElapsedTimer waiting;
    waiting.start();
    while (!err.contains("Best length") && waiting.elapsed() < 120000) {
        p.waitForReadyRead(200);
        err += p.readAllStandardError();
    }
    ASSERT_TRUE(err.contains("Best length"));
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_LT(timer.elapsed(), 3000);  // within a second, with room for a busy machine
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(ReadText(out).contains(QLatin1Char(';')));
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput())
                    .contains(QStringLiteral("Optimum = Minimum = ")));
}

// Past 255 objects: the trees the search writes are scored (polytomies too)
// and get their fit statistics, and what cannot be taken there is said plainly.
TEST(SearchBatch, ScoreAndStatsTakeTreesOfMoreThan255Objects)
{
    QTemporaryDir dir;
    const int objects = 320;
    const QString data = RandomDataFile(dir.path(), objects, 20, 25);
    const QString trees = dir.filePath(QStringLiteral("big.nwk"));
    const TRun search =
        Batch({QStringLiteral("search"), data, QStringLiteral("--seed"), QStringLiteral("2"),
               QStringLiteral("--replicates"), QStringLiteral("1"), QStringLiteral("--ratchet"),
               QStringLiteral("0"), QStringLiteral("--newick"), trees});
    ASSERT_EQ(search.Exit, 0) << search.Err.toStdString();
    const TRun score = Batch({QStringLiteral("score"), data, trees});
    ASSERT_EQ(score.Exit, 0) << score.Err.toStdString();
    const QStringList lengths = score.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lengths.isEmpty());
    for (const QString& l : lengths)
        EXPECT_EQ(QStringLiteral("Optimum = Minimum = ") + l,
                  Line(search.Out, QStringLiteral("Optimum = Minimum = ")));

    const TRun stats = Batch({QStringLiteral("stats"), data, trees});
    ASSERT_EQ(stats.Exit, 0) << stats.Err.toStdString();
    const QStringList rows = stats.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 22);  // header, 20 characters, the tree
    EXPECT_TRUE(rows.back().startsWith(QStringLiteral("Tree\t")));
    EXPECT_EQ(rows.back().split(QLatin1Char('\t')).value(2), lengths.front());

    // A star: one hard polytomy, never shorter than the resolved tree.
    QStringList leaves;
    for (int o = 1; o <= objects; ++o) leaves << QStringLiteral("Taxon%1").arg(o);
    const QString star = dir.filePath(QStringLiteral("star.nwk"));
    WriteText(star, QLatin1Char('(') + leaves.join(QLatin1Char(',')) + QStringLiteral(");\n"));
    const TRun starScore = Batch({QStringLiteral("score"), data, star});
    ASSERT_EQ(starScore.Exit, 0) << starScore.Err.toStdString();
    EXPECT_TRUE(starScore.Err.contains(QStringLiteral("not binary")))
        << starScore.Err.toStdString();
    EXPECT_GE(starScore.Out.trimmed().toInt(), lengths.front().toInt());
    const TRun starStats = Batch({QStringLiteral("stats"), data, star});
    EXPECT_EQ(starStats.Exit, 1);
    EXPECT_TRUE(starStats.Err.contains(QStringLiteral("not binary")))
        << starStats.Err.toStdString();

    // A leaf that is no object, and the options that stay within 255 objects.
    QString text = ReadText(trees).split(QLatin1Char('\n')).front();
    ASSERT_TRUE(text.contains(QStringLiteral("Taxon7:")));
    text.replace(QStringLiteral("Taxon7:"), QStringLiteral("Nobody:"));
    const QString wrong = dir.filePath(QStringLiteral("wrong.nwk"));
    WriteText(wrong, text + QLatin1Char('\n'));
    const TRun bad = Batch({QStringLiteral("score"), data, wrong});
    EXPECT_EQ(bad.Exit, 1);
    EXPECT_TRUE(bad.Err.startsWith(QStringLiteral("Tree 1: "))) << bad.Err.toStdString();
    EXPECT_TRUE(bad.Out.isEmpty());
    // Rooted at an outgroup, every tree is scored as well.
    const TRun outgroup = Batch({QStringLiteral("score"), data, trees, QStringLiteral("--outgroup"),
                                 QStringLiteral("Taxon1")});
    ASSERT_EQ(outgroup.Exit, 0) << outgroup.Err.toStdString();
    EXPECT_EQ(outgroup.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), lengths.size());
}

// Every command that takes trees or data, past 255 objects: each row runs one
// command on the thorough search's trees and checks its output against a
// count that holds whatever the tree (changes and steps sum to the length, a
// consensus of one tree is that tree), or the plain refusal where the job
// does not go past 255 objects.
TEST(SearchBatch, EveryTreeCommandTakesMoreThan255Objects)
{
    QTemporaryDir dir;
    const int objects = 300;
    const QString data = RandomDataFile(dir.path(), objects, 15, 300);
    const QString tree = dir.filePath(QStringLiteral("one.nwk"));
    const QString other = dir.filePath(QStringLiteral("other.nwk"));
    for (const auto& [path, seed] : {std::pair{tree, "4"}, std::pair{other, "5"}}) {
        const TRun search =
            Batch({QStringLiteral("search"), data, QStringLiteral("--seed"), QString(seed),
                   QStringLiteral("--replicates"), QStringLiteral("1"), QStringLiteral("--ratchet"),
                   QStringLiteral("0"), QStringLiteral("--max-trees"), QStringLiteral("1"),
                   QStringLiteral("--newick"), path});
        ASSERT_EQ(search.Exit, 0) << search.Err.toStdString();
    }
    const QString first = ReadText(tree).split(QLatin1Char('\n')).front();
    const QString twice = dir.filePath(QStringLiteral("twice.nwk"));
    WriteText(twice, first + QLatin1Char('\n') + first + QLatin1Char('\n'));
    const QString pair = dir.filePath(QStringLiteral("pair.nwk"));
    WriteText(pair, first + QLatin1Char('\n') + ReadText(other).split(QLatin1Char('\n')).front() +
                        QLatin1Char('\n'));
    QStringList leaves;
    for (int o = 1; o <= objects; ++o) leaves << QStringLiteral("Taxon%1").arg(o);
    const QString star = dir.filePath(QStringLiteral("star.nwk"));
    WriteText(star, QLatin1Char('(') + leaves.join(QLatin1Char(',')) + QStringLiteral(");\n"));
    const QString stranger = dir.filePath(QStringLiteral("stranger.nwk"));
    WriteText(stranger,
              QString(first).replace(QStringLiteral("Taxon9:"), QStringLiteral("Nobody:")) +
                  QLatin1Char('\n'));

    const TRun stats = Batch({QStringLiteral("stats"), data, tree});
    ASSERT_EQ(stats.Exit, 0) << stats.Err.toStdString();
    const int length =
        stats.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).back().split('\t').value(2).toInt();
    ASSERT_GT(length, 0);
    auto rows = [](const TRun& r) { return r.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); };
    auto scoreOf = [&](const QString& newick) {
        const QString file = dir.filePath(QStringLiteral("scored.nwk"));
        WriteText(file, newick);
        return Batch({QStringLiteral("score"), data, file}).Out.trimmed().toInt();
    };
    // Under the reversible criteria: the length of the thorough search's
    // scorer, which the statistics, the character fit and the changes
    // (one row per step) must add up to.
    std::map<QString, int> reversible;
    for (const char* c : {"unordered", "reversible"}) {
        const TRun r = Batch({QStringLiteral("score"), data, tree, QStringLiteral("--criterion"),
                              QString::fromLatin1(c)});
        ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
        reversible[QString::fromLatin1(c)] = r.Out.trimmed().toInt();
        ASSERT_GT(reversible[QString::fromLatin1(c)], 0);
        ASSERT_LT(reversible[QString::fromLatin1(c)], length);  // fewer steps than Camin-Sokal
    }
    const int unordered = reversible[QStringLiteral("unordered")];
    const int additive = reversible[QStringLiteral("reversible")];
    const QString svg = dir.filePath(QStringLiteral("tree.svg"));
    struct TRow {
        QStringList Args;
        int Exit;
        std::function<void(const TRun&)> Check;
    };
    const std::vector<TRow> table{
        {{"changes", data, tree}, 0, [&](const TRun& r) { EXPECT_EQ(rows(r).size() - 1, length); }},
        {{"charfit", data, tree},
         0,
         [&](const TRun& r) {
             int steps = 0;
             for (const QString& row : rows(r).mid(1)) steps += row.split('\t').value(2).toInt();
             EXPECT_EQ(rows(r).size(), 16);
             EXPECT_EQ(steps, length);
         }},
        {{"stats", data, tree, "--criterion", "unordered"},
         0,
         [&](const TRun& r) {
             EXPECT_EQ(rows(r).back().split('\t').value(2).toInt(), unordered);
             EXPECT_TRUE(r.Err.contains(QStringLiteral("15 characters unordered (Fitch)")))
                 << r.Err.toStdString();
         }},
        {{"charfit", data, tree, "--criterion", "reversible"},
         0,
         [&](const TRun& r) {
             int steps = 0;
             for (const QString& row : rows(r).mid(1)) steps += row.split('\t').value(2).toInt();
             EXPECT_EQ(steps, additive);
         }},
        {{"changes", data, tree, "--criterion", "reversible"},
         0,
         [&](const TRun& r) {
             EXPECT_EQ(rows(r).size() - 1, additive);
             EXPECT_TRUE(r.Err.contains(QStringLiteral("ACCTRAN"))) << r.Err.toStdString();
         }},
        {{"changes", data, tree, "--criterion", "unordered", "--deltran", "--outgroup", "Taxon5"},
         0,
         [&](const TRun& r) {
             EXPECT_EQ(rows(r).size() - 1, unordered);
             EXPECT_TRUE(r.Err.contains(QStringLiteral("DELTRAN"))) << r.Err.toStdString();
             EXPECT_TRUE(r.Out.contains(QStringLiteral("\tambiguous"))) << "some ambiguous";
         }},
        {{"score", data, tree, "--criterion", "unordered", "--outgroup", "Taxon5"},
         0,
         [&](const TRun& r) { EXPECT_EQ(r.Out.trimmed().toInt(), unordered); }},
        {{"score", data, tree, "--gap", "sometimes"},
         2,
         [&](const TRun& r) {
             EXPECT_TRUE(r.Err.contains(QStringLiteral("Unknown gap \"sometimes\": use")))
                 << r.Err.toStdString();
         }},
        {{"stats", data, tree, "--gap", "state", "--criterion", "unordered"},
         2,
         [&](const TRun& r) {
             EXPECT_TRUE(r.Err.contains(QStringLiteral("reads the gaps of NEXUS files")))
                 << r.Err.toStdString();
         }},
        {{"consensus", twice, "--strict"},
         0,
         [&](const TRun& r) { EXPECT_EQ(scoreOf(r.Out), length); }},
        {{"consensus", pair},
         0,
         [&](const TRun& r) {
             // Two trees: every group kept is in both.
             EXPECT_EQ(r.Out.count(QStringLiteral(")100")) + 1, r.Out.count(QLatin1Char('(')));
             EXPECT_EQ(r.Out.count(QStringLiteral("Taxon")), objects);
         }},
        {{"support", data, "--method", "jackknife", "--replicates", "2", "--seed", "1",
          "--additions", "1", "--ratchet", "0"},
         0,
         [&](const TRun& r) {
             EXPECT_EQ(r.Out.count(QStringLiteral("Taxon")), objects);
             EXPECT_TRUE(r.Err.contains(QStringLiteral("2 replicates"))) << r.Err.toStdString();
         }},
        {{"support", data, "--method", "bootstrap", "--replicates", "1", "--additions", "1",
          "--ratchet", "0"},
         0,
         [&](const TRun& r) { EXPECT_EQ(r.Out.count(QStringLiteral("Taxon")), objects); }},
        {{"support", data, "--bremer"},
         1,
         [&](const TRun& r) {
             EXPECT_TRUE(r.Err.contains(QStringLiteral("at most 255 objects")))
                 << r.Err.toStdString();
         }},
        {{"merge", data, tree, other, "--max-trees", "1"},
         0,
         [&](const TRun& r) {
             EXPECT_LE(scoreOf(r.Out.split(QLatin1Char('\n')).front()), length);
             EXPECT_EQ(r.Out.count(QStringLiteral("Taxon")), objects);
         }},
        {{"draw", tree, "-o", svg, "--changes", data},
         0,
         [&](const TRun&) {
             EXPECT_TRUE(ReadText(svg).contains(QStringLiteral("Taxon300")));
             EXPECT_FALSE(ReadText(svg).contains(QChar(0x2192)));
         }},
        // Under a reversible criterion the marks say from which state to which.
        {{"draw", tree, "-o", svg + "-fitch.svg", "--changes", data, "--criterion", "unordered"},
         0,
         [&](const TRun& r) {
             EXPECT_TRUE(ReadText(svg + "-fitch.svg").contains(QChar(0x2192)));
             EXPECT_TRUE(r.Err.contains(QStringLiteral("Criteria:"))) << r.Err.toStdString();
         }},
        {{"draw", tree, "-o", svg + "-no.svg", "--criterion", "unordered"},
         2,
         [&](const TRun& r) {
             EXPECT_TRUE(r.Err.contains(QStringLiteral("--changes DATA"))) << r.Err.toStdString();
             EXPECT_FALSE(QFile::exists(svg + "-no.svg"));
         }},
        // Bad input: a polytomy where a binary tree is needed, a leaf that is no object.
        {{"changes", data, star},
         1,
         [&](const TRun& r) {
             EXPECT_TRUE(r.Err.contains(QStringLiteral("not binary"))) << r.Err.toStdString();
         }},
        {{"charfit", data, star},
         1,
         [&](const TRun& r) {
             EXPECT_TRUE(r.Err.contains(QStringLiteral("not binary"))) << r.Err.toStdString();
         }},
        {{"charfit", data, stranger},
         1,
         [&](const TRun& r) { EXPECT_TRUE(r.Err.contains(QStringLiteral("does not fit"))); }},
        {{"draw", stranger, "-o", svg + ".svg", "--changes", data},
         1,
         [&](const TRun& r) {
             EXPECT_TRUE(r.Err.contains(QStringLiteral("does not fit"))) << r.Err.toStdString();
             EXPECT_FALSE(QFile::exists(svg + ".svg"));
         }},
    };
    for (const TRow& row : table) {
        const TRun r = Batch(row.Args);
        SCOPED_TRACE(row.Args.join(QLatin1Char(' ')).toStdString());
        ASSERT_EQ(r.Exit, row.Exit) << r.Err.toStdString();
        if (row.Exit != 0) {
            EXPECT_TRUE(r.Out.isEmpty());
        }
        row.Check(r);
    }
}

TEST(SearchBatch, UnderEachCriterionScoreAndMergeAgreeAndCaminSokalSearchesRefuse)
{
    QTemporaryDir dir;
    const QString data = RandomDataFile(dir.path(), 14, 12, 5);
    const QString few = RandomDataFile(dir.path(), 9, 12, 6);
    for (const char* criterion : {"irreversible", "reversible", "unordered"}) {
        const QString c = QString::fromLatin1(criterion);
        const QString out = dir.filePath(c + QStringLiteral(".nwk"));
        const TRun run =
            Batch({QStringLiteral("search"), data, QStringLiteral("--seed"), QStringLiteral("3"),
                   QStringLiteral("--replicates"), QStringLiteral("8"),
                   QStringLiteral("--criterion"), c, QStringLiteral("--outgroup"),
                   QStringLiteral("Taxon4"), QStringLiteral("--newick"), out});
        ASSERT_EQ(run.Exit, 0) << criterion << run.Err.toStdString();
        const QString optimum = Line(run.Out, QStringLiteral("Optimum = Minimum = ")).mid(20);
        ASSERT_FALSE(optimum.isEmpty()) << criterion;
        const QStringList trees = ReadText(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_FALSE(trees.isEmpty()) << criterion;
        if (c != QLatin1String("irreversible")) {
            EXPECT_FALSE(Line(run.Out, QStringLiteral(" Trees are written rooted at the outgroup "
                                                      "Taxon4."))
                             .isEmpty())
                << criterion;
            for (const QString& t : trees)
                EXPECT_TRUE(t.startsWith(QStringLiteral("(Taxon4,")) ||
                            t.contains(QStringLiteral(",Taxon4);")))
                    << criterion << " " << t.toStdString();
        }
        // Every tree written has the reported length when scored on its own,
        // and merging the file back keeps them all.
        const TRun score =
            Batch({QStringLiteral("score"), data, out, QStringLiteral("--criterion"), c});
        ASSERT_EQ(score.Exit, 0) << criterion << score.Err.toStdString();
        for (const QString& l : score.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            EXPECT_EQ(l, optimum) << criterion;
        const TRun merged =
            Batch({QStringLiteral("merge"), data, out, out, QStringLiteral("--criterion"), c,
                   QStringLiteral("--outgroup"), QStringLiteral("Taxon4"), QStringLiteral("-o"),
                   dir.filePath(QStringLiteral("m.nwk"))});
        ASSERT_EQ(merged.Exit, 0) << criterion << merged.Err.toStdString();
        EXPECT_EQ(Line(merged.Out, QStringLiteral("Optimum = Minimum = ")).mid(20), optimum)
            << criterion;
        EXPECT_EQ(Line(merged.Out, QStringLiteral("Trees = ")).mid(8).toInt(), trees.size())
            << criterion;
        // The exact search proves the optimum under the same criterion (on
        // fewer objects: random data are hard): no longer than the search's,
        // and every tree it writes scores it.
        const QString proved = dir.filePath(c + QStringLiteral("-exact.nwk"));
        const TRun small = Batch({QStringLiteral("search"), few, QStringLiteral("--seed"),
                                  QStringLiteral("3"), QStringLiteral("--criterion"), c});
        const QString searched = Line(small.Out, QStringLiteral("Optimum = Minimum = ")).mid(20);
        ASSERT_FALSE(searched.isEmpty()) << criterion << small.Err.toStdString();
        const TRun exact = Batch({QStringLiteral("exact"), few, QStringLiteral("--criterion"), c,
                                  QStringLiteral("--outgroup"), QStringLiteral("Taxon4"),
                                  QStringLiteral("--newick"), proved});
        ASSERT_EQ(exact.Exit, 0) << criterion << exact.Err.toStdString();
        EXPECT_FALSE(Line(exact.Out, QStringLiteral("Proved = yes")).isEmpty()) << criterion;
        const QString exactOptimum =
            Line(exact.Out, QStringLiteral("Optimum = Minimum = ")).mid(20);
        EXPECT_LE(exactOptimum.toInt(), searched.toInt()) << criterion;
        const TRun rescored =
            Batch({QStringLiteral("score"), few, proved, QStringLiteral("--criterion"), c});
        ASSERT_EQ(rescored.Exit, 0) << criterion << rescored.Err.toStdString();
        for (const QString& l : rescored.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            EXPECT_EQ(l, exactOptimum) << criterion;
        if (c != QLatin1String("irreversible")) {
            EXPECT_FALSE(Line(exact.Out, QStringLiteral(" Trees are written rooted at the "
                                                        "outgroup Taxon4."))
                             .isEmpty());
            for (const QString& t : ReadText(proved).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                EXPECT_TRUE(t.startsWith(QStringLiteral("(Taxon4,")) ||
                            t.contains(QStringLiteral(",Taxon4);")))
                    << criterion << " " << t.toStdString();
        }
    }
    // The search that counts Camin-Sokal only says so and writes nothing.
    for (const char* command : {"parsimony"}) {
        const TRun refused = Batch({QString::fromLatin1(command), data,
                                    QStringLiteral("--criterion"), QStringLiteral("unordered")});
        EXPECT_EQ(refused.Exit, 1) << command;
        EXPECT_TRUE(refused.Out.isEmpty()) << command;
        EXPECT_TRUE(refused.Err.contains(QStringLiteral(
            "counts irreversible (Camin-Sokal) changes only, but 12 characters are scored "
            "under a reversible criterion (12 unordered (Fitch))")))
            << command << refused.Err.toStdString();
    }
    const TRun badOutgroup = Batch({QStringLiteral("search"), data, QStringLiteral("--criterion"),
                                    QStringLiteral("unordered"), QStringLiteral("--outgroup"),
                                    QStringLiteral("Nobody")});
    EXPECT_EQ(badOutgroup.Exit, 1);
    EXPECT_TRUE(badOutgroup.Err.startsWith(QStringLiteral("Unknown outgroup \"Nobody\"")));
    for (const QStringList& bad :
         {QStringList{QStringLiteral("--criterion"), QStringLiteral("sideways")},
          QStringList{QStringLiteral("--criterion"), QStringLiteral("unordered"),
                      QStringLiteral("--outgroup"), QStringLiteral("Nobody")}}) {
        const TRun refused = Batch(QStringList{QStringLiteral("exact"), data} + bad);
        EXPECT_NE(refused.Exit, 0) << bad.join(' ').toStdString();
        EXPECT_TRUE(refused.Out.isEmpty());
        EXPECT_FALSE(refused.Err.isEmpty());
    }
}
