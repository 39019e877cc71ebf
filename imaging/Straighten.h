// Straightening a photographed card (inside the imaging unit): the card found as the largest light
// region of the binarised picture whose outline is a quadrilateral of a card's proportions, and,
// when that quadrilateral is measurably not a rectangle, the grey picture carried onto the card's
// own rectangle by the projective transform of its four corners. Scans never need it: their card
// outlines are rectangles, and they are left exactly as they were.
#pragma once

#include "DecodeOptions.h"
#include "ImageDecode.h"
#include "LeptSupport.h"
#include "Quadrilateral.h"

#include <optional>

namespace Imaging::Lept {

// A quadrilateral deviates from a card-shaped rectangle by more than this share of its length
// before the picture is straightened (the measurements are beside the definition).
extern const double kPerspectiveThreshold;

// The card found in a 1-bit picture whose card is white (0) and whose holes and surroundings are
// black: the quadrilateral and its deviation from the rectangle (see Ogenblik::RectangleDeviation).
// Nothing when no region inside the picture (clear of its edges) has a card's outline, or when two regions of
// nearly the largest size do (a page of several cards: *several is set then).
struct FoundCard
{
    Ogenblik::Quadrilateral Quad;
    double Deviation = 0.0;
};
// The light regions of at least a small card's size (some 100 pixels a side) that are not the card
// are added to *notCards with the reason, largest first and at most kMostNotCards of them: those
// that reach the picture's edge (but not the surroundings spanning nearly all of it), are not four straight
// sides of a card's proportions, are not solid (a frame), or are card-shaped but less than half the card's
// size. Card-shaped regions of a page of several cards are all cards.
std::optional<FoundCard> FindCardQuadrilateral(PIX* pix1, bool* several = nullptr,
                                               std::vector<NotCard>* notCards = nullptr);
inline constexpr std::size_t kMostNotCards = 12;

// Whether every side of the quadrilateral is a card's edge in the grey picture (8 bit): along each
// side, a little inside is clearly brighter than a little outside (the other way round for light
// holes, a card on a light box), as it is at a card's edge and is not where the light falling off
// across a card takes part of it below one level for the whole picture.
bool EdgesHold(PIX* pix8, const Ogenblik::Quadrilateral& quad, Polarity holes);

// The grey picture (8 bit) seen square on: the quadrilateral carried onto the card's rectangle at
// `pixelsPerMillimetre`, with a margin round it taken from the picture as it lies there (outside
// the picture: `outside`). Bilinear sampling through the inverse transform. Null when the corners
// make no transform.
PixPtr WarpToCard(PIX* pix8, const Ogenblik::Quadrilateral& quad, double pixelsPerMillimetre,
                  std::uint8_t outside);

// The straightened card (8-bit grey from WarpToCard at `pixelsPerMillimetre`) as a 1-bit picture
// (1 = black) with the card white and its holes black, whatever the card's colour and the light:
// each pixel of the card's rectangle is weighed against the card's own level around it (a map of
// the bright part of every 4 mm cell, cells darker than the card's run, such as the cut corner,
// filled from their neighbours) and the level of the surroundings in the margin, and is dark when
// nearer the surroundings. The margin is black. With light holes (a backlit card) the grey is
// taken the other way round, so the result has dark holes either way.
PixPtr BinariseCard(PIX* square8, double pixelsPerMillimetre, Polarity holes);

// Whether one level over the whole picture (`threshold`: grey up to it is dark) tells the card from
// its holes everywhere on the card in the quadrilateral: the dimmest part of the card (the 5th
// percentile of the card's level per 4 mm cell) lies above the level by at least kGlobalLevelMargin
// of its height above the surroundings. When it does not (light falling off across the card
// brings its dim end near the level), the card is binarised by its own levels even when seen
// square on.
extern const double kGlobalLevelMargin;
bool GlobalLevelHolds(PIX* pix8, const Ogenblik::Quadrilateral& quad, int threshold, Polarity holes);

// The scale at which a straightened card keeps the detail of its larger side, pixels per millimetre.
double CardScale(const Ogenblik::Quadrilateral& quad);

} // namespace Imaging::Lept
