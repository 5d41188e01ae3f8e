#include "parsimony/summaries/CharFit.h"

#include <cmath>
#include <functional>

#include "parsimony/summaries/FitStatistics.h"

QStringList CharFitHeader()
{
    return {QStringLiteral("Characters"), QStringLiteral("No of states"),
            QStringLiteral("Evolutionary steps"), QStringLiteral("Compatibility"),
            QStringLiteral("Homoplasy")};
}

namespace {
// The "No of states" cell.
QString StatesText(int states, bool hasMissing)
{
    return QString::number(states) + (hasMissing ? QStringLiteral(" + ?") : QString());
}

// The table from the steps of characters 1..C (index 0 unused).
std::vector<QStringList> FitRows(const TSField& charField,
                                 const std::function<long long(int)>& stepsOf)
{
    const int characterCount = charField.Places.Count();
    std::vector<QStringList> rows;
    rows.reserve(static_cast<size_t>(characterCount) + 1);
    rows.push_back(CharFitHeader());
    for (int c = 1; c <= characterCount; ++c) {
        const TSPlace& place = charField.Places[c];
        const long long steps = stepsOf(c);
        const bool compatible = steps == place.StateCount - 1;
        rows.push_back({place.Name, StatesText(place.StateCount, place.HasMissing),
                        QString::number(steps),
                        compatible ? QStringLiteral("yes") : QStringLiteral("no"),
                        compatible ? QStringLiteral("no") : QStringLiteral("yes")});
    }
    return rows;
}
}  // namespace

std::vector<QStringList> CharFitTable(TTree& tree, const TSField& charField)
{
    EvaluateTree(tree, charField, true);
    return FitRows(charField,
                   [&](int c) { return std::llround(CountCharSteps(tree, c, charField)); });
}

std::vector<QStringList> CompactCharFitTable(const TCompactTree& tree, const TSField& charField)
{
    // Under the missing-data rule the fit statistics' s is the character's steps.
    const TFitStatistics stats = CompactFitStatistics(tree, charField, true);
    return FitRows(charField, [&](int c) {
        return static_cast<long long>(stats.Characters[static_cast<size_t>(c)].S);
    });
}

namespace {
// The names of cells joined by "&" (a&b) that Camin-Sokal counts as states
// of a character; the reversible criteria read such a cell as a set of states.
int JoinedNames(const TSPlace& place, const TReversibleCharacter& ch)
{
    int joined = 0;
    for (const QString& name : place.StateNames)
        joined += name.contains(QLatin1Char('&')) && !ch.StateNames.contains(name);
    return joined;
}

// The Camin-Sokal table with each reversible character's steps (the
// coding's own numbering) and fit put in.
std::vector<QStringList> WithReversibleRows(std::vector<QStringList> rows, const TSField& charField,
                                            const TCriteriaCoding& coding,
                                            const std::vector<std::int64_t>& steps)
{
    for (size_t k = 0; k < coding.ReversibleCharacters.size(); ++k) {
        const int c = coding.ReversibleCharacters[k];
        const long long own = steps[k + 1];
        const std::optional<std::int64_t> m =
            MinimumSteps(coding.Reversible[static_cast<int>(k) + 1]);
        QStringList& row = rows[static_cast<size_t>(c)];
        const TSPlace& place = charField.Places[c];
        row[1] = StatesText(
            place.StateCount - JoinedNames(place, coding.Reversible[static_cast<int>(k) + 1]),
            place.HasMissing);
        row[2] = QString::number(own);
        row[3] = !m          ? QStringLiteral("?")
                 : own == *m ? QStringLiteral("yes")
                             : QStringLiteral("no");
        row[4] = !m          ? QStringLiteral("?")
                 : own == *m ? QStringLiteral("no")
                             : QStringLiteral("yes");
    }
    return rows;
}
}  // namespace

std::vector<QStringList> CriteriaFitTable(TTree& tree, const TSField& charField,
                                          const TCriteriaCoding& coding)
{
    std::vector<QStringList> rows = CharFitTable(tree, charField);
    return WithReversibleRows(std::move(rows), charField, coding,
                              ReversibleSteps(coding, LinksOf(tree).View()));
}

std::vector<QStringList> CompactCriteriaFitTable(const TCompactTree& tree, const TSField& charField,
                                                 const TCriteriaCoding& coding)
{
    return WithReversibleRows(CompactCharFitTable(tree, charField), charField, coding,
                              ReversibleSteps(coding, ViewOf(tree)));
}
