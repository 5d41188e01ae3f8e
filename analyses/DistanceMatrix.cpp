#include "analyses/DistanceMatrix.h"

#include <bit>
#include <cmath>
#include <limits>

// The builders keep every member below StateCount, so a popcount equals
// CountInclusion(s, StateCount).
// Each character's sets are coded once into a compact table, one row per
// object, so that a pair of objects is two streams of words. Characters with
// at most 64 states need one word; wider ones keep their full sets.
namespace {
struct TPackedField {
    int Objects = 0;
    int Characters = 0;
    std::vector<std::uint64_t> Narrow;  // [o * Characters + (c - 1)], word 0 of the set
    std::vector<unsigned char> Wide;    // per character c - 1: needs all four words
    const TSField* Field = nullptr;

    explicit TPackedField(const TSField& field)
        : Objects(field.Names.Count()), Characters(field.Places.Count()), Field(&field)
    {
        if (Objects < 0) Objects = 0;
        if (Characters < 0) Characters = 0;
        Narrow.assign(static_cast<size_t>(Objects + 1) * static_cast<size_t>(Characters), 0);
        Wide.assign(static_cast<size_t>(Characters), 0);
        for (int c = 1; c <= Characters; ++c) {
            const TSPlace& place = field.Places[c];
            bool wide = false;
            for (int o = 1; o <= Objects; ++o) {
                const TInclusion s = SetOf(place, o);
                Narrow[Index(o, c)] = s.Word(0);
                if (s.Word(1) | s.Word(2) | s.Word(3)) wide = true;
            }
            Wide[static_cast<size_t>(c - 1)] = wide;
        }
    }
    size_t Index(int o, int c) const
    {
        return static_cast<size_t>(o) * static_cast<size_t>(Characters) +
               static_cast<size_t>(c - 1);
    }
    static TInclusion SetOf(const TSPlace& place, int o)
    {
        return o >= 1 && o <= place.Inc.Count() ? place.Inc[o] : TInclusion();
    }
    TInclusion Full(int o, int c) const { return SetOf(Field->Places[static_cast<size_t>(c)], o); }
};

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

template <typename PairValue>
void FillPairs(const TPackedField& packed, TDynRealMatrix& result, PairValue value)
{
    result = ZeroMatrix(packed.Objects);
    for (int i = 1; i <= packed.Objects; ++i)
        for (int j = i + 1; j <= packed.Objects; ++j) {
            const double v = value(i, j);
            result[static_cast<size_t>(i)][static_cast<size_t>(j)] = v;
            result[static_cast<size_t>(j)][static_cast<size_t>(i)] = v;
        }
}
}  // namespace

TDynRealMatrix ZeroMatrix(int n)
{
    const size_t size = static_cast<size_t>(std::max(n, 0)) + 1;
    return TDynRealMatrix(size, std::vector<double>(size, 0.0));
}

void JaccardDistanceMatrix(const TSField& field, TDynRealMatrix& result)
{
    const TPackedField packed(field);
    const int characters = packed.Characters;
    // |I| / |U| for one-word sets, divided once here: the same quotients.
    std::vector<double> quotient(65 * 65, 0.0);
    for (int u = 1; u <= 64; ++u)
        for (int in = 0; in <= u; ++in)
            quotient[static_cast<size_t>(u * 65 + in)] =
                static_cast<double>(in) / static_cast<double>(u);
    FillPairs(packed, result, [&](int i, int j) {
        const std::uint64_t* a = &packed.Narrow[packed.Index(i, 1)];
        const std::uint64_t* b = &packed.Narrow[packed.Index(j, 1)];
        int usable = characters;
        double sum = 0;
        // Characters in order: the sum is rounded the same way as one
        // computed character by character.
        for (int k = 0; k < characters; ++k) {
            if (!packed.Wide[static_cast<size_t>(k)]) {
                if (a[k] == 0 || b[k] == 0) {
                    --usable;
                    continue;
                }
                const int inter = std::popcount(a[k] & b[k]);
                const int uni = std::popcount(a[k] | b[k]);
                sum = sum + 1 - quotient[static_cast<size_t>(uni * 65 + inter)];
            } else {
                const TInclusion A = packed.Full(i, k + 1), B = packed.Full(j, k + 1);
                if (A.IsEmpty() || B.IsEmpty()) {
                    --usable;
                    continue;
                }
                sum = sum + 1 -
                      static_cast<double>((A & B).Count()) / static_cast<double>((A | B).Count());
            }
        }
        return usable == 0 ? NaN : sum / usable;
    });
}

void StepDistanceMatrix(const TSField& field, TDynRealMatrix& result)
{
    const TPackedField packed(field);
    const int characters = packed.Characters;
    FillPairs(packed, result, [&](int i, int j) {
        const std::uint64_t* a = &packed.Narrow[packed.Index(i, 1)];
        const std::uint64_t* b = &packed.Narrow[packed.Index(j, 1)];
        int usable = characters;
        // Whole steps: an integer sum equals the sum of doubles exactly.
        std::int64_t sum = 0;
        for (int k = 0; k < characters; ++k) {
            if (!packed.Wide[static_cast<size_t>(k)]) {
                const std::uint64_t inter = a[k] & b[k];
                if (inter == 0) {
                    --usable;
                    continue;
                }
                sum += std::popcount(a[k] ^ b[k]);
            } else {
                const TInclusion A = packed.Full(i, k + 1), B = packed.Full(j, k + 1);
                if ((A & B).IsEmpty()) {
                    --usable;
                    continue;
                }
                sum += (A ^ B).Count();
            }
        }
        return usable == 0 ? NaN : static_cast<double>(sum) / usable;
    });
}
