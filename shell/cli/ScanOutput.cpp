#include "ScanOutput.h"

#include <CLI/CLI.hpp>

namespace Cli {

void DefineScanOutputOptions(CLI::App& punch, Punch::ScanOutputOptions& options)
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

} // namespace Cli
