#include "BmpWrite.h"

#include "FileAccess.h"

#include <stdexcept>

namespace BMPunit {

namespace {

void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

std::vector<std::uint8_t> EncodeBitmap(const BitImage& image, std::int32_t pixelsPerMetre, bool topDown)
{
    constexpr std::size_t kOffset = 62;
    const std::size_t stride = ((static_cast<std::size_t>(image.width) + 31) / 32) * 4;
    const std::size_t size = kOffset + stride * static_cast<std::size_t>(image.height);
    if (size > 0x7FFFFFFFu)
        throw std::length_error("picture too large for a BMP file");
    std::vector<std::uint8_t> bytes(size, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 2, static_cast<std::uint32_t>(size), 4);
    Put(bytes, 10, kOffset, 4);
    Put(bytes, 14, 40, 4);
    Put(bytes, 18, static_cast<std::uint32_t>(image.width), 4);
    Put(bytes, 22, static_cast<std::uint32_t>(topDown ? -image.height : image.height), 4);
    Put(bytes, 26, 1, 2);
    Put(bytes, 28, 1, 2);
    Put(bytes, 34, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(image.height)), 4);
    Put(bytes, 38, static_cast<std::uint32_t>(pixelsPerMetre), 4);
    Put(bytes, 42, static_cast<std::uint32_t>(pixelsPerMetre), 4);
    Put(bytes, 46, 2, 4);
    Put(bytes, 50, 2, 4);
    Put(bytes, 58, 0x00FFFFFF, 4); // entry 0 black (zeros), entry 1 white
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::int32_t stored = topDown ? y : image.height - 1 - y;
        std::uint8_t* row = bytes.data() + kOffset + static_cast<std::size_t>(stored) * stride;
        for (std::int32_t x = 0; x < image.width; ++x)
            if (!image.Black(x, y))
                row[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    }
    return bytes;
}

void WriteFileBytes(const std::string& fileName, const std::vector<std::uint8_t>& bytes)
{
    const Algemeen::WriteResult written = Algemeen::WriteWholeFile(fileName, bytes);
    if (!written.ok)
        throw std::runtime_error(written.message);
}

} // namespace BMPunit
