#include "CardModel.h"
#include "Ogenblik.h"
#include "TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace Ogenblik;

namespace {

// The points turned by `angle` about the origin and then moved by `shift`.
Jordan Moved(const Jordan& points, double angle, RealPoint shift)
{
    Jordan moved(points.Length());
    const RealPoint u{std::cos(angle), std::sin(angle)};
    for (std::ptrdiff_t k = 0; k < points.Length(); ++k)
        moved[k] = Algemeen::OffsetPoint(Algemeen::TurnPoint(points[k], u, +1), shift, +1);
    return moved;
}

void ExpectSamePoints(const Jordan& a, const Jordan& b, double tolerance)
{
    ASSERT_EQ(a.Length(), b.Length());
    for (std::ptrdiff_t k = 0; k < a.Length(); ++k) {
        EXPECT_NEAR(a[k].X, b[k].X, tolerance) << "point " << k;
        EXPECT_NEAR(a[k].Y, b[k].Y, tolerance) << "point " << k;
    }
}

const double kCutEdge = std::sqrt(157.0);

} // namespace

TEST(PonskaartTest, CardModelMeasuresAndTolerances)
{
    const Ponskaart card = CardModel(1.0);
    EXPECT_TRUE(card.IsCard);
    EXPECT_EQ(card.Points.Length(), 5);
    EXPECT_EQ(card.AreaMoments.Size, 15488.0);
    EXPECT_DOUBLE_EQ(card.BoundaryMoments.Size, 523 + kCutEdge);
    EXPECT_NEAR(card.AreaMoments.Centre.X, 93.305, 5e-4);
    EXPECT_NEAR(card.AreaMoments.Centre.Y, -41.419, 5e-4);
    EXPECT_NEAR(card.AreaMoments.Axis.X, -0.003, 5e-4);
    EXPECT_NEAR(card.AreaMoments.Axis.Y, 1.000, 5e-4);
    EXPECT_DOUBLE_EQ(card.AreaTolerance, 523 + kCutEdge);
    EXPECT_NEAR(card.TraceTolerance, 208.489, 5e-4);
    EXPECT_NEAR(card.DeterminantTolerance, 87.242, 5e-4);
    EXPECT_TRUE(card.IsUsable());

    // Lengths scale with Scale and areas with its square.
    const Ponskaart twice = CardModel(2.0);
    EXPECT_EQ(twice.AreaMoments.Size, 61952.0);
    EXPECT_DOUBLE_EQ(twice.BoundaryMoments.Size, 2 * (523 + kCutEdge));
    EXPECT_DOUBLE_EQ(twice.AreaMoments.Centre.X, 2 * card.AreaMoments.Centre.X);
    EXPECT_DOUBLE_EQ(twice.AreaTolerance, 4 * card.AreaTolerance) << "margin 2 along twice the perimeter";
}

TEST(PonskaartTest, HoleModelMeasuresAndTolerances)
{
    Ponskaart hole;
    hole.Scale = 1.0;
    hole.MakeHole(0.5);
    hole.BuildModel();
    EXPECT_FALSE(hole.IsCard);
    EXPECT_DOUBLE_EQ(hole.AreaMoments.Size, -(kHoleWidth * kHoleHeight));
    EXPECT_DOUBLE_EQ(hole.BoundaryMoments.Size, 9.85);
    EXPECT_DOUBLE_EQ(hole.AreaMoments.Centre.X, kHoleWidth / 2);
    EXPECT_DOUBLE_EQ(hole.AreaMoments.Centre.Y, -1.75);
    EXPECT_NEAR(hole.AreaMoments.Axis.X, 1.0, 1e-12);
    EXPECT_NEAR(hole.AreaMoments.Axis.Y, 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(hole.AreaTolerance, 4.925);
    EXPECT_NEAR(hole.TraceTolerance, 1.996, 5e-4);
    EXPECT_NEAR(hole.DeterminantTolerance, 0.802, 5e-4);
}

TEST(PonskaartTest, BestFitAgainstTheModelsOwnRingAndItsHalfTurn)
{
    TestSupport::CapturedPlatform platform;
    Ponskaart card = CardModel(1.0);
    const RealPoint axis = card.AreaMoments.Axis;
    const Contour same = Measured(card.Points);
    EXPECT_NEAR(card.CornerScore(same), kCutEdge, 1e-9);
    NegatePoint(card.AreaMoments.Axis);
    EXPECT_EQ(card.CornerScore(same), 0.0) << "the reversed model looks for the cut at the opposite corner";
    NegatePoint(card.AreaMoments.Axis);

    EXPECT_NEAR(card.BestFit(same, true, &platform.console), kCutEdge, 1e-9);
    EXPECT_EQ(card.AreaMoments.Axis, axis);
    EXPECT_EQ(platform.console.Text(), "Axes Allright\nBest Fit =   12.52996\n");

    // Turned by a half turn about its centre.
    platform.console.Clear();
    const RealPoint c = card.AreaMoments.Centre;
    const Contour turned = Measured(Moved(card.Points, std::numbers::pi, {2 * c.X, 2 * c.Y}));
    EXPECT_NEAR(card.BestFit(turned, true, &platform.console), kCutEdge, 1e-9);
    EXPECT_EQ(card.AreaMoments.Axis, (RealPoint{-axis.X, -axis.Y}));
    EXPECT_EQ(platform.console.Text(), "Axes Reversed\nBest Fit =   12.52996\n");

    // Silent, and the comparison does not depend on the state the last call left.
    platform.console.Clear();
    EXPECT_NEAR(card.BestFit(same, false, &platform.console), kCutEdge, 1e-9);
    EXPECT_EQ(card.AreaMoments.Axis, axis);
    EXPECT_EQ(platform.console.Text(), "");
}

TEST(PonskaartTest, SpecimenWithoutACutScoresNothing)
{
    TestSupport::CapturedPlatform platform;
    Ponskaart card = CardModel(1.0);
    NegatePoint(card.AreaMoments.Axis);
    const RealPoint axis = card.AreaMoments.Axis;
    const Contour plain = Measured({{0, -83}, {187, -83}, {187, 0}, {0, 0}});
    EXPECT_EQ(card.BestFit(plain, true, &platform.console), 0.0);
    EXPECT_EQ(card.AreaMoments.Axis, axis) << "a tie keeps the axis as it was";
    EXPECT_EQ(platform.console.Text(), "Axes Allright\nBest Fit =    0.00000\n");
}

TEST(PonskaartTest, OutlineFollowsTheSpecimenWhereverItLies)
{
    Ponskaart card = CardModel(11.811);
    const Contour same = Measured(card.Points);
    Jordan outline{{1, 2}};
    card.OutlineInSpecimen(same, outline);
    ExpectSamePoints(outline, card.Points, 1e-9);

    // The card traced elsewhere in the picture at several angles, in either half turn: once BestFit
    // has settled the axis, the carried outline lies on the traced ring.
    for (double degrees : {0.0, 7.0, 90.0, 173.0, 180.0, 200.0, 271.0, 359.0}) {
        const Jordan traced = Moved(card.Points, degrees * std::numbers::pi / 180, {1500, 900});
        const Contour specimen = Measured(traced);
        EXPECT_NEAR(card.BestFit(specimen, false), kCutEdge * 11.811, 1e-6) << degrees;
        card.OutlineInSpecimen(specimen, outline);
        ExpectSamePoints(outline, traced, 1e-6);
    }
}

TEST(PonskaartTest, ZeroScaleBuildsAnUnusableModelWithoutNaN)
{
    TestSupport::CapturedPlatform platform;
    for (bool isCard : {true, false}) {
        Ponskaart model;
        model.Scale = 0.0;
        isCard ? model.MakeCard(0.0) : model.MakeHole(0.5);
        model.BuildModel();
        EXPECT_FALSE(model.IsUsable());
        EXPECT_EQ(model.AreaMoments, MomentRecord{});
        EXPECT_EQ(model.AreaTolerance, 0.0);
        EXPECT_EQ(model.TraceTolerance, 0.0);
        EXPECT_EQ(model.DeterminantTolerance, 0.0);

        const Contour specimen = Measured({{0, 0}, {100, 0}, {100, 50}, {0, 50}});
        EXPECT_EQ(model.BestFit(specimen, false, &platform.console), 0.0);
        Jordan outline;
        model.OutlineInSpecimen(specimen, outline);
        for (const RealPoint& p : outline)
            EXPECT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y));
        RealPoint o, dc, dr;
        InitialGrid(model, specimen.AreaMoments, o, dc, dr);
        EXPECT_TRUE(std::isfinite(o.X) && std::isfinite(o.Y));
        EXPECT_EQ(dc, (RealPoint{0, 0}));
    }
}
