// An in-memory RGB raster (one 32-bit colour per pixel, red in the low byte) that implements the
// drawing surface. Both programs and the tests draw on it, so the overlay is the same everywhere.
#pragma once

#include "Seams.h"

#include <cstdint>
#include <vector>

namespace Algemeen {

class Raster : public DrawingSurface
{
public:
    Raster() = default;
    Raster(std::int32_t width, std::int32_t height, Colour fill = kWhite);

    // Resizes; the new content is white. A negative size counts as 0. Throws std::length_error
    // for a size whose pixel count does not fit in memory arithmetic.
    void SetSize(std::int32_t width, std::int32_t height) override;
    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }
    void FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Colour c) override;
    void SetPenColour(Colour c) override { pen_ = c; }
    void MoveTo(std::int32_t x, std::int32_t y) override;
    void LineTo(std::int32_t x, std::int32_t y) override;

    // Pixels outside the raster read as white and ignore writes.
    Colour Pixel(std::int32_t x, std::int32_t y) const;
    void SetPixel(std::int32_t x, std::int32_t y, Colour c);
    bool Contains(std::int32_t x, std::int32_t y) const
    {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }

    const std::vector<Colour>& Pixels() const { return pixels_; }
    friend bool operator==(const Raster& a, const Raster& b)
    {
        return a.width_ == b.width_ && a.height_ == b.height_ && a.pixels_ == b.pixels_;
    }

private:
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::vector<Colour> pixels_;
    Colour pen_ = kBlack;
    std::int64_t penX_ = 0;
    std::int64_t penY_ = 0;
};

} // namespace Algemeen
