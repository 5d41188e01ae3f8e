#pragma once
// The trees of the thorough search: rooted binary trees over any number of
// objects, stored as parent and child arrays of int vertex ids. Object o
// (1-based) is tip vertex o - 1; inner vertices are Tips .. 2 * Tips - 2.
//
//   TCompactTree t = CompactFromTree(tree);          // from a search tree
//   std::string key = CanonicalKey(t);               // equal keys = same clades
//   QString line = WriteCompactNewick(t, names, &fits);
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Result.h"
#include "parsimony/length/MakeTree.h"
#include "parsimony/treefiles/Newick.h"

struct TCompactTree {
    int Tips = 0;
    int Root = -1;
    std::vector<int> Parent;                // per vertex, -1 for the root
    std::vector<std::array<int, 2>> Child;  // per vertex, {-1, -1} for tips

    int Vertices() const { return Tips > 0 ? 2 * Tips - 1 : 0; }
    bool IsTip(int v) const { return v < Tips; }
    int Sibling(int v) const
    {
        const auto& c = Child[static_cast<size_t>(Parent[static_cast<size_t>(v)])];
        return c[0] == v ? c[1] : c[0];
    }
    void Reset(int tips);  // no links yet
};

// True when the links form one rooted binary tree over all tips.
bool IsValidCompactTree(const TCompactTree& tree);

// Conversions to and from the trees of the evolutionary search (up to 255
// objects; tip i of the TTree holds object i).
TCompactTree CompactFromTree(const TTree& tree);
TTree TreeFromCompact(const TCompactTree& tree);

// A text that is the same for two trees exactly when they have the same
// clades: children ordered by their smallest object.
std::string CanonicalKey(const TCompactTree& tree);

// The vertices in postorder (children before parents), without recursion.
std::vector<int> PostOrder(const TCompactTree& tree);

// A key of the objects below every vertex (a sum of random object keys: equal
// keys and sizes mean the same objects, but for a chance of about 2^-64) and
// their count; order: the vertices in postorder (PostOrder).
struct TClades {
    std::vector<std::uint64_t> Key;
    std::vector<int> Size;
};
TClades Clades(const TCompactTree& tree, const std::vector<int>& order);

// Rooted Newick with names[object] (quoted as WriteNewick does); branch
// lengths fits[vertex] when given (none for the root).
QString WriteCompactNewick(const TCompactTree& tree, const std::vector<QString>& names,
                           const std::vector<std::int64_t>* fits = nullptr);

// A rooted binary Newick tree whose leaves are the objects names[1..objectCount]
// (names matched as NewickToTree matches them), for any number of objects.
TResult<TCompactTree> CompactFromNewick(const TNewickTree& newick,
                                        const std::vector<QString>& names, int objectCount);
