#include "LeptSupport.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace Imaging::Lept {

namespace {

thread_local MessageCatcher* tCatcher = nullptr;
thread_local std::string* tSink = nullptr;

void Catch(const char* message)
{
    if (tSink != nullptr && tSink->size() < 4096)
        tSink->append(message);
}

std::uint32_t SwapToBigEndian(std::uint32_t word)
{
    if constexpr (std::endian::native == std::endian::little)
        return __builtin_bswap32(word);
    else
        return word;
}

} // namespace

MessageCatcher::MessageCatcher() : outer_(tCatcher)
{
    static std::once_flag installed;
    std::call_once(installed, [] { leptSetStderrHandler(Catch); });
    tCatcher = this;
    tSink = &text_;
}

MessageCatcher::~MessageCatcher()
{
    tCatcher = outer_;
    tSink = outer_ != nullptr ? &outer_->text_ : nullptr;
}

std::string MessageCatcher::First() const
{
    std::string line = text_.substr(0, text_.find('\n'));
    if (line.rfind("Error in ", 0) == 0) {
        const auto colon = line.find(": ");
        if (colon != std::string::npos)
            line.erase(0, colon + 2);
    }
    return line;
}

korvane::Picture PictureFromPix(PIX* pix1)
{
    if (pix1 == nullptr || pixGetDepth(pix1) != 1)
        throw std::invalid_argument("PictureFromPix: not a 1-bit picture");
    korvane::Picture picture;
    picture.Width = pixGetWidth(pix1);
    picture.Height = pixGetHeight(pix1);
    const std::size_t words =
        static_cast<std::size_t>(pixGetWpl(pix1)) * static_cast<std::size_t>(picture.Height);
    picture.Bytes.resize(words * 4);
    picture.RowStep = static_cast<std::ptrdiff_t>(pixGetWpl(pix1)) * 4;
    const l_uint32* from = pixGetData(pix1);
    std::uint8_t* to = picture.Bytes.data();
    for (std::size_t i = 0; i < words; ++i) {
        const std::uint32_t word = SwapToBigEndian(~from[i]);
        std::memcpy(to + i * 4, &word, 4);
    }
    return picture;
}

PixPtr PixFromPicture(const korvane::Picture& picture)
{
    const std::int64_t width = picture.Width, height = picture.Height;
    const std::int64_t rowBytes = (width + 7) / 8;
    if (width <= 0 || height <= 0 || std::abs(picture.RowStep) < rowBytes)
        throw std::invalid_argument("PixFromPicture: inconsistent picture sizes");
    const std::int64_t firstRow = static_cast<std::int64_t>(picture.FirstRow);
    const std::int64_t lastRow = firstRow + (height - 1) * picture.RowStep;
    const std::int64_t size = static_cast<std::int64_t>(picture.Bytes.size());
    if (std::min(firstRow, lastRow) < 0 || std::max(firstRow, lastRow) + rowBytes > size)
        throw std::invalid_argument("PixFromPicture: rows outside the picture's bytes");
    PixPtr pix(pixCreate(picture.Width, picture.Height, 1));
    if (!pix)
        throw std::bad_alloc();
    const std::int32_t wpl = pixGetWpl(pix.get());
    for (std::int32_t y = 0; y < picture.Height; ++y) {
        const std::uint8_t* row = picture.Row(y);
        l_uint32* line = pixGetData(pix.get()) + static_cast<std::ptrdiff_t>(y) * wpl;
        for (std::int32_t w = 0; w < wpl; ++w) {
            const std::int64_t at = std::int64_t{w} * 4;
            std::uint32_t word = 0xFFFFFFFFu; // white past the row's bytes: cleared as pad bits below
            const std::int64_t have = std::min<std::int64_t>(4, rowBytes - at);
            std::memcpy(&word, row + at, static_cast<std::size_t>(have));
            line[w] = ~SwapToBigEndian(word);
        }
    }
    pixSetPadBits(pix.get(), 0);
    return pix;
}

} // namespace Imaging::Lept
