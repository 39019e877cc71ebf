// The model comparisons inside the process pass, declared apart for the tests and benchmarks that
// check them on their own; the programs run ProcessPass (ProcessPass.h).
#pragma once

#include "Contour.h"
#include "Ponskaart.h"

namespace korvane {

// Margin of the card model in pixels: one millimetre at the picture's scale.
double CardModelMargin(double pixelsPerMillimetre);
// Margin of the hole model in pixels. Half a pixel for the pixel rounding of the traced border,
// plus a tenth of a millimetre so that real holes, a little smaller than the model's, pass at every
// resolution.
double HoleModelMargin(double pixelsPerMillimetre);

// Whether area, trace or root determinant of the contour's area moments lies outside the model's
// tolerance.
bool DiffersFromModel(const Ogenblik::Contour& contour, const Ogenblik::Ponskaart& model);
// |s - m| < t.
bool WithinTolerance(double s, double m, double t);

} // namespace korvane
