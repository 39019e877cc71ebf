#include "Photos.h"

#include "Quadrilateral.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace E2e {

korvane::Picture Tilted(const korvane::Picture& page, double aboutX, double aboutY, int margin)
{
    const double w = page.Width, h = page.Height, distance = 1.5 * std::max(w, h);
    const double a = aboutX * M_PI / 180, b = aboutY * M_PI / 180;
    const auto project = [&](Algemeen::RealPoint p) {
        const double x = p.X - w / 2, y0 = p.Y - h / 2;
        const double y = y0 * std::cos(a), z0 = y0 * std::sin(a);
        const double x1 = x * std::cos(b) + z0 * std::sin(b), z = -x * std::sin(b) + z0 * std::cos(b);
        return Algemeen::RealPoint{distance * x1 / (distance + z), distance * y / (distance + z)};
    };
    const std::array<Algemeen::RealPoint, 4> corners{{{0, 0}, {w, 0}, {w, h}, {0, h}}};
    std::array<Algemeen::RealPoint, 4> seen;
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (int k = 0; k < 4; ++k) {
        seen[k] = project(corners[k]);
        left = std::min(left, seen[k].X);
        top = std::min(top, seen[k].Y);
        right = std::max(right, seen[k].X);
        bottom = std::max(bottom, seen[k].Y);
    }
    for (auto& p : seen)
        p = {p.X - left + margin, p.Y - top + margin};
    const auto toPage = Ogenblik::Homography::FromCorners(seen, corners);
    if (!toPage)
        throw std::invalid_argument("the tilt leaves no picture");
    korvane::Picture photo;
    photo.Width = static_cast<std::int32_t>(std::ceil(right - left + 2 * margin));
    photo.Height = static_cast<std::int32_t>(std::ceil(bottom - top + 2 * margin));
    photo.PixelsPerMillimetre = page.PixelsPerMillimetre;
    photo.RowStep = static_cast<std::ptrdiff_t>(photo.RowBytes());
    photo.Bytes.assign(photo.RowBytes() * static_cast<std::size_t>(photo.Height), 0); // black
    for (std::int32_t y = 0; y < photo.Height; ++y)
        for (std::int32_t x = 0; x < photo.Width; ++x) {
            const auto p = toPage->Apply({x + 0.5, y + 0.5});
            const auto px = static_cast<std::int32_t>(std::floor(p.X)),
                       py = static_cast<std::int32_t>(std::floor(p.Y));
            if (px < 0 || py < 0 || px >= page.Width || py >= page.Height)
                continue;
            if ((page.Row(py)[px >> 3] >> (7 - (px & 7))) & 1)
                photo.Bytes[static_cast<std::size_t>(y) * photo.RowBytes() + (x >> 3)] |=
                    static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    return photo;
}

namespace {

void FillWhite(korvane::Picture& photo, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    for (std::int32_t y = std::max(0, y0); y < std::min(y1, photo.Height); ++y)
        for (std::int32_t x = std::max(0, x0); x < std::min(x1, photo.Width); ++x)
            photo.Bytes[static_cast<std::size_t>(y) * photo.RowBytes() + (x >> 3)] |=
                static_cast<std::uint8_t>(0x80 >> (x & 7));
}

} // namespace

void AddClutter(korvane::Picture& photo)
{
    FillWhite(photo, 10, 10, 130, 130);                                      // a sheet
    FillWhite(photo, 0, photo.Height - 40, photo.Width, photo.Height);       // a table's edge
    for (std::int32_t x = photo.Width / 3; x < photo.Width * 2 / 3; x += 14) // a line of text
        FillWhite(photo, x, 40, x + 9, 52);
}

} // namespace E2e
