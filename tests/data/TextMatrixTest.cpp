#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "data/ImportSource.h"
#include "data/TextFile.h"

namespace {
TMatrixData Read(const QByteArray& bytes)
{
    TReadResult r = ReadTextMatrixBytes(bytes);
    EXPECT_TRUE(r.Ok()) << r.Error().toStdString();
    return r->Data;
}
QString Cell(const TMatrixData& d, int c, int o) { return d.DataMatrix.at(c).at(o); }
}  // namespace

TEST(TextMatrix, ReadsHeaderNamesAndCells)
{
    const TMatrixData d = Read("Taxon\tsize\tcolour\nt1\tA\tred\nt2\tB[A]\tgreen\n");
    EXPECT_EQ(d.CharacterCount, 2);
    EXPECT_EQ(d.ObjectCount, 2);
    EXPECT_EQ(Cell(d, 0, 1), "t1");
    EXPECT_EQ(Cell(d, 0, 2), "t2");
    EXPECT_EQ(Cell(d, 1, 0), "size");
    EXPECT_EQ(Cell(d, 2, 0), "colour");
    EXPECT_EQ(Cell(d, 1, 2), "B[A]");
}

TEST(TextMatrix, LineEndsAndEndOfText)
{
    // CR LF ends a line, a lone CR is dropped, Ctrl-Z ends the text.
    const TMatrixData d = Read("h\ta\r\nx\t1\rz\r\ny\t2\x1az\tlost\n");
    EXPECT_EQ(d.ObjectCount, 2);
    EXPECT_EQ(Cell(d, 1, 1), "1z");
    EXPECT_EQ(Cell(d, 1, 2), "2");
    EXPECT_EQ(d.CharacterCount, 1);
}

TEST(TextMatrix, CountsFollowTabsAndLastNonEmptyField)
{
    {
        const TMatrixData d = Read("");
        EXPECT_EQ(d.ObjectCount, 1);
        EXPECT_EQ(d.CharacterCount, 1);
    }
    {
        const TMatrixData a = Read("h\ta\nx\t1\n");
        const TMatrixData b = Read("h\ta\nx\t1\n\n");
        EXPECT_EQ(a.ObjectCount, b.ObjectCount);
        EXPECT_EQ(a.CharacterCount, b.CharacterCount);
    }
    {
        const TMatrixData d = Read("h\ta\tb\tc\nx\t1\t2\t3\t4\t5\n");
        EXPECT_EQ(d.CharacterCount, 5);
        EXPECT_EQ(Cell(d, 4, 0), "");
        EXPECT_EQ(Cell(d, 5, 0), "");
        EXPECT_EQ(Cell(d, 5, 1), "5");
    }
    {
        const TMatrixData d = Read("h\ta\tb\nx\t1\t2\ny\t3\t\n");
        EXPECT_EQ(d.ObjectCount, 1);    // the last line's last field is empty
        EXPECT_EQ(Cell(d, 1, 2), "3");  // but it is stored
    }
    {
        const TMatrixData d = Read("h\na\nb\n");
        EXPECT_EQ(d.CharacterCount, 1);
        EXPECT_EQ(d.ObjectCount, 2);
        EXPECT_EQ(Cell(d, 1, 1), "");
    }
    {
        const TMatrixData d = Read("h\ta\n");
        EXPECT_EQ(d.ObjectCount, 0);  // only the header has a last field
    }
    {
        const TMatrixData d = Read("\t\n\t\n");
        EXPECT_EQ(d.ObjectCount, 1);  // no line has a non-empty last field
    }
}

TEST(TextMatrix, LongCellsAreCut)
{
    const TMatrixData d = Read("h\ta\nx\t" + QByteArray(300, 'q') + "\n");
    EXPECT_EQ(Cell(d, 1, 1).size(), 255);
}

TEST(TextMatrix, DecodesUtf8AndWindows1252)
{
    EXPECT_EQ(Cell(Read("h\ta\nx\t\xc3\xa9t\xc3\xa9\n"), 1, 1),
              QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
    // 0xE9 alone is not UTF-8; 0x80 is the euro sign in Windows-1252.
    EXPECT_EQ(Cell(Read("h\ta\nx\t\xe9\x80\n"), 1, 1), QString::fromUtf8("\xc3\xa9\xe2\x82\xac"));
    // Editors on Windows put a byte-order mark before UTF-8 text; it is not part of the first name.
    const TMatrixData bom = Read("\xef\xbb\xbfTaxon\tcolour\nx\t\xc3\xa9\n");
    EXPECT_EQ(Cell(bom, 0, 0), "Taxon");
    EXPECT_EQ(Cell(bom, 1, 1), QString::fromUtf8("\xc3\xa9"));
}

TEST(TextMatrix, PointToCommaChangesOnlyTheFirstPointOfDataCells)
{
    TMatrixData d = Read("h\tv.1\tw\nn.1\t0.25\t1.2.3\n");
    PointToComma(d.DataMatrix, d.ObjectCount, d.CharacterCount);
    EXPECT_EQ(Cell(d, 1, 1), "0,25");
    EXPECT_EQ(Cell(d, 2, 1), "1,2.3");
    EXPECT_EQ(Cell(d, 1, 0), "v.1");
    EXPECT_EQ(Cell(d, 0, 1), "n.1");
}

TEST(TextMatrix, BadFilesAreRefusedWithAMessage)
{
    QTemporaryDir dir;
    EXPECT_FALSE(ReadTextMatrix(dir.filePath("missing.txt")).Ok());
    const TReadResult folder = ReadTextMatrix(dir.path());
    EXPECT_FALSE(folder.Ok());
    EXPECT_TRUE(folder.Error().contains("folder"));
    EXPECT_FALSE(ReadTextMatrixBytes(QByteArray("h\ta\0b", 5)).Ok());
}

TEST(TextMatrix, SavedTableLoadsBackTheSameCells)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("round.txt");
    std::vector<QStringList> rows{
        {"", "c1", "c2"}, {"o1", "B[A]", "?"}, {"o2", QString::fromUtf8("\xc3\xa9"), "x"}};
    ASSERT_TRUE(SaveTextFile(path, EncodeTextTable(rows)).Ok());
    const TReadResult r = ReadTextMatrix(path);
    ASSERT_TRUE(r.Ok());
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) EXPECT_EQ(Cell(r->Data, col, row), rows[row][col]);
}
