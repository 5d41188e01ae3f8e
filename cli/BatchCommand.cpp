#include "cli/BatchCommand.h"

#include <cerrno>
#include <cstdio>

#include "data/DataDocument.h"
#include "data/DataFile.h"
#include "data/TextFile.h"

namespace {
int StdoutError = 0;  // errno of the first failed write to stdout
bool StdoutFailed = false;
}  // namespace

bool IsStdoutPath(const QString& path) { return path.isEmpty() || path == QLatin1String("-"); }

void WriteStdout(const QByteArray& bytes)
{
    if (StdoutFailed) return;
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
            static_cast<size_t>(bytes.size()) ||
        std::fflush(stdout) != 0) {
        StdoutFailed = true;
        StdoutError = errno;
    }
}

void WriteStdoutLines(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines) out += line.toUtf8() + '\n';
    WriteStdout(out);
}

void WriteStderr(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

bool FinishStdout()
{
    if (!StdoutFailed) {
        errno = 0;
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            StdoutFailed = true;
            StdoutError = errno;
        }
    }
    if (!StdoutFailed) return true;
    WriteStderr(QStringLiteral("Cannot write to standard output: %1")
                    .arg(WriteFailureReason({}, StdoutError)));
    return false;
}

bool WriteOutput(const QString& path, const QByteArray& bytes)
{
    if (IsStdoutPath(path)) {
        WriteStdout(bytes);
        return true;
    }
    if (TStatus saved = SaveTextFile(path, bytes); !saved) {
        WriteStderr(saved.Error());
        return false;
    }
    return true;
}

TStatus LoadDocument(const QString& path, TDataDocument& document)
{
    if (TStatus loaded = document.Load(path); !loaded) return loaded;
    for (const QString& w : document.Report().Warnings) WriteStderr(w);
    return {};
}

TResult<TMatrixData> LoadDataFile(const QString& path)
{
    TDataDocument document;
    if (TStatus loaded = LoadDocument(path, document); !loaded) return TFailure(loaded.Error());
    return document.Release();
}

TBatchCommands AllCommands()
{
    TBatchCommands commands;
    RegisterDataCommands(commands);
    RegisterExportCommand(commands);
    RegisterCharacterCommands(commands);
    RegisterParsimonyCommands(commands);
    RegisterCharFitCommand(commands);
    RegisterSearchCommands(commands);
    RegisterExactCommand(commands);
    RegisterSummaryCommands(commands);
    RegisterAnalysesCommands(commands);
    RegisterGraphicsCommands(commands);
    return commands;
}
