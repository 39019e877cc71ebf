#include "Orientation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

} // namespace

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

OrientationJudgement JudgeOrientation(const std::array<double, 4>& scores)
{
    OrientationJudgement j;
    j.scores = scores;
    const auto best =
        static_cast<std::size_t>(std::max_element(scores.begin(), scores.end()) - scores.begin());
    j.best = static_cast<Placement>(best);
    j.score = scores[best];
    for (std::size_t h = 0; h < scores.size(); ++h)
        if (h != best)
            j.alternative = std::max(j.alternative, scores[h]);
    if (j.score >= kCutShare && j.score >= kCutLead * j.alternative)
        j.verdict = best < 2 ? OrientationVerdict::Settled : OrientationVerdict::FaceUp;
    else
        j.verdict = OrientationVerdict::NoCutCorner;
    return j;
}

} // namespace Ogenblik
