// Both sides of each card, fused into one reading per physical card: shared by korvane-cli's
// `read --duplex` and the window's pair view. Where the two sides agree on every position of a
// column it reads as they do; a position punched on one side only makes its column doubtful
// ("sides-disagree") and the side whose evidence at the column's differing positions is the firmer
// decides them; a side that cannot be read leaves the other to decide (the card is flagged
// one-sided).
#pragma once

#include "Deck.h"
#include "korvane/Reader.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Unit1 {

inline constexpr const char* kSidesDisagree = "sides-disagree";

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

// Why a side's picture gives no cards to fuse ("does Not exist", the decoder's reason, "Not (the
// backside of) any IBM punchcard"); empty when it was opened and processed.
std::string SideRefusal(const korvane::ScanResult& side);

// One physical card of a pair of pictures: where it lies on each side and its fused reading.
struct PairedCard
{
    int front = -1, back = -1;      // indexes into each side's Cards; -1: not on that side (or refused)
    std::optional<FusedCard> fused; // none when neither side's columns were read
};

// The cards of a pair of pictures, each side read with its own side setting, in the front's order
// and then the back's unpaired cards. A side whose SideRefusal is not empty leaves every card to
// the other; not both may be refused.
std::vector<PairedCard> FusePictures(const korvane::ScanResult& front, const korvane::ScanResult& back,
                                     const Deck::CodeMap& map);

// A pair of pictures read, each side with its own reader, and its cards fused.
struct PairReading
{
    std::string frontFile, backFile;
    korvane::ScanResult front, back;
    std::string frontRefusal, backRefusal; // SideRefusal of each side
    std::vector<PairedCard> cards;
    bool Refused() const { return !frontRefusal.empty() && !backRefusal.empty(); }
};

// Reads the front with the front side setting (mirrored, its print taken away) and the back as a
// back, both at once and with the other settings of `options` (no log file), and fuses their cards.
PairReading ReadPicturePair(const std::string& frontFile, const std::string& backFile,
                            const korvane::ReadOptions& options, const Deck::CodeMap& map);

// Two pictures as (front, back): by their file names when exactly one of them names its side
// ("front" or "back"), else in the order given.
std::pair<std::string, std::string> FrontAndBack(const std::string& first, const std::string& second);

} // namespace Unit1
