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

    // Bytes that every row holds.
    std::size_t RowBytes() const { return (static_cast<std::size_t>(Width) + 7) / 8; }

    // Whether the picture has pixels and every row of it lies inside Bytes, so that a reader may
    // trace it without looking past the buffer.
    bool IsSound() const
    {
        if (Width <= 0 || Height <= 0)
            return false;
        const auto size = static_cast<std::ptrdiff_t>(Bytes.size());
        const auto first = static_cast<std::ptrdiff_t>(FirstRow);
        const auto last = first + static_cast<std::ptrdiff_t>(Height - 1) * RowStep;
        const auto bytes = static_cast<std::ptrdiff_t>(RowBytes());
        return first >= 0 && last >= 0 && first + bytes <= size && last + bytes <= size;
    }

    const std::uint8_t* Row(std::int32_t y) const
    {
        return Bytes.data() + static_cast<std::ptrdiff_t>(FirstRow) +
               static_cast<std::ptrdiff_t>(y) * RowStep;
    }
};

} // namespace korvane
