// Files no user means to load as data: each gives a message naming the
// problem, quickly, and nothing half-read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <random>

#include "data/ImportSource.h"
#include "data/Workbook.h"
#include "tests/support/TestFiles.h"

namespace {
QByteArray RandomBytes(qsizetype size, std::uint64_t seed)
{
    std::mt19937_64 gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = gen();
        std::memcpy(bytes.data() + i, &v, 8);
    }
    return bytes;
}

bool WarnsAbout(const TMatrixData& d, const char* words)
{
    for (const QString& w : LoadWarnings(d))
        if (w.contains(QLatin1String(words))) return true;
    return false;
}
}  // namespace

TEST(BadInput, PathsThatAreNoReadableFile)
{
    QTemporaryDir dir;
    for (const bool workbook : {false, true}) {
        const auto read = [workbook](const QString& p) {
            return workbook ? ReadWorkbook(p) : ReadTextMatrix(p);
        };
        EXPECT_TRUE(read(dir.filePath("nowhere.txt")).Error().contains("does not exist"));
        EXPECT_TRUE(read(dir.path()).Error().contains("folder"));
    }
    // A file that opens but cannot be read (reading it fails with an I/O error).
    if (QFile::exists(QStringLiteral("/proc/self/mem"))) {
        const TReadResult r = ReadTextMatrix(QStringLiteral("/proc/self/mem"));
        EXPECT_FALSE(r.Ok());
        EXPECT_TRUE(r.Error().contains("Cannot")) << r.Error().toStdString();
    }
    const QString locked = WriteFile(dir, "locked.txt", "h\ta\nx\t1\n");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (::access(locked.toLocal8Bit().constData(), R_OK) == 0)
        GTEST_SKIP() << "running with rights that read any file (root)";
    const TReadResult r = ReadTextMatrix(locked);
    EXPECT_FALSE(r.Ok());
    EXPECT_TRUE(r.Error().contains("Cannot open")) << r.Error().toStdString();
}

TEST(BadInput, FiftyMegabytesOfRandomBytes)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "noise.txt", RandomBytes(50 * 1024 * 1024, 99));
    QElapsedTimer timer;
    timer.start();
    const TReadResult text = ReadTextMatrix(path);
    EXPECT_FALSE(text.Ok());
    EXPECT_TRUE(text.Error().contains("binary data")) << text.Error().toStdString();
    const QString xlsPath = dir.filePath("noise.xls");
    ASSERT_TRUE(QFile::rename(path, xlsPath));
    const TReadResult book = ReadWorkbook(xlsPath);
    EXPECT_FALSE(book.Ok());
    EXPECT_TRUE(book.Error().contains("not a workbook")) << book.Error().toStdString();
    // Generous: only a hang or a quadratic walk would come near it.
    EXPECT_LT(timer.elapsed(), 60'000);
}

TEST(BadInput, OneLineWithAHundredThousandTabs)
{
    const QByteArray line = "names" + QByteArray(100'000, '\t') + "last";
    const TReadResult r = ReadTextMatrixBytes(line);
    ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
    EXPECT_EQ(r->Data.CharacterCount, 100'000);
    EXPECT_EQ(r->Data.ObjectCount, 0);
    EXPECT_EQ(r->Data.DataMatrix.size(), 100'001u);
    EXPECT_EQ(r->Data.DataMatrix[100'000][0], "last");
    EXPECT_TRUE(WarnsAbout(r->Data, "only a header line"));

    // The same line over many objects would need billions of cells: refused.
    const TReadResult wide =
        ReadTextMatrixBytes(line + "\n" + QByteArray(300, '\n').replace("\n", "o\tx\n"));
    EXPECT_FALSE(wide.Ok());
    EXPECT_TRUE(wide.Error().contains("too large")) << wide.Error().toStdString();
}

TEST(BadInput, EmptyFileLoadsAsOneEmptyCellWithAWarning)
{
    const TReadResult r = ReadTextMatrixBytes({});
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r->Data.ObjectCount, 1);
    EXPECT_EQ(r->Data.CharacterCount, 1);
    EXPECT_TRUE(WarnsAbout(r->Data, "every cell is empty"));
    // A proper file has no warning.
    EXPECT_TRUE(LoadWarnings(ReadTextMatrixBytes("h\ta\nx\t1\n")->Data).isEmpty());
}

TEST(BadInput, MoreThan255ObjectsLoadWithAWarning)
{
    QByteArray bytes = "Taxon\tc1\n";
    for (int o = 1; o <= 300; ++o) bytes += "t" + QByteArray::number(o) + "\tA\n";
    const TReadResult r = ReadTextMatrixBytes(bytes);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r->Data.ObjectCount, 300);
    EXPECT_TRUE(WarnsAbout(r->Data, "at most 255 objects"));
    bytes.truncate(bytes.indexOf("t256\t"));
    EXPECT_FALSE(WarnsAbout(ReadTextMatrixBytes(bytes)->Data, "at most 255"));
}

TEST(BadInput, UnicodeTextFromSpreadsheetsIsReadNotRefused)
{
    // "Unicode text" is UTF-16 with a byte-order mark; its NUL bytes are no binary.
    const QString text = QString::fromUtf8("Taxon\tsize\r\nGr\xc3\xbcn_a\tB[A]\r\n");
    QByteArray le("\xff\xfe", 2), be("\xfe\xff", 2);
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        le += char(u & 0xff), le += char(u >> 8);
        be += char(u >> 8), be += char(u & 0xff);
    }
    for (const QByteArray& bytes : {le, be}) {
        const TReadResult r = ReadTextMatrixBytes(bytes);
        ASSERT_TRUE(r.Ok()) << r.Error().toStdString();
        EXPECT_EQ(r->Data.ObjectCount, 1);
        EXPECT_EQ(r->Data.DataMatrix[0][1], QString::fromUtf8("Gr\xc3\xbcn_a"));
        EXPECT_EQ(r->Data.DataMatrix[1][1], "B[A]");
    }
}

TEST(BadInput, ShortRandomTextNeverBreaksTheMatrixShape)
{
    // Random tabs, line ends, Ctrl-Z and high bytes: the shape rules always hold.
    std::mt19937_64 gen(2024);
    const char alphabet[] = {'\t', '\n', '\r', '\x1a', 'a',    'B',
                             '[',  ']',  '?',  '&',    '\xe9', '\xc3'};
    for (int round = 0; round < 500; ++round) {
        QByteArray bytes;
        const int length = static_cast<int>(gen() % 200);
        for (int i = 0; i < length; ++i) bytes += alphabet[gen() % sizeof alphabet];
        const TReadResult r = ReadTextMatrixBytes(bytes);
        ASSERT_TRUE(r.Ok()) << "round " << round << " seed 2024";
        const TMatrixData& d = r->Data;
        ASSERT_GE(d.CharacterCount, 1);
        ASSERT_GE(d.ObjectCount, 0);
        ASSERT_EQ(d.DataMatrix.size(), static_cast<size_t>(d.CharacterCount) + 1)
            << "round " << round;
        for (const TPart& column : d.DataMatrix) {
            ASSERT_EQ(column.size(), d.DataMatrix[0].size());
            ASSERT_GE(column.size(), static_cast<size_t>(d.ObjectCount) + 1);
        }
    }
}
