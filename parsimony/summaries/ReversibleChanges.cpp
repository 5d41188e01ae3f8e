#include "parsimony/summaries/ReversibleChanges.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <numeric>

#include "data/Path.h"
#include "parsimony/summaries/BranchChanges.h"

namespace {
constexpr std::int64_t Impossible = std::numeric_limits<std::int64_t>::max() / 4;

// The cost of a change between any two states of one character, and which
// states lie below which in its state tree.
class TCosts {
public:
    explicit TCosts(const TReversibleCharacter& ch)
        : N(ch.StateCount), Unordered(ch.Criterion == TCriterion::Unordered), Parent(ch.Parent)
    {
        if (Unordered) return;
        const size_t n = static_cast<size_t>(N);
        if (ch.Criterion == TCriterion::Ordered) {  // a line: 0, 1, 2, ...
            Parent.resize(n);
            std::iota(Parent.begin(), Parent.end(), -1);
        }
        Below.assign(n * n, 0);
        for (int s = 0; s < N; ++s)
            for (int a = s; a >= 0; a = Parent[static_cast<size_t>(a)])
                Below[static_cast<size_t>(a) * n + static_cast<size_t>(s)] = 1;
        // Edges between two states: up from each to the deepest state above both.
        Distance.assign(n * n, 0);
        std::vector<int> depth(n, 0);
        for (int s = 0; s < N; ++s)
            for (int a = Parent[static_cast<size_t>(s)]; a >= 0; a = Parent[static_cast<size_t>(a)])
                ++depth[static_cast<size_t>(s)];
        for (int a = 0; a < N; ++a)
            for (int b = 0; b < N; ++b) {
                int x = a, y = b;
                std::int64_t d = 0;
                while (x != y) {
                    if (depth[static_cast<size_t>(x)] >= depth[static_cast<size_t>(y)])
                        x = Parent[static_cast<size_t>(x)];
                    else
                        y = Parent[static_cast<size_t>(y)];
                    ++d;
                }
                Distance[static_cast<size_t>(a) * n + static_cast<size_t>(b)] = d;
            }
    }

    int States() const { return N; }
    bool IsUnordered() const { return Unordered; }
    std::int64_t Cost(int a, int b) const
    {
        return Unordered ? (a != b ? 1 : 0)
                         : Distance[static_cast<size_t>(a) * static_cast<size_t>(N) +
                                    static_cast<size_t>(b)];
    }
    // s is upper or below it in the state tree.
    bool IsBelow(int s, int upper) const
    {
        return Below[static_cast<size_t>(upper) * static_cast<size_t>(N) + static_cast<size_t>(s)];
    }
    int ParentOf(int s) const { return Parent[static_cast<size_t>(s)]; }

    // out[s] = least x[t] + Cost(t, s).
    void Relax(const std::int64_t* x, std::int64_t* out) const
    {
        if (Unordered) {
            const std::int64_t least = *std::min_element(x, x + N);
            for (int s = 0; s < N; ++s) out[s] = std::min(x[s], least + 1);
            return;
        }
        for (int s = 0; s < N; ++s) {
            std::int64_t best = Impossible;
            for (int t = 0; t < N; ++t)
                if (x[t] < Impossible) best = std::min(best, x[t] + Cost(t, s));
            out[s] = best;
        }
    }

    // The states from a to b, one step apart, a and b included.
    std::vector<int> Path(int a, int b) const
    {
        if (Unordered) return {a, b};
        std::vector<int> up{a}, down{b};
        while (!IsBelow(b, up.back())) up.push_back(Parent[static_cast<size_t>(up.back())]);
        while (down.back() != up.back()) down.push_back(Parent[static_cast<size_t>(down.back())]);
        up.insert(up.end(), down.rbegin() + 1, down.rend());
        return up;
    }

private:
    int N;
    bool Unordered;
    std::vector<int> Parent;
    std::vector<char> Below;  // [upper * N + s]
    std::vector<std::int64_t> Distance;
};

// Costs below a tip for each of its states: nothing on the cell's states
// (a state tree's: on the connected part that holds them), impossible elsewhere.
void TipCosts(const TReversibleCharacter& ch, const TCosts& costs, int object, std::int64_t* out)
{
    const int n = ch.StateCount;
    const TInclusion& cell = ch.Cells[object];
    bool every = true;
    std::vector<int> members;
    for (int s = 0; s < n; ++s) {
        every = every && cell.Contains(s);
        if (cell.Contains(s)) members.push_back(s);
    }
    for (int s = 0; s < n; ++s) {
        bool member = every || members.empty() || cell.Contains(s);
        if (!costs.IsUnordered())
            for (size_t i = 0; i < members.size() && !member; ++i)
                for (size_t j = i + 1; j < members.size() && !member; ++j)
                    member = costs.Cost(members[i], s) + costs.Cost(s, members[j]) ==
                             costs.Cost(members[i], members[j]);
        out[s] = member ? 0 : Impossible;
    }
}
}  // namespace

std::vector<std::vector<TStateChange>> ReversibleBranchChanges(const TCriteriaCoding& coding,
                                                               const TTreeView& tree,
                                                               TChangePlacement placement)
{
    const int vertices = tree.Tips > 0 ? 2 * tree.Tips - 1 : 0;
    std::vector<std::vector<TStateChange>> changes(static_cast<size_t>(vertices));
    if (tree.Root < 0 || vertices == 0) return changes;
    std::vector<int> preorder;
    for (std::vector<int> stack{tree.Root}; !stack.empty();) {
        const int v = stack.back();
        stack.pop_back();
        preorder.push_back(v);
        if (v >= tree.Tips)
            for (int k = 1; k >= 0; --k) stack.push_back(tree.Child[static_cast<size_t>(v)][k]);
    }
    for (int i = 1; i <= coding.Reversible.Count(); ++i) {
        const TReversibleCharacter& ch = coding.Reversible[i];
        const int n = ch.StateCount;
        if (n == 0 || ch.Weight == 0) continue;
        const int character = coding.ReversibleCharacters[static_cast<size_t>(i - 1)];
        const TCosts costs(ch);
        const size_t width = static_cast<size_t>(n);
        auto row = [&](std::vector<std::int64_t>& m, int v) {
            return &m[static_cast<size_t>(v) * width];
        };
        // Down[v][s]: least cost below v with v in state s; Best[v][t]: the
        // same seen from a parent in state t; Full[v][s]: least cost of the
        // whole tree with v in state s.
        std::vector<std::int64_t> down(static_cast<size_t>(vertices) * width, 0),
            best(down.size(), 0), full(down.size(), 0), scratch(width);
        for (auto it = preorder.rbegin(); it != preorder.rend(); ++it) {
            const int v = *it;
            if (v < tree.Tips) {
                TipCosts(ch, costs, tree.TipObject ? tree.TipObject[v] : v + 1, row(down, v));
            } else {
                for (int k : tree.Child[static_cast<size_t>(v)])
                    for (int s = 0; s < n; ++s) row(down, v)[s] += row(best, k)[s];
            }
            costs.Relax(row(down, v), row(best, v));
        }
        const std::int64_t length =
            *std::min_element(row(down, tree.Root), row(down, tree.Root) + n);
        std::copy(row(down, tree.Root), row(down, tree.Root) + n, row(full, tree.Root));
        for (int v : preorder) {
            if (v == tree.Root) continue;
            const int p = tree.Parent[v];
            for (int t = 0; t < n; ++t)
                scratch[static_cast<size_t>(t)] =
                    row(full, p)[t] >= Impossible ? Impossible : row(full, p)[t] - row(best, v)[t];
            costs.Relax(scratch.data(), row(full, v));
            for (int s = 0; s < n; ++s)
                row(full, v)[s] = std::min(Impossible, row(full, v)[s] + row(down, v)[s]);
        }
        auto shortest = [&](int v, int s) { return row(full, v)[s] == length; };

        std::vector<int> state(static_cast<size_t>(vertices), -1);
        int root = -1;
        if (!costs.IsUnordered())
            for (int s = 0; s < n; ++s)
                if (costs.ParentOf(s) < 0 && shortest(tree.Root, s)) root = s;
        for (int s = 0; s < n && root < 0; ++s)
            if (shortest(tree.Root, s)) root = s;
        state[static_cast<size_t>(tree.Root)] = root;
        for (int v : preorder) {
            if (v == tree.Root) continue;
            const int p = tree.Parent[v];
            const int a = state[static_cast<size_t>(p)];
            int chosen = -1;
            for (int s = 0; s < n; ++s) {
                if (row(down, v)[s] >= Impossible ||
                    costs.Cost(a, s) + row(down, v)[s] != row(best, v)[a])
                    continue;
                if (chosen < 0 || (placement == TChangePlacement::Acctran
                                       ? costs.Cost(a, s) > costs.Cost(a, chosen)
                                       : costs.Cost(a, s) < costs.Cost(a, chosen)))
                    chosen = s;
            }
            state[static_cast<size_t>(v)] = chosen;
            if (chosen == a) continue;
            const std::vector<int> path = costs.Path(a, chosen);
            for (size_t k = 0; k + 1 < path.size(); ++k) {
                const int from = path[k], to = path[k + 1];
                // Every shortest state of the upper end on from's side, of
                // the lower end on to's side.
                auto side = [&](int s, int of) {
                    if (costs.IsUnordered()) return s == of;
                    const int lower = costs.ParentOf(from) == to ? from : to;
                    return costs.IsBelow(s, lower) == costs.IsBelow(of, lower);
                };
                bool certain = true;
                for (int s = 0; s < n && certain; ++s) {
                    if (shortest(p, s) && !side(s, from)) certain = false;
                    if (shortest(v, s) && !side(s, to)) certain = false;
                }
                changes[static_cast<size_t>(v)].push_back({character, from, to, !certain});
            }
        }
    }
    return changes;
}

namespace {
// The table from the Camin-Sokal branches (from the root down) and the
// reversible changes on the same tree in vertex form: the branch above
// branch.Vertex is the one above view vertex branch.Vertex - shift.
std::vector<QStringList> ChangesRows(const std::vector<TBranch>& branches, int shift,
                                     const TTreeView& view, const TMatrixData& data,
                                     const TCriteriaCoding& coding, TChangePlacement placement)
{
    const std::vector<std::vector<TStateChange>> reversible =
        ReversibleBranchChanges(coding, view, placement);
    const TSField& caminSokal = coding.CaminSokal;
    // The parent of every state of the irreversible characters, case folded.
    std::vector<QHash<QString, QString>> parents(static_cast<size_t>(caminSokal.Places.Count()) +
                                                 1);
    TPathBuilder builder;
    for (int k = 1; k <= caminSokal.Places.Count(); ++k) {
        builder.BuildFullPaths(data.DataMatrix, data.ObjectCount,
                               coding.CaminSokalCharacters[static_cast<size_t>(k - 1)]);
        for (int o = 1; o <= data.ObjectCount; ++o) {
            const TPath& path = builder.FullPaths[static_cast<size_t>(o)];
            for (size_t i = 0; i + 1 < path.size(); ++i)
                if (!IsMissingName(path[i]) && !IsMissingName(path[i + 1]))
                    parents[static_cast<size_t>(k)].insert(path[i].toCaseFolded(), path[i + 1]);
        }
    }
    // A data character's place among the reversible ones (1..), 0 for none.
    std::vector<int> reversibleIndex(static_cast<size_t>(data.CharacterCount) + 1, 0);
    for (size_t k = 0; k < coding.ReversibleCharacters.size(); ++k)
        reversibleIndex[static_cast<size_t>(coding.ReversibleCharacters[k])] =
            static_cast<int>(k) + 1;
    auto characterName = [&](int c) {
        const QString name = data.DataMatrix[static_cast<size_t>(c)][0];
        return name.isEmpty() ? QString::number(c) : name;
    };
    auto placementText = [](bool ambiguous) {
        return ambiguous ? QStringLiteral("ambiguous") : QStringLiteral("unambiguous");
    };
    std::vector<QStringList> rows{{QStringLiteral("Branch"), QStringLiteral("Character"),
                                   QStringLiteral("From"), QStringLiteral("To"),
                                   QStringLiteral("Placement")}};
    for (const TBranch& branch : branches) {
        const std::vector<TStateChange>& own =
            reversible[static_cast<size_t>(branch.Vertex - shift)];
        if (branch.Changes.empty() && own.empty()) continue;
        struct TRow {
            int Character;
            QStringList Cells;
        };
        std::vector<TRow> found;
        TBranch named;
        named.Objects = branch.Objects;
        if (named.Objects.empty())  // compact trees name only branches with Camin-Sokal changes
            for (std::vector<int> stack{branch.Vertex - shift}; !stack.empty();) {
                const int x = stack.back();
                stack.pop_back();
                if (x < view.Tips)
                    named.Objects.push_back(view.TipObject ? view.TipObject[x] : x + 1);
                else
                    for (int k : view.Child[static_cast<size_t>(x)]) stack.push_back(k);
            }
        std::sort(named.Objects.begin(), named.Objects.end());
        const QString clade = BranchText(caminSokal, named);
        for (const TChange& ch : branch.Changes) {
            const int c = coding.CaminSokalCharacters[static_cast<size_t>(ch.Character - 1)];
            const QString to = StateName(caminSokal, ch.Character, ch.State);
            found.push_back({c,
                             {clade, characterName(c),
                              parents[static_cast<size_t>(ch.Character)].value(to.toCaseFolded()),
                              to, placementText(ch.Ambiguous)}});
        }
        for (const TStateChange& ch : own) {
            const int i = reversibleIndex[static_cast<size_t>(ch.Character)];
            const QStringList& names = coding.Reversible[i].StateNames;
            auto name = [&](int s) {
                return s < names.size() ? names.at(s) : QStringLiteral("state %1").arg(s);
            };
            found.push_back({ch.Character,
                             {clade, characterName(ch.Character), name(ch.From), name(ch.To),
                              placementText(ch.Ambiguous)}});
        }
        std::stable_sort(found.begin(), found.end(),
                         [](const TRow& a, const TRow& b) { return a.Character < b.Character; });
        for (TRow& r : found) rows.push_back(std::move(r.Cells));
    }
    return rows;
}
}  // namespace

std::vector<QStringList> CriteriaChangesTable(const TTree& tree, const TMatrixData& data,
                                              const TCriteriaCoding& coding, bool missingData,
                                              TChangePlacement placement)
{
    const TTreeLinks links = LinksOf(tree);
    return ChangesRows(BranchChanges(tree, coding.CaminSokal, missingData), 1, links.View(), data,
                       coding, placement);
}

std::vector<QStringList> CompactCriteriaChangesTable(const TCompactTree& tree,
                                                     const TMatrixData& data,
                                                     const TCriteriaCoding& coding,
                                                     bool missingData, TChangePlacement placement)
{
    return ChangesRows(CompactBranchChanges(tree, coding.CaminSokal, missingData), 0, ViewOf(tree),
                       data, coding, placement);
}
