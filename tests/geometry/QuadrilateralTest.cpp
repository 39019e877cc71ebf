#include "Quadrilateral.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace Ogenblik;

namespace {

constexpr double kL = 187.0, kW = 83.0, kCut = 8.0, kRound = 3.0;

// Points every 0.25 mm along a card's outline in millimetres (y down): a kL x kW rectangle whose
// corner at (kL, 0) is cut off and whose other three corners are rounded.
std::vector<RealPoint> CardOutline()
{
    std::vector<RealPoint> points;
    const auto edge = [&points](RealPoint a, RealPoint b) {
        const int n = static_cast<int>(std::hypot(b.X - a.X, b.Y - a.Y) / 0.25);
        for (int i = 0; i < n; ++i)
            points.push_back({a.X + (b.X - a.X) * i / n, a.Y + (b.Y - a.Y) * i / n});
    };
    const auto arc = [&points](RealPoint centre, double from) {
        for (int i = 0; i <= 12; ++i) {
            const double t = (from + 90.0 * i / 12) * M_PI / 180;
            points.push_back({centre.X + kRound * std::cos(t), centre.Y + kRound * std::sin(t)});
        }
    };
    edge({kRound, 0}, {kL - kCut, 0});
    edge({kL - kCut, 0}, {kL, kCut}); // the cut corner
    edge({kL, kCut}, {kL, kW - kRound});
    arc({kL - kRound, kW - kRound}, 0);
    edge({kL - kRound, kW}, {kRound, kW});
    arc({kRound, kW - kRound}, 90);
    edge({0, kW - kRound}, {0, kRound});
    arc({kRound, kRound}, 180);
    return points;
}

const std::array<RealPoint, 4> kCardCorners{{{0, 0}, {kL, 0}, {kL, kW}, {0, kW}}};

double Distance(RealPoint a, RealPoint b)
{
    return std::hypot(a.X - b.X, a.Y - b.Y);
}

} // namespace

TEST(QuadrilateralTest, HomographyCarriesCornersAndCentre)
{
    const std::array<RealPoint, 4> square{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
    const std::array<RealPoint, 4> quad{{{10, 20}, {300, 5}, {280, 160}, {30, 140}}};
    const auto h = Homography::FromCorners(square, quad);
    ASSERT_TRUE(h);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(h->Apply(square[k]).X, quad[k].X, 1e-9);
        EXPECT_NEAR(h->Apply(square[k]).Y, quad[k].Y, 1e-9);
    }
    // A projective map keeps lines: the square's centre goes to where the quad's diagonals cross.
    const double t = ((quad[3].X - quad[0].X) * (quad[3].Y - quad[1].Y) -
                      (quad[3].Y - quad[0].Y) * (quad[3].X - quad[1].X)) /
                     ((quad[2].X - quad[0].X) * (quad[3].Y - quad[1].Y) -
                      (quad[2].Y - quad[0].Y) * (quad[3].X - quad[1].X));
    const RealPoint crossing{quad[0].X + t * (quad[2].X - quad[0].X),
                             quad[0].Y + t * (quad[2].Y - quad[0].Y)};
    EXPECT_NEAR(h->Apply({0.5, 0.5}).X, crossing.X, 1e-9);
    EXPECT_NEAR(h->Apply({0.5, 0.5}).Y, crossing.Y, 1e-9);
    // Three corners on one line make no transform.
    EXPECT_FALSE(Homography::FromCorners(square, {{{0, 0}, {1, 1}, {2, 2}, {0, 5}}}));
}

// A card outline (cut corner, rounded corners, a few specks) carried into the picture by a known
// transform: the corners of its sides come back to within a fifth of a pixel, and the deviation
// from a rectangle tells a card seen square on (turned and scaled) from one seen in perspective.
TEST(QuadrilateralTest, FitFindsTheSidesOfACardInPerspective)
{
    struct Case
    {
        const char* name;
        std::array<RealPoint, 4> picture; // where the card's corners lie, pixels
        bool perspective;
    } cases[] = {
        {"square on", {{{100, 50}, {848, 50}, {848, 382}, {100, 382}}}, false},
        {"square on, turned 30 degrees",
         {{{200, 100},
           {200 + 748 * 0.866, 100 + 748 * 0.5},
           {200 + 748 * 0.866 - 332 * 0.5, 100 + 748 * 0.5 + 332 * 0.866},
           {200 - 332 * 0.5, 100 + 332 * 0.866}}},
         false},
        {"keystone", {{{120, 60}, {830, 20}, {830, 420}, {120, 370}}}, true},
        {"tilted both ways", {{{90, 80}, {800, 40}, {870, 390}, {60, 330}}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto toPicture = Homography::FromCorners(kCardCorners, c.picture);
        ASSERT_TRUE(toPicture);
        std::vector<RealPoint> outline;
        for (const RealPoint& p : CardOutline())
            outline.push_back(toPicture->Apply(p));
        for (int i = 0; i < 20; ++i) // specks beside the card
            outline.push_back({500.0 + 7 * i, 460.0 + (i % 3)});
        const auto fit = FitQuadrilateral(outline);
        ASSERT_TRUE(fit);
        EXPECT_GT(fit->Inliers, 0.9);
        // Any of the corners may come first (the fit does not know the cut corner); the ring order
        // and the long first side are fixed.
        int first = 0;
        for (int k = 1; k < 4; ++k)
            if (Distance(fit->Quad.Corners[k], c.picture[0]) <
                Distance(fit->Quad.Corners[first], c.picture[0]))
                first = k;
        EXPECT_TRUE(first == 0 || first == 2);
        for (int k = 0; k < 4; ++k)
            EXPECT_LT(Distance(fit->Quad.Corners[(first + k) % 4], c.picture[k]), 0.2) << k;
        const double deviation = RectangleDeviation(fit->Quad, kL / kW);
        if (c.perspective)
            EXPECT_GT(deviation, 0.03);
        else
            EXPECT_LT(deviation, 0.001);
    }
    EXPECT_FALSE(FitQuadrilateral({{0, 0}, {1, 1}, {2, 0}}));
}
