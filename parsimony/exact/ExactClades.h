#pragma once
// The clades of a partial tree of the exact search as object bit sets, for
// both kinds of partial tree: tip t (0..m-1) holds object objects[t], inner
// vertex n + j (j = 0..m-2) is the j-th node, up[v] is v's parent (-1: the
// root).
//
//   PartialClades({N, M, Objects, Up}, clades);              // sorted
//   PartialCladesWith({N, M, Objects, Up}, v, x, clades);    // x joined above v
#include <cstdint>
#include <vector>

struct TPartialLinks {
    int N = 0, M = 0;
    const std::vector<int>& Objects;
    const std::vector<int>& Up;
};

// Every inner vertex's objects, sorted.
void PartialClades(const TPartialLinks& tree, std::vector<std::uint64_t>& out);
// The same once object x is joined on the branch above v.
void PartialCladesWith(const TPartialLinks& tree, int v, int x, std::vector<std::uint64_t>& out);
