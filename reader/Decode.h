// Decoding: the hole cells of a read card into its 80 x 12 punches, and columns 1..72 of them into
// text through the card code table.
#pragma once

#include "Algemeen.h"
#include "CardPunches.h"
#include "CodeTable.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

// The punches from hole cells (indices 1 .. n; (column, row) of the fitted grid, 1-based). The
// grid is seen from the card's back, so grid column i is text column 81 - i and grid row j is
// bit j - 1. A hole without a cell ((0, 0), or any cell outside the grid) is not used.
Algemeen::CardPunches PunchesOf(const Algemeen::punten& cells);

struct DecodedText
{
    std::string Text;                // columns 1..72
    std::vector<int> UnknownColumns; // 1-based, where Text reads "?"
};

// For every pattern of punches a column can hold (row 12 in bit 11, ..., row 9 in bit 0), the
// lowest code 1..62 whose 12 marks are that pattern ("O" punched, blank not), 0 when none is. A
// code with any other mark matches no pattern.
using CodeIndex = std::array<std::uint8_t, 4096>;
CodeIndex IndexCodes(const CodeTableEntries& table);

// Each of columns 1..72 (or all 80) as the lowest code whose 12 marks equal its punches; "?" when
// none does.
DecodedText DecodeColumns(const CodeTableEntries& table, const CodeIndex& index,
                          const Algemeen::CardPunches& punches, int columns = 72);
DecodedText DecodeColumns(const CodeTableEntries& table, const Algemeen::CardPunches& punches);

// How many of all 80 columns no code of the table matches.
std::int32_t UnknownColumnCount(const CodeIndex& index, const Algemeen::CardPunches& punches);

// The console block "Rendering of PunchCard (1-72):", a rule, the text, a rule, and
// "? = unknown" when a column is unknown.
void WriteRendering(Algemeen::Console& console, const DecodedText& decoded);

} // namespace korvane
