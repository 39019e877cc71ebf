#include "Overlay.h"

#include "BMPunit.h"
#include "Contour.h"
#include "Ponskaart.h"
#include "Unit1.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace Unit1 {

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

Algemeen::Colour NextOverlayColour()
{
    RunState& state = State();
    state.PaletteIndex = (state.PaletteIndex % 3) + 1;
    return kOverlayPalette[static_cast<std::size_t>(state.PaletteIndex)];
}

void PrepareOverlay()
{
    DrawingRecord& overlay = State().OverlayBitmap;
    overlay.SetSize(BMPunit::ImageWidth(), BMPunit::ImageHeight());
    overlay.FillRect(0, 0, BMPunit::ImageWidth(), BMPunit::ImageHeight(), Algemeen::kWhite);
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

void DrawOverlay(Window& window)
{
    RunState& state = State();
    PrepareOverlay();
    // A pen colour, a move and a line per node of every ring, and the model outlines: room for all
    // of it in one go rather than growing step by step.
    state.OverlayBitmap.Reserve(static_cast<std::size_t>(BMPunit::PieceCount()) +
                                3 * static_cast<std::size_t>(std::max(BMPunit::ContourCount(), 0)) + 4096);
    Algemeen::Colour colour = NextOverlayColour();
    Ogenblik::Contour work;
    Algemeen::Jordan outline;
    const std::int32_t n = BMPunit::ContourCount();
    for (std::int32_t k = 1; k <= n; ++k) {
        const std::int32_t e = state.DrawOrder[k];
        const std::int32_t d = state.DrawOrder[k == 1 ? k : k - 1];
        if (BMPunit::IsContourErased(e))
            continue;
        if (state.CardOf[e] > state.CardOf[d])
            colour = NextOverlayColour();
        BMPunit::DrawContour(state.OverlayBitmap, e, colour);
        if (state.CardOf[e] == e) {
            BMPunit::GetContour(e, work.Points);
            work.ComputeMoments();
            state.CardModel->BestFit(work, false);
            state.CardModel->OutlineInSpecimen(work, outline);
            DrawPolygon(outline, state.OverlayBitmap, Algemeen::kBlack);
        }
    }
    window.ShowBitmap(state.OverlayBitmap);
    window.Repaint();
}

} // namespace Unit1
