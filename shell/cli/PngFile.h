// Saving a raster as a PNG file.
#pragma once

#include "Algemeen.h"

#include <string>

namespace Cli {

// Writes the raster as an 8-bit RGB PNG. Throws std::runtime_error when the file cannot be written.
void WritePng(const Algemeen::Raster& raster, const std::string& fileName);

} // namespace Cli
