// varno-batch: the program's jobs from the command line, on the same core.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <csignal>

#include "VarnoVersion.h"
#include "cli/BatchCommand.h"

namespace {
void PrintHelp(const TBatchCommands& commands)
{
    QStringList lines{
        QStringLiteral("varno-batch: run the jobs of VARNO Classic from the command line."),
        QString(), QStringLiteral("Usage: varno-batch COMMAND [ARGUMENTS]"), QString(),
        QStringLiteral("Commands:")};
    for (const TBatchCommand& c : commands)
        lines << QStringLiteral("  %1\n      %2").arg(c.Usage, c.Summary);
    lines << QString()
          << QStringLiteral(
                 "An output file OUT may be - for standard output. An output that is the same file "
                 "as an "
                 "input, a folder, a device or a FIFO is refused.");
    lines << QString()
          << QStringLiteral(
                 "Exit codes: 0 success, 1 failure, 2 wrong arguments, 3 (check) faulty data.");
    WriteStdoutLines(lines);
}
}  // namespace

int main(int argc, char* argv[])
{
    // Drawing needs fonts, and fonts need a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a desktop session Qt warns about the runtime folder on every run;
    // give it a private one so that stderr carries only our own messages.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir =
            QDir::tempPath().toUtf8() + "/varno-runtime-" + QByteArray::number(getuid());
        if (QDir().mkpath(QString::fromUtf8(dir)))
            QFile::setPermissions(QString::fromUtf8(dir), QFileDevice::ReadOwner |
                                                              QFileDevice::WriteOwner |
                                                              QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    // A write beyond the file size limit (ulimit -f) then fails with a reason
    // we can report, instead of ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    QGuiApplication app(argc, argv);

    const TBatchCommands commands = AllCommands();

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h") || args.first() == QLatin1String("help")) {
        PrintHelp(commands);
        if (!FinishStdout()) return ExitFailure;
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    if (args.first() == QLatin1String("--version")) {
        WriteStdoutLines({QStringLiteral("varno-batch " VARNO_VERSION)});
        return FinishStdout() ? ExitOk : ExitFailure;
    }
    const QString name = args.takeFirst();
    for (const TBatchCommand& c : commands)
        if (c.Name == name) {
            const int exit = c.Run(args);
            // Output that did not arrive is a failure, whatever the command found.
            return FinishStdout() ? exit : ExitFailure;
        }
    WriteStderr(QStringLiteral("Unknown command \"%1\". See varno-batch --help.").arg(name));
    return ExitUsage;
}
