// PNG and JPEG files decoded through libpng and libjpeg directly, into the same Leptonica pictures
// its own readers give, so that the libraries' complaints about a corrupt file come back as the
// refusal's reason instead of going to standard error.
#pragma once

#include "LeptSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Imaging::Lept {

// Grey as 8 bits (16-bit samples keep their most significant byte, a palette of greys its
// greys), colour as 32 bits (red in the most significant byte; 4 samples when the file holds
// transparency), a 1-bit file as 1 bit with 1 = black whatever its palette says. The resolution
// from the file's pHYs chunk, when it gives one per metre. Null, with `error` set, when the file
// is corrupt.
PixPtr ReadPng(const std::uint8_t* data, std::size_t size, std::string& error);

// Rows written as bytes in file order turned into Leptonica's words, which keep each word's first
// pixel in its most significant byte of a native (little-endian) word.
void ToNativeWords(PIX* pix);

// The sizes a JPEG file's header gives, read without decoding (and without a word on stderr).
struct JpegHeader
{
    int width = 0, height = 0, components = 0;
};
bool ReadJpegHeader(const std::uint8_t* data, std::size_t size, JpegHeader& header, std::string& error);

// Grey as 8 bits, colour (YCbCr, RGB, CMYK) as 32 bits; the resolution from the JFIF density.
PixPtr ReadJpeg(const std::uint8_t* data, std::size_t size, std::string& error);

} // namespace Imaging::Lept
