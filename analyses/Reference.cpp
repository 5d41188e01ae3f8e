#include "analyses/Reference.h"

#include <cmath>
#include <limits>

#include "analyses/Characters.h"
#include "analyses/Compatibility.h"
#include "analyses/DistanceMatrix.h"

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
int Objects(const TSField& f) { return f.Names.Count(); }
int Characters(const TSField& f) { return f.Places.Count(); }
const TSPlace& P(const TSField& f, int c) { return f.Places[c]; }
TInclusion Inc(const TSField& f, int c, int o)
{
    const TSPlace& p = P(f, c);
    return o >= 1 && o <= p.Inc.Count() ? p.Inc[o] : TInclusion();
}
double& At(TDynRealMatrix& m, int i, int j)
{
    return m[static_cast<size_t>(i)][static_cast<size_t>(j)];
}
}  // namespace

void LiteralJaccardDistanceMatrix(const TSField& f, TDynRealMatrix& result)
{
    const int n = Objects(f), m = Characters(f);
    result = ZeroMatrix(n);
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j) {
            int usable = m;
            double sum = 0;
            for (int k = 1; k <= m; ++k) {
                const TInclusion a = Inc(f, k, i), b = Inc(f, k, j);
                if (a.IsEmpty() || b.IsEmpty()) {
                    --usable;
                    continue;
                }
                const int u = CountInclusion(a | b, P(f, k).StateCount);
                const int in = CountInclusion(a & b, P(f, k).StateCount);
                sum = sum + 1 - static_cast<double>(in) / static_cast<double>(u);
            }
            At(result, i, j) = sum / usable;
            At(result, j, i) = At(result, i, j);
        }
}

void LiteralStepDistanceMatrix(const TSField& f, TDynRealMatrix& result)
{
    const int n = Objects(f), m = Characters(f);
    result = ZeroMatrix(n);
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j) {
            int usable = m;
            double sum = 0;
            for (int k = 1; k <= m; ++k) {
                const TInclusion a = Inc(f, k, i), b = Inc(f, k, j);
                const TInclusion in = a & b;
                if (in.IsEmpty()) {
                    --usable;
                    continue;
                }
                sum = sum + CountInclusion(a | b, P(f, k).StateCount) -
                      CountInclusion(in, P(f, k).StateCount);
            }
            At(result, i, j) = sum / usable;
            At(result, j, i) = At(result, i, j);
        }
}

void LiteralCramerMatrix(const TSField& f, TDynRealMatrix& result)
{
    const int m = Characters(f);
    result = ZeroMatrix(m);
    TCharacters t;
    for (int c1 = 1; c1 <= m; ++c1)
        for (int c2 = c1 + 1; c2 <= m; ++c2) {
            const int q = std::min(RealStateCount(P(f, c1)), RealStateCount(P(f, c2))) - 1;
            t.BuildContingency(f, c1, c2, Objects(f));
            t.BuildExpected(f, c1, c2);
            const double chi = t.ChiSquare(f, c1, c2);
            double v = NaN;
            if (q > 0 && t.TotalCount != 0)
                v = std::sqrt(chi /
                              static_cast<double>(static_cast<std::int64_t>(t.TotalCount) * q));
            At(result, c1, c2) = v;
            At(result, c2, c1) = v;
        }
    for (int c = 1; c <= m; ++c) At(result, c, c) = 1;
}

void LiteralCombinationMatrix(const TSField& f, TDynRealMatrix& result)
{
    const int m = Characters(f);
    result = ZeroMatrix(m);
    TCharacters t;
    const auto ratio = [](int a, int b) { return b == 0 ? NaN : static_cast<double>(a) / b; };
    for (int c1 = 1; c1 <= m; ++c1)
        for (int c2 = c1 + 1; c2 <= m; ++c2) {
            t.BuildContingency(f, c1, c2, Objects(f));
            const int r = RealStateCount(P(f, c1)), s = RealStateCount(P(f, c2));
            At(result, c1, c2) = ratio(t.CountCombinations(c1, c2), r * s);
            At(result, c2, c1) = At(result, c1, c2);
            At(result, c1, c1) = ratio(1, r);
            At(result, c2, c2) = ratio(1, s);
        }
}

void LiteralCompatibilityMatrix(const TSField& f, TBoolMatrix& result)
{
    const int n = Objects(f), m = Characters(f);
    result.assign(static_cast<size_t>(m) + 1, std::vector<bool>(static_cast<size_t>(m) + 1, false));
    for (int c1 = 1; c1 <= m; ++c1)
        for (int c2 = c1 + 1; c2 <= m; ++c2) {
            const TShortMatrix s1 = StepMatrix(c1, f), s2 = StepMatrix(c2, f);
            for (int i = 1; i <= n; ++i) {
                int count = 0;
                for (int j = 1; j <= n; ++j)
                    if ((s1[static_cast<size_t>(i)][static_cast<size_t>(j)] == 1) !=
                        (s2[static_cast<size_t>(i)][static_cast<size_t>(j)] == 1))
                        ++count;
                if (count > 1) {
                    result[static_cast<size_t>(c1)][static_cast<size_t>(c2)] = true;
                    result[static_cast<size_t>(c2)][static_cast<size_t>(c1)] = true;
                }
            }
        }
}
