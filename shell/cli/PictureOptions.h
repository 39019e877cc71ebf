// The read options for pictures that are not BMP files: threshold, binarisation, polarity, side
// and resolution; defined on the read command and turned into the window's picture settings.
#pragma once

#include "korvane/PictureFile.h"

#include <optional>
#include <string>

namespace CLI {
class App;
class Validator;
} // namespace CLI

namespace Cli {

struct PictureOptions
{
    std::optional<int> threshold;        // --threshold N: a fixed threshold 0..255
    std::string binarize = "otsu";       // --binarize otsu|sauvola
    std::string polarity = "dark-holes"; // --polarity auto|dark-holes|light-holes
    std::string side = "back";           // --side back|front|auto
    double dpi = 0.0;                    // --dpi N; 0: the file's or an estimate
};

void DefinePictureOptions(CLI::App& read, PictureOptions& options);

// Refuses a number option that is not finite ("nan", "inf"), which a range check alone lets
// through.
CLI::Validator FiniteNumber();

// The window's settings for these options (parsing has checked them).
korvane::PictureSettings PictureSettingsFor(const PictureOptions& options);

} // namespace Cli
