#include "parsimony/length/CriteriaCoding.h"

#include <QHash>
#include <algorithm>

#include "data/NexusMatrix.h"
#include "data/Path.h"

namespace {
// The state a gap becomes when gaps are read as a state.
const QString GapState = QStringLiteral("-");

QString CharacterText(const TSPlace& place, int c)
{
    const QString plain = QStringLiteral("Character %1").arg(c);
    return place.Name.isEmpty() || place.Name == plain
               ? plain
               : QStringLiteral("Character %1 (%2)").arg(c).arg(place.Name);
}

// State indices of one character by spelling, equal ignoring case as the
// coding groups them; names it has not met are appended (unordered only).
class TStateIndex {
public:
    TStateIndex(const QStringList& names, const QCollator& collator)
        : Names(names), Collator(collator)
    {
    }
    int Of(const QString& name)
    {
        if (const auto it = Known.constFind(name); it != Known.constEnd()) return it.value();
        int k = -1;
        for (int i = 0; i < static_cast<int>(Names.size()); ++i)
            if (Collator.compare(Names[i], name) == 0) {
                k = i;
                break;
            }
        Known.insert(name, k);
        return k;
    }
    int Add(const QString& name)
    {
        Names << name;
        Known.insert(name, static_cast<int>(Names.size()) - 1);
        return static_cast<int>(Names.size()) - 1;
    }
    int Count() const { return static_cast<int>(Names.size()); }
    const QStringList& All() const { return Names; }

private:
    QStringList Names;
    const QCollator& Collator;
    QHash<QString, int> Known;
};

// "12 characters unordered (Fitch): characters 1-12" or, when the list is
// long, the count alone.
QString CriterionLine(TCriterion criterion, const std::vector<int>& characters)
{
    const int n = static_cast<int>(characters.size());
    QString line = QStringLiteral(" %1 character%2 %3")
                       .arg(n)
                       .arg(n == 1 ? QString() : QStringLiteral("s"))
                       .arg(CriterionName(criterion));
    const QString list = NumberRanges(characters);
    if (list.size() <= 60)
        line += QStringLiteral(": character%1 %2")
                    .arg(n == 1 ? QString() : QStringLiteral("s"))
                    .arg(list);
    return line;
}
}  // namespace

TResult<TCriteriaCoding> CodeCriteria(const TMatrixData& data, std::optional<TCriterion> chosen,
                                      TGapReading gaps)
{
    const int objects = data.ObjectCount;
    const int characters = data.CharacterCount;
    const TCharacterCriteria& given = data.Criteria;
    auto criterionOf = [&](int c) {
        if (chosen) return *chosen;
        if (c - 1 < static_cast<int>(given.ByCharacter.size()))
            return given.ByCharacter[static_cast<size_t>(c - 1)];
        return TCriterion::Irreversible;
    };
    // Cells "a&b" of reversible characters become sets: the matrix holds
    // them as "?", as it holds NEXUS set cells.
    const TDynStrMatrix* matrix = &data.DataMatrix;
    TDynStrMatrix split;
    QMap<QPair<int, int>, QStringList> ampersandSets;
    for (int c = 1; c <= characters; ++c) {
        if (criterionOf(c) == TCriterion::Irreversible ||
            static_cast<size_t>(c) >= data.DataMatrix.size())
            continue;
        const TPart& column = data.DataMatrix[static_cast<size_t>(c)];
        for (int o = 1; o <= objects && static_cast<size_t>(o) < column.size(); ++o) {
            const QString& cell = column[static_cast<size_t>(o)];
            if (!cell.contains(QLatin1Char('&')) || given.SetOf(c, o)) continue;
            QStringList names;
            for (const QString& part : cell.split(QLatin1Char('&'))) {
                const TPath path = ParseCell(part);
                if (!path.empty() && !path.front().isEmpty() && !IsMissingName(path.front()) &&
                    !names.contains(path.front()))
                    names << path.front();
            }
            if (split.empty()) split = data.DataMatrix;
            split[static_cast<size_t>(c)][static_cast<size_t>(o)] = QStringLiteral("?");
            if (!names.isEmpty()) ampersandSets.insert(qMakePair(c, o), names);
        }
    }
    if (!split.empty()) matrix = &split;
    const TSField all = BuildPathSets(*matrix, objects, characters);
    TCriteriaCoding coding;
    coding.Criteria.Resize(characters);
    coding.CaminSokal.Names = all.Names;
    TPathBuilder builder;
    int outsideTree = 0;
    for (int c = 1; c <= characters; ++c) {
        const TCriterion criterion = criterionOf(c);
        if (!chosen && c - 1 < static_cast<int>(given.ByCharacter.size())) {
            if (given.StepMatrices.contains(c))
                return TFailure(
                    QStringLiteral("%1 has the step matrix type \"%2\", which no criterion here "
                                   "reads: give it another type in the file, or choose one "
                                   "criterion for all characters (--criterion).")
                        .arg(CharacterText(all.Places[c], c), given.StepMatrices.value(c)));
        }
        coding.Criteria[c] = criterion;
        const TSPlace& place = all.Places[c];
        if (criterion == TCriterion::Irreversible) {
            coding.CaminSokal.Places.Append(place);
            coding.CaminSokalCharacters.push_back(c);
            continue;
        }
        if (place.StateCount > TInclusion::Capacity)
            return TFailure(QStringLiteral("%1 has %2 states; the reversible criteria take at "
                                           "most %3.")
                                .arg(CharacterText(place, c))
                                .arg(place.StateCount)
                                .arg(TInclusion::Capacity));
        builder.BuildFullPaths(*matrix, objects, c);
        if (builder.AnyCycle() && criterion != TCriterion::Unordered)
            return TFailure(QStringLiteral("%1: its state tree has a cycle, so it cannot be "
                                           "scored %2.")
                                .arg(CharacterText(place, c), CriterionName(criterion)));
        TStateIndex index(place.StateNames, builder.Collator());
        TReversibleCharacter ch;
        ch.Criterion = criterion == TCriterion::Unordered ? TCriterion::Unordered
                                                          : TCriterion::StateTreeReversible;
        ch.Cells.Resize(objects);
        std::vector<int> parent(static_cast<size_t>(place.StateCount), -1);
        for (int o = 1; o <= objects; ++o) {
            const TPath& path = builder.FullPaths[static_cast<size_t>(o)];
            for (size_t i = 0; i + 1 < path.size(); ++i) {
                if (IsMissingName(path[i]) || IsMissingName(path[i + 1])) continue;
                const int s = index.Of(path[i]), p = index.Of(path[i + 1]);
                if (s >= 0 && p >= 0) parent[static_cast<size_t>(s)] = p;
            }
            const QStringList* set = given.SetOf(c, o);
            const auto ampersand = ampersandSets.constFind(qMakePair(c, o));
            if (!set && ampersand != ampersandSets.constEnd()) {
                set = &ampersand.value();
                ++coding.AmpersandCells;
            }
            if (gaps == TGapReading::State && criterion == TCriterion::Unordered &&
                given.IsGap(c, o)) {
                const int k = index.Of(GapState);
                ch.Cells[o].Include(k >= 0 ? k : index.Add(GapState));
                ++coding.GapStates;
            } else if (set) {
                for (const QString& name : *set) {
                    int k = index.Of(name);
                    if (k < 0 && criterion == TCriterion::Unordered) k = index.Add(name);
                    if (k < 0) {
                        ++outsideTree;
                        continue;
                    }
                    ch.Cells[o].Include(k);
                }
                ++coding.SetCells;
            } else if (!path.empty() && !IsMissingName(path.front())) {
                ch.Cells[o].Include(index.Of(path.front()));
            }
        }
        ch.StateCount = index.Count();
        ch.StateNames = index.All();
        if (ch.StateCount > TInclusion::Capacity)
            return TFailure(QStringLiteral("%1 has %2 states; the reversible criteria take at "
                                           "most %3.")
                                .arg(CharacterText(place, c))
                                .arg(ch.StateCount)
                                .arg(TInclusion::Capacity));
        if (criterion != TCriterion::Unordered) {
            const int roots = static_cast<int>(std::count(parent.begin(), parent.end(), -1));
            if (roots > 1)
                return TFailure(QStringLiteral("%1: its state tree has %2 roots, so it cannot be "
                                               "scored %3 (the states must form one tree).")
                                    .arg(CharacterText(place, c))
                                    .arg(roots)
                                    .arg(CriterionName(criterion)));
            if (criterion == TCriterion::Ordered) {
                std::vector<int> children(parent.size(), 0);
                for (int p : parent)
                    if (p >= 0) ++children[static_cast<size_t>(p)];
                for (size_t s = 0; s < children.size(); ++s)
                    if (children[s] > 1)
                        return TFailure(
                            QStringLiteral("%1: its states are not in a line (state %2 has %3 "
                                           "states right below it), so it cannot be scored "
                                           "ordered; the reversible criterion reads a branching "
                                           "state tree.")
                                .arg(CharacterText(place, c), place.StateNames[static_cast<int>(s)])
                                .arg(children[s]));
            }
            ch.Parent = parent;
        }
        coding.Reversible.Append(std::move(ch));
        coding.ReversibleCharacters.push_back(c);
    }
    if (coding.AnyReversible()) {
        TResult<TReversibleField> field = TReversibleField::Make(coding.Reversible, objects);
        if (!field) return TFailure(field.Error());
        coding.Field = std::move(*field);
    }

    // The protocol's account, criteria in their usual order.
    coding.Lines << QStringLiteral("Criteria:");
    for (TCriterion k : {TCriterion::Irreversible, TCriterion::StateTreeReversible,
                         TCriterion::Ordered, TCriterion::Unordered}) {
        std::vector<int> with;
        for (int c = 1; c <= characters; ++c)
            if (coding.Criteria[c] == k) with.push_back(c);
        if (!with.empty()) coding.Lines << CriterionLine(k, with);
    }
    if (coding.AnyReversible())
        coding.Lines << QStringLiteral(
            " Under the reversible criteria the length does not depend on the root.");
    if (coding.SetCells > 0)
        coding.Lines << QStringLiteral(
                            " %1 polymorphic or uncertain cells read as sets of states "
                            "(uncertainty: the set's cheapest state counts, as TNT and "
                            "PAUP* read them).")
                            .arg(coding.SetCells);
    if (coding.AmpersandCells > 0)
        coding.Lines << QStringLiteral(
                            " %1 of them name their states joined by \"&\"; irreversible "
                            "characters read such a cell as one state.")
                            .arg(coding.AmpersandCells);
    if (gaps == TGapReading::State)
        coding.Lines << QStringLiteral(
                            " %1 gap cells of unordered characters scored as one more state, "
                            "\"%2\" (gap as a fifth state); gaps of other characters are "
                            "missing data.")
                            .arg(coding.GapStates)
                            .arg(GapState);
    if (outsideTree > 0)
        coding.Lines << QStringLiteral(
                            " %1 states of such sets are not in their character's "
                            "state tree and were left out of them.")
                            .arg(outsideTree);
    if (coding.Field && coding.Field->WidenedCells() > 0)
        coding.Lines << QStringLiteral(
                            " %1 sets of states not connected in their state tree "
                            "scored as the connected part of the tree that holds "
                            "them.")
                            .arg(coding.Field->WidenedCells());
    return coding;
}

TResult<std::optional<TCriteriaCoding>> SearchCriteria(const TMatrixData& data,
                                                       std::optional<TCriterion> chosen,
                                                       TGapReading gaps)
{
    if (chosen ? *chosen == TCriterion::Irreversible : !data.Criteria.Given())
        return std::optional<TCriteriaCoding>();
    TResult<TCriteriaCoding> coded = CodeCriteria(data, chosen, gaps);
    if (!coded) return TFailure(coded.Error());
    if (!coded->AnyReversible()) return std::optional<TCriteriaCoding>();
    return std::optional<TCriteriaCoding>(std::move(*coded));
}

TStatus RequireIrreversible(const TCriteriaCoding& coding, const QString& search,
                            const QString& instead)
{
    if (!coding.AnyReversible()) return {};
    QStringList counts;
    for (TCriterion k :
         {TCriterion::StateTreeReversible, TCriterion::Ordered, TCriterion::Unordered}) {
        int n = 0;
        for (int c = 1; c <= coding.Criteria.Count(); ++c) n += coding.Criteria[c] == k;
        if (n > 0) counts << QStringLiteral("%1 %2").arg(n).arg(CriterionName(k));
    }
    const int n = static_cast<int>(coding.ReversibleCharacters.size());
    return TFailure(QStringLiteral("%1 counts irreversible (Camin-Sokal) changes only, but %2 "
                                   "character%3 %4 scored under a reversible criterion (%5): %6")
                        .arg(search)
                        .arg(n)
                        .arg(n == 1 ? QString() : QStringLiteral("s"))
                        .arg(n == 1 ? QStringLiteral("is") : QStringLiteral("are"))
                        .arg(counts.join(QStringLiteral(", ")), instead));
}

std::optional<std::int64_t> MinimumSteps(const TReversibleCharacter& ch)
{
    const int n = ch.StateCount;
    TInclusion all;
    for (int s = 0; s < n; ++s) all.Include(s);
    const bool unordered = ch.Criterion == TCriterion::Unordered;
    std::vector<int> parent = ch.Parent;
    if (ch.Criterion == TCriterion::Ordered)
        for (int s = 0; s < n; ++s) parent.push_back(s - 1);
    // Below[s]: s and the states below it.
    std::vector<TInclusion> below(static_cast<size_t>(n));
    if (!unordered)
        for (int s = 0; s < n; ++s)
            for (int a = s; a >= 0; a = parent[static_cast<size_t>(a)])
                below[static_cast<size_t>(a)].Include(s);
    auto span = [&](const TInclusion& set) {  // the connected part holding set
        TInclusion out = set;
        if (unordered || set.Count() < 2) return out;
        for (int s = 0; s < n; ++s)
            if (parent[static_cast<size_t>(s)] >= 0 &&
                !(set & below[static_cast<size_t>(s)]).IsEmpty() &&
                !(set - below[static_cast<size_t>(s)]).IsEmpty())
                out.Include(s), out.Include(parent[static_cast<size_t>(s)]);
        return out;
    };
    auto steps = [&](const TInclusion& chosen) -> std::int64_t {
        if (chosen.IsEmpty()) return 0;
        if (unordered) return chosen.Count() - 1;
        std::int64_t edges = 0;
        for (int s = 0; s < n; ++s)
            if (parent[static_cast<size_t>(s)] >= 0 &&
                !(chosen & below[static_cast<size_t>(s)]).IsEmpty() &&
                !(chosen - below[static_cast<size_t>(s)]).IsEmpty())
                ++edges;
        return edges;
    };
    TInclusion forced;
    std::vector<TInclusion> sets;
    for (const TInclusion& cell : ch.Cells) {
        if (cell.IsEmpty() || cell == all) continue;
        if (cell.Count() == 1)
            forced |= cell;
        else
            sets.push_back(span(cell));
    }
    std::vector<int> free;
    for (const TInclusion& set : sets)
        if ((set & forced).IsEmpty())
            for (int s = 0; s < n; ++s)
                if (set.Contains(s) && !forced.Contains(s) &&
                    std::find(free.begin(), free.end(), s) == free.end())
                    free.push_back(s);
    if (free.size() > 16) return std::nullopt;
    std::int64_t best = -1;
    for (std::uint32_t pick = 0; pick < (std::uint32_t{1} << free.size()); ++pick) {
        TInclusion chosen = forced;
        for (size_t k = 0; k < free.size(); ++k)
            if (pick >> k & 1) chosen.Include(free[k]);
        if (!std::all_of(sets.begin(), sets.end(),
                         [&](const TInclusion& set) { return !(set & chosen).IsEmpty(); }))
            continue;
        const std::int64_t m = steps(chosen);
        if (best < 0 || m < best) best = m;
    }
    return best;
}

std::int64_t BushSteps(const TReversibleCharacter& ch)
{
    const int n = ch.StateCount;
    TInclusion all;
    for (int s = 0; s < n; ++s) all.Include(s);
    std::vector<int> parent = ch.Parent;
    if (ch.Criterion == TCriterion::Ordered)
        for (int s = 0; s < n; ++s) parent.push_back(s - 1);
    std::vector<TInclusion> below(static_cast<size_t>(n));
    if (ch.Criterion != TCriterion::Unordered)
        for (int s = 0; s < n; ++s)
            for (int a = s; a >= 0; a = parent[static_cast<size_t>(a)])
                below[static_cast<size_t>(a)].Include(s);
    // Steps from state r to a set: the state-tree edges between r and the
    // set's connected part (unordered: 0 or 1).
    auto cost = [&](int r, const TInclusion& set) -> std::int64_t {
        if (set.Contains(r)) return 0;
        if (ch.Criterion == TCriterion::Unordered) return 1;
        std::int64_t edges = 0;
        for (int s = 0; s < n; ++s)
            if (parent[static_cast<size_t>(s)] >= 0 &&
                below[static_cast<size_t>(s)].Contains(r) !=
                    !(set & below[static_cast<size_t>(s)]).IsEmpty() &&
                (below[static_cast<size_t>(s)].Contains(r)
                     ? (set - below[static_cast<size_t>(s)]) == set
                     : (set & below[static_cast<size_t>(s)]) == set))
                ++edges;
        return edges;
    };
    std::int64_t best = -1;
    for (int r = 0; r < n; ++r) {
        std::int64_t g = 0;
        for (const TInclusion& cell : ch.Cells)
            if (!cell.IsEmpty() && cell != all) g += cost(r, cell);
        if (best < 0 || g < best) best = g;
    }
    return std::max<std::int64_t>(best, 0);
}

TTree RootedAt(const TTree& tree, int object)
{
    const int t = tree.TipCount();
    int tip = 0;
    for (int i = 1; i <= t; ++i)
        if (tree.Tips[static_cast<size_t>(i)].Objects.front() == object) tip = i;
    if (t < 3 || tip == 0) return tree;
    // Vertices: tip i is i - 1, node j is t + j - 1; the tree unrooted.
    const int vertices = 2 * t - 1;
    std::vector<std::vector<int>> next(static_cast<size_t>(vertices));
    auto join = [&](int a, int b) {
        next[static_cast<size_t>(a)].push_back(b);
        next[static_cast<size_t>(b)].push_back(a);
    };
    const int root = t + tree.Root() - 1;
    std::vector<int> rootNext;
    auto link = [&](int v, int anc) {
        const int a = t + anc - 1;
        if (a == root)
            rootNext.push_back(v);
        else
            join(v, a);
    };
    for (int i = 1; i <= t; ++i) link(i - 1, tree.Tips[static_cast<size_t>(i)].Anc);
    for (int j = 1; j < t; ++j)
        if (tree.Nodes[static_cast<size_t>(j)].Anc != 0)
            link(t + j - 1, tree.Nodes[static_cast<size_t>(j)].Anc);
    join(rootNext[0], rootNext[1]);
    // The old root vertex becomes the new one, between the tip and its neighbour.
    const int g = tip - 1;
    const int h = next[static_cast<size_t>(g)].front();
    auto drop = [&](int a, int b) {
        auto& n = next[static_cast<size_t>(a)];
        n.erase(std::find(n.begin(), n.end(), b));
    };
    drop(g, h);
    drop(h, g);
    join(root, g);
    join(root, h);
    TTree out = tree;
    std::vector<int> parent(static_cast<size_t>(vertices), -2);
    std::vector<int> queue{root};
    parent[static_cast<size_t>(root)] = -1;
    for (size_t k = 0; k < queue.size(); ++k)
        for (int w : next[static_cast<size_t>(queue[k])])
            if (parent[static_cast<size_t>(w)] == -2) {
                parent[static_cast<size_t>(w)] = queue[k];
                queue.push_back(w);
            }
    auto nodeOf = [&](int v) { return static_cast<TIntNum>(v < 0 ? 0 : v - t + 1); };
    for (int i = 1; i <= t; ++i)
        out.Tips[static_cast<size_t>(i)].Anc = nodeOf(parent[static_cast<size_t>(i - 1)]);
    for (int j = 1; j < t; ++j)
        out.Nodes[static_cast<size_t>(j)].Anc = nodeOf(parent[static_cast<size_t>(t + j - 1)]);
    DeriveTopology(out);
    return out;
}

std::vector<std::int64_t> ReversibleSteps(const TCriteriaCoding& coding, const TTreeView& tree)
{
    if (!coding.Field) return std::vector<std::int64_t>(1, 0);
    TReversibleScorer scorer(*coding.Field);
    return scorer.CharacterSteps(tree);
}

TCriteriaScorer::TCriteriaScorer(const TCriteriaCoding& coding) : C(&coding)
{
    if (coding.Field) Scorer = std::make_unique<TReversibleScorer>(*coding.Field);
}

double TCriteriaScorer::Length(TTree& tree, bool missingData)
{
    double length = 0;
    if (!C->CaminSokalCharacters.empty()) {
        EvaluateTree(tree, C->CaminSokal, missingData);
        length += tree.Fitness;
    }
    if (Scorer) {
        const TTreeLinks links = LinksOf(tree);
        length += static_cast<double>(Scorer->DownPass(links.View()));
    }
    return length;
}

std::vector<double> TCriteriaScorer::CharacterSteps(TTree& tree, bool missingData)
{
    std::vector<double> steps(static_cast<size_t>(C->Criteria.Count()) + 1, 0.0);
    if (!C->CaminSokalCharacters.empty()) {
        EvaluateTree(tree, C->CaminSokal, missingData);
        for (size_t k = 0; k < C->CaminSokalCharacters.size(); ++k)
            steps[static_cast<size_t>(C->CaminSokalCharacters[k])] =
                CountCharSteps(tree, static_cast<int>(k) + 1, C->CaminSokal);
    }
    if (Scorer) {
        const TTreeLinks links = LinksOf(tree);
        const std::vector<std::int64_t> own = Scorer->CharacterSteps(links.View());
        for (size_t k = 0; k < C->ReversibleCharacters.size(); ++k)
            steps[static_cast<size_t>(C->ReversibleCharacters[k])] =
                static_cast<double>(own[k + 1]);
    }
    return steps;
}
