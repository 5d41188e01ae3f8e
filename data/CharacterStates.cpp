#include "data/CharacterStates.h"

#include "data/Path.h"

bool TCharacterStates::Has(int o, int k) const
{
    int s = o >= 1 && o < static_cast<int>(Own.size()) ? Own[static_cast<size_t>(o)] : -1;
    for (int guard = 0; s >= 0 && guard <= static_cast<int>(Parent.size());
         ++guard, s = Parent[static_cast<size_t>(s)])
        if (s == k) return true;
    return false;
}

TResult<TCharacterStates> CharacterStates(const TMatrixData& data, int c)
{
    TCharacterStates states;
    const int n = data.ObjectCount;
    const QString name = c < static_cast<int>(data.DataMatrix.size()) &&
                                 !data.DataMatrix[static_cast<size_t>(c)].empty()
                             ? data.DataMatrix[static_cast<size_t>(c)][0]
                             : QString();
    auto fail = [&](const QString& what) {
        return TFailure(QStringLiteral("Character %1 (%2) %3").arg(c).arg(name, what));
    };
    TPathBuilder builder;
    builder.BuildFullPaths(data.DataMatrix, n, c);
    if (builder.AnyCycle())
        return fail(QStringLiteral("has a cycle in its state tree; check the data first."));

    QHash<QString, int> spellingId;
    QStringList spellings;
    for (int o = 1; o <= n; ++o)
        for (const QString& e : builder.FullPaths[static_cast<size_t>(o)])
            if (!IsMissingName(e) && !spellingId.contains(e)) {
                spellingId.insert(e, static_cast<int>(spellings.size()));
                spellings << e;
            }
    const TNameRanks ranks = RankNames(spellings, builder.Collator());
    auto rank = [&](const QString& e) {
        return ranks.Ranks[static_cast<size_t>(spellingId.value(e))];
    };
    const int count = ranks.GroupCount();
    states.Names = ranks.Spelling;
    states.Parent.assign(static_cast<size_t>(count), -2);
    states.Own.assign(static_cast<size_t>(n) + 1, -1);
    for (int o = 1; o <= n; ++o) {
        const TPath& path = builder.FullPaths[static_cast<size_t>(o)];
        if (path.empty() || IsMissingName(path.front())) continue;
        states.Own[static_cast<size_t>(o)] = rank(path.front());
        for (size_t i = 0; i < path.size(); ++i) {
            if (IsMissingName(path[i])) break;
            const int k = rank(path[i]);
            const int p =
                i + 1 < path.size() && !IsMissingName(path[i + 1]) ? rank(path[i + 1]) : -1;
            if (states.Parent[static_cast<size_t>(k)] == -2 ||
                (states.Parent[static_cast<size_t>(k)] == -1 && p >= 0))
                states.Parent[static_cast<size_t>(k)] = p;
        }
    }
    QStringList roots;
    for (int k = 0; k < count; ++k)
        if (states.Parent[static_cast<size_t>(k)] < 0) {
            states.Parent[static_cast<size_t>(k)] = -1;
            states.Root = k;
            roots << states.Names[k];
        }
    if (roots.size() > 1)
        return fail(QStringLiteral("has %1 root states (%2); its states must form one state tree. "
                                   "Check the data first.")
                        .arg(roots.size())
                        .arg(roots.join(QStringLiteral(", "))));
    return states;
}
