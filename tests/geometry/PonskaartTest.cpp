#include "CardModel.h"
#include "Ogenblik.h"
#include "Orientation.h"
#include "TestSupport.h"

#include <array>
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
    const Ponskaart card = CardModel(1.0);
    const MomentRecord model = card.AreaMoments;
    const Contour same = Measured(card.Points);
    const RealPoint c = card.AreaMoments.Centre;
    const Contour turned = Measured(Moved(card.Points, std::numbers::pi, {2 * c.X, 2 * c.Y}));
    EXPECT_NEAR(card.CornerScore(same), kCutEdge, 1e-9);
    EXPECT_EQ(card.CornerScore(same, true), 0.0)
        << "the reversed model looks for the cut at the opposite corner";

    // The verdict is the half turn that holds the cut, from either start; the line says whether it
    // differs from the start.
    struct Case
    {
        const Contour& specimen;
        bool from, reversed;
        const char* lines;
    };
    const Case cases[] = {{same, false, false, "Axes Allright\nBest Fit =   12.52996\n"},
                          {turned, false, true, "Axes Reversed\nBest Fit =   12.52996\n"},
                          {turned, true, true, "Axes Allright\nBest Fit =   12.52996\n"},
                          {same, true, false, "Axes Reversed\nBest Fit =   12.52996\n"}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.lines);
        Algemeen::StringConsole console;
        const BestFitVerdict verdict = card.BestFit(k.specimen, k.from, &console);
        EXPECT_EQ(verdict.Reversed, k.reversed);
        EXPECT_NEAR(verdict.Score, kCutEdge, 1e-9);
        EXPECT_EQ(console.Text(), k.lines);
        EXPECT_EQ(card.BestFit(k.specimen, k.from).Reversed, k.reversed) << "the same without a console";
    }
    EXPECT_EQ(card.AreaMoments, model) << "the model is not changed";
}

TEST(PonskaartTest, SpecimenWithoutACutScoresNothing)
{
    const Ponskaart card = CardModel(1.0);
    const Contour plain = Measured({{0, -83}, {187, -83}, {187, 0}, {0, 0}});
    for (const bool from : {false, true}) {
        Algemeen::StringConsole console;
        const BestFitVerdict verdict = card.BestFit(plain, from, &console);
        EXPECT_EQ(verdict.Score, 0.0);
        EXPECT_EQ(verdict.Reversed, from) << "a tie keeps the half turn it started from";
        EXPECT_EQ(console.Text(), "Axes Allright\nBest Fit =    0.00000\n");
    }
}

TEST(PonskaartTest, CornerMissingSharesAndTheOrientationVerdict)
{
    // The model's own ring misses its cut corner wholly. Its square corners are placed by the
    // model's centre and axis, which the cut shifts and turns, so their triangles reach a little
    // past the outline (0.13 to 0.15 of them); a plain rectangle's corners likewise (0.09).
    const Ponskaart card = CardModel(1.0);
    const std::array<double, 4> own = CornerMissingShares(card, Measured(card.Points));
    EXPECT_NEAR(own[0], 1.0, 1e-9);
    for (const std::size_t h : {1u, 2u, 3u})
        EXPECT_LT(own[h], 0.2) << "placement " << h;
    for (const double share : CornerMissingShares(card, Measured({{0, -83}, {187, -83}, {187, 0}, {0, 0}})))
        EXPECT_LT(share, 0.15);

    // Edge scores and missing shares as worn edges give them: the edge lead alone no longer
    // decides, the missing corner does, both ways.
    struct Case
    {
        std::array<double, 4> scores, missing;
        OrientationVerdict verdict;
    };
    const Case cases[] = {
        {{0.43, 0.20, 0.17, 0.15}, {1.00, 0.15, 0.15, 0.15}, OrientationVerdict::Settled}, // clean
        {{0.55, 0.45, 0.30, 0.30}, {0.95, 0.30, 0.34, 0.30}, OrientationVerdict::Settled}, // lead 1.22
        {{0.30, 0.25, 0.55, 0.40}, {0.20, 0.20, 0.97, 0.20}, OrientationVerdict::FaceUp},  // lead 1.38
        {{0.55, 0.45, 0.30, 0.30}, {0.95, 0.50, 0.30, 0.30}, OrientationVerdict::NoCutCorner},
        // An uncut card whose worn edges lend one placement a lead of 1.6: no corner is missing.
        {{0.20, 0.21, 0.48, 0.30}, {0.20, 0.25, 0.32, 0.22}, OrientationVerdict::NoCutCorner},
        {{0.25, 0.10, 0.10, 0.10}, {1.00, 0.00, 0.00, 0.00}, OrientationVerdict::NoCutCorner}, // share
    };
    for (const Case& c : cases) {
        const OrientationJudgement j = JudgeOrientation(c.scores, c.missing);
        EXPECT_EQ(j.verdict, c.verdict)
            << "scores " << c.scores[0] << " " << c.scores[1] << " " << c.scores[2] << " " << c.scores[3];
    }
}

TEST(PonskaartTest, OutlineFollowsTheSpecimenWhereverItLies)
{
    Ponskaart card = CardModel(11.811);
    const Contour same = Measured(card.Points);
    Jordan outline{{1, 2}};
    card.OutlineInSpecimen(same, BestFitVerdict{}, outline);
    ExpectSamePoints(outline, card.Points, 1e-9);

    // The card traced elsewhere in the picture at several angles, in either half turn: in the half
    // turn BestFit settles, the carried outline lies on the traced ring.
    for (double degrees : {0.0, 7.0, 90.0, 173.0, 180.0, 200.0, 271.0, 359.0}) {
        const Jordan traced = Moved(card.Points, degrees * std::numbers::pi / 180, {1500, 900});
        const Contour specimen = Measured(traced);
        const BestFitVerdict turn = card.BestFit(specimen);
        EXPECT_NEAR(turn.Score, kCutEdge * 11.811, 1e-6) << degrees;
        card.OutlineInSpecimen(specimen, turn, outline);
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
        EXPECT_EQ(model.BestFit(specimen).Score, 0.0);
        Jordan outline;
        model.OutlineInSpecimen(specimen, BestFitVerdict{}, outline);
        for (const RealPoint& p : outline)
            EXPECT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y));
        RealPoint o, dc, dr;
        InitialGrid(model, BestFitVerdict{}, specimen.AreaMoments, o, dc, dr);
        EXPECT_TRUE(std::isfinite(o.X) && std::isfinite(o.Y));
        EXPECT_EQ(dc, (RealPoint{0, 0}));
    }
}
