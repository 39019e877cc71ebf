// A rendered page written as a scanner writes it: grey or colour pixels with a black level, an
// off-white card, light falling off across the page, blur and sensor noise, as PNG, TIFF, JPEG or
// BMP, with or without a resolution in the file.
#pragma once

#include "BmpWrite.h"

#include <string>

namespace Punch {

struct ScanOutputOptions
{
    std::string format;        // --format png|tiff|jpeg|bmp; empty: the 1-bit BMP of old
    bool grey = false;         // --grey
    bool colour = false;       // --colour
    int blackLevel = 20;       // --black-level N
    int cardWhite = 235;       // --card-white N
    double falloff = 0.0;      // --falloff F
    int blur = 0;              // --blur R
    double sensorNoise = 0.0;  // --sensor-noise S
    bool noResolution = false; // --no-resolution
    // Whether any option asks for the scanner's look rather than the plain 1-bit BMP.
    bool Wanted() const { return !format.empty() || grey || colour || noResolution; }
};

// Writes the page whole or not at all; a problem (empty for none) says why it was not written.
std::string WriteScanPage(const BMPunit::BitImage& page, double dpi, const ScanOutputOptions& options,
                          const std::string& output);

} // namespace Punch
