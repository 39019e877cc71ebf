// A drawing surface that records what is drawn instead of setting pixels, so a picture-sized
// raster is only paid for when somebody wants to look at the drawing. Replaying the record onto
// a Raster gives exactly the pixels that drawing on the Raster directly would have given. Copies
// share the recorded steps until one of them draws again, so handing a drawing to a window that
// keeps its own copy costs nothing.
#pragma once

#include "Algemeen.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Unit1 {

using Algemeen::Colour;
using Algemeen::DrawingSurface;
using Algemeen::Raster;

class DrawingRecord : public DrawingSurface
{
public:
    void SetSize(std::int32_t width, std::int32_t height) override;
    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }
    void FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Colour c) override;
    void SetPenColour(Colour c) override;
    void MoveTo(std::int32_t x, std::int32_t y) override;
    void LineTo(std::int32_t x, std::int32_t y) override;

    // Draws everything recorded, in order, onto the surface (which is first given this size).
    void ReplayOnto(DrawingSurface& surface) const;
    // A raster of the recorded drawing.
    Raster Rasterise() const;
    std::size_t OperationCount() const { return ops_ ? ops_->size() : 0; }
    // Makes room for this many more drawing steps at once.
    void Reserve(std::size_t steps);

private:
    enum class Op : std::uint8_t
    {
        Fill,
        Pen,
        Move,
        Line
    };
    struct Step
    {
        Op op;
        std::int32_t a, b, c, d;
        Colour colour;
    };
    void Add(const Step& step);

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::shared_ptr<std::vector<Step>> ops_;
};

} // namespace Unit1
