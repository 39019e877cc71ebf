#include "Overlay.h"

#include "Contour.h"
#include "Ponskaart.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvane {

namespace {

constexpr std::array<Algemeen::Colour, 4> kOverlayPalette{Algemeen::kBlack, Algemeen::kRed, Algemeen::kLime,
                                                          Algemeen::kBlue};

// A rounded coordinate as a pen position; values beyond 32 bits (a wild model placement) are
// pinned far outside the surface, where drawing clips them.
std::int32_t PenCoordinate(double v)
{
    const double r = Algemeen::RoundHalfEven(v);
    constexpr double kFar = 1 << 30;
    if (!(r > -kFar))
        return -(1 << 30);
    if (!(r < kFar))
        return 1 << 30;
    return static_cast<std::int32_t>(r);
}

} // namespace

Algemeen::Colour NextOverlayColour(std::int32_t& paletteIndex)
{
    paletteIndex = (paletteIndex % 3) + 1;
    return kOverlayPalette[static_cast<std::size_t>(paletteIndex)];
}

void DrawPolygon(const Algemeen::Jordan& points, Algemeen::DrawingSurface& bitmap, Algemeen::Colour colour)
{
    const std::ptrdiff_t n = points.Length();
    if (n == 0)
        return;
    bitmap.SetPenColour(colour);
    bitmap.MoveTo(PenCoordinate(points[n - 1].X), PenCoordinate(points[n - 1].Y));
    for (const auto& p : points)
        bitmap.LineTo(PenCoordinate(p.X), PenCoordinate(p.Y));
}

std::size_t OverlaySteps(const ReaderContext& reader)
{
    // A pen colour, a move and a line per node of every ring, and the model outlines.
    return static_cast<std::size_t>(std::max(reader.Store.PieceCount, 0)) +
           3 * static_cast<std::size_t>(std::max(reader.Store.ContourCount(), 0)) + 4096;
}

void PrepareOverlay(const ReaderContext& reader, Algemeen::DrawingSurface& surface)
{
    const std::int32_t width = reader.Scan ? reader.Scan->Width : 0;
    const std::int32_t height = reader.Scan ? reader.Scan->Height : 0;
    surface.SetSize(width, height);
    surface.FillRect(0, 0, width, height, Algemeen::kWhite);
}

void DrawOverlay(const ReaderContext& reader, Algemeen::DrawingSurface& surface, std::int32_t& paletteIndex)
{
    Algemeen::Colour colour = NextOverlayColour(paletteIndex);
    Ogenblik::Contour work;
    Algemeen::Jordan outline;
    const BMPunit::ContourStore& store = reader.Store;
    const std::int32_t n = store.ContourCount();
    for (std::int32_t k = 1; k <= n; ++k) {
        const std::int32_t e = reader.DrawOrder[k];
        const std::int32_t d = reader.DrawOrder[k == 1 ? k : k - 1];
        if (store.IsContourErased(e))
            continue;
        if (reader.CardOf[e] > reader.CardOf[d])
            colour = NextOverlayColour(paletteIndex);
        store.DrawContour(surface, e, colour);
        if (reader.CardOf[e] == e) {
            store.ContourPoints(e, work.Points);
            work.ComputeMoments();
            const Ogenblik::Ponskaart& model = *reader.CardModel;
            model.OutlineInSpecimen(work, model.BestFit(work), outline);
            DrawPolygon(outline, surface, Algemeen::kBlack);
        }
    }
}

} // namespace korvane
