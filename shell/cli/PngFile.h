// Saving a raster as a PNG file.
#pragma once

#include "Algemeen.h"

#include <string>

namespace Cli {

// Writes the raster as an 8-bit RGB PNG, whole or not at all (a temporary file renamed into place).
// Throws std::runtime_error when the file cannot be written; the name then keeps what it held.
void WritePng(const Algemeen::Raster& raster, const std::string& fileName);

} // namespace Cli
