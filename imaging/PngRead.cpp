#include "DecodeOptions.h"
#include "FileReaders.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <png.h>
#include <vector>

namespace Imaging::Lept {

static_assert(std::endian::native == std::endian::little, "the word layouts below are little-endian");

namespace {

struct PngInput
{
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::string* error;
    // Once the last row is being read, `at` may not pass this: compressed data beyond what the
    // picture's own rows need is not inflated (a small file can hold gigabytes of it).
    std::size_t limit = static_cast<std::size_t>(-1);
};

// What the last row may read at most, past where it starts: its own bytes twice over (deflate's
// stored blocks never grow data by that much) and the rest of a chunk the decoder reads ahead.
constexpr std::size_t kLastRowSlack = 64 * 1024;

void OnError(png_structp png, png_const_charp message)
{
    auto* input = static_cast<PngInput*>(png_get_error_ptr(png));
    if (input->error->empty())
        *input->error = message;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {} // a file that still decodes is read

void ReadBytes(png_structp png, png_bytep to, png_size_t count)
{
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (count > input->size - input->at)
        png_error(png, "the file ends early");
    if (input->at + count > input->limit)
        png_error(png, "more compressed data than the picture holds");
    if (DecodeStop::Requested())
        png_error(png, "stopped");
    std::copy_n(input->data + input->at, count, to);
    input->at += count;
}

struct Layout
{
    int depth = 8;            // of the Leptonica picture
    int samples = 1;          // its samples per pixel
    bool invert = false;      // a 1-bit file whose 0 is black
    bool greyPalette = false; // palette indices to be replaced by their grey
};

// The libpng transformations that bring the file to one of the layouts above.
Layout Transform(png_structp png, png_infop info, png_color* palette, int& paletteSize)
{
    Layout layout;
    const int type = png_get_color_type(png, info), bits = png_get_bit_depth(png, info);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_colorp colours = nullptr;
    paletteSize = 0;
    if (type == PNG_COLOR_TYPE_PALETTE)
        png_get_PLTE(png, info, &colours, &paletteSize);
    if (bits == 16)
        png_set_strip_16(png);
    if (type == PNG_COLOR_TYPE_GRAY || (type == PNG_COLOR_TYPE_PALETTE && bits == 1 && !transparency)) {
        if (bits == 1) {
            layout.depth = 1;
            // Leptonica's 1 is black: a grey file's 0 is black, a palette's darker entry is.
            const auto brightness = [&](int k) {
                return k < paletteSize ? colours[k].red + colours[k].green + colours[k].blue : 765 * k;
            };
            layout.invert = type == PNG_COLOR_TYPE_GRAY || brightness(0) < brightness(1);
        } else if (bits < 8) {
            png_set_expand_gray_1_2_4_to_8(png);
        }
        return layout;
    }
    if (type == PNG_COLOR_TYPE_PALETTE) {
        std::copy_n(colours, paletteSize, palette);
        const bool allGrey = std::all_of(palette, palette + paletteSize, [](const png_color& c) {
            return c.red == c.green && c.green == c.blue;
        });
        if (allGrey && !transparency) {
            png_set_packing(png); // one index a byte
            layout.greyPalette = true;
            return layout;
        }
        png_set_palette_to_rgb(png);
    }
    if (type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    layout.depth = 32;
    layout.samples = 3;
    if (transparency && type != PNG_COLOR_TYPE_GRAY_ALPHA && type != PNG_COLOR_TYPE_RGB_ALPHA)
        png_set_tRNS_to_alpha(png);
    if ((type & PNG_COLOR_MASK_ALPHA) != 0 || transparency)
        layout.samples = 4;
    else
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    return layout;
}

// Decodes into `pix`, which it creates; false when libpng gave up (the error says why). No C++
// object with a destructor lives in this frame, which libpng may leave by a long jump.
bool Decode(png_structp png, png_infop info, PngInput& input, PIX*& pix, Layout& layout,
            std::vector<png_bytep>& rows, png_color* palette, int& paletteSize)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    layout = Transform(png, info, palette, paletteSize);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    pix = pixCreateNoInit(static_cast<l_int32>(width), static_cast<l_int32>(height), layout.depth);
    if (pix == nullptr)
        png_error(png, "no memory for the picture");
    if (png_get_rowbytes(png, info) > static_cast<std::size_t>(pixGetWpl(pix)) * 4)
        png_error(png, "the rows are longer than the picture");
    pixSetSpp(pix, layout.samples);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] =
            reinterpret_cast<png_bytep>(pixGetData(pix) + static_cast<std::ptrdiff_t>(y) * pixGetWpl(pix));
    // Row by row, as png_read_image would, so that the input is bounded while the last row is
    // read: that is when libpng inflates whatever compressed data follows the picture.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) {
            if (pass == passes - 1 && y == height - 1)
                input.limit = input.at + 2 * png_get_rowbytes(png, info) + kLastRowSlack;
            png_read_row(png, rows[y], nullptr);
        }
    png_uint_32 xPerUnit = 0, yPerUnit = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &xPerUnit, &yPerUnit, &unit) != 0 && unit == PNG_RESOLUTION_METER)
        pixSetResolution(pix, static_cast<l_int32>(std::lround(xPerUnit / 39.37)),
                         static_cast<l_int32>(std::lround(yPerUnit / 39.37)));
    return true;
}

} // namespace

void ToNativeWords(PIX* pix)
{
    const std::size_t words =
        static_cast<std::size_t>(pixGetWpl(pix)) * static_cast<std::size_t>(pixGetHeight(pix));
    l_uint32* data = pixGetData(pix);
    for (std::size_t i = 0; i < words; ++i)
        data[i] = __builtin_bswap32(data[i]);
}

PixPtr ReadPng(const std::uint8_t* data, std::size_t size, std::string& error)
{
    error.clear();
    PngInput input{data, size, 0, &error};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "no memory for the decoder";
        return nullptr;
    }
    png_set_read_fn(png, &input, ReadBytes);
    // The CRC of every IDAT chunk is still checked, so a damaged file is refused as before; zlib's
    // own checksum of the same data after inflating it would cost a tenth of the decoding again.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    PIX* raw = nullptr;
    Layout layout;
    std::vector<png_bytep> rows;
    png_color palette[256];
    int paletteSize = 0;
    const bool ok = Decode(png, info, input, raw, layout, rows, palette, paletteSize);
    png_destroy_read_struct(&png, &info, nullptr);
    PixPtr pix(raw);
    if (!ok) {
        if (error.empty())
            error = "corrupt data";
        return nullptr;
    }
    ToNativeWords(pix.get());
    if (layout.invert)
        pixInvert(pix.get(), pix.get());
    pixSetPadBits(pix.get(), 0);
    if (layout.greyPalette) {
        const std::int32_t w = pixGetWidth(pix.get()), h = pixGetHeight(pix.get()),
                           wpl = pixGetWpl(pix.get());
        for (std::int32_t y = 0; y < h; ++y) {
            l_uint32* line = pixGetData(pix.get()) + static_cast<std::ptrdiff_t>(y) * wpl;
            for (std::int32_t x = 0; x < w; ++x) {
                const int index = GET_DATA_BYTE(line, x);
                SET_DATA_BYTE(line, x, index < paletteSize ? palette[index].red : 0);
            }
        }
    }
    return pix;
}

} // namespace Imaging::Lept
