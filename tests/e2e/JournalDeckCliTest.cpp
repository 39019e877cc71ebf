// `korvane-cli deck JOURNAL`: a batch's journal with corrections appended becomes the same deck in
// every layout as the corrected cards written directly, a resumed read keeps the corrections, and
// a card not read is never left out of a deck without being named.
#include "CliRunner.h"
#include "Corrections.h"
#include "Deck.h"
#include "DeckOutput.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using TestSupport::CliToFiles;
using TestSupport::ReadFileText;
using TestSupport::RunCli;

constexpr const char* kList = "a.bmp b.bmp c-0001.bmp";

Deck::CardPunches Punched(const std::string& text, const Deck::CodeMap& map)
{
    Deck::CardPunches card{};
    for (std::size_t k = 0; k < text.size(); ++k)
        card[k] = map.PunchesOf(text[k]).value_or(0);
    return card;
}

class JournalDeckCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
        map = Cli::LoadCodeMap("ibmkaart.txt").map;
        // One card read, one face up (not read), a page of two cards.
        ASSERT_EQ(RunCli("punch -o a.bmp --dpi 150 'HELLO WORLD'"), 0);
        ASSERT_EQ(RunCli("punch -o b.bmp --dpi 150 --face-up 'FACE UP'"), 0);
        ASSERT_EQ(RunCli("punch -o c.bmp --dpi 150 --per-page 2 ONE TWO"), 0);
        ASSERT_EQ(RunCli(std::string("read ") + kList + " --jsonl box.jsonl -j 2 --quiet"), 1);
    }

    void Correct(const std::string& file, std::int32_t card, const Deck::CardPunches& punches)
    {
        Batch::Correction fix{file, card, punches, Deck::DecodeCard(punches, map).text80, "test"};
        std::string error;
        ASSERT_TRUE(Batch::AppendCorrection("box.jsonl", fix, error)) << error;
    }

    TestSupport::ScratchDir dir;
    Deck::CodeMap map;
};

} // namespace

TEST_F(JournalDeckCliTest, CorrectionsReachEveryLayoutByteExactly)
{
    // The last correction of a card wins; a card the code cannot spell (a laced column) and the
    // face-up card are corrected too; a correction of no card is named and not used.
    Deck::CardPunches laced = Punched("HELLO WORLD", map);
    laced[40] = Deck::kAllRows;
    Correct("c-0001.bmp", 2, Punched("SECOND", map));
    Correct("a.bmp", 1, laced);
    Correct("b.bmp", 1, Punched("FACE UP", map));
    Correct("c-0001.bmp", 2, Punched("LAST", map));
    Correct("c-0001.bmp", 3, Punched("NO SUCH CARD", map));
    const std::string journal = ReadFileText("box.jsonl");

    // A resumed read keeps every correction, and so does a fresh pass over a finished journal.
    ASSERT_EQ(RunCli(std::string("read ") + kList + " --jsonl box.jsonl --resume --quiet"), 1);
    EXPECT_EQ(ReadFileText("box.jsonl"), journal);

    const std::vector<Deck::CardPunches> expected{laced, Punched("FACE UP", map), Punched("ONE", map),
                                                  Punched("LAST", map)};
    for (const char* layout : {"text", "cbn", "bin"}) {
        const TestSupport::CliRun run =
            CliToFiles(std::string("deck box.jsonl --deck out.deck --deck-format ") + layout);
        EXPECT_EQ(run.status, 0) << layout << ": " << run.err;
        EXPECT_EQ(run.out, "Cards in the deck = 4\nCorrected cards = 3\n");
        EXPECT_NE(run.err.find("the correction of c-0001.bmp card 3 matches no card of the journal"),
                  std::string::npos)
            << run.err;
        const Deck::DeckFormat format = *Deck::DeckFormatNamed(layout);
        std::vector<Deck::DeckCard> cards;
        for (const Deck::CardPunches& punches : expected)
            cards.push_back(Deck::CardFromPunches(punches, map));
        EXPECT_EQ(ReadFileText("out.deck"), Deck::WriteDeck(format, cards, map)) << layout;
    }
    ASSERT_EQ(RunCli("deck box.jsonl --deck out.jsonl --deck-format jsonl"), 0);
    const std::vector<std::string> lines = TestSupport::ReadFileLines("out.jsonl");
    ASSERT_EQ(lines.size(), expected.size());
    const std::vector<std::string> corrected{"test", "test", "", "test"};
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const nlohmann::json card = nlohmann::json::parse(lines[k]);
        EXPECT_EQ(card["text80"], Deck::DecodeCard(expected[k], map).text80) << k;
        for (std::size_t column = 0; column < 80; ++column)
            EXPECT_EQ(card["punches"][column], Deck::Octal(expected[k][column])) << k;
        EXPECT_EQ(card.value("correctedBy", std::string()), corrected[k]) << k;
    }
    EXPECT_EQ(nlohmann::json::parse(lines[0])["unknownColumns"], nlohmann::json::array({41}));
}

TEST_F(JournalDeckCliTest, ACardNotReadIsNamedAndReplacedAsAsked)
{
    const std::string named = "korvane-cli: b.bmp: card 1: ";
    struct Case
    {
        const char* missing;
        int status;
        const char* said;
        const char* summary;
        std::size_t cards; // in the deck; none written when 0
    };
    for (const Case& c : {Case{"skip", 1, "left out of the deck", "Cards left out of the deck = 1", 3},
                          Case{"blank", 1, "a blank card in the deck in its place",
                               "Blank cards in the deck for cards not read = 1", 4},
                          Case{"stop", 2, "not read", "", 0}}) {
        std::filesystem::remove("out.txt");
        for (const bool batch : {false, true}) {
            const std::string command =
                batch ? std::string("deck box.jsonl --deck out.txt --missing ") + c.missing
                      : std::string("read ") + kList + " -j 2 --quiet --deck out.txt --missing " + c.missing;
            const TestSupport::CliRun run = CliToFiles(command);
            EXPECT_EQ(run.status, c.status) << command;
            EXPECT_NE(run.err.find(named + c.said + " (This card should be scanned again"), std::string::npos)
                << command << ": " << run.err;
            if (*c.summary) {
                EXPECT_NE(run.out.find(c.summary), std::string::npos) << command << ": " << run.out;
            }
            if (c.cards == 0) {
                EXPECT_FALSE(std::filesystem::exists("out.txt")) << command;
                continue;
            }
            const std::vector<std::string> deck = TestSupport::ReadFileLines("out.txt");
            ASSERT_EQ(deck.size(), c.cards) << command;
            EXPECT_EQ(deck[1], c.cards == 4 ? std::string(80, ' ') : "ONE" + std::string(77, ' ')) << command;
        }
    }
    // Single pictures read one by one name the gap too.
    const TestSupport::CliRun single = CliToFiles("read a.bmp b.bmp --deck out.txt");
    EXPECT_NE(single.err.find(named + "left out of the deck"), std::string::npos) << single.err;
    EXPECT_EQ(TestSupport::ReadFileLines("out.txt").size(), 1u);
}
