#include "Algemeen.h"
#include "TestSupport.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

using namespace Algemeen;

namespace {

matrix FromRows(std::initializer_list<std::initializer_list<double>> rows)
{
    const auto n = static_cast<std::ptrdiff_t>(rows.size());
    matrix m = MakeMatrix(n);
    std::ptrdiff_t i = 1;
    for (const auto& row : rows) {
        std::ptrdiff_t j = 1;
        for (double value : row)
            m[i][j++] = value;
        ++i;
    }
    return m;
}

// Its messages go to `messages` (null: dropped).
VektorRuimte Space(std::int32_t n, Console* messages = nullptr)
{
    VektorRuimte space;
    space.SetDimension(n);
    space.Messages = messages;
    return space;
}

} // namespace

TEST(SubdetTest, OneByOneAndInputBounds)
{
    TestSupport::CapturedPlatform platform;
    const matrix m = FromRows({{7.0}});
    EXPECT_EQ(subdet(1, 1, 1, m), 1.0);
    EXPECT_EQ(subdet(1, 2, 1, m), -1.0);
    EXPECT_EQ(platform.console.Text(), "");
    EXPECT_EQ(subdet(1, 1, 9, MakeMatrix(9), &platform.console), 0.0);
    EXPECT_EQ(subdet(1, 1, 0, m, &platform.console), 0.0);
    EXPECT_EQ(platform.console.Text(), "subdet: input Error\nsubdet: input Error\n");
}

TEST(SubdetTest, CofactorsOfAThreeByThree)
{
    const matrix m = FromRows({{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}});
    EXPECT_EQ(subdet(1, 1, 3, m), 3.0); // det [[2,-1],[-1,2]]
    EXPECT_EQ(subdet(1, 2, 3, m), 2.0); // -det [[-1,-1],[0,2]]
    EXPECT_EQ(subdet(1, 3, 3, m), 1.0); // det [[-1,2],[0,-1]]
    EXPECT_EQ(subdet(2, 3, 3, m), 2.0); // -det [[2,-1],[0,-1]]
    // Entries the matrix lacks count as 0: the 2 x 2 [[2,-1],[-1,2]] padded to 3 x 3.
    const matrix small = FromRows({{2, -1}, {-1, 2}});
    EXPECT_EQ(subdet(3, 3, 3, small), 3.0);
    EXPECT_EQ(subdet(1, 1, 3, small), 0.0);
}

// The Leibniz formula term by term, as the cofactor is defined: the sign times the entries taken
// row by row, the terms summed in lexicographic order of their permutations.
double PlainCofactor(std::int32_t i, std::int32_t j, std::int32_t n, const matrix& M)
{
    std::vector<std::int32_t> perm;
    for (std::int32_t k = 1; k < n; ++k)
        perm.push_back(k);
    double sum = 0.0;
    do {
        std::int32_t inversions = 0;
        for (std::size_t a = 0; a < perm.size(); ++a)
            for (std::size_t b = a + 1; b < perm.size(); ++b)
                inversions += perm[a] > perm[b] ? 1 : 0;
        double prod = inversions % 2 == 0 ? 1.0 : -1.0;
        for (std::int32_t r = 1; r < n; ++r)
            prod = prod * M[r + (r >= i ? 1 : 0)][perm[static_cast<std::size_t>(r - 1)] +
                                                  (perm[static_cast<std::size_t>(r - 1)] >= j ? 1 : 0)];
        sum = sum + prod;
    } while (std::next_permutation(perm.begin(), perm.end()));
    return ((i + j) % 2 == 0 ? 1.0 : -1.0) * sum;
}

// Every cofactor of random matrices up to 8 x 8, zeros and negative zeros among the entries, is
// the plain formula's value to the last bit: the grid fit's results must not move.
TEST(SubdetTest, EveryCofactorIsThePlainFormulasValueToTheBit)
{
    std::mt19937 random(29);
    std::uniform_real_distribution<double> value(-1e3, 1e3);
    for (std::int32_t n = 1; n <= 8; ++n)
        for (int sample = 0; sample < 3; ++sample) {
            matrix m = MakeMatrix(n);
            for (std::int32_t r = 1; r <= n; ++r)
                for (std::int32_t c = 1; c <= n; ++c)
                    m[r][c] = random() % 7 == 0 ? (random() % 2 ? 0.0 : -0.0) : value(random);
            matrix inverse = m;
            const bool inverted = Space(n).DirekteInverse(inverse);
            double det = 0.0;
            for (std::int32_t i = 1; i <= n; ++i)
                det = det + m[i][1] * PlainCofactor(i, 1, n, m); // as the inverse expands it
            for (std::int32_t i = 1; i <= n; ++i)
                for (std::int32_t j = 1; j <= n; ++j) {
                    const double plain = PlainCofactor(i, j, n, m);
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(subdet(i, j, n, m)),
                              std::bit_cast<std::uint64_t>(plain))
                        << n << " x " << n << " (" << i << ", " << j << ")";
                    if (inverted) {
                        ASSERT_EQ(inverse[j][i], plain / det);
                    }
                }
        }
}

TEST(DirekteInverseTest, IdentityAndTwoByTwo)
{
    TestSupport::CapturedPlatform platform;
    matrix identity = MakeMatrix(6);
    for (int i = 1; i <= 6; ++i)
        identity[i][i] = 1.0;
    matrix m = identity;
    EXPECT_TRUE(Space(6, &platform.console).DirekteInverse(m));
    EXPECT_EQ(m, identity);

    const double a = 3, b = 5, c = -2, d = 7, det = a * d - b * c;
    matrix two = FromRows({{a, b}, {c, d}});
    ASSERT_TRUE(Space(2, &platform.console).DirekteInverse(two));
    EXPECT_EQ(two, FromRows({{d / det, -b / det}, {-c / det, a / det}}));
    EXPECT_EQ(platform.console.Text(), "");
}

TEST(DirekteInverseTest, RefusesSingularAndBadInputLeavingTheMatrixAlone)
{
    TestSupport::CapturedPlatform platform;
    const matrix equalRows = FromRows({{1, 2, 3}, {4, 5, 6}, {1, 2, 3}});
    matrix m = equalRows;
    EXPECT_FALSE(Space(3, &platform.console).DirekteInverse(m));
    EXPECT_EQ(m, equalRows);
    EXPECT_EQ(platform.console.Text(), "DirekteInverse: singular matrix\n");

    // A first column of zeros (the equations of a card without holes) gives a zero determinant.
    platform.console.Clear();
    matrix zeroColumn = MakeMatrix(6);
    for (int i = 1; i <= 6; ++i)
        for (int j = 2; j <= 6; ++j)
            zeroColumn[i][j] = i == j ? 2.0 : 0.5 * (i + j);
    m = zeroColumn;
    EXPECT_FALSE(Space(6, &platform.console).DirekteInverse(m));
    EXPECT_EQ(m, zeroColumn);
    EXPECT_EQ(platform.console.Text(), "DirekteInverse: singular matrix\n");

    platform.console.Clear();
    EXPECT_FALSE(Space(0, &platform.console).DirekteInverse(m));
    EXPECT_EQ(platform.console.Text(), "DirekteInverse: wrong input\n");

    // Above 8 every cofactor is refused, so the determinant is 0.
    platform.console.Clear();
    matrix big = MakeMatrix(9);
    EXPECT_FALSE(Space(9, &platform.console).DirekteInverse(big));
    std::string expected;
    for (int k = 0; k < 81; ++k)
        expected += "subdet: input Error\n";
    EXPECT_EQ(platform.console.Text(), expected + "DirekteInverse: singular matrix\n");

    // A matrix holding an infinity has no finite determinant; it must not come back as an
    // "inverse" of zeros and NaN with success reported.
    platform.console.Clear();
    const matrix infinite = FromRows({{std::numeric_limits<double>::infinity(), 1}, {1, 1}});
    m = infinite;
    EXPECT_FALSE(Space(2, &platform.console).DirekteInverse(m));
    EXPECT_EQ(m, infinite);
    EXPECT_EQ(platform.console.Text(), "DirekteInverse: singular matrix\n");

    // Too small a matrix for the dimension is a caller error.
    matrix tooSmall = FromRows({{1, 0}, {0, 1}});
    EXPECT_THROW(Space(3, &platform.console).DirekteInverse(tooSmall), std::out_of_range);
}

TEST(DirekteInverseTest, NearlySingularIsInvertedWithoutComplaint)
{
    TestSupport::CapturedPlatform platform;
    matrix m = FromRows({{1, 1}, {1, 1 + 1e-12}});
    EXPECT_TRUE(Space(2, &platform.console).DirekteInverse(m));
    EXPECT_EQ(platform.console.Text(), "");
    EXPECT_NEAR(m[1][1] * 1e-12, 1.0, 1e-3);
}

TEST(MultiplyVectorTest, InverseTimesRightHandSideSolvesTheSystem)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    const VektorRuimte space = Space(6);
    for (int trial = 0; trial < 20; ++trial) {
        matrix m = MakeMatrix(6);
        kolom b(7);
        for (int i = 1; i <= 6; ++i) {
            for (int j = 1; j <= 6; ++j)
                m[i][j] = value(random) + (i == j ? 4.0 : 0.0);
            b[i] = value(random) * 100;
        }
        matrix inverse = m;
        ASSERT_TRUE(space.DirekteInverse(inverse));
        kolom x;
        space.MultiplyVector(inverse, b, x);
        ASSERT_EQ(x.Length(), 7);
        EXPECT_EQ(x[0], 0.0);
        kolom back;
        space.MultiplyVector(m, x, back);
        for (int i = 1; i <= 6; ++i)
            EXPECT_NEAR(back[i], b[i], 1e-10);
    }
}
