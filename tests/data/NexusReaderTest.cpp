// Reading NEXUS matrices: the state trees each character type maps to, the
// labels, the cells that become "?", and the files that must be refused.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "data/DataFile.h"
#include "data/MatrixExport.h"
#include "data/NexusLexer.h"
#include "data/NexusReader.h"
#include "data/Path.h"
#include "data/PathControl.h"

namespace {
QString Cell(const TReadResult& r, int c, int o)
{
    return r->Data.DataMatrix[static_cast<size_t>(c)][static_cast<size_t>(o)];
}

// The full path of every cell, as "paths" shows it.
QStringList Paths(const TReadResult& r, int c)
{
    const TDynStrMatrix m =
        PathMatrix(r->Data.DataMatrix, r->Data.ObjectCount, r->Data.CharacterCount);
    QStringList out;
    for (int o = 1; o <= r->Data.ObjectCount; ++o)
        out << m[static_cast<size_t>(c)][static_cast<size_t>(o)];
    return out;
}

const char* const Header = R"(#NEXUS
[ a comment [nested] before the blocks ]
BEGIN TAXA;
  DIMENSIONS NTAX=4;
  TAXLABELS Alpha 'Beta gamma' Delta_epsilon 'O''Brien';
END;
)";

// Six characters over the four taxa; the type tests add their ASSUMPTIONS.
const QString SixCharacters = QStringLiteral(R"(
BEGIN CHARACTERS;
  DIMENSIONS NCHAR=6;
  FORMAT DATATYPE=STANDARD SYMBOLS="0 1 2 3" MISSING=? GAP=-;
  CHARSTATELABELS 1 wing / simple branched netted, 2 'setae pattern', 5 colour / red blue;
  MATRIX
    Alpha          1 2 0 2 1 3
    'Beta gamma'   0 0 2 0 0 1
    Delta_epsilon  2 1 1 ? 1 0
    'O''Brien'     ? 2 2 1 0 2
  ;
END;
)");

TReadResult Read(const QString& body, TNexusRootRule rule = TNexusRootRule::FirstObject)
{
    return ReadNexusMatrixText(QString::fromUtf8(Header) + body, rule);
}
}  // namespace

TEST(NexusReader, CharacterTypesMapToStateTrees)
{
    const TReadResult r = Read(SixCharacters + R"(BEGIN ASSUMPTIONS;
  USERTYPE branchy (CSTREE) = ((1,2)3,0)3x;
  USERTYPE fork (CSTREE) = ((1)0,2)3;
  TYPESET * default = ord: 2, irrev.down: 3, Dollo: 4, unord: 5;
  OPTIONS DEFTYPE=unord;
END;
)");
    ASSERT_FALSE(r.Ok()) << "a CSTREE node named \"3x\" is no symbol";
    EXPECT_TRUE(r.Error().contains(QStringLiteral("3x"))) << r.Error().toStdString();

    const TReadResult ok = Read(SixCharacters + R"(BEGIN ASSUMPTIONS;
  USERTYPE fork (CSTREE) = ((1)0,(2)3)3;
  TYPESET * default = ord: 2, irrev.down: 3, Dollo: 4, unord: 5, fork: 6;
END;
)");
    ASSERT_FALSE(ok.Ok()) << "state 3 twice must be refused";
    EXPECT_TRUE(ok.Error().contains(QStringLiteral("cycle"))) << ok.Error().toStdString();

    const TReadResult good = Read(SixCharacters + R"(BEGIN ASSUMPTIONS;
  USERTYPE fork (CSTREE) = ((1)0,2)3;
  TYPESET * default = ord: 2, irrev.down: 3, Dollo: 4, unord: 5, fork: 6;
END;
)");
    ASSERT_TRUE(good.Ok()) << good.Error().toStdString();
    EXPECT_EQ(good->Data.ObjectCount, 4);
    EXPECT_EQ(good->Data.CharacterCount, 6);
    EXPECT_EQ(Cell(good, 0, 2), QStringLiteral("Beta gamma"));
    EXPECT_EQ(Cell(good, 0, 3), QStringLiteral("Delta epsilon")) << "unquoted _ is a blank";
    EXPECT_EQ(Cell(good, 0, 4), QStringLiteral("O'Brien"));
    EXPECT_EQ(Cell(good, 1, 0), QStringLiteral("wing"));
    EXPECT_EQ(Cell(good, 2, 0), QStringLiteral("setae pattern"));
    EXPECT_EQ(Cell(good, 3, 0), QStringLiteral("Character 3"));
    // Unordered: a star rooted at the first object's state, named by the labels.
    EXPECT_EQ(Paths(good, 1),
              (QStringList{"branched[]", "simple[branched[]]", "netted[branched[]]", "?"}));
    // Ordered: a chain from the lowest state used.
    EXPECT_EQ(Paths(good, 2), (QStringList{"2[1[0[]]]", "0[]", "1[0[]]", "2[1[0[]]]"}));
    // Irreversible down: a chain from the highest.
    EXPECT_EQ(Paths(good, 3), (QStringList{"0[1[2[]]]", "2[]", "1[2[]]", "2[]"}));
    // Dollo: a chain from the lowest; "?" stays missing.
    EXPECT_EQ(Paths(good, 4), (QStringList{"2[1[0[]]]", "0[]", "?", "1[0[]]"}));
    // The CSTREE as given: 3 is the root, 0 and 2 its children, 1 below 0.
    EXPECT_EQ(Paths(good, 6), (QStringList{"3[]", "1[0[3[]]]", "0[3[]]", "2[3[]]"}));
    const QString notes = good->Notes.join(QLatin1Char('\n'));
    EXPECT_TRUE(notes.contains(QStringLiteral("CSTREE"))) << notes.toStdString();
    EXPECT_TRUE(notes.contains(QStringLiteral("ordered: a chain from the lowest state")))
        << notes.toStdString();
    EXPECT_TRUE(notes.contains(QStringLiteral("Dollo"))) << notes.toStdString();
}

TEST(NexusReader, StarRootRuleAndRenamedStates)
{
    const QString body = R"(
BEGIN DATA;
  DIMENSIONS NCHAR=2;
  FORMAT SYMBOLS="012" MISSING=? MATCHCHAR=.;
  STATELABELS 1 'big [x]' 'BIG (X)' 'what?', 2 a A;
  MATRIX
    Alpha          20
    'Beta gamma'   .1
    Delta_epsilon  1.
    'O''Brien'     0?
  ;
END;
)";
    const TReadResult first = Read(body);
    ASSERT_TRUE(first.Ok()) << first.Error().toStdString();
    // Labels that pointer notation cannot hold or that differ only in case get changed.
    EXPECT_EQ(Paths(first, 1),
              (QStringList{"what_[]", "what_[]", "BIG (X) (1)[what_[]]", "big (x)[what_[]]"}));
    EXPECT_EQ(Paths(first, 2), (QStringList{"a[]", "A (1)[a[]]", "a[]", "?"}))
        << "match character copies the first row";
    const TReadResult lowest = Read(body, TNexusRootRule::LowestState);
    ASSERT_TRUE(lowest.Ok());
    EXPECT_EQ(Paths(lowest, 1).first(), QStringLiteral("what_[big (x)[]]"));
    EXPECT_TRUE(
        first->Notes.join(QLatin1Char(' ')).contains(QStringLiteral("state names changed")));
}

TEST(NexusReader, InterleavedPolymorphicAndGaps)
{
    const TReadResult r = ReadNexusMatrixText(QStringLiteral(R"(#nexus
begin data;
  dimensions ntax=3 nchar=5;
  format datatype=standard interleave symbols="01" gap=-;
  matrix
    A 01
    B (01)1
    C {01}-
    [ second part ]
    A 011
    B 1-0
    C 110
  ;
end;
begin mrbayes; lset nst=6; this is not a command of ours; end;
begin notes; text taxon=A text='x;y'; end;
)"));
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    EXPECT_EQ(r->Data.ObjectCount, 3);
    EXPECT_EQ(Cell(r, 1, 2), QStringLiteral("?")) << "polymorphic";
    EXPECT_EQ(Cell(r, 1, 3), QStringLiteral("?")) << "uncertain";
    EXPECT_EQ(Cell(r, 2, 3), QStringLiteral("?")) << "gap";
    EXPECT_EQ(Cell(r, 5, 3), QStringLiteral("0[1]")) << "star rooted at A's state 1";
    const QString notes = r->Notes.join(QLatin1Char('\n'));
    EXPECT_TRUE(notes.contains(QStringLiteral("2 gap cells"))) << notes.toStdString();
    EXPECT_TRUE(notes.contains(QStringLiteral("1 polymorphic"))) << notes.toStdString();
    EXPECT_TRUE(notes.contains(QStringLiteral("1 uncertain"))) << notes.toStdString();
    EXPECT_TRUE(notes.contains(QStringLiteral("MRBAYES, NOTES"))) << notes.toStdString();
}

// Found by fuzzing: a block left open after its MATRIX (a misspelt END) went on
// to change the symbols, the size or the taxa the cells were read with, and
// the mapping read outside them.
TEST(NexusReader, CommandsAfterTheMatrixCannotChangeItsShape)
{
    const TReadResult r = ReadNexusMatrixText(QStringLiteral(R"(#NEXUS
begin data; dimensions ntax=3 nchar=2; format symbols="01";
matrix
a 0p
b 10
c 1p
;
EN;
dimensions ntax=4 nchar=3;
format datatype=standard symbols="01";
taxlabels w x y z;
charstatelabels 1 size / small large;
end;
)"));
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    EXPECT_EQ(r->Data.ObjectCount, 3);
    EXPECT_EQ(r->Data.CharacterCount, 2);
    EXPECT_EQ(Cell(r, 0, 1), QStringLiteral("a"));
    EXPECT_EQ(Cell(r, 1, 0), QStringLiteral("size"));
    EXPECT_EQ(Paths(r, 2), (QStringList{"p[]", "0[p[]]", "p[]"}));
    const QString notes = r->Notes.join(QLatin1Char('\n'));
    for (const char* ignored : {"line 9: DIMENSIONS", "line 10: FORMAT", "line 11: TAXLABELS"})
        EXPECT_TRUE(notes.contains(QString::fromUtf8(ignored) + " after the matrix is ignored"))
            << notes.toStdString();
}

// Found by fuzzing: blank labels (here from a stray quote) named two states ""
// and " (1)", which the NEXUS export wrote and read back as other names.
TEST(NexusReader, BlankStateLabelsKeepTheSymbolAndRoundTrip)
{
    const TReadResult r = ReadNexusMatrixText(
        QStringLiteral("#NEXUS\nbegin data; dimensions ntax=3 nchar=1; format symbols=\"012\";\n"
                       "charstatelabels 1 size / '  ' '\n   ' big;\nmatrix a 0 b 1 c 2;\nend;\n"));
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    EXPECT_EQ(Paths(r, 1), (QStringList{"0[]", "1[0[]]", "big[0[]]"}));
    const TResult<TMatrixExport> out = ExportMatrix(r->Data, TExportFormat::Nexus);
    ASSERT_TRUE(out.Ok()) << out.Error().toStdString();
    const TReadResult back = ReadNexusMatrixText(QString::fromUtf8(out->Text));
    ASSERT_TRUE(back.Ok()) << back.Error().toStdString();
    EXPECT_EQ(Paths(back, 1), Paths(r, 1));

    // Also found so: unlabelled symbols that are pointer notation's own signs,
    // here the intermediate states of an ordered chain.
    const TReadResult signs = ReadNexusMatrixText(
        QStringLiteral("#NEXUS\nbegin data; dimensions ntax=3 nchar=1; format symbols=\"0]?1\";\n"
                       "matrix a 0 b 1 c 0;\nend;\nbegin assumptions; ctype ord: 1; end;\n"));
    ASSERT_TRUE(signs.Ok()) << signs.Error().toStdString();
    EXPECT_EQ(Paths(signs, 1), (QStringList{"0[]", "1[_[)[0[]]]]", "0[]"}));
    EXPECT_TRUE(
        signs->Notes.join(QLatin1Char(' ')).contains(QStringLiteral("state names changed")));

    // And: a character named with "%1" was written with the next value in its place.
    const TReadResult percent = ReadNexusMatrixText(QStringLiteral(
        "#NEXUS\nbegin data; dimensions ntax=2 nchar=2; charlabels 'leg %1' 'arm %4';\n"
        "matrix a 01 b 10;\nend;\n"));
    ASSERT_TRUE(percent.Ok()) << percent.Error().toStdString();
    const TResult<TMatrixExport> written = ExportMatrix(percent->Data, TExportFormat::Nexus);
    ASSERT_TRUE(written.Ok()) << written.Error().toStdString();
    const TReadResult again = ReadNexusMatrixText(QString::fromUtf8(written->Text));
    ASSERT_TRUE(again.Ok()) << again.Error().toStdString();
    EXPECT_EQ(Cell(again, 1, 0), QStringLiteral("leg %1"));
    EXPECT_EQ(Cell(again, 2, 0), QStringLiteral("arm %4"));
}

TEST(NexusReader, BadFilesNameTheLine)
{
    struct TCase {
        const char* text;
        const char* expect;
    };
    const TCase cases[] = {
        {"#NEXUS\nbegin taxa; dimensions ntax=2; taxlabels a b; end;\n", "no character matrix"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\n[ never closed\nmatrix a 01 b 10; end;\n",
         "line 3: a comment"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\nmatrix 'a 01\n b 10; end;\n",
         "line 3: a quoted word"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=3;\nmatrix\na 011\nb 10\n;\nend;\n",
         "line 5: the row of taxon \"b\" has 2 of NCHAR=3"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\nmatrix\na 01\nb 10\nc 11\n;\nend;\n",
         "line 6: more taxa than NTAX=2"},
        {"#NEXUS\nbegin data; dimensions ntax=3 nchar=2;\nmatrix\na 01\nb 10\n;\nend;\n",
         "rows for 2 of NTAX=3"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\nmatrix\na 01\nb 10\n;\nend;\nbegin "
         "assumptions;\n"
         "usertype t (cstree) = ((0)1)0;\ntypeset * x = t: 1;\nend;\n",
         "line 9: the state tree t: it has a cycle"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\nmatrix\na 01\nb 10\n;\nend;\nbegin "
         "assumptions;\n"
         "usertype t (cstree) = (1,1)0;\ntypeset * x = t: 1;\nend;\n",
         "names state 1 twice"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\nmatrix\na 0%\nb 10\n;\nend;\n",
         "line 4: \"%\" is not a state symbol"},
        {"begin data; end;", "does not begin with #NEXUS"},
        {"#NEXUS\nbegin mesquite;\n set x=1;\n", "line 2: the block MESQUITE has no END"},
        // Found by fuzzing: a NUL symbol was written back and read as a cycle.
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=1; format symbols=\"0\x01\";\nmatrix\na 0\n"
         "b 1\n;\nend;\n",
         "line 2: SYMBOLS= holds a control character (code 1)"},
        // Found by fuzzing: rows were stored by their TAXLABELS place beyond NTAX.
        {"#NEXUS\nbegin taxa; taxlabels x y z; end;\nbegin data; dimensions ntax=2 nchar=1;\n"
         "matrix\nx 0\nz 1\n;\nend;\n",
         "line 4: the matrix is for NTAX=2 taxa, but TAXLABELS names 3"},
    };
    for (const TCase& c : cases) {
        const TReadResult r = ReadNexusMatrixText(QString::fromUtf8(c.text));
        EXPECT_FALSE(r.Ok()) << c.text;
        EXPECT_TRUE(r.Error().contains(QString::fromUtf8(c.expect)))
            << "got: " << r.Error().toStdString() << "\nwanted: " << c.expect;
    }
}

TEST(NexusReader, ChosenByExtensionThroughTheOneReader)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m.NEX"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "#NEXUS\nbegin data; dimensions ntax=2 nchar=1; format symbols=\"01\"; charstatelabels 1 "
        "size / 'small.1' "
        "'large.2'; matrix a 0 b 1; end;");
    f.close();
    const TReadResult r = ReadDataFile(path);
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    EXPECT_EQ(Cell(r, 1, 2), QStringLiteral("large.2[small.1]"))
        << "no decimal comma in NEXUS state names";
    const TReadResult missing = ReadDataFile(dir.filePath(QStringLiteral("none.nex")));
    EXPECT_FALSE(missing.Ok());
}

TEST(NexusReader, DashIsAGapOnlyWhenNoSymbol)
{
    // Some writers list "-" among the symbols and declare no GAP: then it is a state.
    const TReadResult symbol =
        ReadNexusMatrixText(QStringLiteral("#NEXUS\nbegin data; dimensions ntax=2 nchar=1; format "
                                           "symbols=\"0-1\"; matrix a 0 b -; end;"));
    ASSERT_TRUE(symbol.Ok()) << symbol.Error().toStdString();
    EXPECT_EQ(Cell(symbol, 1, 2), QStringLiteral("-[0]"));
    const TReadResult gap =
        ReadNexusMatrixText(QStringLiteral("#NEXUS\nbegin data; dimensions ntax=2 nchar=1; format "
                                           "symbols=\"0-1\" gap=-; matrix a 0 b -; end;"));
    ASSERT_TRUE(gap.Ok()) << gap.Error().toStdString();
    EXPECT_EQ(Cell(gap, 1, 2), QStringLiteral("?"));
}

namespace {
// For every pair of objects the states their codings share: the same for
// two codings exactly when they give every tree the same length.
std::vector<int> SharedStates(const TMatrixData& d, int c)
{
    const TSField field = BuildPathSets(d.DataMatrix, d.ObjectCount, d.CharacterCount);
    std::vector<int> shared;
    const TNumbered<TInclusion>& inc = field.Places[c].Inc;
    for (int a = 1; a <= d.ObjectCount; ++a)
        for (int b = a; b <= d.ObjectCount; ++b) shared.push_back((inc[a] & inc[b]).Count());
    return shared;
}

QString Long(const char* stem, int words)
{
    QStringList parts;
    for (int k = 0; k < words; ++k) parts << QString::fromUtf8(stem);
    return parts.join(QLatin1Char(' '));
}
}  // namespace

// Found on published matrices: a label long enough to push a cell's path past
// 255 characters was cut inside a name, which made a second root, and the
// searches counted too many steps without a word.
TEST(NexusReader, LongLabelsReachTheCodingWhole)
{
    struct TCase {
        const char* what;
        QString labels;  // CHARSTATELABELS of character 1, states 0 1 2 3
        const char* type;
    };
    const QString a = Long("elements as a single series whether or not differentiated", 4),
                  b = Long("elements in two or more transverse bands or series", 5);
    const TCase cases[] = {
        {"a star of two long labels", NexusWord(a) + ' ' + NexusWord(b) + " short", "unord"},
        // Cut to one length these two would be one state.
        {"labels alike in their first 200 characters",
         NexusWord(a + " first") + ' ' + NexusWord(a + " second") + ' ' + NexusWord(a + " third"),
         "unord"},
        {"an ordered chain of long labels",
         NexusWord(a) + ' ' + NexusWord(b) + ' ' + NexusWord(b + " more") + " last", "ord"},
        {"a chain of labels of 200 characters and more",
         NexusWord(Long("x", 100)) + ' ' + NexusWord(Long("y", 110)) + ' ' +
             NexusWord(Long("z", 120)) + " w",
         "ord"},
    };
    for (const TCase& t : cases) {
        const QString body = QStringLiteral(
                                 "#NEXUS\nbegin data; dimensions ntax=5 nchar=2; format "
                                 "symbols=\"0123\";\ncharstatelabels 1 zone / %1;\n"
                                 "matrix\nA 00\nB 11\nC 21\nD 31\nE ?0\n;\nend;\n"
                                 "begin assumptions; typeset * t = %2: 1, unord: 2; end;\n")
                                 .arg(t.labels, QString::fromUtf8(t.type));
        const TReadResult r = ReadNexusMatrixText(body);
        ASSERT_TRUE(r.Ok()) << t.what << ": " << r.Error().toStdString();
        const TMatrixData& d = r->Data;
        EXPECT_EQ(d.CutCells, 0) << t.what;
        const TDataCheck check = PathControl(d.DataMatrix, d.ObjectCount, d.CharacterCount);
        EXPECT_TRUE(check.AllValid) << t.what << ": " << check.Protocol.join('\n').toStdString();
        // The same tree without labels: the same coding.
        QString plain = body;
        plain.replace(QStringLiteral("charstatelabels 1 zone / ") + t.labels + ';', QString());
        const TReadResult symbols = ReadNexusMatrixText(plain);
        ASSERT_TRUE(symbols.Ok()) << symbols.Error().toStdString();
        EXPECT_EQ(SharedStates(d, 1), SharedStates(symbols->Data, 1)) << t.what;
        EXPECT_TRUE(r->Notes.join('\n').contains(QStringLiteral("state labels shortened")))
            << t.what;
        // And the export reads back to the same paths.
        const TResult<TMatrixExport> out = ExportMatrix(d, TExportFormat::Nexus);
        ASSERT_TRUE(out.Ok()) << t.what << ": " << out.Error().toStdString();
        const TReadResult back = ReadNexusMatrixText(QString::fromUtf8(out->Text));
        ASSERT_TRUE(back.Ok()) << back.Error().toStdString();
        EXPECT_EQ(Paths(back, 1), Paths(r, 1)) << t.what;
    }

    // A chain too deep for any cell loads only when the cells carry it whole.
    QString symbols;
    for (int k = 0; k < 100; ++k) symbols += QChar(0x4E00 + k);  // letters without case
    const auto deep = [&](const QString& cells) {
        QString matrix;
        for (int o = 0; o < cells.size(); ++o)
            matrix += QStringLiteral("t%1 %2\n").arg(o).arg(cells[o]);
        return ReadNexusMatrixText(
            QStringLiteral(
                "#NEXUS\nbegin data; dimensions ntax=%1 nchar=1; format symbols=\"%2\";\n"
                "matrix\n%3;\nend;\nbegin assumptions; ctype ord: 1; end;\n")
                .arg(cells.size())
                .arg(symbols, matrix));
    };
    const TReadResult gaps = deep(symbols.left(1) + symbols.right(1));
    ASSERT_FALSE(gaps.Ok());
    EXPECT_TRUE(gaps.Error().contains(QStringLiteral("100 states deep")))
        << gaps.Error().toStdString();
    const TReadResult every = deep(symbols);
    ASSERT_TRUE(every.Ok()) << every.Error().toStdString();
    EXPECT_TRUE(PathControl(every->Data.DataMatrix, 100, 1).AllValid);
    EXPECT_EQ(BuildPathSets(every->Data.DataMatrix, 100, 1).Places[1].Inc[100].Count(), 100);
}

// Mesquite and others keep the names and state labels in a CHARACTERS block
// of their own, before or after the matrix.
TEST(NexusReader, LabelsFromBlocksWithoutAMatrix)
{
    const QString matrix = QStringLiteral(
        "begin data; %1 dimensions ntax=2 nchar=2; format symbols=\"01\";\n"
        "matrix\na 01\nb 10\n;\nend;\n");
    struct TCase {
        const char* what;
        QString before, title, after;
        const char* name1;  // the first character's name read
        const char* note;
    };
    const QString labels =
        QStringLiteral("charstatelabels 1 wing / short long, 2 leg / thin thick; end;\n");
    const TCase cases[] = {
        {"after, no DIMENSIONS", "", "", "begin characters; " + labels, "wing",
         "from the block without a matrix on line 8"},
        {"before, with DIMENSIONS", "begin characters; dimensions nchar=2; " + labels, "", "",
         "wing", "from the block without a matrix on line 2"},
        {"linked by title", "", "title 'Matrix A';",
         "begin characters; title 'Labels'; link characters = 'matrix a'; " + labels, "wing",
         "characters 1-2"},
        {"linked elsewhere", "", "title 'Matrix A';",
         "begin characters; link characters = Other; " + labels, "Character 1",
         "links to the characters \"Other\""},
        {"for other characters", "", "", "begin characters; dimensions nchar=3; " + labels,
         "Character 1", "it is for NCHAR=3, the matrix has 2 characters"},
        {"faulty labels", "", "",
         "begin characters; charstatelabels 9 wing; end;\nbegin taxa; dimensions ntax=2; end;\n",
         "Character 1", "holds no matrix, and its labels are not read: line 8: CHARSTATELABELS"},
        {"one unquoted name a line", "", "",
         "begin characters;\ncharlabels\n [1] Wing length (long, short)\n [2] leg;\nend;\n",
         "Wing length (long, short)", "each line read as one name"},
    };
    for (const TCase& t : cases) {
        const QString text = QStringLiteral("#NEXUS\n") + t.before + matrix.arg(t.title) + t.after;
        const TReadResult r = ReadNexusMatrixText(text);
        ASSERT_TRUE(r.Ok()) << t.what << ": " << r.Error().toStdString();
        EXPECT_EQ(Cell(r, 1, 0), QString::fromUtf8(t.name1)) << t.what;
        const QString notes = r->Notes.join('\n');
        EXPECT_TRUE(notes.contains(QString::fromUtf8(t.note))) << t.what << ":\n"
                                                               << notes.toStdString();
        EXPECT_FALSE(notes.contains(QStringLiteral("only the first character matrix"))) << t.what;
        if (QString::fromUtf8(t.name1) == QLatin1String("wing")) {
            EXPECT_EQ(Cell(r, 1, 2), QStringLiteral("long[short]")) << t.what;
        }
    }
    // A second block with a matrix is still skipped, and said so.
    const TReadResult two =
        ReadNexusMatrixText(QStringLiteral("#NEXUS\n") + matrix.arg("") + matrix.arg(""));
    ASSERT_TRUE(two.Ok());
    EXPECT_TRUE(two->Notes.join('\n').contains(QStringLiteral("only the first character matrix")));
}

TEST(NexusReader, MessagesPointAtTheFault)
{
    struct TCase {
        const char* text;
        const char* expect;
    };
    const TCase cases[] = {
        // The quote missing after 'wing pairs the later ones wrongly.
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\n"
         "charstatelabels 1 'wing / 'short' 'long',\n2 leg / 'thin' 'thick';\n"
         "matrix a 01 b 10; end;\n",
         "line 3: a quoted word (') opened here runs over the end of the line"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\nformat datatype=standard "
         "gap=x;\nmatrix\na 0-\nb "
         "12\n;\nend;\n",
         "line 5: \"-\" is not read as a gap: the file declares GAP=x (FORMAT, line 3), so only "
         "\"x\" marks a gap, and \"-\" is no state symbol (the file declares no SYMBOLS; the "
         "symbols read are \"01\")"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\nformat missing=N;\nmatrix\na 0?\nb "
         "1N\n;\nend;\n",
         "\"?\" is not read as missing data: the file declares MISSING=N"},
        {"#NEXUS\nbegin data; dimensions ntax=2 nchar=2;\nformat symbols=\"01\";\nmatrix\na 0%\nb "
         "10\n;\nend;\n",
         "line 5: \"%\" is not a state symbol (SYMBOLS=\"01\")"},
    };
    for (const TCase& c : cases) {
        const TReadResult r = ReadNexusMatrixText(QString::fromUtf8(c.text));
        EXPECT_FALSE(r.Ok()) << c.text;
        EXPECT_TRUE(r.Error().contains(QString::fromUtf8(c.expect)))
            << "got: " << r.Error().toStdString() << "\nwanted: " << c.expect;
    }

    // A TAXA block after the matrix is read when it agrees, named when it does not.
    const QString data = QStringLiteral(
        "#NEXUS\nbegin data; dimensions ntax=3 nchar=1;\nmatrix\nb 0\na 1\n'c d' 1\n;\nend;\n");
    struct TTaxa {
        const char* block;
        const char* first;  // the first object read
        const char* warning;
    };
    const TTaxa taxa[] = {
        {"begin taxa; dimensions ntax=3; taxlabels b a c_d; end;", "b", nullptr},
        {"begin taxa; dimensions ntax=3; taxlabels a b 'c d'; end;", "a", nullptr},
        {"begin taxa; dimensions ntax=4; taxlabels a b 'c d' e; end;", "b",
         "line 9: the TAXA block after the matrix gives NTAX=4, but the matrix has 3 taxa"},
        {"begin taxa; dimensions ntax=3; taxlabels a b e; end;", "b",
         "line 9: TAXLABELS after the matrix does not agree with it (\"e\" is not in the matrix)"},
    };
    for (const TTaxa& t : taxa) {
        const TReadResult r = ReadNexusMatrixText(data + QString::fromUtf8(t.block));
        ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
        EXPECT_EQ(Cell(r, 0, 1), QString::fromUtf8(t.first)) << t.block;
        const QString notes = r->Notes.join('\n');
        EXPECT_FALSE(notes.contains(QStringLiteral("after the matrix is ignored"))) << t.block;
        EXPECT_EQ(notes.contains(QStringLiteral("WARNING")), t.warning != nullptr)
            << t.block << "\n"
            << notes.toStdString();
        if (t.warning) {
            EXPECT_TRUE(notes.contains(QString::fromUtf8(t.warning))) << notes.toStdString();
        }
    }
    // Reordered, each row goes with its taxon.
    const TReadResult sorted = ReadNexusMatrixText(data + QString::fromUtf8(taxa[1].block));
    EXPECT_EQ(Cell(sorted, 1, 1), QStringLiteral("1"));
    EXPECT_EQ(Cell(sorted, 1, 2), QStringLiteral("0[1]"));
}

// Under Camin-Sokal polymorphic and uncertain cells are "?"; the report
// says per character how many there were.
TEST(NexusReader, PolymorphicAndUncertainCellsCountedPerCharacter)
{
    const TReadResult r = ReadNexusMatrixText(QStringLiteral(
        "#NEXUS\nbegin data; dimensions ntax=4 nchar=4; format symbols=\"012\" matchchar=.;\n"
        "matrix\na (01)0{12}0\nb (12)1{01}0\nc 0(01)20\nd .{02}1(0 1)\n;\nend;\n"));
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    const QString notes = r->Notes.join('\n');
    EXPECT_TRUE(notes.contains(QStringLiteral(
        "NEXUS: polymorphic cells read as \"?\", by character: 1 in characters 2, 4; 3 in "
        "character 1.")))
        << notes.toStdString();
    EXPECT_TRUE(notes.contains(QStringLiteral(
        "NEXUS: uncertain cells read as \"?\", by character: 1 in character 2; 2 in character 3.")))
        << notes.toStdString();
    EXPECT_TRUE(notes.contains(QStringLiteral("5 polymorphic cells"))) << notes.toStdString();
    EXPECT_EQ(Cell(r, 1, 4), QStringLiteral("?"))
        << "the match character copies a polymorphic cell";
}
