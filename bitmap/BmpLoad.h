// Loading a BMP file into memory and deciding whether it is a picture the rest of the system can
// work on: uncompressed, 1 bit per pixel, palette black then white, equal resolutions, and pixel
// rows that lie inside the file.
#pragma once

#include "Picture.h"
#include "Seams.h"

#include <cstdint>
#include <string>
#include <vector>

namespace BMPunit {

// The largest file that is read completely; a larger one is refused by the check.
inline constexpr std::int64_t kMaxFileBytes = std::int64_t{1} << 30;
// The largest picture accepted: each side and the pixel count. Tracing needs up to some 62 MB per
// megapixel (a checkerboard, where every cell holds two boundary pieces and every white pixel is a
// ring of its own), so 2^26 pixels (A4 at 600 dpi twice over) keeps the worst case near 4 GB.
inline constexpr std::int64_t kMaxSide = 1 << 17;
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

// A loaded BMP file: the file's bytes and the geometry read from its header.
struct BmpFile
{
    std::vector<std::uint8_t> BitmapBytes; // the whole file, byte for byte
    std::int32_t BitmapFileSize = 0;       // length of the file in bytes
    std::int32_t PixelOffset = 0;          // header field at offset 10
    std::int32_t ImageWidth = 0;           // pixels
    std::int32_t ImageHeight = 0;          // pixels; positive even for a top-down file
    std::int32_t RowStride = 0;            // bytes per stored row, a multiple of 4
    double PixelsPerMillimetre = 0.0;      // horizontal resolution / 1000
    bool TopDown = false;                  // rows stored from the top (negative height field)
    bool Oversized = false;                // only the header of a too large file was read
    bool Proper = false;                   // the last check accepted the picture
};

// Reads the whole file into `file`. false (after the console line "<name>: does Not exist") when
// no regular file of that name exists; `file` is then left as it was. Throws std::runtime_error
// when the file exists but cannot be read.
bool LoadBitmapFile(BmpFile& file, const std::string& fileName, Algemeen::Console& console);

// Validates the loaded bytes, sets the geometry and writes the header report to the console.
// true for a proper black-and-white picture whose pixel rows all lie inside the loaded bytes.
bool CheckBitmapHeader(BmpFile& file, Algemeen::Console& console);

// The pixels of a file that passed the check, as the picture the reader traces; the file's bytes
// move into it (no copy), and the file is left empty and no longer proper. Throws
// std::logic_error for a file that did not pass the check.
korvane::Picture TakePicture(BmpFile&& file);

} // namespace BMPunit
