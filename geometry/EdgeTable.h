// A ring's edges indexed by bands of rows, so that the containment test of many points against one
// ring (every hole of a page against each card outline) looks at the edges near each point's row
// instead of at every edge of the ring.
#pragma once

#include "Contour.h"

#include <cstdint>
#include <vector>

namespace Ogenblik {

class EdgeTable
{
public:
    // Indexes the ring's edges; the contour must outlive the table and keep its points.
    explicit EdgeTable(const Contour& ring);

    // Exactly ring.Contains(point), for every point.
    //
    // Contains sums 2 pi times the winding number and takes away the angles of the edges whose line
    // passes within a pixel of the point. The winding number comes from the edges that cross the
    // point's row, all of them in its own band. An edge whose line passes within delta < 1 of the
    // point and whose nearest point lies at distance D subtends at most delta L / D^2 < L / D^2 (L
    // its length). The bands within a reach of rows around the point are visited; of every other
    // band the length of its edges over the square of its distance from the point bounds what its
    // edges take away, summed over runs of bands that double in length as they go away. When the
    // visited sum lies further from pi than that bound (plus rounding), its side of pi is the
    // answer; when not, a wider reach is tried, and past the widest, or when the point lies on or
    // very near a visited edge, the ring's own Contains decides.
    bool Contains(RealPoint point) const;

private:
    // One edge as listed in one of its bands: its end points, and the first band it lies in, so
    // that a walk over several bands meets it once.
    struct Entry
    {
        RealPoint from, to;
        std::int32_t firstBand;
    };
    enum class Verdict
    {
        Outside,
        Inside,
        Undecided,
        OnTheRing
    };

    const Contour& ring_;
    double top_ = 0.0;                 // the first band starts at this row
    std::int32_t bands_ = 0;           // number of bands
    std::vector<double> lengthBefore_; // total edge length of bands 0 .. b - 1, an edge in each of its bands
    std::vector<std::uint32_t> bandStart_; // band b's edges are entries_[bandStart_[b] .. [b + 1])
    std::vector<Entry> entries_;
    std::int32_t BandOf(double y) const;
    // The answer from the bands within `reach` rows of the point, when they decide it.
    Verdict Decide(RealPoint point, double reach) const;
    // At most what the edges of the bands from `nearest` outwards take away from a point that lies
    // `gap` rows or more from the nearest of them, walking away from the point in the direction
    // `step` (+1 down, -1 up).
    double FarBound(std::int32_t nearest, std::int32_t step, double gap) const;
};

} // namespace Ogenblik
