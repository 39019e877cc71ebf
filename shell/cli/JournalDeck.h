// `korvane-cli deck JOURNAL`: the deck of a batch's journal with the corrections appended to it.
// The last correction of a card takes the place of its reading; a card without punches (a card
// not read, a refused picture, a picture without a card) is named on standard error and in the
// summary and replaced as --missing says.
#pragma once

#include "DeckGaps.h"
#include "Options.h"

#include <ostream>
#include <vector>

namespace Cli {

// The journal's deck: its cards in journal order, corrections applied, the gaps handled by `gaps`.
// Corrections that match no card of the journal are named on `err`. Returns the number of
// corrected cards. Throws std::invalid_argument naming the line of a line that is no journal line
// (a malformed correction among them) and std::runtime_error when the journal cannot be read.
std::size_t JournalDeckCards(const std::string& journal, const Deck::CodeMap& map, DeckGaps& gaps,
                             std::vector<Deck::DeckCard>& deck, std::ostream& err);

// Runs the command; returns the exit status: 0 every card in the deck as read or corrected, 1 cards
// left out or blank, 2 the journal or the code table refused, or --missing stop with a card missing
// (no deck written then).
int RunJournalDeck(const DeckOptions& options, std::ostream& out, std::ostream& err);

} // namespace Cli
