// Batch commands on the data matrix.
#include "cli/BatchCommand.h"
#include "data/DataFile.h"
#include "data/ImportSource.h"

namespace {
int RunLoad(const QStringList& rawArgs)
{
    const TBatchArgs args(rawArgs, {}, {});
    if (!args.Ok() || args.Positional().size() != 1) {
        WriteStderr(args.Ok() ? QStringLiteral("Usage: varno-batch load FILE") : args.ErrorText());
        return ExitUsage;
    }
    const QString path = args.Positional().first();
    TReadResult read = ReadDataFile(path);
    if (!read.Ok()) {
        WriteStderr(read.Error());
        return ExitFailure;
    }
    WriteStdoutLines(LoadReportLines(path, read->Data));
    for (const QString& w : LoadReportNotes(*read)) WriteStderr(w);
    return ExitOk;
}
}  // namespace

void RegisterExportCommand(TBatchCommands& commands);

void RegisterDataCommands(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("load"), QStringLiteral("load FILE"),
         QStringLiteral(
             "read a data file (text, CSV, NEXUS or workbook) and print the load report"),
         RunLoad});
    RegisterExportCommand(commands);
}
