#pragma once
// Reading a command's arguments: options and positional arguments, the
// values of options (whole numbers, seconds, choices) and the output paths.
// Every sentence that refuses an argument is written here, once, so that all
// commands say the same about the same fault.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "cli/BatchCommand.h"
#include "data/CharacterCriteria.h"
#include "data/Result.h"

// Positional arguments and "--name value" options.
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

// Tells how to call a command ("Usage: varno-batch " + usage) on stderr.
void WriteUsage(const QString& usage);
// True when the arguments were read and hold lowest to highest positional
// ones; otherwise the reader's sentence or the usage goes to stderr:
//   if (!ArgsFit(parsed, usage, 1)) return ExitUsage;
bool ArgsFit(const TResult<TBatchArgs>& parsed, const QString& usage, qsizetype lowest,
             qsizetype highest);
inline bool ArgsFit(const TResult<TBatchArgs>& parsed, const QString& usage, qsizetype count)
{
    return ArgsFit(parsed, usage, count, count);
}

// Each reader gives fallback when the option is absent, and otherwise the
// value or the one sentence that refuses it.

// A whole number from low to high; unit says what it counts ("pixels").
TResult<qint64> ReadWholeOption(const TBatchArgs& args, const QString& option, qint64 low,
                                qint64 high, qint64 fallback, const QString& unit = {});
// Any whole number an int holds, for a job that checks the range itself and
// tells it (the evolutionary search's counts).
TResult<int> ReadIntOption(const TBatchArgs& args, const QString& option, int fallback);
// "--seed S": a whole number from 0 to 2^64 - 1.
TResult<std::uint64_t> ReadSeedOption(const TBatchArgs& args, std::uint64_t fallback);
// A number of seconds above 0.
TResult<double> ReadSecondsOption(const TBatchArgs& args, const QString& option, double fallback);
// The same for a limit that is none when the option is left out.
TResult<std::optional<double>> ReadSecondsOption(const TBatchArgs& args, const QString& option,
                                                 std::nullopt_t none);
// One of choices, case ignored: its index. what names the kind of value in
// the refusal ("layout": Unknown layout "x": use lines, title or none.).
TResult<int> ReadChoiceOption(const TBatchArgs& args, const QString& option, const QString& what,
                              const QStringList& choices, const QString& fallback);
// "--criterion irreversible|reversible|ordered|unordered": none when absent
// (then the file's types hold, irreversible for text files and workbooks).
TResult<std::optional<TCriterion>> ReadCriterionOption(const TBatchArgs& args);
// "--gap missing|state": how a NEXUS file's gaps count (missing when
// absent); "state" only for a NEXUS file at dataPath.
TResult<TGapReading> ReadGapOption(const TBatchArgs& args, const QString& dataPath);
// "--outgroup NAME": the object's number (1..), the first object when absent.
TResult<int> ReadOutgroupOption(const TBatchArgs& args, const std::vector<QString>& names,
                                int objectCount);

// The sentence refusing a value that none of the readers above fits:
// The option OPTION needs NEEDS, not "GIVEN".
QString OptionRefusal(const QString& option, const QString& needs, const QString& given);

// Stores what an option reader read; on failure writes its sentence to stderr
// and gives false, so that readers chain with || and only the first failure
// is told:  if (!TakeOption(ReadSeedOption(args, s.Seed), &s.Seed)) return ExitUsage;
// The reader's range makes the value fit the stored type.
template <class T, class V>
bool TakeOption(const TResult<T>& read, V* value)
{
    if (!read) {
        WriteStderr(read.Error());
        return false;
    }
    *value = static_cast<V>(*read);
    return true;
}

// Checks the output paths of a command before it runs: none may be the same
// file as an input or as another output (links count), nor a folder, a
// device or a FIFO. Empty paths and "-" (stdout) are skipped. Reports and
// returns false when one is refused.
bool OutputsAreSafe(const QStringList& inputs, const QStringList& outputs);
// The same, and the folder of each output must exist and be writable: for
// commands that run long before they write.
bool OutputsAreWritable(const QStringList& inputs, const QStringList& outputs);
