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
    // its length), so the edges beyond h rows from the point take away less than P / h^2 together,
    // P being the ring's perimeter. The bands within h rows are visited, h chosen so that this is at
    // most a quarter; when the visited sum lies closer to pi than that bound (plus rounding), or
    // the point lies on or very near a visited edge, the ring's own Contains decides.
    bool Contains(RealPoint point) const;

private:
    const Contour& ring_;
    double top_ = 0.0;       // the first band starts at this row
    std::int32_t bands_ = 0; // number of bands
    double reach_ = 0.0;     // rows visited on either side of a point
    double perimeter_ = 0.0;
    std::vector<std::uint32_t> bandStart_; // band b's edges are edges_[bandStart_[b] .. [b + 1])
    std::vector<std::uint32_t> edges_;     // edge k joins point k - 1 (the last for k = 0) to point k
    std::int32_t BandOf(double y) const;
};

} // namespace Ogenblik
