#include "Decode.h"

#include "Ponskaart.h"

namespace korvane {

namespace {

constexpr int kColumns = Ogenblik::kGridColumns;
constexpr int kRows = Ogenblik::kGridRows;
constexpr int kCodes = Ogenblik::kCodeCount;
constexpr int kTextColumns = Ogenblik::kTextColumns;

static_assert(kCodes < 256, "a code number fits a byte of the index");

} // namespace

Algemeen::CardPunches PunchesOf(const Algemeen::punten& cells)
{
    Algemeen::CardPunches punches{};
    for (std::ptrdiff_t l = 1; l < cells.Length(); ++l) {
        const Algemeen::IntPoint cell = cells[l];
        if (cell.X < 1 || cell.X > kColumns || cell.Y < 1 || cell.Y > kRows)
            continue; // a hole that found no cell of this card's grid
        punches[static_cast<std::size_t>(kColumns - cell.X)] |=
            static_cast<std::uint16_t>(1u << (cell.Y - 1));
    }
    return punches;
}

CodeIndex IndexCodes(const CodeTableEntries& table)
{
    CodeIndex index{};
    for (std::size_t j = kCodes; j >= 1; --j) { // the lowest code is written last
        const std::string& code = table[j];
        if (code.size() != kRows + 1)
            continue;
        std::uint32_t bits = 0;
        bool plain = true;
        for (int p = 0; p < kRows && plain; ++p) {
            const char mark = code[static_cast<std::size_t>(p) + 1];
            plain = mark == 'O' || mark == ' ';
            bits |= mark == 'O' ? 1u << (kRows - 1 - p) : 0u;
        }
        if (plain)
            index[bits] = static_cast<std::uint8_t>(j);
    }
    return index;
}

DecodedText DecodeColumns(const CodeTableEntries& table, const CodeIndex& index,
                          const Algemeen::CardPunches& punches, int columns)
{
    DecodedText decoded;
    columns = columns == kColumns ? kColumns : kTextColumns;
    decoded.Text.reserve(static_cast<std::size_t>(columns));
    for (int k = 1; k <= columns; ++k) {
        const std::size_t j = index[punches[static_cast<std::size_t>(k - 1)] & 0xFFFu];
        if (j == 0)
            decoded.UnknownColumns.push_back(k);
        decoded.Text += table[j].empty() ? '?' : table[j][0];
    }
    return decoded;
}

DecodedText DecodeColumns(const CodeTableEntries& table, const Algemeen::CardPunches& punches)
{
    return DecodeColumns(table, IndexCodes(table), punches);
}

std::int32_t UnknownColumnCount(const CodeIndex& index, const Algemeen::CardPunches& punches)
{
    std::int32_t unknown = 0;
    for (const std::uint16_t column : punches)
        unknown += index[column & 0xFFFu] == 0 ? 1 : 0;
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
