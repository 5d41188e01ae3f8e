// CSV files read as the same table as the tab-separated text, and the faults
// of hand-made CSV files reported by line.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "data/CsvReader.h"
#include "data/DataFile.h"

TEST(CsvReader, SameTableAsTheTextReader)
{
    const QByteArray text =
        "Taxon\twing\tsetae\r\nOutgroup\tsimple[]\t?\r\nAlba\tbranched[simple]\tdense 1.5\r\n";
    const QByteArray comma =
        "\xEF\xBB\xBFTaxon,wing,setae\r\nOutgroup,simple[],?\r\nAlba,\"branched[simple]\",dense "
        "1.5\r\n";
    const QByteArray semicolon =
        "Taxon;wing;setae\nOutgroup;simple[];?\nAlba;branched[simple];\"dense 1.5\"";
    const TReadResult expected = ReadTextMatrixBytes(text);
    ASSERT_TRUE(expected.Ok());
    for (const QByteArray& csv : {comma, semicolon}) {
        const TReadResult r = ReadCsvMatrixBytes(csv);
        ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
        EXPECT_EQ(r->Data.DataMatrix, expected->Data.DataMatrix) << csv.toStdString();
        EXPECT_EQ(r->Data.ObjectCount, 2);
        EXPECT_EQ(r->Data.CharacterCount, 2);
    }
    // Quoted separators, quotes and line breaks stay inside their field.
    const TReadResult quoted =
        ReadCsvMatrixBytes("Taxon,a\n\"Smith, J.\",\"say \"\"hi\"\"\nthere\"\nB,1\n");
    ASSERT_TRUE(quoted.Ok()) << quoted.Error().toStdString();
    EXPECT_EQ(quoted->Data.DataMatrix[0][1], QStringLiteral("Smith, J."));
    EXPECT_EQ(quoted->Data.DataMatrix[1][1], QStringLiteral("say \"hi\" there"));
    EXPECT_EQ(quoted->Data.DataMatrix[0][2], QStringLiteral("B"));
    EXPECT_TRUE(quoted->Notes.join(QLatin1Char(' ')).contains(QStringLiteral("line breaks")));

    // Through the one reader: chosen by the extension, decimal point as in text files.
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("m.CSV")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(comma);
    f.close();
    const TReadResult file = ReadDataFile(f.fileName());
    ASSERT_TRUE(file.Ok()) << file.Error().toStdString();
    EXPECT_EQ(file->Data.DataMatrix[2][2], QStringLiteral("dense 1,5"));
}

TEST(CsvReader, FaultsNameTheLine)
{
    struct TCase {
        QByteArray bytes;
        const char* expect;
    };
    const TCase cases[] = {
        {"Taxon,a,b\nA,1,2\nB,1,2,3\n", "line 3 has 4 fields, the header line 3"},
        {"Taxon,a\nA,1\nB,1\"2\n", "line 3, field 2: a stray quote"},
        {"Taxon,a\nA,\"1\"x\n", "line 2, field 2: text after the closing quote"},
        {"Taxon,a\nA,1\nB,\"never\nclosed\n", "line 3, field 2: a quoted field is never closed"},
        {QByteArray("Taxon,a\n\0A,1\n", 14), "binary data"},
    };
    for (const TCase& c : cases) {
        const TReadResult r = ReadCsvMatrixBytes(c.bytes);
        EXPECT_FALSE(r.Ok()) << c.bytes.toStdString();
        EXPECT_TRUE(r.Error().contains(QString::fromUtf8(c.expect)))
            << "got: " << r.Error().toStdString() << "\nwanted: " << c.expect;
    }
    // Short rows load with a warning that names them; trailing empty fields are no fault.
    const TReadResult shortRows = ReadCsvMatrixBytes("Taxon,a,b\nA,1\nB,1,2,,\nC,1\n");
    ASSERT_TRUE(shortRows.Ok()) << shortRows.Error().toStdString();
    EXPECT_TRUE(shortRows->Notes.join(QLatin1Char(' '))
                    .contains(QStringLiteral("header line, missing cells left empty: 2, 4")))
        << shortRows->Notes.join(QLatin1Char(' ')).toStdString();
}

TEST(CsvReader, RefusesAHugeFileBeforeReadingIt)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("huge.csv")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Sparse: no disk space is used, but the size is what the reader sees.
    ASSERT_TRUE(f.resize(MaxDataFileBytes + 1));
    f.close();
    const TReadResult r = ReadDataFile(f.fileName());
    EXPECT_FALSE(r.Ok());
    EXPECT_TRUE(r.Error().contains(QStringLiteral("too large"))) << r.Error().toStdString();
    // Many cells in a small file are refused before the table is built.
    const QByteArray many = "Taxon\n" + QByteArray(MaxMatrixCells + 1, ',') + "\n";
    const TReadResult cells = ReadCsvMatrixBytes(many);
    EXPECT_FALSE(cells.Ok());
    EXPECT_TRUE(cells.Error().contains(QStringLiteral("too large"))) << cells.Error().toStdString();
}
