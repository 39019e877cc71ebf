#include "Raster.h"

#include "PlotLine.h"

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

// The line from the pen position to (x, y) (PlotLine); the end pixel is left undrawn.
void Raster::LineTo(std::int32_t x, std::int32_t y)
{
    PlotLine(penX_, penY_, x, y, [this](std::int64_t cx, std::int64_t cy) {
        if (cx >= 0 && cy >= 0 && cx < width_ && cy < height_)
            pixels_[static_cast<std::size_t>(cy * width_ + cx)] = pen_;
    });
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
