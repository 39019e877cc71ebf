// Small numeric and combinatorial routines shared by the units: the signed angle under which a
// segment is seen, a stable index sort, point shift and turn, and the helpers of the cofactor
// determinant.
#pragma once

#include "Arrays.h"

#include <cstdint>
#include <span>

namespace Algemeen {

// Signed angle (radians, in (-pi, pi)) from the direction of P to the direction of Q seen from
// the origin; 0 when the line through P and Q passes closer than one unit to the origin, and for
// every degenerate input.
double SubtendedAngle(RealPoint P, RealPoint Q);

// Indices 1..N ordered by ascending value, equal values in index order (element 0 of both the
// values and the result is unused; the result has N+1 elements). O(N log N). NaN values sort
// after every number, in index order.
integers RankOrder(std::span<const double> values);
integers RankOrder(const kolom& values);

// (P.X + k*D.X, P.Y + k*D.Y).
inline RealPoint OffsetPoint(RealPoint P, RealPoint D, std::int32_t k)
{
    return {P.X + k * D.X, P.Y + k * D.Y};
}
// Complex product of P with U (k = +1) or with U's conjugate (k = -1).
inline RealPoint TurnPoint(RealPoint P, RealPoint U, std::int32_t k)
{
    return {U.X * P.X - k * U.Y * P.Y, k * U.Y * P.X + U.X * P.Y};
}

// +1 for even k, -1 for odd k.
std::int32_t ParitySign(std::int32_t k);
// Next permutation in lexicographic order; sign follows the parity. Throws std::out_of_range when
// called on the last (descending) permutation.
void NextPermutation(integers& perm, std::int32_t& sign);

// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double value);

} // namespace Algemeen
