// A closed ring of points with the measures the card reader compares: signed area and perimeter,
// centre, central second moments of the enclosed region and of the outline as a thin wire, and the
// minor principal axis; and the winding test for a point. Moments of a polygon are summed over its
// edges by Green's theorem, each sum visiting the edges in ring order starting with the closing
// edge from the last point to the first, so repeated measurements agree to the last bit.
#pragma once

#include "Algemeen.h"

namespace Ogenblik {

using Algemeen::Jordan;
using Algemeen::RealPoint;

// The twelve measures of one ring, in this order; copied whole between contours and arrays.
struct MomentRecord
{
    double Size = 0.0;            // signed area (area moments) or perimeter (boundary moments)
    double Trace = 0.0;           // Sxx + Syy
    double RootDeterminant = 0.0; // sqrt(Sxx * Syy - Sxy^2)
    double Sxx = 0.0;             // central second moments per unit of Size
    double Syy = 0.0;
    double Sxy = 0.0;
    RealPoint Centre;         // centroid of the region, or of the outline as a uniform wire
    RealPoint Axis;           // unit vector along the minor principal axis
    double MajorSpread = 0.0; // sqrt of the larger eigenvalue of [[Sxx, Sxy], [Sxy, Syy]]
    double MinorSpread = 0.0; // RootDeterminant / MajorSpread

    friend bool operator==(const MomentRecord&, const MomentRecord&) = default;
};

using momenten = Algemeen::Grow<MomentRecord>;

// From Sxx, Syy and Sxy derives Trace, RootDeterminant, MajorSpread, MinorSpread and Axis. A
// determinant that rounding leaves a hair below 0 counts as 0, and a zero MajorSpread gives a zero
// MinorSpread, so no field becomes NaN.
void FinishMoments(MomentRecord& record);

// The unit vector along the minor principal axis of [[sxx, sxy], [sxy, syy]] whose largest
// eigenvalue is `lambda`: of (cos t, sin t) and (-sin t, cos t), with t half the angle whose
// tangent is 2 sxy / (sxx - syy) (0 when sxy = 0, pi/4 when sxx = syy), the one that fits lambda
// worse; the second on a tie.
RealPoint MinorAxis(double sxx, double syy, double sxy, double lambda);

class Contour
{
public:
    Jordan Points;                // the ring; the edge from the last point to the first is implied
    MomentRecord AreaMoments;     // of the enclosed region
    MomentRecord BoundaryMoments; // of the ring as a thin uniform wire

    // Replaces the ring by a copy of `points`; the records keep their old values until a compute
    // call runs.
    void SetPoints(const Jordan& points) { Points = points; }

    static double Distance(RealPoint p, RealPoint q);

    // Only AreaMoments.Size (signed area: positive for a ring turning from +x towards +y) and
    // BoundaryMoments.Size (perimeter): the cheap first filter.
    void ComputeAreaAndLength();
    // ComputeAreaAndLength, then every other field of AreaMoments.
    void ComputeAreaMoments();
    // Every field of BoundaryMoments but Size, which must already hold the perimeter.
    void ComputeBoundaryMoments();
    // Both records in full: the call to make after SetPoints.
    void ComputeMoments();

    // Whether the ring winds round `point` in the positive sense: the angles under which the edges
    // are seen from the point sum to more than pi. Edges whose line passes within 1.0 of the point
    // add nothing; a ring of negative area contains no point.
    bool Contains(RealPoint point) const;

private:
    // A ring of fewer than three points, or of zero area, has no centre; its records then keep
    // Size and are zero otherwise.
    bool Degenerate() const;
};

} // namespace Ogenblik
