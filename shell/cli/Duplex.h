// Both sides of each card: pictures given in pairs, the front and the back of the same card(s),
// read each with its own side setting and fused hole by hole into one record per physical card.
// Where the two sides agree on every position of a column it reads as they do; a position punched
// on one side only makes its column doubtful ("sides-disagree") and the side whose evidence at the
// column's differing positions is the firmer decides them; a side that cannot be read leaves the other to
// decide (the card is flagged one-sided).
#pragma once

#include "Batch.h"
#include "Deck.h"
#include "korvane/Reader.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Cli {

inline constexpr const char* kSidesDisagree = "sides-disagree";

// Which picture of each pair is the front.
enum class DuplexOrder
{
    FrontFirst,
    BackFirst
};

// "front-first", "back-first"; none for any other name.
std::optional<DuplexOrder> DuplexOrderNamed(const std::string& name);

struct FusedColumn
{
    int column = 0;     // 1 .. 80
    std::string reason; // the reader's reason, "unknown", or kSidesDisagree
};

// One physical card from its two sides.
struct FusedCard
{
    Algemeen::CardPunches punches{};
    std::string text80;
    std::vector<int> unknownColumns;   // 1 .. 80, no code matches
    std::vector<FusedColumn> doubtful; // ascending
    std::vector<int> disagree;         // the columns where the sides disagree on a position
    // The side that was read when only one was ("front" or "back"); empty when both were.
    std::string oneSide;
};

// Fuses the two readings of one card; either may be null (not read, or not decoded), not both. Both
// are in text-column order (the front read with the front side setting). Text comes from the fused
// punches through the code map.
FusedCard FuseSides(const korvane::CardResult* front, const korvane::CardResult* back,
                    const Deck::CodeMap& map);

// Pairs the cards of a front picture with those of its back by their mirror-image positions:
// (front index, back index), -1 where a card has no partner; fronts first, in their order. The
// decoded front is already mirrored left to right, so a card keeps its place when the sheet was
// turned over its long edge and lies turned half way when over its short edge; the closer of the
// two decides.
std::vector<std::pair<int, int>> PairCards(const korvane::ScanResult& front, const korvane::ScanResult& back);

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

// The tally of a duplex batch: cards whose sides agree, disagree, or were read from one side.
struct DuplexTally
{
    std::size_t agree = 0, disagree = 0, oneSide = 0;
    void Add(const Batch::PictureOutcome& outcome);
    void Complete(Batch::Summary& summary) const;
};

} // namespace Cli
