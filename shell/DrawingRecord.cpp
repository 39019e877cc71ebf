#include "DrawingRecord.h"

#include <algorithm>

namespace Unit1 {

void DrawingRecord::SetSize(std::int32_t width, std::int32_t height)
{
    // A new size starts a new drawing, as it does on a bitmap; the room reserved for it stays while
    // no copy shares the steps.
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (ops_ && ops_.use_count() == 1)
        ops_->clear();
    else
        ops_ = std::make_shared<std::vector<Step>>();
}

void DrawingRecord::FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Colour c)
{
    Add({Op::Fill, x0, y0, x1, y1, c});
}

void DrawingRecord::SetPenColour(Colour c)
{
    Add({Op::Pen, 0, 0, 0, 0, c});
}
void DrawingRecord::MoveTo(std::int32_t x, std::int32_t y)
{
    Add({Op::Move, x, y, 0, 0, 0});
}
void DrawingRecord::LineTo(std::int32_t x, std::int32_t y)
{
    Add({Op::Line, x, y, 0, 0, 0});
}

void DrawingRecord::Add(const Step& step)
{
    if (!ops_)
        ops_ = std::make_shared<std::vector<Step>>();
    else if (ops_.use_count() > 1)
        ops_ = std::make_shared<std::vector<Step>>(*ops_); // a copy shares these steps
    ops_->push_back(step);
}

void DrawingRecord::Reserve(std::size_t steps)
{
    if (!ops_ || ops_.use_count() > 1)
        ops_ = std::make_shared<std::vector<Step>>(ops_ ? *ops_ : std::vector<Step>{});
    ops_->reserve(ops_->size() + steps);
}

void DrawingRecord::ReplayOnto(DrawingSurface& surface) const
{
    surface.SetSize(width_, height_);
    if (!ops_)
        return;
    for (const Step& s : *ops_) {
        switch (s.op) {
        case Op::Fill:
            surface.FillRect(s.a, s.b, s.c, s.d, s.colour);
            break;
        case Op::Pen:
            surface.SetPenColour(s.colour);
            break;
        case Op::Move:
            surface.MoveTo(s.a, s.b);
            break;
        case Op::Line:
            surface.LineTo(s.a, s.b);
            break;
        }
    }
}

Raster DrawingRecord::Rasterise() const
{
    Raster raster;
    ReplayOnto(raster);
    return raster;
}

} // namespace Unit1
