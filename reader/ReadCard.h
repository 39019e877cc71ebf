// Reading one accepted card: orientation check by the cut corner, the grid fit to the card's holes,
// placement of every hole in a grid cell, and decoding through the code table.
#pragma once

#include "ReaderContext.h"
#include "korvane/Card.h"

#include <cstdint>
#include <optional>

namespace korvane {

// Reads the accepted card outline numbered `card` (std::out_of_range for another number). Writes
// the fit-quality lines and the rendering block to the reader's console. A card whose cut corner
// lies where only a card seen from its front has it comes back Refused with kFaceUp. A card
// without a cut corner is read in the half turn its punches make likely, after the console line
// kFromPunches; when the punches do not decide it comes back not Decoded with kUncertain (also a
// console line); when they read the same every way up (a blank card) it is read as Symmetric after
// the console line kSymmetric. A code table that cannot be read gives a result not Decoded with the red text
// of the failure and no console line. A decoded card read from the reader's picture carries the evidence at
// its hole positions and its doubtful columns (korvane/Evidence.h).
CardResult ReadCard(ReaderContext& reader, std::int32_t card);

// Both readings of a card without a cut corner (Reader::ReadBothWays); none for a card with one,
// or when the code table cannot be read. Writes no console line.
std::optional<BothWays> ReadBothWays(ReaderContext& reader, std::int32_t card);

} // namespace korvane
