// Writing the matrix for other programs and reading it back: NEXUS gives the
// same path in every cell, on the examples and on random matrices; the binary
// coding marks exactly the states on each path; CSV keeps every cell.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <random>

#include "data/CharacterStates.h"
#include "data/CsvReader.h"
#include "data/DataFile.h"
#include "data/MatrixExport.h"
#include "data/MatrixOps.h"
#include "data/NexusReader.h"
#include "data/Path.h"

namespace {
// Every cell's full path; the corner cell (the name column's header) is not
// part of a NEXUS matrix.
TDynStrMatrix Paths(const TMatrixData& d)
{
    TDynStrMatrix m = PathMatrix(d.DataMatrix, d.ObjectCount, d.CharacterCount);
    m[0][0].clear();
    return m;
}

// A random matrix in pointer notation: states named from a pool of awkward
// names, each character one state tree, cells spelling out the whole path or
// only the state and its parent, some cells "?".
TMatrixData RandomMatrix(std::mt19937_64& rng, int objects, int characters)
{
    const QStringList pool{"0",       "1",          "simple",      "two words", "under_score",
                           "O'Brien", "semi;colon", "comma,state", "paren(s)",  "star*",
                           "équipe",  "x-y",        "big",         "A",         "b",
                           "=eq",     "slash/"};
    TMatrixData d;
    d.ObjectCount = objects;
    d.CharacterCount = characters;
    d.DataMatrix.assign(static_cast<size_t>(characters) + 1,
                        TPart(static_cast<size_t>(objects) + 1));
    d.DataMatrix[0][0] = QStringLiteral("Taxon");
    for (int o = 1; o <= objects; ++o)
        d.DataMatrix[0][static_cast<size_t>(o)] =
            QStringLiteral("Taxon %1%2").arg(o).arg(o % 3 == 0 ? QStringLiteral("_x'") : QString());
    auto draw = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int c = 1; c <= characters; ++c) {
        TPart& column = d.DataMatrix[static_cast<size_t>(c)];
        column[0] = QStringLiteral("char %1").arg(c);
        QStringList names = pool;
        std::shuffle(names.begin(), names.end(), rng);
        const int states = 1 + draw(8);
        std::vector<int> parent(static_cast<size_t>(states), -1);
        for (int k = 1; k < states; ++k) parent[static_cast<size_t>(k)] = draw(k);
        for (int o = 1; o <= objects; ++o) {
            if (draw(8) == 0) {
                column[static_cast<size_t>(o)] = QStringLiteral("?");
                continue;
            }
            const int k = draw(states);
            QString cell = names[k];
            if (draw(2) == 0) {
                QString closing;
                for (int p = parent[static_cast<size_t>(k)]; p >= 0;
                     p = parent[static_cast<size_t>(p)]) {
                    cell += QLatin1Char('[') + names[p];
                    closing += QLatin1Char(']');
                }
                cell += closing;
            } else if (parent[static_cast<size_t>(k)] >= 0) {
                cell += QLatin1Char('[') + names[parent[static_cast<size_t>(k)]] + QLatin1Char(']');
            }
            column[static_cast<size_t>(o)] = cell;
        }
        // Every parent link once in some cell, so the tree is known.
        for (int k = 1; k < states && k <= objects; ++k)
            column[static_cast<size_t>(k)] = names[k] + QLatin1Char('[') +
                                             names[parent[static_cast<size_t>(k)]] +
                                             QLatin1Char(']');
    }
    return d;
}
}  // namespace

TEST(MatrixExport, NexusReadsBackToTheSamePathsOnTheExamples)
{
    const QDir examples(QStringLiteral(VARNO_SOURCE_DIR "/examples"));
    int exported = 0;
    for (const QString& file : examples.entryList({"*.txt", "*.xlsx"}, QDir::Files)) {
        const TReadResult read = ReadDataFile(examples.filePath(file));
        ASSERT_TRUE(read.Ok()) << read.Error().toStdString();
        const TResult<TMatrixExport> nexus = ExportMatrix(read->Data, TExportFormat::Nexus);
        if (!nexus.Ok()) {
            // Only a character that is no single state tree may stop the export.
            EXPECT_TRUE(nexus.Error().contains(QStringLiteral("root states")) ||
                        nexus.Error().contains(QStringLiteral("cycle")) ||
                        nexus.Error().contains(QStringLiteral("named")))
                << file.toStdString() << ": " << nexus.Error().toStdString();
            continue;
        }
        ++exported;
        const TReadResult back = ReadNexusMatrixText(QString::fromUtf8(nexus->Text));
        ASSERT_TRUE(back.Ok()) << file.toStdString() << ": " << back.Error().toStdString();
        EXPECT_EQ(back->Data.ObjectCount, read->Data.ObjectCount);
        EXPECT_EQ(back->Data.CharacterCount, read->Data.CharacterCount);
        // Spellings of one state that differ only in letter case ("Red", "red")
        // are one state, written under one name.
        const TDynStrMatrix expected = Paths(read->Data), got = Paths(back->Data);
        for (int c = 0; c <= read->Data.CharacterCount; ++c)
            for (int o = 0; o <= read->Data.ObjectCount; ++o)
                EXPECT_EQ(got[c][o].compare(expected[c][o], Qt::CaseInsensitive), 0)
                    << file.toStdString() << " cell " << c << "," << o << ": "
                    << got[c][o].toStdString() << " vs " << expected[c][o].toStdString();
    }
    EXPECT_GE(exported, 3);
}

TEST(MatrixExport, NexusAndCsvRoundTripsOnRandomMatrices)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937_64 rng(seed);
        const TMatrixData d =
            RandomMatrix(rng, 3 + static_cast<int>(seed % 9), 1 + static_cast<int>(seed % 6));
        const TResult<TMatrixExport> nexus = ExportMatrix(d, TExportFormat::Nexus);
        ASSERT_TRUE(nexus.Ok()) << "seed " << seed << ": " << nexus.Error().toStdString();
        const TReadResult back = ReadNexusMatrixText(QString::fromUtf8(nexus->Text));
        ASSERT_TRUE(back.Ok()) << "seed " << seed << ": " << back.Error().toStdString() << "\n"
                               << nexus->Text.toStdString();
        EXPECT_EQ(Paths(back->Data), Paths(d)) << "seed " << seed << "\n"
                                               << nexus->Text.toStdString();

        const TResult<TMatrixExport> csv = ExportMatrix(d, TExportFormat::Csv);
        ASSERT_TRUE(csv.Ok());
        const TReadResult csvBack = ReadCsvMatrixBytes(csv->Text);
        ASSERT_TRUE(csvBack.Ok()) << csvBack.Error().toStdString();
        EXPECT_EQ(csvBack->Data.ObjectCount, d.ObjectCount);
        EXPECT_EQ(csvBack->Data.CharacterCount, d.CharacterCount);
        for (int c = 0; c <= d.CharacterCount; ++c)
            for (int o = 0; o <= d.ObjectCount; ++o)
                EXPECT_EQ(csvBack->Data.DataMatrix[static_cast<size_t>(c)][static_cast<size_t>(o)],
                          d.DataMatrix[static_cast<size_t>(c)][static_cast<size_t>(o)])
                    << "seed " << seed;
    }
}

TEST(MatrixExport, BinaryCodingMarksThePathOfEveryObject)
{
    std::mt19937_64 rng(7);
    const TMatrixData d = RandomMatrix(rng, 9, 5);
    const TResult<TMatrixExport> phylip = ExportMatrix(d, TExportFormat::Phylip);
    ASSERT_TRUE(phylip.Ok()) << phylip.Error().toStdString();
    const QStringList lines =
        QString::fromLatin1(phylip->Text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), d.ObjectCount + 1);
    const QStringList counts = lines[0].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    EXPECT_EQ(counts, (QStringList{QString::number(d.ObjectCount),
                                   QString::number(phylip->BinaryCharacters)}));
    EXPECT_EQ(phylip->Ancestors, QByteArray(phylip->BinaryCharacters, '0') + '\n');

    // Column by column against the paths: derived states in each character's order.
    int column = 0;
    int allOnes = 0;
    for (int c = 1; c <= d.CharacterCount; ++c) {
        const TResult<TCharacterStates> states = CharacterStates(d, c);
        ASSERT_TRUE(states.Ok()) << states.Error().toStdString();
        const TCharacterStates& s = *states;
        const TPathArr own = ReadOwnPaths(d.DataMatrix, d.ObjectCount, c);
        TPathBuilder builder;
        builder.BuildFullPaths(d.DataMatrix, d.ObjectCount, c);
        for (int k = 0; k < static_cast<int>(s.Names.size()); ++k) {
            if (k == s.Root) continue;
            bool ones = true;
            for (int o = 1; o <= d.ObjectCount; ++o) {
                const QChar bit = lines[o].at(10 + column);
                const TPath& path = builder.FullPaths[static_cast<size_t>(o)];
                if (IsMissingName(path.front())) {
                    EXPECT_EQ(bit, QLatin1Char('?'));
                    continue;
                }
                const bool on = std::find_if(path.begin(), path.end(), [&](const QString& e) {
                                    return e.compare(s.Names[k], Qt::CaseInsensitive) == 0;
                                }) != path.end();
                EXPECT_EQ(bit, on ? QLatin1Char('1') : QLatin1Char('0'))
                    << "object " << o << " character " << c;
                ones = ones && on;
            }
            allOnes += ones;
            ++column;
        }
    }
    EXPECT_EQ(column, phylip->BinaryCharacters);
    EXPECT_EQ(allOnes, phylip->BinaryAllOnes);
    // PHYLIP names: 10 characters, no blanks or quotes, all different.
    QStringList names = phylip->Names.mid(1);
    for (const QString& n : names)
        EXPECT_FALSE(n.contains(QRegularExpression(QStringLiteral("[ ':;,()\\[\\]]"))))
            << n.toStdString();
    names.removeDuplicates();
    EXPECT_EQ(names.size(), d.ObjectCount);
    // Beside the file, the map back from those names to the objects' own.
    const QStringList map = QString::fromUtf8(phylip->NameMap).split(QStringLiteral("\r\n"));
    ASSERT_EQ(map.size(), d.ObjectCount + 2);
    EXPECT_EQ(map.first(), QStringLiteral("PHYLIP name\tObject"));
    EXPECT_EQ(map.last(), QString());
    for (int o = 1; o <= d.ObjectCount; ++o)
        EXPECT_EQ(map[o], phylip->Names[o] + '\t' + d.DataMatrix[0][static_cast<size_t>(o)]);

    const TResult<TMatrixExport> binary = ExportMatrix(d, TExportFormat::NexusBinary);
    ASSERT_TRUE(binary.Ok());
    const TReadResult back = ReadNexusMatrixText(QString::fromUtf8(binary->Text));
    ASSERT_TRUE(back.Ok()) << back.Error().toStdString();
    EXPECT_EQ(back->Data.CharacterCount, phylip->BinaryCharacters);
    EXPECT_TRUE(back->Notes.join(QLatin1Char(' ')).contains(QStringLiteral("irreversible")));
}

TEST(MatrixExport, RefusesWhatOtherProgramsCannotTake)
{
    TMatrixData d;
    d.ObjectCount = 2;
    d.CharacterCount = 1;
    d.DataMatrix = {{"Taxon", "a", "b"}, {"c1", "x", "y"}};
    const TResult<TMatrixExport> twoRoots = ExportMatrix(d, TExportFormat::Nexus);
    EXPECT_FALSE(twoRoots.Ok());
    EXPECT_TRUE(twoRoots.Error().contains(QStringLiteral("2 root states (x, y)")))
        << twoRoots.Error().toStdString();
    d.DataMatrix = {{"Taxon", "a", "a"}, {"c1", "x", "y[x]"}};
    const TResult<TMatrixExport> sameName = ExportMatrix(d, TExportFormat::Nexus);
    EXPECT_FALSE(sameName.Ok());
    EXPECT_TRUE(sameName.Error().contains(QStringLiteral("Two objects are named \"a\"")))
        << sameName.Error().toStdString();
    EXPECT_FALSE(ExportMatrix(TMatrixData(), TExportFormat::Csv).Ok());

    // Every format that stops says why: names for NEXUS, a derived state for
    // the binary codings (PHYLIP takes unnamed objects).
    d.DataMatrix = {{"Taxon", "a", " "}, {"c1", "x", "x"}};
    for (const TExportFormat format : {TExportFormat::Nexus, TExportFormat::NexusBinary}) {
        const TResult<TMatrixExport> noName = ExportMatrix(d, format);
        EXPECT_FALSE(noName.Ok());
        EXPECT_TRUE(noName.Error().contains(QStringLiteral("Object 2 has no name")))
            << noName.Error().toStdString();
    }
    const TResult<TMatrixExport> flat = ExportMatrix(d, TExportFormat::Phylip);
    EXPECT_FALSE(flat.Ok());
    EXPECT_TRUE(flat.Error().contains(QStringLiteral("no derived state")))
        << flat.Error().toStdString();

    // 37 states, a NEXUS file's lower-case symbols beside ours: letters of
    // either case count as one, so there are only 36. Once a state was
    // written without a symbol (a NUL byte no reader takes back).
    d.ObjectCount = 37;
    d.DataMatrix = {{"Taxon"}, {"c1"}};
    for (int k = 0; k < 37; ++k) {
        d.DataMatrix[0].push_back(QStringLiteral("t%1").arg(k));
        d.DataMatrix[1].push_back(k == 0 ? QStringLiteral("s0") : QStringLiteral("s%1[s0]").arg(k));
    }
    d.Symbols.Order = QStringLiteral("abc");
    const TResult<TMatrixExport> cases = ExportMatrix(d, TExportFormat::Nexus);
    EXPECT_FALSE(cases.Ok()) << cases->Text.toStdString();
    if (!cases.Ok())
        EXPECT_TRUE(
            cases.Error().contains(QStringLiteral("37 states; NEXUS symbols code at most "
                                                  "36 when")))
            << cases.Error().toStdString();
}

TEST(MatrixExport, DamagedFilesAreRefusedOrReadNeverCrash)
{
    // Our own exports with random bytes changed, cut or repeated: every read
    // ends with data or with a message.
    std::mt19937_64 rng(2024);
    const TMatrixData d = RandomMatrix(rng, 8, 5);
    const QByteArray nexus = ExportMatrix(d, TExportFormat::Nexus)->Text;
    const QByteArray csv = ExportMatrix(d, TExportFormat::Csv)->Text;
    const QByteArray alphabet = "()[]{};,:='\"_-?.*\\/ \n\r0123456789ABCabc";
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = round % 2 ? nexus : csv;
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
            const qsizetype at =
                static_cast<qsizetype>(rng() % static_cast<unsigned>(bytes.size()));
            switch (rng() % 3) {
                case 0:
                    bytes[at] = alphabet.at(
                        static_cast<qsizetype>(rng() % static_cast<unsigned>(alphabet.size())));
                    break;
                case 1:
                    bytes.truncate(at);
                    break;
                default:
                    bytes.insert(at, bytes.mid(at, 40));
                    break;
            }
        }
        const TReadResult r =
            round % 2 ? ReadNexusMatrixText(QString::fromUtf8(bytes)) : ReadCsvMatrixBytes(bytes);
        EXPECT_TRUE(r.Ok() || !r.Error().isEmpty()) << "round " << round;
        if (r.Ok()) {
            EXPECT_EQ(static_cast<int>(r->Data.DataMatrix.size()) >= r->Data.CharacterCount + 1,
                      true);
        }
    }
}

// Found on published matrices: the export wrote every state in our order,
// so up to a fifth of the cells changed their code against the file.
TEST(MatrixExport, NexusKeepsTheSymbolsOfANexusFile)
{
    const QString file = QStringLiteral(
        "#NEXUS\nbegin data; dimensions ntax=4 nchar=3; format symbols=\"0129\" gap=-;\n"
        "charstatelabels 2 size / small medium large huge;\nmatrix\n"
        "a 90-\nb 1(12)1\nc 191\nd 9?2\n;\nend;\n"
        "begin assumptions; ctype ord: 2; end;\n");
    const TReadResult r = ReadNexusMatrixText(file);
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    const TResult<TMatrixExport> out = ExportMatrix(r->Data, TExportFormat::Nexus);
    ASSERT_TRUE(out.Ok()) << out.Error().toStdString();
    const QString text = QString::fromUtf8(out->Text);
    EXPECT_TRUE(text.contains(QStringLiteral("SYMBOLS=\"0129\""))) << text.toStdString();
    // Every cell its own symbol; "?" for gaps, polymorphic and missing cells.
    for (const char* row : {"90?", "1?1", "191", "9?2"})
        EXPECT_TRUE(text.contains(QStringLiteral(" %1\r\n").arg(QString::fromUtf8(row))))
            << row << "\n"
            << text.toStdString();
    // Labels by the symbols' places; the chain of character 2 from small.
    EXPECT_TRUE(text.contains(QStringLiteral("2 size / small medium large huge,")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("= (((9)2)1)0;"))) << text.toStdString();
    const TReadResult back = ReadNexusMatrixText(text);
    ASSERT_TRUE(back.Ok()) << back.Error().toStdString();
    EXPECT_EQ(Paths(back->Data), Paths(r->Data));

    // Edited in the program: a new state takes a symbol its character has free;
    // the others keep theirs. Transposed, the symbols no longer apply.
    TModel model;
    model.AssignMatrix(r->Data, false);
    model.SetCell(1, 3, QStringLiteral("new[9]"));
    const TResult<TMatrixExport> edited = ExportMatrix(model.Data(), TExportFormat::Nexus);
    ASSERT_TRUE(edited.Ok()) << edited.Error().toStdString();
    const QString editedText = QString::fromUtf8(edited->Text);
    for (const char* row : {"90?", "1?1", "091", "9?2"})
        EXPECT_TRUE(editedText.contains(QStringLiteral(" %1\r\n").arg(QString::fromUtf8(row))))
            << row << "\n"
            << editedText.toStdString();
    const TReadResult editedBack = ReadNexusMatrixText(editedText);
    ASSERT_TRUE(editedBack.Ok()) << editedBack.Error().toStdString();
    EXPECT_EQ(Paths(editedBack->Data), Paths(model.Data()));
    model.AssignMatrix(TransposeMatrix(model.DataMatrix, model.ObjectCount, model.CharacterCount),
                       false);
    EXPECT_TRUE(model.SourceSymbols.Order.isEmpty());
}
