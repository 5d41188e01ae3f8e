// Batch commands on the data matrix.
#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/DataDocument.h"
#include "data/DataFile.h"
#include "data/ImportSource.h"

namespace {
const QString LoadUsage = QStringLiteral("load FILE");

int RunLoad(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(rawArgs, {}, {});
    if (!ArgsFit(parsed, LoadUsage, 1)) return ExitUsage;
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
        {QStringLiteral("load"), LoadUsage,
         QStringLiteral(
             "read a data file (text, CSV, NEXUS or workbook) and print the load report"),
         RunLoad});
}
