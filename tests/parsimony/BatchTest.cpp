// varno-batch parsimony and score, run as a user runs them.
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

const QString Beetles = QStringLiteral(VARNO_SOURCE_DIR "/tests/parsimony/data/beetles.txt");

// A data file of random state trees in pointer notation.
QString RandomDataFile(const QString& dir, int objects, int characters)
{
    std::mt19937_64 rng(99);
    QString text = QStringLiteral("Name");
    for (int c = 1; c <= characters; ++c) text += QStringLiteral("\tC%1").arg(c);
    text += QStringLiteral("\r\n");
    std::vector<std::vector<QString>> cells(static_cast<size_t>(characters));
    for (int o = 1; o <= objects; ++o) {
        text += QStringLiteral("Taxon%1").arg(o);
        for (int c = 0; c < characters; ++c) {
            // States S0..S5, S(k) derived from S(k/2).
            int k = std::uniform_int_distribution<int>(0, 5)(rng);
            QString cell = QStringLiteral("S%1").arg(k);
            QString tail;
            while (k > 0) {
                k /= 2;
                cell += QStringLiteral("[S%1").arg(k);
                tail += QLatin1Char(']');
            }
            text += QLatin1Char('\t') + cell + tail;
        }
        text += QStringLiteral("\r\n");
    }
    const QString path = dir + QStringLiteral("/random.txt");
    WriteText(path, text);
    return path;
}
}  // namespace

TEST(Batch, ParsimonyReportsTheProtocolAndRepeatsWithASeed)
{
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("t.txt")),
                  protocol = dir.filePath(QStringLiteral("p.txt"));
    const TRun a =
        Batch({QStringLiteral("parsimony"), Beetles, QStringLiteral("--seed"), QStringLiteral("1"),
               QStringLiteral("--table"), table, QStringLiteral("--protocol"), protocol});
    ASSERT_EQ(a.Exit, 0) << a.Err.toStdString();
    const TRun b = Batch(
        {QStringLiteral("parsimony"), Beetles, QStringLiteral("--seed"), QStringLiteral("1")});
    EXPECT_EQ(a.Out, b.Out);
    QStringList lines = a.Out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.takeLast(), QString());
    EXPECT_EQ(lines.takeLast(), QStringLiteral("Seed = 1"));
    EXPECT_TRUE(lines.takeLast().startsWith(QStringLiteral("Optimum = Minimum = ")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Character Type = \"Matroschka\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Character type modulation successful")));
    EXPECT_TRUE(lines.contains(QStringLiteral("10 trees are created")));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("1000 generations of branch swapping are calculated for each tree")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Missing data (\"?\") are expected")));
    // The protocol file holds the same lines, CR LF ended, without the result lines.
    EXPECT_EQ(ReadText(protocol), lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    const QStringList rows = ReadText(table).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 11);
    EXPECT_EQ(rows[0], QStringLiteral("a: change tip to tip; b: change tip to node c: change node "
                                      "to node\tadd - fit\tswap - fit"));
}

TEST(Batch, SeedsChangeThePopulationAndScoreAgreesWithTheSearch)
{
    QTemporaryDir dir;
    const QString data = RandomDataFile(dir.path(), 30, 25);
    auto run = [&](const char* seed, const QString& newick, const QString& table) {
        const TRun r = Batch({QStringLiteral("parsimony"), data, QStringLiteral("--seed"),
                              QString::fromLatin1(seed), QStringLiteral("--trees"),
                              QStringLiteral("6"), QStringLiteral("--generations"),
                              QStringLiteral("200"), QStringLiteral("--newick"), newick,
                              QStringLiteral("--table"), table, QStringLiteral("--no-missing")});
        EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
        EXPECT_TRUE(r.Out.contains(QStringLiteral("no missing data (\"?\") are expected")));
        return ReadText(newick);
    };
    const QString n1 = dir.filePath(QStringLiteral("1.nwk")),
                  n2 = dir.filePath(QStringLiteral("2.nwk"));
    const QString t1 = dir.filePath(QStringLiteral("1.txt")),
                  t2 = dir.filePath(QStringLiteral("2.txt"));
    EXPECT_NE(run("1", n1, t1), run("2", n2, t2));
    EXPECT_EQ(ReadText(n1).count(QLatin1Char(';')), 6);

    // Each tree's length as scored from its Newick text is the list's length.
    const TRun score = Batch({QStringLiteral("score"), data, n1, QStringLiteral("--no-missing")});
    ASSERT_EQ(score.Exit, 0) << score.Err.toStdString();
    const QStringList lengths = score.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList rows = ReadText(t1).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lengths.size(), 6);
    for (int k = 1; k <= 6; ++k) {
        const QStringList cells = rows[k].split(QLatin1Char('\t'));
        EXPECT_EQ(lengths[k - 1], cells[2].isEmpty() ? cells[1] : cells[2]) << k;
    }
}

// A seed gives the same trees on every machine and in every later version:
// the whole output, the list and the trees are compared byte for byte.
TEST(Batch, SeededRunsMatchTheGoldenFiles)
{
    QTemporaryDir dir;
    const QString golden = QStringLiteral(VARNO_SOURCE_DIR "/tests/golden/parsimony/");
    const QString example = QStringLiteral(VARNO_SOURCE_DIR "/examples/Beetles.txt");
    auto expectSame = [&](const QString& actual, const QString& goldenName) {
        QFile f(golden + goldenName);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << goldenName.toStdString();
        const QByteArray expected = f.readAll();
        EXPECT_EQ(actual.toUtf8(), expected) << goldenName.toStdString();
    };
    const QString table = dir.filePath(QStringLiteral("t.txt")),
                  newick = dir.filePath(QStringLiteral("n.nwk"));
    const TRun run =
        Batch({QStringLiteral("parsimony"), example, QStringLiteral("--seed"), QStringLiteral("1"),
               QStringLiteral("--table"), table, QStringLiteral("--newick"), newick});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    expectSame(run.Out, QStringLiteral("Beetles-seed1-out.txt"));
    expectSame(ReadText(table), QStringLiteral("Beetles-seed1-table.txt"));
    expectSame(ReadText(newick), QStringLiteral("Beetles-seed1.nwk"));
    const TRun plain =
        Batch({QStringLiteral("parsimony"), example, QStringLiteral("--seed"), QStringLiteral("7"),
               QStringLiteral("--trees"), QStringLiteral("5"), QStringLiteral("--generations"),
               QStringLiteral("200"), QStringLiteral("--no-missing")});
    expectSame(plain.Out, QStringLiteral("Beetles-seed7-plain-out.txt"));
    const TRun score =
        Batch({QStringLiteral("score"), example, golden + QStringLiteral("Beetles-seed1.nwk")});
    expectSame(score.Out, QStringLiteral("Beetles-seed1-score.txt"));
}

TEST(Batch, BadArgumentsAndBadFilesAreRefused)
{
    QTemporaryDir dir;
    const QString two = dir.filePath(QStringLiteral("two.txt"));
    WriteText(two, QStringLiteral("N\tC\r\nA\tx\r\nB\ty[x]\r\n"));
    TRun r = Batch({QStringLiteral("parsimony"), two});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("at least 3 objects"))) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.isEmpty());
    EXPECT_EQ(Batch({QStringLiteral("parsimony"), Beetles, QStringLiteral("--trees"),
                     QStringLiteral("0")})
                  .Exit,
              2);
    EXPECT_EQ(Batch({QStringLiteral("parsimony"), Beetles, QStringLiteral("--trees"),
                     QStringLiteral("ten")})
                  .Exit,
              2);
    EXPECT_EQ(Batch({QStringLiteral("parsimony"), Beetles, QStringLiteral("--generations"),
                     QStringLiteral("-1")})
                  .Exit,
              2);
    EXPECT_EQ(Batch({QStringLiteral("parsimony"), dir.filePath(QStringLiteral("none.txt"))}).Exit,
              1);

    const QString bad = dir.filePath(QStringLiteral("bad.nwk"));
    WriteText(bad, QStringLiteral("((Alpha,Beta),Gamma"));
    r = Batch({QStringLiteral("score"), Beetles, bad});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("line 1"))) << r.Err.toStdString();
    WriteText(bad, QStringLiteral("((Alpha,Beta),Gamma);"));
    r = Batch({QStringLiteral("score"), Beetles, bad});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Tree 1: The tree lacks the object")))
        << r.Err.toStdString();
}

// score under a NEXUS file's types, hand-worked: unordered 3 + 1, ordered 4,
// the state tree ((0,1)2)3 reversibly 3 on both trees; every criterion
// chosen for all, the outgroup and the refusals.
TEST(Batch, ScoreUnderTheCriteria)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("mixed.nex"));
    WriteText(data, QStringLiteral("#NEXUS\nbegin data; dimensions ntax=5 nchar=4; "
                                   "format symbols=\"0123\";\nmatrix\nA 0000\nB 1(01)11\n"
                                   "C 2122\nD 2{12}23\nE 0?03\n;\nend;\nbegin assumptions;\n"
                                   "usertype tr (cstree) = ((0,1)2)3;\n"
                                   "typeset * t = unord: 1 2, ord: 3, tr: 4;\nend;\n"));
    const QString trees = dir.filePath(QStringLiteral("t.nwk"));
    WriteText(trees, QStringLiteral("((A,B),(C,(D,E)));\n(A,(B,(C,(D,E))));\n"));
    const QString bush = dir.filePath(QStringLiteral("bush.nwk"));
    WriteText(bush, QStringLiteral("(A,B,C,D,E);\n"));
    const QString text = dir.filePath(QStringLiteral("mixed.txt"));
    WriteText(text, QStringLiteral("Taxon\tc1\nA\tx\nB\tx\nC\ty[x]\nD\ty\nE\ty\n"));

    TBatchRun r = RunBatch({"score", data, trees});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out, "11\n11\n");
    const QString err = QString::fromUtf8(r.Err);
    for (const char* line :
         {" 1 character state tree, reversible: character 4",
          " 1 character ordered (Wagner): "
          "character 3",
          " 2 characters unordered (Fitch): characters 1-2",
          " Under the reversible criteria the length does not depend on the root.",
          " 2 polymorphic or uncertain cells read as sets of states (uncertainty: the set's "
          "cheapest state counts, as TNT and PAUP* read them)."})
        EXPECT_TRUE(err.contains(QString::fromUtf8(line))) << line << "\n" << err.toStdString();
    const std::vector<std::pair<const char*, QByteArray>> chosen = {{"unordered", "10\n10\n"},
                                                                    {"reversible", "11\n11\n"}};
    for (const auto& [criterion, lengths] : chosen) {
        r = RunBatch({"score", data, trees, "--criterion", criterion});
        EXPECT_EQ(r.Out, lengths) << criterion << r.Err.toStdString();
        for (const char* outgroup : {"C", "E"})
            EXPECT_EQ(
                RunBatch({"score", data, trees, "--criterion", criterion, "--outgroup", outgroup})
                    .Out,
                lengths)
                << criterion << " rooted at " << outgroup;
    }
    // charfit: steps under each criterion, compatible at the fewest steps on any tree.
    r = RunBatch({"charfit", data, trees});
    EXPECT_EQ(r.Out,
              "Characters\tNo of states\tEvolutionary steps\tCompatibility\tHomoplasy\r\n"
              "Character 1\t3\t3\tno\tyes\r\nCharacter 2\t2 + ?\t1\tyes\tno\r\n"
              "Character 3\t3\t4\tno\tyes\r\nCharacter 4\t4\t3\tyes\tno\r\n")
        << r.Err.toStdString();
    // stats: m, s and g under each criterion (g on a bush from its cheapest state).
    r = RunBatch({"stats", data, trees});
    EXPECT_EQ(r.Out,
              "Character\tm\ts\tg\tCI\tRI\tRC\tHI\r\n"
              "Character 1\t2\t3\t3\t0.6667\t0\t0\t0.3333\r\n"
              "Character 2\t1\t1\t1\t1\t\u2014\t\u2014\t0\r\n"
              "Character 3\t2\t4\t4\t0.5\t0\t0\t0.5\r\n"
              "Character 4\t3\t3\t4\t1\t1\t1\t0\r\n"
              "Tree\t8\t11\t12\t0.7273\t0.25\t0.1818\t0.2727\r\n")
        << r.Err.toStdString();
    // Camin-Sokal on the stars, as before the criteria: no criteria lines.
    r = RunBatch({"score", data, trees, "--criterion", "irreversible"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Err, QByteArray());
    // A text file is irreversible unless chosen; the root matters there.
    EXPECT_EQ(RunBatch({"score", text, trees}).Out, "1\n1\n");
    EXPECT_EQ(RunBatch({"score", text, trees, "--outgroup", "C"}).Out, "2\n2\n");
    EXPECT_EQ(RunBatch({"score", text, trees, "--criterion", "unordered", "--outgroup", "C"}).Out,
              "1\n1\n");
    // Worked by hand on ((A,B),(C,D)): "a&b" is {a, b} under unordered (1
    // step), one state "a&b" of its own under Camin-Sokal (a, b and a&b each
    // arise once: 3); two gaps cost nothing as missing data and one step as
    // a state.
    const QString four = dir.filePath(QStringLiteral("four.nwk"));
    WriteText(four, QStringLiteral("((A,B),(C,D));\n"));
    const QString sets = dir.filePath(QStringLiteral("sets.txt"));
    WriteText(sets, QStringLiteral("Taxon\tc1\nA\ta\nB\ta\nC\tb\nD\ta&b\n"));
    r = RunBatch({"score", sets, four, "--criterion", "unordered"});
    EXPECT_EQ(r.Out, "1\n");
    EXPECT_TRUE(r.Err.contains("1 of them name their states joined by \"&\"")) << r.Err.data();
    EXPECT_EQ(RunBatch({"score", sets, four}).Out, "3\n");
    // So the character has two states under unordered, three under Camin-Sokal.
    EXPECT_TRUE(RunBatch({"charfit", sets, four, "--criterion", "unordered"})
                    .Out.contains("c1\t2\t1\tyes\tno"));
    EXPECT_TRUE(RunBatch({"charfit", sets, four}).Out.contains("c1\t3\t3\tno\tyes"));
    const QString gaps = dir.filePath(QStringLiteral("gaps.nex"));
    WriteText(gaps, QStringLiteral("#NEXUS\nbegin data; dimensions ntax=4 nchar=1; format "
                                   "symbols=\"01\" gap=-;\nmatrix\nA 0\nB 0\nC -\nD -\n;\nend;\n"));
    EXPECT_EQ(RunBatch({"score", gaps, four}).Out, "0\n");
    r = RunBatch({"score", gaps, four, "--gap", "state"});
    EXPECT_EQ(r.Out, "1\n");
    EXPECT_TRUE(r.Err.contains(" 2 gap cells of unordered characters scored as one more state"))
        << r.Err.data();
    EXPECT_EQ(RunBatch({"changes", gaps, four, "--gap", "state"}).Out.count('\n'), 2);
    EXPECT_EQ(RunBatch({"score", gaps, four, "--gap", "state", "--criterion", "ordered"}).Out,
              "0\n");
    for (const auto& [reading, optimum] : {std::pair{"missing", "0"}, std::pair{"state", "1"}}) {
        EXPECT_TRUE(RunBatch({"search", gaps, "--gap", reading, "--replicates", "1"})
                        .Out.contains(QByteArray("Optimum = Minimum = ") + optimum))
            << reading;
        EXPECT_TRUE(RunBatch({"exact", gaps, "--gap", reading})
                        .Out.contains(QByteArray("Optimum = Minimum = ") + optimum))
            << reading;
    }
    // Support reads the gaps as the searches do.
    for (const char* reading : {"missing", "state"})
        EXPECT_EQ(RunBatch({"support", gaps, "--method", "bootstrap", "--replicates", "2", "--gap",
                            reading})
                      .Err.contains("gap cells of unordered characters scored as one more state"),
                  QByteArray(reading) == "state")
            << reading;
    const QString protocol = dir.filePath(QStringLiteral("p.txt"));
    r = RunBatch({"score", text, trees, "--protocol", protocol});
    EXPECT_EQ(r.Out, "1\n1\n");
    EXPECT_EQ(ReadText(protocol), QStringLiteral("Criteria:\r\n 1 character irreversible: "
                                                 "character 1\r\n"));

    const std::vector<std::tuple<QStringList, int, const char*>> refused = {
        {{"score", data, trees, "--criterion", "fitch"},
         2,
         "Unknown criterion \"fitch\": use irreversible, reversible, ordered or unordered.\n"},
        {{"score", data, trees, "--outgroup", "Z"},
         1,
         "Unknown outgroup \"Z\": it is none of the data's 5 objects (names as in the file's "
         "first column, letter case counting).\n"},
        {{"score", data, trees, "--criterion", "ordered"},
         1,
         "Character 1: its states are not in a line (state 0 has 2 states right below it), so it "
         "cannot be scored ordered; the reversible criterion reads a branching state tree.\n"},
        {{"score", data, bush},
         1,
         "Tree 1 is not binary: the reversible criteria score binary trees only; resolve its "
         "polytomies, or score it with --criterion irreversible.\n"},
    };
    for (const auto& [args, exit, message] : refused) {
        r = RunBatch(args);
        EXPECT_EQ(r.Exit, exit) << args.join(' ').toStdString();
        EXPECT_TRUE(r.Err.endsWith(message)) << r.Err.toStdString();
        EXPECT_TRUE(r.Out.isEmpty());
    }
}
