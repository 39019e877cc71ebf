// Both sides of each card in a batch: pictures given in pairs, the front and the back of the same
// card(s), read each with its own side setting and fused hole by hole (SideFusion.h) into one record
// per physical card.
#pragma once

#include "Batch.h"
#include "Deck.h"
#include "SideFusion.h"
#include "korvane/Reader.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Cli {

// Which picture of each pair is the front.
enum class DuplexOrder
{
    FrontFirst,
    BackFirst
};

// "front-first", "back-first"; none for any other name.
std::optional<DuplexOrder> DuplexOrderNamed(const std::string& name);

// The refusal of the last picture of an odd number under --duplex.
inline constexpr const char* kNoOtherSide =
    "no other side: --duplex reads pictures in pairs and this is the last of an odd number";

// Reads one pair with a reader per side and gives one card record per physical card (in the front's
// order, then the back's unpaired cards). The pair is refused only when neither side can be read.
// A side that was refused is named with its reason in the card's "duplex" object ("refused":
// {"front": REASON}). With a review folder, each card that needs a look is saved with both sides
// side by side, named after `reviewName`; a review picture that cannot be written goes to
// `onReviewFailure`, the card is kept.
Batch::PictureOutcome ReadPair(korvane::Reader& frontReader, korvane::Reader& backReader,
                               const std::string& frontFile, const std::string& backFile,
                               const Batch::Deadline& deadline, const Deck::CodeMap& map,
                               const std::string& reviewDir, const std::string& reviewName,
                               const std::function<void(const std::string&)>& onReviewFailure = {});

// The console lines of a pair read without --jsonl, one per physical card in the style of the text
// line: "FRONT + BACK [black]: TEXT" (columns 1-72), red when a column is doubtful or unknown, the
// orientation not settled or the card not read (its reason then in place of the text), with what
// is in doubt after the text: "  (sides disagree: 17; doubtful: 40 partial; unknown: 5)"; a card
// read from one side says so ("back only; front: REASON"). A refused pair is one red line, the
// pair's first picture and the reason.
std::vector<std::string> PairLines(const std::string& unit, const Batch::PictureOutcome& outcome);

// The tally of a duplex batch: cards whose sides agree, disagree, or were read from one side.
struct DuplexTally
{
    std::size_t agree = 0, disagree = 0, oneSide = 0;
    void Add(const Batch::PictureOutcome& outcome);
    void Complete(Batch::Summary& summary) const;
};

} // namespace Cli
