// One line of the results panel: what is known about one card read in the shown picture. The
// panel is fed only from this struct, however the card was read.
#pragma once

#include "Unit1.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Unit1 {

struct CardBox
{
    std::int32_t x = 0, y = 0, width = 0, height = 0; // picture pixels
};

struct CardRow
{
    std::int32_t card = 0;            // contour number of the card's outline
    std::string text;                 // the columns read, column 1 first
    std::vector<int> unknownColumns;  // 1-based columns shown as '?'
    std::optional<double> fitQuality; // percent, of the last fit (of the first when the last failed)
    std::string verdict;              // orientation verdict; empty while readings carry none
    std::string message;              // why the card was not read; empty when it was
    CardBox outline;                  // bounding box of the card outline
};

// The row for a reading of the last pick: columns 1-72 and the orientation verdict.
CardRow RowFromReading(const CardReading& reading);

// The bounding box of a card outline (picture pixels); empty for an empty outline.
CardBox OutlineBox(const Algemeen::Jordan& outline);

// "12, 40" for columns 12 and 40; empty for none.
std::string ColumnList(const std::vector<int>& columns);

// One tab-separated line: card, text, unknown columns, fit quality, verdict (or the message).
std::string RowAsTabLine(const CardRow& row);

} // namespace Unit1
