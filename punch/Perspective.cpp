#include "Perspective.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Punch {

namespace {

using Matrix = std::array<double, 9>;

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix c{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                c[static_cast<std::size_t>(3 * i + j)] +=
                    a[static_cast<std::size_t>(3 * i + k)] * b[static_cast<std::size_t>(3 * k + j)];
    return c;
}

// The inverse up to a factor (the adjugate), which is all a projective map needs.
Matrix Adjugate(const Matrix& m)
{
    return {m[4] * m[8] - m[5] * m[7], m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
            m[5] * m[6] - m[3] * m[8], m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
            m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]};
}

Matrix Shift(double dx, double dy)
{
    return {1.0, 0.0, dx, 0.0, 1.0, dy, 0.0, 0.0, 1.0};
}

} // namespace

Perspective::Perspective(double aboutHorizontal, double aboutVertical, double width, double height,
                         double margin)
    : pageWidth_(width), pageHeight_(height)
{
    // The page turned about its x axis by a, then about its y axis by b; the camera looks along z
    // from a distance d, with the focal length d so that the centre keeps its scale. The signs put
    // the upper and the right-hand edge away from the camera for positive angles.
    const double a = -aboutHorizontal * std::numbers::pi / 180.0;
    const double b = -aboutVertical * std::numbers::pi / 180.0;
    const double d = 2.5 * std::max(width, height);
    const double e1x = std::cos(b), e1y = 0.0, e1z = -std::sin(b);
    const double e2x = std::sin(a) * std::sin(b), e2y = std::cos(a), e2z = std::sin(a) * std::cos(b);
    const Matrix camera{d * e1x, d * e2x, 0.0, d * e1y, d * e2y, 0.0, e1z, e2z, d};
    forward_ = Multiply(camera, Shift(-width / 2.0, -height / 2.0));
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (const PagePoint& corner : Corners()) {
        left = std::min(left, corner.x);
        right = std::max(right, corner.x);
        top = std::min(top, corner.y);
        bottom = std::max(bottom, corner.y);
    }
    forward_ = Multiply(Shift(margin - left, margin - top), forward_);
    backward_ = Adjugate(forward_);
    width_ = static_cast<std::int32_t>(std::ceil(right - left + 2.0 * margin));
    height_ = static_cast<std::int32_t>(std::ceil(bottom - top + 2.0 * margin));
}

PagePoint Perspective::Apply(const Matrix& m, PagePoint p)
{
    const double w = m[6] * p.x + m[7] * p.y + m[8];
    return {(m[0] * p.x + m[1] * p.y + m[2]) / w, (m[3] * p.x + m[4] * p.y + m[5]) / w};
}

PagePoint Perspective::Map(PagePoint page) const
{
    return Apply(forward_, page);
}

PagePoint Perspective::Unmap(PagePoint picture) const
{
    return Apply(backward_, picture);
}

std::array<PagePoint, 4> Perspective::Corners() const
{
    return {Map({0.0, 0.0}), Map({pageWidth_, 0.0}), Map({pageWidth_, pageHeight_}), Map({0.0, pageHeight_})};
}

BMPunit::BitImage WarpPage(const BMPunit::BitImage& page, const Perspective& perspective, int oversample)
{
    BMPunit::BitImage picture(perspective.Width(), perspective.Height(), true);
    constexpr std::array<double, 2> kSamples{0.25, 0.75};
    for (std::int32_t y = 0; y < picture.height; ++y)
        for (std::int32_t x = 0; x < picture.width; ++x) {
            int white = 0;
            for (const double sy : kSamples)
                for (const double sx : kSamples) {
                    const PagePoint at = perspective.Unmap({x + sx, y + sy});
                    const auto px = static_cast<std::int32_t>(std::floor(at.x * oversample));
                    const auto py = static_cast<std::int32_t>(std::floor(at.y * oversample));
                    if (px >= 0 && py >= 0 && px < page.width && py < page.height && !page.Black(px, py))
                        ++white;
                }
            if (white >= 2)
                picture.Set(x, y, false);
        }
    return picture;
}

} // namespace Punch
