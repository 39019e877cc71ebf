// The fusion of a card's two sides, position by position, and the pairing of the cards of a page
// with those of its other side.
#include "DeckOutput.h"
#include "SideFusion.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace Unit1;
using korvane::PositionCall;

namespace {

// A side read as `text` (columns from 1), its evidence firm everywhere unless `weak` lists a
// (column, row bit) whose call is doubtful, its doubtful columns as given.
struct Side
{
    std::string text;
    std::vector<std::pair<int, int>> flip = {}; // (column, bit) toggled against the text's punches
    std::vector<std::pair<int, int>> weak = {}; // (column, bit) called doubtful
    std::vector<korvane::DoubtfulColumn> doubtful = {};
};

korvane::CardResult Read(const Side& side, const Deck::CodeMap& map)
{
    korvane::CardResult card;
    card.Decoded = true;
    for (std::size_t k = 0; k < side.text.size(); ++k)
        card.Punches[k] = map.PunchesOf(side.text[k]).value_or(0);
    for (const auto& [column, bit] : side.flip)
        card.Punches[std::size_t(column - 1)] ^= static_cast<Algemeen::ColumnPunches>(1u << bit);
    auto evidence = std::make_shared<korvane::CardEvidence>();
    for (int column = 1; column <= 80; ++column)
        for (int j = 0; j < 12; ++j) {
            korvane::PositionEvidence& at = evidence->At(80 - column, j);
            const bool punched = (card.Punches[std::size_t(column - 1)] >> j) & 1;
            at.Call = punched ? PositionCall::Punched : PositionCall::Blank;
            at.Fill = punched ? 0.95f : 0.05f;
            at.Size = punched ? 1.0f : 0.0f;
        }
    for (const auto& [column, bit] : side.weak) {
        korvane::PositionEvidence& at = evidence->At(80 - column, bit);
        at.Call = PositionCall::Doubtful;
        at.Fill = 0.6f;
    }
    card.Evidence = evidence;
    card.DoubtfulColumns = side.doubtful;
    return card;
}

std::string Padded(std::string text)
{
    text.resize(80, ' ');
    return text;
}

} // namespace

TEST(DuplexTest, TheSidesAreFusedPositionByPosition)
{
    const Deck::CodeMap map = Cli::LoadCodeMap(TestSupport::SourcePath("ibmkaart.txt")).map;
    const int row3 = 6; // the bit of row 3 (row 9 is bit 0, row 12 bit 11)
    struct Case
    {
        const char* what;
        std::optional<Side> front, back;
        std::string text;
        std::vector<int> disagree;
        std::vector<std::pair<int, std::string>> doubtful;
        std::string oneSide;
    };
    const Case cases[] = {
        {"agree", Side{"HELLO 42"}, Side{"HELLO 42"}, "HELLO 42", {}, {}, ""},
        // A speck on the front at a blank position of column 2, called doubtful: the back decides.
        {"speck on the front",
         Side{"HELLO 42", {{2, row3}}, {{2, row3}}},
         Side{"HELLO 42"},
         "HELLO 42",
         {2},
         {{2, kSidesDisagree}},
         ""},
        // A hole covered on the back (weakly blank there): the firm front decides.
        {"hole covered on the back",
         Side{"HELLO 42"},
         Side{"HELLO 42", {{7, 5}}, {{7, 5}}},
         "HELLO 42",
         {7},
         {{7, kSidesDisagree}},
         ""},
        // Both sides firm and different: the back wins the tie, still flagged.
        {"firm both ways", Side{"HELLO 43"}, Side{"HELLO 42"}, "HELLO 42", {8}, {{8, kSidesDisagree}}, ""},
        // Agreeing sides that both doubt a column keep it doubtful; one side's doubt alone does not.
        {"both doubt",
         Side{"AB", {}, {}, {{1, korvane::DoubtReason::Ink}, {2, korvane::DoubtReason::Ink}}},
         Side{"AB", {}, {}, {{1, korvane::DoubtReason::Partial}}},
         "AB",
         {},
         {{1, "partial"}},
         ""},
        // One side only: its reading and its doubt as they are.
        {"back only",
         std::nullopt,
         Side{"XY", {}, {}, {{2, korvane::DoubtReason::OffGrid}}},
         "XY",
         {},
         {{2, "off-grid"}},
         "back"},
        {"front only", Side{"XY"}, std::nullopt, "XY", {}, {}, "front"},
        // Fused punches no code has: unknown, beside the disagreement.
        {"unknown",
         Side{"A", {{1, 0}, {1, 1}}, {{1, 1}}},
         Side{"A", {{1, 0}}},
         "?",
         {1},
         {{1, kSidesDisagree}},
         ""},
    };
    for (const Case& c : cases) {
        const korvane::CardResult front = c.front ? Read(*c.front, map) : korvane::CardResult{};
        const korvane::CardResult back = c.back ? Read(*c.back, map) : korvane::CardResult{};
        const FusedCard fused = FuseSides(c.front ? &front : nullptr, c.back ? &back : nullptr, map);
        EXPECT_EQ(fused.text80, Padded(c.text)) << c.what;
        EXPECT_EQ(fused.disagree, c.disagree) << c.what;
        std::vector<std::pair<int, std::string>> doubtful;
        for (const FusedColumn& column : fused.doubtful)
            doubtful.emplace_back(column.column, column.reason);
        EXPECT_EQ(doubtful, c.doubtful) << c.what;
        EXPECT_EQ(fused.oneSide, c.oneSide) << c.what;
    }
    EXPECT_THROW(FuseSides(nullptr, nullptr, map), std::invalid_argument);
}

TEST(DuplexTest, CardsPairByTheirMirrorImagePositions)
{
    auto page = [](std::vector<std::pair<int, int>> centres) {
        korvane::ScanResult scan;
        scan.Width = 1000;
        scan.Height = 1000;
        for (const auto& [x, y] : centres) {
            scan.Cards.emplace_back();
            scan.Cards.back().Centre = {x, y};
        }
        return scan;
    };
    const korvane::ScanResult front = page({{200, 200}, {800, 300}, {500, 800}});
    // Turned over the long edge: in place; over the short edge: turned half way. Backs shuffled,
    // one card missing on one side, an extra one on the other.
    EXPECT_EQ(PairCards(front, page({{500, 790}, {210, 200}, {800, 310}})),
              (std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 0}}));
    EXPECT_EQ(PairCards(front, page({{200, 700}, {500, 200}, {800, 800}})),
              (std::vector<std::pair<int, int>>{{0, 2}, {1, 0}, {2, 1}}));
    EXPECT_EQ(PairCards(front, page({{800, 310}, {200, 200}})),
              (std::vector<std::pair<int, int>>{{0, 1}, {1, 0}, {2, -1}}));
    EXPECT_EQ(PairCards(page({{200, 200}}), page({{200, 200}, {900, 900}})),
              (std::vector<std::pair<int, int>>{{0, 0}, {-1, 1}}));
}
