// A flat page as a camera sees it when the page is turned about its horizontal and vertical axes:
// the projective map between the page's pixels and the picture's, with the picture just large
// enough for the whole page and a margin around it.
#pragma once

#include "CardRenderer.h"

#include <array>

namespace Punch {

class Perspective
{
public:
    // A page of width x height pixels turned by `aboutHorizontal` degrees (its upper edge away
    // from the camera for a positive angle, so drawn shorter) and `aboutVertical` degrees (its
    // right-hand edge away), seen from a distance of 2.5 times its larger side, with the scale at
    // its centre kept. `margin` pixels are kept around the page's picture on every side.
    Perspective(double aboutHorizontal, double aboutVertical, double width, double height,
                double margin = 0.0);

    PagePoint Map(PagePoint page) const;      // page pixel -> picture pixel
    PagePoint Unmap(PagePoint picture) const; // and back
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // The page's corners in the picture: upper left, upper right, lower right, lower left.
    std::array<PagePoint, 4> Corners() const;

private:
    using Matrix = std::array<double, 9>;
    static PagePoint Apply(const Matrix& m, PagePoint p);
    Matrix forward_{};
    Matrix backward_{};
    double pageWidth_, pageHeight_;
    std::int32_t width_ = 0, height_ = 0;
};

// The picture of a 1-bit page under the perspective. `page` is drawn `oversample` times as finely
// as the page the perspective was made for; each picture pixel is white when at least half of its
// four samples fall on white.
BMPunit::BitImage WarpPage(const BMPunit::BitImage& page, const Perspective& perspective, int oversample);

} // namespace Punch
