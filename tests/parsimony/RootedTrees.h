#pragma once
// Every rooted binary tree on n tips, for tests that compare a search with a
// full enumeration (10 395 trees on 7 tips, 135 135 on 8).
//   ForEachRootedTree(7, [&](const TCompactTree& t) { ... });
#include <functional>
#include <vector>

#include "parsimony/thorough/ThoroughTree.h"

namespace rooted_trees_detail {
// Tip k goes on every branch (and above the root) of every tree on tips 0..k-1.
inline void Insert(TCompactTree& t, int k, int n,
                   const std::function<void(const TCompactTree&)>& visit)
{
    if (k == n) {
        visit(t);
        return;
    }
    const int node = n + k - 1;
    std::vector<int> targets;
    for (int v = 0; v < k; ++v) targets.push_back(v);
    for (int v = n; v < node; ++v) targets.push_back(v);
    for (int v : targets) {
        const TCompactTree saved = t;
        const int p = t.Parent[static_cast<size_t>(v)];
        t.Child[static_cast<size_t>(node)] = {v, k};
        t.Parent[static_cast<size_t>(k)] = node;
        t.Parent[static_cast<size_t>(node)] = p;
        if (p < 0)
            t.Root = node;
        else
            (t.Child[static_cast<size_t>(p)][0] == v ? t.Child[static_cast<size_t>(p)][0]
                                                     : t.Child[static_cast<size_t>(p)][1]) = node;
        t.Parent[static_cast<size_t>(v)] = node;
        Insert(t, k + 1, n, visit);
        t = saved;
    }
}
}  // namespace rooted_trees_detail

inline void ForEachRootedTree(int n, const std::function<void(const TCompactTree&)>& visit)
{
    TCompactTree t;
    t.Reset(n);
    t.Root = n;
    t.Child[static_cast<size_t>(n)] = {0, 1};
    t.Parent[0] = t.Parent[1] = n;
    rooted_trees_detail::Insert(t, 2, n, visit);
}
