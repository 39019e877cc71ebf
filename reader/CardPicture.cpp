#include "korvane/CardPicture.h"

#include "GridFit.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace korvane {

namespace {

// Digits 0-9 as 3 x 5 pixel glyphs, one row of three bits per entry (top row first, leftmost pixel
// in the highest bit).
constexpr std::uint8_t kDigits[10][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
                                         {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1},
                                         {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

// Writes the number centred on (x, y), each glyph pixel a square of `scale` pixels, on a white box.
void DrawNumber(Algemeen::Raster& raster, int number, std::int32_t x, std::int32_t y, std::int32_t scale,
                Algemeen::Colour colour)
{
    const std::string digits = std::to_string(number);
    const auto n = static_cast<std::int32_t>(digits.size());
    const std::int32_t width = (4 * n - 1) * scale, height = 5 * scale;
    const std::int32_t left = x - width / 2, top = y - height / 2;
    if (left < 1 || top < 1 || left + width + 1 >= raster.Width() || top + height + 1 >= raster.Height())
        return;
    raster.FillRect(left - 1, top - 1, left + width + 1, top + height + 1, Algemeen::kWhite);
    for (std::int32_t k = 0; k < n; ++k)
        for (std::int32_t row = 0; row < 5; ++row)
            for (std::int32_t bit = 0; bit < 3; ++bit)
                if (kDigits[digits[std::size_t(k)] - '0'][row] & (4 >> bit)) {
                    const std::int32_t px = left + (4 * k + bit) * scale, py = top + row * scale;
                    raster.FillRect(px, py, px + scale, py + scale, colour);
                }
}

} // namespace

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
    const double pitch = std::hypot(card.Grid.ColumnStep.X, card.Grid.ColumnStep.Y);
    const auto scale = std::max<std::int32_t>(1, static_cast<std::int32_t>(pitch / 6));
    for (int column = 0; column < 80; ++column) {
        const bool doubtful = std::any_of(card.DoubtfulColumns.begin(), card.DoubtfulColumns.end(),
                                          [&](const DoubtfulColumn& d) { return d.Column == 80 - column; });
        const bool unknown = doubtful || std::find(card.UnknownColumns.begin(), card.UnknownColumns.end(),
                                                   80 - column) != card.UnknownColumns.end();
        for (int row = 0; row < 12; ++row) {
            const auto at = Ogenblik::GridPosition(card.Grid, column, row);
            const auto x = static_cast<std::int32_t>(std::lround(at.X)) - x0;
            const auto y = static_cast<std::int32_t>(std::lround(at.Y)) - y0;
            if (x >= 1 && y >= 1 && x + 1 < raster.Width() && y + 1 < raster.Height())
                raster.FillRect(x - 1, y - 1, x + 2, y + 2, unknown ? Algemeen::kRed : Algemeen::kLime);
        }
        // The number of a doubtful column, half a row beyond its last row (inside the card).
        if (doubtful) {
            const auto at =
                Ogenblik::GridPosition(card.Grid.Origin, card.Grid.ColumnStep, card.Grid.RowStep, column, 0);
            const double beyond = 11.5;
            DrawNumber(raster, 80 - column,
                       static_cast<std::int32_t>(std::lround(at.X + beyond * card.Grid.RowStep.X)) - x0,
                       static_cast<std::int32_t>(std::lround(at.Y + beyond * card.Grid.RowStep.Y)) - y0,
                       scale, Algemeen::kRed);
        }
    }
    return raster;
}

} // namespace korvane
