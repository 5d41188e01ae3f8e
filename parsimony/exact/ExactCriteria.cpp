#include "parsimony/exact/ExactCriteria.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "parsimony/Random.h"
#include "parsimony/exact/ExactAddition.h"
#include "parsimony/exact/ExactCriteriaTree.h"
#include "parsimony/exact/ExactRunLoop.h"
#include "parsimony/exact/ExactStart.h"

namespace {
// Furthest addition (as FurthestOrder): the two objects farthest apart, the
// outgroup being one of them when the trees are unrooted, then always the
// object whose cheapest place costs the most.
std::vector<int> CriteriaOrder(const TCriteriaKind& kind, int outgroup, bool furthest)
{
    const int n = kind.Objects();
    std::vector<int> order;
    if (!furthest) {
        if (kind.Unrooted) order.push_back(outgroup);
        for (int o = 1; o <= n; ++o)
            if (!kind.Unrooted || o != outgroup) order.push_back(o);
        return order;
    }
    const auto tree = kind.MakeTree();
    return FurthestOrderOn(*tree, n, kind.Unrooted ? outgroup : 0);
}

// Each object at its first cheapest place, along the order.
std::vector<std::uint64_t> CriteriaWagnerClades(const TCriteriaKind& kind,
                                                const std::vector<int>& order)
{
    const auto tree = kind.MakeTree();
    return WagnerCladesOn(*tree, order);
}

// The shortest of Wagner trees along the order and along a few seeded
// random orders (the first object kept), the best two improved by subtree
// moves; unrooted, rooted at the outgroup.
TExactStartTree CriteriaStartTree(const TCriteriaKind& kind, const TCriteriaCoding& coding,
                                  bool missingData, const std::vector<int>& order, int outgroup)
{
    const int n = kind.Objects();
    TCriteriaScorer scorer(coding);
    auto length = [&](const TTree& tree) {
        TTree copy = tree;
        return static_cast<std::int64_t>(scorer.Length(copy, missingData));
    };
    std::vector<std::pair<std::int64_t, TTree>> trees;
    std::vector<int> shuffled = order;
    TRandom random(20261208);
    const int starts = 1 + std::min(10, std::max(2, 200 / std::max(n, 1)));
    for (int k = 0; k < starts; ++k) {
        if (k > 0)
            for (int i = n - 1; i > 1; --i)
                std::swap(shuffled[static_cast<size_t>(i)],
                          shuffled[1 + static_cast<size_t>(random.Below(static_cast<size_t>(i)))]);
        TTree tree = TreeFromClades(CriteriaWagnerClades(kind, shuffled), n);
        trees.emplace_back(length(tree), std::move(tree));
    }
    std::stable_sort(trees.begin(), trees.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    TExactStartTree best;
    best.Length = std::numeric_limits<std::int64_t>::max();
    for (size_t k = 0; k < trees.size() && k < 2; ++k) {
        TTree tree = trees[k].second;
        const std::int64_t improved = ImproveBySubtreeMoves(tree, length);
        if (improved < best.Length) {
            best.Length = improved;
            best.Tree = std::move(tree);
        }
    }
    if (kind.Unrooted) best.Tree = RootedAt(best.Tree, outgroup);
    return best;
}
}  // namespace

TExactCriteriaSearch::TExactCriteriaSearch(const TCriteriaCoding& coding, int objectCount,
                                           TExactSettings settings, int outgroup)
    : Coding(coding), Objects(objectCount), Config(settings), Outgroup(outgroup)
{
}

TResult<TExactResult> TExactCriteriaSearch::Run(const TExactCallbacks& callbacks)
{
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };
    const int n = Objects;
    if (TStatus valid = ValidateExactSearch(n, Config); !valid) return TFailure(valid.Error());
    if (Outgroup < 1 || Outgroup > n)
        return TFailure(QStringLiteral("The outgroup must be one of the %1 objects.").arg(n));
    if (Coding.AnyReversible() && !Coding.Field)
        return TFailure(QStringLiteral("The reversible characters are not coded."));

    const bool unrooted = Unrooted();
    const int irreversible = static_cast<int>(Coding.CaminSokalCharacters.size());
    const TPackedField packed(Coding.CaminSokal, n, irreversible);
    const TExactField caminSokal(packed, Config.MissingData);
    const TGroupBound caminSokalBound(caminSokal, Config.GroupBound);
    std::optional<TReversibleBounds> reversible;
    if (Coding.Field) reversible.emplace(*Coding.Field, Config.GroupBound);
    const TCriteriaKind kind(n, irreversible > 0 ? &caminSokal : nullptr, &caminSokalBound,
                             reversible ? &*reversible : nullptr, unrooted, Config.ObjectBound,
                             Config.GroupBound, Config.PlaceBound);
    const std::int64_t constant = irreversible > 0 ? caminSokal.Constant() : 0;

    TExactResult result;
    const std::vector<int> order = CriteriaOrder(kind, Outgroup, Config.FurthestFirst);
    result.AdditionOrder = order;
    const TExactStartTree start =
        CriteriaStartTree(kind, Coding, Config.MissingData, order, Outgroup);
    result.StartLength = start.Length;

    std::vector<std::vector<std::uint64_t>> keys;
    TCriteriaScorer scorer(Coding);
    auto finish = [&](std::int64_t optimum) {
        std::sort(keys.begin(), keys.end());
        if (static_cast<int>(keys.size()) > Config.MaxTrees)
            keys.resize(static_cast<size_t>(Config.MaxTrees));
        result.Optimum = optimum;
        for (const auto& key : keys) {
            TTree tree = TreeFromClades(key, n);
            DeriveTopology(tree);
            tree.Fitness = scorer.Length(tree, Config.MissingData);
            tree.MissingDataStates = Config.MissingData;
            result.Trees.push_back(std::move(tree));
        }
        if (result.OptimalTreesText.isEmpty())
            result.OptimalTreesText = QString::number(result.OptimalTrees);
        result.Seconds = elapsed();
        return result;
    };

    const bool alike = (irreversible == 0 || caminSokal.Bits() == 0) &&
                       (!Coding.Field || Coding.Field->FitchCount() == 0);
    if (alike && n > 9) {
        // Nothing tells the trees apart: every tree is optimal. Too many to
        // visit; those kept are the first of the search order.
        keys = FirstTrees(kind, order, Config.MaxTrees);
        result.Status = TSearchStatus::Finished;
        result.Proved = true;
        result.LowerBound = constant;
        const int rootedOf = unrooted ? n - 1 : n;
        result.OptimalTrees = SaturatedTreeCount(rootedOf);
        result.OptimalTreesText = RootedTreeCountText(rootedOf);
        result.ThreadsUsed = 1;
        return finish(constant);
    }

    TExactShared<TCriteriaKind> shared(kind, order, Config.MaxTrees, start.Length - constant);
    const std::int64_t optimum =
        RunBranchAndBound(shared, Config, callbacks, constant, start.Length, TreeClades(start.Tree),
                          elapsed, result, keys);
    return finish(optimum);
}

QStringList ExactCriteriaRunLines(const TCriteriaCoding& coding, int objectCount,
                                  const TExactSettings& settings, int outgroup)
{
    QStringList lines = ExactRunLines(objectCount, settings);
    if (coding.CaminSokalCharacters.empty())
        lines[0] =
            QStringLiteral(
                "Exact search (branch and bound) over every unrooted binary tree of %1 objects")
                .arg(objectCount);
    lines << coding.Lines;
    if (coding.CaminSokalCharacters.empty()) {
        const QString name = outgroup >= 1 && outgroup <= coding.CaminSokal.Names.Count()
                                 ? coding.CaminSokal.Names[outgroup]
                                 : QString::number(outgroup);
        lines << QStringLiteral(" Trees are written rooted at the outgroup %1.").arg(name);
    } else {
        lines << QStringLiteral(
            " The irreversible characters fix the root: every rooted tree is searched.");
    }
    return lines;
}
