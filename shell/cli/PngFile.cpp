#include "PngFile.h"

#include "FileAccess.h"

#include <png.h>
#include <stdexcept>
#include <vector>

namespace Cli {

namespace {

[[noreturn]] void PngError(png_structp, png_const_charp message)
{
    throw std::runtime_error(message);
}

// The encoder writes into memory; the file is written whole afterwards.
void AppendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    bytes->insert(bytes->end(), data, data + length);
}

void NoFlush(png_structp) {}

struct PngWriter
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

std::vector<std::uint8_t> EncodePng(const Algemeen::Raster& raster)
{
    std::vector<std::uint8_t> bytes;
    PngWriter w;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, nullptr);
    if (!w.png)
        throw std::runtime_error("cannot start a PNG file");
    w.info = png_create_info_struct(w.png);
    if (!w.info)
        throw std::runtime_error("cannot start a PNG file");
    png_set_write_fn(w.png, &bytes, AppendBytes, NoFlush);
    const auto width = static_cast<png_uint_32>(raster.Width());
    const auto height = static_cast<png_uint_32>(raster.Height());
    png_set_IHDR(w.png, w.info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        for (std::int32_t x = 0; x < raster.Width(); ++x) {
            const Algemeen::Colour c = raster.Pixel(x, y);
            png_byte* p = row.data() + static_cast<std::size_t>(x) * 3;
            p[0] = static_cast<png_byte>(c & 0xFF);
            p[1] = static_cast<png_byte>((c >> 8) & 0xFF);
            p[2] = static_cast<png_byte>((c >> 16) & 0xFF);
        }
        png_write_row(w.png, row.data());
    }
    png_write_end(w.png, nullptr);
    return bytes;
}

} // namespace

void WritePng(const Algemeen::Raster& raster, const std::string& fileName)
{
    const Algemeen::WriteResult written = Algemeen::WriteWholeFile(fileName, EncodePng(raster));
    if (!written.ok)
        throw std::runtime_error(written.message);
}

} // namespace Cli
