// Drawing punched cards as a scanner sees them from the back: white card, black holes, black
// background, pixels decided by how much of each is white (area coverage, threshold at one half),
// and optional speck noise. Text column 1 lies on the right and row 12 at the top, with the cut
// corner at the upper right, when a card is not turned.
#pragma once

#include "BmpWrite.h"
#include "Ponskaart.h"
#include "PunchCodes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Punch {

// A card's outline and hole grid in millimetres, in the card model's frame: x along the long edge
// from the edge that carries column 80 (left in a back view), y across it, from 0 at the lower
// edge to -height at the upper edge, which carries the cut corner. The grid position of column
// index i (0 = text column 80) and row index m (0 = row 9, at the lower edge) lies at
// origin + i * columnStep in x and origin - m * rowStep in y.
struct CardDimensions
{
    double width;         // along the long edge
    double height;        // along the short edge
    double cutAlongLong;  // the cut corner takes this much of the upper edge...
    double cutAlongShort; // ...and this much of the right-hand edge
    double holeWidth;     // along the long edge
    double holeHeight;
    double originX; // centre of the hole position of text column 80, row 9
    double originY;
    double columnStep;
    double rowStep;
};

// The nominal dimensions of the card model that reading measures against.
inline constexpr CardDimensions kModelCard{.width = Ogenblik::kCardLength,
                                           .height = Ogenblik::kCardHeight,
                                           .cutAlongLong = Ogenblik::kCutAlongLength,
                                           .cutAlongShort = Ogenblik::kCutAlongHeight,
                                           .holeWidth = Ogenblik::kHoleWidth,
                                           .holeHeight = Ogenblik::kHoleHeight,
                                           .originX = Ogenblik::kGridOrigin.X,
                                           .originY = Ogenblik::kGridOrigin.Y,
                                           .columnStep = Ogenblik::kColumnStep.X,
                                           .rowStep = -Ogenblik::kRowStep.Y};

// A real card: 7 3/8 by 3 1/4 inch, columns 0.087 inch apart with column 1's centre 1/4 inch from
// the edge (the right-hand edge in a back view), rows 1/4 inch apart with row 12's centre 1/4 inch
// below the upper edge, holes 0.055 by 0.125 inch.
inline constexpr CardDimensions kRealCard{.width = 187.325,
                                          .height = 82.55,
                                          .cutAlongLong = 6.35,
                                          .cutAlongShort = 11.1,
                                          .holeWidth = 1.397,
                                          .holeHeight = 3.175,
                                          .originX = 187.325 - 6.35 - (kCardColumns - 1) * 2.2098,
                                          .originY = -(82.55 - 6.35 - (kColumnRows - 1) * 6.35),
                                          .columnStep = 2.2098,
                                          .rowStep = 6.35};

// A flaw on one side of a card at the hole position of text column 1..80 and pattern position
// 1..12: a dark speck over it (drawn as ink), or, for a punched position, the hole covered (as by
// tape or paper stuck over it), so that this side shows no hole there.
struct Damage
{
    int column = 1;
    int position = 1;
    bool covered = false; // else a speck
};

struct CardOnPage
{
    CardPunches punches{};
    double angleDegrees = 0.0; // counter-clockwise as seen on the picture
    bool faceUp = false;       // seen from the front: the back view mirrored top to bottom
    bool noCut = false;        // a card stock without the cut corner
    // Seen from its printed face: the back view mirrored left to right, with the print of a real
    // card (CardPrint.h) in ink as dark as the holes, `line` as its interpretation line.
    bool front = false;
    std::string line{};
    bool scribble = false; // handwriting over the print, drawn from `scribbleSeed`
    std::uint64_t scribbleSeed = 1;
    std::vector<Damage> damage{};
};

// Space kept black around every card and between cards.
inline constexpr double kPageMarginMm = 6.0;

struct PagePoint
{
    double x = 0.0;
    double y = 0.0;
};

// Where the cards go: page size in pixels and the centre of each card's unturned outline box.
struct PageLayout
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<PagePoint> centres;
};

// Cards one below the other, each turned by its angle and centred across the page, with at least
// kPageMarginMm of black around each. Sizes are not checked here.
PageLayout LayOutPage(const std::vector<CardOnPage>& cards, const CardDimensions& card,
                      double pixelsPerMillimetre);

// Renders the laid-out cards at the given scale. The ink of printed faces is painted black into
// the page, or, when `ink` is given, into that picture of the page's size (1 = ink) instead.
BMPunit::BitImage RenderPage(const std::vector<CardOnPage>& cards, const PageLayout& layout,
                             const CardDimensions& card, double pixelsPerMillimetre,
                             BMPunit::BitImage* ink = nullptr);

// Flips round(fraction * pixels) pixels, each an isolated speck: a pixel whose eight neighbours
// all had its colour and keep it, so every speck is one pixel surrounded by the other colour.
// Pixels are drawn from a Mersenne twister seeded with `seed`, so the result depends only on the
// picture, the fraction and the seed. Returns the number flipped, which falls short only when the
// picture has too few places for isolated specks.
std::int64_t AddSpeckNoise(BMPunit::BitImage& image, double fraction, std::uint64_t seed);

} // namespace Punch
