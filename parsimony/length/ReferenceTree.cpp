#include "parsimony/length/ReferenceTree.h"

#include "parsimony/evolutionary/GrowTree.h"

namespace {
int SymmetricSteps(const TInclusion& a, const TInclusion& b) { return (a ^ b).Count(); }
}  // namespace

TReferenceStates ReferenceEvaluateTree(TTree& tree, const TSField& charField, bool missingData)
{
    const int t = tree.TipCount();
    const int n = tree.NodeCount();
    const int chars = charField.Places.Count();
    auto walk = [&](TInclusion& set, int k) {
        for (int steps = 0; k != 0 && k <= n && steps <= n; ++steps) {
            set.Include(k);
            k = tree.Nodes[static_cast<size_t>(k)].Anc;
        }
    };
    // 1, 2: ancestor sets.
    for (int i = 1; i <= t; ++i) {
        TTip& tip = tree.Tips[static_cast<size_t>(i)];
        tip.AncSet = TInclusion();
        walk(tip.AncSet, tip.Anc);
    }
    for (int k = 1; k <= n; ++k) {
        TNode& node = tree.Nodes[static_cast<size_t>(k)];
        node.AncSet = TInclusion();
        node.AncSet.Include(k);
        walk(node.AncSet, node.Anc);
    }
    // 3: children, tips first, at most two.
    for (int k = 1; k <= n; ++k) {
        TNode& node = tree.Nodes[static_cast<size_t>(k)];
        node.Child = {};
        int found = 0;
        for (int i = 1; i <= t && found < 2; ++i)
            if (tree.Tips[static_cast<size_t>(i)].Anc == k)
                node.Child[static_cast<size_t>(++found)] = {static_cast<TIntNum>(i), true};
        for (int j = 1; j <= n && found < 2; ++j)
            if (tree.Nodes[static_cast<size_t>(j)].Anc == k)
                node.Child[static_cast<size_t>(++found)] = {static_cast<TIntNum>(j), false};
    }
    // 4: object lists.
    for (int k = 1; k <= n; ++k) {
        TNode& node = tree.Nodes[static_cast<size_t>(k)];
        node.Objects.clear();
        for (int i = 1; i <= t; ++i)
            if (tree.Tips[static_cast<size_t>(i)].AncSet.Contains(k))
                node.Objects.push_back(tree.Tips[static_cast<size_t>(i)].Objects[0]);
    }
    // 5: states and fits.
    TReferenceStates states;
    states.Tips.assign(static_cast<size_t>(t) + 1, TIncArr(static_cast<size_t>(chars) + 1));
    states.Nodes.assign(static_cast<size_t>(n) + 1, TIncArr(static_cast<size_t>(chars) + 1));
    auto inc = [&](int c, int o) {
        const TNumbered<TInclusion>& column = charField.Places[c].Inc;
        return o >= 1 && o <= column.Count() ? column[o] : TInclusion();
    };
    for (int i = 1; i <= t; ++i)
        for (int c = 1; c <= chars; ++c)
            states.Tips[static_cast<size_t>(i)][static_cast<size_t>(c)] =
                inc(c, tree.Tips[static_cast<size_t>(i)].Objects[0]);
    for (int k = 1; k <= n; ++k) {
        const TIntNumArr& objects = tree.Nodes[static_cast<size_t>(k)].Objects;
        for (int c = 1; c <= chars; ++c) {
            TInclusion set;
            bool first = true;
            for (TIntNum o : objects) {
                const TInclusion s = inc(c, o);
                if (missingData && s.IsEmpty()) continue;
                set = first ? s : (set & s);
                first = false;
            }
            states.Nodes[static_cast<size_t>(k)][static_cast<size_t>(c)] = set;
        }
    }
    for (int k = 1; k <= n; ++k) {
        TNode& node = tree.Nodes[static_cast<size_t>(k)];
        node.Fit = 0;
        if (node.Anc == 0 || node.Anc > n) continue;
        for (int c = 1; c <= chars; ++c) {
            const TInclusion& s = states.Nodes[static_cast<size_t>(k)][static_cast<size_t>(c)];
            if (missingData && s.IsEmpty()) continue;
            node.Fit += SymmetricSteps(s, states.Nodes[node.Anc][static_cast<size_t>(c)]);
        }
    }
    for (int i = 1; i <= t; ++i) {
        TTip& tip = tree.Tips[static_cast<size_t>(i)];
        tip.Fit = 0;
        if (tip.Anc == 0 || tip.Anc > n) continue;
        for (int c = 1; c <= chars; ++c) {
            const TInclusion& s = states.Tips[static_cast<size_t>(i)][static_cast<size_t>(c)];
            if (missingData && s.IsEmpty()) continue;
            tip.Fit += SymmetricSteps(s, states.Nodes[tip.Anc][static_cast<size_t>(c)]);
        }
    }
    tree.Fitness = 0;
    for (int k = 1; k <= n; ++k) tree.Fitness += tree.Nodes[static_cast<size_t>(k)].Fit;
    for (int i = 1; i <= t; ++i) tree.Fitness += tree.Tips[static_cast<size_t>(i)].Fit;
    tree.MissingDataStates = missingData;
    return states;
}

double ReferenceComputeCharSteps(TTree& tree, int c, const TSField& charField,
                                 const TReferenceStates& states)
{
    const int t = tree.TipCount();
    const int n = tree.NodeCount();
    double steps = 0;
    for (int k = 1; k <= n; ++k) {
        const TNode& node = tree.Nodes[static_cast<size_t>(k)];
        const TInclusion& s = states.Nodes[static_cast<size_t>(k)][static_cast<size_t>(c)];
        if (node.Anc != 0 && !s.IsEmpty())
            steps += SymmetricSteps(s, states.Nodes[node.Anc][static_cast<size_t>(c)]);
    }
    for (int i = 1; i <= t; ++i) {
        const TTip& tip = tree.Tips[static_cast<size_t>(i)];
        const TInclusion& s = states.Tips[static_cast<size_t>(i)][static_cast<size_t>(c)];
        if (!s.IsEmpty()) steps += SymmetricSteps(s, states.Nodes[tip.Anc][static_cast<size_t>(c)]);
    }
    ReferenceEvaluateTree(tree, charField, true);
    return steps;
}

namespace {
class TReferenceScorer final : public TSearchScorer {
public:
    TReferenceScorer(const TSField& charField, bool missingData)
        : Field(charField), Missing(missingData)
    {
    }

    bool MissingData() const override { return Missing; }
    void Evaluate(TTree& tree) override { ReferenceEvaluateTree(tree, Field, Missing); }

    // Literally: the object on a fresh copy above every branch in turn; the
    // first strictly shortest wins.
    TInsertionPoint BestInsertion(const TTree& tree, int object) override
    {
        const int m = tree.TipCount();
        TInsertionPoint best;
        bool first = true;
        auto tryAt = [&](int num, bool isTip) {
            CopyTree(tree, Candidate);
            AppendObject(Candidate, object);
            AttachNewest(Candidate, num, isTip);
            ReferenceEvaluateTree(Candidate, Field, Missing);
            const auto length = static_cast<std::int64_t>(Candidate.Fitness);
            if (first || length < best.Length) best = {isTip, num, length};
            first = false;
        };
        for (int i = 1; i <= m; ++i) tryAt(i, true);
        for (int j = 1; j < m; ++j) tryAt(j, false);
        return best;
    }

    // Every swapped tree is evaluated in full: nothing to remember.
    void StartSwapping(int) override {}
    void Remember(int, const TTree&) override {}
    std::int64_t SwapLength(int, TTree& swapped, const TSwapParts&) override
    {
        ReferenceEvaluateTree(swapped, Field, Missing);
        return static_cast<std::int64_t>(swapped.Fitness);
    }
    void EndSwapping() override {}

private:
    TSField Field;
    bool Missing;
    TTree Candidate;
};
}  // namespace

std::unique_ptr<TSearchScorer> MakeReferenceScorer(const TSField& charField, int, int,
                                                   bool missingData)
{
    return std::make_unique<TReferenceScorer>(charField, missingData);
}
