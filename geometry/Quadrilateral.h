// A card seen in perspective: the quadrilateral of its four long sides fitted to outline points, how
// far that quadrilateral is from a card-shaped rectangle, and the projective transform (homography)
// that carries the card's own rectangle onto it.
#pragma once

#include "Algemeen.h"

#include <array>
#include <optional>
#include <vector>

namespace Ogenblik {

using Algemeen::RealPoint;

// Four corners in order round the quadrilateral (clockwise in picture coordinates, y down), the
// side from Corners[0] to Corners[1] a long one.
struct Quadrilateral
{
    std::array<RealPoint, 4> Corners;
};

// x' = (h0 x + h1 y + h2) / (h6 x + h7 y + 1), y' = (h3 x + h4 y + h5) / (h6 x + h7 y + 1).
class Homography
{
public:
    // The transform taking from[k] to to[k] for k = 0..3; nothing when three of either set lie on
    // one line (the 8 x 8 system of the four correspondences is singular).
    static std::optional<Homography> FromCorners(const std::array<RealPoint, 4>& from,
                                                 const std::array<RealPoint, 4>& to);
    RealPoint Apply(RealPoint p) const;
    const std::array<double, 8>& Coefficients() const { return h_; }

private:
    std::array<double, 8> h_{};
};

// The quadrilateral of a card's outline, from points on it (in any order: the row and column ends
// of the card's region, say). The four sides are straight lines fitted (total least squares) to
// the middle parts of the sides only, so the cut corner and the rounded corners do not pull them;
// the corners are where neighbouring sides meet. Nothing when the points are too few or do not
// make four sides. `Inliers` is the share of the points within a small distance of the sides.
struct QuadrilateralFit
{
    Quadrilateral Quad;
    double Inliers = 0.0;
};
std::optional<QuadrilateralFit> FitQuadrilateral(const std::vector<RealPoint>& outline);

// How far the quadrilateral is from the nearest rectangle of the card's proportions (length to
// width `aspect`): the largest distance of a corner from the corner of the rectangle that fits best
// (least squares over turn, scale and shift), as a share of the fitted rectangle's length.
double RectangleDeviation(const Quadrilateral& quad, double aspect);

// Area of the quadrilateral (shoelace formula), positive.
double Area(const Quadrilateral& quad);

} // namespace Ogenblik
