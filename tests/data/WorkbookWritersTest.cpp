// Workbooks saved by LibreOffice Calc and Gnumeric from tab-separated
// sources (tests/data/fixtures/real-writers, made by the script there) must
// load as the same matrix as their source text file.
#include <gtest/gtest.h>

#include <QDir>

#include "data/ImportSource.h"
#include "data/Workbook.h"

namespace {
const QString Source = QStringLiteral(VARNO_SOURCE_DIR);
const QString Writers = Source + QStringLiteral("/tests/data/fixtures/real-writers");

std::vector<std::string> WriterWorkbooks()
{
    std::vector<std::string> names;
    for (const QString& f : QDir(Writers).entryList(
             {QStringLiteral("*.xls"), QStringLiteral("*.xlsx"), QStringLiteral("*.ods")},
             QDir::Files))
        names.push_back(f.toStdString());
    return names;
}

// NAME.WRITER.EXT comes from examples/NAME.txt or sources/NAME.txt.
QString TextSourceOf(const QString& workbook)
{
    const QString name = workbook.section(QLatin1Char('.'), 0, 0);
    const QString example = Source + QStringLiteral("/examples/") + name + QStringLiteral(".txt");
    return QFile::exists(example)
               ? example
               : Writers + QStringLiteral("/sources/") + name + QStringLiteral(".txt");
}
}  // namespace

class RealWriterWorkbook : public testing::TestWithParam<std::string> {};

TEST_P(RealWriterWorkbook, LoadsAsItsTextSource)
{
    const QString file = QString::fromStdString(GetParam());
    const TReadResult book = ReadWorkbook(Writers + QLatin1Char('/') + file);
    const TReadResult text = ReadTextMatrix(TextSourceOf(file));
    ASSERT_TRUE(text.Ok()) << text.Error().toStdString();
    ASSERT_TRUE(book.Ok()) << book.Error().toStdString();
    EXPECT_TRUE(book->Warnings.isEmpty()) << book->Warnings.join('\n').toStdString();
    ASSERT_EQ(book->Data.ObjectCount, text->Data.ObjectCount);
    ASSERT_EQ(book->Data.CharacterCount, text->Data.CharacterCount);
    // Gnumeric's tab import drops leading spaces before the file is written.
    const bool gnumeric = file.contains(QLatin1String(".gnumeric."));
    for (int c = 0; c <= text->Data.CharacterCount; ++c)
        for (int o = 0; o <= text->Data.ObjectCount; ++o) {
            QString expected = text->Data.DataMatrix.at(c).at(o);
            if (gnumeric)
                while (expected.startsWith(QLatin1Char(' '))) expected.remove(0, 1);
            // Gnumeric's tab import gives a column the date-only format of its
            // first date, so the time is not shown in any of its formats.
            if (gnumeric && file.startsWith(QLatin1String("dates."))) expected = expected.left(10);
            EXPECT_EQ(book->Data.DataMatrix.at(c).at(o), expected)
                << "character " << c << ", object " << o;
        }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RealWriterWorkbook, testing::ValuesIn(WriterWorkbooks()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

TEST(RealWriterWorkbook, EveryFormatOfEveryWriterIsThere)
{
    // A missing file would quietly shrink the comparison above.
    const std::vector<std::string> files = WriterWorkbooks();
    EXPECT_GE(files.size(), 60u);
    for (const char* name :
         {"one_column", "spaces", "merged_cells", "simulated", "weevils", "dates"})
        for (const char* writer : {"lo", "gnumeric"})
            for (const char* ext : {"xls", "xlsx", "ods"}) {
                const std::string f = std::string(name) + "." + writer + "." + ext;
                EXPECT_NE(std::find(files.begin(), files.end(), f), files.end()) << f;
            }
}
