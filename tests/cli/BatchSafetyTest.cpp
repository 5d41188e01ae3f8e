// varno-batch never destroys its input, never writes into devices, FIFOs or
// folders, says so when its output is lost, and ends on endless input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <thread>

#include "tests/support/BatchRun.h"
#include "tests/support/ManyStates.h"

namespace {
const QString Source = QStringLiteral(VARNO_SOURCE_DIR);
const QString Example = Source + QStringLiteral("/examples/state-trees.txt");

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Copy(const QTemporaryDir& dir, const QString& from, const QString& name)
{
    const QString to = dir.filePath(name);
    QFile::remove(to);
    EXPECT_TRUE(QFile::copy(from, to));
    QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return to;
}

// Runs a shell line with $B the batch tool, e.g. "ulimit -f 1; $B paths X".
TBatchRun RunShell(const QString& line, const QString& stdoutFile = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("B"), QStringLiteral(VARNO_BATCH));
    p.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty()) p.setStandardOutputFile(stdoutFile);
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
    TBatchRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.Exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

// Writes bytes into a FIFO until the reader goes away.
class TEndlessWriter {
public:
    explicit TEndlessWriter(const QString& fifo)
        : Thread([path = QFile::encodeName(fifo), this] {
              const int fd = ::open(path.constData(), O_WRONLY);
              if (fd < 0) return;
              const QByteArray chunk(1 << 16, 'a');
              while (!Stop &&
                     ::write(fd, chunk.constData(), static_cast<size_t>(chunk.size())) > 0) {
              }
              ::close(fd);
          })
    {
    }
    ~TEndlessWriter()
    {
        Stop = true;
        Thread.join();
    }

private:
    std::atomic<bool> Stop{false};
    std::thread Thread;
};
}  // namespace

TEST(BatchSafety, AnOutputThatIsAnInputIsRefusedAndTheInputKept)
{
    QTemporaryDir dir;
    const QString data = Copy(dir, Example, "data.txt");
    const QByteArray original = FileBytes(data);
    const QString link = dir.filePath("link.txt"), hard = dir.filePath("hard.txt");
    ASSERT_TRUE(QFile::link(data, link));
    ASSERT_EQ(::link(QFile::encodeName(data).constData(), QFile::encodeName(hard).constData()), 0);
    const QString tree = dir.filePath("tree.nwk");
    {
        QFile f(tree);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("((Alpha,Beta),(Gamma,Delta),(Epsilon,Zeta));\n");
    }
    const QByteArray treeBytes = FileBytes(tree);
    const QString picture = dir.filePath("tree.png");  // a picture's name for the tree file
    ASSERT_TRUE(QFile::link(tree, picture));
    const std::vector<QStringList> calls{
        {"paths", data, "-o", data},
        {"paths", data, "-o", link},
        {"paths", data, "-o", hard},
        {"paths", data, "-o", dir.path() + "/./data.txt"},
        {"transpose", data, "-o", data},
        {"distance", data, "-o", link},
        {"cramer", data, "-o", data},
        {"charfit", data, tree, "-o", tree},
        {"parsimony", data, "--table", data, "--seed", "1"},
        {"parsimony", data, "--newick", hard, "--seed", "1"},
        {"parsimony", data, "--protocol", link, "--seed", "1"},
        {"draw", tree, "-o", picture},
        {"stats", data, tree, "-o", data},
        {"changes", data, tree, "-o", tree},
        {"consensus", tree, "-o", tree},
        {"export", data, "--format", "csv", "-o", link},
        {"search", data, "--newick", data, "--seed", "1"},
        {"merge", data, tree, "-o", tree},
        {"exact", data, "--newick", hard},
    };
    for (const QStringList& call : calls) {
        SCOPED_TRACE(call.join(' ').toStdString());
        const TBatchRun r = RunBatch(call);
        EXPECT_EQ(r.Exit, 1);
        EXPECT_TRUE(r.Err.contains("input file") || r.Err.contains("picture format"))
            << r.Err.toStdString();
        EXPECT_EQ(FileBytes(data), original);
        EXPECT_EQ(FileBytes(tree), treeBytes);
        EXPECT_TRUE(QFileInfo(link).isSymLink());
    }
    // Two outputs into one file would lose the first.
    const TBatchRun twice = RunBatch(
        {"parsimony", data, "--table", dir.filePath("x.txt"), "--newick", dir.filePath("x.txt")});
    EXPECT_EQ(twice.Exit, 1);
    EXPECT_TRUE(twice.Err.contains("same file")) << twice.Err.toStdString();
    // A new file and "-" (standard output) are fine.
    EXPECT_EQ(RunBatch({"paths", data, "-o", dir.filePath("new.txt")}).Exit, 0);
    const TBatchRun toStdout = RunBatch({"paths", data, "-o", "-"});
    EXPECT_EQ(toStdout.Exit, 0);
    EXPECT_EQ(toStdout.Out, FileBytes(dir.filePath("new.txt")));
}

TEST(BatchSafety, DevicesFifosAndFoldersAreNoOutputs)
{
    QTemporaryDir dir;
    // Named like pictures, so that draw gets as far as writing.
    const QString fifo = dir.filePath("pipe.png"), folder = dir.filePath("folder.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(folder));
    // A node of our own, so that a fault cannot replace the system's /dev/null.
    const QString tree = dir.filePath("tree.nwk");
    {
        QFile f(tree);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("((Alpha,Beta),(Gamma,Delta),(Epsilon,Zeta));\n");
    }
    const QString device = dir.filePath("null.png");
    const bool haveDevice =
        ::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    QStringList targets{fifo, folder};
    if (haveDevice) targets << device;
    for (const QString& target : targets)
        for (const QStringList& call :
             {QStringList{"paths", Example, "-o", target},
              QStringList{"parsimony", Example, "--protocol", target, "--seed", "1"},
              QStringList{"draw", tree, "-o", target}}) {
            SCOPED_TRACE(call.join(' ').toStdString());
            const TBatchRun r = RunBatch(call);
            EXPECT_NE(r.Exit, 0);
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
            EXPECT_FALSE(S_ISREG(st.st_mode)) << "the node was replaced by a file";
        }
    const TBatchRun r = RunBatch({"paths", Example, "-o", fifo});
    EXPECT_TRUE(r.Err.contains("FIFO")) << r.Err.toStdString();
    EXPECT_TRUE(RunBatch({"paths", Example, "-o", folder}).Err.contains("folder"));
}

TEST(BatchSafety, LostOutputIsAFailureWithAReason)
{
    if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
    QTemporaryDir dir;
    for (const QString& line : {QStringLiteral("$B paths '%1' > /dev/full").arg(Example),
                                QStringLiteral("$B check '%1' > /dev/full").arg(Example),
                                QStringLiteral("$B --help > /dev/full")}) {
        SCOPED_TRACE(line.toStdString());
        const TBatchRun r = RunShell(line);
        EXPECT_EQ(r.Exit, 1);
        EXPECT_TRUE(r.Err.contains("standard output")) << r.Err.toStdString();
    }
    // A file size limit (ulimit -f, in blocks of 1 KB here) stops the write: the
    // reason is named, to a file and to standard output alike.
    const QString out = dir.filePath("out.txt");
    TBatchRun r = RunShell(QStringLiteral("ulimit -f 1; $B paths '%1' -o '%2'")
                               .arg(Source + "/examples/weevils.txt", out));
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains("ulimit -f")) << r.Err.toStdString();
    r = RunShell(QStringLiteral("ulimit -f 1; $B paths '%1' > '%2'")
                     .arg(Source + "/examples/weevils.txt", out));
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains("ulimit -f")) << r.Err.toStdString();
}

TEST(BatchSafety, EndlessInputEndsWithAMessage)
{
    std::signal(SIGPIPE, SIG_IGN);  // the writer thread's pipe closes under it
    QTemporaryDir dir;
    const QString zeroBook = dir.filePath("zero.xlsx");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zeroBook));
    for (const QStringList& call :
         {QStringList{"load", "/dev/zero"}, QStringList{"load", zeroBook},
          QStringList{"check", "/dev/zero"}, QStringList{"score", Example, "/dev/zero"},
          QStringList{"charfit", Example, "/dev/zero"},
          QStringList{"draw", "/dev/zero", "-o", dir.filePath("t.png")}}) {
        SCOPED_TRACE(call.join(' ').toStdString());
        const TBatchRun r = RunBatch(call);
        EXPECT_EQ(r.Exit, 1);
        EXPECT_TRUE(r.Err.contains("too large")) << r.Err.toStdString();
    }
    const QString fifo = dir.filePath("endless.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    {
        const TEndlessWriter writer(fifo);
        const TBatchRun r = RunBatch({"load", fifo});
        EXPECT_EQ(r.Exit, 1);
        EXPECT_TRUE(r.Err.contains("too large")) << r.Err.toStdString();
    }
}

// The coding keeps 256 states of a character; every job that codes says
// which characters lost states, as the data check does.
TEST(BatchSafety, CodingJobsWarnAboutCharactersOfMoreThan256States)
{
    QTemporaryDir dir;
    const QByteArray bytes = ManyStatesData();
    const QString data = dir.filePath("many.txt");
    const QString tree = dir.filePath("tree.nwk");
    {
        QFile f(data), t(tree);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && t.open(QIODevice::WriteOnly));
        f.write(bytes);
        t.write(ManyStatesTree);
    }
    const QByteArray warning =
        " More than 256 states in character many: states after the 256th are left out";
    ASSERT_EQ(RunBatch({"check", data}).Out.count(warning), 1);
    for (const QStringList& call :
         {QStringList{"parsimony", data, "--trees", "1", "--generations", "0", "--seed", "1"},
          QStringList{"score", data, tree}, QStringList{"charfit", data, tree}}) {
        SCOPED_TRACE(call.join(' ').toStdString());
        const TBatchRun r = RunBatch(call);
        EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
        EXPECT_EQ(r.Err.count(warning), 1) << r.Err.toStdString();
        EXPECT_FALSE(r.Err.contains("character few"));
    }
    // The analyses code cell by cell: 300 objects of 300 states.
    QByteArray wide = "Taxon\tmany\tfew\n";
    for (int o = 1; o <= 300; ++o)
        wide += "o" + QByteArray::number(o) + "\ts" + QByteArray::number(o) + "[R]\t" +
                (o % 2 ? "A" : "B[A]") + "\n";
    const QString wideData = dir.filePath("wide.txt");
    {
        QFile f(wideData);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(wide);
    }
    for (const QStringList& call :
         {QStringList{"distance", wideData},
          QStringList{"distance", wideData, "--type", "standard"}, QStringList{"cramer", wideData},
          QStringList{"compatibility", wideData}}) {
        SCOPED_TRACE(call.join(' ').toStdString());
        const TBatchRun r = RunBatch(call);
        EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
        EXPECT_EQ(r.Err.count(warning), 1) << r.Err.toStdString();
        EXPECT_FALSE(r.Err.contains("character few"));
    }
}

TEST(BatchSafety, ArgumentsAndOptionsAreRefusedWithOneSentence)
{
    // Each refusal is the exact sentence, alone on stderr, and the first of
    // several bad options is the one told; nothing goes to stdout.
    struct TCase {
        QStringList Args;
        int Exit;
        const char* Err;
    };
    const QString missing = Source + QStringLiteral("/examples/no-such-file.txt");
    const TCase cases[] = {
        {{"paths", Example, "--bogus"}, 2, "Unknown option --bogus.\n"},
        {{"paths", Example, "-o"}, 2, "The option -o needs a value.\n"},
        {{"check"}, 2, "Usage: varno-batch check FILE\n"},
        {{"search", Example, "--threads", "0", "--replicates", "x"},
         2,
         "The option --threads needs a whole number from 1 to 256, not \"0\".\n"},
        {{"search", Example, "--seed", "-1"},
         2,
         "The option --seed needs a whole number from 0 to 18446744073709551615.\n"},
        {{"parsimony", Example, "--trees", "ten", "--generations", "x"},
         2,
         "The option --trees needs a whole number, not \"ten\".\n"},
        {{"exact", Example, "--max-trees", "-3"},
         2,
         "The option --max-trees needs a whole number from 0 to 2147483647, not \"-3\".\n"},
        {{"exact", Example, "--threads", "100000"},
         2,
         "The option --threads needs a whole number from 0 to 256, not \"100000\".\n"},
        {{"support", Example, "--method", "jackknife", "--threads", "300"},
         2,
         "The option --threads needs a whole number from 1 to 256, not \"300\".\n"},
        {{"draw", Example, "-o", "x.png", "--width", "8"},
         2,
         "The option --width needs a whole number of pixels from 16 to 20000, not \"8\".\n"},
        {{"draw", Example, "-o", "x.png", "--min-label-size", "nan"},
         2,
         "The option --min-label-size needs a size in points from 0 (no floor) to 72, not "
         "\"nan\".\n"},
        {{"search", Example, "--time-limit", "inf"},
         2,
         "The option --time-limit needs a number of seconds above 0, not \"inf\".\n"},
        {{"exact", Example, "--time-limit", "0"},
         2,
         "The option --time-limit needs a number of seconds above 0, not \"0\" (leave it out "
         "for no limit).\n"},
        {{"draw", Example, "-o", "x.png", "--layout", "Box"},
         2,
         "Unknown layout \"box\": use lines, title, none, rectangle or roundrect.\n"},
        {{"export", Example, "--format", "csv", "--nexus-root", "last"},
         2,
         "Unknown root rule \"last\": use first or lowest.\n"},
        {{"support", Example, "--bremer", "--search", "Evolutionary"},
         2,
         "Bremer support is found with the thorough search only.\n"},
        // Long runs refuse an output they could not write before they start.
        {{"exact", Example, "--newick", "/no-such-folder/x.nwk"},
         1,
         "Cannot write \"/no-such-folder/x.nwk\": the folder does not exist or is not "
         "writable.\n"},
        {{"support", Example, "--bremer", "--newick", "/no-such-folder/x.nwk"},
         1,
         "Cannot write \"/no-such-folder/x.nwk\": the folder does not exist or is not "
         "writable.\n"},
        {{"merge", Example},
         2,
         "Usage: varno-batch merge FILE A.nwk [B.nwk ...] [-o OUT] [--max-trees K] "
         "[--no-missing] [--criterion C] [--outgroup NAME] [--gap missing|state]\n"},
    };
    for (const TCase& c : cases) {
        const TBatchRun r = RunBatch(c.Args);
        EXPECT_EQ(r.Exit, c.Exit) << c.Args.join(' ').toStdString();
        EXPECT_EQ(r.Err.toStdString(), c.Err) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(r.Out.isEmpty());
    }
    // A data file that cannot be read: the reader's sentence names it, exit 1.
    for (const char* command : {"check", "paths", "exact", "search"}) {
        const TBatchRun r = RunBatch({command, missing});
        EXPECT_EQ(r.Exit, 1) << command;
        EXPECT_TRUE(r.Err.contains("no-such-file.txt")) << command << ": " << r.Err.toStdString();
        EXPECT_EQ(r.Err.count('\n'), 1) << r.Err.toStdString();
    }
}
