#include "cli/BatchCommand.h"

#include "data/DataFile.h"
#include "data/TextFile.h"

#include <cstdio>

void WriteStdout(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
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

bool WriteOutput(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty()) {
        WriteStdout(bytes);
        return true;
    }
    QString error;
    if (!SaveTextFile(path, bytes, &error)) {
        WriteStderr(error);
        return false;
    }
    return true;
}

bool LoadDataFile(const QString& path, TMatrixData* data)
{
    TReadResult read = ReadDataFile(path);
    if (!read.Ok) {
        WriteStderr(read.Error);
        return false;
    }
    for (const QString& w : read.Warnings) WriteStderr(w);
    *data = std::move(read.Data);
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
