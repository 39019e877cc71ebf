// The overlay that replaces the scan after a successful Process: on white, every contour that
// survived the pass, coloured by the card it belongs to, and on each accepted card outline the
// card model's outline placed in black.
#pragma once

#include "Algemeen.h"
#include "ReaderContext.h"

namespace korvane {

// Red, lime, blue, red, ... continuing across Process commands of a run (the index is the caller's
// and starts at 0); never black.
Algemeen::Colour NextOverlayColour(std::int32_t& paletteIndex);
// A closed polygon: from the last point to the first, second, ..., last; coordinates rounded to
// the nearest integer, halves to even. Nothing for an empty list.
void DrawPolygon(const Algemeen::Jordan& points, Algemeen::DrawingSurface& bitmap, Algemeen::Colour colour);
// Sizes the surface to the picture and fills it white.
void PrepareOverlay(const ReaderContext& reader, Algemeen::DrawingSurface& surface);
// Draws the overlay of the last Process onto a prepared surface. Each card's model outline lies
// in the half turn BestFit settles for the card; the reader is not changed.
void DrawOverlay(const ReaderContext& reader, Algemeen::DrawingSurface& surface, std::int32_t& paletteIndex);
// How many drawing steps DrawOverlay takes, about: room to reserve in a recording surface.
std::size_t OverlaySteps(const ReaderContext& reader);

} // namespace korvane
