// The overlay that replaces the scan after a successful Process: on white, every contour that
// survived the pass, coloured by the card it belongs to, and on each accepted card outline the
// card model's outline placed in black.
#pragma once

#include "Algemeen.h"
#include "DrawingRecord.h"
#include "Window.h"

namespace Unit1 {

// Red, lime, blue, red, ... continuing across Process commands of a run; never black.
Algemeen::Colour NextOverlayColour();
// Sizes the overlay to the picture and fills it white.
void PrepareOverlay();
// A closed polygon: from the last point to the first, second, ..., last; coordinates rounded to
// the nearest integer, halves to even. Nothing for an empty list.
void DrawPolygon(const Algemeen::Jordan& points, Algemeen::DrawingSurface& bitmap, Algemeen::Colour colour);
// Draws the overlay from the run state and the contour store and shows it in the window.
void DrawOverlay(Window& window);

} // namespace Unit1
