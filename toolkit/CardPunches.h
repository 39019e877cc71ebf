// The punches of a card as every unit holds them, and the entries of a code table: one 12-bit value per
// column, the way emulator decks hold a column. Row 12 (along the edge with the cut corner) is bit 11, then
// rows 11, 0, 1,
// ..., 9 down to bit 0; bits 12 to 15 are never set. Text column k is at index k - 1.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace Algemeen {

inline constexpr int kCardColumns = 80;
inline constexpr int kCardRows = 12;

using ColumnPunches = std::uint16_t;
using CardPunches = std::array<ColumnPunches, kCardColumns>;

// The bit of the row at position `position` from the top of the card: 0 is row 12, 1 row 11,
// 2 row 0, 3 to 11 rows 1 to 9.
constexpr ColumnPunches RowBit(int position)
{
    return static_cast<ColumnPunches>(1u << (kCardRows - 1 - position));
}

// The entries of a card code table as its parser yields them: entry 0 is the "?" of an unknown
// column and is not a code; entries 1 to 62 are a character followed by 12 marks for the rows 12,
// 11, 0, 1, ..., 9, "O" punched and a blank not.
using CodeTableEntries = std::array<std::string, 63>;

} // namespace Algemeen
