#pragma once
// The word loops of the fast scoring. Each file that includes this gets its
// own copies; they are small.
#include <bit>
#include <cstdint>

#include "parsimony/length/KernelTarget.h"

namespace {

using u64 = std::uint64_t;

// A node's sets from its two children; returns the steps on both child branches.
[[maybe_unused]] VARNO_KERNEL std::int64_t CombineNode(bool missing, int w, const u64* s1,
                                                       const u64* m1, const u64* s2, const u64* m2,
                                                       u64* s, u64* m)
{
    std::int64_t k = 0;
    if (missing) {
        // A child without data for a character does not take part.
        for (int i = 0; i < w; ++i) {
            const u64 sw = (s1[i] | ~m1[i]) & (s2[i] | ~m2[i]) & (m1[i] | m2[i]);
            s[i] = sw;
            m[i] = m1[i] | m2[i];
            k += std::popcount(s1[i] & ~sw) + std::popcount(s2[i] & ~sw);
        }
    } else {
        for (int i = 0; i < w; ++i) {
            const u64 sw = s1[i] & s2[i];
            s[i] = sw;
            k += std::popcount(s1[i] & ~sw) + std::popcount(s2[i] & ~sw);
        }
    }
    return k;
}

// A vertex's set once object x lies below it too.
[[maybe_unused]] VARNO_KERNEL void AddedSet(bool missing, int w, const u64* s, const u64* m,
                                            const u64* sx, const u64* mx, u64* out)
{
    if (missing) {
        for (int i = 0; i < w; ++i) out[i] = (s[i] | ~m[i]) & (sx[i] | ~mx[i]) & (m[i] | mx[i]);
    } else {
        for (int i = 0; i < w; ++i) out[i] = s[i] & sx[i];
    }
}

// Steps on a node's two child branches once x joins below child 1 or child 2.
[[maybe_unused]] VARNO_KERNEL void ViaCounts(int w, const u64* pa, const u64* s1, const u64* s2,
                                             const u64* p1, const u64* p2, std::int64_t* via1,
                                             std::int64_t* via2)
{
    std::int64_t a = 0, b = 0;
    for (int i = 0; i < w; ++i) {
        a += std::popcount(p1[i] & ~pa[i]) + std::popcount(s2[i] & ~pa[i]);
        b += std::popcount(s1[i] & ~pa[i]) + std::popcount(p2[i] & ~pa[i]);
    }
    *via1 = a;
    *via2 = b;
}

// Steps on the two branches below a new node with sets p above X (s) and x (sx).
[[maybe_unused]] VARNO_KERNEL std::int64_t NewNodeSteps(int w, const u64* s, const u64* p,
                                                        const u64* sx)
{
    std::int64_t n = 0;
    for (int i = 0; i < w; ++i) n += std::popcount(s[i] & ~p[i]) + std::popcount(sx[i] & ~p[i]);
    return n;
}

[[maybe_unused]] VARNO_KERNEL std::int64_t BranchSteps(int w, const u64* s, const u64* p)
{
    std::int64_t n = 0;
    for (int i = 0; i < w; ++i) n += std::popcount(s[i] & ~p[i]);
    return n;
}
}  // namespace
