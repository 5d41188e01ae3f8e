#include "parsimony/exact/ExactSearch.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <thread>

#include "data/NumberFormat.h"
#include "parsimony/exact/ExactField.h"
#include "parsimony/exact/ExactRunLoop.h"
#include "parsimony/exact/ExactStart.h"
#include "parsimony/exact/ExactWorker.h"

TStatus ValidateExactSearch(int objectCount, const TExactSettings& settings)
{
    if (objectCount < 3)
        return TFailure(
            QStringLiteral("The exact search needs at least 3 objects; the data have %1.")
                .arg(objectCount));
    if (objectCount > ExactMaxObjects)
        return TFailure(
            QStringLiteral("The exact search handles at most %1 objects; the data have %2.")
                .arg(ExactMaxObjects)
                .arg(objectCount));
    if (settings.TimeLimitSeconds && !(*settings.TimeLimitSeconds > 0))
        return TFailure(
            QStringLiteral("The time limit must be above 0 seconds (leave it out for no limit)."));
    if (settings.MaxTrees < 0)
        return TFailure(QStringLiteral("The number of trees to keep cannot be negative."));
    if (settings.Threads < 0)
        return TFailure(QStringLiteral("The number of threads cannot be negative."));
    return {};
}

QString ExactSearchWarning(int objectCount)
{
    if (objectCount <= ExactWarnObjects) return {};
    return QStringLiteral(
               "With %1 objects the exact search may run for hours; a time limit stops it with the "
               "best tree "
               "found and a proved lower bound.")
        .arg(objectCount);
}

QStringList ExactInputNotes(const TSField& charField, int objectCount, int characterCount)
{
    QStringList notes;
    auto cell = [&](int c, int o) {
        const TNumbered<TInclusion>& inc = charField.Places[c].Inc;
        return o >= 1 && o <= inc.Count() ? inc[o] : TInclusion();
    };
    auto name = [&](const std::vector<QString>& names, int k) {
        return k < static_cast<int>(names.size()) && !names[static_cast<size_t>(k)].isEmpty()
                   ? names[static_cast<size_t>(k)]
                   : QString::number(k);
    };
    std::vector<QString> characterNames(static_cast<size_t>(characterCount) + 1);
    for (int c = 1; c <= characterCount && c <= charField.Places.Count(); ++c)
        characterNames[static_cast<size_t>(c)] = charField.Places[c].Name;
    for (int c = 1; c <= characterCount && c <= charField.Places.Count(); ++c) {
        bool any = false;
        for (int o = 1; o <= objectCount && !any; ++o) any = !cell(c, o).IsEmpty();
        if (!any)
            notes << QStringLiteral(
                         "Character %1 has no data (\"?\" for every object); it adds no steps.")
                         .arg(name(characterNames, c));
    }
    std::vector<char> reported(static_cast<size_t>(objectCount) + 1, 0);
    for (int a = 1; a <= objectCount; ++a) {
        if (reported[static_cast<size_t>(a)]) continue;
        QStringList same;
        for (int b = a + 1; b <= objectCount; ++b) {
            bool equal = true;
            for (int c = 1; c <= characterCount && c <= charField.Places.Count() && equal; ++c)
                equal = cell(c, a) == cell(c, b);
            if (equal) {
                same << name(charField.Names, b);
                reported[static_cast<size_t>(b)] = 1;
            }
        }
        if (!same.isEmpty()) {
            // "A and B", "A, B and C": one list, the last joined by "and".
            same.prepend(name(charField.Names, a));
            const QString last = same.takeLast();
            notes << QStringLiteral(
                         "%1 and %2 are identical in every character: trees that differ only by "
                         "exchanging them have the same length and are counted separately.")
                         .arg(same.join(QStringLiteral(", ")), last);
        }
    }
    return notes;
}

QStringList ExactRunLines(int objectCount, const TExactSettings& settings)
{
    QStringList lines{
        QStringLiteral(
            "Exact search (branch and bound) over every rooted binary tree of %1 objects")
            .arg(objectCount)};
    if (settings.MissingData) {
        lines << QStringLiteral("Missing data (\"?\") are expected");
    } else {
        lines << QStringLiteral("no missing data (\"?\") are expected")
              << QStringLiteral(
                     "WARNING: if your data file contains \"?\", the computation will be "
                     "errorness!");
    }
    return lines;
}

QString ExactSettingsLine(const TExactSettings& settings, int threads)
{
    const QString limit =
        settings.TimeLimitSeconds
            ? QStringLiteral("time limit %1 s")
                  .arg(FormatShortest(*settings.TimeLimitSeconds, QLatin1Char('.')))
            : QStringLiteral("no time limit");
    return QStringLiteral("Settings: %1, at most %2 trees kept, %3 threads")
        .arg(limit)
        .arg(settings.MaxTrees)
        .arg(threads);
}

QStringList ExactResultLines(const TExactResult& r, const TExactSettings& settings)
{
    QString status = QStringLiteral("proved optimal");
    if (!r.Proved) {
        const QString why =
            r.Status == TSearchStatus::TimeLimit && settings.TimeLimitSeconds
                ? QStringLiteral("the time limit of %1 s")
                      .arg(FormatShortest(*settings.TimeLimitSeconds, QLatin1Char('.')))
                : QStringLiteral("a cancel");
        status = QStringLiteral("not proved (stopped after %1 s by %2)")
                     .arg(FormatShortest(std::round(r.Seconds * 10) / 10, QLatin1Char('.')), why);
    }
    QStringList lines{
        QStringLiteral("Upper bound from a quick search = %1").arg(r.StartLength),
        QStringLiteral("Trees examined = %1 (%2 threads, %3 s)")
            .arg(r.Nodes)
            .arg(r.ThreadsUsed)
            .arg(FormatShortest(std::round(r.Seconds * 100) / 100, QLatin1Char('.'))),
        QStringLiteral("Trees kept = %1").arg(r.Trees.size()), QString(), status, QString(),
        QStringLiteral("Optimum = Minimum = %1").arg(r.Optimum),
        // Unproved, the trees kept are only the shortest found so far.
        (r.Proved ? QStringLiteral("Optimal trees = %1") : QStringLiteral("Trees found = %1"))
            .arg(r.OptimalTreesText)};
    if (r.Proved)
        lines << QStringLiteral("Proved = yes");
    else
        lines << QStringLiteral("Proved = no")
              << QStringLiteral("Lower bound = %1").arg(r.LowerBound);
    return lines;
}

std::vector<std::uint64_t> TreeClades(const TTree& tree)
{
    const int n = tree.TipCount();
    std::vector<std::uint64_t> below(static_cast<size_t>(tree.NodeCount()) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        const std::uint64_t bit = std::uint64_t{1} << (tip.Objects[0] - 1);
        for (int k = tip.Anc, steps = 0; k != 0 && steps < n;
             k = tree.Nodes[static_cast<size_t>(k)].Anc, ++steps)
            below[static_cast<size_t>(k)] |= bit;
    }
    std::vector<std::uint64_t> clades(below.begin() + 1, below.end());
    std::sort(clades.begin(), clades.end());
    return clades;
}

TTree TreeFromClades(const std::vector<std::uint64_t>& clades, int objectCount)
{
    std::vector<std::uint64_t> bySize = clades;
    std::stable_sort(bySize.begin(), bySize.end(), [](std::uint64_t a, std::uint64_t b) {
        return std::popcount(a) != std::popcount(b) ? std::popcount(a) > std::popcount(b) : a < b;
    });
    TTree tree;
    tree.Tips.assign(static_cast<size_t>(objectCount) + 1, TTip());
    tree.Nodes.assign(bySize.size() + 1, TNode());
    // The parent of a clade is the smallest larger clade holding it: the
    // last one before it in this order.
    auto parentOf = [&](std::uint64_t set, size_t before) {
        for (size_t k = before; k-- > 0;)
            if ((bySize[k] & set) == set) return static_cast<TIntNum>(k + 1);
        return TIntNum{0};
    };
    for (size_t j = 0; j < bySize.size(); ++j) tree.Nodes[j + 1].Anc = parentOf(bySize[j], j);
    for (int o = 1; o <= objectCount; ++o) {
        tree.Tips[static_cast<size_t>(o)].Objects = {static_cast<TIntNum>(o)};
        tree.Tips[static_cast<size_t>(o)].Anc =
            parentOf(std::uint64_t{1} << (o - 1), bySize.size());
    }
    return tree;
}

QString RootedTreeCountText(int n)
{
    std::vector<std::uint32_t> digits{1};  // base 10^9, lowest first
    for (int f = 3; f <= 2 * n - 3; f += 2) {
        std::uint64_t carry = 0;
        for (std::uint32_t& d : digits) {
            const std::uint64_t v =
                static_cast<std::uint64_t>(d) * static_cast<std::uint64_t>(f) + carry;
            d = static_cast<std::uint32_t>(v % 1000000000U);
            carry = v / 1000000000U;
        }
        if (carry) digits.push_back(static_cast<std::uint32_t>(carry));
    }
    QString text = QString::number(digits.back());
    for (size_t k = digits.size() - 1; k-- > 0;)
        text += QStringLiteral("%1").arg(digits[k], 9, 10, QLatin1Char('0'));
    return text;
}

std::uint64_t SaturatedTreeCount(int n)
{
    std::uint64_t count = 1;
    for (std::uint64_t f = 3; f <= static_cast<std::uint64_t>(2 * n - 3); f += 2) {
        if (count > UINT64_MAX / f) return UINT64_MAX;
        count *= f;
    }
    return count;
}

TExactSearch::TExactSearch(const TPackedField& field, TExactSettings settings)
    : Field(field), Config(settings)
{
}

TExactSearch::TExactSearch(const TSField& charField, int objectCount, int characterCount,
                           TExactSettings settings)
    : Field(charField, objectCount, characterCount), Config(settings)
{
}

TResult<TExactResult> TExactSearch::Run(const TExactCallbacks& callbacks)
{
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };
    TExactResult result;
    const int n = Field.ObjectCount();
    if (TStatus valid = ValidateExactSearch(n, Config); !valid) return TFailure(valid.Error());
    const TExactField field(Field, Config.MissingData);
    const TGroupBound bound(field, Config.GroupBound);
    std::vector<int> order;
    if (Config.FurthestFirst) {
        order = FurthestOrder(field);
    } else {
        for (int o = 1; o <= n; ++o) order.push_back(o);
    }
    result.AdditionOrder = order;
    TExactStartTree start = QuickShortTree(Field, field, Config.MissingData, order);
    result.StartLength = start.Length;

    std::vector<std::vector<std::uint64_t>> keys;
    TTreeScorer scorer(Field, Config.MissingData);
    auto finish = [&](std::int64_t optimum) {
        std::sort(keys.begin(), keys.end());
        if (static_cast<int>(keys.size()) > Config.MaxTrees)
            keys.resize(static_cast<size_t>(Config.MaxTrees));
        result.Optimum = optimum;
        for (const auto& key : keys) {
            TTree tree = TreeFromClades(key, n);
            scorer.Evaluate(tree);
            result.Trees.push_back(std::move(tree));
        }
        if (result.OptimalTreesText.isEmpty())
            result.OptimalTreesText = QString::number(result.OptimalTrees);
        result.Seconds = elapsed();
        return result;
    };

    if (field.Bits() == 0 && n > 9) {
        // Nothing tells the trees apart: every tree is optimal. Too many to
        // visit; those kept are the first of the search order.
        keys = FirstTrees(TCaminSokalKind{field, bound, false, false}, order, Config.MaxTrees);
        result.Status = TSearchStatus::Finished;
        result.Proved = true;
        result.LowerBound = field.Constant();
        result.OptimalTrees = SaturatedTreeCount(n);
        result.OptimalTreesText = RootedTreeCountText(n);
        result.ThreadsUsed = 1;
        return finish(field.Constant());
    }

    const TCaminSokalKind kind{field, bound, Config.ObjectBound,
                               Config.ObjectBound && Config.PlaceBound};
    TExactShared<TCaminSokalKind> shared(kind, order, Config.MaxTrees,
                                         start.Length - field.Constant());
    const std::int64_t optimum =
        RunBranchAndBound(shared, Config, callbacks, field.Constant(), start.Length,
                          TreeClades(start.Tree), elapsed, result, keys);
    return finish(optimum);
}
