#include "parsimony/exact/ExactCriteriaBound.h"

#include <algorithm>
#include <numeric>

namespace {
// Objects (bit o-1) whose cell of the binary character is surely state s.
std::uint64_t SurelyHolding(const TReversibleField& field, int block, int bit, int s)
{
    const TFitchBlock& blk = field.Blocks()[static_cast<size_t>(block)];
    std::uint64_t objects = 0;
    for (int o = 1; o <= field.ObjectCount(); ++o) {
        const std::uint64_t* t = field.Tip(o) + blk.Offset;
        const bool own = (t[s] >> bit) & 1U, other = (t[1 - s] >> bit) & 1U;
        if (own && !other) objects |= std::uint64_t{1} << (o - 1);
    }
    return objects;
}
}  // namespace

bool IncompatibleFitch(const TReversibleField& field, int blockA, int bitA, int blockB, int bitB)
{
    const std::uint64_t a0 = SurelyHolding(field, blockA, bitA, 0);
    const std::uint64_t a1 = SurelyHolding(field, blockA, bitA, 1);
    const std::uint64_t b0 = SurelyHolding(field, blockB, bitB, 0);
    const std::uint64_t b1 = SurelyHolding(field, blockB, bitB, 1);
    return (a0 & b0) && (a0 & b1) && (a1 & b0) && (a1 & b1);
}

TReversibleBounds::TReversibleBounds(const TReversibleField& field, bool groups) : F(&field)
{
    const auto& blocks = field.Blocks();
    const int nb = static_cast<int>(blocks.size());
    const size_t w = static_cast<size_t>(field.Words());
    UsedSlots.assign(static_cast<size_t>(nb), 0);
    for (int k = 0; k < nb; ++k)
        for (int bit = 0; bit < 64; ++bit)
            if (field.CharacterOf(k, bit) != 0)
                UsedSlots[static_cast<size_t>(k)] |= std::uint64_t{1} << bit;
    SingleBits.assign((static_cast<size_t>(field.ObjectCount()) + 1) * std::max<size_t>(w, 1), 0);
    for (int o = 1; o <= field.ObjectCount(); ++o)
        for (int k = 0; k < nb; ++k) {
            const TFitchBlock& blk = blocks[static_cast<size_t>(k)];
            const std::uint64_t* t = field.Tip(o) + blk.Offset;
            std::uint64_t once = 0, twice = 0;
            for (int p = 0; p < blk.Planes; ++p) {
                twice |= once & t[p];
                once |= t[p];
            }
            std::uint64_t* out =
                SingleBits.data() + static_cast<size_t>(o) * w + static_cast<size_t>(blk.Offset);
            for (int p = 0; p < blk.Planes; ++p)
                out[p] = t[p] & ~twice & UsedSlots[static_cast<size_t>(k)];
        }
    if (!groups) return;
    // The binary characters, then a greedy cover of their incompatibility
    // graph by cliques of one weight, the most conflicting first.
    struct TBinarySlot {
        int Block, Bit;
        std::int64_t Weight;
    };
    std::vector<TBinarySlot> binaries;
    for (int k = 0; k < nb; ++k)
        if (blocks[static_cast<size_t>(k)].Planes == 2)
            for (int bit = 0; bit < 64; ++bit)
                if ((UsedSlots[static_cast<size_t>(k)] >> bit) & 1U)
                    binaries.push_back({k, bit, blocks[static_cast<size_t>(k)].Weight});
    const size_t s = binaries.size();
    std::vector<std::vector<char>> conflict(s, std::vector<char>(s, 0));
    std::vector<int> degree(s, 0);
    for (size_t a = 0; a < s; ++a)
        for (size_t b = a + 1; b < s; ++b)
            if (binaries[a].Weight == binaries[b].Weight &&
                IncompatibleFitch(field, binaries[a].Block, binaries[a].Bit, binaries[b].Block,
                                  binaries[b].Bit)) {
                conflict[a][b] = conflict[b][a] = 1;
                ++degree[a];
                ++degree[b];
            }
    std::vector<size_t> order(s);
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return degree[a] > degree[b]; });
    std::vector<char> taken(s, 0);
    for (size_t start : order) {
        if (taken[start]) continue;
        std::vector<size_t> clique{start};
        for (size_t c : order) {
            if (taken[c] || c == start) continue;
            if (std::all_of(clique.begin(), clique.end(), [&](size_t k) { return conflict[c][k]; }))
                clique.push_back(c);
        }
        if (clique.size() < 2) continue;
        TGroup group{binaries[start].Weight, std::vector<std::uint64_t>(static_cast<size_t>(nb), 0)};
        for (size_t k : clique) {
            taken[k] = 1;
            group.Slots[static_cast<size_t>(binaries[k].Block)] |= std::uint64_t{1} << binaries[k].Bit;
        }
        GroupList.push_back(std::move(group));
    }
}

TReversibleBoundScratch::TReversibleBoundScratch(const TReversibleField* field)
{
    const size_t w = field ? static_cast<size_t>(std::max(1, field->Words())) : 1;
    const size_t nb = field ? std::max<size_t>(1, field->Blocks().size()) : 1;
    for (auto* words : {&Union, &Rest, &Place, &Must}) words->assign(w, 0);
    for (auto* words : {&Ones, &Twos, &High, &Taken, &Conflict}) words->assign(nb, 0);
}
