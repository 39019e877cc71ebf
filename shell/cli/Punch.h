// `korvane-cli punch`: renders 1-bit BMP scans of punched cards, seen from their back, from text.
#pragma once

#include "Options.h"

#include <ostream>

namespace Cli {

// Writes the picture the options describe; 0 on success, non-zero after a message on err.
int RunPunch(const PunchOptions& options, std::ostream& err);

} // namespace Cli
