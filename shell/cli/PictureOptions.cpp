#include "PictureOptions.h"

#include <CLI/CLI.hpp>
#include <cmath>

namespace Cli {

CLI::Validator FiniteNumber()
{
    // A range alone lets "nan" through: no comparison with it is false.
    return CLI::Validator(
        [](std::string& text) -> std::string {
            double value = 0.0;
            if (!CLI::detail::lexical_cast(text, value) || !std::isfinite(value))
                return "not a finite number: " + text;
            return "";
        },
        "NUMBER");
}

void DefinePictureOptions(CLI::App& read, PictureOptions& options)
{
    auto* threshold =
        read.add_option("--threshold", options.threshold,
                        "grey values up to N are dark (0-255) instead of Otsu's threshold; not BMP files")
            ->check(CLI::Range(0, 255));
    read.add_option("--binarize", options.binarize, "otsu (global, the default) or sauvola (local)")
        ->check(CLI::IsMember({"otsu", "sauvola"}))
        ->excludes(threshold);
    read.add_option("--polarity", options.polarity,
                    "dark-holes (a light card, the default), light-holes (a backlit card) or auto")
        ->check(CLI::IsMember({"auto", "dark-holes", "light-holes"}));
    read.add_option("--side", options.side,
                    "back (the default), front (a picture of the front is mirrored) or auto (a card "
                    "lying face up is read from its front)")
        ->check(CLI::IsMember({"back", "front", "auto"}));
    read.add_option("--dpi", options.dpi, "resolution of the picture, instead of the file's or an estimate")
        ->check(FiniteNumber())
        ->check(CLI::Range(10.0, 4800.0));
}

korvane::PictureSettings PictureSettingsFor(const PictureOptions& options)
{
    korvane::PictureSettings settings;
    auto& decoding = settings.Decoding;
    if (options.threshold) {
        decoding.Method = Imaging::Binarisation::Fixed;
        decoding.Threshold = *options.threshold;
    } else if (options.binarize == "sauvola") {
        decoding.Method = Imaging::Binarisation::Sauvola;
    }
    decoding.Holes =
        options.polarity == "light-holes" ? Imaging::Polarity::LightHoles : Imaging::Polarity::DarkHoles;
    settings.AutoPolarity = options.polarity == "auto";
    decoding.Face = options.side == "front"  ? Imaging::Side::Front
                    : options.side == "auto" ? Imaging::Side::Auto
                                             : Imaging::Side::Back;
    settings.Dpi = options.dpi;
    return settings;
}

} // namespace Cli
