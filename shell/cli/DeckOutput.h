// What korvane-cli adds to a read for decks: the code map of the table in use, a read card as a
// deck card, and the JSON fields of all 80 columns.
#pragma once

#include "Deck.h"
#include "PunchCodes.h"
#include "korvane/Reader.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace Cli {

// The code map of a card code table file (the layout of ibmkaart.txt). ok false, with the
// reason, when the file is missing, short or malformed. The table's entries, as the reader decodes
// with them, go to `entries` when given.
Deck::CodeMapResult LoadCodeMap(const std::string& fileName, korvane::CodeTableEntries* entries = nullptr);

// The card's 80 columns as a deck card (punches, text80, unknown columns, as the reader decoded
// them), with where it came from and how sure the reader was.
Deck::DeckCard DeckCardOf(const korvane::CardResult& card, const std::string& scanFile, int cardInPicture);

// The deck of the cards in the format, written whole (a temporary file beside it, then renamed).
// Throws std::runtime_error naming the file when it cannot be written.
void WriteDeckFile(const std::string& fileName, Deck::DeckFormat format,
                   const std::vector<Deck::DeckCard>& cards, const Deck::CodeMap& map);

// The cards of a deck file to punch: read whole (at most kMaxPunchedDeckBytes), in the named layout
// (text through the code table file). Empty on success, else what is wrong, naming the file.
inline constexpr std::size_t kMaxPunchedDeckBytes = 8u << 20;
// and of at most this many cards, refused before they are parsed when a text deck has more lines.
inline constexpr std::size_t kMaxPunchedCards = 100'000;
std::string ReadDeckToPunch(const std::string& fileName, const std::string& format,
                            const std::string& codeFile, std::vector<Punch::CardPunches>& cards);

// The name of page `page` (from 1) of OUT: "cards.bmp" -> "cards-0001.bmp".
std::string PageFileName(const std::string& output, std::size_t page);

} // namespace Cli
