// Bresenham's line as a template over what plotting a pixel does: the one line algorithm of the
// raster (Raster::LineTo) and of the window's overlay drawn onto its picture.
#pragma once

#include <cstdint>

namespace Algemeen {

// Bresenham's line from (x0, y0) towards (x1, y1): plot(x, y) for each pixel on it, the end pixel
// left out so that a polyline does not draw its joints twice.
template <class Plot>
void PlotLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, Plot&& plot)
{
    const std::int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1, dy = -(y1 > y0 ? y1 - y0 : y0 - y1);
    const std::int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    std::int64_t err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        plot(x0, y0);
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

} // namespace Algemeen
