// The printed face of a card as pen and press put it there: digits 0-9 at every hole position of
// rows 0-9, small column numbers under rows 0 and 9, the interpretation line of the card's own text
// along the upper edge, ruled field lines, a few field labels and, if asked, handwriting. All of it
// is given as straight ink strokes in millimetres of the front view: X from the card's left edge
// (column 1 lies on the left), Y from its upper edge downwards.
#pragma once

#include "CardRenderer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Punch {

// One straight stroke of ink, from a to b, `width` wide with square ends (a stroke of no length
// is a square dot).
struct InkStroke
{
    PagePoint a;
    PagePoint b;
    double width = 0.2;
};

// Centre of the hole position of text column 1..80 and pattern position 1..12 (1 = row 12,
// 3 = row 0, 12 = row 9) in the front view.
PagePoint FrontHoleCentre(const CardDimensions& card, int textColumn, int position);

// Height of the band above row 12 that carries the interpretation line, and the line's centre.
double InterpretationLineY(const CardDimensions& card);

// The strokes of one character in the print's stroke font, ink included inside a box of `size`
// (x wide, y tall) centred at `centre`; a character the font lacks is left blank.
void AddGlyph(char character, PagePoint centre, PagePoint size, double strokeWidth,
              std::vector<InkStroke>& strokes);

// Everything printed on a card: digits, column numbers, the interpretation line (`line`, one
// character per column from column 1), field lines and labels.
std::vector<InkStroke> PrintedFace(const CardDimensions& card, const std::string& line);

// Pen strokes in handwriting: a few wandering lines, some over hole positions and one running off
// the card's edge, the same for the same seed.
std::vector<InkStroke> Scribbles(const CardDimensions& card, std::uint64_t seed);

} // namespace Punch
