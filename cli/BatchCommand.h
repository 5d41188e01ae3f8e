#pragma once
// The commands of varno-batch and their output. Each file of cli/ registers
// its own commands; cli/Options.h reads their arguments.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "data/Global.h"
#include "data/Result.h"

// Exit codes shared by every command.
constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;  // bad input file, unwritable output, ...
constexpr int ExitUsage = 2;    // wrong arguments

struct TBatchCommand {
    QString Name;
    QString Usage;    // e.g. "load FILE"
    QString Summary;  // one line for --help
    std::function<int(const QStringList& args)> Run;
};

using TBatchCommands = std::vector<TBatchCommand>;

// The registry: each file of cli/ adds its commands; AllCommands lists
// them in this order, which is that of --help.
void RegisterDataCommands(TBatchCommands& commands);       // load
void RegisterExportCommand(TBatchCommands& commands);      // export
void RegisterCharacterCommands(TBatchCommands& commands);  // check, paths, transpose, tree
void RegisterParsimonyCommands(TBatchCommands& commands);  // parsimony, score
void RegisterCharFitCommand(TBatchCommands& commands);     // charfit
void RegisterSearchCommands(TBatchCommands& commands);     // search, merge
void RegisterExactCommand(TBatchCommands& commands);       // exact
void RegisterSummaryCommands(TBatchCommands& commands);    // consensus, stats, changes, support
void RegisterAnalysesCommands(TBatchCommands& commands);   // distance, cramer, ...
void RegisterGraphicsCommands(TBatchCommands& commands);   // draw
TBatchCommands AllCommands();

// Output helpers: bytes to stdout or to a file (-o), messages to stderr.
// A failed write to stdout is remembered; FinishStdout tells it at the end.
void WriteStdout(const QByteArray& bytes);
void WriteStdoutLines(const QStringList& lines);  // each line + "\n"
void WriteStderr(const QString& line);            // one line + "\n"
// Writes a failed step's sentence to stderr; true when the step failed:
//   if (Failed(loaded)) return ExitFailure;
template <class T>
bool Failed(const TResult<T>& result)
{
    if (!result) WriteStderr(result.Error());
    return !result;
}
// An output path that means standard output: empty or "-".
bool IsStdoutPath(const QString& path);
// Writes bytes to path (or stdout when path is empty or "-"); reports and
// returns false on failure.
bool WriteOutput(const QString& path, const QByteArray& bytes);
// Flushes stdout; false (after a message on stderr) when anything written to
// it was lost, e.g. on a full disk or a closed pipe.
bool FinishStdout();

class TDataDocument;
// Reads a data file as the program does (workbook by its name); the reader's
// warnings go to stderr, a failure is the reader's sentence.
TResult<TMatrixData> LoadDataFile(const QString& path);
// The same into a data document, for commands that keep the model.
TStatus LoadDocument(const QString& path, TDataDocument& document);
