#include "Algemeen.h"

#include <gtest/gtest.h>

using namespace Algemeen;

TEST(RasterTest, LineLeavesItsEndPixelUndrawn)
{
    Raster r(5, 5);
    r.SetPenColour(kRed);
    r.MoveTo(0, 0);
    r.LineTo(3, 0);
    EXPECT_EQ(r.Pixel(0, 0), kRed);
    EXPECT_EQ(r.Pixel(2, 0), kRed);
    EXPECT_EQ(r.Pixel(3, 0), kWhite);
    r.LineTo(3, 3); // continues from (3, 0)
    EXPECT_EQ(r.Pixel(3, 0), kRed);
    EXPECT_EQ(r.Pixel(3, 2), kRed);
    EXPECT_EQ(r.Pixel(3, 3), kWhite);
}

TEST(RasterTest, DrawingOutsideIsClipped)
{
    Raster r(4, 3);
    r.SetPenColour(kBlue);
    r.MoveTo(-10, 1);
    r.LineTo(10, 1);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(r.Pixel(x, 1), kBlue);
    r.FillRect(-5, -5, 2, 1, kBlack);
    EXPECT_EQ(r.Pixel(0, 0), kBlack);
    EXPECT_EQ(r.Pixel(1, 0), kBlack);
    EXPECT_EQ(r.Pixel(2, 0), kWhite);
    r.SetPixel(99, 99, kRed);
    EXPECT_EQ(r.Pixel(99, 99), kWhite);
}
