#include "BmpLoad.h"

#include "Algemeen.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

namespace BMPunit {

namespace {

// Diagnostic switches, fixed at build time.
constexpr bool kShowFileSize = false;
constexpr bool kShowHeader = false;

constexpr std::size_t kBlockSize = 2048;
constexpr std::size_t kHeaderBytes = 62; // file header, info header and two palette entries

Picture gPicture;

// ---- reading the file ---------------------------------------------------------------------

[[noreturn]] void ReadFailure(const std::string& fileName)
{
    throw std::runtime_error("cannot read \"" + fileName + "\": " + std::strerror(errno));
}

// Reads up to `limit` bytes in blocks of 2048, stopping after the first short block.
std::vector<std::uint8_t> ReadBlocks(std::FILE* file, std::size_t limit, const std::string& fileName)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(limit);
    std::uint8_t block[kBlockSize];
    while (bytes.size() < limit) {
        const std::size_t want = std::min(kBlockSize, limit - bytes.size());
        const std::size_t got = std::fread(block, 1, want, file);
        if (std::ferror(file))
            ReadFailure(fileName);
        bytes.insert(bytes.end(), block, block + got);
        if (got < kBlockSize)
            break;
    }
    return bytes;
}

// ---- the header ----------------------------------------------------------------------------

// The unsigned little-endian value of bytes first..last, as a 32-bit signed number; none when
// the bytes lie beyond the end of the loaded file.
std::optional<std::int32_t> HeaderValue(std::size_t first, std::size_t last)
{
    const auto& bytes = gPicture.BitmapBytes;
    if (last >= bytes.size())
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = last + 1; i-- > first;)
        value = (value << 8) | bytes[i];
    return static_cast<std::int32_t>(value);
}

// Writes "label value" as a console line when the field could be read.
void ReportField(bool shown, const char* label, std::optional<std::int32_t> value)
{
    if (!shown || !value)
        return;
    auto& console = Algemeen::TheConsole();
    console.Write(label);
    console.WriteInt(*value);
    console.EndLine();
}

void ReportLine(bool shown, const char* text)
{
    if (shown)
        Algemeen::TheConsole().Line(text);
}

std::int64_t StrideFor(std::int64_t width)
{
    const std::int64_t b = (width - 1) / 8 + 1;
    return ((b - 1) / 4 + 1) * 4;
}

// The checks that keep every pixel read inside the loaded bytes and every allocation bounded.
bool RowsFitTheFile(std::int64_t width, std::int64_t heightField)
{
    const Picture& p = gPicture;
    const std::int64_t height = heightField < 0 ? -heightField : heightField;
    if (p.Oversized || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        width * height > kMaxPixels)
        return false;
    const std::int64_t stride = StrideFor(width);
    const std::int64_t end = std::int64_t{p.PixelOffset} + stride * height;
    return p.PixelOffset >= 0 && end <= static_cast<std::int64_t>(p.BitmapBytes.size());
}

} // namespace

Picture& ThePicture()
{
    return gPicture;
}

bool LoadBitmapFile(const std::string& fileName)
{
    // Opened without blocking and only as a regular file: a FIFO or device counts as no file.
    Algemeen::OpenedFile opened = Algemeen::OpenRegularFile(fileName, Algemeen::OpenMode::Read);
    if (opened.status == Algemeen::FileStatus::Missing || opened.status == Algemeen::FileStatus::NotRegular) {
        Algemeen::TheConsole().Line(fileName + ": does Not exist");
        return false;
    }
    if (opened.status != Algemeen::FileStatus::Ok)
        throw std::runtime_error("cannot read \"" + fileName + "\": " + opened.message);
    std::FILE* file = ::fdopen(opened.handle.Get(), "rb");
    if (file == nullptr)
        ReadFailure(fileName);
    opened.handle.Release(); // the stream owns the descriptor now
    struct Closer
    {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{file};

    const std::int64_t size = opened.size;
    const bool oversized = size > kMaxFileBytes;
    std::vector<std::uint8_t> bytes =
        ReadBlocks(file, oversized ? kHeaderBytes : static_cast<std::size_t>(size), fileName);

    gPicture = Picture{};
    gPicture.Oversized = oversized;
    gPicture.BitmapFileSize = oversized ? INT32_MAX : static_cast<std::int32_t>(bytes.size());
    gPicture.BitmapBytes = std::move(bytes);
    if (kShowFileSize)
        Algemeen::TheConsole().Line(std::to_string(gPicture.BitmapFileSize));
    return true;
}

bool CheckBitmapHeader()
{
    Picture& p = gPicture;
    const bool show = kShowHeader;
    p.Proper = false;

    ReportLine(show, "Main Header:");
    const auto& bytes = p.BitmapBytes;
    bool ok = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
    if (show && bytes.size() >= 2)
        Algemeen::TheConsole().Line(std::string{char(bytes[0]), char(bytes[1])} + " = BM");
    const auto fileSize = HeaderValue(2, 5);
    if (show && fileSize)
        Algemeen::TheConsole().Line(std::to_string(*fileSize) + " = " + std::to_string(p.BitmapFileSize));
    if (show && HeaderValue(6, 9))
        Algemeen::TheConsole().Line(std::to_string(*HeaderValue(6, 9)) + " = 0");
    ok = ok && fileSize == p.BitmapFileSize;
    const auto offset = HeaderValue(10, 13);
    ReportField(show, "Offset = ", offset);
    p.PixelOffset = offset.value_or(0);
    ReportLine(show, "");
    ReportLine(show, "Info Header:");

    const auto infoSize = HeaderValue(14, 17);
    ReportField(show, "40 = ", infoSize);
    ok = ok && infoSize == 40;
    const auto width = HeaderValue(18, 21);
    ReportField(true, "Width = ", width);
    const auto height = HeaderValue(22, 25);
    ReportField(true, "Height = ", height);
    p.ImageWidth = width.value_or(0);
    p.TopDown = height.value_or(0) < 0;
    p.ImageHeight = height ? (*height == INT32_MIN ? INT32_MAX : (*height < 0 ? -*height : *height)) : 0;
    const std::int64_t stride = StrideFor(p.ImageWidth);
    p.RowStride = stride > 0 && stride <= INT32_MAX ? static_cast<std::int32_t>(stride) : 0;

    const auto planes = HeaderValue(26, 27);
    ReportField(show, "1 = ", planes);
    ok = ok && planes == 1;
    const auto bitsPerPixel = HeaderValue(28, 29);
    ReportField(show, "1 = ", bitsPerPixel);
    ok = ok && bitsPerPixel == 1;
    const auto compression = HeaderValue(30, 33);
    ReportField(show, "0 = ", compression);
    ok = ok && compression == 0;

    const auto horizontal = HeaderValue(38, 41);
    ReportField(true, "Horizontal Resolution = ", horizontal);
    const auto vertical = HeaderValue(42, 45);
    ReportField(true, "Vertical Resolution = ", vertical);
    ok = ok && horizontal && horizontal == vertical;
    p.PixelsPerMillimetre = horizontal.value_or(0) / 1000.0;

    ReportField(show, "? = ", HeaderValue(34, 37));
    ReportField(show, "2/0 = ", HeaderValue(46, 49));
    ReportField(show, "2/0 = ", HeaderValue(50, 53));
    ReportLine(show, "");
    ReportLine(show, "Color Table:");
    static const char* const kExpected[8] = {
        "0 = ", "0 = ", "0 = ", "0 = ", "255 = ", "255 = ", "255 = ", "0 = "};
    for (std::size_t i = 0; i < 8; ++i)
        ReportField(show, kExpected[i], HeaderValue(54 + i, 54 + i));
    // Blue, green and red of entry 0 black and of entry 1 white. The fourth byte of an entry is
    // reserved and carries no colour; scanners write 255 there as often as 0, so it is not looked at.
    ok = ok && HeaderValue(54, 56) == 0 && HeaderValue(58, 60) == 16777215;

    ok = ok && RowsFitTheFile(width.value_or(0), height.value_or(0));
    if (!ok)
        Algemeen::TheConsole().Line("Not a proper B/W picture !!");
    else
        ReportLine(show, "B/W picture OK");
    p.Proper = ok;
    return ok;
}

std::int32_t ImageWidth()
{
    return gPicture.ImageWidth;
}
std::int32_t ImageHeight()
{
    return gPicture.ImageHeight;
}
double PixelsPerMillimetre()
{
    return gPicture.PixelsPerMillimetre;
}

const std::uint8_t* PixelRow(std::int32_t y)
{
    const Picture& p = gPicture;
    if (!p.Proper || y < 0 || y >= p.ImageHeight)
        throw std::out_of_range("pixel row " + std::to_string(y) + " outside the picture");
    const std::int64_t stored = p.TopDown ? y : std::int64_t{p.ImageHeight} - 1 - y;
    return p.BitmapBytes.data() + p.PixelOffset + stored * p.RowStride;
}

Picture TakePicture()
{
    return std::exchange(gPicture, Picture{});
}
void RestorePicture(Picture&& picture)
{
    gPicture = std::move(picture);
}

} // namespace BMPunit
