// Our exports and lengths checked by other programs: PHYLIP's mix counts
// Camin-Sokal lengths on our PHYLIP export and trees, and with pars and R's
// phangorn the reversible lengths of random matrices; Biopython and DendroPy
// read our NEXUS matrix, NEXUS trees and Newick; and we read what they write.
// Each part skips, saying why, where its program is not installed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <iostream>
#include <random>

#include "data/DataFile.h"
#include "data/MatrixExport.h"
#include "data/NexusReader.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/treefiles/NexusTrees.h"
#include "tests/parsimony/TreeTestSupport.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {
const QString Python = QStringLiteral("/usr/bin/python3");
const QString Mix = QStringLiteral("/usr/lib/phylip/bin/mix");
const QString Pars = QStringLiteral("/usr/lib/phylip/bin/pars");
const QString PeerScript = QStringLiteral(VARNO_SOURCE_DIR "/tests/parsimony/peers/peer_io.py");

struct TRun {
    TMatrixData Data;
    TSField Field;
    std::vector<TTree> Trees;
};

// The trees of a short seeded search on an example.
TRun Search(const QString& example, int trees)
{
    TRun run;
    const TReadResult read =
        ReadDataFile(example.contains(QLatin1Char('/'))
                         ? example
                         : QStringLiteral(VARNO_SOURCE_DIR "/examples/") + example);
    EXPECT_TRUE(read.Ok()) << read.Error().toStdString();
    run.Data = read->Data;
    run.Field = BuildPathSets(run.Data.DataMatrix, run.Data.ObjectCount, run.Data.CharacterCount);
    TSearchSettings settings;
    settings.TreeCount = trees;
    settings.Generations = 30;
    settings.Seed = 11;
    TParsimonySearch search(run.Field, run.Data.ObjectCount, run.Data.CharacterCount, settings);
    EXPECT_EQ(search.Run(), TSearchStatus::Finished);
    for (int k = 1; k <= search.TreeCount(); ++k) run.Trees.push_back(search.Tree(k));
    return run;
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A tree in the peers' canonical form: children sorted, "name:length".
QString Canonical(const TTree& tree, const std::vector<QString>& names, int node, bool isTip)
{
    auto length = [](double fit) { return QString::asprintf(":%.6g", fit); };
    if (isTip) {
        const TTip& tip = tree.Tips[static_cast<size_t>(node)];
        return names[static_cast<size_t>(tip.Objects[0])] + length(tip.Fit);
    }
    QStringList kids;
    for (int i = 1; i <= tree.TipCount(); ++i)
        if (tree.Tips[static_cast<size_t>(i)].Anc == node) kids << Canonical(tree, names, i, true);
    for (int j = 1; j <= tree.NodeCount(); ++j)
        if (tree.Nodes[static_cast<size_t>(j)].Anc == node && j != tree.Root())
            kids << Canonical(tree, names, j, false);
    std::sort(kids.begin(), kids.end());
    return QLatin1Char('(') + kids.join(QLatin1Char(',')) + QLatin1Char(')') +
           (node == tree.Root() ? QString() : length(tree.Nodes[static_cast<size_t>(node)].Fit));
}

// Runs the peer script; skipped (empty object, *why set) when the library is absent.
QJsonObject Peer(const QStringList& args, QString* why)
{
    if (!QFileInfo::exists(Python)) {
        *why = Python + QStringLiteral(" is not installed");
        return {};
    }
    QProcess p;
    p.start(Python, QStringList{PeerScript} + args);
    p.waitForFinished(120000);
    if (p.exitCode() == 3) {
        *why = args.value(1) + QStringLiteral(" is not installed for ") + Python;
        return {};
    }
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
}  // namespace

TEST(PeerPrograms, MixCountsOurLengthsOnOurPhylipExport)
{
    if (!QFileInfo(Mix).isExecutable())
        GTEST_SKIP() << "PHYLIP's mix is not installed (apt-get install phylip)";
    // Also a matrix whose derived states are shared by every object: mix
    // counts a step for each, from the ancestral 0; our length does not.
    QTemporaryDir shared;
    const QString sharedPath = shared.filePath(QStringLiteral("shared.txt"));
    ASSERT_TRUE(Write(sharedPath,
                      "Taxon\tc1\tc2\tc3\n"
                      "a\tB[A]\tQ[P]\tx\n"
                      "b\tC[B]\tR[Q]\ty[x]\n"
                      "c\tB\tQ\ty\n"
                      "d\tD[B]\tR\tz[x]\n"
                      "e\tC\t?\tx\n"));
    for (const QString& example :
         {QStringLiteral("weevils.txt"), QStringLiteral("Beetles.txt"),
          QStringLiteral("flowers_missing.txt"), QStringLiteral("state-trees.txt"), sharedPath}) {
        const TRun run = Search(example, 6);
        const TResult<TMatrixExport> phylip = ExportMatrix(run.Data, TExportFormat::Phylip);
        ASSERT_TRUE(phylip.Ok()) << phylip.Error().toStdString();
        if (example == sharedPath) {
            EXPECT_EQ(phylip->BinaryAllOnes, 2);
        }
        QTemporaryDir dir;
        std::vector<QString> phylipNames(phylip->Names.begin(), phylip->Names.end());
        QStringList trees;
        // PHYLIP's names hold no blanks or quotes, and mix reads no quotes.
        for (const TTree& t : run.Trees)
            trees << WriteNewick(t, phylipNames).remove(QLatin1Char('\''));
        ASSERT_TRUE(Write(dir.filePath(QStringLiteral("infile")), phylip->Text));
        ASSERT_TRUE(Write(dir.filePath(QStringLiteral("ancestors")), phylip->Ancestors));
        ASSERT_TRUE(Write(dir.filePath(QStringLiteral("intree")),
                          trees.join(QLatin1Char('\n')).toLatin1() + '\n'));
        QProcess mix;
        mix.setWorkingDirectory(dir.path());
        mix.start(Mix, {});
        // User trees, Camin-Sokal, ancestral states from the file; accept; a
        // seed for the test mix runs between more than two trees.
        mix.write("U\nP\nA\nY\n7\n");
        mix.closeWriteChannel();
        ASSERT_TRUE(mix.waitForFinished(60000));
        QFile out(dir.filePath(QStringLiteral("outfile")));
        ASSERT_TRUE(out.open(QIODevice::ReadOnly))
            << "mix wrote no outfile: " << mix.readAllStandardOutput().toStdString();
        const QString text = QString::fromLatin1(out.readAll());
        ASSERT_TRUE(text.contains(QStringLiteral("Camin-Sokal"))) << text.toStdString();
        std::vector<double> lengths;
        const QRegularExpression total(QStringLiteral("requires a total of\\s+([0-9.]+)"));
        for (auto it = total.globalMatch(text); it.hasNext();)
            lengths.push_back(it.next().captured(1).toDouble());
        ASSERT_EQ(lengths.size(), run.Trees.size())
            << text.toStdString() << mix.readAllStandardOutput().toStdString()
            << trees.join('\n').toStdString();
        for (size_t k = 0; k < lengths.size(); ++k) {
            TTree tree = run.Trees[k];
            EvaluateTree(tree, run.Field, true);
            EXPECT_EQ(lengths[k], tree.Fitness + phylip->BinaryAllOnes)
                << example.toStdString() << " tree " << k + 1 << ": "
                << trees[static_cast<qsizetype>(k)].toStdString();
        }
    }
}

// Topology only, as PHYLIP's user trees take it: "((t1,t2),t3);".
QString Topology(const TTreeLinks& links, int v)
{
    if (v < links.Tips) return QStringLiteral("t%1").arg(links.TipObject[static_cast<size_t>(v)]);
    const auto& c = links.Child[static_cast<size_t>(v)];
    return QLatin1Char('(') + Topology(links, c[0]) + QLatin1Char(',') + Topology(links, c[1]) +
           QLatin1Char(')');
}

// A random matrix in nested pointer notation: every cell the path of its
// state to the root of its character's random state tree (a chain in every
// second matrix), "?" in about one cell of ten; 2 to 8 states. Symbols[o]
// holds the row as single state digits for the multistate peers.
struct TRandomMatrix {
    TMatrixData Data;
    std::vector<QByteArray> Symbols;
    bool Chains = false;
};

TRandomMatrix RandomMatrix(std::mt19937_64& rng, int matrix)
{
    auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    TRandomMatrix m;
    m.Chains = matrix % 2 == 1;
    const int objects = between(4, 24), characters = between(1, 30);
    TMatrixData& data = m.Data;
    data.ObjectCount = objects;
    data.CharacterCount = characters;
    data.DataMatrix.assign(static_cast<size_t>(characters) + 1,
                           TPart(static_cast<size_t>(objects) + 1));
    m.Symbols.assign(static_cast<size_t>(objects) + 1, QByteArray());
    for (int o = 1; o <= objects; ++o)
        data.DataMatrix[0][static_cast<size_t>(o)] = QStringLiteral("t%1").arg(o);
    for (int c = 1; c <= characters; ++c) {
        const int states = 2 + (c * 5 + matrix) % 7;
        std::vector<int> parent{-1};
        for (int s = 1; s < states; ++s) parent.push_back(m.Chains ? s - 1 : between(0, s - 1));
        for (int o = 1; o <= objects; ++o) {
            QString cell = QStringLiteral("?");
            if (between(0, 9) != 0) {
                int s = between(0, states - 1);
                cell = QString::number(s);
                QString closing;
                for (s = parent[static_cast<size_t>(s)]; s >= 0;
                     s = parent[static_cast<size_t>(s)]) {
                    cell += QLatin1Char('[') + QString::number(s);
                    closing += QLatin1Char(']');
                }
                cell += closing;
            }
            data.DataMatrix[static_cast<size_t>(c)][static_cast<size_t>(o)] = cell;
            m.Symbols[static_cast<size_t>(o)] += cell.at(0).toLatin1();
        }
    }
    return m;
}

// Lengths a PHYLIP program writes in its outfile, one per user tree.
std::vector<double> PhylipLengths(const QString& program, const QString& dir,
                                  const QByteArray& infile, const QByteArray& intree)
{
    std::vector<double> lengths;
    QFile::remove(dir + QStringLiteral("/outfile"));
    QFile::remove(dir + QStringLiteral("/outtree"));
    if (!Write(dir + QStringLiteral("/infile"), infile) ||
        !Write(dir + QStringLiteral("/intree"), intree))
        return lengths;
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, {});
    // User trees (Wagner and unordered are the defaults); accept; a seed for
    // the tests they run between trees.
    p.write("U\nY\n7\n");
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) return lengths;
    QFile out(dir + QStringLiteral("/outfile"));
    if (!out.open(QIODevice::ReadOnly)) return lengths;
    const QString text = QString::fromLatin1(out.readAll());
    const QRegularExpression total(QStringLiteral("requires a total of\\s+([0-9.]+)"));
    for (auto it = total.globalMatch(text); it.hasNext();)
        lengths.push_back(it.next().captured(1).toDouble());
    return lengths;
}

// The peers' reversible lengths are ours on random matrices with "?" and
// random trees: pars (unordered, multistate) and phangorn's Fitch on the
// state symbols; mix in Wagner mode on our PHYLIP export, whose additive
// binary coding makes a chain ordered and a state tree reversible.
TEST(PeerPrograms, PeersCountOurReversibleLengths)
{
    const QString rscript = QStringLiteral("/usr/bin/Rscript");
    const bool havePars = QFileInfo(Pars).isExecutable(), haveMix = QFileInfo(Mix).isExecutable();
    bool haveR = QFileInfo(rscript).isExecutable();
    if (!havePars && !haveMix && !haveR)
        GTEST_SKIP() << "PHYLIP (apt-get install phylip) and R's phangorn "
                        "(apt-get install r-cran-phangorn) are not installed";
    std::mt19937_64 rng(20261209);
    QTemporaryDir dir;
    struct TCount {
        int Agreed = 0, Compared = 0;
    } pars, mix, phangorn;
    // Our unordered lengths per matrix and tree, for phangorn's one run at the end.
    std::vector<std::vector<double>> unordered;
    const int matrices = 16, treesPerMatrix = 5;
    for (int matrix = 0; matrix < matrices; ++matrix) {
        TRandomMatrix m = RandomMatrix(rng, matrix);
        const TMatrixData& data = m.Data;
        const int objects = data.ObjectCount, characters = data.CharacterCount;
        std::vector<TTree> trees;
        QByteArray intree;
        for (int k = 0; k < treesPerMatrix; ++k) {
            trees.push_back(RandomTree(rng, objects));
            intree +=
                Topology(LinksOf(trees.back()), LinksOf(trees.back()).Root).toLatin1() + ";\n";
        }
        const QString context =
            QStringLiteral("matrix %1 (%2 objects, %3 characters, %4)\n")
                .arg(matrix)
                .arg(objects)
                .arg(characters)
                .arg(m.Chains ? QStringLiteral("chains") : QStringLiteral("state trees"));

        const TResult<TCriteriaCoding> fitch = CodeCriteria(data, TCriterion::Unordered);
        ASSERT_TRUE(fitch.Ok()) << fitch.Error().toStdString();
        TCriteriaScorer fitchScorer(*fitch);
        unordered.emplace_back();
        for (TTree& t : trees) unordered.back().push_back(fitchScorer.Length(t, true));

        QByteArray symbols =
            QByteArray::number(objects) + ' ' + QByteArray::number(characters) + '\n';
        for (int o = 1; o <= objects; ++o)
            symbols += QStringLiteral("t%1").arg(o).leftJustified(10).toLatin1() +
                       m.Symbols[static_cast<size_t>(o)] + '\n';
        ASSERT_TRUE(Write(dir.filePath(QStringLiteral("m%1.txt").arg(matrix)), symbols));
        ASSERT_TRUE(Write(dir.filePath(QStringLiteral("m%1.nwk").arg(matrix)), intree));
        if (havePars) {
            const std::vector<double> lengths = PhylipLengths(Pars, dir.path(), symbols, intree);
            ASSERT_EQ(lengths.size(), trees.size()) << context.toStdString() << symbols.data();
            for (size_t k = 0; k < trees.size(); ++k) {
                ++pars.Compared;
                pars.Agreed += unordered.back()[k] == lengths[k];
                EXPECT_EQ(unordered.back()[k], lengths[k])
                    << "pars, " << context.toStdString() << "tree " << k + 1 << "\n"
                    << symbols.toStdString() << intree.toStdString();
            }
        }

        const TCriterion criterion =
            m.Chains ? TCriterion::Ordered : TCriterion::StateTreeReversible;
        const TResult<TCriteriaCoding> additive = CodeCriteria(data, criterion);
        ASSERT_TRUE(additive.Ok()) << additive.Error().toStdString();
        if (haveMix) {
            const TResult<TMatrixExport> phylip = ExportMatrix(data, TExportFormat::Phylip);
            ASSERT_TRUE(phylip.Ok()) << phylip.Error().toStdString();
            const std::vector<double> lengths =
                PhylipLengths(Mix, dir.path(), phylip->Text, intree);
            ASSERT_EQ(lengths.size(), trees.size()) << context.toStdString() << phylip->Text.data();
            TCriteriaScorer scorer(*additive);
            for (size_t k = 0; k < trees.size(); ++k) {
                ++mix.Compared;
                const double ours = scorer.Length(trees[k], true);
                mix.Agreed += ours == lengths[k];
                EXPECT_EQ(ours, lengths[k])
                    << "mix, " << CriterionName(criterion).toStdString() << ", "
                    << context.toStdString() << "tree " << k + 1 << "\n"
                    << phylip->Text.toStdString() << intree.toStdString();
            }
        }
    }

    QString rSkipped;
    if (haveR) {
        // One R run for every matrix: "matrix length length ..." per line.
        const QString script =
            QStringLiteral(
                "if (!suppressMessages(requireNamespace('phangorn', quietly = TRUE))) quit(status "
                "= 3);"
                "suppressMessages(library(phangorn));"
                "for (k in 0:%1) {"
                " lines <- readLines(file.path('%2', paste0('m', k, '.txt')))[-1];"
                " rows <- strsplit(substring(lines, 11), '');"
                " m <- do.call(rbind, rows); rownames(m) <- trimws(substr(lines, 1, 10));"
                " d <- phyDat(m, type = 'USER', levels = as.character(0:7), ambiguity = '?');"
                " trees <- read.tree(file.path('%2', paste0('m', k, '.nwk')));"
                " cat(k, parsimony(trees, d, method = 'fitch'), '\\n') }")
                .arg(matrices - 1)
                .arg(dir.path());
        QProcess r;
        r.start(rscript, {QStringLiteral("-e"), script});
        ASSERT_TRUE(r.waitForFinished(300000));
        if (r.exitCode() == 3) {
            rSkipped =
                QStringLiteral("R's phangorn is not installed (apt-get install r-cran-phangorn)");
        } else {
            ASSERT_EQ(r.exitCode(), 0) << r.readAllStandardError().toStdString();
            const QStringList lines = QString::fromUtf8(r.readAllStandardOutput())
                                          .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            ASSERT_EQ(lines.size(), matrices);
            for (const QString& line : lines) {
                const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                ASSERT_EQ(words.size(), treesPerMatrix + 1) << line.toStdString();
                const int matrix = words[0].toInt();
                for (int k = 0; k < treesPerMatrix; ++k) {
                    ++phangorn.Compared;
                    const double theirs = words[k + 1].toDouble(),
                                 ours =
                                     unordered[static_cast<size_t>(matrix)][static_cast<size_t>(k)];
                    phangorn.Agreed += ours == theirs;
                    EXPECT_EQ(ours, theirs) << "phangorn, matrix " << matrix << " tree " << k + 1;
                }
            }
        }
    } else {
        rSkipped = QStringLiteral("R is not installed (apt-get install r-cran-phangorn)");
    }
    auto report = [](const char* peer, const char* criterion, const TCount& n) {
        std::cout << peer << " and we agree on " << n.Agreed << " of " << n.Compared << " "
                  << criterion << " lengths\n";
    };
    if (havePars) report("pars", "unordered", pars);
    if (haveMix) report("mix (Wagner)", "ordered and state-tree reversible", mix);
    if (rSkipped.isEmpty()) report("phangorn", "unordered", phangorn);
    if (!havePars)
        std::cout << "Skipped: PHYLIP's pars is not installed (apt-get install phylip)\n";
    if (!haveMix) std::cout << "Skipped: PHYLIP's mix is not installed (apt-get install phylip)\n";
    if (!rSkipped.isEmpty()) std::cout << "Skipped: " << rSkipped.toStdString() << "\n";
}

TEST(PeerPrograms, BiopythonAndDendropyReadOurFiles)
{
    const TRun run = Search(QStringLiteral("weevils.txt"), 4);
    const TResult<TMatrixExport> nexus = ExportMatrix(run.Data, TExportFormat::Nexus);
    ASSERT_TRUE(nexus.Ok()) << nexus.Error().toStdString();
    QTemporaryDir dir;
    std::vector<const TTree*> pointers;
    QStringList newick, expected;
    for (const TTree& t : run.Trees) {
        pointers.push_back(&t);
        newick << WriteNewick(t, run.Field.Names);
        expected << Canonical(t, run.Field.Names, t.Root(), false);
    }
    const QString matrix = dir.filePath(QStringLiteral("m.nex")),
                  nex = dir.filePath(QStringLiteral("t.nex")),
                  nwk = dir.filePath(QStringLiteral("t.nwk"));
    ASSERT_TRUE(Write(matrix, nexus->Text));
    ASSERT_TRUE(Write(nex, WriteNexusTrees(pointers, run.Field.Names).toUtf8()));
    ASSERT_TRUE(Write(nwk, EncodeTextLines(newick)));

    QStringList skipped;
    for (const QString& tool : {QStringLiteral("biopython"), QStringLiteral("dendropy")}) {
        QString why;
        const QJsonObject got = Peer({QStringLiteral("read"), tool, matrix, nex, nwk}, &why);
        if (!why.isEmpty()) {
            skipped << why;
            continue;
        }
        QStringList taxa;
        for (const QJsonValue& v : got[QStringLiteral("taxa")].toArray()) taxa << v.toString();
        EXPECT_EQ(taxa, QStringList(run.Field.Names.begin(), run.Field.Names.end()))
            << tool.toStdString();
        // The matrix: every cell the symbol of its state ("?" where missing).
        const QJsonObject rows = got[QStringLiteral("rows")].toObject();
        const TReadResult ours = ReadNexusMatrixText(QString::fromUtf8(nexus->Text));
        ASSERT_TRUE(ours.Ok());
        for (int o = 1; o <= run.Data.ObjectCount; ++o) {
            const QString row = rows[run.Field.Names[o]].toString();
            ASSERT_EQ(row.size(), run.Data.CharacterCount) << tool.toStdString();
        }
        for (const char* key : {"nexus_trees", "newick_trees"}) {
            QStringList trees;
            for (const QJsonValue& v : got[QLatin1String(key)].toArray()) trees << v.toString();
            EXPECT_EQ(trees, expected) << tool.toStdString() << " " << key;
        }
    }
    if (skipped.size() == 2) GTEST_SKIP() << skipped.join(QStringLiteral("; ")).toStdString();
}

TEST(PeerPrograms, WeReadWhatBiopythonAndDendropyWrite)
{
    const TRun run = Search(QStringLiteral("weevils.txt"), 3);
    const TResult<TMatrixExport> nexus = ExportMatrix(run.Data, TExportFormat::Nexus);
    ASSERT_TRUE(nexus.Ok());
    // The peers get symbol rows; we check that every cell's state is its symbol.
    const TReadResult symbols = ReadNexusMatrixText(QString::fromUtf8(nexus->Text));
    ASSERT_TRUE(symbols.Ok());
    QJsonObject rows;
    QJsonArray taxa, trees;
    QStringList expected;
    const QString text = QString::fromUtf8(nexus->Text);
    const qsizetype matrixAt = text.indexOf(QStringLiteral("MATRIX"));
    const QStringList matrixLines =
        text.mid(matrixAt).split(QStringLiteral("\r\n")).mid(1, run.Data.ObjectCount);
    for (int o = 1; o <= run.Data.ObjectCount; ++o) {
        const QString name = run.Field.Names[o];
        taxa.append(name);
        rows[name] = matrixLines[o - 1].split(QLatin1Char(' '), Qt::SkipEmptyParts).last();
    }
    for (const TTree& t : run.Trees) {
        trees.append(WriteNewick(t, run.Field.Names));
        expected << Canonical(t, run.Field.Names, t.Root(), false);
    }
    QTemporaryDir dir;
    const QString plan = dir.filePath(QStringLiteral("plan.json"));
    ASSERT_TRUE(Write(
        plan,
        QJsonDocument(QJsonObject{{"taxa", taxa}, {"rows", rows}, {"trees", trees}}).toJson()));

    QStringList skipped;
    for (const QString& tool : {QStringLiteral("biopython"), QStringLiteral("dendropy")}) {
        const QString matrix = dir.filePath(tool + QStringLiteral("-m.nex")),
                      nex = dir.filePath(tool + QStringLiteral("-t.nex"));
        QString why;
        Peer({QStringLiteral("write"), tool, plan, matrix, nex}, &why);
        if (!why.isEmpty()) {
            skipped << why;
            continue;
        }
        TReadResult read = ReadDataFile(matrix);
        ASSERT_TRUE(read.Ok()) << tool.toStdString() << ": " << read.Error().toStdString();
        ASSERT_EQ(read->Data.ObjectCount, run.Data.ObjectCount);
        ASSERT_EQ(read->Data.CharacterCount, run.Data.CharacterCount);
        for (int o = 1; o <= run.Data.ObjectCount; ++o) {
            const QString name = run.Field.Names[o];
            // Unquoted, NEXUS reads "_" as a blank.
            EXPECT_EQ(read->Data.DataMatrix[0][static_cast<size_t>(o)].replace(QLatin1Char('_'),
                                                                               QLatin1Char(' ')),
                      QString(name).replace(QLatin1Char('_'), QLatin1Char(' ')))
                << tool.toStdString();
            const QString row = rows[name].toString();
            for (int c = 1; c <= run.Data.CharacterCount; ++c) {
                const QString own =
                    ParseCell(read->Data.DataMatrix[static_cast<size_t>(c)][static_cast<size_t>(o)])
                        .front();
                EXPECT_EQ(own, QString(row.at(c - 1)))
                    << tool.toStdString() << " object " << o << " character " << c;
            }
        }
        const TResult<QByteArray> bytes = ReadWholeFile(nex, 0);
        ASSERT_TRUE(bytes.Ok()) << bytes.Error().toStdString();
        const TResult<TNewickTrees> read2 = ReadTreeText(DecodeText(*bytes));
        ASSERT_TRUE(read2.Ok()) << tool.toStdString() << ": " << read2.Error().toStdString();
        ASSERT_EQ(read2->Trees.size(), run.Trees.size());
        for (size_t k = 0; k < read2->Trees.size(); ++k) {
            TResult<TTree> tree =
                NewickToTree(read2->Trees[k], run.Field.Names, run.Data.ObjectCount);
            ASSERT_TRUE(tree.Ok()) << tool.toStdString() << ": " << tree.Error().toStdString();
            TTree ours = run.Trees[k];
            EvaluateTree(*tree, run.Field, true);
            EvaluateTree(ours, run.Field, true);
            EXPECT_EQ(Canonical(*tree, run.Field.Names, tree->Root(), false),
                      Canonical(ours, run.Field.Names, ours.Root(), false))
                << tool.toStdString() << " tree " << k + 1;
        }
    }
    if (skipped.size() == 2) GTEST_SKIP() << skipped.join(QStringLiteral("; ")).toStdString();
}

TEST(PeerPrograms, ApeReadsOurTrees)
{
    const QString rscript = QStringLiteral("/usr/bin/Rscript");
    if (!QFileInfo(rscript).isExecutable())
        GTEST_SKIP() << "R is not installed (apt-get install r-cran-ape)";
    const TRun run = Search(QStringLiteral("weevils.txt"), 4);
    QTemporaryDir dir;
    std::vector<const TTree*> pointers;
    QStringList newick, expected;
    for (const TTree& t : run.Trees) {
        pointers.push_back(&t);
        newick << WriteNewick(t, run.Field.Names);
        double total = 0;
        for (int i = 1; i <= t.TipCount(); ++i) total += t.Tips[static_cast<size_t>(i)].Fit;
        for (int j = 1; j <= t.NodeCount(); ++j)
            if (j != t.Root()) total += t.Nodes[static_cast<size_t>(j)].Fit;
        expected << QStringLiteral("%1 %2").arg(t.TipCount() - 1).arg(total);
    }
    const QString nex = dir.filePath(QStringLiteral("t.nex")),
                  nwk = dir.filePath(QStringLiteral("t.nwk"));
    ASSERT_TRUE(Write(nex, WriteNexusTrees(pointers, run.Field.Names).toUtf8()));
    ASSERT_TRUE(Write(nwk, EncodeTextLines(newick)));
    // Per tree: rooted?, the tips, internal nodes and total length, and
    // whether read.nexus and read.tree agree on topology and lengths.
    const QString script =
        QStringLiteral(
            "suppressMessages(library(ape));"
            "a <- read.nexus('%1'); b <- read.tree('%2');"
            "if (inherits(a, 'phylo')) a <- list(a); if (inherits(b, 'phylo')) b <- list(b);"
            // read.tree keeps the quotes of quoted names in the labels; read.nexus does not.
            "for (i in seq_along(b)) b[[i]]$tip.label <- gsub(\"'\", '', b[[i]]$tip.label);"
            "for (i in seq_along(a)) cat(is.rooted(a[[i]]), paste(sort(a[[i]]$tip.label), "
            "collapse='|'),"
            " a[[i]]$Nnode, sum(a[[i]]$edge.length), isTRUE(all.equal(a[[i]], b[[i]])), '\\n')")
            .arg(nex, nwk);
    QProcess r;
    r.start(rscript, {QStringLiteral("-e"), script});
    ASSERT_TRUE(r.waitForFinished(120000));
    const QString err = QString::fromUtf8(r.readAllStandardError());
    if (err.contains(QStringLiteral("there is no package called")))
        GTEST_SKIP() << "R's ape is not installed";
    ASSERT_EQ(r.exitCode(), 0) << err.toStdString();
    const QStringList lines =
        QString::fromUtf8(r.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(run.Trees.size()));
    QStringList names(run.Field.Names.begin(), run.Field.Names.end());
    names.sort();
    for (qsizetype k = 0; k < lines.size(); ++k)
        EXPECT_EQ(lines[k].simplified(),
                  QStringLiteral("TRUE %1 %2 TRUE").arg(names.join(QLatin1Char('|')), expected[k]))
            << "tree " << k + 1;
}
