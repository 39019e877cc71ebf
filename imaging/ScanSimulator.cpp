#include "ScanSimulator.h"

#include "BmpWrite.h"
#include "FileAccess.h"
#include "LeptSupport.h"
#include "TiffDirectory.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace Imaging {

namespace {

using Lept::PixPtr;

// Tints of a cream card and a blue-black backing (red, green, blue).
constexpr double kCardTint[3] = {1.00, 0.96, 0.86};
constexpr double kBackingTint[3] = {0.85, 0.95, 1.25};

// Normal deviates by Box and Muller from the seeded generator: the same pictures everywhere.
class Noise
{
public:
    Noise(std::uint32_t seed, double sigma) : random_(seed), sigma_(sigma) {}
    double Next()
    {
        if (sigma_ <= 0.0)
            return 0.0;
        if (spare_) {
            spare_ = false;
            return sparedValue_;
        }
        const double u1 = (static_cast<double>(random_()) + 1.0) / 4294967296.0;
        const double u2 = static_cast<double>(random_()) / 4294967296.0;
        const double r = sigma_ * std::sqrt(-2.0 * std::log(u1));
        sparedValue_ = r * std::sin(2.0 * M_PI * u2);
        spare_ = true;
        return r * std::cos(2.0 * M_PI * u2);
    }

private:
    std::mt19937 random_;
    double sigma_;
    bool spare_ = false;
    double sparedValue_ = 0.0;
};

l_uint8 Clamp(double v)
{
    return static_cast<l_uint8>(std::clamp(std::lround(v), 0l, 255l));
}

void CheckLook(const ScanLook& look)
{
    if (look.BlackLevel < 0 || look.CardWhite > 255 || look.BlackLevel >= look.CardWhite ||
        look.Falloff < 0.0 || look.Falloff > 1.0 || look.Blur < 0 || look.Noise < 0.0 || look.Ppi < 0.0 ||
        look.JpegQuality < 1 || look.JpegQuality > 100)
        throw std::invalid_argument("scan look out of range");
}

// The light reaching the sensor: the two levels, blurred by the optics (8-bit grey).
PixPtr Light(PIX* pix1, const ScanLook& look)
{
    PixPtr grey(pixConvert1To8(nullptr, pix1, static_cast<l_uint8>(look.CardWhite),
                               static_cast<l_uint8>(look.BlackLevel)));
    if (grey && look.Blur > 0)
        grey.reset(pixBlockconv(grey.get(), look.Blur, look.Blur));
    if (!grey)
        throw std::runtime_error("cannot paint the scan");
    return grey;
}

// Falloff and noise on the light, as grey or as colour.
PixPtr Sensor(PIX* light, const ScanLook& look)
{
    const int w = pixGetWidth(light), h = pixGetHeight(light);
    const bool colour = look.Tone == ScanTone::Colour;
    PixPtr out(pixCreate(w, h, colour ? 32 : 8));
    if (!out)
        throw std::bad_alloc();
    Noise noise(look.Seed, look.Noise);
    const double span = look.CardWhite - look.BlackLevel;
    for (int y = 0; y < h; ++y) {
        const l_uint32* from = pixGetData(light) + static_cast<std::ptrdiff_t>(y) * pixGetWpl(light);
        l_uint32* to = pixGetData(out.get()) + static_cast<std::ptrdiff_t>(y) * pixGetWpl(out.get());
        for (int x = 0; x < w; ++x) {
            const double gain = 1.0 - look.Falloff * (w > 1 ? static_cast<double>(x) / (w - 1) : 0.0);
            const double level = GET_DATA_BYTE(from, x);
            if (!colour) {
                SET_DATA_BYTE(to, x, Clamp(level * gain + noise.Next()));
                continue;
            }
            const double t = (level - look.BlackLevel) / span; // 0 backing .. 1 card
            l_uint8 rgb[3];
            for (int c = 0; c < 3; ++c) {
                const double tinted =
                    (1.0 - t) * look.BlackLevel * kBackingTint[c] + t * look.CardWhite * kCardTint[c];
                rgb[c] = Clamp(tinted * gain + noise.Next());
            }
            composeRGBPixel(rgb[0], rgb[1], rgb[2], to + x);
        }
    }
    return out;
}

std::vector<std::uint8_t> Take(l_uint8* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    lept_free(data);
    return bytes;
}

std::vector<std::uint8_t> EncodeOne(PIX* pix, const ScanLook& look, ScanFormat format)
{
    l_uint8* data = nullptr;
    std::size_t size = 0;
    int failed = 1;
    switch (format) {
    case ScanFormat::Png:
        failed = pixWriteMemPng(&data, &size, pix, 0.0f);
        break;
    case ScanFormat::Jpeg:
        failed = pixWriteMemJpeg(&data, &size, pix, look.JpegQuality, 0);
        break;
    case ScanFormat::Bmp:
        failed = pixWriteMemBmp(&data, &size, pix);
        break;
    case ScanFormat::Tiff:
        failed = pixWriteMemTiff(&data, &size, pix, pixGetDepth(pix) == 1 ? IFF_TIFF_G4 : IFF_TIFF_LZW);
        break;
    }
    if (failed != 0 || data == nullptr)
        throw std::runtime_error(std::string("cannot encode the scan as ") + FormatName(format));
    return Take(data, size);
}

// The picture as the scanner would give it, resolution set: 1-bit, grey or colour.
PixPtr Paint(const korvane::Picture& picture, const ScanLook& look, ScanFormat format)
{
    PixPtr pix = Lept::PixFromPicture(picture);
    if (look.Tone != ScanTone::BlackWhite || format == ScanFormat::Jpeg)
        pix = Sensor(Light(pix.get(), look).get(), look);
    if (look.Deep && look.Tone == ScanTone::Grey && format != ScanFormat::Jpeg && format != ScanFormat::Bmp)
        pix.reset(pixConvert8To16(pix.get(), 8)); // each byte repeated: 0xAB -> 0xABAB
    if (look.Alpha && look.Tone == ScanTone::Colour && format != ScanFormat::Jpeg &&
        format != ScanFormat::Bmp) {
        pixSetComponentArbitrary(pix.get(), L_ALPHA_CHANNEL, 255);
        pixSetSpp(pix.get(), 4);
    }
    if (!pix)
        throw std::runtime_error("cannot paint the scan");
    const auto ppi = static_cast<l_int32>(std::lround(look.Ppi));
    pixSetResolution(pix.get(), ppi, ppi);
    return pix;
}

std::vector<std::uint8_t> MultipageTiff(const std::vector<korvane::Picture>& pages, const ScanLook& look)
{
    PixPtr first = Paint(pages[0], look, ScanFormat::Tiff);
    PIXA* pixa = pixaCreate(static_cast<l_int32>(pages.size()));
    std::unique_ptr<PIXA, void (*)(PIXA*)> owner(pixa, [](PIXA* p) { pixaDestroy(&p); });
    pixaAddPix(pixa, first.release(), L_INSERT);
    for (std::size_t i = 1; i < pages.size(); ++i) {
        ScanLook pageLook = look;
        pageLook.Seed = look.Seed + static_cast<std::uint32_t>(i);
        pixaAddPix(pixa, Paint(pages[i], pageLook, ScanFormat::Tiff).release(), L_INSERT);
    }
    // Leptonica writes multi-page TIFF only to a stream: a temporary one in memory.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(std::tmpfile(), std::fclose);
    if (!stream)
        throw std::runtime_error("cannot make a temporary file for the TIFF pages");
    for (int i = 0; i < pixaGetCount(pixa); ++i) {
        PixPtr page(pixaGetPix(pixa, i, L_CLONE));
        const int comp = pixGetDepth(page.get()) == 1 ? IFF_TIFF_G4 : IFF_TIFF_LZW;
        if (pixWriteStreamTiffWA(stream.get(), page.get(), comp, i == 0 ? "w" : "a") != 0)
            throw std::runtime_error("cannot encode the scan as tiff");
    }
    std::fseek(stream.get(), 0, SEEK_END);
    const long size = std::ftell(stream.get());
    std::rewind(stream.get());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(0l, size)));
    if (size <= 0 || std::fread(bytes.data(), 1, bytes.size(), stream.get()) != bytes.size())
        throw std::runtime_error("cannot encode the scan as tiff");
    return bytes;
}

} // namespace

const char* FormatName(ScanFormat format)
{
    switch (format) {
    case ScanFormat::Png:
        return "png";
    case ScanFormat::Tiff:
        return "tiff";
    case ScanFormat::Jpeg:
        return "jpeg";
    default:
        return "bmp";
    }
}

std::vector<std::uint8_t> EncodeScan(const std::vector<korvane::Picture>& pages, const ScanLook& look,
                                     ScanFormat format)
{
    CheckLook(look);
    if (pages.empty() || (pages.size() > 1 && format != ScanFormat::Tiff))
        throw std::invalid_argument("only a TIFF file holds more than one page");
    Lept::MessageCatcher quiet;
    std::vector<std::uint8_t> bytes;
    if (pages.size() > 1) {
        bytes = MultipageTiff(pages, look);
    } else if (format == ScanFormat::Bmp && look.Tone == ScanTone::BlackWhite) {
        // The form the program's own BMP loader accepts (palette black then white).
        Lept::PixFromPicture(pages[0]); // checks the picture's sizes against its bytes
        BMPunit::BitImage image(pages[0].Width, pages[0].Height, false);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                image.Set(x, y, ((pages[0].Row(y)[x >> 3] >> (7 - (x & 7))) & 1) == 0);
        bytes = BMPunit::EncodeBitmap(image, static_cast<std::int32_t>(std::lround(look.Ppi / 0.0254)));
    } else {
        bytes = EncodeOne(Paint(pages[0], look, format).get(), look, format);
    }
    // Leptonica always writes a resolution into a TIFF file (300 ppi when it has none).
    if (format == ScanFormat::Tiff && look.Ppi == 0.0 && !Tiff::RemoveResolution(bytes))
        throw std::runtime_error("cannot take the resolution out of the TIFF file");
    return bytes;
}

void WriteScan(const std::string& fileName, const std::vector<korvane::Picture>& pages, const ScanLook& look,
               ScanFormat format)
{
    // The output rule every writer keeps: refused unless a regular file (or a link to one, which
    // stays a link), written whole through a temporary file of its own, permissions kept.
    if (std::string refusal = Algemeen::OutputRefusal(fileName); !refusal.empty())
        throw std::runtime_error(refusal);
    const std::vector<std::uint8_t> bytes = EncodeScan(pages, look, format);
    if (const Algemeen::WriteResult written = Algemeen::WriteWholeFile(fileName, bytes); !written.ok)
        throw std::runtime_error(written.message);
}

} // namespace Imaging
