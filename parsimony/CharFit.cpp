#include "parsimony/CharFit.h"

#include <cmath>

QStringList CharFitHeader()
{
    return {QStringLiteral("Characters"), QStringLiteral("No of states"),
            QStringLiteral("Evolutionary steps"), QStringLiteral("Compatibility"),
            QStringLiteral("Homoplasy")};
}

double CharacterSteps(const TTree& tree, int c, const TSField& charField)
{
    const int t = tree.TipCount();
    const TIncArr states = CharacterStates(tree, c, charField);
    auto nodeSet = [&](int k) { return states[static_cast<size_t>(t + k)]; };
    std::int64_t steps = 0;
    // A branch whose lower end has no known state costs nothing.
    for (int i = 1; i <= t; ++i) {
        const TInclusion& s = states[static_cast<size_t>(i)];
        const int anc = tree.Tips[static_cast<size_t>(i)].Anc;
        if (!s.IsEmpty() && anc >= 1 && anc < t) steps += (s ^ nodeSet(anc)).Count();
    }
    for (int j = 1; j < t; ++j) {
        const TInclusion& s = nodeSet(j);
        const int anc = tree.Nodes[static_cast<size_t>(j)].Anc;
        if (!s.IsEmpty() && anc >= 1 && anc < t) steps += (s ^ nodeSet(anc)).Count();
    }
    return static_cast<double>(steps);
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
        const long long steps = std::llround(CharacterSteps(tree, c, charField));
        const bool compatible = steps == place.StateCount - 1;
        QString states = QString::number(place.StateCount);
        if (place.HasMissing) states += QStringLiteral(" + ?");
        rows.push_back({place.Name, states, QString::number(steps),
                        compatible ? QStringLiteral("yes") : QStringLiteral("no"),
                        compatible ? QStringLiteral("no") : QStringLiteral("yes")});
    }
    return rows;
}
