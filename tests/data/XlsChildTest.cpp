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

// Whatever happens to the reader of .xls files (it crashes, hangs on its
// limits or answers nonsense), loading ends with a message and the program
// lives on. A stand-in reader shows each way a child can end.
TEST(XlsChild, AReaderThatDiesGivesAMessage)
{
    QTemporaryDir dir;
    const QString book = dir.filePath("book.xls");
    ASSERT_TRUE(QFile::copy(Fixture("matrix.xls"), book));
    const struct {
        const char* Script;
        const char* Words;
    } readers[] = {
        {"kill -SEGV $$", "damaged or cannot be read"},
        {"echo 'VARNOXLS 1'; echo 's 0 0 5'; printf ab", "damaged or cannot be read"},
        {"echo 'VARNOXLS 1'; echo 'n 0 0 zz'; echo end", "damaged or cannot be read"},
        {"echo 'VARNOXLS 1'; echo 'r 900000 60000'", "too large"},
        {"echo 'VARNOXLS 1'; echo 'f -1000'", "password"},
        {"exit 3", "damaged or cannot be read"},
    };
    for (const auto& reader : readers) {
        SCOPED_TRACE(reader.Script);
        const QString script = dir.filePath("reader.sh");
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("#!/bin/sh\n") + reader.Script + "\n");
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("VARNO_XLS_READER", QFile::encodeName(script));
        const TReadResult r = ReadWorkbook(book);
        qunsetenv("VARNO_XLS_READER");
        EXPECT_FALSE(r.Ok());
        EXPECT_TRUE(r.Error().contains(QLatin1String(reader.Words))) << r.Error().toStdString();
    }
    EXPECT_TRUE(ReadWorkbook(book).Ok());
}

// Mangled workbooks, also named .xlsx: the content decides the reader, and
// each gives a matrix or a message.
TEST(XlsChild, MangledWorkbooksGiveAMatrixOrAMessage)
{
    QTemporaryDir dir;
    const QByteArray original = FileBytes(Fixture("formulas.xls"));
    std::uint32_t seed = 4242;
    for (int round = 0; round < 30; ++round) {
        QByteArray bytes = original;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1664525u + 1013904223u;
            bytes[(seed >> 8) % bytes.size()] = static_cast<char>(seed >> 1);
        }
        for (const char* suffix : {".xls", ".xlsx"}) {
            const QString path = dir.filePath(QStringLiteral("m%1%2").arg(round).arg(suffix));
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(bytes);
            f.close();
            const TReadResult r = ReadWorkbook(path);
            if (r.Ok())
                EXPECT_EQ(r->Data.DataMatrix.size(),
                          static_cast<size_t>(r->Data.CharacterCount) + 1);
            else
                EXPECT_FALSE(r.Error().isEmpty());
        }
    }
    // A sound .xls named .xlsx loads as the .xls does.
    const QString sound = dir.filePath("matrix.xlsx");
    ASSERT_TRUE(QFile::copy(Fixture("matrix.xls"), sound));
    const TReadResult r = ReadWorkbook(sound);
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    EXPECT_EQ(r->Data.DataMatrix, ReadWorkbook(Fixture("matrix.xls"))->Data.DataMatrix);
}

// formulas.xls was saved by LibreOffice (make_xls_formulas.sh), which stores
// every formula's result; numbers come out the same on every machine.
TEST(XlsChild, StoredFormulaResultsAreRead)
{
    const TReadResult r = ReadWorkbook(Fixture("formulas.xls"));
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    const TMatrixData& d = r->Data;
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
