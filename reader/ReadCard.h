// Reading one accepted card: orientation check by the cut corner, the grid fit to the card's holes,
// placement of every hole in a grid cell, and decoding through the code table.
#pragma once

#include "ReaderContext.h"
#include "korvane/Reader.h"

#include <cstdint>

namespace korvane {

// Reads the accepted card outline numbered `card` (std::out_of_range for another number). Writes
// the fit-quality lines and the rendering block to the reader's console. A card whose cut corner is
// not where it should be comes back Refused with kScanAgain, a code table that cannot be read
// comes back not Decoded with the red text of the failure; neither writes a console line.
CardResult ReadCard(ReaderContext& reader, std::int32_t card);

} // namespace korvane
