#include "Ponskaart.h"

#include <cmath>

namespace Ogenblik {

using Algemeen::OffsetPoint;
using Algemeen::TurnPoint;

namespace {

// The card ring turns positively (positive area), the hole ring the other way.
Jordan CardRing()
{
    return Jordan{{0.0, -kCardHeight},
                  {kCardLength - kCutAlongLength, -kCardHeight},
                  {kCardLength, kCutAlongHeight - kCardHeight},
                  {kCardLength, 0.0},
                  {0.0, 0.0}};
}

Jordan HoleRing()
{
    return Jordan{{0.0, 0.0}, {kHoleWidth, 0.0}, {kHoleWidth, -kHoleHeight}, {0.0, -kHoleHeight}};
}

} // namespace

void NegatePoint(RealPoint& p)
{
    p = {-p.X, -p.Y};
}

void Ponskaart::MakeCard(double margin)
{
    IsCard = true;
    Margin = margin;
}

void Ponskaart::MakeHole(double margin)
{
    IsCard = false;
    Margin = margin;
}

void Ponskaart::BuildModel()
{
    Jordan ring = IsCard ? CardRing() : HoleRing();
    for (RealPoint& p : ring)
        p = {p.X * Scale, p.Y * Scale};
    SetPoints(ring);
    ComputeMoments();

    const double perimeter = BoundaryMoments.Size;
    const double area = AreaMoments.Size;
    AreaTolerance = perimeter * Margin;
    // A ring without area (Scale 0) has no relative band width; its tolerances stay 0.
    const double k = area != 0.0 ? Margin * perimeter / std::fabs(area) : 0.0;
    TraceTolerance = BoundaryMoments.Trace * k;
    DeterminantTolerance = BoundaryMoments.RootDeterminant * k;
}

RealPoint Ponskaart::ModelToSpecimen(const MomentRecord& specimen, RealPoint p) const
{
    RealPoint r = OffsetPoint(p, AreaMoments.Centre, -1);
    r = TurnToSpecimen(specimen, r);
    return OffsetPoint(r, specimen.Centre, +1);
}

RealPoint Ponskaart::TurnToSpecimen(const MomentRecord& specimen, RealPoint v) const
{
    return TurnPoint(TurnPoint(v, AreaMoments.Axis, -1), specimen.Axis, +1);
}

double Ponskaart::CornerScore(const Contour& specimen) const
{
    const RealPoint c1{kCardLength * Scale, (kCutAlongHeight - kCardHeight) * Scale};
    const RealPoint c2{(kCardLength - kCutAlongLength) * Scale, -kCardHeight * Scale};
    const RealPoint target =
        ModelToSpecimen(specimen.AreaMoments, {(c1.X + c2.X) / 2.0, (c1.Y + c2.Y) / 2.0});
    const double s2 = ((c1.X - c2.X) * (c1.X - c2.X) + (c1.Y - c2.Y) * (c1.Y - c2.Y)) / 36.0;
    // At Scale 0 the Gaussian has no width; nothing can lie near the cut.
    if (!(s2 > 0.0))
        return 0.0;
    const double reach = Algemeen::kWeightCutOff * s2; // (2 pi sigma)^2

    const Jordan& points = specimen.Points;
    const std::ptrdiff_t n = points.Length();
    double score = 0.0;
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        const RealPoint Q = points[k == 0 ? n - 1 : k - 1];
        const RealPoint R = points[k];
        const double mx = (Q.X + R.X) / 2.0 - target.X;
        const double my = (Q.Y + R.Y) / 2.0 - target.Y;
        const double d2 = mx * mx + my * my;
        if (d2 <= reach)
            score += std::exp(-d2 / (2.0 * s2)) * Distance(Q, R);
    }
    return score;
}

double Ponskaart::BestFit(const Contour& specimen, bool verbose, Algemeen::Console* out)
{
    const bool say = verbose && out != nullptr; // without a console the lines are dropped
    const double a = CornerScore(specimen);
    NegatePoint(AreaMoments.Axis);
    const double b = CornerScore(specimen);
    double result;
    if (b > a) {
        if (say)
            out->Line("Axes Reversed");
        result = b;
    } else {
        NegatePoint(AreaMoments.Axis);
        if (say)
            out->Line("Axes Allright");
        result = a;
    }
    if (say) {
        out->Write("Best Fit = ");
        out->WriteReal(result, 10, 5);
        out->EndLine();
    }
    return result;
}

void Ponskaart::OutlineInSpecimen(const Contour& specimen, Jordan& points) const
{
    Jordan outline(Points.Length());
    for (std::ptrdiff_t k = 0; k < Points.Length(); ++k)
        outline[k] = ModelToSpecimen(specimen.AreaMoments, Points[k]);
    points = std::move(outline);
}

} // namespace Ogenblik
