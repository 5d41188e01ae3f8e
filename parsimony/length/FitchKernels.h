#pragma once
// The word loops of the reversible scoring, on the bit planes of
// TReversibleField: per block of 64 Fitch characters, plane p holds state p.
// Each file that includes this gets its own copies; they are small.
#include <bit>
#include <cstdint>

#include "parsimony/length/KernelTarget.h"
#include "parsimony/length/ReversibleField.h"

namespace {

// Fitch's rule for 64 characters at once: the intersection where the two
// sets meet, otherwise the union and one step. Returns the characters that
// take a step.
inline std::uint64_t FitchBlock(int planes, const std::uint64_t* a, const std::uint64_t* b,
                                std::uint64_t* out)
{
    std::uint64_t meet = 0;
    for (int p = 0; p < planes; ++p) {
        const std::uint64_t t = a[p] & b[p];
        out[p] = t;
        meet |= t;
    }
    const std::uint64_t apart = ~meet;
    if (apart)
        for (int p = 0; p < planes; ++p) out[p] |= apart & (a[p] | b[p]);
    return apart;
}

// A node's sets from its children's; returns the weighted steps.
[[maybe_unused]] VARNO_KERNEL std::int64_t FitchCombine(const TFitchBlock* blocks, int count,
                                                        const std::uint64_t* a,
                                                        const std::uint64_t* b, std::uint64_t* out)
{
    std::int64_t steps = 0;
    for (int k = 0; k < count; ++k) {
        const TFitchBlock& blk = blocks[k];
        const std::uint64_t apart =
            FitchBlock(blk.Planes, a + blk.Offset, b + blk.Offset, out + blk.Offset);
        steps += blk.Weight * std::popcount(apart);
    }
    return steps;
}

// The same, keeping for each block the characters that take a step.
[[maybe_unused]] void FitchCombineChanges(const TFitchBlock* blocks, int count,
                                          const std::uint64_t* a, const std::uint64_t* b,
                                          std::uint64_t* out, std::uint64_t* changed)
{
    for (int k = 0; k < count; ++k) {
        const TFitchBlock& blk = blocks[k];
        changed[k] = FitchBlock(blk.Planes, a + blk.Offset, b + blk.Offset, out + blk.Offset);
    }
}

// Weighted count of the characters where x and e do not meet; stops after a
// block once the count reaches limit.
[[maybe_unused]] VARNO_KERNEL std::int64_t FitchJoin(const TFitchBlock* blocks, int count,
                                                     const std::uint64_t* x, const std::uint64_t* e,
                                                     std::int64_t limit)
{
    std::int64_t steps = 0;
    for (int k = 0; k < count; ++k) {
        const TFitchBlock& blk = blocks[k];
        const std::uint64_t* xs = x + blk.Offset;
        const std::uint64_t* es = e + blk.Offset;
        std::uint64_t meet = 0;
        for (int p = 0; p < blk.Planes; ++p) meet |= xs[p] & es[p];
        steps += blk.Weight * std::popcount(~meet);
        if (steps >= limit) break;
    }
    return steps;
}
}  // namespace
