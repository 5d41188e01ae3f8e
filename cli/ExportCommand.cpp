// varno-batch export: the matrix in another program's format.
#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/Global.h"
#include "data/MatrixExport.h"
#include "data/NexusReader.h"

namespace {
const QString ExportUsage = QStringLiteral(
    "export FILE --format nexus|nexus-binary|phylip|csv [-o OUT] [--nexus-root first|lowest]");

int RunExport(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(
        rawArgs, {QStringLiteral("--format"), QStringLiteral("-o"), QStringLiteral("--nexus-root")},
        {});
    if (!ArgsFit(parsed, ExportUsage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    if (!args.Has(QStringLiteral("--format"))) {
        WriteUsage(ExportUsage);
        return ExitUsage;
    }
    const QStringList formats{"nexus", "nexus-binary", "phylip", "csv"};
    int formatIndex = 0, rootIndex = 0;
    if (!TakeOption(ReadChoiceOption(args, QStringLiteral("--format"), QStringLiteral("format"),
                                     formats, {}),
                    &formatIndex) ||
        // How a NEXUS input roots its unordered characters' stars.
        !TakeOption(
            ReadChoiceOption(args, QStringLiteral("--nexus-root"), QStringLiteral("root rule"),
                             {"first", "lowest"}, QStringLiteral("first")),
            &rootIndex))
        return ExitUsage;
    TExportFormat format;
    ParseExportFormat(formats[formatIndex], &format);
    const bool lowestRoot = rootIndex == 1;
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
        TReadResult read = ReadNexusMatrix(
            input, lowestRoot ? TNexusRootRule::LowestState : TNexusRootRule::FirstObject);
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
        {QStringLiteral("export"), ExportUsage,
         QStringLiteral(
             "write the matrix as NEXUS (state trees as CSTREE), binary NEXUS, PHYLIP for mix "
             "(with OUT.anc, the ancestors, and OUT.names.txt, the names) or CSV"),
         RunExport});
}
