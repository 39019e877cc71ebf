#include "Algemeen.h"
#include "TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace Algemeen;

TEST(SchuineTest, CircularBlob)
{
    Schuine bell;
    EXPECT_EQ(bell.Weight({123, -4}), 1.0) << "before any Prepare every weight is 1";
    const double s = 4.0;
    bell.Prepare(s, s, 0.0, {10, 20});
    double kxx, kyy, kxy;
    bell.Coefficients(kxx, kyy, kxy);
    EXPECT_EQ(kxx, 1 / s);
    EXPECT_EQ(kyy, 1 / s);
    EXPECT_EQ(kxy, 0.0);
    EXPECT_EQ(bell.Weight({10, 20}), 1.0);
    EXPECT_DOUBLE_EQ(bell.Weight({13, 20}), std::exp(-9 / (2 * s)));
    EXPECT_DOUBLE_EQ(bell.Weight({10, 17}), std::exp(-9 / (2 * s)));
}

TEST(SchuineTest, TiltedBlobWeighsMoreAlongItsLongAxis)
{
    // Long axis along (1, 1): variance 5 along it, 1 across.
    Schuine bell;
    bell.Prepare(3, 3, 2, {0, 0});
    const double along = bell.Weight({1, 1});
    const double across = bell.Weight({1, -1});
    EXPECT_DOUBLE_EQ(along, std::exp(-2.0 / 5 / 2));
    EXPECT_DOUBLE_EQ(across, std::exp(-2.0 / 1 / 2));
    EXPECT_GT(along, across);
}

TEST(SchuineTest, CutOffAtTwoPi)
{
    Schuine bell;
    bell.Prepare(1, 1, 0, {0, 0});
    // The largest distance whose square does not exceed the cut-off, and the next double.
    double r = std::sqrt(kWeightCutOff);
    while (r * r > kWeightCutOff)
        r = std::nextafter(r, 0.0);
    while (std::nextafter(r, 10.0) * std::nextafter(r, 10.0) <= kWeightCutOff)
        r = std::nextafter(r, 10.0);
    EXPECT_NEAR(bell.Weight({r, 0}), 2.7e-9, 0.05e-9);
    EXPECT_EQ(bell.Weight({std::nextafter(r, 10.0), 0}), 0.0);
    EXPECT_EQ(bell.Weight({0, -7}), 0.0);
}

TEST(SchuineTest, IndefiniteMomentsRaiseAlarm)
{
    TestSupport::CapturedPlatform platform;
    Schuine bell(&platform.console);
    bell.Prepare(1, 1, 2, {0, 0}); // D = -3
    EXPECT_EQ(bell.Weight({0, 0}), 1.0);
    EXPECT_EQ(platform.console.Text(), "");
    EXPECT_LT(bell.Weight({1, 1}), 1.0); // q = 2/3 along (1, 1)
    EXPECT_EQ(platform.console.Text(), "");
    EXPECT_EQ(bell.Weight({1, -1}), std::exp(1.0)); // q = -2 across it
    EXPECT_EQ(platform.console.Text(), "ALARM\n");
}

TEST(SchuineTest, BlobOnALineWeighsNothingAnywhere)
{
    TestSupport::CapturedPlatform platform;
    Schuine bell(&platform.console);
    bell.Prepare(4, 0, 0, {5, 5}); // all its area on the line y = 5: D = 0
    EXPECT_TRUE(bell.Degenerate());
    double kxx = -1, kyy = -1, kxy = -1;
    bell.Coefficients(kxx, kyy, kxy);
    EXPECT_EQ(kxx, 0.0);
    EXPECT_EQ(kyy, 0.0);
    EXPECT_EQ(kxy, 0.0);
    EXPECT_EQ(bell.Weight({5, 5}), 0.0);
    EXPECT_EQ(bell.Weight({6, 5}), 0.0);
    bell.Prepare(2, 8, 4, {0, 0}); // D = 16 - 16
    EXPECT_EQ(bell.Weight({0, 0}), 0.0);
    // A proper blob afterwards is weighed again.
    bell.Prepare(1, 1, 0, {0, 0});
    EXPECT_FALSE(bell.Degenerate());
    EXPECT_EQ(bell.Weight({0, 0}), 1.0);
    // A point that is not a number is not near anything.
    EXPECT_EQ(bell.Weight({std::numeric_limits<double>::quiet_NaN(), 0}), 0.0);
    EXPECT_EQ(platform.console.Text(), "");
}
