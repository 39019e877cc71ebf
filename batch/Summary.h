// The tally of a batch: pictures and cards read, the cards that need a person's look and why, the
// refused pictures by reason, and the exit status the run ends with.
#pragma once

#include "Pool.h"

#include <cstddef>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace Batch {

// A card a deck could not hold as read: its picture, the card in it (0: the whole picture, refused
// or without a card) and why.
struct DeckGap
{
    std::string file;
    std::size_t card = 0;
    std::string reason;
};

struct Summary
{
    std::size_t pictures = 0;     // pictures tallied so far
    std::size_t picturesRead = 0; // of which not refused
    std::size_t cards = 0;
    std::size_t cardsWithUnknownColumns = 0;
    std::size_t cardsOrientationNotSettled = 0;
    std::size_t cardsBelowFitQuality = 0;
    std::size_t cardsWithDoubtfulColumns = 0;
    std::size_t cardsNeedingReview = 0;          // cards with at least one of the four
    std::map<std::string, std::size_t> refusals; // reason -> pictures refused for it
    // When a deck is written: what it got in place of a card not read ("skip", "blank", "stop")
    // and every such card.
    std::optional<std::string> deckMissing;
    std::vector<DeckGap> deckGaps;

    // Counts one picture's outcome.
    void Add(const PictureOutcome& outcome);

    std::size_t RefusedPictures() const { return pictures - picturesRead; }

    // 0 when every card was read completely (no refused picture, no unknown or doubtful column,
    // every orientation settled); otherwise 2 when a picture was refused, else 1. A card below the
    // fit-quality threshold is counted for review but was read, so it does not change the status.
    int ExitStatus() const;

    // {"pictures", "picturesRead", "cards", "cardsWithUnknownColumns", "cardsOrientationNotSettled",
    //  "cardsBelowFitQuality", "cardsWithDoubtfulColumns", "cardsNeedingReview", "refusedPictures",
    //  "refusals": {reason: count}, "exitStatus"}; with a deck also "deckMissing" and
    //  "deckGaps": [{"file", "card", "reason"}]
    nlohmann::json ToJson() const;

    // The summary for people, one line each, e.g. "Cards read = 1998"; then one line per refusal
    // reason, indented; then "Cards with doubtful columns = N"; last, when a deck lacks cards,
    // "Cards left out of the deck = N" (or "Blank cards in the deck for cards not read = N").
    std::vector<std::string> Lines() const;
};

} // namespace Batch
