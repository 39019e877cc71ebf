// The card code table, read from the text file "ibmkaart.txt" in the current directory every time
// a card is rendered, so an edited file takes effect at the next card.
#pragma once

#include "Window.h"

#include <array>
#include <cstddef>
#include <istream>
#include <optional>
#include <string>

namespace Unit1 {

// How much of the table file is read: lines 1 to 25 must lie within it, and nothing after line 25
// is ever used. The table shipped with the program takes 2.3 kB.
inline constexpr std::size_t kCodeTableReadBytes = 16 * 1024;

// Entry 0 is "?"; entries 1..62 hold the code's character followed by its 12 punch marks
// ('O' punched, blank not), rows 12, 11, 0, 1, ..., 9.
using CodeTableEntries = std::array<std::string, 63>;

// The table from the file's text: line 12 holds the characters at positions 5..66, lines 14..25
// the punch rows. None when a needed position lies beyond the end of its line (missing lines count
// as empty). A carriage return ending a line is not part of it.
std::optional<CodeTableEntries> ParseCardSpec(std::istream& in);

// Reads SpecFileName into the run state's CodeTable. On failure shows the reason in red in the
// text line and returns false; writes nothing to the console.
bool ReadCardSpec(Window& window);

} // namespace Unit1
