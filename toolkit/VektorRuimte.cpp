#include "VektorRuimte.h"

#include "Helpers.h"
#include "Seams.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Algemeen {

namespace {

// A private (n+1) x (n+1) copy of M; entries that M lacks are 0.
constexpr std::int32_t kLargest = 8;

// The matrix's entries [0..n][0..n] in a fixed square, entries beyond M's own size 0.
struct Padded
{
    double a[kLargest + 1][kLargest + 1] = {};
};

Padded PaddedCopy(const matrix& M, std::int32_t n)
{
    Padded copy;
    const std::ptrdiff_t rows = std::min<std::ptrdiff_t>(M.Length(), n + 1);
    for (std::ptrdiff_t r = 0; r < rows; ++r) {
        const std::ptrdiff_t cols = std::min<std::ptrdiff_t>(M[r].Length(), n + 1);
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            copy.a[r][c] = M[r][c];
    }
    return copy;
}

// The next permutation of perm[0..length) in lexicographic order, sign following its parity:
// the same steps as NextPermutation, on a fixed array.
void NextPermutationOf(std::int32_t* perm, std::int32_t length, std::int32_t& sign)
{
    std::int32_t i = length - 1;
    while (perm[i - 1] >= perm[i])
        --i;
    const std::int32_t p = i - 1;
    std::int32_t j = length - 1;
    while (perm[j] <= perm[p])
        --j;
    std::swap(perm[p], perm[j]);
    sign = -sign;
    for (std::int32_t lo = p + 1, hi = length - 1; hi > lo; ++lo, --hi) {
        std::swap(perm[lo], perm[hi]);
        sign = -sign;
    }
}

} // namespace

double subdet(std::int32_t i, std::int32_t j, std::int32_t n, const matrix& M)
{
    if (n < 1 || n > 8) {
        TheConsole().Line("subdet: input Error");
        return 0.0;
    }
    // A private copy of M and the permutation in fixed arrays: the inverse calls this 36 times a
    // round of the grid fit, so it allocates nothing.
    const Padded copy = PaddedCopy(M, n);
    std::int32_t perm[kLargest] = {};
    for (std::int32_t k = 0; k < n - 1; ++k)
        perm[k] = k + 1;
    std::int32_t sign = 1;
    double sum = 0.0;
    const std::int32_t terms = Factorial(n - 1);
    for (std::int32_t t = 1; t <= terms; ++t) {
        if (t > 1)
            NextPermutationOf(perm, n - 1, sign);
        double prod = sign;
        for (std::int32_t r = 1; r <= n - 1; ++r) {
            // Rows and columns at or beyond the deleted ones move up by one.
            const std::int32_t row = r + BoolToInt(r >= i);
            const std::int32_t col = perm[r - 1] + BoolToInt(perm[r - 1] >= j);
            prod = prod * copy.a[row][col];
        }
        sum = sum + prod;
    }
    return ParitySign(i + j) * sum;
}

bool VektorRuimte::DirekteInverse(matrix& M) const
{
    const std::int32_t n = Dimension;
    if (n < 1) {
        (Messages ? *Messages : TheConsole()).Line("DirekteInverse: wrong input");
        return false;
    }
    matrix inv = MakeMatrix(n);
    for (std::int32_t i = 1; i <= n; ++i)
        for (std::int32_t j = 1; j <= n; ++j)
            inv[i][j] = subdet(j, i, n, M); // the adjugate: transposed cofactors
    double det = 0.0;
    for (std::int32_t i = 1; i <= n; ++i)
        det = det + M[i][1] * inv[1][i];
    // An infinite or NaN determinant would turn the whole inverse into zeros or NaN; such a
    // matrix is refused like a singular one.
    if (det == 0.0 || !std::isfinite(det)) {
        (Messages ? *Messages : TheConsole()).Line("DirekteInverse: singular matrix");
        return false;
    }
    for (std::int32_t i = 1; i <= n; ++i)
        for (std::int32_t j = 1; j <= n; ++j)
            inv[i][j] = inv[i][j] / det;
    M = std::move(inv);
    return true;
}

void VektorRuimte::MultiplyVector(const matrix& M, const kolom& v, kolom& r) const
{
    const std::int32_t n = Dimension;
    kolom result(n + 1);
    for (std::int32_t i = 1; i <= n; ++i) {
        double s = 0.0;
        for (std::int32_t k = 1; k <= n; ++k)
            s = s + M[i][k] * v[k];
        result[i] = s;
    }
    r = std::move(result);
}

} // namespace Algemeen
