#include "CardModel.h"
#include "GridFitReference.h"
#include "Ogenblik.h"
#include "TestSupport.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <random>

using namespace Ogenblik;
using Algemeen::kolom;
using Algemeen::matrix;

using GridFitReference::FullLoopReference;

namespace {

// Identical bits; two NaN count as the same whatever their sign and payload, which follow the
// order of operands that the compiler happens to choose.
bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

void ExpectSameBits(const matrix& M, const kolom& V, const matrix& refM, const kolom& refV,
                    const std::string& what)
{
    ASSERT_EQ(M.Length(), 7) << what;
    ASSERT_EQ(V.Length(), 7) << what;
    for (int r = 0; r <= 6; ++r) {
        ASSERT_EQ(M[r].Length(), 7) << what;
        EXPECT_TRUE(SameBits(V[r], refV[r])) << what << ": V[" << r << "] " << V[r] << " against " << refV[r];
        for (int c = 0; c <= 6; ++c)
            EXPECT_TRUE(SameBits(M[r][c], refM[r][c])) << what << ": M[" << r << "][" << c << "]";
    }
}

// Compares result and reference bit for bit, console lines included; a second call into the same
// M and V must give the same again (nothing accumulates across calls). The placement of the holes
// on that grid is compared with the plain placement too.
void ExpectSameAsFullLoop(const momenten& holes, RealPoint O, RealPoint Dc, RealPoint Dr,
                          const std::string& what)
{
    TestSupport::CapturedPlatform platform;
    matrix M, refM;
    kolom V, refV;
    const double total = GridNormalEquations(holes, O, Dc, Dr, M, V, &platform.console);
    const std::string lines = platform.console.Text();
    matrix again = M;
    kolom againV = V;
    EXPECT_TRUE(SameBits(GridNormalEquations(holes, O, Dc, Dr, again, againV, &platform.console), total))
        << what << ", again";
    ExpectSameBits(again, againV, M, V, what + ", again");

    platform.console.Clear();
    const double refTotal = FullLoopReference(holes, O, Dc, Dr, refM, refV, &platform.console);
    EXPECT_TRUE(SameBits(total, refTotal)) << what << ": total " << total << " against " << refTotal;
    ExpectSameBits(M, V, refM, refV, what);
    EXPECT_EQ(lines, platform.console.Text()) << what;

    // The holes placed on the same grid: the same cells, the same console lines.
    platform.console.Clear();
    const Algemeen::punten cells = PlaceHoles({O, Dc, Dr}, holes, platform.console);
    const std::string placed = platform.console.Text();
    platform.console.Clear();
    const Algemeen::punten refCells =
        GridFitReference::FullPlacementReference({O, Dc, Dr}, holes, platform.console);
    ASSERT_EQ(cells.Length(), refCells.Length()) << what;
    for (std::ptrdiff_t l = 1; l < cells.Length(); ++l)
        EXPECT_TRUE(cells[l].X == refCells[l].X && cells[l].Y == refCells[l].Y) << what << ": hole " << l;
    EXPECT_EQ(placed, platform.console.Text()) << what;
}

// The area moments of a hole of w x h pixels turned by `angle` and centred at `centre`.
MomentRecord HoleRecord(double w, double h, double angle, RealPoint centre)
{
    const RealPoint u{std::cos(angle), std::sin(angle)};
    Jordan ring{{-w / 2, -h / 2}, {w / 2, -h / 2}, {w / 2, h / 2}, {-w / 2, h / 2}};
    for (RealPoint& p : ring)
        p = Algemeen::OffsetPoint(Algemeen::TurnPoint(p, u, +1), centre, +1);
    Contour c;
    c.SetPoints(ring);
    c.ComputeMoments();
    return c.AreaMoments;
}

MomentRecord Blob(double sxx, double syy, double sxy, RealPoint centre)
{
    MomentRecord r;
    r.Sxx = sxx;
    r.Syy = syy;
    r.Sxy = sxy;
    r.Centre = centre;
    return r;
}

} // namespace

TEST(InitialGridTest, NominalGridOnTheModelAndOnItsHalfTurn)
{
    const double s = 11.811;
    Ponskaart card = CardModel(s);
    RealPoint o, dc, dr;
    InitialGrid(card, BestFitVerdict{}, card.AreaMoments, o, dc, dr);
    EXPECT_NEAR(o.X, 5.7125 * s, 1e-9);
    EXPECT_NEAR(o.Y, -6.75 * s, 1e-9);
    EXPECT_NEAR(dc.X, 2.225 * s, 1e-12);
    EXPECT_NEAR(dc.Y, 0.0, 1e-12);
    EXPECT_NEAR(dr.X, 0.0, 1e-12);
    EXPECT_NEAR(dr.Y, -6.315 * s, 1e-12);

    // The card turned by a half turn about its centre: BestFit finds the model reversed, the steps
    // come out negated and the origin lies near the opposite corner.
    const RealPoint c = card.AreaMoments.Centre;
    Jordan turned(card.Points.Length());
    for (std::ptrdiff_t k = 0; k < turned.Length(); ++k)
        turned[k] = {2 * c.X - card.Points[k].X, 2 * c.Y - card.Points[k].Y};
    Contour specimen;
    specimen.SetPoints(turned);
    specimen.ComputeMoments();
    const BestFitVerdict turn = card.BestFit(specimen);
    EXPECT_TRUE(turn.Reversed);
    RealPoint o2, dc2, dr2;
    InitialGrid(card, turn, specimen.AreaMoments, o2, dc2, dr2);
    EXPECT_NEAR(dc2.X, -dc.X, 1e-9);
    EXPECT_NEAR(dc2.Y, -dc.Y, 1e-9);
    EXPECT_NEAR(dr2.X, -dr.X, 1e-9);
    EXPECT_NEAR(dr2.Y, -dr.Y, 1e-9);
    EXPECT_NEAR(o2.X, 2 * c.X - o.X, 1e-9);
    EXPECT_NEAR(o2.Y, 2 * c.Y - o.Y, 1e-9);
}

TEST(GridNormalEquationsTest, NoHoleLeavesEverythingZero)
{
    matrix M = Algemeen::MakeMatrix(2);
    M[1][1] = 5;
    kolom V(3);
    V[2] = 7;
    momenten holes(1);
    EXPECT_EQ(GridNormalEquations(holes, {10, 10}, {26, 0}, {0, -74}, M, V), 0.0);
    EXPECT_EQ(M, Algemeen::MakeMatrix(6));
    EXPECT_EQ(V, kolom(7));
    EXPECT_EQ(GridNormalEquations(momenten{}, {10, 10}, {26, 0}, {0, -74}, M, V), 0.0);
    EXPECT_EQ(M, Algemeen::MakeMatrix(6));
}

TEST(GridNormalEquationsTest, IsolatedHoleOnAGridPositionWeighsExactlyOne)
{
    // A small hole centred on position (i, j) = (3, 2); its neighbours are far beyond the cut-off.
    const RealPoint O{100, 50}, Dc{26, 0}, Dr{0, 74};
    const double sxx = 2.0, syy = 3.0, sxy = 0.5, d = sxx * syy - sxy * sxy;
    momenten holes(2);
    holes[1] = Blob(sxx, syy, sxy, {O.X + 3 * Dc.X, O.Y + 2 * Dr.Y});
    matrix M;
    kolom V;
    EXPECT_EQ(GridNormalEquations(holes, O, Dc, Dr, M, V), 1.0);
    // M is the hole's inverse covariance times f f^T, f = (1, 3, 2): rank 2.
    const double f[3] = {1, 3, 2};
    const double kxx = sxx / d, kyy = syy / d, kxy = sxy / d;
    for (int r = 0; r < 3; ++r) {
        for (int t = 0; t < 3; ++t) {
            EXPECT_EQ(M[1 + r][1 + t], kyy * f[r] * f[t]);
            EXPECT_EQ(M[1 + r][4 + t], -kxy * f[r] * f[t]);
            EXPECT_EQ(M[4 + r][1 + t], -kxy * f[r] * f[t]);
            EXPECT_EQ(M[4 + r][4 + t], kxx * f[r] * f[t]);
        }
    }
    EXPECT_EQ(M[0], kolom(7));
    EXPECT_EQ(V[4], -kxy * holes[1].Centre.X + kxx * holes[1].Centre.Y);
    ExpectSameAsFullLoop(holes, O, Dc, Dr, "isolated hole");
}

TEST(GridNormalEquationsTest, PositionExactlyAtTheCutOffCounts)
{
    // A round hole (K = 1) and a column step whose square is exactly (2 pi)^2: the neighbouring
    // columns lie on the cut-off and each contributes exp(-2 pi^2).
    double step = std::sqrt(Algemeen::kWeightCutOff);
    while (step * step > Algemeen::kWeightCutOff)
        step = std::nextafter(step, 0.0);
    while (std::nextafter(step, 10.0) * std::nextafter(step, 10.0) <= Algemeen::kWeightCutOff)
        step = std::nextafter(step, 10.0);
    const double q = step * step;
    const RealPoint O{0, 0}, Dc{step, 0}, Dr{0, 100};
    momenten holes(2);
    holes[1] = Blob(1, 1, 0, {0, 0});
    matrix M;
    kolom V;
    EXPECT_EQ(GridNormalEquations(holes, O, Dc, Dr, M, V), 1.0 + std::exp(-q / 2));
    EXPECT_NEAR(std::exp(-q / 2), std::exp(-2 * std::numbers::pi * std::numbers::pi), 1e-20);
    ExpectSameAsFullLoop(holes, O, Dc, Dr, "cut-off");
    // From column 1 both neighbours lie on the cut-off (2 step - step and 0 - step are exact).
    holes[1].Centre = {step, 0};
    EXPECT_EQ(GridNormalEquations(holes, O, Dc, Dr, M, V), 1.0 + std::exp(-q / 2) + std::exp(-q / 2));
    ExpectSameAsFullLoop(holes, O, Dc, Dr, "cut-off on both sides");
    // A hair further out the neighbour weighs nothing.
    holes[1].Centre = {0, 0};
    EXPECT_EQ(GridNormalEquations(holes, O, {std::nextafter(step, 10.0), 0}, Dr, M, V), 1.0);
}

// Cards at many resolutions, angles and positions, with grids slightly off and holes jittered
// round their positions, and some awkward holes mixed in: the skipping of zero-weight positions
// must never change a bit of M, V or the total, nor the console.
TEST(GridNormalEquationsTest, SkippingZeroWeightsMatchesTheFullLoopBitForBit)
{
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto between = [&](double a, double b) { return a + (b - a) * unit(random); };
    for (int trial = 0; trial < 60; ++trial) {
        const double s = between(4.0, 24.0);
        const double angle = between(-std::numbers::pi, std::numbers::pi);
        const RealPoint u{std::cos(angle), std::sin(angle)};
        const RealPoint O{between(-500, 3000), between(-500, 3000)};
        RealPoint Dc = Algemeen::TurnPoint({2.225 * s, 0}, u, +1);
        RealPoint Dr = Algemeen::TurnPoint({0, -6.315 * s}, u, +1);
        momenten holes(1);
        const int count = static_cast<int>(between(1, 120));
        for (int n = 0; n < count; ++n) {
            const double i = std::floor(between(-3, 83)), j = std::floor(between(-2, 14));
            const RealPoint at{i * Dc.X + O.X + j * Dr.X + between(-0.6, 0.6) * Dc.X,
                               i * Dc.Y + O.Y + j * Dr.Y + between(-0.6, 0.6) * Dr.Y};
            holes.Append(HoleRecord(kHoleWidth * s * between(0.7, 1.5), kHoleHeight * s * between(0.7, 1.5),
                                    angle + between(-0.2, 0.2), at));
        }
        // Grid a little sheared and scaled, as a fit step may leave it.
        Dc = {Dc.X * between(0.97, 1.03) + between(-0.3, 0.3),
              Dc.Y * between(0.97, 1.03) + between(-0.3, 0.3)};
        Dr = {Dr.X * between(0.97, 1.03) + between(-0.3, 0.3),
              Dr.Y * between(0.97, 1.03) + between(-0.3, 0.3)};
        ExpectSameAsFullLoop(holes, O, Dc, Dr, "card " + std::to_string(trial));
    }
}

TEST(GridNormalEquationsTest, AwkwardHolesAndGridsMatchTheFullLoop)
{
    const RealPoint O{100, 100}, Dc{26.3, 0.4}, Dr{-0.9, 74.6};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    momenten holes(1);
    holes.Append(Blob(24, 142, 3, {400, 300}));         // an ordinary hole
    holes.Append(Blob(4, 0, 0, {420, 300}));            // D = 0: weighs nothing
    holes.Append(Blob(1e-3, 1e5, 0, {500, 400}));       // very elongated: visited everywhere
    holes.Append(Blob(100000, 100000, 0, {1000, 500})); // larger than the card
    holes.Append(Blob(24, 142, 3, {-5000, 300}));       // far off the card
    holes.Append(Blob(24, 142, 3, {1e300, -1e300}));    // absurdly far
    ExpectSameAsFullLoop(holes, O, Dc, Dr, "awkward holes");

    momenten alarming(1);
    alarming.Append(Blob(24, 142, 80, {400, 300}));  // D < 0: ALARM lines, weights above 1
    alarming.Append(Blob(-24, -142, 3, {600, 300})); // negative definite
    ExpectSameAsFullLoop(alarming, O, Dc, Dr, "indefinite moments");

    momenten broken(1);
    broken.Append(Blob(24, 142, 3, {nan, 300}));
    broken.Append(Blob(24, 142, 3, {inf, 300}));
    ExpectSameAsFullLoop(broken, O, Dc, Dr, "centres that are not numbers");

    ExpectSameAsFullLoop(holes, O, {0, 0}, Dr, "collapsed column step");
    ExpectSameAsFullLoop(holes, O, Dc, {Dc.X * 3, Dc.Y * 3}, "steps in one line");
    ExpectSameAsFullLoop(holes, O, {1e-9, 0}, {0, 1e-9}, "tiny grid");
    ExpectSameAsFullLoop(holes, {nan, 0}, Dc, Dr, "origin not a number");
    ExpectSameAsFullLoop(holes, O, {inf, 0}, Dr, "infinite step");
}
