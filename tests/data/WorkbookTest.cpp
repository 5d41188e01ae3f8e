#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "data/NumberFormat.h"
#include "data/Workbook.h"
#include "data/WorkbookSheet.h"

namespace {
QString Fixture(const char* name)
{
    return QStringLiteral(VARNO_SOURCE_DIR "/tests/data/fixtures/") + QString::fromUtf8(name);
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

QString Cell(const TMatrixData& d, int c, int o) { return d.DataMatrix.at(c).at(o); }

struct TWorkbookCase {
    const char* File;
    const char* FormulaCell;  // what the formula =1+2 reads as
    bool Warned;              // a warning names the formula cell
};
}  // namespace

class WorkbookMatrix : public testing::TestWithParam<TWorkbookCase> {};

// Every writer's workbook holds the same first sheet; each must read the same.
TEST_P(WorkbookMatrix, FirstSheetBecomesTheMatrix)
{
    const TReadResult r = ReadWorkbook(Fixture(GetParam().File));
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    const TMatrixData& d = r->Data;
    EXPECT_EQ(d.ObjectCount, 4);
    EXPECT_EQ(d.CharacterCount, 4);
    ASSERT_EQ(d.DataMatrix.size(), 5u);
    for (const TPart& column : d.DataMatrix) ASSERT_EQ(column.size(), 5u);

    EXPECT_EQ(Cell(d, 0, 0), "Taxon");
    EXPECT_EQ(Cell(d, 1, 0), "wing_venation");
    EXPECT_EQ(Cell(d, 4, 0), "colour");
    EXPECT_EQ(Cell(d, 0, 1), "Alpha_a");
    EXPECT_EQ(Cell(d, 0, 4), "Delta_d");
    EXPECT_EQ(Cell(d, 1, 2), "B[A]");
    EXPECT_EQ(Cell(d, 3, 2), "?");
    EXPECT_EQ(Cell(d, 4, 2), "");  // an empty cell inside the range
    EXPECT_EQ(Cell(d, 4, 3), QString::fromUtf8("gr\xc3\xbcn"));
    EXPECT_EQ(Cell(d, 1, 4), QString(255, QLatin1Char('q')));
    // Numbers: integral ones without decimals, a point whatever the locale.
    EXPECT_EQ(Cell(d, 2, 1), "1");
    EXPECT_EQ(Cell(d, 2, 3), "-3");
    EXPECT_EQ(Cell(d, 3, 1), "2.5");
    EXPECT_EQ(Cell(d, 3, 3), "0.125");
    EXPECT_EQ(Cell(d, 2, 4), "1E20");
    EXPECT_EQ(Cell(d, 4, 4), GetParam().FormulaCell);
    EXPECT_EQ(r->Warnings.join("").contains("(E5)"), GetParam().Warned)
        << r->Warnings.join("\n").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Writers, WorkbookMatrix,
    testing::Values(
        TWorkbookCase{"matrix.xls", "",
                      false},  // FreeXL: no cached value, empty
                               // both ask for a calculation on load: 0 or nothing stored
        TWorkbookCase{"matrix_xlsxwriter.xlsx", "", true},
        TWorkbookCase{"matrix_openpyxl.xlsx", "", true}, TWorkbookCase{"matrix.ods", "3", false}),
    [](const testing::TestParamInfo<TWorkbookCase>& info) {
        std::string name = info.param.File;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(Workbook, UsedRangeStartsAtTheFirstFilledCell)
{
    for (const char* file : {"offset.xls", "offset.xlsx", "offset_openpyxl.xlsx", "offset.ods"}) {
        SCOPED_TRACE(file);
        const TReadResult r = ReadWorkbook(Fixture(file));
        ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
        EXPECT_EQ(r->Data.ObjectCount, 2);
        EXPECT_EQ(r->Data.CharacterCount, 4);
        EXPECT_EQ(Cell(r->Data, 0, 0), "Taxon");
        EXPECT_EQ(Cell(r->Data, 1, 2), "B[A]");
    }
}

TEST(Workbook, SingleCellIsAOneByOneMatrix)
{
    for (const char* file : {"single_cell.xls", "single_cell.xlsx"}) {
        SCOPED_TRACE(file);
        const TReadResult r = ReadWorkbook(Fixture(file));
        ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
        EXPECT_EQ(r->Data.ObjectCount, 0);
        EXPECT_EQ(r->Data.CharacterCount, 0);
        ASSERT_EQ(r->Data.DataMatrix.size(), 1u);
        ASSERT_EQ(r->Data.DataMatrix[0].size(), 1u);
        EXPECT_EQ(Cell(r->Data, 0, 0), "lonely");
    }
}

TEST(Workbook, EmptyFirstSheetIsRefusedEvenWhenLaterSheetsHoldData)
{
    for (const char* file : {"empty_first_sheet.xls", "empty_first_sheet.xlsx",
                             "empty_first_sheet_openpyxl.xlsx", "empty_first_sheet.ods"}) {
        SCOPED_TRACE(file);
        const TReadResult r = ReadWorkbook(Fixture(file));
        EXPECT_FALSE(r.Ok());
        EXPECT_TRUE(r.Error().contains("first worksheet is empty")) << r.Error().toStdString();
        EXPECT_TRUE(r.Error().contains(Fixture(file)));
    }
}

TEST(Workbook, BadFilesGiveAMessageNamingTheProblem)
{
    QTemporaryDir dir;
    struct TCase {
        QString Path;
        const char* Words;
    };
    const QByteArray xlsx = FileBytes(Fixture("matrix_xlsxwriter.xlsx"));
    const QByteArray xls = FileBytes(Fixture("matrix.xls"));
    const std::vector<TCase> cases{
        {dir.filePath("missing.xlsx"), "does not exist"},
        {dir.path(), "folder"},
        {WriteFile(dir, "empty.xlsx", {}), "empty"},
        {WriteFile(dir, "text.xls", "Taxon\tsize\na\t1\n"), "text file"},
        {Fixture("garbage_zip.xlsx"), "zip archive"},
        {WriteFile(dir, "half.xlsx", xlsx.left(xlsx.size() / 2)), "zip archive"},
        {WriteFile(dir, "half.xls", xls.left(xls.size() / 2)), "damaged"},
        {WriteFile(dir, "binary.ods", QByteArray(4000, '\x01') + QByteArray(10, '\0')),
         "not a workbook"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        const TReadResult r = ReadWorkbook(c.Path);
        EXPECT_FALSE(r.Ok());
        EXPECT_TRUE(r.Error().contains(QLatin1String(c.Words))) << r.Error().toStdString();
    }
}

TEST(Workbook, RandomBytesAndMangledWorkbooksNeverCrash)
{
    // Flipped bytes in real workbooks reach deep into each library.
    QTemporaryDir dir;
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (const char* file :
         {"matrix.xls", "matrix_xlsxwriter.xlsx", "matrix_openpyxl.xlsx", "matrix.ods"}) {
        const QByteArray original = FileBytes(Fixture(file));
        for (int round = 0; round < 40; ++round) {
            QByteArray bytes = original;
            for (int k = 0; k < 8; ++k)
                bytes[next() % bytes.size()] = static_cast<char>(next() >> 24);
            const QString path =
                WriteFile(dir, QStringLiteral("m%1_%2").arg(round).arg(file), bytes);
            const TReadResult r = ReadWorkbook(path);
            if (!r.Ok()) {
                EXPECT_FALSE(r.Error().isEmpty()) << file << " round " << round << " seed 12345";
            } else {
                ASSERT_FALSE(r->Data.DataMatrix.empty());
                EXPECT_EQ(r->Data.DataMatrix.size(),
                          static_cast<size_t>(r->Data.CharacterCount) + 1);
            }
        }
    }
}

TEST(WorkbookSheet, RangesTooLargeForMemoryAreRefused)
{
    const TSheetCells cells{{0, 0, "a"}, {1048575, 16383, "b"}};
    const TResult<TMatrixData> d = SheetToMatrix(cells);
    ASSERT_FALSE(d);
    EXPECT_TRUE(d.Error().contains("too large"));
}

TEST(WorkbookSheet, CellsWithEmptyTextDoNotWidenTheRange)
{
    const TSheetCells cells{{5, 5, ""}, {1, 2, "x"}, {2, 3, "y"}, {9, 9, ""}};
    const TResult<TMatrixData> read = SheetToMatrix(cells);
    ASSERT_TRUE(read) << read.Error().toStdString();
    const TMatrixData& d = *read;
    EXPECT_EQ(d.ObjectCount, 1);
    EXPECT_EQ(d.CharacterCount, 1);
    EXPECT_EQ(Cell(d, 0, 0), "x");
    EXPECT_EQ(Cell(d, 1, 1), "y");
    EXPECT_EQ(Cell(d, 1, 0), "");
}

TEST(Workbook, ZipDeclaringAHugePartIsRefusedQuickly)
{
    // One central-directory entry claims a 4 GB packed part in a 6 KB file;
    // unpacking it would allocate 4 GB.
    QByteArray bytes = FileBytes(Fixture("matrix_xlsxwriter.xlsx"));
    const qsizetype entry = bytes.indexOf(QByteArray("PK\x01\x02", 4));
    ASSERT_GT(entry, 0);
    const char huge[4] = {'\x00', '\xcb', '\x00', '\xf0'};
    bytes.replace(entry + 20, 4, huge, 4);
    QTemporaryDir dir;
    QElapsedTimer timer;
    timer.start();
    const TReadResult r = ReadWorkbook(WriteFile(dir, "huge.xlsx", bytes));
    EXPECT_FALSE(r.Ok());
    EXPECT_TRUE(r.Error().contains("damaged")) << r.Error().toStdString();
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(Workbook, ExampleWorkbookHoldsTheSameMatrixAsTheExampleText)
{
    const TReadResult book =
        ReadWorkbook(QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.xlsx"));
    const TReadResult text =
        ReadTextMatrix(QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.txt"));
    ASSERT_TRUE(book.Ok()) << book.Error().toStdString();
    ASSERT_TRUE(text.Ok()) << text.Error().toStdString();
    EXPECT_EQ(book->Data.ObjectCount, text->Data.ObjectCount);
    EXPECT_EQ(book->Data.CharacterCount, text->Data.CharacterCount);
    for (int c = 0; c <= text->Data.CharacterCount; ++c)
        for (int o = 0; o <= text->Data.ObjectCount; ++o)
            EXPECT_EQ(Cell(book->Data, c, o), Cell(text->Data, c, o)) << "cell " << c << "," << o;
}
