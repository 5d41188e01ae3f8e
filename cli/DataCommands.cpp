// Batch commands on the data matrix.
#include "cli/BatchCommand.h"

#include "data/ImportSource.h"
#include "data/Workbook.h"

namespace {
int RunLoad(const QStringList& rawArgs)
{
    const TBatchArgs args(rawArgs, {}, {});
    if (!args.Ok() || args.Positional().size() != 1) {
        WriteStderr(args.Ok() ? QStringLiteral("Usage: varno-batch load FILE") : args.ErrorText());
        return ExitUsage;
    }
    const QString path = args.Positional().first();
    TReadResult read = IsWorkbookPath(path) ? ReadWorkbook(path) : ReadTextMatrix(path);
    if (!read.Ok) {
        WriteStderr(read.Error);
        return ExitFailure;
    }
    WriteStdoutLines({QString(), QStringLiteral("Data from ") + path,
                      QStringLiteral("Objects = ") + QString::number(read.Data.ObjectCount),
                      QStringLiteral("Characters = ") + QString::number(read.Data.CharacterCount)});
    for (const QString& w : read.Warnings + LoadWarnings(read.Data)) WriteStderr(w);
    return ExitOk;
}
}  // namespace

void RegisterDataCommands(TBatchCommands& commands)
{
    commands.push_back({QStringLiteral("load"), QStringLiteral("load FILE"),
                        QStringLiteral("read a text data file or workbook and print the load report"),
                        RunLoad});
}
