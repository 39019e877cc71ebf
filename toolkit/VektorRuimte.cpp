#include "VektorRuimte.h"

#include "Helpers.h"
#include "Seams.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

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

// Steps the first m entries of a permutation to the next one in lexicographic order: swaps the
// last ascent's first entry with the last entry above it, then reverses the tail, each swap
// turning `negative`. Gives how many leading entries stay as they were, or -1 after the last
// permutation.
template <typename Entry, std::size_t N>
constexpr std::int32_t NextPermutation(std::array<Entry, N>& perm, std::int32_t m, bool& negative)
{
    auto at = [&perm](std::int32_t k) -> Entry& { return perm[static_cast<std::size_t>(k)]; };
    std::int32_t i = m - 1;
    while (i > 0 && at(i - 1) >= at(i))
        --i;
    if (i <= 0)
        return -1;
    const std::int32_t p = i - 1;
    std::int32_t j = m - 1;
    while (at(j) <= at(p))
        --j;
    std::swap(at(p), at(j));
    negative = !negative;
    for (std::int32_t lo = p + 1, hi = m - 1; hi > lo; ++lo, --hi) {
        std::swap(at(lo), at(hi));
        negative = !negative;
    }
    return p;
}

// The Leibniz sum of an m x m matrix as a list of steps: the terms in lexicographic order of their
// permutations, each with the entries it does not share with the term before (row * kLargest +
// column, 0-based) and its sign.
struct LeibnizPlan
{
    std::vector<std::uint8_t> steps;
    std::vector<std::uint8_t> newEntries; // per term
    std::vector<std::uint8_t> negative;   // per term: 1 when its sign is minus
};

LeibnizPlan MakePlan(std::int32_t m)
{
    LeibnizPlan plan;
    std::array<std::int32_t, kLargest> perm{}; // 0-based columns
    for (std::int32_t k = 0; k < m; ++k)
        perm[static_cast<std::size_t>(k)] = k;
    bool negative = false;
    for (std::int32_t shared = 0; shared >= 0; shared = NextPermutation(perm, m, negative)) {
        for (std::int32_t k = shared; k < m; ++k)
            plan.steps.push_back(static_cast<std::uint8_t>(k * kLargest + perm[static_cast<std::size_t>(k)]));
        plan.newEntries.push_back(static_cast<std::uint8_t>(m - shared));
        plan.negative.push_back(negative ? 1 : 0);
    }
    return plan;
}

const LeibnizPlan& PlanOf(std::int32_t m)
{
    static const std::array<LeibnizPlan, kLargest> plans = [] {
        std::array<LeibnizPlan, kLargest> all;
        for (std::int32_t k = 1; k < kLargest; ++k)
            all[static_cast<std::size_t>(k)] = MakePlan(k);
        return all;
    }();
    return plans[static_cast<std::size_t>(m)];
}

// The sum of the plan's terms over `sub` (rows of kLargest entries). Each term is the sign times
// the product of its entries taken row by row; terms that begin with the same entries share the
// product of those (rounding is the same for a product and its negation, and 1 times an entry is
// that entry, so this is the very value the term-by-term product gives), and the terms are summed
// in their order.
double LeibnizSum(const double* sub, std::int32_t m)
{
    const LeibnizPlan& plan = PlanOf(m);
    double prefix[kLargest + 1];
    prefix[0] = 1.0; // prefix[k]: the product of the term's first k entries
    double sum = 0.0;
    const std::uint8_t* step = plan.steps.data();
    const std::size_t terms = plan.newEntries.size();
    for (std::size_t t = 0; t < terms; ++t) {
        for (std::uint8_t n = plan.newEntries[t]; n > 0; --n, ++step) {
            const unsigned at = *step, k = at / kLargest;
            prefix[k + 1] = prefix[k] * sub[at];
        }
        sum = sum + (plan.negative[t] != 0 ? -prefix[m] : prefix[m]);
    }
    return sum;
}

// The same sum for a size known when compiling, with the plan worked out by the compiler: straight
// code in which every entry's place is a constant. Used from 3 x 3 to 5 x 5 (120 terms; the grid
// fit's 6 x 6 inverse needs 36 such cofactors per round).

template <std::int32_t M> struct FixedPlan
{
    static constexpr std::size_t kTerms = [] {
        std::size_t f = 1;
        for (std::int32_t k = 2; k <= M; ++k)
            f *= static_cast<std::size_t>(k);
        return f;
    }();
    std::array<std::array<std::int32_t, M>, kTerms> order{}; // 0-based columns
    std::array<std::int32_t, kTerms> shared{};
    std::array<bool, kTerms> negative{};
};

template <std::int32_t M> constexpr FixedPlan<M> MakeFixedPlan()
{
    FixedPlan<M> plan;
    std::array<std::int32_t, M> perm{};
    for (std::int32_t k = 0; k < M; ++k)
        perm[static_cast<std::size_t>(k)] = k;
    bool negative = false;
    std::size_t t = 0;
    for (std::int32_t shared = 0; shared >= 0; shared = NextPermutation(perm, M, negative), ++t) {
        plan.order[t] = perm;
        plan.shared[t] = shared;
        plan.negative[t] = negative;
    }
    return plan;
}

template <std::int32_t M> inline constexpr FixedPlan<M> kFixedPlan = MakeFixedPlan<M>();

template <std::int32_t M, std::size_t T, std::int32_t... K>
inline void FixedTerm(const double* sub, double (&prefix)[M + 1], double& sum,
                      std::integer_sequence<std::int32_t, K...>)
{
    constexpr const FixedPlan<M>& plan = kFixedPlan<M>;
    ((K >= plan.shared[T] ? (prefix[K + 1] = prefix[K] * sub[K * kLargest + plan.order[T][K]]) : 0.0), ...);
    sum = sum + (plan.negative[T] ? -prefix[M] : prefix[M]);
}

template <std::int32_t M, std::size_t... T> double FixedSum(const double* sub, std::index_sequence<T...>)
{
    double prefix[M + 1] = {1.0};
    double sum = 0.0;
    (FixedTerm<M, T>(sub, prefix, sum, std::make_integer_sequence<std::int32_t, M>{}), ...);
    return sum;
}

template <std::int32_t M> double FixedSum(const double* sub)
{
    return FixedSum<M>(sub, std::make_index_sequence<FixedPlan<M>::kTerms>{});
}

// The cofactor of the padded copy, for n within 1..8: the terms summed in lexicographic order of
// their permutations.
double Cofactor(const Padded& copy, std::int32_t i, std::int32_t j, std::int32_t n)
{
    const std::int32_t m = n - 1;
    if (m == 0)
        return ParitySign(i + j) * 1.0;
    // The minor: rows and columns at or beyond the deleted ones move up.
    double sub[kLargest][kLargest];
    for (std::int32_t r = 0; r < m; ++r) {
        const std::int32_t from = r + 1 + (r + 1 >= i ? 1 : 0);
        for (std::int32_t c = 0; c < m; ++c)
            sub[r][c] = copy.a[from][c + 1 + (c + 1 >= j ? 1 : 0)];
    }
    const double* entries = &sub[0][0];
    const double sum = m == 5   ? FixedSum<5>(entries)
                       : m == 4 ? FixedSum<4>(entries)
                       : m == 3 ? FixedSum<3>(entries)
                                : LeibnizSum(entries, m);
    return ParitySign(i + j) * sum;
}

} // namespace

namespace {
// A message line to the console, when there is one.
void Say(Console* messages, std::string_view line)
{
    if (messages)
        messages->Line(line);
}
} // namespace

double subdet(std::int32_t i, std::int32_t j, std::int32_t n, const matrix& M, Console* messages)
{
    if (n < 1 || n > 8) {
        Say(messages, "subdet: input Error");
        return 0.0;
    }
    return Cofactor(PaddedCopy(M, n), i, j, n);
}

bool VektorRuimte::DirekteInverse(matrix& M) const
{
    const std::int32_t n = Dimension;
    if (n < 1) {
        Say(Messages, "DirekteInverse: wrong input");
        return false;
    }
    // The determinant is the first column weighed by its cofactors: when that column is all
    // zeros (the equations of a card without holes) it is zero, or NaN should a cofactor overflow,
    // and the matrix is refused without working out a cofactor. (A larger matrix goes on to have
    // each of its cofactors refused, as it always has.)
    bool zeroColumn = n <= kLargest;
    for (std::int32_t i = 1; i <= n && zeroColumn; ++i)
        zeroColumn = M[i][1] == 0.0;
    if (zeroColumn) {
        Say(Messages, "DirekteInverse: singular matrix");
        return false;
    }
    matrix inv = MakeMatrix(n);
    // One private copy serves every cofactor (a larger matrix gets subdet's own refusal each time).
    const bool small = n <= kLargest;
    const Padded copy = small ? PaddedCopy(M, n) : Padded{};
    auto cofactors = [&](std::int32_t fromRow, std::int32_t toRow) {
        for (std::int32_t i = fromRow; i <= toRow; ++i)
            for (std::int32_t j = 1; j <= n; ++j) // the adjugate: transposed cofactors
                inv[i][j] = small ? Cofactor(copy, j, i, n) : subdet(j, i, n, M, Messages);
    };
    // The determinant needs only the adjugate's first row: a singular matrix (a card without
    // holes) is refused before the other cofactors are worked out.
    cofactors(1, small ? 1 : n);
    double det = 0.0;
    for (std::int32_t i = 1; i <= n; ++i)
        det = det + M[i][1] * inv[1][i];
    // An infinite or NaN determinant would turn the whole inverse into zeros or NaN; such a
    // matrix is refused like a singular one.
    if (det == 0.0 || !std::isfinite(det)) {
        Say(Messages, "DirekteInverse: singular matrix");
        return false;
    }
    if (small)
        cofactors(2, n);
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
