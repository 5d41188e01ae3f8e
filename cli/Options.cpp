#include "cli/Options.h"

#include <QFileInfo>
#include <cmath>

#include "data/NexusReader.h"
#include "data/TextFile.h"
#include "parsimony/length/Criterion.h"

namespace {
// "a, b or c"
QString ChoiceList(const QStringList& choices)
{
    if (choices.size() < 2) return choices.join(QString());
    return choices.mid(0, choices.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") +
           choices.last();
}

// The option OPTION needs NEEDS[, not "GIVEN"][ (NOTE)].
QString Refusal(const QString& option, const QString& needs, const std::optional<QString>& given,
                const QString& note = {})
{
    QString text = QStringLiteral("The option %1 needs %2").arg(option, needs);
    if (given) text += QStringLiteral(", not \"%1\"").arg(*given);
    if (!note.isEmpty()) text += QStringLiteral(" (%1)").arg(note);
    return text + QLatin1Char('.');
}

// "a whole number of pixels from 16 to 20000"; no range: "a whole number".
QString WholeNumber(const QString& unit, const QString& low = {}, const QString& high = {})
{
    QString text = QStringLiteral("a whole number");
    if (!unit.isEmpty()) text += QStringLiteral(" of ") + unit;
    if (!low.isEmpty()) text += QStringLiteral(" from %1 to %2").arg(low, high);
    return text;
}

TResult<double> ReadSeconds(const TBatchArgs& args, const QString& option, bool noLimit)
{
    const QString text = args.Value(option);
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (ok && std::isfinite(seconds) && seconds > 0) return seconds;
    return TFailure(Refusal(option, QStringLiteral("a number of seconds above 0"), text,
                            noLimit ? QStringLiteral("leave it out for no limit") : QString()));
}

bool OutputsAreFine(const QStringList& inputs, const QStringList& outputs, bool writableFolder)
{
    for (qsizetype k = 0; k < outputs.size(); ++k) {
        const QString& out = outputs[k];
        if (IsStdoutPath(out)) continue;
        if (TStatus usable = OutputFileRefusal(out); !usable) {
            WriteStderr(usable.Error());
            return false;
        }
        for (const QString& in : inputs)
            if (IsSameFile(in, out)) {
                WriteStderr(
                    QStringLiteral(
                        "Refusing to write \"%1\": it is the input file \"%2\", which would be "
                        "overwritten. Choose another output file.")
                        .arg(out, in));
                return false;
            }
        for (qsizetype j = 0; j < k; ++j)
            if (!IsStdoutPath(outputs[j]) && (outputs[j] == out || IsSameFile(outputs[j], out))) {
                WriteStderr(QStringLiteral(
                                "Refusing to write \"%1\" twice: two outputs name the same file.")
                                .arg(out));
                return false;
            }
        const QFileInfo folder(QFileInfo(out).absolutePath());
        if (writableFolder && (!folder.isDir() || !folder.isWritable())) {
            WriteStderr(
                QStringLiteral("Cannot write \"%1\": the folder does not exist or is not writable.")
                    .arg(out));
            return false;
        }
    }
    return true;
}
}  // namespace

TResult<TBatchArgs> TBatchArgs::Read(const QStringList& args, const QStringList& valueOptions,
                                     const QStringList& flags)
{
    TBatchArgs read;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (valueOptions.contains(a)) {
            if (i + 1 >= args.size())
                return TFailure(QStringLiteral("The option %1 needs a value.").arg(a));
            read.Values.append({a, args[++i]});
        } else if (flags.contains(a)) {
            read.FlagsSeen << a;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return TFailure(QStringLiteral("Unknown option %1.").arg(a));
        } else {
            read.Positionals << a;
        }
    }
    return read;
}

bool TBatchArgs::Has(const QString& name) const
{
    if (FlagsSeen.contains(name)) return true;
    for (const auto& [key, value] : Values)
        if (key == name) return true;
    return false;
}

QString TBatchArgs::Value(const QString& name, const QString& fallback) const
{
    QString result = fallback;
    for (const auto& [key, value] : Values)
        if (key == name) result = value;  // the last one given wins
    return result;
}

void WriteUsage(const QString& usage)
{
    WriteStderr(QStringLiteral("Usage: varno-batch ") + usage);
}

bool ArgsFit(const TResult<TBatchArgs>& parsed, const QString& usage, qsizetype lowest,
             qsizetype highest)
{
    if (!parsed) {
        WriteStderr(parsed.Error());
        return false;
    }
    const qsizetype count = parsed->Positional().size();
    if (count >= lowest && count <= highest) return true;
    WriteUsage(usage);
    return false;
}

QString OptionRefusal(const QString& option, const QString& needs, const QString& given)
{
    return Refusal(option, needs, given);
}

TResult<qint64> ReadWholeOption(const TBatchArgs& args, const QString& option, qint64 low,
                                qint64 high, qint64 fallback, const QString& unit)
{
    if (!args.Has(option)) return fallback;
    const QString text = args.Value(option);
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);  // spaces around the digits are ignored
    if (ok && value >= low && value <= high) return value;
    return TFailure(
        Refusal(option, WholeNumber(unit, QString::number(low), QString::number(high)), text));
}

TResult<int> ReadIntOption(const TBatchArgs& args, const QString& option, int fallback)
{
    if (!args.Has(option)) return fallback;
    const QString text = args.Value(option);
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok) return value;
    return TFailure(Refusal(option, WholeNumber({}), text));
}

TResult<std::uint64_t> ReadSeedOption(const TBatchArgs& args, std::uint64_t fallback)
{
    const QString option = QStringLiteral("--seed");
    if (!args.Has(option)) return fallback;
    bool ok = false;
    const std::uint64_t value = args.Value(option).toULongLong(&ok);
    if (ok) return value;
    // The seed's refusal has never repeated the value.
    return TFailure(Refusal(
        option, WholeNumber({}, QStringLiteral("0"), QString::number(UINT64_MAX)), std::nullopt));
}

TResult<double> ReadSecondsOption(const TBatchArgs& args, const QString& option, double fallback)
{
    if (!args.Has(option)) return fallback;
    return ReadSeconds(args, option, false);
}

TResult<std::optional<double>> ReadSecondsOption(const TBatchArgs& args, const QString& option,
                                                 std::nullopt_t none)
{
    if (!args.Has(option)) return std::optional<double>(none);
    TResult<double> read = ReadSeconds(args, option, true);
    if (!read) return TFailure(read.Error());
    return std::optional<double>(*read);
}

TResult<int> ReadChoiceOption(const TBatchArgs& args, const QString& option, const QString& what,
                              const QStringList& choices, const QString& fallback)
{
    const QString word = args.Value(option, fallback).toLower();
    const qsizetype index = choices.indexOf(word);
    if (index >= 0) return static_cast<int>(index);
    return TFailure(
        QStringLiteral("Unknown %1 \"%2\": use %3.").arg(what, word, ChoiceList(choices)));
}

bool OutputsAreSafe(const QStringList& inputs, const QStringList& outputs)
{
    return OutputsAreFine(inputs, outputs, false);
}

bool OutputsAreWritable(const QStringList& inputs, const QStringList& outputs)
{
    return OutputsAreFine(inputs, outputs, true);
}

TResult<std::optional<TCriterion>> ReadCriterionOption(const TBatchArgs& args)
{
    if (!args.Has(QStringLiteral("--criterion"))) return std::optional<TCriterion>();
    const TResult<TCriterion> read = ParseCriterion(args.Value(QStringLiteral("--criterion")));
    if (!read) return TFailure(read.Error());
    return std::optional<TCriterion>(*read);
}

TResult<TGapReading> ReadGapOption(const TBatchArgs& args, const QString& dataPath)
{
    const TResult<int> read = ReadChoiceOption(args, QStringLiteral("--gap"), QStringLiteral("gap"),
                                               {QStringLiteral("missing"), QStringLiteral("state")},
                                               QStringLiteral("missing"));
    if (!read) return TFailure(read.Error());
    if (*read == 0) return TGapReading::Missing;
    if (!IsNexusPath(dataPath))
        return TFailure(QStringLiteral("--gap state reads the gaps of NEXUS files (their GAP "
                                       "symbol); \"%1\" is no NEXUS file.")
                            .arg(dataPath));
    return TGapReading::State;
}

TResult<int> ReadOutgroupOption(const TBatchArgs& args, const std::vector<QString>& names,
                                int objectCount)
{
    if (!args.Has(QStringLiteral("--outgroup"))) return 1;
    const QString name = args.Value(QStringLiteral("--outgroup"));
    for (int o = 1; o <= objectCount && o < static_cast<int>(names.size()); ++o)
        if (names[static_cast<size_t>(o)] == name) return o;
    return TFailure(
        QStringLiteral("Unknown outgroup \"%1\": it is none of the data's %2 objects (names "
                       "as in the file's first column, letter case counting).")
            .arg(name)
            .arg(objectCount));
}
