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
        QString states = QString::number(place.StateCount);
        if (place.HasMissing) states += QStringLiteral(" + ?");
        rows.push_back({place.Name, states, QString::number(steps),
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
// The states Camin-Sokal counts for a reversible character, less the names
// of cells joined by "&" (a&b): it reads such a cell as a set of states.
QString ReversibleStates(const QString& caminSokal, const TSPlace& place,
                         const TReversibleCharacter& ch)
{
    int joined = 0;
    for (const QString& name : place.StateNames)
        joined += name.contains(QLatin1Char('&')) && !ch.StateNames.contains(name);
    if (joined == 0) return caminSokal;
    const QString unknown = QStringLiteral(" + ?");
    const bool withUnknown = caminSokal.endsWith(unknown);
    const int states = (withUnknown ? caminSokal.chopped(unknown.size()) : caminSokal).toInt();
    return QString::number(states - joined) + (withUnknown ? unknown : QString());
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
        row[1] = ReversibleStates(row[1], charField.Places[c],
                                  coding.Reversible[static_cast<int>(k) + 1]);
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
