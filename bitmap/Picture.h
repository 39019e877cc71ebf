// A 1-bit picture ready for tracing, whatever file it came from: the value that every decoder
// (the BMP loader, the other image formats) hands to the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct Picture
{
    std::int32_t Width = 0;  // pixels
    std::int32_t Height = 0; // pixels
    // Scale of the picture; 0 when unknown (the reader may then estimate it from the cards).
    double PixelsPerMillimetre = 0.0;
    // Pixel storage. Row y (0 = top) starts at Bytes[FirstRow + y * RowStep]; within a row the
    // leftmost pixel is the most significant bit of the first byte; a set bit is white, a clear bit
    // black (the palette order of a 1-bit BMP: entry 0 black, entry 1 white). Every row holds at
    // least (Width + 7) / 8 bytes; bits past Width are not looked at. RowStep is negative when the
    // rows are stored bottom-up, as most BMP files store them.
    std::vector<std::uint8_t> Bytes;
    std::size_t FirstRow = 0;
    std::ptrdiff_t RowStep = 0;

    const std::uint8_t* Row(std::int32_t y) const
    {
        return Bytes.data() + static_cast<std::ptrdiff_t>(FirstRow) +
               static_cast<std::ptrdiff_t>(y) * RowStep;
    }
};

} // namespace korvane
