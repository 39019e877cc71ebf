#include "Contour.h"

#include <cmath>
#include <numbers>

namespace Ogenblik {

namespace {

// The ring with `centre` subtracted from every point.
Jordan Centred(const Jordan& points, RealPoint centre)
{
    Jordan centred(points.Length());
    for (std::ptrdiff_t k = 0; k < points.Length(); ++k)
        centred[k] = Algemeen::OffsetPoint(points[k], centre, -1);
    return centred;
}

// Calls edge(Q, R) for every edge of the ring, the closing edge from the last point first.
template <class Edge> void ForEachEdge(const Jordan& points, Edge edge)
{
    const std::ptrdiff_t n = points.Length();
    if (n == 0)
        return;
    const RealPoint* p = points.Data();
    edge(p[n - 1], p[0]);
    for (std::ptrdiff_t k = 1; k < n; ++k)
        edge(p[k - 1], p[k]);
}

// Keeps Size and clears every other field.
void ClearAllButSize(MomentRecord& record)
{
    const double size = record.Size;
    record = MomentRecord{};
    record.Size = size;
}

} // namespace

void FinishMoments(MomentRecord& r)
{
    r.Trace = r.Sxx + r.Syy;
    const double determinant = r.Sxx * r.Syy - r.Sxy * r.Sxy;
    r.RootDeterminant = determinant > 0.0 ? std::sqrt(determinant) : 0.0;
    const double lambda =
        (r.Sxx + r.Syy) / 2.0 + std::sqrt((r.Sxx - r.Syy) * (r.Sxx - r.Syy) / 4.0 + r.Sxy * r.Sxy);
    r.MajorSpread = lambda > 0.0 ? std::sqrt(lambda) : 0.0;
    r.MinorSpread = r.MajorSpread > 0.0 ? r.RootDeterminant / r.MajorSpread : 0.0;
    r.Axis = MinorAxis(r.Sxx, r.Syy, r.Sxy, lambda);
}

RealPoint MinorAxis(double sxx, double syy, double sxy, double lambda)
{
    double theta = 0.0;
    if (sxx == syy)
        theta = std::numbers::pi / 4.0;
    if (sxy == 0.0)
        theta = 0.0;
    else if (sxx != syy)
        theta = std::atan(2.0 * sxy / (sxx - syy)) / 2.0;
    const RealPoint u{std::cos(theta), std::sin(theta)};
    const RealPoint v{-std::sin(theta), std::cos(theta)};
    auto residual = [&](RealPoint d) {
        const double a = (sxx - lambda) * d.X + sxy * d.Y;
        const double b = sxy * d.X + (syy - lambda) * d.Y;
        return a * a + b * b;
    };
    return residual(u) > residual(v) ? u : v;
}

double Contour::Distance(RealPoint p, RealPoint q)
{
    return std::sqrt((q.X - p.X) * (q.X - p.X) + (q.Y - p.Y) * (q.Y - p.Y));
}

bool Contour::Degenerate() const
{
    return Points.Length() < 3 || !std::isfinite(1.0 / (24.0 * AreaMoments.Size)) ||
           !(BoundaryMoments.Size > 0.0);
}

void Contour::ComputeAreaAndLength()
{
    double twiceArea = 0.0;
    double length = 0.0;
    ForEachEdge(Points, [&](RealPoint Q, RealPoint R) {
        twiceArea += Q.X * R.Y - R.X * Q.Y;
        length += Distance(Q, R);
    });
    AreaMoments.Size = twiceArea / 2.0;
    BoundaryMoments.Size = length;
}

void Contour::ComputeAreaMoments()
{
    ComputeAreaAndLength();
    MomentRecord& m = AreaMoments;
    if (Degenerate()) {
        ClearAllButSize(m);
        return;
    }
    const double sixth = 1.0 / (6.0 * m.Size);
    RealPoint centre;
    ForEachEdge(Points, [&](RealPoint Q, RealPoint R) {
        const double c = Q.X * R.Y - R.X * Q.Y;
        centre.X += c * (Q.X + R.X) * sixth;
        centre.Y += c * (Q.Y + R.Y) * sixth;
    });
    m.Centre = centre;

    const double share = 1.0 / (24.0 * m.Size);
    double sxx = 0.0, syy = 0.0, sxy = 0.0;
    ForEachEdge(Centred(Points, centre), [&](RealPoint Q, RealPoint R) {
        const double c = Q.X * R.Y - R.X * Q.Y;
        sxx += c * 2.0 * (Q.X * Q.X + R.X * R.X + Q.X * R.X) * share;
        syy += c * 2.0 * (Q.Y * Q.Y + R.Y * R.Y + Q.Y * R.Y) * share;
        sxy += c * (2.0 * (Q.X * Q.Y + R.X * R.Y) + Q.X * R.Y + R.X * Q.Y) * share;
    });
    m.Sxx = sxx;
    m.Syy = syy;
    m.Sxy = sxy;
    FinishMoments(m);
}

void Contour::ComputeBoundaryMoments()
{
    MomentRecord& m = BoundaryMoments;
    if (Degenerate()) {
        ClearAllButSize(m);
        return;
    }
    const double length = m.Size;
    RealPoint centre;
    ForEachEdge(Points, [&](RealPoint Q, RealPoint R) {
        const double d = Distance(Q, R);
        centre.X += d * (Q.X + R.X) / (2.0 * length);
        centre.Y += d * (Q.Y + R.Y) / (2.0 * length);
    });
    m.Centre = centre;

    double sxx = 0.0, syy = 0.0, sxy = 0.0;
    ForEachEdge(Centred(Points, centre), [&](RealPoint Q, RealPoint R) {
        const double d = Distance(Q, R);
        sxx += d * (Q.X * Q.X + Q.X * R.X + R.X * R.X) / 3.0 / length;
        syy += d * (Q.Y * Q.Y + Q.Y * R.Y + R.Y * R.Y) / 3.0 / length;
        sxy += d * ((Q.X * Q.Y + R.X * R.Y) / 3.0 + (Q.X * R.Y + R.X * Q.Y) / 6.0) / length;
    });
    m.Sxx = sxx;
    m.Syy = syy;
    m.Sxy = sxy;
    FinishMoments(m);
}

void Contour::ComputeMoments()
{
    ComputeAreaMoments();
    ComputeBoundaryMoments();
}

bool Contour::Contains(RealPoint point) const
{
    double angle = 0.0;
    ForEachEdge(Points, [&](RealPoint Q, RealPoint R) {
        angle += Algemeen::SubtendedAngle(Algemeen::OffsetPoint(Q, point, -1),
                                          Algemeen::OffsetPoint(R, point, -1));
    });
    return angle / std::numbers::pi > 1.0;
}

} // namespace Ogenblik
