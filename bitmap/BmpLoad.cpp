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
std::optional<std::int32_t> HeaderValue(const BmpFile& file, std::size_t first, std::size_t last)
{
    const auto& bytes = file.BitmapBytes;
    if (last >= bytes.size())
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = last + 1; i-- > first;)
        value = (value << 8) | bytes[i];
    return static_cast<std::int32_t>(value);
}

// Writes "label value" as a console line when the field could be read.
void ReportField(Algemeen::Console& console, bool shown, const char* label, std::optional<std::int32_t> value)
{
    if (!shown || !value)
        return;
    console.Write(label);
    console.WriteInt(*value);
    console.EndLine();
}

void ReportLine(Algemeen::Console& console, bool shown, const char* text)
{
    if (shown)
        console.Line(text);
}

std::int64_t StrideFor(std::int64_t width)
{
    const std::int64_t b = (width - 1) / 8 + 1;
    return ((b - 1) / 4 + 1) * 4;
}

// The checks that keep every pixel read inside the loaded bytes and every allocation bounded.
bool RowsFitTheFile(const BmpFile& p, std::int64_t width, std::int64_t heightField)
{
    const std::int64_t height = heightField < 0 ? -heightField : heightField;
    if (p.Oversized || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        width * height > kMaxPixels)
        return false;
    const std::int64_t stride = StrideFor(width);
    const std::int64_t end = std::int64_t{p.PixelOffset} + stride * height;
    return p.PixelOffset >= 0 && end <= static_cast<std::int64_t>(p.BitmapBytes.size());
}

} // namespace

bool LoadBitmapFile(BmpFile& file, const std::string& fileName, Algemeen::Console& console)
{
    // Opened without blocking and only as a regular file: a FIFO or device counts as no file.
    Algemeen::OpenedFile opened = Algemeen::OpenRegularFile(fileName, Algemeen::OpenMode::Read);
    if (opened.status == Algemeen::FileStatus::Missing || opened.status == Algemeen::FileStatus::NotRegular) {
        console.Line(fileName + ": does Not exist");
        return false;
    }
    if (opened.status != Algemeen::FileStatus::Ok)
        throw std::runtime_error("cannot read \"" + fileName + "\": " + opened.message);
    std::FILE* stream = ::fdopen(opened.handle.Get(), "rb");
    if (stream == nullptr)
        ReadFailure(fileName);
    opened.handle.Release(); // the stream owns the descriptor now
    struct Closer
    {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{stream};

    const std::int64_t size = opened.size;
    const bool oversized = size > kMaxFileBytes;
    std::vector<std::uint8_t> bytes =
        ReadBlocks(stream, oversized ? kHeaderBytes : static_cast<std::size_t>(size), fileName);

    file = BmpFile{};
    file.Oversized = oversized;
    file.BitmapFileSize = oversized ? INT32_MAX : static_cast<std::int32_t>(bytes.size());
    file.BitmapBytes = std::move(bytes);
    if (kShowFileSize)
        console.Line(std::to_string(file.BitmapFileSize));
    return true;
}

bool CheckBitmapHeader(BmpFile& p, Algemeen::Console& console)
{
    const bool show = kShowHeader;
    p.Proper = false;

    ReportLine(console, show, "Main Header:");
    const auto& bytes = p.BitmapBytes;
    bool ok = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
    if (show && bytes.size() >= 2)
        console.Line(std::string{char(bytes[0]), char(bytes[1])} + " = BM");
    const auto fileSize = HeaderValue(p, 2, 5);
    if (show && fileSize)
        console.Line(std::to_string(*fileSize) + " = " + std::to_string(p.BitmapFileSize));
    if (show && HeaderValue(p, 6, 9))
        console.Line(std::to_string(*HeaderValue(p, 6, 9)) + " = 0");
    ok = ok && fileSize == p.BitmapFileSize;
    const auto offset = HeaderValue(p, 10, 13);
    ReportField(console, show, "Offset = ", offset);
    p.PixelOffset = offset.value_or(0);
    ReportLine(console, show, "");
    ReportLine(console, show, "Info Header:");

    const auto infoSize = HeaderValue(p, 14, 17);
    ReportField(console, show, "40 = ", infoSize);
    ok = ok && infoSize == 40;
    const auto width = HeaderValue(p, 18, 21);
    ReportField(console, true, "Width = ", width);
    const auto height = HeaderValue(p, 22, 25);
    ReportField(console, true, "Height = ", height);
    p.ImageWidth = width.value_or(0);
    p.TopDown = height.value_or(0) < 0;
    p.ImageHeight = height ? (*height == INT32_MIN ? INT32_MAX : (*height < 0 ? -*height : *height)) : 0;
    const std::int64_t stride = StrideFor(p.ImageWidth);
    p.RowStride = stride > 0 && stride <= INT32_MAX ? static_cast<std::int32_t>(stride) : 0;

    const auto planes = HeaderValue(p, 26, 27);
    ReportField(console, show, "1 = ", planes);
    ok = ok && planes == 1;
    const auto bitsPerPixel = HeaderValue(p, 28, 29);
    ReportField(console, show, "1 = ", bitsPerPixel);
    ok = ok && bitsPerPixel == 1;
    const auto compression = HeaderValue(p, 30, 33);
    ReportField(console, show, "0 = ", compression);
    ok = ok && compression == 0;

    const auto horizontal = HeaderValue(p, 38, 41);
    ReportField(console, true, "Horizontal Resolution = ", horizontal);
    const auto vertical = HeaderValue(p, 42, 45);
    ReportField(console, true, "Vertical Resolution = ", vertical);
    ok = ok && horizontal && horizontal == vertical;
    p.PixelsPerMillimetre = horizontal.value_or(0) / 1000.0;

    ReportField(console, show, "? = ", HeaderValue(p, 34, 37));
    ReportField(console, show, "2/0 = ", HeaderValue(p, 46, 49));
    ReportField(console, show, "2/0 = ", HeaderValue(p, 50, 53));
    ReportLine(console, show, "");
    ReportLine(console, show, "Color Table:");
    static const char* const kExpected[8] = {
        "0 = ", "0 = ", "0 = ", "0 = ", "255 = ", "255 = ", "255 = ", "0 = "};
    for (std::size_t i = 0; i < 8; ++i)
        ReportField(console, show, kExpected[i], HeaderValue(p, 54 + i, 54 + i));
    // Blue, green and red of entry 0 black and of entry 1 white. The fourth byte of an entry is
    // reserved and carries no colour; scanners write 255 there as often as 0, so it is not looked at.
    ok = ok && HeaderValue(p, 54, 56) == 0 && HeaderValue(p, 58, 60) == 16777215;

    ok = ok && RowsFitTheFile(p, width.value_or(0), height.value_or(0));
    if (!ok)
        console.Line("Not a proper B/W picture !!");
    else
        ReportLine(console, show, "B/W picture OK");
    p.Proper = ok;
    return ok;
}

korvane::Picture TakePicture(BmpFile&& file)
{
    if (!file.Proper)
        throw std::logic_error("there is no checked picture to take");
    korvane::Picture picture;
    picture.Width = file.ImageWidth;
    picture.Height = file.ImageHeight;
    picture.PixelsPerMillimetre = file.PixelsPerMillimetre;
    const std::ptrdiff_t stride = file.RowStride;
    picture.RowStep = file.TopDown ? stride : -stride;
    picture.FirstRow =
        static_cast<std::size_t>(file.PixelOffset) +
        (file.TopDown ? 0
                      : static_cast<std::size_t>(file.ImageHeight - 1) * static_cast<std::size_t>(stride));
    picture.Bytes = std::move(file.BitmapBytes);
    file = BmpFile{};
    return picture;
}

} // namespace BMPunit
