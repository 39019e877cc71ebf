// Painting what a scanner writes from a 1-bit picture of cards: a black level for the dark parts,
// an off-white card, light that falls off across the page, blur and sensor noise (seeded, so every
// run paints the same picture), in grey or colour, stored as PNG, TIFF, JPEG or BMP with or
// without a resolution. The test pictures of the decoders and of `punch`.
#pragma once

#include "Picture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Imaging {

enum class ScanTone
{
    BlackWhite, // 1 bit: PNG 1-bit, TIFF Group 4, BMP 1-bit (JPEG: grey of the two levels)
    Grey,       // 8-bit grey; TIFF with LZW
    Colour      // 8-bit RGB, a cream card on a blue-black backing; TIFF with LZW
};

enum class ScanFormat
{
    Png,
    Tiff,
    Jpeg,
    Bmp
};

struct ScanLook
{
    ScanTone Tone = ScanTone::Grey;
    int BlackLevel = 20;  // grey of background and holes, 0 .. 255
    int CardWhite = 235;  // grey of the card, above BlackLevel
    double Falloff = 0.0; // fraction of the light lost from the left edge to the right edge, 0 .. 1
    int Blur = 0;         // half-width in pixels of the box blur of the optics; 0 for none
    double Noise = 0.0;   // standard deviation of the sensor noise, in grey levels
    std::uint32_t Seed = 1;
    int JpegQuality = 90;
    bool Deep = false;  // grey: 16 bits per sample (PNG, TIFF)
    bool Alpha = false; // colour: an opaque alpha channel as well (PNG, TIFF)
    double Ppi = 0.0;   // resolution stored in the file; 0 to store none
};

// The file's bytes: one page per picture (more than one only for TIFF). Throws
// std::invalid_argument for a bad look, several pages in another format or an inconsistent
// picture, and std::runtime_error when the encoder fails.
std::vector<std::uint8_t> EncodeScan(const std::vector<korvane::Picture>& pages, const ScanLook& look,
                                     ScanFormat format);

// Encodes and writes the file whole or not at all: a temporary file in the same folder, renamed
// over the name when complete. Throws as EncodeScan, and std::runtime_error when writing fails.
void WriteScan(const std::string& fileName, const std::vector<korvane::Picture>& pages, const ScanLook& look,
               ScanFormat format);

// "png", "tiff", "jpeg", "bmp".
const char* FormatName(ScanFormat format);

} // namespace Imaging
