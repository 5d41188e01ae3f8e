// The workbook features spreadsheet programs write (tests/data/fixtures/
// make_feature_workbooks.py spells out the XML), and values written one way
// whatever the format and the locale.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <clocale>
#include <string>

#include "data/Workbook.h"
#include "data/WorkbookSheet.h"

namespace {
QString Fixture(const char* name)
{
    return QStringLiteral(VARNO_SOURCE_DIR "/tests/data/fixtures/") + QString::fromUtf8(name);
}

using TGrid = std::vector<std::vector<QString>>;  // rows of cells

void ExpectGrid(const TReadResult& r, const TGrid& rows)
{
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    ASSERT_EQ(r->Data.ObjectCount + 1, static_cast<int>(rows.size()));
    ASSERT_EQ(r->Data.CharacterCount + 1, static_cast<int>(rows[0].size()));
    for (size_t o = 0; o < rows.size(); ++o)
        for (size_t c = 0; c < rows[o].size(); ++c)
            EXPECT_EQ(r->Data.DataMatrix.at(c).at(o), rows[o][c])
                << "row " << o + 1 << ", column " << c + 1;
}

const TGrid OdsFeatures{
    {"Taxon", "size", "colour", "note", "when"},
    {"Alpha", "3", "red  dark", "  lead and collapsed    end", "2024-03-01"},
    {"Beta", "0.25", "first\nsecond", "x\ty", "2024-03-01 12:30:00"},
    {"Gamma", "wide", "", "after", "12:30:00"},  // the covered cell reads empty
    {"Delta", "TRUE", "3", "", "#DIV/0!"},
    {"Eps", "?", "?", "", ""},
    {"Eps", "?", "?", "", ""},
    {"Zeta", "A", "B[A]", "l1\nl2", "1E-7"},
};

const TGrid XlsxFeatures{
    {"Taxon", "size", "colour", "when", "other"},
    {"Alpha", "3", "B[A]", "2024-03-01", "2024-03-01 12:00:00"},
    {"Beta", "2.5", "red  dark", "2024-03-01", "0.25"},
    {"Gamma", "TRUE", "kanji", "18:00:00", "5"},
    {"  lead", "wide", "", "", "#DIV/0!"},
    {"Eps", "1E20", "FALSE", "3", "-0.125"},
};

// Sets a German locale for Qt and, where installed, for the C library.
class TGermanLocale {
public:
    TGermanLocale() : OldQt(QLocale())
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const char* old = std::setlocale(LC_ALL, nullptr);
        OldC = old ? old : "C";
        CSet = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    ~TGermanLocale()
    {
        QLocale::setDefault(OldQt);
        std::setlocale(LC_ALL, OldC.c_str());
    }
    TGermanLocale(const TGermanLocale&) = delete;
    TGermanLocale& operator=(const TGermanLocale&) = delete;

private:
    QLocale OldQt;
    std::string OldC;
    bool CSet = false;
};
}  // namespace

TEST(WorkbookFeatures, OdsCellsRepeatsMergesAndSpaces)
{
    const TReadResult r = ReadWorkbook(Fixture("features.ods"));
    ExpectGrid(r, OdsFeatures);
    ASSERT_EQ(r->Warnings.size(), 1);
    EXPECT_TRUE(r->Warnings[0].contains("(D5)")) << r->Warnings[0].toStdString();
}

TEST(WorkbookFeatures, XlsxStringsStylesAndFormulaResults)
{
    const TReadResult r = ReadWorkbook(Fixture("features.xlsx"));
    ExpectGrid(r, XlsxFeatures);
    ASSERT_EQ(r->Warnings.size(), 1);
    EXPECT_TRUE(r->Warnings[0].contains("(D5)")) << r->Warnings[0].toStdString();
}

TEST(WorkbookFeatures, SameValuesUnderAGermanLocale)
{
    const TGermanLocale german;
    EXPECT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    ExpectGrid(ReadWorkbook(Fixture("features.ods")), OdsFeatures);
    ExpectGrid(ReadWorkbook(Fixture("features.xlsx")), XlsxFeatures);
    EXPECT_EQ(WorkbookNumberText(2.5), "2.5");
    const TReadResult xls = ReadWorkbook(Fixture("matrix.xls"));
    ASSERT_TRUE(xls.Ok());
    EXPECT_EQ(xls->Data.DataMatrix[3][1], "2.5");
}

TEST(WorkbookFeatures, RepeatedCellsOverTheWholeSheetAreRefusedWithoutExpanding)
{
    QElapsedTimer timer;
    timer.start();
    const TReadResult r = ReadWorkbook(Fixture("repeat_bomb.ods"));
    EXPECT_FALSE(r.Ok());
    EXPECT_TRUE(r.Error().contains("too large")) << r.Error().toStdString();
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST(WorkbookValues, NumbersHaveAPointAndTheShortestDigits)
{
    const std::vector<std::pair<double, const char*>> cases{
        {3, "3"},
        {-3, "-3"},
        {0, "0"},
        {2.5, "2.5"},
        {0.1, "0.1"},
        {-0.125, "-0.125"},
        {1e20, "1E20"},
        {1e15, "1E15"},
        {123456789012345, "123456789012345"},
        {1.5e-7, "1.5E-7"},
        {0.00001, "0.00001"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1234.5678, "1234.5678"},
        {1e300 * 1e300, "INF"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(WorkbookNumberText(value), text) << text;
}

TEST(WorkbookValues, DatesAndTimesAreIso)
{
    EXPECT_EQ(WorkbookSerialDateText(45352, false, TDateParts::Date), "2024-03-01");
    EXPECT_EQ(WorkbookSerialDateText(45352.75, false, TDateParts::Date), "2024-03-01");
    EXPECT_EQ(WorkbookSerialDateText(45352.75, false, TDateParts::DateTime), "2024-03-01 18:00:00");
    EXPECT_EQ(WorkbookSerialDateText(0.5, false, TDateParts::Time), "12:00:00");
    EXPECT_EQ(WorkbookSerialDateText(43890, true, TDateParts::Date), "2024-03-01");  // 1904 system
    EXPECT_EQ(WorkbookSerialDateText(1, false, TDateParts::Date), "1900-01-01");
    EXPECT_EQ(WorkbookSerialDateText(60, false, TDateParts::Date), "1900-02-29");
    EXPECT_EQ(WorkbookSerialDateText(61, false, TDateParts::Date), "1900-03-01");
    EXPECT_EQ(WorkbookSerialDateText(-1, false, TDateParts::Date), "");  // shown as a number
    EXPECT_EQ(WorkbookSerialDateText(1e12, false, TDateParts::Date), "");

    EXPECT_EQ(WorkbookIsoDateText("2024-03-01"), "2024-03-01");
    EXPECT_EQ(WorkbookIsoDateText("2024-03-01T12:30:00"), "2024-03-01 12:30:00");
    EXPECT_EQ(WorkbookIsoDateText("2024-03-01T23:59:59.7"), "2024-03-02 00:00:00");
    EXPECT_EQ(WorkbookIsoDateText("not a date"), "not a date");
    EXPECT_EQ(WorkbookBoolText(true), "TRUE");
    EXPECT_EQ(WorkbookCellName(0, 0), "A1");
    EXPECT_EQ(WorkbookCellName(4, 27), "AB5");
    EXPECT_EQ(WorkbookCellName(0, 16383), "XFD1");
}

TEST(WorkbookSheet, OneColumnGetsAnEmptyCharacterLikeAOneColumnTextFile)
{
    const TResult<TMatrixData> read = SheetToMatrix({{2, 3, "Taxon"}, {3, 3, "A"}, {4, 3, "B"}});
    ASSERT_TRUE(read) << read.Error().toStdString();
    const TMatrixData& d = *read;
    EXPECT_EQ(d.ObjectCount, 2);
    EXPECT_EQ(d.CharacterCount, 1);
    ASSERT_EQ(d.DataMatrix.size(), 2u);
    EXPECT_EQ(d.DataMatrix[0][2], "B");
    EXPECT_EQ(d.DataMatrix[1][2], "");
    const TReadResult text = ReadTextMatrixBytes("Taxon\nA\nB\n");
    EXPECT_EQ(text->Data.CharacterCount, d.CharacterCount);
    EXPECT_EQ(text->Data.ObjectCount, d.ObjectCount);
}

TEST(WorkbookFeatures, FuzzedContentRepeatingValuesIsRefusedQuickly)
{
    // Found by fuzzing: 5 KB of content.xml repeating a row a million times.
    QFile f(Fixture("ods-content-repeat-slow.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray xml = f.readAll().mid(1);  // the fuzz target's selector byte
    QElapsedTimer timer;
    timer.start();
    const TResult<TSheetRead> read = ReadOdsContentXml(xml, {});
    EXPECT_FALSE(read);
    EXPECT_TRUE(read.Error().contains("damaged")) << read.Error().toStdString();
    EXPECT_LT(timer.elapsed(), 2000);
}
