// varno-batch export: the matrix in another program's format.
#include "cli/BatchCommand.h"
#include "data/Global.h"
#include "data/MatrixExport.h"
#include "data/NexusReader.h"

namespace {
int RunExport(const QStringList& rawArgs)
{
    const QString usage = QStringLiteral(
        "Usage: varno-batch export FILE --format nexus|nexus-binary|phylip|csv [-o OUT] "
        "[--nexus-root first|lowest]");
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs, {QStringLiteral("--format"), QStringLiteral("-o"), QStringLiteral("--nexus-root")},
        {});
    if (!parsed.Ok() || parsed->Positional().size() != 1 ||
        !parsed->Has(QStringLiteral("--format"))) {
        WriteStderr(parsed.Ok() ? usage : parsed.Error());
        return ExitUsage;
    }
    const TBatchArgs& args = *parsed;
    TExportFormat format;
    if (!ParseExportFormat(args.Value(QStringLiteral("--format")), &format)) {
        WriteStderr(QStringLiteral("Unknown format \"%1\": use nexus, nexus-binary, phylip or csv.")
                        .arg(args.Value(QStringLiteral("--format"))));
        return ExitUsage;
    }
    // How a NEXUS input roots its unordered characters' stars.
    const QString root = args.Value(QStringLiteral("--nexus-root"), QStringLiteral("first"));
    if (root != QLatin1String("first") && root != QLatin1String("lowest")) {
        WriteStderr(
            QStringLiteral("The option --nexus-root takes first or lowest, not \"%1\".").arg(root));
        return ExitUsage;
    }
    const QString out = args.Value(QStringLiteral("-o"));
    if (!OutputsAreSafe(args.Positional(), {out, out.isEmpty() ? QString() : AncestorsPath(out),
                                            out.isEmpty() ? QString() : NameMapPath(out)}))
        return ExitFailure;
    if (format == TExportFormat::Phylip && out.isEmpty()) {
        WriteStderr(
            QStringLiteral("PHYLIP export needs -o OUT: the ancestors file is written beside it."));
        return ExitUsage;
    }
    const QString input = args.Positional().first();
    TMatrixData data;
    if (IsNexusPath(input)) {
        TReadResult read =
            ReadNexusMatrix(input, root == QLatin1String("lowest") ? TNexusRootRule::LowestState
                                                                   : TNexusRootRule::FirstObject);
        if (!read.Ok()) {
            WriteStderr(read.Error());
            return ExitFailure;
        }
        data = std::move(read->Data);
    } else {
        TResult<TMatrixData> loaded = LoadDataFile(input);
        if (Failed(loaded)) return ExitFailure;
        data = *std::move(loaded);
    }
    const TResult<TMatrixExport> result = ExportMatrix(data, format);
    if (!result.Ok()) {
        WriteStderr(result.Error());
        return ExitFailure;
    }
    for (const QString& note : result->Notes) WriteStderr(note);
    if (!WriteOutput(out, result->Text)) return ExitFailure;
    if (format == TExportFormat::Phylip && (!WriteOutput(AncestorsPath(out), result->Ancestors) ||
                                            !WriteOutput(NameMapPath(out), result->NameMap)))
        return ExitFailure;
    return ExitOk;
}
}  // namespace

void RegisterExportCommand(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("export"),
         QStringLiteral("export FILE --format nexus|nexus-binary|phylip|csv [-o OUT] [--nexus-root "
                        "first|lowest]"),
         QStringLiteral(
             "write the matrix as NEXUS (state trees as CSTREE), binary NEXUS, PHYLIP for mix "
             "(with OUT.anc, the ancestors, and OUT.names.txt, the names) or CSV"),
         RunExport});
}
