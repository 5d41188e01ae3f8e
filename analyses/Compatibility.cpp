#include "analyses/Compatibility.h"

#include <bit>

namespace {
int ObjectCountOf(const TSField& field) { return field.Names.Count(); }

TInclusion SetOf(const TSPlace& place, int o)
{
    return o >= 1 && o <= place.Inc.Count() ? place.Inc[o] : TInclusion();
}

// The states 0..n, so that a masked popcount equals CountInclusion(s, n).
TInclusion UpTo(int n)
{
    TInclusion mask;
    for (int k = 0; k <= n && k < TInclusion::Capacity; ++k) mask.Include(k);
    return mask;
}
}  // namespace

TShortMatrix StepMatrix(int c, const TSField& field)
{
    const int n = ObjectCountOf(field);
    const TSPlace& place = field.Places[c];
    TShortMatrix s(static_cast<size_t>(n) + 1,
                   std::vector<std::int32_t>(static_cast<size_t>(n) + 1, 0));
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j) {
            const TInclusion a = SetOf(place, i), b = SetOf(place, j);
            const TInclusion inter = a & b, uni = a | b;
            const int d =
                CountInclusion(uni, place.StateCount) - CountInclusion(inter, place.StateCount);
            auto& sij = s[static_cast<size_t>(i)][static_cast<size_t>(j)];
            auto& sji = s[static_cast<size_t>(j)][static_cast<size_t>(i)];
            if (b.IsSubsetOf(a)) {
                sij = d;
                sji = -d;
            } else {
                sij = -d;
                sji = d;
            }
            if (inter.IsEmpty()) sij = sji = 0;
        }
    for (int i = 1; i <= n; ++i) s[static_cast<size_t>(i)][static_cast<size_t>(i)] = 0;
    return s;
}

TDerivations DirectDerivations(int c, const TSField& field)
{
    const int n = ObjectCountOf(field);
    const TSPlace& place = field.Places[c];
    const TInclusion counted = UpTo(place.StateCount);
    TDerivations d;
    d.Words = (n + 1 + 63) / 64;
    d.Bits.assign(static_cast<size_t>(n + 1) * static_cast<size_t>(d.Words), 0);
    auto set = [&](int row, int col) {
        d.Bits[static_cast<size_t>(row) * static_cast<size_t>(d.Words) +
               static_cast<size_t>(col >> 6)] |= std::uint64_t{1} << (col & 63);
    };
    // The same decisions as StepMatrix, keeping only the entries equal to 1.
    for (int i = 1; i <= n; ++i) {
        const TInclusion a = SetOf(place, i);
        if (a.IsEmpty()) continue;
        for (int j = i + 1; j <= n; ++j) {
            const TInclusion b = SetOf(place, j);
            const TInclusion inter = a & b;
            if (inter.IsEmpty()) continue;
            if (((a | b) & counted).Count() - (inter & counted).Count() != 1) continue;
            if (b.IsSubsetOf(a))
                set(i, j);
            else
                set(j, i);
        }
    }
    return d;
}

void CompatibilityMatrix(const TSField& field, TBoolMatrix& result)
{
    const int characters = field.Places.Count();
    const int n = ObjectCountOf(field);
    result.assign(static_cast<size_t>(characters) + 1,
                  std::vector<bool>(static_cast<size_t>(characters) + 1, false));

    // Each character's relation once; a pair then compares bit rows.
    std::vector<TDerivations> relations(static_cast<size_t>(characters) + 1);
    for (int c = 1; c <= characters; ++c)
        relations[static_cast<size_t>(c)] = DirectDerivations(c, field);

    for (int c1 = 1; c1 <= characters; ++c1) {
        const TDerivations& r1 = relations[static_cast<size_t>(c1)];
        for (int c2 = c1 + 1; c2 <= characters; ++c2) {
            const TDerivations& r2 = relations[static_cast<size_t>(c2)];
            bool incompatible = false;
            for (int i = 1; i <= n && !incompatible; ++i) {
                const std::uint64_t* a =
                    &r1.Bits[static_cast<size_t>(i) * static_cast<size_t>(r1.Words)];
                const std::uint64_t* b =
                    &r2.Bits[static_cast<size_t>(i) * static_cast<size_t>(r2.Words)];
                int disagreements = 0;
                for (int w = 0; w < r1.Words; ++w) disagreements += std::popcount(a[w] ^ b[w]);
                incompatible = disagreements > 1;
            }
            if (incompatible)
                result[static_cast<size_t>(c1)][static_cast<size_t>(c2)] =
                    result[static_cast<size_t>(c2)][static_cast<size_t>(c1)] = true;
        }
    }
}
