// `korvane-cli punch`: renders scans of punched cards from text, seen from their back or their
// printed front, flat or in perspective, as scans or photos, one side or both sides of each card.
#pragma once

#include "Options.h"

#include <cstddef>
#include <ostream>

namespace Cli {

// The largest --noise fraction: above it too few places remain for specks that stand alone.
inline constexpr double kMaxNoise = 0.1;

// The largest --tilt angle: beyond it a card is too foreshortened to stand for a photo of one.
inline constexpr double kMaxTilt = 25.0;

// Bounds on --file, so a huge or endless file is refused instead of read into memory: more cards
// than this never fit on a page even at the lowest resolution, and a card holds 80 columns.
inline constexpr std::size_t kMaxFileLines = 4096;
inline constexpr std::size_t kMaxLineLength = 256; // characters, not counting the line end

// Punches the TEXT arguments, then the lines of --file, one card each, through the code table
// "ibmkaart.txt" of the current directory, and writes the page as a BMP whose resolution fields
// say the scale it was drawn at. Returns 0 on success. Input that cannot be punched (no cards, an
// angle list that does not fit the cards, a missing or malformed table, a character without a
// code, more than 80 columns, a page too large for a scan, an unreadable --file, options that do
// not go together) gives a line "korvane-cli: ..." on err and kRefused. With --duplex each damaged
// side is listed on err ("damage: ...") after the files are written. Failing to write the output
// throws std::runtime_error.
int RunPunch(const PunchOptions& options, std::ostream& err);

} // namespace Cli
