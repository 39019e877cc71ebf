// The cards a deck cannot hold as read (a card whose columns were not read, a refused picture, a
// picture without a card): each is named on standard error, counted in the summary, and replaced
// as --missing says, so a deck never loses a card silently.
#pragma once

#include "Deck.h"
#include "Summary.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace Cli {

enum class MissingCards
{
    Skip,  // left out of the deck
    Blank, // a blank card in its place
    Stop   // no deck is written
};

// "skip", "blank", "stop"; none for any other name.
std::optional<MissingCards> MissingCardsNamed(std::string_view name);

// Collects the gaps of one deck as its cards are gathered.
class DeckGaps
{
public:
    DeckGaps(MissingCards mode, std::string modeName) : mode_(mode), modeName_(std::move(modeName)) {}

    // A card the deck cannot hold as read: named on `err`, kept for the summary and, for Blank, a
    // blank card (marked with the reason in a jsonl deck) appended to `deck` in its place.
    void Add(Batch::DeckGap gap, const Deck::CodeMap& map, std::vector<Deck::DeckCard>& deck,
             std::ostream& err);

    // False when the mode is Stop and a card is missing: the deck must not be written (said on
    // `err`, naming the deck).
    bool MayWrite(const std::string& deckFile, std::ostream& err) const;

    const std::vector<Batch::DeckGap>& Gaps() const { return gaps_; }
    MissingCards Mode() const { return mode_; }
    // Records the mode and the gaps in a batch's summary.
    void Complete(Batch::Summary& summary) const;

private:
    MissingCards mode_;
    std::string modeName_;
    std::vector<Batch::DeckGap> gaps_;
};

} // namespace Cli
