#include "parsimony/summaries/BranchChanges.h"

#include <algorithm>

namespace {
int CharacterCount(const TSField& field) { return field.Places.Count(); }

// Children of every vertex, tips before nodes, from the parent links.
std::vector<std::vector<int>> ChildVertices(const TTree& tree)
{
    const int t = tree.TipCount();
    std::vector<std::vector<int>> kids(static_cast<size_t>(2 * t) + 1);
    for (int i = 1; i <= t; ++i)
        if (int a = tree.Tips[static_cast<size_t>(i)].Anc; a >= 1 && a < t)
            kids[static_cast<size_t>(t + a)].push_back(i);
    for (int j = 1; j < t; ++j)
        if (int a = tree.Nodes[static_cast<size_t>(j)].Anc; a >= 1 && a < t)
            kids[static_cast<size_t>(t + a)].push_back(t + j);
    return kids;
}
}  // namespace

int ParentVertex(const TTree& tree, int vertex)
{
    const int t = tree.TipCount();
    const int anc = vertex <= t ? tree.Tips[static_cast<size_t>(vertex)].Anc
                                : tree.Nodes[static_cast<size_t>(vertex - t)].Anc;
    return anc >= 1 && anc < t ? t + anc : 0;
}

std::vector<int> TreePreOrder(const TTree& tree)
{
    const auto kids = ChildVertices(tree);
    std::vector<int> order;
    const int root = tree.Root();
    if (root == 0) return order;
    std::vector<int> stack{tree.TipCount() + root};
    while (!stack.empty() && order.size() < kids.size()) {
        const int v = stack.back();
        stack.pop_back();
        order.push_back(v);
        const auto& k = kids[static_cast<size_t>(v)];
        for (auto it = k.rbegin(); it != k.rend(); ++it) stack.push_back(*it);
    }
    return order;
}

TTreeStates TreeStateSets(const TTree& tree, const TSField& field, bool missingData)
{
    const int t = tree.TipCount();
    const int chars = CharacterCount(field);
    TTreeStates states;
    std::vector<TIncArr>& sets = states.Sets;
    sets.assign(static_cast<size_t>(2 * t), TIncArr(static_cast<size_t>(chars) + 1));
    states.HasData.assign(sets.size(), std::vector<bool>(static_cast<size_t>(chars) + 1, false));
    for (int i = 1; i <= t; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        const int o = tip.Objects.empty() ? 0 : tip.Objects[0];
        for (int c = 1; c <= chars; ++c) {
            const TNumbered<TInclusion>& inc = field.Places[c].Inc;
            if (o >= 1 && o <= inc.Count())
                sets[static_cast<size_t>(i)][static_cast<size_t>(c)] = inc[o];
            states.HasData[static_cast<size_t>(i)][static_cast<size_t>(c)] =
                !sets[static_cast<size_t>(i)][static_cast<size_t>(c)].IsEmpty();
        }
    }
    const auto kids = ChildVertices(tree);
    const std::vector<int> order = TreePreOrder(tree);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const int v = *it;
        if (v <= t) continue;
        for (int c = 1; c <= chars; ++c) {
            TInclusion set;
            bool any = false;
            for (int k : kids[static_cast<size_t>(v)]) {
                const bool data = states.HasData[static_cast<size_t>(k)][static_cast<size_t>(c)];
                if (missingData && !data) continue;
                const TInclusion& s = sets[static_cast<size_t>(k)][static_cast<size_t>(c)];
                set = any ? (set & s) : s;
                any = true;
                if (data) states.HasData[static_cast<size_t>(v)][static_cast<size_t>(c)] = true;
            }
            sets[static_cast<size_t>(v)][static_cast<size_t>(c)] = set;
        }
    }
    return states;
}

std::vector<TBranch> BranchChanges(const TTree& tree, const TSField& field, bool missingData)
{
    const int t = tree.TipCount();
    const int chars = CharacterCount(field);
    const TTreeStates states = TreeStateSets(tree, field, missingData);
    const std::vector<TIncArr>& sets = states.Sets;
    const auto kids = ChildVertices(tree);
    const std::vector<int> order = TreePreOrder(tree);
    // Objects below every vertex, and whether any of them is "?" per character.
    std::vector<std::vector<int>> objects(sets.size());
    std::vector<std::vector<bool>> missingBelow(
        sets.size(), std::vector<bool>(static_cast<size_t>(chars) + 1, false));
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const int v = *it;
        if (v <= t) {
            const TTip& tip = tree.Tips[static_cast<size_t>(v)];
            if (!tip.Objects.empty()) objects[static_cast<size_t>(v)].push_back(tip.Objects[0]);
            for (int c = 1; c <= chars; ++c)
                missingBelow[static_cast<size_t>(v)][static_cast<size_t>(c)] =
                    sets[static_cast<size_t>(v)][static_cast<size_t>(c)].IsEmpty();
            continue;
        }
        for (int k : kids[static_cast<size_t>(v)]) {
            objects[static_cast<size_t>(v)].insert(objects[static_cast<size_t>(v)].end(),
                                                   objects[static_cast<size_t>(k)].begin(),
                                                   objects[static_cast<size_t>(k)].end());
            for (int c = 1; c <= chars; ++c)
                if (missingBelow[static_cast<size_t>(k)][static_cast<size_t>(c)])
                    missingBelow[static_cast<size_t>(v)][static_cast<size_t>(c)] = true;
        }
        std::sort(objects[static_cast<size_t>(v)].begin(), objects[static_cast<size_t>(v)].end());
    }
    std::vector<TBranch> branches;
    for (int v : order) {
        const int p = ParentVertex(tree, v);
        if (p == 0) continue;
        TBranch branch;
        branch.Vertex = v;
        branch.Objects = objects[static_cast<size_t>(v)];
        for (int c = 1; c <= chars; ++c) {
            const TInclusion& s = sets[static_cast<size_t>(v)][static_cast<size_t>(c)];
            if (s.IsEmpty()) continue;  // no data below, or nothing to gain
            const TInclusion gained = s - sets[static_cast<size_t>(p)][static_cast<size_t>(c)];
            if (gained.IsEmpty()) continue;
            bool ambiguous = false;
            if (missingData) {
                for (int k : kids[static_cast<size_t>(v)])
                    if (sets[static_cast<size_t>(k)][static_cast<size_t>(c)].IsEmpty())
                        ambiguous = true;
            } else {
                ambiguous = missingBelow[static_cast<size_t>(p)][static_cast<size_t>(c)];
            }
            for (int k = 0; k < TInclusion::Capacity; ++k)
                if (gained.Contains(k)) branch.Changes.push_back({c, k, ambiguous});
        }
        branches.push_back(std::move(branch));
    }
    return branches;
}

std::vector<TBranch> CompactBranchChanges(const TCompactTree& tree, const TSField& field,
                                          bool missingData)
{
    std::vector<TBranch> branches;
    const size_t vertices = static_cast<size_t>(tree.Vertices());
    if (tree.Root < 0 || vertices == 0) return branches;
    // Preorder, first child first, as the tree is written.
    std::vector<int> order;
    order.reserve(vertices);
    for (std::vector<int> stack{tree.Root}; !stack.empty();) {
        const int v = stack.back();
        stack.pop_back();
        order.push_back(v);
        if (!tree.IsTip(v))
            for (int k = 1; k >= 0; --k) stack.push_back(tree.Child[static_cast<size_t>(v)][k]);
    }
    std::vector<std::vector<TChange>> changes(vertices);
    std::vector<TInclusion> set(vertices);
    std::vector<char> has(vertices, 0), missingBelow(vertices, 0);
    for (int c = 1; c <= CharacterCount(field); ++c) {
        const TNumbered<TInclusion>& inc = field.Places[c].Inc;
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const size_t v = static_cast<size_t>(*it);
            if (tree.IsTip(*it)) {
                const int o = *it + 1;
                set[v] = o <= inc.Count() ? inc[o] : TInclusion();
                has[v] = !set[v].IsEmpty();
                missingBelow[v] = !has[v];
                continue;
            }
            TInclusion s;
            bool any = false;
            has[v] = 0;
            missingBelow[v] = 0;
            for (int k : tree.Child[v]) {
                const size_t kv = static_cast<size_t>(k);
                missingBelow[v] = missingBelow[v] || missingBelow[kv];
                if (missingData && !has[kv]) continue;
                s = any ? (s & set[kv]) : set[kv];
                any = true;
                has[v] = has[v] || has[kv];
            }
            set[v] = s;
        }
        for (size_t v = 0; v < vertices; ++v) {
            const int p = tree.Parent[v];
            if (p < 0 || set[v].IsEmpty()) continue;
            const TInclusion gained = set[v] - set[static_cast<size_t>(p)];
            if (gained.IsEmpty()) continue;
            bool ambiguous = false;
            if (missingData) {
                if (!tree.IsTip(static_cast<int>(v)))
                    for (int k : tree.Child[v])
                        if (set[static_cast<size_t>(k)].IsEmpty()) ambiguous = true;
            } else {
                ambiguous = missingBelow[static_cast<size_t>(p)];
            }
            for (int k = 0; k < TInclusion::Capacity; ++k)
                if (gained.Contains(k)) changes[v].push_back({c, k, ambiguous});
        }
    }
    for (int v : order) {
        if (tree.Parent[static_cast<size_t>(v)] < 0) continue;
        TBranch branch;
        branch.Vertex = v;
        branch.Changes = std::move(changes[static_cast<size_t>(v)]);
        if (!branch.Changes.empty()) {
            for (std::vector<int> stack{v}; !stack.empty();) {
                const int x = stack.back();
                stack.pop_back();
                if (tree.IsTip(x))
                    branch.Objects.push_back(x + 1);
                else
                    for (int k : tree.Child[static_cast<size_t>(x)]) stack.push_back(k);
            }
            std::sort(branch.Objects.begin(), branch.Objects.end());
        }
        branches.push_back(std::move(branch));
    }
    return branches;
}

QString StateName(const TSField& field, int c, int state)
{
    if (c >= 1 && c <= field.Places.Count()) {
        const QStringList& names = field.Places[c].StateNames;
        if (state >= 0 && state < names.size()) return names.at(state);
    }
    return QStringLiteral("state %1").arg(state);
}

QString ChangeText(const TSField& field, const TChange& change)
{
    const QString name = change.Character >= 1 && change.Character <= field.Places.Count()
                             ? field.Places[change.Character].Name
                             : QString();
    return (name.isEmpty() ? QString::number(change.Character) : name) + QStringLiteral(": ") +
           StateName(field, change.Character, change.State);
}

QString BranchText(const TSField& field, const TBranch& branch, const QString& separator)
{
    QStringList names;
    for (int o : branch.Objects)
        names << (o >= 1 && o <= field.Names.Count() ? field.Names[o] : QString::number(o));
    return names.join(separator);
}

std::vector<QStringList> BranchChangesTable(const std::vector<TBranch>& branches,
                                            const TSField& field)
{
    std::vector<QStringList> rows{{QStringLiteral("Branch"), QStringLiteral("Character"),
                                   QStringLiteral("State"), QStringLiteral("Placement")}};
    for (const TBranch& b : branches) {
        const QString clade = BranchText(field, b);
        for (const TChange& ch : b.Changes) {
            const TSPlace& place = field.Places[ch.Character];
            rows.push_back(
                {clade, place.Name.isEmpty() ? QString::number(ch.Character) : place.Name,
                 StateName(field, ch.Character, ch.State),
                 ch.Ambiguous ? QStringLiteral("ambiguous") : QStringLiteral("unambiguous")});
        }
    }
    return rows;
}
