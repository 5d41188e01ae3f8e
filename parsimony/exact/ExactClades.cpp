#include "parsimony/exact/ExactClades.h"

#include <algorithm>

namespace {
// The objects below every vertex.
std::vector<std::uint64_t> ObjectsBelow(const TPartialLinks& t)
{
    std::vector<std::uint64_t> below(static_cast<size_t>(2 * t.N), 0);
    for (int tip = 0; tip < t.M; ++tip) {
        const std::uint64_t bit = std::uint64_t{1} << (t.Objects[static_cast<size_t>(tip)] - 1);
        for (int a = t.Up[static_cast<size_t>(tip)]; a >= 0; a = t.Up[static_cast<size_t>(a)])
            below[static_cast<size_t>(a)] |= bit;
        below[static_cast<size_t>(tip)] = bit;
    }
    return below;
}
}  // namespace

void PartialClades(const TPartialLinks& t, std::vector<std::uint64_t>& out)
{
    const std::vector<std::uint64_t> below = ObjectsBelow(t);
    out.clear();
    for (int j = 0; j < t.M - 1; ++j) out.push_back(below[static_cast<size_t>(t.N + j)]);
    std::sort(out.begin(), out.end());
}

void PartialCladesWith(const TPartialLinks& t, int v, int x, std::vector<std::uint64_t>& out)
{
    std::vector<std::uint64_t> below = ObjectsBelow(t);
    const std::uint64_t bit = std::uint64_t{1} << (x - 1);
    for (int a = t.Up[static_cast<size_t>(v)]; a >= 0; a = t.Up[static_cast<size_t>(a)])
        below[static_cast<size_t>(a)] |= bit;
    out.clear();
    for (int j = 0; j < t.M - 1; ++j) out.push_back(below[static_cast<size_t>(t.N + j)]);
    out.push_back(below[static_cast<size_t>(v)] | bit);
    std::sort(out.begin(), out.end());
}
