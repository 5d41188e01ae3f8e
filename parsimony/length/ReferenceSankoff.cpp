#include "parsimony/length/ReferenceSankoff.h"

#include <algorithm>
#include <limits>

namespace {
constexpr std::int64_t Impossible = std::numeric_limits<std::int64_t>::max() / 4;

std::vector<int> PathToRoot(const TReversibleCharacter& ch, int s)
{
    std::vector<int> path;
    for (int a = s; a >= 0; a = ch.Parent[static_cast<size_t>(a)]) path.push_back(a);
    return path;
}

// Least cost below v for every state of v.
std::vector<std::int64_t> Costs(const TReversibleCharacter& ch,
                                const std::vector<std::vector<std::int64_t>>& change,
                                const TTreeView& tree, int v)
{
    const int n = ch.StateCount;
    std::vector<std::int64_t> cost(static_cast<size_t>(n), 0);
    if (v < tree.Tips) {
        const TInclusion& cell = ch.Cells[tree.TipObject ? tree.TipObject[v] : v + 1];
        bool missing = true;
        for (int s = 0; s < n; ++s) missing = missing && cell.Contains(s);
        if (cell.IsEmpty() || missing) return cost;
        std::vector<int> members;
        for (int s = 0; s < n; ++s)
            if (cell.Contains(s)) members.push_back(s);
        for (int s = 0; s < n; ++s) {
            bool member = cell.Contains(s);
            if (ch.Criterion != TCriterion::Unordered)
                for (int a : members)
                    for (int b : members)
                        member = member ||
                                 change[static_cast<size_t>(a)][static_cast<size_t>(s)] +
                                         change[static_cast<size_t>(s)][static_cast<size_t>(b)] ==
                                     change[static_cast<size_t>(a)][static_cast<size_t>(b)];
            cost[static_cast<size_t>(s)] = member ? 0 : Impossible;
        }
        return cost;
    }
    for (int c : tree.Child[static_cast<size_t>(v)]) {
        const std::vector<std::int64_t> below = Costs(ch, change, tree, c);
        for (int s = 0; s < n; ++s) {
            std::int64_t best = Impossible;
            for (int t = 0; t < n; ++t)
                best = std::min(best, below[static_cast<size_t>(t)] +
                                          change[static_cast<size_t>(s)][static_cast<size_t>(t)]);
            cost[static_cast<size_t>(s)] += best;
        }
    }
    return cost;
}
}  // namespace

std::int64_t ReferenceChangeCost(const TReversibleCharacter& ch, int a, int b)
{
    switch (ch.Criterion) {
        case TCriterion::Unordered:
            return a == b ? 0 : 1;
        case TCriterion::Ordered:
            return a > b ? a - b : b - a;
        case TCriterion::StateTreeReversible: {
            // Edges from each state up to the deepest state both paths share.
            const std::vector<int> pa = PathToRoot(ch, a);
            const std::vector<int> pb = PathToRoot(ch, b);
            for (size_t i = 0; i < pa.size(); ++i) {
                const auto at = std::find(pb.begin(), pb.end(), pa[i]);
                if (at != pb.end())
                    return static_cast<std::int64_t>(i + static_cast<size_t>(at - pb.begin()));
            }
            return Impossible;
        }
        case TCriterion::Irreversible:
            break;
    }
    return Impossible;
}

std::vector<std::int64_t> ReferenceSteps(const TNumbered<TReversibleCharacter>& characters,
                                         const TTreeView& tree)
{
    std::vector<std::int64_t> steps(static_cast<size_t>(characters.Count()) + 1, 0);
    if (tree.Root < 0) return steps;
    for (int c = 1; c <= characters.Count(); ++c) {
        const TReversibleCharacter& ch = characters[c];
        const int n = ch.StateCount;
        if (n == 0) continue;
        std::vector<std::vector<std::int64_t>> change(
            static_cast<size_t>(n), std::vector<std::int64_t>(static_cast<size_t>(n)));
        for (int a = 0; a < n; ++a)
            for (int b = 0; b < n; ++b)
                change[static_cast<size_t>(a)][static_cast<size_t>(b)] =
                    ReferenceChangeCost(ch, a, b);
        const std::vector<std::int64_t> root = Costs(ch, change, tree, tree.Root);
        steps[static_cast<size_t>(c)] = *std::min_element(root.begin(), root.end());
    }
    return steps;
}

std::int64_t ReferenceLength(const TNumbered<TReversibleCharacter>& characters,
                             const TTreeView& tree)
{
    const std::vector<std::int64_t> steps = ReferenceSteps(characters, tree);
    std::int64_t length = 0;
    for (int c = 1; c <= characters.Count(); ++c)
        length += characters[c].Weight * steps[static_cast<size_t>(c)];
    return length;
}
