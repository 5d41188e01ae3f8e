#include "parsimony/summaries/FitStatistics.h"

#include <cmath>

#include "parsimony/summaries/BranchChanges.h"

TCharacterFit CharacterRange(const TSField& field, int c, int objectCount, bool missingData)
{
    TCharacterFit fit;
    if (c < 1 || c > field.Places.Count()) return fit;
    const TNumbered<TInclusion>& inc = field.Places[c].Inc;
    auto set = [&](int o) { return o >= 1 && o <= inc.Count() ? inc[o] : TInclusion(); };
    TInclusion present;
    int counted = 0;
    for (int o = 1; o <= objectCount; ++o) {
        if (missingData && set(o).IsEmpty()) continue;
        present |= set(o);
        ++counted;
    }
    // The root of a state tree is in every set with data, so only derived
    // states can count; the rule decides whether "?" objects count.
    for (int k = 0; k < TInclusion::Capacity; ++k) {
        if (!present.Contains(k)) continue;
        int holders = 0;
        for (int o = 1; o <= objectCount; ++o)
            if (set(o).Contains(k)) ++holders;
        if (holders < counted) {
            ++fit.M;
            fit.G += holders;
        }
    }
    return fit;
}

TFitStatistics FitStatistics(const TTree& tree, const TSField& field, bool missingData)
{
    TFitStatistics stats;
    const int chars = field.Places.Count();
    stats.Characters.assign(static_cast<size_t>(chars) + 1, TCharacterFit());
    int objectCount = 0;
    for (int i = 1; i <= tree.TipCount(); ++i)
        if (!tree.Tips[static_cast<size_t>(i)].Objects.empty())
            objectCount = std::max<int>(objectCount, tree.Tips[static_cast<size_t>(i)].Objects[0]);
    const std::vector<TIncArr> sets = TreeStateSets(tree, field, missingData).Sets;
    std::vector<int> parent(sets.size(), 0);
    for (int v = 1; v < static_cast<int>(sets.size()); ++v)
        parent[static_cast<size_t>(v)] = ParentVertex(tree, v);
    for (int c = 1; c <= chars; ++c) {
        TCharacterFit& fit = stats.Characters[static_cast<size_t>(c)];
        fit = CharacterRange(field, c, objectCount, missingData);
        for (int v = 1; v < static_cast<int>(sets.size()); ++v) {
            const int p = parent[static_cast<size_t>(v)];
            if (p == 0) continue;
            fit.S += (sets[static_cast<size_t>(v)][static_cast<size_t>(c)] -
                      sets[static_cast<size_t>(p)][static_cast<size_t>(c)])
                         .Count();
        }
        stats.Total.M += fit.M;
        stats.Total.S += fit.S;
        stats.Total.G += fit.G;
    }
    return stats;
}

TFitStatistics CompactFitStatistics(const TCompactTree& tree, const TSField& field,
                                    bool missingData)
{
    TFitStatistics stats;
    const int chars = field.Places.Count();
    stats.Characters.assign(static_cast<size_t>(chars) + 1, TCharacterFit());
    const size_t vertices = static_cast<size_t>(tree.Vertices());
    if (tree.Root < 0 || vertices == 0) return stats;
    // Preorder without recursion; read backwards, every vertex after its children.
    std::vector<int> order{tree.Root};
    order.reserve(vertices);
    for (size_t i = 0; i < order.size(); ++i)
        if (!tree.IsTip(order[i]))
            for (int k : tree.Child[static_cast<size_t>(order[i])]) order.push_back(k);
    // Node sets as TreeStateSets forms them: "has data" apart from the set,
    // as paths under several roots can meet in nothing.
    std::vector<TInclusion> set(vertices);
    std::vector<bool> has(vertices, false);
    for (int c = 1; c <= chars; ++c) {
        const TNumbered<TInclusion>& inc = field.Places[c].Inc;
        TCharacterFit& fit = stats.Characters[static_cast<size_t>(c)];
        fit = CharacterRange(field, c, tree.Tips, missingData);
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const size_t v = static_cast<size_t>(*it);
            if (tree.IsTip(*it)) {
                const int o = *it + 1;
                set[v] = o <= inc.Count() ? inc[o] : TInclusion();
                has[v] = !set[v].IsEmpty();
                continue;
            }
            TInclusion s;
            bool any = false, data = false;
            for (int k : tree.Child[v]) {
                const size_t kv = static_cast<size_t>(k);
                if (missingData && !has[kv]) continue;
                s = any ? (s & set[kv]) : set[kv];
                any = true;
                data = data || has[kv];
            }
            set[v] = s;
            has[v] = data;
        }
        for (int v : order) {
            const int p = tree.Parent[static_cast<size_t>(v)];
            if (p >= 0)
                fit.S += (set[static_cast<size_t>(v)] - set[static_cast<size_t>(p)]).Count();
        }
        stats.Total.M += fit.M;
        stats.Total.S += fit.S;
        stats.Total.G += fit.G;
    }
    return stats;
}

namespace {
// The Camin-Sokal statistics with each reversible character's m, s (steps,
// the coding's own numbering) and g put in, and the totals again.
TResult<TFitStatistics> WithReversibleFit(TFitStatistics stats, const TCriteriaCoding& coding,
                                          const std::vector<std::int64_t>& steps)
{
    for (size_t k = 0; k < coding.ReversibleCharacters.size(); ++k) {
        const int c = coding.ReversibleCharacters[k];
        const TReversibleCharacter& ch = coding.Reversible[static_cast<int>(k) + 1];
        const std::optional<std::int64_t> m = MinimumSteps(ch);
        if (!m)
            return TFailure(QStringLiteral("Character %1: its polymorphic and uncertain cells "
                                           "leave too many states to work out its fewest steps.")
                                .arg(c));
        stats.Characters[static_cast<size_t>(c)] = {*m, steps[k + 1], BushSteps(ch)};
    }
    stats.Total = TCharacterFit();
    for (size_t c = 1; c < stats.Characters.size(); ++c) {
        stats.Total.M += stats.Characters[c].M;
        stats.Total.S += stats.Characters[c].S;
        stats.Total.G += stats.Characters[c].G;
    }
    return stats;
}
}  // namespace

TResult<TFitStatistics> CriteriaFitStatistics(TTree tree, const TSField& field,
                                              const TCriteriaCoding& coding, bool missingData)
{
    return WithReversibleFit(FitStatistics(tree, field, missingData), coding,
                             ReversibleSteps(coding, LinksOf(tree).View()));
}

TResult<TFitStatistics> CompactCriteriaFitStatistics(const TCompactTree& tree, const TSField& field,
                                                     const TCriteriaCoding& coding,
                                                     bool missingData)
{
    return WithReversibleFit(CompactFitStatistics(tree, field, missingData), coding,
                             ReversibleSteps(coding, ViewOf(tree)));
}

double ConsistencyIndex(const TCharacterFit& f)
{
    return f.S == 0 ? 1.0 : static_cast<double>(f.M) / static_cast<double>(f.S);
}

std::optional<double> RetentionIndex(const TCharacterFit& f)
{
    if (f.G == f.M) return std::nullopt;
    return static_cast<double>(f.G - f.S) / static_cast<double>(f.G - f.M);
}

std::optional<double> RescaledConsistency(const TCharacterFit& f)
{
    const std::optional<double> ri = RetentionIndex(f);
    if (!ri) return std::nullopt;
    return ConsistencyIndex(f) * *ri;
}

double HomoplasyIndex(const TCharacterFit& f) { return 1.0 - ConsistencyIndex(f); }

QString FormatFitNumber(std::optional<double> value)
{
    if (!value || !std::isfinite(*value)) return QStringLiteral("\u2014");
    double v = std::round(*value * 10000.0) / 10000.0;
    if (v == 0) v = 0;  // no "-0"
    QString text = QString::number(v, 'f', 4);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text;
}

QStringList FitStatisticsHeader()
{
    return {QStringLiteral("Character"), QStringLiteral("m"),  QStringLiteral("s"),
            QStringLiteral("g"),         QStringLiteral("CI"), QStringLiteral("RI"),
            QStringLiteral("RC"),        QStringLiteral("HI")};
}

QStringList FitStatisticsCells(const TCharacterFit& f)
{
    return {QString::number(f.M),
            QString::number(f.S),
            QString::number(f.G),
            FormatFitNumber(ConsistencyIndex(f)),
            FormatFitNumber(RetentionIndex(f)),
            FormatFitNumber(RescaledConsistency(f)),
            FormatFitNumber(HomoplasyIndex(f))};
}

std::vector<QStringList> FitStatisticsTable(const TFitStatistics& stats, const TSField& field)
{
    std::vector<QStringList> rows{FitStatisticsHeader()};
    for (size_t c = 1; c < stats.Characters.size(); ++c) {
        const int k = static_cast<int>(c);
        const QString name = k <= field.Places.Count() ? field.Places[k].Name : QString();
        rows.push_back(QStringList{name.isEmpty() ? QString::number(c) : name} +
                       FitStatisticsCells(stats.Characters[c]));
    }
    rows.push_back(QStringList{QStringLiteral("Tree")} + FitStatisticsCells(stats.Total));
    return rows;
}

QString FitSummaryLine(const TFitStatistics& stats)
{
    const TCharacterFit& t = stats.Total;
    return QStringLiteral("Tree length %1: CI = %2, RI = %3, RC = %4, HI = %5")
        .arg(t.S)
        .arg(FormatFitNumber(ConsistencyIndex(t)), FormatFitNumber(RetentionIndex(t)),
             FormatFitNumber(RescaledConsistency(t)), FormatFitNumber(HomoplasyIndex(t)));
}
