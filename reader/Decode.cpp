#include "Decode.h"

#include "Ponskaart.h"

namespace korvane {

namespace {

constexpr int kColumns = Ogenblik::kGridColumns;
constexpr int kRows = Ogenblik::kGridRows;
constexpr int kCodes = Ogenblik::kCodeCount;
constexpr int kTextColumns = Ogenblik::kTextColumns;

// The column's 12 marks in table order (rows 12, 11, 0, ..., 9), 'O' punched.
std::string Pattern(std::uint16_t bits)
{
    std::string pattern(kRows, ' ');
    for (int p = 0; p < kRows; ++p)
        if (bits & (1u << (kRows - 1 - p)))
            pattern[static_cast<std::size_t>(p)] = 'O';
    return pattern;
}

// The lowest code whose pattern equals the column's, 0 when none does.
std::size_t Decode(const CodeTableEntries& table, const std::string& pattern)
{
    for (std::size_t j = 1; j <= kCodes; ++j)
        if (table[j].size() == kRows + 1 && table[j].compare(1, kRows, pattern) == 0)
            return j;
    return 0;
}

} // namespace

CardPunchBits PunchesOf(const Algemeen::punten& cells)
{
    CardPunchBits punches{};
    for (std::ptrdiff_t l = 1; l < cells.Length(); ++l) {
        const Algemeen::IntPoint cell = cells[l];
        if (cell.X < 1 || cell.X > kColumns || cell.Y < 1 || cell.Y > kRows)
            continue; // a hole that found no cell of this card's grid
        punches[static_cast<std::size_t>(kColumns - cell.X)] |=
            static_cast<std::uint16_t>(1u << (cell.Y - 1));
    }
    return punches;
}

DecodedText DecodeColumns(const CodeTableEntries& table, const CardPunchBits& punches)
{
    DecodedText decoded;
    for (int k = 1; k <= kTextColumns; ++k) {
        const std::size_t j = Decode(table, Pattern(punches[static_cast<std::size_t>(k - 1)]));
        if (j == 0)
            decoded.UnknownColumns.push_back(k);
        decoded.Text += table[j].empty() ? '?' : table[j][0];
    }
    return decoded;
}

std::int32_t UnknownColumnCount(const CodeTableEntries& table, const CardPunchBits& punches)
{
    std::int32_t unknown = 0;
    for (const std::uint16_t column : punches)
        unknown += Decode(table, Pattern(column)) == 0 ? 1 : 0;
    return unknown;
}

void WriteRendering(Algemeen::Console& console, const DecodedText& decoded)
{
    const std::string rule(kTextColumns, '-');
    console.Line("Rendering of PunchCard (1-72):");
    console.Line(rule);
    console.Line(decoded.Text);
    console.Line(rule);
    if (!decoded.UnknownColumns.empty())
        console.Line("? = unknown");
}

} // namespace korvane
