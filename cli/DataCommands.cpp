// Batch commands on the data matrix.
#include "cli/BatchCommand.h"
#include "data/DataDocument.h"
#include "data/DataFile.h"
#include "data/ImportSource.h"

namespace {
int RunLoad(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(rawArgs, {}, {});
    if (!parsed.Ok() || parsed->Positional().size() != 1) {
        WriteStderr(parsed.Ok() ? QStringLiteral("Usage: varno-batch load FILE") : parsed.Error());
        return ExitUsage;
    }
    const TBatchArgs& args = *parsed;
    const QString path = args.Positional().first();
    TDataDocument document;
    if (const TStatus loaded = document.Load(path); !loaded) {
        WriteStderr(loaded.Error());
        return ExitFailure;
    }
    WriteStdoutLines(document.Report().Lines);
    for (const QString& w : document.Report().Notes) WriteStderr(w);
    return ExitOk;
}
}  // namespace

void RegisterDataCommands(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("load"), QStringLiteral("load FILE"),
         QStringLiteral(
             "read a data file (text, CSV, NEXUS or workbook) and print the load report"),
         RunLoad});
}
