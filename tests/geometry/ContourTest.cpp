#include "CardModel.h"
#include "Ogenblik.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

using namespace Ogenblik;

namespace {

// Every field of both records is a number (no NaN, no infinity).
void ExpectFinite(const MomentRecord& r)
{
    for (double v : {r.Size, r.Trace, r.RootDeterminant, r.Sxx, r.Syy, r.Sxy, r.Centre.X, r.Centre.Y,
                     r.Axis.X, r.Axis.Y, r.MajorSpread, r.MinorSpread})
        EXPECT_TRUE(std::isfinite(v));
}

} // namespace

TEST(ContourTest, RectangleHasExactMoments)
{
    const Contour c = Measured({{0, 0}, {4, 0}, {4, 2}, {0, 2}});
    const MomentRecord& a = c.AreaMoments;
    EXPECT_EQ(a.Size, 8.0);
    EXPECT_EQ(a.Centre, (RealPoint{2, 1}));
    EXPECT_EQ(a.Sxx, 4.0 / 3);
    EXPECT_EQ(a.Syy, 1.0 / 3);
    EXPECT_EQ(a.Sxy, 0.0);
    EXPECT_DOUBLE_EQ(a.Trace, 5.0 / 3);
    EXPECT_DOUBLE_EQ(a.RootDeterminant, 2.0 / 3);
    EXPECT_DOUBLE_EQ(a.MajorSpread, 2 / std::sqrt(3.0));
    EXPECT_DOUBLE_EQ(a.MinorSpread, 1 / std::sqrt(3.0));
    EXPECT_EQ(a.Axis, (RealPoint{0, 1}));

    const MomentRecord& b = c.BoundaryMoments;
    EXPECT_EQ(b.Size, 12.0);
    EXPECT_EQ(b.Centre, (RealPoint{2, 1}));
    EXPECT_DOUBLE_EQ(b.Sxx, 20.0 / 9);
    EXPECT_DOUBLE_EQ(b.Syy, 7.0 / 9);
    EXPECT_EQ(b.Sxy, 0.0);
    EXPECT_DOUBLE_EQ(b.Trace, 3.0);
    EXPECT_EQ(b.Axis, (RealPoint{0, 1}));

    // The other turning sense: negative area, every other measure the same.
    const Contour r = Measured({{0, 0}, {0, 2}, {4, 2}, {4, 0}});
    EXPECT_EQ(r.AreaMoments.Size, -8.0);
    MomentRecord flipped = r.AreaMoments;
    flipped.Size = 8.0;
    EXPECT_EQ(flipped, a);
    EXPECT_EQ(r.BoundaryMoments.Size, b.Size);
    EXPECT_DOUBLE_EQ(r.BoundaryMoments.Centre.Y, b.Centre.Y);
    EXPECT_DOUBLE_EQ(r.BoundaryMoments.Sxx, b.Sxx);
    EXPECT_DOUBLE_EQ(r.BoundaryMoments.Syy, b.Syy);
    EXPECT_EQ(r.BoundaryMoments.Axis, b.Axis);
}

TEST(ContourTest, UnitSquareTieAndTriangle)
{
    const MomentRecord square = Measured({{0, 0}, {1, 0}, {1, 1}, {0, 1}}).AreaMoments;
    EXPECT_EQ(square.Sxx, square.Syy);
    EXPECT_DOUBLE_EQ(square.Sxx, 1.0 / 12);
    EXPECT_EQ(square.Sxy, 0.0);
    EXPECT_EQ(square.Axis, (RealPoint{0, 1})) << "both candidates fit; the tie goes to the second";
    EXPECT_DOUBLE_EQ(square.MajorSpread, 1 / std::sqrt(12.0));
    EXPECT_DOUBLE_EQ(square.MinorSpread, 1 / std::sqrt(12.0));

    const MomentRecord t = Measured({{0, 0}, {2, 1}, {1, 3}}).AreaMoments;
    EXPECT_EQ(t.Size, 2.5);
    EXPECT_DOUBLE_EQ(t.Centre.X, 1.0);
    EXPECT_DOUBLE_EQ(t.Centre.Y, 4.0 / 3);
    EXPECT_DOUBLE_EQ(t.Sxx, 1.0 / 6);
    EXPECT_DOUBLE_EQ(t.Syy, 7.0 / 18);
    EXPECT_DOUBLE_EQ(t.Sxy, 1.0 / 12);
    EXPECT_DOUBLE_EQ(t.Axis.X, 3 / std::sqrt(10.0));
    EXPECT_DOUBLE_EQ(t.Axis.Y, -1 / std::sqrt(10.0));
}

TEST(ContourTest, ContainsWindsInThePositiveSenseOnly)
{
    Contour c;
    c.SetPoints({{0, 0}, {10, 0}, {10, 6}, {0, 6}});
    EXPECT_TRUE(c.Contains({5, 3}));
    EXPECT_FALSE(c.Contains({20, 3}));
    EXPECT_FALSE(c.Contains({5, -3}));
    // Within 1.0 of the bottom edge's line that edge adds nothing: the other three edges then
    // subtend a little more than a half turn from just inside and a little less from just outside.
    EXPECT_TRUE(c.Contains({5, 0.5}));
    EXPECT_FALSE(c.Contains({5, -0.5}));
    c.SetPoints({{0, 0}, {0, 6}, {10, 6}, {10, 0}});
    EXPECT_FALSE(c.Contains({5, 3}));
    c.SetPoints({});
    EXPECT_FALSE(c.Contains({0, 0}));
}

// The plain angle sum, kept here as the reference for the crossing count.
bool ContainsByAngleSum(const Jordan& ring, RealPoint point)
{
    double angle = 0.0;
    const std::ptrdiff_t n = ring.Length();
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        const RealPoint q = ring[(k + n - 1) % n], r = ring[k];
        angle += Algemeen::SubtendedAngle({q.X - point.X, q.Y - point.Y}, {r.X - point.X, r.Y - point.Y});
    }
    return angle / std::numbers::pi > 1.0;
}

TEST(ContourTest, ContainsAgreesWithTheAngleSumOnRandomRings)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> coordinate(0.0, 40.0);
    int inside = 0, nearEdges = 0;
    for (int ring = 0; ring < 200; ++ring) {
        // Star-shaped rings of half-pixel points in either turning sense, some self-touching.
        Jordan points;
        const int n = 3 + static_cast<int>(random() % 30);
        const double sense = ring % 2 ? 1.0 : -1.0;
        for (int k = 0; k < n; ++k) {
            const double t = sense * 2 * std::numbers::pi * k / n;
            const double r = 2.0 + static_cast<double>(random() % 30);
            points.Append(
                {std::round(2 * (20 + r * std::cos(t))) / 2, std::round(2 * (20 + r * std::sin(t))) / 2});
        }
        Contour c;
        c.SetPoints(points);
        const EdgeTable edges(c);
        for (int k = 0; k < 60; ++k) {
            // Random points, and points on or next to the ring's own vertices and edges.
            RealPoint p{coordinate(random), coordinate(random)};
            if (k % 3 == 1)
                p = points[random() % static_cast<unsigned>(n)];
            if (k % 3 == 2) {
                const RealPoint a = points[random() % static_cast<unsigned>(n)];
                p = {a.X + (random() % 5) * 0.5 - 1.0, a.Y + (random() % 5) * 0.5 - 1.0};
            }
            const bool expected = ContainsByAngleSum(points, p);
            ASSERT_EQ(c.Contains(p), expected) << "ring " << ring << " point " << p.X << "," << p.Y;
            ASSERT_EQ(edges.Contains(p), expected) << "ring " << ring << " point " << p.X << "," << p.Y;
            inside += expected ? 1 : 0;
            nearEdges += k % 3 != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(inside, 1000) << "the sample must hold both answers";
    EXPECT_GT(nearEdges, 5000);
}

// Rings as large and rough as the compressed outline of a real card at 600 dpi, where the edge
// table leaves most edges unvisited: the same answers as the ring's own test, and as the plain
// angle sum on a share of the points.
TEST(ContourTest, EdgeTableAnswersAsTheRingOnLargeRoughRings)
{
    std::mt19937 random(5);
    int inside = 0, decidedByBands = 0;
    for (int ring = 0; ring < 8; ++ring) {
        Jordan points;
        const int n = 400 + static_cast<int>(random() % 3000);
        const double a = 300.0 + random() % 2000, b = 150.0 + random() % 900;
        const double sense = ring % 3 ? 1.0 : -1.0;
        for (int k = 0; k < n; ++k) {
            const double t = sense * 2 * std::numbers::pi * k / n;
            const double rough = (random() % 7) * 0.5 - 1.5;
            points.Append({std::round(2 * (1200 + (a + rough) * std::cos(t))) / 2,
                           std::round(2 * (1200 + (b + rough) * std::sin(t))) / 2});
        }
        Contour c;
        c.SetPoints(points);
        const EdgeTable edges(c);
        std::uniform_real_distribution<double> x(1200 - a - 50, 1200 + a + 50),
            y(1200 - b - 50, 1200 + b + 50);
        for (int k = 0; k < 1500; ++k) {
            RealPoint p{std::round(2 * x(random)) / 2, std::round(2 * y(random)) / 2};
            if (k % 4 == 1) { // on or next to the ring
                const RealPoint q = points[random() % static_cast<unsigned>(n)];
                p = {q.X + (random() % 9) * 0.5 - 2.0, q.Y + (random() % 9) * 0.5 - 2.0};
            }
            const bool expected = c.Contains(p);
            ASSERT_EQ(edges.Contains(p), expected) << "ring " << ring << " point " << p.X << "," << p.Y;
            if (k % 50 == 0) {
                ASSERT_EQ(ContainsByAngleSum(points, p), expected);
            }
            inside += expected ? 1 : 0;
            decidedByBands += std::fabs(p.Y - 1200) < b - 200 ? 1 : 0;
        }
    }
    EXPECT_GT(inside, 3000) << "the sample must hold both answers";
    EXPECT_GT(decidedByBands, 1500) << "and points far from the top and bottom rows";
}

TEST(ContourTest, RecordsStayUntilTheNextComputeAndPointsAreCopied)
{
    Jordan points{{0, 0}, {4, 0}, {4, 2}, {0, 2}};
    Contour c;
    c.SetPoints(points);
    points[1] = {40, 0};
    c.ComputeMoments();
    EXPECT_EQ(c.AreaMoments.Size, 8.0);
    const MomentRecord before = c.AreaMoments;
    c.SetPoints({{0, 0}, {2, 1}, {1, 3}});
    EXPECT_EQ(c.AreaMoments, before);
    c.ComputeAreaAndLength();
    EXPECT_EQ(c.AreaMoments.Size, 2.5);
    EXPECT_EQ(c.AreaMoments.Sxx, before.Sxx) << "the cheap call sets only the two sizes";
}

TEST(ContourTest, RingsWithoutAreaGiveZeroMoments)
{
    const Jordan rings[] = {
        {}, {{3, 4}}, {{3, 4}, {7, 1}}, {{0, 0}, {1, 1}, {2, 2}}, {{5, 5}, {5, 5}, {5, 5}}};
    for (const Jordan& ring : rings) {
        Contour c;
        c.SetPoints({{0, 0}, {4, 0}, {4, 2}, {0, 2}});
        c.ComputeMoments(); // leave non-zero records behind
        c.SetPoints(ring);
        c.ComputeMoments();
        EXPECT_EQ(c.AreaMoments, MomentRecord{}) << "ring of " << ring.Length() << " points";
        MomentRecord zero{};
        zero.Size = c.BoundaryMoments.Size;
        EXPECT_EQ(c.BoundaryMoments, zero);
        ExpectFinite(c.BoundaryMoments);
    }
    // A thin sliver: tiny area, every measure still a number.
    const Contour sliver = Measured({{0, 0}, {1000, 1e-9}, {2000, 0}});
    ExpectFinite(sliver.AreaMoments);
    ExpectFinite(sliver.BoundaryMoments);
}

TEST(FinishMomentsTest, NegativeRoundingResidueGivesNoNaN)
{
    MomentRecord r;
    r.Sxx = 1.0;
    r.Syy = 1.0;
    r.Sxy = std::nextafter(1.0, 2.0); // determinant a hair below 0
    FinishMoments(r);
    ExpectFinite(r);
    EXPECT_EQ(r.RootDeterminant, 0.0);
    EXPECT_EQ(r.MinorSpread, 0.0);
}
