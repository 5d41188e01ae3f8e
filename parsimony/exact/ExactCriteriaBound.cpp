#include "parsimony/exact/ExactCriteriaBound.h"

#include <algorithm>
#include <numeric>

namespace {
// The one state object o holds for the slot, or -1 for a set or "?".
int SingleState(const TReversibleField& field, int slot, int o)
{
    const TFitchBlock& blk = field.Blocks()[static_cast<size_t>(slot / 64)];
    const int bit = slot % 64;
    const std::uint64_t* t = field.Tip(o) + blk.Offset;
    int state = -1;
    for (int p = 0; p < blk.Planes; ++p)
        if ((t[p] >> bit) & 1U) {
            if (state >= 0) return -1;
            state = p;
        }
    return state;
}

int Find(std::vector<int>& up, int a)
{
    while (up[static_cast<size_t>(a)] != a)
        a = up[static_cast<size_t>(a)] = up[static_cast<size_t>(up[static_cast<size_t>(a)])];
    return a;
}
}  // namespace

bool IncompatibleFitch(const TReversibleField& field, int slotA, int slotB)
{
    // Partition intersection graph: states of a and of b, an edge for each
    // pair an object shows; compatible exactly when it has no cycle.
    const int planesA = field.Blocks()[static_cast<size_t>(slotA / 64)].Planes;
    const int planesB = field.Blocks()[static_cast<size_t>(slotB / 64)].Planes;
    std::vector<int> up(static_cast<size_t>(planesA + planesB));
    std::iota(up.begin(), up.end(), 0);
    std::vector<char> seen(static_cast<size_t>(planesA * planesB), 0);
    for (int o = 1; o <= field.ObjectCount(); ++o) {
        const int a = SingleState(field, slotA, o), b = SingleState(field, slotB, o);
        if (a < 0 || b < 0 || seen[static_cast<size_t>(a * planesB + b)]) continue;
        seen[static_cast<size_t>(a * planesB + b)] = 1;
        const int ra = Find(up, a), rb = Find(up, planesA + b);
        if (ra == rb) return true;
        up[static_cast<size_t>(ra)] = rb;
    }
    return false;
}

TReversibleBounds::TReversibleBounds(const TReversibleField& field, bool groups) : F(&field)
{
    const auto& blocks = field.Blocks();
    const int nb = static_cast<int>(blocks.size());
    const size_t w = static_cast<size_t>(field.Words());
    UsedSlots.assign(static_cast<size_t>(nb), 0);
    Minimums.assign(static_cast<size_t>(nb) * 64, 0);
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
    std::vector<int> used;  // slots in use with two or more states held alone
    for (int k = 0; k < nb; ++k) {
        const TFitchBlock& blk = blocks[static_cast<size_t>(k)];
        for (int bit = 0; bit < 64; ++bit) {
            if (!((UsedSlots[static_cast<size_t>(k)] >> bit) & 1U)) continue;
            int states = 0;
            for (int p = 0; p < blk.Planes; ++p) {
                bool alone = false;
                for (int o = 1; o <= field.ObjectCount() && !alone; ++o)
                    alone = (Singles(o)[blk.Offset + p] >> bit) & 1U;
                states += alone;
            }
            Minimums[static_cast<size_t>(k * 64 + bit)] = std::max(1, states - 1);
            if (states >= 2) used.push_back(k * 64 + bit);
        }
    }
    if (!groups) return;
    // A greedy cover of the incompatibility graph by cliques of one weight,
    // the most conflicting characters first.
    auto weight = [&](int slot) { return blocks[static_cast<size_t>(slot / 64)].Weight; };
    const size_t s = used.size();
    std::vector<std::vector<char>> conflict(s, std::vector<char>(s, 0));
    std::vector<int> degree(s, 0);
    for (size_t a = 0; a < s; ++a)
        for (size_t b = a + 1; b < s; ++b)
            if (weight(used[a]) == weight(used[b]) && IncompatibleFitch(field, used[a], used[b])) {
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
        TGroup group{weight(used[start]), {}};
        for (size_t k : clique) {
            taken[k] = 1;
            group.Slots.push_back(used[k]);
        }
        GroupList.push_back(std::move(group));
    }
}

TReversibleBoundScratch::TReversibleBoundScratch(const TReversibleField* field)
{
    const size_t w = field ? static_cast<size_t>(std::max(1, field->Words())) : 1;
    const size_t nb = field ? std::max<size_t>(1, field->Blocks().size()) : 1;
    for (auto* words : {&Union, &Rest}) words->assign(w, 0);
    for (auto* words : {&Place, &Must, &Need, &Taken, &Conflict}) words->assign(nb, 0);
    Steps.assign(nb * 64, 0);
    Fresh.assign(nb * 64, 0);
    Low.assign(nb * 64, 0);
}
