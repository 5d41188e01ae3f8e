// .xls workbooks are read by a child process: damaged files that crashed
// the reading library give a message, and stored formula results are read.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/ImportSource.h"
#include "data/Workbook.h"
#include "data/XlsFormulas.h"

namespace {
QString Fixture(const QString& name)
{
    return QStringLiteral(VARNO_SOURCE_DIR "/tests/data/fixtures/") + name;
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}
}  // namespace

// Each of these made FreeXL crash (and the program with it).
TEST(XlsChild, DamagedWorkbooksGiveAMessage)
{
    const QStringList files = QDir(Fixture("damaged")).entryList({"*.xls"}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    QTemporaryDir dir;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const TReadResult r = ReadWorkbook(Fixture("damaged/" + name));
        EXPECT_FALSE(r.Ok);
        EXPECT_TRUE(r.Error.contains("damaged")) << r.Error.toStdString();
        // The same bytes named .xlsx: the content decides, not the name.
        const QString renamed = dir.filePath(QString(name).replace(".xls", ".xlsx"));
        ASSERT_TRUE(QFile::copy(Fixture("damaged/" + name), renamed));
        const TReadResult again = ReadWorkbook(renamed);
        EXPECT_FALSE(again.Ok);
        EXPECT_TRUE(again.Error.contains("damaged")) << again.Error.toStdString();
    }
    // A sound .xls named .xlsx loads as the .xls does.
    const QString sound = dir.filePath("matrix.xlsx");
    ASSERT_TRUE(QFile::copy(Fixture("matrix.xls"), sound));
    const TReadResult r = ReadWorkbook(sound);
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    EXPECT_EQ(r.Data.DataMatrix, ReadWorkbook(Fixture("matrix.xls")).Data.DataMatrix);
}

// formulas.xls was saved by LibreOffice (make_xls_formulas.sh), which stores
// every formula's result; numbers come out the same on every machine.
TEST(XlsChild, StoredFormulaResultsAreRead)
{
    const TReadResult r = ReadWorkbook(Fixture("formulas.xls"));
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    const TMatrixData& d = r.Data;
    ASSERT_EQ(d.ObjectCount, 3);
    ASSERT_EQ(d.CharacterCount, 5);
    const auto row = [&d](int o) {
        QStringList cells;
        for (int c = 0; c <= d.CharacterCount; ++c) cells << d.DataMatrix[c][o];
        return cells.join('|').toStdString();
    };
    EXPECT_EQ(row(0), "Taxon|number|text|truth|error|date");
    EXPECT_EQ(row(1), "Alpha|3|red|TRUE|#DIV/0!|2024-03-05");
    EXPECT_EQ(row(2), "Beta|7.5|B[A]|FALSE|#N/A|1999-12-31");
    EXPECT_EQ(row(3), "Gamma|0.3|" + std::string(255, 'x') + "|TRUE|0|-0.125");
    // The 300-character result was cut, and the load report says so.
    EXPECT_EQ(d.CutCells, 1);
    EXPECT_TRUE(LoadWarnings(d).join('\n').contains("object 3, character 2"));
}

TEST(XlsChild, FormulaRecordsOfDamagedFilesAreReadWithinBounds)
{
    // Every cut and every flipped byte of a real file: no read outside it
    // (the sanitizer build checks), and a plain file gives no formula.
    const QByteArray original = FileBytes(Fixture("formulas.xls"));
    EXPECT_GE(ReadXlsFormulaResults(original).Cells.size(), 15u);
    EXPECT_TRUE(ReadXlsFormulaResults(FileBytes(Fixture("offset.xls"))).Cells.empty());
    for (qsizetype cut = 0; cut < original.size(); cut += 97)
        ReadXlsFormulaResults(original.left(cut));
    std::uint32_t seed = 99;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = original;
        for (int k = 0; k < 6; ++k) {
            seed = seed * 1664525u + 1013904223u;
            bytes[(seed >> 8) % bytes.size()] = static_cast<char>(seed >> 3);
        }
        for (const TXlsFormulaCell& cell : ReadXlsFormulaResults(bytes).Cells)
            EXPECT_LE(cell.Col, 0xFFFFu);
    }
}
