// Writing 1-bit black-and-white BMP files in exactly the form the loader accepts: 40-byte info
// header, palette black then white, equal resolutions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace BMPunit {

// A picture of black and white pixels, row 0 at the top.
struct BitImage
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> black; // width * height flags, 1 = black

    BitImage() = default;
    BitImage(std::int32_t w, std::int32_t h, bool fillBlack)
        : width(w), height(h),
          black(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fillBlack ? 1 : 0)
    {
    }
    bool Black(std::int32_t x, std::int32_t y) const { return black[Index(x, y)] != 0; }
    void Set(std::int32_t x, std::int32_t y, bool isBlack) { black[Index(x, y)] = isBlack ? 1 : 0; }
    std::size_t Index(std::int32_t x, std::int32_t y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
};

// The bytes of a BMP file holding the picture. topDown stores the rows from the top with a
// negative height field.
std::vector<std::uint8_t> EncodeBitmap(const BitImage& image, std::int32_t pixelsPerMetre,
                                       bool topDown = false);

// Writes bytes to a file whole or not at all (a temporary file renamed into place); throws
// std::runtime_error on failure, leaving what the name held before.
void WriteFileBytes(const std::string& fileName, const std::vector<std::uint8_t>& bytes);

} // namespace BMPunit
