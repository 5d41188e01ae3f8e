// Reading is bounded whatever the file is: devices and pipes that never end,
// files too large to load, cells too long to keep.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <thread>

#include "data/ImportSource.h"
#include "data/Sanitizers.h"
#include "data/TextFile.h"
#include "data/Workbook.h"
#include "tests/support/TestFiles.h"

namespace {
// Feeds a FIFO until its reader goes away.
void FeedFifo(const QString& fifo, const std::atomic<bool>& stop)
{
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
    if (fd < 0) return;
    const QByteArray chunk(1 << 16, 'a');
    while (!stop && ::write(fd, chunk.constData(), static_cast<size_t>(chunk.size())) > 0) {
    }
    ::close(fd);
}
}  // namespace

TEST(EndlessInput, ReadingStopsOneBytePastTheLimit)
{
    QTemporaryDir dir;
    const TResult<QByteArray> exact =
        ReadWholeFile(WriteFile(dir, "exact", QByteArray(1000, 'x')), 1000);
    ASSERT_TRUE(exact.Ok()) << exact.Error().toStdString();
    EXPECT_EQ(exact->size(), 1000);
    const TResult<QByteArray> over =
        ReadWholeFile(WriteFile(dir, "over", QByteArray(1001, 'x')), 1000);
    EXPECT_FALSE(over.Ok());
    EXPECT_TRUE(over.Error().contains("too large")) << over.Error().toStdString();

    // A device's size is 0, and it never ends.
    const TResult<QByteArray> zero = ReadWholeFile(QStringLiteral("/dev/zero"), 1 << 20);
    EXPECT_FALSE(zero.Ok());
    EXPECT_TRUE(zero.Error().contains("more than 1 MB")) << zero.Error().toStdString();

    std::signal(SIGPIPE, SIG_IGN);
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    std::atomic<bool> stop{false};
    std::thread writer(FeedFifo, fifo, std::cref(stop));
    const TResult<QByteArray> read = ReadWholeFile(fifo, 1 << 20);
    stop = true;
    writer.join();
    EXPECT_FALSE(read.Ok());
    EXPECT_TRUE(read.Error().contains("too large")) << read.Error().toStdString();
}

TEST(EndlessInput, DataFilesAndWorkbooksOnDevicesAreRefused)
{
    QTemporaryDir dir;
    const QString book = dir.filePath("zero.xlsx");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), book));
    for (const TReadResult& r : {ReadTextMatrix(QStringLiteral("/dev/zero")), ReadWorkbook(book)}) {
        EXPECT_FALSE(r.Ok());
        EXPECT_TRUE(r.Error().contains("too large")) << r.Error().toStdString();
    }
}

// 2 000 lines of 20 000 cells (200 MB) hold twice the cells a matrix may
// have: refused after counting, in well under 1.5 GB of address space
// (splitting it into cells first took 3.5 GB).
TEST(EndlessInput, TooManyCellsAreRefusedBeforeTheyAreBuilt)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{rlim_t(1536) << 20, rlim_t(1536) << 20};
        if (!AddressSanitizerBuild) ::setrlimit(RLIMIT_AS, &limit);
        QByteArray line;
        for (int c = 0; c < 20000; ++c) line += "abcd\t";
        line += '\n';
        QByteArray bytes;
        bytes.reserve(line.size() * 2000);
        for (int o = 0; o < 2000; ++o) bytes += line;
        const TReadResult r = ReadTextMatrixBytes(bytes);
        ::_exit(!r.Ok() && r.Error().contains(QLatin1String("too large")) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "the reader died (out of memory?)";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(EndlessInput, CutCellsAreNamedInTheLoadWarnings)
{
    const QString longState = QString(300, QLatin1Char('s'));
    QByteArray bytes = "Taxon\tc1\tc2\nt1\tA\tB\nt2\t" + longState.toUtf8() + "\tB\nt3\tA\t" +
                       longState.toUtf8() + "\n";
    TReadResult r = ReadTextMatrixBytes(bytes);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r->Data.DataMatrix[1][2].size(), MaxCellLength);
    QString warning = LoadWarnings(r->Data).join('\n');
    EXPECT_TRUE(warning.contains("2 cell(s) longer than 255 characters")) << warning.toStdString();
    EXPECT_TRUE(warning.contains("object 2, character 1")) << warning.toStdString();
    // A cut header names the character; a cut never splits a character in two.
    const QString clef = QString::fromUtf8("\xf0\x9d\x84\x9e");  // one character, two UTF-16 units
    r = ReadTextMatrixBytes("Taxon\t" + QString(254, QLatin1Char('h')).toUtf8() + clef.toUtf8() +
                            "x\nt1\tA\n");
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r->Data.DataMatrix[1][0], QString(254, QLatin1Char('h')));
    warning = LoadWarnings(r->Data).join('\n');
    EXPECT_TRUE(warning.contains("1 cell(s)") && warning.contains("the header of character 1"))
        << warning.toStdString();
    EXPECT_FALSE(
        LoadWarnings(ReadTextMatrixBytes("Taxon\tc1\nt1\t" + QByteArray(255, 'x') + "\n")->Data)
            .join("")
            .contains("cut"));
}

// The program's own saves refuse what is no regular file: writing through a
// temporary file would put a regular file in the place of a FIFO or device.
TEST(EndlessInput, SavesRefuseFifosAndFolders)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const TStatus toFifo = SaveTextFile(fifo, "x\r\n");
    EXPECT_FALSE(toFifo.Ok());
    EXPECT_TRUE(toFifo.Error().contains("FIFO")) << toFifo.Error().toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    const TStatus toFolder = SaveTextFile(dir.path(), "x\r\n");
    EXPECT_FALSE(toFolder.Ok());
    EXPECT_TRUE(toFolder.Error().contains("folder")) << toFolder.Error().toStdString();
    EXPECT_TRUE(SaveTextFile(dir.filePath("plain.txt"), "x\r\n").Ok());

    // Identity, not names: a link and a second spelling are the same file.
    const QString plain = dir.filePath("plain.txt"), link = dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(plain, link));
    EXPECT_TRUE(IsSameFile(plain, link));
    EXPECT_TRUE(IsSameFile(plain, dir.path() + "/./plain.txt"));
    EXPECT_FALSE(IsSameFile(plain, fifo));
    EXPECT_FALSE(IsSameFile(plain, dir.filePath("missing.txt")));
}
