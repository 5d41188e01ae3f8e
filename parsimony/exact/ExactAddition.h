#pragma once
// Addition orders and Wagner trees on either kind of partial tree of the
// exact search (TPartialTree, TCriteriaPartialTree): anything with Start,
// Length, ScorePlaces, Places, Delta, Insert and Clades.
//
//   TPartialTree tree(field);
//   std::vector<int> order = FurthestOrderOn(tree, n, 0);       // rooted
//   std::vector<std::uint64_t> clades = WagnerCladesOn(tree, order);
#include <cstdint>
#include <limits>
#include <vector>

// The first of the cheapest places of the object last scored.
template <class Tree>
int CheapestPlace(const Tree& tree)
{
    int at = tree.Places().front();
    for (int v : tree.Places())
        if (tree.Delta(v) < tree.Delta(at)) at = v;
    return at;
}

// Furthest addition: start from the two objects farthest apart (one of them
// the outgroup, when given: 1..n, 0 for none), then always add the object
// whose cheapest place costs the most. Raises the partial lengths early, so
// the branch and bound prunes near the root.
template <class Tree>
std::vector<int> FurthestOrderOn(Tree& tree, int n, int outgroup)
{
    std::vector<int> order;
    if (n < 2) return order;
    int bestA = outgroup > 0 ? outgroup : 1, bestB = bestA == 1 ? 2 : 1;
    std::int64_t widest = -1;
    for (int a = 1; a <= n; ++a)
        for (int b = 1; b <= n; ++b) {
            if (a == b || (outgroup > 0 ? a != outgroup : b < a)) continue;
            tree.Start(a, b);
            if (tree.Length() > widest) {
                widest = tree.Length();
                bestA = a;
                bestB = b;
            }
        }
    tree.Start(bestA, bestB);
    order = {bestA, bestB};
    std::vector<char> placed(static_cast<size_t>(n) + 1, 0);
    placed[static_cast<size_t>(bestA)] = placed[static_cast<size_t>(bestB)] = 1;
    while (static_cast<int>(order.size()) < n) {
        int pick = 0, pickPlace = -1, pickNear = 0;
        std::int64_t pickCost = -1;
        for (int x = 1; x <= n; ++x) {
            if (placed[static_cast<size_t>(x)]) continue;
            tree.ScorePlaces(x);
            const int at = CheapestPlace(tree);
            const std::int64_t cheapest = tree.Delta(at);
            // Ties go to the object with the fewest places near its cheapest:
            // fewer partial trees survive.
            int near = 0;
            for (int v : tree.Places()) near += tree.Delta(v) <= cheapest + 1;
            if (cheapest > pickCost || (cheapest == pickCost && near < pickNear)) {
                pickCost = cheapest;
                pick = x;
                pickPlace = at;
                pickNear = near;
            }
        }
        tree.Insert(pickPlace, pick);
        placed[static_cast<size_t>(pick)] = 1;
        order.push_back(pick);
    }
    return order;
}

// A Wagner tree along the order (each object at its first cheapest place),
// as sorted clades.
template <class Tree>
std::vector<std::uint64_t> WagnerCladesOn(Tree& tree, const std::vector<int>& order)
{
    tree.Start(order[0], order[1]);
    for (size_t k = 2; k < order.size(); ++k) {
        tree.ScorePlaces(order[k]);
        tree.Insert(CheapestPlace(tree), order[k]);
    }
    std::vector<std::uint64_t> clades;
    tree.Clades(clades);
    return clades;
}
