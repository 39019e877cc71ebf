// `korvane-cli read`: the commands of the window run headless on one scan.
#pragma once

#include "Options.h"

#include <ostream>

namespace Cli {

// Exit statuses of korvane-cli.
inline constexpr int kAllRead = 0;       // every card read was decoded completely
inline constexpr int kUnknownColumn = 1; // some column was unknown
inline constexpr int kRefused = 2;       // the picture or the click was refused
inline constexpr int kUnexpected = 3;    // an unexpected error ended a command

// Runs start, Open and the further commands the options ask for on a recording window; console
// lines go to standard output, the text line's content and colour close the output.
int RunRead(const ReadOptions& options, std::ostream& out, std::ostream& err);

} // namespace Cli
