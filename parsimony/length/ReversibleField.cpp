#include "parsimony/length/ReversibleField.h"

#include <algorithm>
#include <limits>

#include "parsimony/length/FitchKernels.h"

namespace {
// One Fitch character before packing: its sets per object (1..N, slot 0
// unused) over states 0..Planes-1.
struct TFitchItem {
    int Character = 0;
    int Planes = 0;
    int Weight = 1;
    std::vector<TInclusion> Sets;
};

TInclusion FirstStates(int n)
{
    TInclusion s;
    for (int k = 0; k < n; ++k) s.Include(k);
    return s;
}

// A character whose sets all share a state costs nothing on any tree.
bool CostsNothing(const TFitchItem& item)
{
    if (item.Planes < 2) return true;
    TInclusion common = FirstStates(item.Planes);
    for (size_t o = 1; o < item.Sets.size(); ++o) common &= item.Sets[o];
    return !common.IsEmpty();
}

// Unordered: only the states some cell other than "?" names are kept (a
// state only "?" cells could take never saves a step), numbered anew.
TFitchItem UnorderedItem(const TReversibleCharacter& ch, int c, int objects)
{
    const TInclusion all = FirstStates(ch.StateCount);
    TInclusion used;
    for (int o = 1; o <= objects; ++o)
        if (ch.Cells[o] != all) used |= ch.Cells[o];
    std::vector<int> renumber(static_cast<size_t>(ch.StateCount), -1);
    int planes = 0;
    for (int k = 0; k < ch.StateCount; ++k)
        if (used.Contains(k)) renumber[static_cast<size_t>(k)] = planes++;
    TFitchItem item{c, planes, ch.Weight,
                    std::vector<TInclusion>(static_cast<size_t>(objects) + 1)};
    const TInclusion any = FirstStates(planes);
    for (int o = 1; o <= objects; ++o) {
        const TInclusion& cell = ch.Cells[o];
        if (cell.IsEmpty() || cell == all) {
            item.Sets[static_cast<size_t>(o)] = any;
            continue;
        }
        for (int k = 0; k < ch.StateCount; ++k)
            if (cell.Contains(k))
                item.Sets[static_cast<size_t>(o)].Include(renumber[static_cast<size_t>(k)]);
    }
    return item;
}

// Ordered and state tree: one binary character per state-tree edge, 1 for
// the states below it. A set with states on both sides of an edge is
// uncertain there; *widened counts the sets that are not connected.
void AdditiveItems(const TReversibleCharacter& ch, const std::vector<int>& parent, int c,
                   int objects, std::vector<TFitchItem>& items, int* widened)
{
    const int n = ch.StateCount;
    const TInclusion all = FirstStates(n);
    // Below[s]: s and the states below it; filled deepest state first.
    std::vector<int> depth(static_cast<size_t>(n), 0);
    for (int s = 0; s < n; ++s)
        for (int a = parent[static_cast<size_t>(s)]; a >= 0; a = parent[static_cast<size_t>(a)])
            ++depth[static_cast<size_t>(s)];
    std::vector<int> byDepth(static_cast<size_t>(n));
    for (int s = 0; s < n; ++s) byDepth[static_cast<size_t>(s)] = s;
    std::stable_sort(byDepth.begin(), byDepth.end(), [&](int a, int b) {
        return depth[static_cast<size_t>(a)] > depth[static_cast<size_t>(b)];
    });
    std::vector<TInclusion> below(static_cast<size_t>(n));
    for (int s : byDepth) {
        below[static_cast<size_t>(s)].Include(s);
        const int p = parent[static_cast<size_t>(s)];
        if (p >= 0) below[static_cast<size_t>(p)] |= below[static_cast<size_t>(s)];
    }
    for (int o = 1; o <= objects; ++o) {
        const TInclusion& cell = ch.Cells[o];
        if (cell.IsEmpty() || cell == all || cell.Count() < 2) continue;
        int inner = 0;
        for (int s = 0; s < n; ++s)
            if (cell.Contains(s) && parent[static_cast<size_t>(s)] >= 0 &&
                cell.Contains(parent[static_cast<size_t>(s)]))
                ++inner;
        if (inner != cell.Count() - 1) ++*widened;
    }
    for (int s = 0; s < n; ++s) {
        if (parent[static_cast<size_t>(s)] < 0) continue;
        TFitchItem item{c, 2, ch.Weight, std::vector<TInclusion>(static_cast<size_t>(objects) + 1)};
        for (int o = 1; o <= objects; ++o) {
            const TInclusion& cell = ch.Cells[o];
            TInclusion& v = item.Sets[static_cast<size_t>(o)];
            if (cell.IsEmpty()) {
                v = FirstStates(2);
                continue;
            }
            if (!(cell & below[static_cast<size_t>(s)]).IsEmpty()) v.Include(1);
            if (!(cell - below[static_cast<size_t>(s)]).IsEmpty()) v.Include(0);
        }
        if (!CostsNothing(item)) items.push_back(std::move(item));
    }
}

// A state tree's parents checked: in range, one root, no cycle.
TStatus CheckStateTree(const std::vector<int>& parent, int c)
{
    const int n = static_cast<int>(parent.size());
    int roots = 0;
    for (int s = 0; s < n; ++s) {
        const int p = parent[static_cast<size_t>(s)];
        if (p == -1) {
            ++roots;
        } else if (p < 0 || p >= n || p == s) {
            return TFailure(
                QStringLiteral("The state tree of character %1 gives state %2 the parent %3, "
                               "which is not another of its %4 states.")
                    .arg(c)
                    .arg(s)
                    .arg(p)
                    .arg(n));
        }
    }
    if (n > 0 && roots != 1)
        return TFailure(
            QStringLiteral("The state tree of character %1 has %2 roots instead of one.")
                .arg(c)
                .arg(roots));
    for (int s = 0; s < n; ++s) {
        int steps = 0;
        for (int a = s; a >= 0; a = parent[static_cast<size_t>(a)])
            if (++steps > n)
                return TFailure(
                    QStringLiteral("The state tree of character %1 has a cycle.").arg(c));
    }
    return {};
}
}  // namespace

TResult<TReversibleField> TReversibleField::Make(const TNumbered<TReversibleCharacter>& characters,
                                                 int objectCount)
{
    if (objectCount < 1) return TFailure(QStringLiteral("There are no objects to score."));
    std::vector<TFitchItem> items;
    int widened = 0;
    for (int c = 1; c <= characters.Count(); ++c) {
        const TReversibleCharacter& ch = characters[c];
        if (ch.Criterion == TCriterion::Irreversible)
            return TFailure(QStringLiteral("Character %1 is irreversible: the reversible scoring "
                                           "takes unordered, ordered and reversible state tree "
                                           "characters only.")
                                .arg(c));
        if (ch.StateCount < 0 || ch.StateCount > TInclusion::Capacity)
            return TFailure(QStringLiteral("Character %1 has %2 states; the reversible criteria "
                                           "take at most %3.")
                                .arg(c)
                                .arg(ch.StateCount)
                                .arg(TInclusion::Capacity));
        if (ch.Weight < 0)
            return TFailure(QStringLiteral("Character %1 has a negative weight.").arg(c));
        if (ch.Cells.Count() != objectCount)
            return TFailure(QStringLiteral("Character %1 has cells for %2 objects instead of %3.")
                                .arg(c)
                                .arg(ch.Cells.Count())
                                .arg(objectCount));
        const TInclusion all = FirstStates(ch.StateCount);
        for (int o = 1; o <= objectCount; ++o) {
            const TInclusion beyond = ch.Cells[o] - all;
            if (!beyond.IsEmpty()) {
                int k = 0;
                while (!beyond.Contains(k)) ++k;
                return TFailure(QStringLiteral("Character %1 gives object %2 the state %3, but "
                                               "the character has %4 states.")
                                    .arg(c)
                                    .arg(o)
                                    .arg(k)
                                    .arg(ch.StateCount));
            }
        }
        std::vector<int> parent;
        if (ch.Criterion == TCriterion::StateTreeReversible) {
            if (static_cast<int>(ch.Parent.size()) != ch.StateCount)
                return TFailure(
                    QStringLiteral("The state tree of character %1 gives %2 parents for %3 states.")
                        .arg(c)
                        .arg(ch.Parent.size())
                        .arg(ch.StateCount));
            parent = ch.Parent;
            if (TStatus ok = CheckStateTree(parent, c); !ok) return TFailure(ok.Error());
        } else if (ch.Criterion == TCriterion::Ordered) {
            for (int s = 0; s < ch.StateCount; ++s) parent.push_back(s - 1);
        }
        if (ch.Weight == 0) continue;
        if (ch.Criterion == TCriterion::Unordered) {
            TFitchItem item = UnorderedItem(ch, c, objectCount);
            if (!CostsNothing(item)) items.push_back(std::move(item));
        } else {
            AdditiveItems(ch, parent, c, objectCount, items, &widened);
        }
    }

    // Blocks of one weight, characters with few states together.
    std::stable_sort(items.begin(), items.end(), [](const TFitchItem& a, const TFitchItem& b) {
        return a.Weight != b.Weight ? a.Weight < b.Weight : a.Planes < b.Planes;
    });
    TReversibleField field;
    field.Objects = objectCount;
    field.Characters = characters.Count();
    field.Packed = static_cast<int>(items.size());
    field.Widened = widened;
    std::vector<std::pair<size_t, size_t>> ranges;  // items of each block
    for (size_t i = 0; i < items.size();) {
        size_t j = i + 1;
        while (j < items.size() && j - i < 64 && items[j].Weight == items[i].Weight) ++j;
        const int planes = items[j - 1].Planes;
        field.BlockList.push_back({field.WordCount, planes, items[i].Weight});
        field.WordCount += planes;
        ranges.emplace_back(i, j);
        i = j;
    }
    const size_t w = static_cast<size_t>(field.WordCount);
    field.TipBits.assign((static_cast<size_t>(objectCount) + 1) * w, 0);
    field.SlotCharacter.assign(field.BlockList.size() * 64, 0);
    for (size_t b = 0; b < field.BlockList.size(); ++b) {
        const TFitchBlock& blk = field.BlockList[b];
        for (int o = 1; o <= objectCount; ++o) {
            std::uint64_t* planes =
                field.TipBits.data() + static_cast<size_t>(o) * w + static_cast<size_t>(blk.Offset);
            // Unused slots hold every state: they never take a step.
            const int used = static_cast<int>(ranges[b].second - ranges[b].first);
            const std::uint64_t spare = used == 64 ? 0 : ~std::uint64_t{0} << used;
            for (int p = 0; p < blk.Planes; ++p) planes[p] = spare;
            for (int bit = 0; bit < used; ++bit) {
                const TFitchItem& item = items[ranges[b].first + static_cast<size_t>(bit)];
                const TInclusion& s = item.Sets[static_cast<size_t>(o)];
                for (int p = 0; p < item.Planes; ++p)
                    if (s.Contains(p)) planes[p] |= std::uint64_t{1} << bit;
            }
        }
        for (size_t i = ranges[b].first; i < ranges[b].second; ++i)
            field.SlotCharacter[b * 64 + (i - ranges[b].first)] = items[i].Character;
    }
    if (field.WordCount == 0) field.TipBits.assign(static_cast<size_t>(objectCount) + 1, 0);
    return field;
}

TTreeLinks LinksOf(const TTree& tree)
{
    TTreeLinks links;
    const int t = tree.TipCount();
    links.Tips = t;
    if (t < 1) return links;
    const size_t vertices = static_cast<size_t>(2 * t - 1);
    links.Parent.assign(vertices, -1);
    links.Child.assign(vertices, {-1, -1});
    links.TipObject.assign(static_cast<size_t>(t), 0);
    auto nodeVertex = [&](int j) { return j == 0 ? -1 : t + j - 1; };
    auto link = [&](int v, int parent) {
        links.Parent[static_cast<size_t>(v)] = parent;
        if (parent < 0) {
            links.Root = v;
            return;
        }
        auto& c = links.Child[static_cast<size_t>(parent)];
        (c[0] < 0 ? c[0] : c[1]) = v;
    };
    for (int i = 1; i <= t; ++i) {
        links.TipObject[static_cast<size_t>(i - 1)] = tree.Tips[static_cast<size_t>(i)].Objects[0];
        link(i - 1, t == 1 ? -1 : nodeVertex(tree.Tips[static_cast<size_t>(i)].Anc));
    }
    for (int j = 1; j < t; ++j)
        link(nodeVertex(j), nodeVertex(tree.Nodes[static_cast<size_t>(j)].Anc));
    return links;
}

TReversibleScorer::TReversibleScorer(const TReversibleField& field) : F(&field), W(field.Words())
{
    const int n = field.ObjectCount();
    const size_t vertices = static_cast<size_t>(std::max(1, 2 * n - 1));
    D.assign(vertices * static_cast<size_t>(W), 0);
    U.assign(vertices * static_cast<size_t>(W), 0);
    E.assign(vertices * static_cast<size_t>(W), 0);
    DownPtr.assign(vertices, nullptr);
    for (size_t v = 0; v < vertices; ++v)
        DownPtr[v] = static_cast<int>(v) < n ? field.Tip(static_cast<int>(v) + 1)
                                             : D.data() + Index(static_cast<int>(v));
    Sub.assign(vertices, 0);
    Changed.assign(field.Blocks().size(), 0);
}

void TReversibleScorer::BuildPostOrder(const TTreeView& tree)
{
    // Root first, then reversed: children before parents. Iterative, so deep
    // trees never touch the call stack.
    Order.clear();
    if (tree.Root < tree.Tips) return;
    Order.push_back(tree.Root);
    for (size_t k = 0; k < Order.size(); ++k)
        for (int c : tree.Child[static_cast<size_t>(Order[k])])
            if (c >= tree.Tips) Order.push_back(c);
}

std::int64_t TReversibleScorer::CombineAt(const TTreeView& tree, int v)
{
    const auto& c = tree.Child[static_cast<size_t>(v)];
    for (int x : c)
        if (x < tree.Tips) {
            DownPtr[static_cast<size_t>(x)] = TipSet(tree, x);
            Sub[static_cast<size_t>(x)] = 0;
        }
    const auto& blocks = F->Blocks();
    const std::int64_t k = FitchCombine(blocks.data(), static_cast<int>(blocks.size()), Down(c[0]),
                                        Down(c[1]), OwnDown(v));
    DownPtr[static_cast<size_t>(v)] = OwnDown(v);
    Sub[static_cast<size_t>(v)] =
        k + Sub[static_cast<size_t>(c[0])] + Sub[static_cast<size_t>(c[1])];
    return k;
}

std::int64_t TReversibleScorer::DownPass(const TTreeView& tree)
{
    if (tree.Root < 0) return 0;
    if (tree.Root < tree.Tips) {
        DownPtr[static_cast<size_t>(tree.Root)] = TipSet(tree, tree.Root);
        Sub[static_cast<size_t>(tree.Root)] = 0;
        return 0;
    }
    BuildPostOrder(tree);
    for (auto it = Order.rbegin(); it != Order.rend(); ++it) CombineAt(tree, *it);
    return Sub[static_cast<size_t>(tree.Root)];
}

std::int64_t TReversibleScorer::UpdatePath(const TTreeView& tree, int v)
{
    if (tree.Root < 0) return 0;
    for (int a = v; a >= 0; a = tree.Parent[static_cast<size_t>(a)])
        if (a >= tree.Tips) CombineAt(tree, a);
    if (tree.Root < tree.Tips) {
        DownPtr[static_cast<size_t>(tree.Root)] = TipSet(tree, tree.Root);
        Sub[static_cast<size_t>(tree.Root)] = 0;
    }
    return Sub[static_cast<size_t>(tree.Root)];
}

void TReversibleScorer::UpPass(const TTreeView& tree)
{
    if (tree.Root < 0) return;
    const std::uint64_t* rootSet = Down(tree.Root);
    std::copy(rootSet, rootSet + W, E.data() + Index(tree.Root));
    Touch(tree.Root);
    if (tree.Root < tree.Tips) return;
    BuildPostOrder(tree);
    const auto& blocks = F->Blocks();
    const int count = static_cast<int>(blocks.size());
    for (int v : Order) {  // root first
        const auto& c = tree.Child[static_cast<size_t>(v)];
        for (int side = 0; side < 2; ++side) {
            const int x = c[static_cast<size_t>(side)];
            const int sibling = c[static_cast<size_t>(1 - side)];
            Touch(x);
            std::uint64_t* up = U.data() + Index(x);
            if (v == tree.Root) {
                const std::uint64_t* s = Down(sibling);
                std::copy(s, s + W, up);
            } else {
                FitchCombine(blocks.data(), count, Down(sibling), Up(v), up);
            }
            FitchCombine(blocks.data(), count, Down(x), up, E.data() + Index(x));
        }
    }
}

void TReversibleScorer::KeepUpPass(const TTreeView& whole)
{
    Keeping = false;
    UpPass(whole);
    KeptU = U;
    KeptE = E;
    IsTouched.assign(Sub.size(), 0);
    OnPath.assign(Sub.size(), 0);
    Touched.clear();
    Keeping = true;
}

void TReversibleScorer::UpPassRest(const TTreeView& rest, int changedAt)
{
    if (!Keeping || rest.Root < 0) {
        UpPass(rest);
        return;
    }
    // The down sets changed from changedAt up to the root, nowhere else.
    for (int a = changedAt; a >= 0; a = rest.Parent[static_cast<size_t>(a)])
        OnPath[static_cast<size_t>(a)] = 1;
    const std::uint64_t* rootSet = Down(rest.Root);
    std::copy(rootSet, rootSet + W, E.data() + Index(rest.Root));
    Touch(rest.Root);
    const auto& blocks = F->Blocks();
    const int count = static_cast<int>(blocks.size());
    // Vertices whose children need a look: the root, those whose set from
    // above changed, and those on the path (whose children's down sets or
    // links changed).
    std::vector<int>& stack = Order;
    stack.clear();
    if (rest.Root >= rest.Tips) stack.push_back(rest.Root);
    while (!stack.empty()) {
        const int v = stack.back();
        stack.pop_back();
        const bool upChanged = v == rest.Root || IsTouched[static_cast<size_t>(v)];
        const auto& c = rest.Child[static_cast<size_t>(v)];
        for (int side = 0; side < 2; ++side) {
            const int x = c[static_cast<size_t>(side)];
            const int sibling = c[static_cast<size_t>(1 - side)];
            const bool pathX = OnPath[static_cast<size_t>(x)] != 0;
            const bool need = upChanged || OnPath[static_cast<size_t>(sibling)] || v == changedAt;
            bool changed = false;
            std::uint64_t* up = U.data() + Index(x);
            if (need) {
                if (v == rest.Root) {
                    const std::uint64_t* s = Down(sibling);
                    std::copy(s, s + W, up);
                } else {
                    FitchCombine(blocks.data(), count, Down(sibling), Up(v), up);
                }
                changed = !std::equal(up, up + W, KeptU.data() + Index(x));
            }
            // Otherwise x's set from above is the kept one, and so is every
            // set below x.
            if (changed || pathX) {
                Touch(x);
                FitchCombine(blocks.data(), count, Down(x), up, E.data() + Index(x));
                if (x >= rest.Tips) stack.push_back(x);
            }
        }
    }
    for (int a = changedAt; a >= 0; a = rest.Parent[static_cast<size_t>(a)])
        OnPath[static_cast<size_t>(a)] = 0;
}

void TReversibleScorer::RestoreUpPass()
{
    for (int v : Touched) {
        const size_t i = Index(v);
        std::copy(KeptU.begin() + static_cast<std::ptrdiff_t>(i),
                  KeptU.begin() + static_cast<std::ptrdiff_t>(i + static_cast<size_t>(W)),
                  U.begin() + static_cast<std::ptrdiff_t>(i));
        std::copy(KeptE.begin() + static_cast<std::ptrdiff_t>(i),
                  KeptE.begin() + static_cast<std::ptrdiff_t>(i + static_cast<size_t>(W)),
                  E.begin() + static_cast<std::ptrdiff_t>(i));
        IsTouched[static_cast<size_t>(v)] = 0;
    }
    Touched.clear();
}

std::int64_t TReversibleScorer::JoinCost(const std::uint64_t* x, int v) const
{
    return JoinCostBelow(x, v, std::numeric_limits<std::int64_t>::max());
}

std::int64_t TReversibleScorer::JoinCostBelow(const std::uint64_t* x, int v,
                                              std::int64_t limit) const
{
    const auto& blocks = F->Blocks();
    return FitchJoin(blocks.data(), static_cast<int>(blocks.size()), x, Edge(v), limit);
}

std::vector<std::int64_t> TReversibleScorer::CharacterSteps(const TTreeView& tree)
{
    std::vector<std::int64_t> steps(static_cast<size_t>(F->CharacterCount()) + 1, 0);
    // The down pass leaves the tips' sets and the order; the changes are
    // those of its combinations again.
    DownPass(tree);
    if (tree.Root < tree.Tips) return steps;
    const auto& blocks = F->Blocks();
    const int count = static_cast<int>(blocks.size());
    for (auto it = Order.rbegin(); it != Order.rend(); ++it) {
        const auto& c = tree.Child[static_cast<size_t>(*it)];
        FitchCombineChanges(blocks.data(), count, Down(c[0]), Down(c[1]), OwnDown(*it),
                            Changed.data());
        for (int b = 0; b < count; ++b)
            for (std::uint64_t bits = Changed[static_cast<size_t>(b)]; bits; bits &= bits - 1)
                ++steps[static_cast<size_t>(F->CharacterOf(b, std::countr_zero(bits)))];
    }
    return steps;
}
