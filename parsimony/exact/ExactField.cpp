#include "parsimony/exact/ExactField.h"

#include <algorithm>
#include <bit>
#include <numeric>

#include "parsimony/length/PackedKernels.h"

namespace {
inline bool TestBit(const std::uint64_t* words, int bit)
{
    return (words[bit >> 6] >> (bit & 63)) & 1U;
}
inline void SetBit(std::uint64_t* words, int bit)
{
    words[bit >> 6] |= std::uint64_t{1} << (bit & 63);
}
}  // namespace

TExactField::TExactField(const TPackedField& packed, bool missingData)
    : ObjectCount(packed.ObjectCount())
{
    const int n = ObjectCount;
    const std::uint64_t everyone = n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    std::vector<std::uint64_t> holders, data;
    for (int b = 0; b < 64 * packed.Words(); ++b) {
        std::uint64_t x = 0, d = 0;
        for (int o = 1; o <= n; ++o) {
            if (TestBit(packed.States(o), b)) x |= std::uint64_t{1} << (o - 1);
            if (TestBit(packed.Mask(o), b)) d |= std::uint64_t{1} << (o - 1);
        }
        if (!missingData) d = everyone;
        if (x == 0 || (d & ~x) == 0) continue;  // never a step
        if (std::popcount(x) == 1) {            // one step on every tree
            ++ConstantSteps;
            continue;
        }
        holders.push_back(x);
        data.push_back(d);
    }
    BitCount = static_cast<int>(holders.size());
    WordCount = std::max(1, (BitCount + 63) / 64);
    S.assign(Index(n + 1), 0);
    M.assign(Index(n + 1), 0);
    for (int b = 0; b < BitCount; ++b)
        for (int o = 1; o <= n; ++o) {
            if ((holders[static_cast<size_t>(b)] >> (o - 1)) & 1U) SetBit(&S[Index(o)], b);
            if ((data[static_cast<size_t>(b)] >> (o - 1)) & 1U) SetBit(&M[Index(o)], b);
        }
    HolderSets = std::move(holders);
    DataSets = std::move(data);
}

bool IncompatibleBits(const TExactField& field, int a, int b)
{
    const std::uint64_t xa = field.Holders(a), xb = field.Holders(b);
    return (xa & xb) != 0 && (xa & field.WithData(b) & ~xb) != 0 &&
           (xb & field.WithData(a) & ~xa) != 0;
}

TGroupBound::TGroupBound(const TExactField& field, bool useGroups) : W(field.Words())
{
    const int bits = field.Bits();
    Used.assign(static_cast<size_t>(W), 0);
    None.assign(static_cast<size_t>(W), 0);
    for (int b = 0; b < bits; ++b) SetBit(Used.data(), b);
    if (!useGroups || bits < 2) return;
    // Greedy cover of the incompatibility graph by cliques, the most
    // conflicting bits first: each clique of k bits is worth k-1 steps.
    std::vector<std::vector<char>> conflict(static_cast<size_t>(bits),
                                            std::vector<char>(static_cast<size_t>(bits), 0));
    std::vector<int> degree(static_cast<size_t>(bits), 0);
    for (int a = 0; a < bits; ++a)
        for (int b = a + 1; b < bits; ++b)
            if (IncompatibleBits(field, a, b)) {
                conflict[static_cast<size_t>(a)][static_cast<size_t>(b)] =
                    conflict[static_cast<size_t>(b)][static_cast<size_t>(a)] = 1;
                ++degree[static_cast<size_t>(a)];
                ++degree[static_cast<size_t>(b)];
            }
    std::vector<int> order(static_cast<size_t>(bits));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return degree[static_cast<size_t>(a)] > degree[static_cast<size_t>(b)];
    });
    std::vector<char> taken(static_cast<size_t>(bits), 0);
    for (int start : order) {
        if (taken[static_cast<size_t>(start)]) continue;
        std::vector<int> clique{start};
        for (int c : order) {
            if (taken[static_cast<size_t>(c)] || c == start) continue;
            const bool all = std::all_of(clique.begin(), clique.end(), [&](int k) {
                return conflict[static_cast<size_t>(c)][static_cast<size_t>(k)] != 0;
            });
            if (all) clique.push_back(c);
        }
        if (clique.size() < 2) continue;
        const size_t at = Groups.size();
        Groups.resize(at + static_cast<size_t>(W), 0);
        for (int k : clique) {
            taken[static_cast<size_t>(k)] = 1;
            SetBit(&Groups[at], k);
        }
    }
}

namespace {
VARNO_KERNEL std::int64_t CountMissing(int w, const std::uint64_t* used, const std::uint64_t* ones,
                                       const std::uint64_t* skip)
{
    std::int64_t n = 0;
    for (int i = 0; i < w; ++i) n += std::popcount(used[i] & ~ones[i] & ~skip[i]);
    return n;
}

VARNO_KERNEL std::int64_t CountGroups(int w, const std::uint64_t* groups, size_t words,
                                      const std::uint64_t* twos, const std::uint64_t* skip)
{
    std::int64_t extra = 0;
    for (size_t g = 0; g < words; g += static_cast<size_t>(w)) {
        int low = 0;
        for (int i = 0; i < w; ++i)
            low += std::popcount(groups[g + static_cast<size_t>(i)] & ~twos[i] & ~skip[i]);
        if (low > 1) extra += low - 1;
    }
    return extra;
}
}  // namespace

std::int64_t TGroupBound::Extra(const std::uint64_t* ones, const std::uint64_t* twos,
                                const std::uint64_t* skip) const
{
    if (!skip) skip = None.data();
    return CountMissing(W, Used.data(), ones, skip) +
           CountGroups(W, Groups.data(), Groups.size(), twos, skip);
}

std::int64_t TGroupBound::TreeBound() const
{
    const std::vector<std::uint64_t> none(static_cast<size_t>(W), 0);
    return Extra(none.data(), none.data());
}
