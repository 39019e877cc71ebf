// When a fitted punch grid has failed: a fit that pulls the grid onto a few holes (a lace column,
// holes only in one column) shrinks a step towards nothing and weighs holes more than once.
#pragma once

#include "Algemeen.h"

#include <cmath>

namespace Ogenblik {

// The most a fitted column or row step may differ in length from the nominal step at the card's
// scale, as a share of it. Measured: the bundled samples' fits differ by at most 0.7 %, the five
// real scans' by 1.4 % (columns) and 0.8 % (rows), a real card's pitch from the model's by 0.7 %;
// a fit collapsed onto the holes of column 80 alone by 100 %.
inline constexpr double kStepTolerance = 0.1;
// A fit quality above this percentage counts holes more than once: the grid has collapsed.
inline constexpr double kMaxFitQuality = 100.0;

inline bool StepIsSound(Algemeen::RealPoint fitted, Algemeen::RealPoint nominal)
{
    const double n = std::hypot(nominal.X, nominal.Y);
    const double f = std::hypot(fitted.X, fitted.Y);
    return std::isfinite(f) && n > 0.0 && std::fabs(f - n) <= kStepTolerance * n;
}

} // namespace Ogenblik
