// Batch commands on characters: data check, full paths, transposition and
// the state tree of one character.
#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/DataDocument.h"
#include "data/ImportSource.h"
#include "data/MatrixOps.h"
#include "data/Path.h"
#include "data/PathControl.h"
#include "data/StateTree.h"
#include "data/TextFile.h"
#include "data/Workbook.h"

namespace {
constexpr int ExitFaultyData = 3;

const QString CheckUsage = QStringLiteral("check FILE");
const QString PathsUsage = QStringLiteral("paths FILE [-o OUT]");
const QString TransposeUsage = QStringLiteral("transpose FILE -o OUT");
const QString TreeUsage = QStringLiteral("tree FILE CHAR");

int RunCheck(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(rawArgs, {}, {});
    if (!ArgsFit(parsed, CheckUsage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    TResult<TMatrixData> loaded = LoadDataFile(args.Positional()[0]);
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& data = *loaded;
    const TDataCheck check = PathControl(data.DataMatrix, data.ObjectCount, data.CharacterCount);
    WriteStdoutLines(check.Report);
    // The report keeps the window's words; the verdict agrees with the
    // searches, which count characters without data as adding no steps.
    if (check.NoDataCount > 0)
        WriteStderr(
            QStringLiteral("Note: %1 without data (\"?\" for every object) %2 no root, "
                           "but %3 no steps to any tree: not counted as faulty here.")
                .arg(check.NoDataCount == 1
                         ? QStringLiteral("1 character")
                         : QStringLiteral("%1 characters").arg(check.NoDataCount))
                .arg(check.NoDataCount == 1 ? QStringLiteral("has") : QStringLiteral("have"))
                .arg(check.NoDataCount == 1 ? QStringLiteral("adds") : QStringLiteral("add")));
    return check.Usable() ? ExitOk : ExitFaultyData;
}

int RunPaths(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(rawArgs, {QStringLiteral("-o")}, {});
    if (!ArgsFit(parsed, PathsUsage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    if (!OutputsAreSafe(args.Positional(), {args.Value(QStringLiteral("-o"))})) return ExitFailure;
    TResult<TMatrixData> loaded = LoadDataFile(args.Positional()[0]);
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& data = *loaded;
    const TDynStrMatrix paths = PathMatrix(data.DataMatrix, data.ObjectCount, data.CharacterCount);
    const QByteArray bytes =
        EncodeTextTable(MatrixRows(paths, data.ObjectCount, data.CharacterCount));
    return WriteOutput(args.Value(QStringLiteral("-o")), bytes) ? ExitOk : ExitFailure;
}

int RunTranspose(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(rawArgs, {QStringLiteral("-o")}, {});
    if (!ArgsFit(parsed, TransposeUsage, 1)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    const QString out = args.Value(QStringLiteral("-o"));
    if (out.isEmpty()) {
        WriteUsage(TransposeUsage);
        return ExitUsage;
    }
    if (!OutputsAreSafe(args.Positional(), {out})) return ExitFailure;
    TDataDocument document;
    if (const TStatus loaded = LoadDocument(args.Positional()[0], document); !loaded) {
        WriteStderr(loaded.Error());
        return ExitFailure;
    }
    document.Transpose();
    const TModel& t = document.Model;
    return WriteOutput(out,
                       EncodeTextTable(MatrixRows(t.DataMatrix, t.ObjectCount, t.CharacterCount)))
               ? ExitOk
               : ExitFailure;
}

// A character by number (1..count) or by its header; 0 when there is none.
int FindCharacter(const TMatrixData& data, const QString& key)
{
    bool isNumber = false;
    const int number = key.toInt(&isNumber);
    if (isNumber && number >= 1 && number <= data.CharacterCount) return number;
    for (int c = 1; c <= data.CharacterCount && c < static_cast<int>(data.DataMatrix.size()); ++c)
        if (!data.DataMatrix[c].empty() && data.DataMatrix[c][0] == key) return c;
    return 0;
}

int RunTree(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed = TBatchArgs::Read(rawArgs, {}, {});
    if (!ArgsFit(parsed, TreeUsage, 2)) return ExitUsage;
    const TBatchArgs& args = *parsed;
    TResult<TMatrixData> loaded = LoadDataFile(args.Positional()[0]);
    if (Failed(loaded)) return ExitFailure;
    const TMatrixData& data = *loaded;
    const int c = FindCharacter(data, args.Positional()[1]);
    if (c == 0) {
        WriteStderr(
            QStringLiteral(
                "There is no character \"%1\" in \"%2\" (give its number, 1 to %3, or its name).")
                .arg(args.Positional()[1], args.Positional()[0])
                .arg(data.CharacterCount));
        return ExitFailure;
    }
    WriteStdoutLines(StateTreeOutline(StateTreeOrder(data.DataMatrix, data.ObjectCount, c)));
    return ExitOk;
}
}  // namespace

void RegisterCharacterCommands(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("check"), CheckUsage,
         QStringLiteral(
             "check that every character has one root; exit 3 when a character is faulty "
             "(characters without data are noted on stderr and count as valid)"),
         RunCheck});
    commands.push_back(
        {QStringLiteral("paths"), PathsUsage,
         QStringLiteral("write the matrix with every cell as its full path to the root"),
         RunPaths});
    commands.push_back({QStringLiteral("transpose"), TransposeUsage,
                        QStringLiteral("write the matrix with objects and characters swapped"),
                        RunTranspose});
    commands.push_back(
        {QStringLiteral("tree"), TreeUsage,
         QStringLiteral("print the state tree of a character (number or name) as an outline"),
         RunTree});
}
