#pragma once
// The commands of varno-batch. Each folder registers its own commands.
#include <QString>
#include <QStringList>
#include <cstdint>
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
// Writes bytes to path (or stdout when path is empty or "-"); reports and
// returns false on failure.
bool WriteOutput(const QString& path, const QByteArray& bytes);
// Flushes stdout; false (after a message on stderr) when anything written to
// it was lost, e.g. on a full disk or a closed pipe.
bool FinishStdout();

// Checks the output paths of a command before it runs: none may be the same
// file as an input or as another output (links count), nor a folder, a
// device or a FIFO. Empty paths and "-" (stdout) are skipped. Reports and
// returns false when one is refused.
bool OutputsAreSafe(const QStringList& inputs, const QStringList& outputs);

class TDataDocument;
// Reads a data file as the program does (workbook by its name); the reader's
// warnings go to stderr, a failure is the reader's sentence.
TResult<TMatrixData> LoadDataFile(const QString& path);
// The same into a data document, for commands that keep the model.
TStatus LoadDocument(const QString& path, TDataDocument& document);

// A small argument reader: positional arguments and "--name value" options.
//   TResult<TBatchArgs> args = TBatchArgs::Read(rawArgs, {"-o"}, {"--no-missing"});
//   if (!args) WriteStderr(args.Error());  // an unknown option, a value missing
class TBatchArgs {
public:
    // valueOptions take a value (e.g. "-o", "--seed"); flags do not.
    static TResult<TBatchArgs> Read(const QStringList& args, const QStringList& valueOptions,
                                    const QStringList& flags);
    const QStringList& Positional() const { return Positionals; }
    bool Has(const QString& name) const;
    QString Value(const QString& name, const QString& fallback = {}) const;

private:
    TBatchArgs() = default;
    QStringList Positionals;
    QStringList FlagsSeen;
    QList<QPair<QString, QString>> Values;
};

// "--seed S", or fallback when the option is absent; fails on a value that is
// no whole number from 0 to 2^64 - 1.
TResult<std::uint64_t> ReadSeedOption(const TBatchArgs& args, std::uint64_t fallback);

// Stores what an option reader read; on failure writes its sentence to stderr
// and gives false, so that readers chain with || and only the first failure
// is told:  if (!TakeOption(ReadSeedOption(args, s.Seed), &s.Seed)) return ExitUsage;
template <class T>
bool TakeOption(const TResult<T>& read, T* value)
{
    if (!read) {
        WriteStderr(read.Error());
        return false;
    }
    *value = *read;
    return true;
}
