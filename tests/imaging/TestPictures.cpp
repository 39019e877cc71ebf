#include "TestPictures.h"

#include <gtest/gtest.h>
#include <random>

namespace ImagingTest {

namespace {

void Paint(korvane::Picture& p, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
           bool white)
{
    for (std::int32_t y = y0; y < y1; ++y)
        for (std::int32_t x = x0; x < x1; ++x) {
            std::uint8_t& byte = p.Bytes[p.FirstRow + static_cast<std::size_t>(y * p.RowStep) + (x >> 3)];
            const auto bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
            byte = white ? (byte | bit) : (byte & ~bit);
        }
}

} // namespace

korvane::Picture CardPicture(std::uint32_t seed, std::int32_t width, std::int32_t height)
{
    korvane::Picture p;
    p.Width = width;
    p.Height = height;
    p.RowStep = (width + 7) / 8;
    p.Bytes.assign(static_cast<std::size_t>(p.RowStep * height), 0);
    const std::int32_t mx = width / 10, my = height / 8;
    Paint(p, mx, my, width - mx, height - my, true);
    std::mt19937 random(seed);
    const std::int32_t pitchX = (width - 2 * mx) / 21, pitchY = (height - 2 * my) / 7;
    for (int column = 1; column <= 20; ++column)
        for (int row = 1; row <= 6; ++row)
            if (random() % 3 == 0) {
                const std::int32_t x = mx + column * pitchX, y = my + row * pitchY;
                Paint(p, x - 2, y - 4, x + 2, y + 4, false);
            }
    return p;
}

bool White(const korvane::Picture& picture, std::int32_t x, std::int32_t y)
{
    return ((picture.Row(y)[x >> 3] >> (7 - (x & 7))) & 1) != 0;
}

std::int64_t DifferingPixels(const korvane::Picture& a, const korvane::Picture& b, bool mirrored,
                             bool inverted)
{
    if (a.Width != b.Width || a.Height != b.Height)
        return std::int64_t{a.Width} * a.Height + std::int64_t{b.Width} * b.Height;
    std::int64_t differing = 0;
    for (std::int32_t y = 0; y < a.Height; ++y)
        for (std::int32_t x = 0; x < a.Width; ++x)
            differing +=
                (White(a, x, y) != (White(b, mirrored ? b.Width - 1 - x : x, y) != inverted)) ? 1 : 0;
    return differing;
}

Imaging::DecodeResult Decode(const std::vector<std::uint8_t>& bytes, const Imaging::DecodeOptions& options)
{
    Imaging::DecodeResult result = Imaging::DecodeImage(bytes.data(), bytes.size(), options);
    EXPECT_TRUE(result.Ok) << result.Message;
    return result;
}

} // namespace ImagingTest
