// Card codes: which character a column's punches stand for, and which punches a character needs.
// A code map is built from the entries of a code table in the layout of "ibmkaart.txt" (the
// character of each code followed by its 12 punch marks); the lowest-numbered code wins in both
// directions, as when the table decodes a card and when it punches text.
#pragma once

#include "Punches.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace Deck {

class CodeMap
{
public:
    struct Code
    {
        char character = ' ';
        ColumnPunches punches = 0;
        friend bool operator==(const Code&, const Code&) = default;
    };

    // A map without codes: no column has a character.
    CodeMap() = default;
    // Codes in table order.
    explicit CodeMap(std::vector<Code> codes) : codes_(std::move(codes)) {}

    // The character of the lowest code with exactly these punches; none when no code has them.
    std::optional<char> CharacterOf(ColumnPunches punches) const;
    // The punches of the lowest code for the character; none when the table lacks it.
    std::optional<ColumnPunches> PunchesOf(char character) const;
    // The column can be written as a character and punched back from it unchanged. False for
    // punches no code has, and for the second of two codes that share a character.
    bool Fits(ColumnPunches punches) const;

    const std::vector<Code>& Codes() const { return codes_; }

private:
    std::vector<Code> codes_;
};

// The entries of a code table in the layout of "ibmkaart.txt" (see CardPunches.h).
using Algemeen::CodeTableEntries;

struct CodeMapResult
{
    bool ok = false;
    std::string message; // why the entries make no code map
    CodeMap map;
};

// The code map of a table. An entry whose marks are not all "O" or blank can match no column,
// so it is left out; an entry that is not 13 characters long fails, naming the code.
CodeMapResult CodeMapFromTable(const CodeTableEntries& entries);

// Columns 1 to 80 through the code map: the text with "?" for every column no code has, and
// those columns, counted from 1.
struct CardText
{
    std::string text80;
    std::vector<int> unknownColumns;
};
CardText DecodeCard(const CardPunches& card, const CodeMap& map);

} // namespace Deck
