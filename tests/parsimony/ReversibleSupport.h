#pragma once
// Random characters for the reversible criteria and the branch moves of
// SPR and TBR on vertex arrays, for the tests and benchmarks of
// ReversibleField.h.
#include <algorithm>
#include <array>
#include <numeric>
#include <random>
#include <vector>

#include "parsimony/length/ReversibleField.h"

inline int RandomBetween(std::mt19937_64& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

struct TReversibleShape {
    int Characters = 20;
    int MaxStates = 4;
    double Missing = 0.1;  // share of "?" cells
    double Sets = 0.15;    // share of cells with several states
    bool Weights = false;
    bool OneCriterion = false;  // all characters of criterion Only
    TCriterion Only = TCriterion::Unordered;
};

// Random characters of every reversible criterion; state trees with their
// states numbered at random, so a parent is not always a lower state.
inline TNumbered<TReversibleCharacter> RandomReversibleCharacters(std::mt19937_64& rng, int objects,
                                                                  const TReversibleShape& shape)
{
    std::uniform_real_distribution<double> unit(0, 1);
    TNumbered<TReversibleCharacter> out;
    out.Resize(shape.Characters);
    for (int c = 1; c <= shape.Characters; ++c) {
        TReversibleCharacter& ch = out[c];
        ch.Criterion = std::array{
            TCriterion::Unordered, TCriterion::Ordered,
            TCriterion::StateTreeReversible}[static_cast<size_t>(RandomBetween(rng, 0, 2))];
        if (shape.OneCriterion) ch.Criterion = shape.Only;
        const int n = unit(rng) < 0.5 ? RandomBetween(rng, 2, std::min(4, shape.MaxStates))
                                      : RandomBetween(rng, 2, shape.MaxStates);
        ch.StateCount = n;
        if (ch.Criterion == TCriterion::StateTreeReversible) {
            std::vector<int> label(static_cast<size_t>(n));
            std::iota(label.begin(), label.end(), 0);
            std::shuffle(label.begin(), label.end(), rng);
            ch.Parent.assign(static_cast<size_t>(n), -1);
            for (int k = 1; k < n; ++k)
                ch.Parent[static_cast<size_t>(label[static_cast<size_t>(k)])] =
                    label[static_cast<size_t>(RandomBetween(rng, 0, k - 1))];
        }
        if (shape.Weights)
            ch.Weight = std::array{0, 1, 1, 2, 5}[static_cast<size_t>(RandomBetween(rng, 0, 4))];
        // Few states in use per character, so that trees differ in length.
        const int used = RandomBetween(rng, 2, n);
        ch.Cells.Resize(objects);
        for (int o = 1; o <= objects; ++o) {
            TInclusion& cell = ch.Cells[o];
            const double u = unit(rng);
            if (u < shape.Missing) {
                if (unit(rng) < 0.5)
                    for (int s = 0; s < n; ++s) cell.Include(s);  // "?" written as every state
            } else if (u < shape.Missing + shape.Sets) {
                const int size = RandomBetween(rng, 2, std::min(n, 4));
                while (cell.Count() < size) cell.Include(RandomBetween(rng, 0, n - 1));
            } else {
                cell.Include(RandomBetween(rng, 0, used - 1));
            }
        }
    }
    return out;
}

// The vertices below root.
inline std::vector<int> VerticesBelow(const TTreeLinks& t, int root)
{
    std::vector<int> out{root};
    for (size_t k = 0; k < out.size(); ++k)
        if (out[k] >= t.Tips)
            for (int c : t.Child[static_cast<size_t>(out[k])]) out.push_back(c);
    return out;
}

inline void ReplaceChild(TTreeLinks& t, int parent, int from, int to)
{
    auto& c = t.Child[static_cast<size_t>(parent)];
    (c[0] == from ? c[0] : c[1]) = to;
}

// Unlinks the part below clip; its parent node q stays free for the regraft.
inline void Prune(TTreeLinks& t, int clip)
{
    const int q = t.Parent[static_cast<size_t>(clip)];
    const auto& c = t.Child[static_cast<size_t>(q)];
    const int sibling = c[0] == clip ? c[1] : c[0];
    const int grand = t.Parent[static_cast<size_t>(q)];
    t.Parent[static_cast<size_t>(sibling)] = grand;
    if (grand < 0)
        t.Root = sibling;
    else
        ReplaceChild(t, grand, q, sibling);
    t.Parent[static_cast<size_t>(q)] = -1;
}

// Puts the free node q on the branch above v (or above the root), with the
// children v and x.
inline void JoinAbove(TTreeLinks& t, int v, int x, int q)
{
    const int pv = t.Parent[static_cast<size_t>(v)];
    t.Child[static_cast<size_t>(q)] = {v, x};
    t.Parent[static_cast<size_t>(x)] = q;
    t.Parent[static_cast<size_t>(q)] = pv;
    if (pv < 0)
        t.Root = q;
    else
        ReplaceChild(t, pv, v, q);
    t.Parent[static_cast<size_t>(v)] = q;
}

// Roots the part below its root node r anew on the branch above w, keeping r
// as the root node.
inline void Reroot(TTreeLinks& t, int r, int w)
{
    std::vector<int> path{w};
    while (path.back() != r) path.push_back(t.Parent[static_cast<size_t>(path.back())]);
    const size_t k = path.size() - 1;
    if (k < 2) return;  // a child of r: the same rooting
    auto other = [&](int v, int child) {
        const auto& c = t.Child[static_cast<size_t>(v)];
        return c[0] == child ? c[1] : c[0];
    };
    const int z = other(r, path[k - 1]);
    std::vector<int> others(k);
    for (size_t i = 1; i < k; ++i) others[i] = other(path[i], path[i - 1]);
    const int up = t.Parent[static_cast<size_t>(r)];
    t.Child[static_cast<size_t>(r)] = {w, path[1]};
    t.Parent[static_cast<size_t>(w)] = r;
    t.Parent[static_cast<size_t>(path[1])] = r;
    for (size_t i = 1; i < k; ++i) {
        const int next = i + 1 < k ? path[i + 1] : z;
        t.Child[static_cast<size_t>(path[i])] = {others[i], next};
        t.Parent[static_cast<size_t>(next)] = path[i];
    }
    t.Parent[static_cast<size_t>(r)] = up;
}
