#include "ScanPage.h"

#include "ScanSimulator.h"

#include <stdexcept>

namespace Punch {

std::string WriteScanPage(const BMPunit::BitImage& page, double dpi, const ScanOutputOptions& options,
                          const std::string& output)
{
    if (options.blackLevel >= options.cardWhite)
        return "--black-level " + std::to_string(options.blackLevel) + " must lie below --card-white " +
               std::to_string(options.cardWhite);
    korvane::Picture picture;
    picture.Width = page.width;
    picture.Height = page.height;
    picture.RowStep = static_cast<std::ptrdiff_t>(picture.RowBytes());
    picture.Bytes.assign(picture.RowBytes() * static_cast<std::size_t>(page.height), 0);
    for (std::int32_t y = 0; y < page.height; ++y)
        for (std::int32_t x = 0; x < page.width; ++x)
            if (!page.Black(x, y))
                picture.Bytes[static_cast<std::size_t>(y) * picture.RowBytes() +
                              static_cast<std::size_t>(x >> 3)] |=
                    static_cast<std::uint8_t>(0x80u >> (x & 7));
    Imaging::ScanLook look;
    look.Tone = options.colour ? Imaging::ScanTone::Colour : Imaging::ScanTone::Grey;
    look.BlackLevel = options.blackLevel;
    look.CardWhite = options.cardWhite;
    look.Falloff = options.falloff;
    look.Blur = options.blur;
    look.Noise = options.sensorNoise;
    look.Ppi = options.noResolution ? 0.0 : dpi;
    const std::string& name = options.format.empty() ? std::string("bmp") : options.format;
    const Imaging::ScanFormat format = name == "png"    ? Imaging::ScanFormat::Png
                                       : name == "tiff" ? Imaging::ScanFormat::Tiff
                                       : name == "jpeg" ? Imaging::ScanFormat::Jpeg
                                                        : Imaging::ScanFormat::Bmp;
    try {
        Imaging::WriteScan(output, {picture}, look, format);
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return {};
}

} // namespace Punch
