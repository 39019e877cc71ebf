// The raw punches of a card: one 12-bit value per column, the way emulator decks hold a column.
// Row 12 (along the edge with the cut corner) is bit 11, then rows 11, 0, 1, ..., 9 down to
// bit 0. Bits 12 to 15 are never set.
#pragma once

#include "CardPunches.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Deck {

inline constexpr int kColumns = Algemeen::kCardColumns;
inline constexpr int kRows = Algemeen::kCardRows;

using Algemeen::CardPunches;
using Algemeen::ColumnPunches;
using Algemeen::RowBit;

// Every row of a column punched (a column of lace).
inline constexpr ColumnPunches kAllRows = 07777;

// The bit of a row by the name printed on the card: 12, 11 or 0 to 9.
constexpr ColumnPunches Row(int name)
{
    return name == 12 ? RowBit(0) : name == 11 ? RowBit(1) : RowBit(2 + name);
}

// The column as 4 octal digits, row 12 in the most significant digit ("4000" for row 12 alone,
// "0001" for row 9). Throws std::out_of_range for a value above 07777.
std::string Octal(ColumnPunches column);

// Four octal digits back into a column; none when the text is not exactly that.
std::optional<ColumnPunches> ParseOctal(std::string_view digits);

// Throws std::out_of_range, naming the column (from 1), when a column holds bits above row 12:
// such a card did not come from a reader and has no place in a deck.
void CheckPunches(const CardPunches& card);

} // namespace Deck
