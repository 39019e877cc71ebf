#include "Helpers.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace Algemeen {

double SubtendedAngle(RealPoint P, RealPoint Q)
{
    const double cross = P.X * Q.Y - Q.X * P.Y;
    const double dist = std::sqrt((Q.X - P.X) * (Q.X - P.X) + (Q.Y - P.Y) * (Q.Y - P.Y));
    if (dist * 1.0 > std::fabs(cross))
        return 0.0;
    const double lenP = std::sqrt(P.X * P.X + P.Y * P.Y);
    const double lenQ = std::sqrt(Q.X * Q.X + Q.Y * Q.Y);
    if (lenP == 0.0 || lenQ == 0.0)
        return 0.0;
    const RealPoint u{P.X / lenP, P.Y / lenP};
    const RealPoint v{Q.X / lenQ, Q.Y / lenQ};
    const RealPoint s{u.X + v.X, u.Y + v.Y};
    const double num = u.X * s.Y - s.X * u.Y;
    const double den = u.X * s.X + u.Y * s.Y;
    return 2.0 * std::atan(num / den);
}

integers RankOrder(std::span<const double> values)
{
    if (values.empty())
        return integers{};
    const auto n = static_cast<std::ptrdiff_t>(values.size()) - 1;
    // Pairwise counting (a wins over b < a when values[a] >= values[b]) is exactly a stable
    // ascending sort; a stable sort gives the same order in O(N log N).
    std::vector<std::int32_t> idx(static_cast<std::size_t>(n));
    std::iota(idx.begin(), idx.end(), 1);
    std::stable_sort(idx.begin(), idx.end(), [&](std::int32_t a, std::int32_t b) {
        const double va = values[static_cast<std::size_t>(a)];
        const double vb = values[static_cast<std::size_t>(b)];
        if (std::isnan(va) || std::isnan(vb))
            return !std::isnan(va) && std::isnan(vb);
        return va < vb;
    });
    integers order(n + 1);
    for (std::ptrdiff_t i = 0; i < n; ++i)
        order[i + 1] = idx[static_cast<std::size_t>(i)];
    return order;
}

integers RankOrder(const kolom& values)
{
    return RankOrder(std::span<const double>(values.Items()));
}

std::int32_t ParitySign(std::int32_t k)
{
    return (k % 2 == 0) ? 1 : -1;
}

void NextPermutation(integers& perm, std::int32_t& sign)
{
    const std::ptrdiff_t last = perm.Length() - 1;
    std::ptrdiff_t i = last;
    while (perm[i - 1] >= perm[i])
        --i;
    const std::ptrdiff_t p = i - 1;
    std::ptrdiff_t j = last;
    while (perm[j] <= perm[p])
        --j;
    std::swap(perm[p], perm[j]);
    sign = -sign;
    for (std::ptrdiff_t lo = p + 1, hi = last; hi > lo; ++lo, --hi) {
        std::swap(perm[lo], perm[hi]);
        sign = -sign;
    }
}

double RoundHalfEven(double value)
{
    return std::nearbyint(value);
}

} // namespace Algemeen
