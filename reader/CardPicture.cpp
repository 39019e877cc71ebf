#include "korvane/CardPicture.h"

#include "GridFit.h"

#include <algorithm>
#include <cmath>

namespace korvane {

Algemeen::Raster CardPicture(const Picture& picture, const CardResult& card)
{
    double left = picture.Width, top = picture.Height, right = 0, bottom = 0;
    for (const auto& p : card.Outline) {
        left = std::min(left, p.X);
        top = std::min(top, p.Y);
        right = std::max(right, p.X);
        bottom = std::max(bottom, p.Y);
    }
    const auto x0 = std::clamp(static_cast<std::int32_t>(std::floor(left)) - 4, 0, picture.Width - 1);
    const auto y0 = std::clamp(static_cast<std::int32_t>(std::floor(top)) - 4, 0, picture.Height - 1);
    const auto x1 = std::clamp(static_cast<std::int32_t>(std::ceil(right)) + 4, x0, picture.Width - 1);
    const auto y1 = std::clamp(static_cast<std::int32_t>(std::ceil(bottom)) + 4, y0, picture.Height - 1);
    Algemeen::Raster raster(x1 - x0 + 1, y1 - y0 + 1);
    for (std::int32_t y = y0; y <= y1; ++y) {
        const std::uint8_t* row =
            picture.Bytes.data() + static_cast<std::ptrdiff_t>(picture.FirstRow) + y * picture.RowStep;
        for (std::int32_t x = x0; x <= x1; ++x)
            if ((row[x / 8] & (0x80 >> (x % 8))) == 0)
                raster.SetPixel(x - x0, y - y0, Algemeen::kBlack);
    }
    raster.SetPenColour(Algemeen::kBlue);
    const std::ptrdiff_t points = card.Outline.Length();
    for (std::ptrdiff_t k = 0; k <= points && points > 0; ++k) {
        const auto& p = card.Outline[k % points];
        const auto x = static_cast<std::int32_t>(std::lround(p.X)) - x0;
        const auto y = static_cast<std::int32_t>(std::lround(p.Y)) - y0;
        k == 0 ? raster.MoveTo(x, y) : raster.LineTo(x, y);
    }
    // The grid counts columns as the back shows them: grid column i is text column 80 - i.
    for (int column = 0; column < 80; ++column) {
        const bool unknown = std::find(card.UnknownColumns.begin(), card.UnknownColumns.end(), 80 - column) !=
                             card.UnknownColumns.end();
        for (int row = 0; row < 12; ++row) {
            const auto at = Ogenblik::GridPosition(card.Grid, column, row);
            const auto x = static_cast<std::int32_t>(std::lround(at.X)) - x0;
            const auto y = static_cast<std::int32_t>(std::lround(at.Y)) - y0;
            if (x >= 1 && y >= 1 && x + 1 < raster.Width() && y + 1 < raster.Height())
                raster.FillRect(x - 1, y - 1, x + 2, y + 2, unknown ? Algemeen::kRed : Algemeen::kLime);
        }
    }
    return raster;
}

} // namespace korvane
