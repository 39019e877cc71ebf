// The scale of a picture: whether a resolution read from a file is worth believing, and the
// scale that card outlines measured in the picture imply.
#pragma once

#include <vector>

namespace Imaging {

// Size of an 80-column card in millimetres (7 3/8 by 3 1/4 inches).
inline constexpr double kCardLengthMm = 187.325;
inline constexpr double kCardWidthMm = 82.55;

enum class ResolutionVerdict
{
    Plausible,
    Suspicious, // 72 or 96 ppi: what programs write when they know no better; check against the cards
    Implausible // none, below 50 or above 2400 ppi: not to be used
};

ResolutionVerdict JudgeResolution(double ppi);

// One traced outline that might be a card: its enclosed area (holes not subtracted) and the
// lengths of its two principal axes as sides of the rectangle with the same second moments
// (sqrt(12 * eigenvalue / area)), all in pixels.
struct OutlineMeasure
{
    double Area = 0.0;
    double Major = 0.0;
    double Minor = 0.0;
};

// Pixels per millimetre implied by the outlines that have a card's shape (aspect ratio within
// 6 %, area within 6 % of the rectangle of the axes): the median over them of the square root of
// area / card area. 0 when none has a card's shape.
double PixelsPerMillimetreFromOutlines(const std::vector<OutlineMeasure>& outlines);

} // namespace Imaging
