#include "cli/BatchCommand.h"

#include <cerrno>
#include <cstdio>

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

bool LoadDataFile(const QString& path, TMatrixData* data)
{
    TReadResult read = ReadDataFile(path);
    if (!read.Ok()) {
        WriteStderr(read.Error());
        return false;
    }
    for (const QString& w : read->Warnings) WriteStderr(w);
    *data = std::move(read->Data);
    return true;
}

TBatchArgs::TBatchArgs(const QStringList& args, const QStringList& valueOptions,
                       const QStringList& flags)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (valueOptions.contains(a)) {
            if (i + 1 >= args.size()) {
                Error = QStringLiteral("The option %1 needs a value.").arg(a);
                return;
            }
            Values.append({a, args[++i]});
        } else if (flags.contains(a)) {
            FlagsSeen << a;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            Error = QStringLiteral("Unknown option %1.").arg(a);
            return;
        } else {
            Positionals << a;
        }
    }
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

bool ReadSeedOption(const TBatchArgs& args, std::uint64_t* seed)
{
    if (!args.Has(QStringLiteral("--seed"))) return true;
    bool ok = false;
    const std::uint64_t value = args.Value(QStringLiteral("--seed")).toULongLong(&ok);
    if (!ok) {
        WriteStderr(QStringLiteral(
            "The option --seed needs a whole number from 0 to 18446744073709551615."));
        return false;
    }
    *seed = value;
    return true;
}
