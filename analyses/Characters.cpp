#include "analyses/Characters.h"

#include <cmath>
#include <limits>

#include "analyses/DistanceMatrix.h"

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

int CharacterCountOf(const TSField& field) { return field.Places.Count(); }
int ObjectCountOf(const TSField& field) { return field.Names.Count(); }

const TSPlace& Place(const TSField& field, int c) { return field.Places[c]; }

TInclusion SetOf(const TSPlace& place, int o)
{
    return o >= 1 && o <= place.Inc.Count() ? place.Inc[o] : TInclusion();
}

// The members of every object's set, listed once per character, so that a
// pair of characters adds its counts without testing every state position.
struct TMemberLists {
    std::vector<std::vector<std::vector<unsigned char>>> Members;  // [c][o] -> states

    TMemberLists(const TSField& field, int characters, int objects)
    {
        Members.resize(static_cast<size_t>(characters) + 1);
        for (int c = 1; c <= characters; ++c) {
            auto& lists = Members[static_cast<size_t>(c)];
            lists.resize(static_cast<size_t>(objects) + 1);
            const TSPlace& place = Place(field, c);
            for (int o = 1; o <= objects; ++o) {
                const TInclusion s = SetOf(place, o);
                for (int w = 0; w < 4; ++w)
                    for (std::uint64_t bits = s.Word(w); bits; bits &= bits - 1) {
                        const int k = w * 64 + std::countr_zero(bits);
                        if (k < place.StateCount)
                            lists[static_cast<size_t>(o)].push_back(static_cast<unsigned char>(k));
                    }
            }
        }
    }
};

void FillContingency(TCharacters& tables, const TSField& field, const TMemberLists& lists, int c1,
                     int c2, int objects)
{
    const int rows = std::max(0, Place(field, c1).StateCount);
    const int cols = std::max(0, Place(field, c2).StateCount);
    tables.Contingency.assign(static_cast<size_t>(rows),
                              std::vector<int>(static_cast<size_t>(cols), 0));
    const auto& m1 = lists.Members[static_cast<size_t>(c1)];
    const auto& m2 = lists.Members[static_cast<size_t>(c2)];
    for (int o = 1; o <= objects; ++o)
        for (unsigned char a : m1[static_cast<size_t>(o)])
            for (unsigned char b : m2[static_cast<size_t>(o)]) ++tables.Contingency[a][b];
}

double CramerValue(TCharacters& tables, const TSField& field, int c1, int c2)
{
    const int r = RealStateCount(Place(field, c1));
    const int s = RealStateCount(Place(field, c2));
    const int q = std::min(r, s) - 1;
    tables.BuildExpected(field, c1, c2);
    const double chi = tables.ChiSquare(field, c1, c2);
    if (q <= 0 || tables.TotalCount == 0) return NaN;
    // 64-bit: a wrapped 32-bit product would give a plainly wrong index.
    const std::int64_t divisor = static_cast<std::int64_t>(tables.TotalCount) * q;
    return std::sqrt(chi / static_cast<double>(divisor));
}

double Ratio(int numerator, int denominator)
{
    if (denominator == 0) return NaN;
    return static_cast<double>(numerator) / static_cast<double>(denominator);
}
}  // namespace

int RealStateCount(const TSPlace& place)
{
    return place.HasMissing ? place.StateCount - 1 : place.StateCount;
}

void TCharacters::BuildContingency(const TSField& field, int c1, int c2, int objectCount)
{
    const TSPlace& p1 = Place(field, c1);
    const TSPlace& p2 = Place(field, c2);
    const int rows = std::max(0, p1.StateCount);
    const int cols = std::max(0, p2.StateCount);
    Contingency.assign(static_cast<size_t>(rows), std::vector<int>(static_cast<size_t>(cols), 0));
    for (int o = 1; o <= objectCount; ++o) {
        const TInclusion s1 = SetOf(p1, o), s2 = SetOf(p2, o);
        for (int a = 0; a < rows; ++a)
            for (int b = 0; b < cols; ++b)
                if (s1.Contains(a) && s2.Contains(b))
                    ++Contingency[static_cast<size_t>(a)][static_cast<size_t>(b)];
    }
}

void TCharacters::BuildExpected(const TSField&, int, int)
{
    const size_t rows = Contingency.size();
    const size_t cols = rows ? Contingency[0].size() : 0;
    std::vector<std::int64_t> rowSum(rows, 0), colSum(cols, 0);
    for (size_t a = 0; a < rows; ++a)
        for (size_t b = 0; b < cols; ++b) {
            rowSum[a] += Contingency[a][b];
            colSum[b] += Contingency[a][b];
        }
    std::int64_t total = 0;
    for (std::int64_t r : rowSum) total += r;
    TotalCount = static_cast<int>(total);
    Expected.assign(rows, std::vector<double>(cols, NaN));
    if (total == 0) return;
    for (size_t a = 0; a < rows; ++a)
        for (size_t b = 0; b < cols; ++b)
            Expected[a][b] =
                static_cast<double>(rowSum[a] * colSum[b]) / static_cast<double>(total);
}

double TCharacters::ChiSquare(const TSField&, int, int) const
{
    double chi = 0;
    for (size_t a = 0; a < Expected.size(); ++a)
        for (size_t b = 0; b < Expected[a].size(); ++b) {
            const double e = Expected[a][b];
            if (std::isnan(e) || e <= 0) continue;
            const double d = Contingency[a][b] - e;
            chi = chi + d * d / e;
        }
    return chi;
}

int TCharacters::CountCombinations(int, int) const
{
    int count = 0;
    for (const auto& row : Contingency)
        for (int v : row)
            if (v != 0) ++count;
    return count;
}

namespace {
// A zero matrix over the characters, then each(tables, c1, c2) for every pair
// c1 < c2 with the pair's contingency table filled.
template <class F>
void ForEachCharacterPair(const TSField& field, TDynRealMatrix& result, F&& each)
{
    const int characters = CharacterCountOf(field);
    const int objects = ObjectCountOf(field);
    const TMemberLists lists(field, characters, objects);
    result = ZeroMatrix(characters);
    TCharacters tables;
    for (int c1 = 1; c1 <= characters; ++c1)
        for (int c2 = c1 + 1; c2 <= characters; ++c2) {
            FillContingency(tables, field, lists, c1, c2, objects);
            each(tables, c1, c2);
        }
}
}  // namespace

void CramerMatrix(const TSField& field, TDynRealMatrix& result)
{
    ForEachCharacterPair(field, result, [&](TCharacters& tables, int c1, int c2) {
        const double v = CramerValue(tables, field, c1, c2);
        result[static_cast<size_t>(c1)][static_cast<size_t>(c2)] = v;
        result[static_cast<size_t>(c2)][static_cast<size_t>(c1)] = v;
    });
    for (int c = 1; c <= CharacterCountOf(field); ++c)
        result[static_cast<size_t>(c)][static_cast<size_t>(c)] = 1;
}

void CombinationMatrix(const TSField& field, TDynRealMatrix& result)
{
    ForEachCharacterPair(field, result, [&](TCharacters& tables, int c1, int c2) {
        const int r = RealStateCount(Place(field, c1));
        const int s = RealStateCount(Place(field, c2));
        const double v = Ratio(tables.CountCombinations(c1, c2), r * s);
        result[static_cast<size_t>(c1)][static_cast<size_t>(c2)] = v;
        result[static_cast<size_t>(c2)][static_cast<size_t>(c1)] = v;
        result[static_cast<size_t>(c1)][static_cast<size_t>(c1)] = Ratio(1, r);
        result[static_cast<size_t>(c2)][static_cast<size_t>(c2)] = Ratio(1, s);
    });
}
