#include "parsimony/summaries/CharFit.h"

#include <cmath>

QStringList CharFitHeader()
{
    return {QStringLiteral("Characters"), QStringLiteral("No of states"),
            QStringLiteral("Evolutionary steps"), QStringLiteral("Compatibility"),
            QStringLiteral("Homoplasy")};
}

std::vector<QStringList> CharFitTable(TTree& tree, const TSField& charField)
{
    const int characterCount = charField.Places.Count();
    std::vector<QStringList> rows;
    rows.reserve(static_cast<size_t>(characterCount) + 1);
    rows.push_back(CharFitHeader());
    EvaluateTree(tree, charField, true);
    for (int c = 1; c <= characterCount; ++c) {
        const TSPlace& place = charField.Places[c];
        const long long steps = std::llround(CountCharSteps(tree, c, charField));
        const bool compatible = steps == place.StateCount - 1;
        QString states = QString::number(place.StateCount);
        if (place.HasMissing) states += QStringLiteral(" + ?");
        rows.push_back({place.Name, states, QString::number(steps),
                        compatible ? QStringLiteral("yes") : QStringLiteral("no"),
                        compatible ? QStringLiteral("no") : QStringLiteral("yes")});
    }
    return rows;
}

std::vector<QStringList> CriteriaFitTable(TTree& tree, const TSField& charField,
                                          const TCriteriaCoding& coding)
{
    std::vector<QStringList> rows = CharFitTable(tree, charField);
    TCriteriaScorer scorer(coding);
    const std::vector<double> steps = scorer.CharacterSteps(tree, true);
    for (size_t k = 0; k < coding.ReversibleCharacters.size(); ++k) {
        const int c = coding.ReversibleCharacters[k];
        const long long own = std::llround(steps[static_cast<size_t>(c)]);
        const std::optional<std::int64_t> m =
            MinimumSteps(coding.Reversible[static_cast<int>(k) + 1]);
        QStringList& row = rows[static_cast<size_t>(c)];
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
