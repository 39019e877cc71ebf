// Deck files: a list of cards as the bytes of one deck, and back. Writers return the whole file
// (the caller writes it at once, so a deck is never left half written); readers return the cards
// or a message naming the line, card or byte that is wrong. Cards keep their order.
//
// Layouts (each checked against public descriptions of the emulator formats):
//   text   one line of 80 characters per card, LF, trailing blanks kept; a card that the code
//          cannot spell is "~raw" and 80 groups of 4 octal digits, row 12 most significant.
//   cbn    column binary, 160 bytes per card: two 6-bit bytes per column, odd parity in bit 6,
//          bit 7 marking the first byte of each card.
//   bin    160 bytes per card: one 16-bit little-endian word per column, rows 12 to 9 in bits
//          15 to 4, bits 3 to 0 zero.
//   jsonl  one JSON object per card (written only): the fields of DeckCard.
#pragma once

#include "CodeMap.h"
#include "DeckCard.h"
#include "Punches.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Deck {

enum class DeckFormat
{
    Text,
    Cbn,
    Bin,
    Jsonl
};

// "text", "cbn", "bin", "jsonl"; none for any other name.
std::optional<DeckFormat> DeckFormatNamed(std::string_view name);

struct DeckRead
{
    bool ok = false;
    std::string message; // what is wrong, and where
    std::vector<CardPunches> cards;
};

// Writers. Each throws std::out_of_range for a column holding bits beyond the 12 rows.
std::string WriteTextDeck(const std::vector<CardPunches>& cards, const CodeMap& map);
std::string WriteCbnDeck(const std::vector<CardPunches>& cards);
std::string WriteBinDeck(const std::vector<CardPunches>& cards);
// Bytes that are not UTF-8 (in a file name or a table character) become U+FFFD; never throws
// for them.
std::string WriteJsonlDeck(const std::vector<DeckCard>& cards);

// Readers. A text deck is read through the code map; CR is ignored, a tab advances to the next
// multiple of 8 columns, a short line is padded with blanks, and a line "~" alone ends the deck.
// "~eor", "~eof" and "~eoi" are the control cards 7-8-9, 6-7-9 and 6-7-8-9 in column 1.
DeckRead ReadTextDeck(std::string_view bytes, const CodeMap& map);
DeckRead ReadCbnDeck(std::string_view bytes);
DeckRead ReadBinDeck(std::string_view bytes);

// The same, chosen by format. Reading a jsonl deck fails with a message; a value outside the
// enumeration throws std::invalid_argument.
std::string WriteDeck(DeckFormat format, const std::vector<DeckCard>& cards, const CodeMap& map);
DeckRead ReadDeck(DeckFormat format, std::string_view bytes, const CodeMap& map);

} // namespace Deck
