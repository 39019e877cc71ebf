#include "Algemeen.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

using namespace Algemeen;

TEST(SubtendedAngleTest, KnownAngles)
{
    EXPECT_EQ(SubtendedAngle({1, 0}, {0, 1}), 0.0) << "line passes within one unit of the origin";
    EXPECT_DOUBLE_EQ(SubtendedAngle({10, 0}, {0, 10}), std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(SubtendedAngle({0, 10}, {10, 0}), -std::numbers::pi / 2);
    EXPECT_EQ(SubtendedAngle({5, 7}, {5, 7}), 0.0);
    EXPECT_EQ(SubtendedAngle({5, 7}, {-5, -7}), 0.0);
    EXPECT_EQ(SubtendedAngle({0, 0}, {5, 7}), 0.0);
}

TEST(SubtendedAngleTest, SumRoundASquareIsTwoPiInsideAndZeroOutside)
{
    const RealPoint square[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}};
    auto sum = [&](RealPoint p) {
        double total = 0;
        for (int i = 0; i < 4; ++i) {
            const RealPoint a = square[(i + 3) % 4], b = square[i];
            total += SubtendedAngle({a.X - p.X, a.Y - p.Y}, {b.X - p.X, b.Y - p.Y});
        }
        return total;
    };
    EXPECT_NEAR(sum({10, 10}), 2 * std::numbers::pi, 1e-12);
    EXPECT_NEAR(sum({30, 10}), 0.0, 1e-12);
}

// The pairwise-win ranking, kept here as the reference the fast sort must reproduce.
integers ReferenceRankOrder(const std::vector<double>& values)
{
    const auto n = static_cast<std::ptrdiff_t>(values.size()) - 1;
    std::vector<int> rank(values.size(), 0);
    for (std::ptrdiff_t a = n; a >= 2; --a)
        for (std::ptrdiff_t b = a - 1; b >= 1; --b)
            (values[a] >= values[b] ? rank[a] : rank[b])++;
    integers order(n + 1);
    for (std::ptrdiff_t i = 1; i <= n; ++i)
        order[rank[i] + 1] = static_cast<std::int32_t>(i);
    return order;
}

TEST(RankOrderTest, StableAscending)
{
    const std::vector<double> values{99, 5, 3, 3, 9};
    EXPECT_EQ(RankOrder(values).Items(), (std::vector<std::int32_t>{0, 2, 3, 1, 4}));
    EXPECT_EQ(RankOrder(std::vector<double>{7}).Items(), std::vector<std::int32_t>{0});
    EXPECT_EQ(RankOrder(std::vector<double>{}).Length(), 0);
}

TEST(RankOrderTest, AgreesWithPairwiseCountingOnRandomValuesWithTies)
{
    std::mt19937 random(7);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<double> values(1 + random() % 200);
        for (auto& v : values)
            v = static_cast<double>(static_cast<int>(random() % 20)) - 10.0;
        ASSERT_EQ(RankOrder(values), ReferenceRankOrder(values)) << "trial " << trial;
    }
}

TEST(PointTest, OffsetAndTurn)
{
    EXPECT_EQ(OffsetPoint({1, 2}, {10, 20}, -1), (RealPoint{-9, -18}));
    EXPECT_EQ(TurnPoint({1, 0}, {0, 1}, 1), (RealPoint{0, 1}));
    EXPECT_EQ(TurnPoint({1, 0}, {0, 1}, -1), (RealPoint{0, -1}));
    EXPECT_EQ(TurnPoint({3, 4}, {2, 0}, 1), (RealPoint{6, 8})) << "U is not normalised";
}

TEST(CombinatoricsTest, ParitySign)
{
    EXPECT_EQ(ParitySign(0), 1);
    EXPECT_EQ(ParitySign(3), -1);
}

TEST(CombinatoricsTest, NextPermutationWalksAllWithParity)
{
    integers perm{1, 2, 3};
    std::int32_t sign = 1;
    const std::vector<std::vector<std::int32_t>> expected{
        {1, 3, 2}, {2, 1, 3}, {2, 3, 1}, {3, 1, 2}, {3, 2, 1}};
    const std::int32_t signs[] = {-1, -1, 1, 1, -1};
    for (int i = 0; i < 5; ++i) {
        NextPermutation(perm, sign);
        EXPECT_EQ(perm.Items(), expected[i]);
        EXPECT_EQ(sign, signs[i]);
    }
    EXPECT_THROW(NextPermutation(perm, sign), std::out_of_range) << "the last permutation has no successor";
}

TEST(ArraysTest, AccessOutsideIsARangeError)
{
    integers a(3);
    EXPECT_EQ(a[2], 0);
    EXPECT_THROW(a[3], std::out_of_range);
    EXPECT_THROW(a[-1], std::out_of_range);
    matrix m = MakeMatrix(2);
    EXPECT_EQ(m.Length(), 3);
    EXPECT_THROW(m[1][3], std::out_of_range);
}

TEST(RoundingTest, HalvesGoToEven)
{
    EXPECT_EQ(RoundHalfEven(12.5), 12.0);
    EXPECT_EQ(RoundHalfEven(13.5), 14.0);
    EXPECT_EQ(RoundHalfEven(18.75), 19.0);
    EXPECT_EQ(RoundHalfEven(-0.5), -0.0);
}
