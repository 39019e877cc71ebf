// The options of `punch` that ask for a scanner's file instead of the plain 1-bit BMP.
#pragma once

#include "ScanPage.h"

namespace CLI {
class App;
}

namespace Cli {

void DefineScanOutputOptions(CLI::App& punch, Punch::ScanOutputOptions& options);

} // namespace Cli
