#include "Orientation.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace Ogenblik {

namespace {

// The integral of exp(-d^2 / (2 s2)) along the segment from q to r, d the distance from t.
double GaussianAlong(RealPoint q, RealPoint r, RealPoint t, double s2)
{
    const double dx = r.X - q.X, dy = r.Y - q.Y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0.0))
        return 0.0;
    const double ux = dx / length, uy = dy / length;
    // Position of the foot of t along the segment, and t's distance from the segment's line.
    const double along = (t.X - q.X) * ux + (t.Y - q.Y) * uy;
    const double across = (t.X - q.X) * uy - (t.Y - q.Y) * ux;
    const double sigma = std::sqrt(s2);
    const double scale = sigma * std::numbers::sqrt2;
    const double part = std::erf((length - along) / scale) - std::erf(-along / scale);
    return std::exp(-across * across / (2.0 * s2)) * sigma * std::sqrt(std::numbers::pi / 2.0) * part;
}

// Carries a point of the model's frame into the picture as `Placement` puts the card: the model's
// centre to the specimen's and the model's axis (reversed for a half turn, counted from the reverse
// when `reversed`) onto the specimen's. A mirrored placement mirrors the model first across its long
// middle line, which mirrors its centre and its axis exactly with it.
RealPoint PlaceInSpecimen(const Ponskaart& model, const MomentRecord& specimen, bool reversed,
                          Placement placement, RealPoint p)
{
    const bool mirrored = placement == Placement::Mirrored || placement == Placement::MirroredTurned;
    const double flip = mirrored ? -1.0 : 1.0;
    const double middle = -kCardHeight * model.Scale; // twice the y of the long middle line
    auto mirror = [&](RealPoint q) { return mirrored ? RealPoint{q.X, middle - q.Y} : q; };
    const RealPoint c = mirror(model.AreaMoments.Centre);
    const double reverse = Reverses(placement) ? -1.0 : 1.0;
    const RealPoint axis = model.AxisOf(reversed);
    const RealPoint a{reverse * axis.X, reverse * flip * axis.Y};
    const RealPoint b = specimen.Axis;
    const double cosine = a.X * b.X + a.Y * b.Y, sine = a.X * b.Y - a.Y * b.X;
    const RealPoint q = mirror(p);
    const RealPoint v{q.X - c.X, q.Y - c.Y};
    return {specimen.Centre.X + cosine * v.X - sine * v.Y, specimen.Centre.Y + sine * v.X + cosine * v.Y};
}

// The part of a ring inside the half-plane left of the directed line a -> b (Sutherland-Hodgman,
// one edge). A concave ring may come out with edges running back along the line; they enclose no
// area, so the shoelace area of the result is still that of the ring's part in the half-plane.
std::vector<RealPoint> ClipLeftOf(const std::vector<RealPoint>& ring, RealPoint a, RealPoint b)
{
    auto side = [&](RealPoint p) { return (b.X - a.X) * (p.Y - a.Y) - (b.Y - a.Y) * (p.X - a.X); };
    std::vector<RealPoint> out;
    for (std::size_t k = 0; k < ring.size(); ++k) {
        const RealPoint p = ring[k], q = ring[(k + 1) % ring.size()];
        const double sp = side(p), sq = side(q);
        if (sp >= 0.0)
            out.push_back(p);
        if ((sp >= 0.0) != (sq >= 0.0)) {
            const double t = sp / (sp - sq);
            out.push_back({p.X + t * (q.X - p.X), p.Y + t * (q.Y - p.Y)});
        }
    }
    return out;
}

double RingArea(const std::vector<RealPoint>& ring)
{
    double twice = 0.0;
    for (std::size_t k = 0; k < ring.size(); ++k) {
        const RealPoint p = ring[k], q = ring[(k + 1) % ring.size()];
        twice += p.X * q.Y - q.X * p.Y;
    }
    return std::abs(twice) / 2.0;
}

} // namespace

std::array<double, 4> CornerMissingShares(const Ponskaart& model, const Contour& specimen, bool reversed)
{
    std::array<double, 4> shares{};
    const double s = model.Scale;
    const double area = kCutAlongLength * kCutAlongHeight * s * s / 2.0;
    const Jordan& points = specimen.Points;
    if (!(area > 0.0) || points.Length() < 3)
        return shares;
    // The cut-off triangle in the model's frame: along the upper edge, the corner, down the side.
    const std::array<RealPoint, 3> corner{RealPoint{(kCardLength - kCutAlongLength) * s, -kCardHeight * s},
                                          RealPoint{kCardLength * s, -kCardHeight * s},
                                          RealPoint{kCardLength * s, (kCutAlongHeight - kCardHeight) * s}};
    for (std::size_t h = 0; h < shares.size(); ++h) {
        std::array<RealPoint, 3> t{};
        for (std::size_t i = 0; i < 3; ++i)
            t[i] =
                PlaceInSpecimen(model, specimen.AreaMoments, reversed, static_cast<Placement>(h), corner[i]);
        // Counter-clockwise in the picture's coordinates, so that the inside lies left of each edge.
        const double turn = (t[1].X - t[0].X) * (t[2].Y - t[0].Y) - (t[1].Y - t[0].Y) * (t[2].X - t[0].X);
        if (turn < 0.0)
            std::swap(t[1], t[2]);
        std::vector<RealPoint> ring(points.begin(), points.end());
        for (std::size_t i = 0; i < 3 && !ring.empty(); ++i)
            ring = ClipLeftOf(ring, t[i], t[(i + 1) % 3]);
        const double kept = ring.size() < 3 ? 0.0 : RingArea(ring);
        shares[h] = std::isfinite(kept) ? std::clamp(1.0 - kept / area, 0.0, 1.0) : 0.0;
    }
    return shares;
}

std::array<double, 4> PlacementScores(const Ponskaart& model, const Contour& specimen, bool reversed)
{
    std::array<double, 4> scores{};
    const double s = model.Scale;
    const double cut = std::hypot(kCutAlongLength, kCutAlongHeight) * s;
    if (!(cut > 0.0) || specimen.Points.Length() < 2)
        return scores;
    const double s2 = cut * cut / 36.0;
    // The middle of the cut in the model's frame.
    const RealPoint middle{(kCardLength - kCutAlongLength / 2.0) * s,
                           (kCutAlongHeight / 2.0 - kCardHeight) * s};
    const Jordan& points = specimen.Points;
    const std::ptrdiff_t n = points.Length();
    // Edges farther than this from the target add less than 1e-9 of a cut each.
    const double reach2 = 50.0 * s2;
    for (std::size_t h = 0; h < scores.size(); ++h) {
        const RealPoint t =
            PlaceInSpecimen(model, specimen.AreaMoments, reversed, static_cast<Placement>(h), middle);
        double sum = 0.0;
        for (std::ptrdiff_t k = 0; k < n; ++k) {
            const RealPoint q = points[k == 0 ? n - 1 : k - 1];
            const RealPoint r = points[k];
            // Skip edges whose box lies beyond the reach.
            const double gx = std::max({0.0, std::min(q.X, r.X) - t.X, t.X - std::max(q.X, r.X)});
            const double gy = std::max({0.0, std::min(q.Y, r.Y) - t.Y, t.Y - std::max(q.Y, r.Y)});
            if (gx * gx + gy * gy > reach2)
                continue;
            sum += GaussianAlong(q, r, t, s2);
        }
        scores[h] = std::isfinite(sum) ? sum / cut : 0.0;
    }
    return scores;
}

OrientationJudgement JudgeOrientation(const std::array<double, 4>& scores,
                                      const std::array<double, 4>& missing)
{
    OrientationJudgement j;
    j.scores = scores;
    j.missing = missing;
    const auto best =
        static_cast<std::size_t>(std::max_element(scores.begin(), scores.end()) - scores.begin());
    j.best = static_cast<Placement>(best);
    j.score = scores[best];
    for (std::size_t h = 0; h < scores.size(); ++h)
        if (h != best)
            j.alternative = std::max(j.alternative, scores[h]);
    bool othersThere = true;
    for (std::size_t h = 0; h < missing.size(); ++h)
        if (h != best)
            othersThere = othersThere && missing[h] <= kCornerMissing;
    if (j.score >= kCutShare && missing[best] >= kCutMissing &&
        (j.score >= kCutLead * j.alternative || othersThere))
        j.verdict = best < 2 ? OrientationVerdict::Settled : OrientationVerdict::FaceUp;
    else
        j.verdict = OrientationVerdict::NoCutCorner;
    return j;
}

} // namespace Ogenblik
