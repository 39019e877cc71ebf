// Small card-like 1-bit pictures for the imaging tests, and comparing decoded pictures with them.
#pragma once

#include "Imaging.h"

#include <cstdint>
#include <vector>

namespace ImagingTest {

// A light card with a cut-free outline on a dark background, holes at pseudo-random cells of a
// grid of 20 x 6; `seed` picks the holes. The width is not a multiple of 8 so that rows end
// inside a byte.
korvane::Picture CardPicture(std::uint32_t seed, std::int32_t width = 301, std::int32_t height = 141);

bool White(const korvane::Picture& picture, std::int32_t x, std::int32_t y);

// Pixels that differ; every pixel when the sizes differ. `mirrored` compares with the source
// mirrored left to right, `inverted` with its inverse.
std::int64_t DifferingPixels(const korvane::Picture& a, const korvane::Picture& b, bool mirrored = false,
                             bool inverted = false);

// The decoding of the encoded picture, which must succeed.
Imaging::DecodeResult Decode(const std::vector<std::uint8_t>& bytes,
                             const Imaging::DecodeOptions& options = {});

} // namespace ImagingTest
