#include "data/Path.h"

#include <QLocale>
#include <QSet>
#include <algorithm>
#include <numeric>

namespace {
// ParseCell into an existing path, keeping its storage (called for every cell).
void ParseCellInto(const QString& cell, TPath& path)
{
    path.clear();
    if (!cell.contains(QLatin1Char('['))) {
        path.push_back(cell);
        return;
    }
    QString s = cell;
    for (qsizetype p = s.indexOf(QLatin1Char('[')); p >= 0; p = s.indexOf(QLatin1Char('['))) {
        path.push_back(s.left(p));
        if (!s.endsWith(QLatin1Char(']'))) s = CutCell(s + QStringLiteral(" ERROR "));
        // The text strictly between the first "[" and the last character.
        const qsizetype inner = s.size() - p - 2;
        s = inner > 0 ? s.mid(p + 1, inner) : QString();
    }
    if (!s.isEmpty() && s != QLatin1String(" ")) path.push_back(s);
}

void ReadOwnPathsInto(const TDynStrMatrix& dataMatrix, int objectCount, int c, bool* hasMissing,
                      TPathArr& paths)
{
    paths.resize(static_cast<size_t>(std::max(objectCount, 0)) + 1);
    paths[0].clear();
    const TPart* column = c >= 0 && c < static_cast<int>(dataMatrix.size())
                              ? &dataMatrix[static_cast<size_t>(c)]
                              : nullptr;
    static const QString empty;
    for (int o = 1; o <= objectCount; ++o) {
        const QString& cell = column && o < static_cast<int>(column->size())
                                  ? (*column)[static_cast<size_t>(o)]
                                  : empty;
        TPath& path = paths[static_cast<size_t>(o)];
        ParseCellInto(cell, path);
        if (hasMissing && IsMissingName(path.front())) *hasMissing = true;
    }
}
}  // namespace

TPath ParseCell(const QString& cell)
{
    TPath path;
    ParseCellInto(cell, path);
    return path;
}

TPathArr ReadOwnPaths(const TDynStrMatrix& dataMatrix, int objectCount, int c, bool* hasMissing)
{
    TPathArr paths;
    ReadOwnPathsInto(dataMatrix, objectCount, c, hasMissing, paths);
    return paths;
}

QString PointerText(const TPath& path)
{
    QString t;
    for (auto it = path.rbegin(); it != path.rend(); ++it)
        t = CutCell(*it + QLatin1Char('[') + t + QLatin1Char(']'));
    return t;
}

QCollator StateNameCollator()
{
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

TNameRanks RankNames(const QStringList& names, const QCollator& collator)
{
    TNameRanks result;
    const int n = static_cast<int>(names.size());
    result.Ranks.assign(static_cast<size_t>(n), 0);
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    // Stable, so that within a group the spelling met first comes first.
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return collator.compare(names[a], names[b]) < 0; });
    for (int k = 0; k < n; ++k) {
        const int i = order[static_cast<size_t>(k)];
        if (k == 0 || collator.compare(names[order[static_cast<size_t>(k - 1)]], names[i]) != 0)
            result.Spelling << names[i];
        result.Ranks[static_cast<size_t>(i)] = static_cast<int>(result.Spelling.size()) - 1;
    }
    return result;
}

TPathBuilder::TPathBuilder() : NameCollator(StateNameCollator()) {}

void TPathBuilder::BuildFullPaths(const TDynStrMatrix& dataMatrix, int objectCount, int c,
                                  bool* hasMissing)
{
    ReadOwnPathsInto(dataMatrix, objectCount, c, hasMissing, OwnPaths);
    // Element-wise, so that the paths' storage is reused from the last character.
    FullPaths.resize(OwnPaths.size());
    for (size_t o = 0; o < OwnPaths.size(); ++o)
        FullPaths[o].assign(OwnPaths[o].begin(), OwnPaths[o].end());
    Cycle.assign(OwnPaths.size(), false);
    IndexParents(objectCount);
    for (int o = 1; o <= objectCount; ++o) ExtendToRoot(o, objectCount);
}

void TPathBuilder::IndexParents(int objectCount)
{
    // Same answer as scanning objects 1..n and positions 0..len-2 for every
    // step: only the first parent written for a name is kept.
    FirstParent.clear();
    for (int o = 1; o <= objectCount && o < static_cast<int>(OwnPaths.size()); ++o) {
        const TPath& own = OwnPaths[static_cast<size_t>(o)];
        for (size_t i = 0; i + 1 < own.size(); ++i)
            if (!FirstParent.contains(own[i])) FirstParent.insert(own[i], own[i + 1]);
    }
}

namespace {
// Membership of a growing path: a scan while short, a hash set once long
// (cells nested a hundred deep, chains through hundreds of objects).
class TPathMembers {
public:
    explicit TPathMembers(const TPath& path) : Path(path) {}
    bool Contains(const QString& name, size_t upTo)
    {
        if (upTo <= 16)
            return std::find(Path.begin(), Path.begin() + static_cast<long>(upTo), name) !=
                   Path.begin() + static_cast<long>(upTo);
        while (Indexed < upTo) Seen.insert(Path[Indexed++]);
        return Seen.contains(name);
    }

private:
    const TPath& Path;
    QSet<QString> Seen;
    size_t Indexed = 0;
};
}  // namespace

void TPathBuilder::ExtendToRoot(int o, int objectCount)
{
    if (o < 1 || o >= static_cast<int>(FullPaths.size())) return;
    if (Cycle.size() < FullPaths.size()) Cycle.resize(FullPaths.size(), false);
    TPath& path = FullPaths[static_cast<size_t>(o)];
    if (path.empty()) return;
    TPathMembers members(path);
    // A cell such as «A[B[A]]» repeats a state within itself.
    for (size_t i = 1; i < path.size(); ++i)
        if (members.Contains(path[i], i)) {
            Cycle[static_cast<size_t>(o)] = true;
            return;
        }
    for (;;) {
        const auto parent = FirstParent.constFind(path.back());
        if (parent == FirstParent.constEnd()) return;
        if (members.Contains(parent.value(), path.size())) {
            Cycle[static_cast<size_t>(o)] = true;
            return;
        }
        path.push_back(parent.value());
    }
}

bool TPathBuilder::HasCycle(int o) const
{
    return o >= 0 && o < static_cast<int>(Cycle.size()) && Cycle[static_cast<size_t>(o)];
}

bool TPathBuilder::AnyCycle() const
{
    return std::find(Cycle.begin(), Cycle.end(), true) != Cycle.end();
}

void TPathBuilder::CollectStateNames(QHash<QString, int>& spellingId, QStringList& spellings,
                                     int objectCount) const
{
    const int n = std::min(objectCount, static_cast<int>(FullPaths.size()) - 1);
    for (int o = 1; o <= n; ++o)
        for (const QString& e : FullPaths[static_cast<size_t>(o)])
            if (!IsMissingName(e) && !spellingId.contains(e)) {
                spellingId.insert(e, static_cast<int>(spellings.size()));
                spellings << e;
            }
}

void TPathBuilder::CodeCharacter(TSPlace& place, int objectCount) const
{
    // Distinct spellings in the order met; equal ones ignoring case are then
    // grouped by the one collator, which gives the sorted state list.
    QHash<QString, int> spellingId;
    QStringList spellings;
    CollectStateNames(spellingId, spellings, objectCount);
    const TNameRanks ranks = RankNames(spellings, NameCollator);
    place.StateCount = ranks.GroupCount();
    place.StateNames = ranks.Spelling;
    place.Inc.Assign(std::max(objectCount, 0), TInclusion());
    const int n = std::min(objectCount, static_cast<int>(FullPaths.size()) - 1);
    for (int o = 1; o <= n; ++o) {
        TInclusion& set = place.Inc[o];
        for (const QString& e : FullPaths[static_cast<size_t>(o)]) {
            if (IsMissingName(e)) continue;
            const int k = ranks.Ranks[static_cast<size_t>(spellingId.value(e))];
            if (k <= 255) set.Include(k);
        }
    }
}

bool TPathBuilder::MoreStatesThan(int limit, int objectCount) const
{
    QHash<QString, int> spellingId;
    QStringList spellings;
    CollectStateNames(spellingId, spellings, objectCount);
    // Spellings that differ only in case are one state: group only when it can matter.
    if (spellings.size() <= limit) return false;
    return RankNames(spellings, NameCollator).GroupCount() > limit;
}

TSField BuildPathSets(const TDynStrMatrix& dataMatrix, int objectCount, int characterCount)
{
    TSField field;
    objectCount = std::max(objectCount, 0);
    characterCount = std::max(characterCount, 0);
    field.Places.Resize(characterCount);
    field.Names.Resize(objectCount);
    const TPart* names = dataMatrix.empty() ? nullptr : &dataMatrix[0];
    for (int o = 1; o <= objectCount; ++o)
        if (names && o < static_cast<int>(names->size()))
            field.Names[o] = (*names)[static_cast<size_t>(o)];
    TPathBuilder builder;
    for (int c = 1; c <= characterCount; ++c) {
        TSPlace& place = field.Places[c];
        if (c < static_cast<int>(dataMatrix.size()) && !dataMatrix[static_cast<size_t>(c)].empty())
            place.Name = dataMatrix[static_cast<size_t>(c)][0];
        place.HasMissing = false;
        builder.BuildFullPaths(dataMatrix, objectCount, c, &place.HasMissing);
        builder.CodeCharacter(place, objectCount);
    }
    return field;
}

QStringList StateLimitLines(const TSField& field)
{
    QStringList lines;
    for (const TSPlace& place : field.Places)
        if (place.StateCount > TInclusion::Capacity)
            lines << QStringLiteral(
                         " More than %1 states in character %2: states after the %1th are left out "
                         "of the coding")
                         .arg(TInclusion::Capacity)
                         .arg(place.Name);
    return lines;
}

TDynStrMatrix PathMatrix(const TDynStrMatrix& dataMatrix, int objectCount, int characterCount)
{
    objectCount = std::max(objectCount, 0);
    characterCount = std::max(characterCount, 0);
    TDynStrMatrix result(static_cast<size_t>(characterCount) + 1,
                         TPart(static_cast<size_t>(objectCount) + 1));
    for (int c = 0; c <= characterCount && c < static_cast<int>(dataMatrix.size()); ++c)
        for (int o = 0; o <= objectCount && o < static_cast<int>(dataMatrix[c].size()); ++o)
            result[c][o] = dataMatrix[c][o];
    TPathBuilder builder;
    for (int c = 1; c <= characterCount; ++c) {
        builder.BuildFullPaths(dataMatrix, objectCount, c);
        for (int o = 1; o <= objectCount; ++o) {
            const TPath& path = builder.FullPaths[static_cast<size_t>(o)];
            result[c][o] = IsMissingName(path.front()) ? QStringLiteral("?") : PointerText(path);
        }
    }
    return result;
}
