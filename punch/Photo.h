// Pictures like photos of cards held out to a camera: the page in perspective (Perspective.h),
// light falling off towards the corners with a hot spot, a coloured card on a surface of some
// colour with a few things around it (a table edge, a rectangle, marks like text), or the card
// on a light box (bright holes, dark card), in colour, as PNG, JPEG, TIFF or BMP.
#pragma once

#include "CardRenderer.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Punch {

struct PhotoLook
{
    bool wanted = false;    // --photo
    std::string cardColour; // --card-colour cream|brown|pink|green|white (empty: cream)
    bool backlit = false;   // --backlit: on a light box
    bool dim = false;       // --dim: a dim room, the light falling off strongly from one side
    int jpegQuality = 80;   // a phone's compression
};

// The card colours --card-colour knows, and whether a name is one of them.
const std::vector<std::string>& CardColourNames();

struct Rgb
{
    double r = 0.0, g = 0.0, b = 0.0;
};

// The colour of a card stock by name (cream for an unknown name).
Rgb CardColour(const std::string& name);

// A colour picture, three bytes per pixel, rows from the top.
struct ColourPicture
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;
};

// What the photo is drawn from: the page drawn flat `oversample` times finer than the photo's
// scale, as card (white) and see-through (black: holes and around the cards), the ink of printed
// faces, and the cards' outlines without their holes.
struct FlatPage
{
    BMPunit::BitImage paper;
    BMPunit::BitImage ink;
    BMPunit::BitImage outline;
    int oversample = 2;
};

class Perspective;

// Paints the photo of the flat page under the perspective. The surface, its clutter, the hot spot
// and the sensor noise are drawn from `seed`.
ColourPicture PaintPhoto(const FlatPage& flat, const Perspective& perspective, const PhotoLook& look,
                         std::uint64_t seed);

// Writes the photo whole or not at all in a format "png", "jpeg", "tiff" or "bmp" with the given
// resolution in it (0: none). Throws std::runtime_error when it cannot be encoded or written.
void WritePhoto(const ColourPicture& photo, const std::string& format, double ppi, int jpegQuality,
                const std::string& output);

} // namespace Punch
