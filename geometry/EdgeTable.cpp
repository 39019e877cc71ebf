#include "EdgeTable.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Ogenblik {

namespace {

constexpr double kBandHeight = 8.0; // rows per band
// Rows visited on either side of a point: the first reach decides nearly every hole of a card; the
// wider ones spare the points near its top and bottom edges a walk over the whole ring.
constexpr double kReaches[] = {16.0, 64.0, 256.0};
constexpr double kRoundingSlack = 1e-6;
constexpr double kOnTheRing = 1e-6; // as Contour::Contains: an edge that runs (almost) through the point

} // namespace

std::int32_t EdgeTable::BandOf(double y) const
{
    const double b = std::floor((y - top_) / kBandHeight);
    return static_cast<std::int32_t>(std::clamp(b, 0.0, static_cast<double>(bands_ - 1)));
}

EdgeTable::EdgeTable(const Contour& ring) : ring_(ring)
{
    const Jordan& p = ring.Points;
    const std::ptrdiff_t n = p.Length();
    if (n == 0)
        return;
    double bottom = p[0].Y;
    top_ = p[0].Y;
    for (const auto& q : p) {
        top_ = std::min(top_, q.Y);
        bottom = std::max(bottom, q.Y);
    }
    if (!std::isfinite(top_) || !std::isfinite(bottom) || (bottom - top_) / kBandHeight > 1e7)
        return; // no table: Contains asks the ring itself
    bands_ = static_cast<std::int32_t>(std::floor((bottom - top_) / kBandHeight)) + 1;
    const RealPoint* points = p.Data();
    std::vector<std::uint32_t> count(static_cast<std::size_t>(bands_) + 1, 0);
    lengthBefore_.assign(static_cast<std::size_t>(bands_) + 1, 0.0);
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        const RealPoint a = points[k == 0 ? n - 1 : k - 1], b = points[k];
        const double length = std::sqrt((b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y));
        const std::int32_t last = BandOf(std::max(a.Y, b.Y));
        for (std::int32_t band = BandOf(std::min(a.Y, b.Y)); band <= last; ++band) {
            ++count[static_cast<std::size_t>(band) + 1];
            lengthBefore_[static_cast<std::size_t>(band) + 1] += length;
        }
    }
    for (std::size_t b = 1; b < count.size(); ++b) {
        count[b] += count[b - 1];
        lengthBefore_[b] += lengthBefore_[b - 1];
    }
    bandStart_ = count;
    entries_.resize(count.back());
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        const RealPoint a = points[k == 0 ? n - 1 : k - 1], b = points[k];
        const std::int32_t first = BandOf(std::min(a.Y, b.Y)), last = BandOf(std::max(a.Y, b.Y));
        for (std::int32_t band = first; band <= last; ++band)
            entries_[count[static_cast<std::size_t>(band)]++] = {a, b, first};
    }
}

double EdgeTable::FarBound(std::int32_t nearest, std::int32_t step, double gap) const
{
    double bound = 0.0;
    std::int32_t from = nearest;
    for (std::int32_t run = 1; from >= 0 && from < bands_; run *= 2) {
        const std::int32_t to = std::clamp(from + step * run, -1, bands_); // one past the run
        const std::int32_t low = std::min(from, to - step), high = std::max(from, to - step);
        const double length =
            lengthBefore_[static_cast<std::size_t>(high) + 1] - lengthBefore_[static_cast<std::size_t>(low)];
        const double distance = gap + std::abs(from - nearest) * kBandHeight;
        bound += length / (distance * distance);
        from = to;
    }
    return bound;
}

EdgeTable::Verdict EdgeTable::Decide(RealPoint point, double reach) const
{
    const std::int32_t first = BandOf(point.Y - reach), last = BandOf(point.Y + reach);
    int winding = 0;
    double leftOut = 0.0;
    const Entry* entries = entries_.data();
    for (std::int32_t band = first; band <= last; ++band)
        for (std::uint32_t m = bandStart_[static_cast<std::size_t>(band)];
             m < bandStart_[static_cast<std::size_t>(band) + 1]; ++m) {
            const Entry& e = entries[m];
            if (std::max(e.firstBand, first) != band)
                continue; // met in an earlier visited band
            const RealPoint a = Algemeen::OffsetPoint(e.from, point, -1);
            const RealPoint b = Algemeen::OffsetPoint(e.to, point, -1);
            const double cross = a.X * b.Y - b.X * a.Y;
            if (a.Y <= 0.0) {
                if (b.Y > 0.0 && cross > 0.0)
                    ++winding;
            } else if (b.Y <= 0.0 && cross < 0.0) {
                --winding;
            }
            const double dist = std::sqrt((b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y));
            if (!(dist * 1.0 > std::fabs(cross)))
                continue;
            if (std::fabs(cross) < kOnTheRing)
                return Verdict::OnTheRing;
            // The angle the edge would have added, as Contains works it out.
            const double lenA = std::sqrt(a.X * a.X + a.Y * a.Y), lenB = std::sqrt(b.X * b.X + b.Y * b.Y);
            const RealPoint u{a.X / lenA, a.Y / lenA}, v{b.X / lenB, b.Y / lenB};
            const RealPoint s{u.X + v.X, u.Y + v.Y};
            leftOut += 2.0 * std::atan((u.X * s.Y - s.X * u.Y) / (u.X * s.X + u.Y * s.Y));
        }
    // The bands outside the visited ones begin this many rows from the point.
    const double above = point.Y - (top_ + first * kBandHeight);
    const double below = top_ + (last + 1) * kBandHeight - point.Y;
    double far = 0.0;
    if (first > 0)
        far += above > 1.0 ? FarBound(first - 1, -1, above) : INFINITY;
    if (last < bands_ - 1)
        far += below > 1.0 ? FarBound(last + 1, +1, below) : INFINITY;
    const double sum = 2.0 * std::numbers::pi * winding - leftOut;
    if (std::isfinite(sum) && std::fabs(sum - std::numbers::pi) > far + kRoundingSlack)
        return sum > std::numbers::pi ? Verdict::Inside : Verdict::Outside;
    return Verdict::Undecided;
}

bool EdgeTable::Contains(RealPoint point) const
{
    if (bands_ == 0 || !std::isfinite(point.X) || !std::isfinite(point.Y) ||
        !std::isfinite(lengthBefore_.back()))
        return ring_.Contains(point);
    for (const double reach : kReaches) {
        const Verdict verdict = Decide(point, reach);
        if (verdict == Verdict::OnTheRing)
            break;
        if (verdict != Verdict::Undecided)
            return verdict == Verdict::Inside;
        if (BandOf(point.Y - reach) == 0 && BandOf(point.Y + reach) == bands_ - 1)
            break; // every band was visited
    }
    return ring_.Contains(point);
}

} // namespace Ogenblik
