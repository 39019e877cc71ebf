#include "ScanOutput.h"

#include "ScanSimulator.h"

#include <CLI/CLI.hpp>
#include <stdexcept>

namespace Cli {

void DefineScanOutputOptions(CLI::App& punch, ScanOutputOptions& options)
{
    punch.add_option("--format", options.format, "write a scanner's file: png, tiff, jpeg or bmp")
        ->check(CLI::IsMember({"png", "tiff", "jpeg", "bmp"}));
    auto* grey = punch.add_flag("--grey", options.grey, "8-bit grey pixels (the default with --format)");
    auto* colour =
        punch.add_flag("--colour", options.colour, "colour pixels: a cream card on a blue-black backing");
    grey->excludes(colour);
    punch.add_option("--black-level", options.blackLevel, "grey of the backing and the holes (default 20)")
        ->check(CLI::Range(0, 254));
    punch.add_option("--card-white", options.cardWhite, "grey of the card (default 235)")
        ->check(CLI::Range(1, 255));
    punch.add_option("--falloff", options.falloff, "fraction of the light lost from left to right (0-1)")
        ->check(CLI::Range(0.0, 1.0));
    punch.add_option("--blur", options.blur, "half-width in pixels of the optics' blur")
        ->check(CLI::Range(0, 50));
    punch
        .add_option("--sensor-noise", options.sensorNoise,
                    "standard deviation of the sensor noise, grey levels")
        ->check(CLI::Range(0.0, 100.0));
    punch.add_flag("--no-resolution", options.noResolution, "store no resolution in the file");
}

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

} // namespace Cli
