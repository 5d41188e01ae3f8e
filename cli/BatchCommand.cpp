#include "cli/BatchCommand.h"

#include <cerrno>
#include <cstdio>

#include "data/DataDocument.h"
#include "data/DataFile.h"
#include "data/TextFile.h"

namespace {
int StdoutError = 0;  // errno of the first failed write to stdout
bool StdoutFailed = false;

bool IsStdout(const QString& path) { return path.isEmpty() || path == QLatin1String("-"); }
}  // namespace

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
    if (IsStdout(path)) {
        WriteStdout(bytes);
        return true;
    }
    if (TStatus saved = SaveTextFile(path, bytes); !saved) {
        WriteStderr(saved.Error());
        return false;
    }
    return true;
}

bool OutputsAreSafe(const QStringList& inputs, const QStringList& outputs)
{
    for (qsizetype k = 0; k < outputs.size(); ++k) {
        const QString& out = outputs[k];
        if (IsStdout(out)) continue;
        if (TStatus usable = OutputFileRefusal(out); !usable) {
            WriteStderr(usable.Error());
            return false;
        }
        for (const QString& in : inputs)
            if (IsSameFile(in, out)) {
                WriteStderr(
                    QStringLiteral(
                        "Refusing to write \"%1\": it is the input file \"%2\", which would be "
                        "overwritten. Choose another output file.")
                        .arg(out, in));
                return false;
            }
        for (qsizetype j = 0; j < k; ++j)
            if (!IsStdout(outputs[j]) && (outputs[j] == out || IsSameFile(outputs[j], out))) {
                WriteStderr(QStringLiteral(
                                "Refusing to write \"%1\" twice: two outputs name the same file.")
                                .arg(out));
                return false;
            }
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

TResult<TBatchArgs> TBatchArgs::Read(const QStringList& args, const QStringList& valueOptions,
                                     const QStringList& flags)
{
    TBatchArgs read;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (valueOptions.contains(a)) {
            if (i + 1 >= args.size())
                return TFailure(QStringLiteral("The option %1 needs a value.").arg(a));
            read.Values.append({a, args[++i]});
        } else if (flags.contains(a)) {
            read.FlagsSeen << a;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return TFailure(QStringLiteral("Unknown option %1.").arg(a));
        } else {
            read.Positionals << a;
        }
    }
    return read;
}

bool TBatchArgs::Has(const QString& name) const
{
    if (FlagsSeen.contains(name)) return true;
    for (const auto& [key, value] : Values)
        if (key == name) return true;
    return false;
}

QString TBatchArgs::Value(const QString& name, const QString& fallback) const
{
    QString result = fallback;
    for (const auto& [key, value] : Values)
        if (key == name) result = value;  // the last one given wins
    return result;
}

TResult<std::uint64_t> ReadSeedOption(const TBatchArgs& args, std::uint64_t fallback)
{
    if (!args.Has(QStringLiteral("--seed"))) return fallback;
    bool ok = false;
    const std::uint64_t value = args.Value(QStringLiteral("--seed")).toULongLong(&ok);
    if (!ok)
        return TFailure(QStringLiteral(
            "The option --seed needs a whole number from 0 to 18446744073709551615."));
    return value;
}
