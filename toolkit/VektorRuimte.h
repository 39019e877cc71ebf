// Small dense linear algebra for the grid fit: a cofactor by the Leibniz formula and the direct
// inverse of a matrix as its adjugate divided by its determinant, with the matrix-vector product.
// Matrices and vectors are used 1-based (row 0, column 0 and element 0 present but unused).
// Bad input is reported on the console and through the result; nothing here throws except an
// access outside an array that is too small for the dimension (std::out_of_range).
#pragma once

#include "Arrays.h"
#include "Seams.h"

#include <cstdint>

namespace Algemeen {

// The cofactor (-1)^(i+j) * det(M without row i and column j) of the n x n matrix M[1..n][1..n],
// summed over all (n-1)! permutations in lexicographic order. Entries beyond M's own size count as
// 0; M is not changed. For n outside 1..8 writes "subdet: input Error" to `messages` (null: the
// line is dropped) and returns 0.
double subdet(std::int32_t i, std::int32_t j, std::int32_t n, const matrix& M, Console* messages = nullptr);

// Inverse and product for matrices of one fixed dimension.
class VektorRuimte
{
public:
    std::int32_t Dimension = 0;
    // Where the messages of DirekteInverse go; null: they are dropped.
    Console* Messages = nullptr;

    void SetDimension(std::int32_t n) { Dimension = n; }

    // Replaces M by its inverse (the adjugate of cofactors divided by the determinant, no pivoting)
    // and returns true. Returns false with M unchanged after writing "DirekteInverse: wrong input"
    // (Dimension < 1) or "DirekteInverse: singular matrix" (determinant exactly 0, or not finite
    // because M holds an infinity or NaN). A tiny non-zero determinant is not refused.
    bool DirekteInverse(matrix& M) const;

    // r := M * v for indices 1..Dimension, summed in index order; r[0] is 0.
    void MultiplyVector(const matrix& M, const kolom& v, kolom& r) const;
};

} // namespace Algemeen
