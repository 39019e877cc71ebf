// The entries of a card code table, as the reader decodes with them.
#pragma once

#include <array>
#include <string>

namespace korvane {

// Entry 0 is "?"; entries 1..62 hold the code's character followed by its 12 punch marks
// ('O' punched, blank not), rows 12, 11, 0, 1, ..., 9.
using CodeTableEntries = std::array<std::string, 63>;

} // namespace korvane
