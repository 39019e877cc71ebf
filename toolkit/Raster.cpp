#include "Raster.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace Algemeen {

Raster::Raster(std::int32_t width, std::int32_t height, Colour fill)
{
    SetSize(width, height);
    FillRect(0, 0, width_, height_, fill);
}

void Raster::SetSize(std::int32_t width, std::int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const auto count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (count > pixels_.max_size())
        throw std::length_error("raster too large");
    pixels_.assign(static_cast<std::size_t>(count), kWhite);
    width_ = width;
    height_ = height;
}

void Raster::FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Colour c)
{
    x0 = std::clamp(x0, 0, width_);
    x1 = std::clamp(x1, 0, width_);
    y0 = std::clamp(y0, 0, height_);
    y1 = std::clamp(y1, 0, height_);
    for (std::int32_t y = y0; y < y1; ++y) {
        auto row = pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width_;
        std::fill(row + x0, row + x1, c);
    }
}

void Raster::MoveTo(std::int32_t x, std::int32_t y)
{
    penX_ = x;
    penY_ = y;
}

// Bresenham's line from the pen position to (x, y); the end pixel is left undrawn so that a
// polyline does not draw its joints twice.
void Raster::LineTo(std::int32_t x, std::int32_t y)
{
    std::int64_t cx = penX_, cy = penY_;
    const std::int64_t dx = std::llabs(x - cx), dy = -std::llabs(y - cy);
    const std::int64_t sx = cx < x ? 1 : -1, sy = cy < y ? 1 : -1;
    std::int64_t err = dx + dy;
    while (cx != x || cy != y) {
        if (cx >= 0 && cy >= 0 && cx < width_ && cy < height_)
            pixels_[static_cast<std::size_t>(cy * width_ + cx)] = pen_;
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            cx += sx;
        }
        if (e2 <= dx) {
            err += dx;
            cy += sy;
        }
    }
    penX_ = x;
    penY_ = y;
}

Colour Raster::Pixel(std::int32_t x, std::int32_t y) const
{
    if (!Contains(x, y))
        return kWhite;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

void Raster::SetPixel(std::int32_t x, std::int32_t y, Colour c)
{
    if (Contains(x, y))
        pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x)] = c;
}

} // namespace Algemeen
