// korvane-cli and decks: all 80 columns in --json, --code, and decks that survive being punched
// into scans and read back byte for byte.
#include "CliRunner.h"
#include "Deck.h"
#include "DeckOutput.h"
#include "TestSupport.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sys/wait.h>

namespace {

using TestSupport::RunCli;

std::string Padded80(std::string text)
{
    text.resize(80, ' ');
    return text;
}

// text80 and punches of every card of a --json run.
void ExpectColumns(const std::string& arguments, const std::vector<std::string>& expected,
                   const std::string& what)
{
    std::string out;
    RunCli(arguments + " --json", &out);
    const auto result = nlohmann::json::parse(out, nullptr, false);
    ASSERT_FALSE(result.is_discarded()) << what;
    ASSERT_EQ(result["cards"].size(), expected.size()) << what;
    const std::regex octal("[0-7]{4}");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& card = result["cards"][i];
        EXPECT_EQ(card["text80"], Padded80(expected[i])) << what << " card " << i + 1;
        ASSERT_EQ(card["punches"].size(), 80u) << what;
        for (const auto& column : card["punches"])
            EXPECT_TRUE(std::regex_match(column.get<std::string>(), octal)) << what << ": " << column;
        EXPECT_EQ(card["text"], Padded80(expected[i]).substr(0, 72)) << what;
    }
}

class DeckCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
    }
    TestSupport::ScratchDir dir;
};

Deck::CodeMap MapOf(const std::string& file)
{
    Deck::CodeMapResult loaded = Cli::LoadCodeMap(file);
    EXPECT_TRUE(loaded.ok) << file << ": " << loaded.message;
    return loaded.map;
}

} // namespace

TEST_F(DeckCliTest, Text80IsExactOnRealScansAndSamples)
{
    std::ifstream expected(TestSupport::SourcePath("tests/data/real-scans/expected.tsv"));
    int files = 0;
    for (std::string line; std::getline(expected, line); ++files) {
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos);
        const std::string file = line.substr(0, tab);
        ExpectColumns("read " + TestSupport::SourcePath("tests/data/real-scans/" + file) + " --at 576,272",
                      {line.substr(tab + 1)}, file);
    }
    EXPECT_EQ(files, 5);
    for (const std::string name : {"card-01", "card-02", "page"}) {
        std::ifstream texts(TestSupport::SourcePath("samples/" + name + ".txt"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(texts, line);)
            lines.push_back(line);
        ExpectColumns("read " + TestSupport::SourcePath("samples/" + name + ".bmp") + " --all", lines, name);
    }
}

// 12 cards: text in the 48 characters every shipped code has, sequence numbers in 73-80, and a
// binary card (no code spells it, so a text deck writes it raw) with lace and single rows.
std::vector<Deck::CardPunches> TwelveCards(const Deck::CodeMap& map)
{
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-/.$*,";
    std::vector<Deck::CardPunches> cards;
    for (int i = 0; i < 12; ++i) {
        char sequence[16];
        std::snprintf(sequence, sizeof sequence, "DECK%04d", 10 * (i + 1));
        std::string text = letters.substr(static_cast<std::size_t>(i) % 10, 30) + "  " + letters.substr(0, i);
        text.resize(72, ' ');
        text += sequence;
        Deck::CardPunches card{};
        for (int column = 0; column < 80; ++column)
            card[column] = *map.PunchesOf(text[column]);
        if (i == 5)
            for (int column = 0; column < 80; ++column)
                card[column] = column % 13 == 12 ? Deck::kAllRows : Deck::RowBit(column % 12);
        cards.push_back(card);
    }
    return cards;
}

TEST_F(DeckCliTest, DecksRoundTripThroughScansInEveryCodeAndLayout)
{
    for (const std::string code : {"ibm029", "ibm026-commercial", "ibm026-fortran"}) {
        const std::string codeFile = TestSupport::SourcePath("codes/" + code + ".txt");
        const Deck::CodeMap map = MapOf(codeFile);
        std::vector<Deck::DeckCard> cards;
        for (const auto& punches : TwelveCards(map))
            cards.push_back(Deck::CardFromPunches(punches, map));
        for (const std::string format : {"text", "cbn", "bin"}) {
            const std::string what = code + " " + format;
            const std::string deck = Deck::WriteDeck(*Deck::DeckFormatNamed(format), cards, map);
            TestSupport::WriteFileText("in.deck", deck);
            const std::string options = " --deck-format " + format + " --code " + codeFile;
            ASSERT_EQ(RunCli("punch -o p.bmp --dpi 150 --per-page 5 --deck in.deck" + options), 0) << what;
            RunCli("read p-0001.bmp p-0002.bmp p-0003.bmp --deck out.deck" + options);
            EXPECT_EQ(TestSupport::ReadFileText("out.deck"), deck) << what;
            std::filesystem::remove("out.deck");
        }
        // The JSON lines deck says where each card came from, in reading order.
        RunCli("read p-0001.bmp p-0002.bmp p-0003.bmp --deck out.jsonl --deck-format jsonl --code " +
               codeFile);
        std::ifstream lines("out.jsonl");
        std::size_t n = 0;
        for (std::string line; std::getline(lines, line); ++n) {
            ASSERT_LT(n, cards.size()) << code;
            const auto card = nlohmann::json::parse(line);
            EXPECT_EQ(card.dump().find(cards[n].text80) != std::string::npos, true)
                << code << " card " << n + 1;
            EXPECT_NE(card.dump().find(n < 5    ? "p-0001.bmp"
                                       : n < 10 ? "p-0002.bmp"
                                                : "p-0003.bmp"),
                      std::string::npos)
                << code << " card " << n + 1;
        }
        EXPECT_EQ(n, cards.size()) << code;
    }
}

TEST_F(DeckCliTest, DeckOptionsRefuseBadInputAndKeepOutputsOffInputs)
{
    ASSERT_EQ(RunCli("punch -o one.bmp --dpi 120 'HELLO'"), 0);
    const std::string before = TestSupport::ReadFileText("one.bmp");
    EXPECT_EQ(RunCli("read one.bmp --deck one.bmp"), 2);
    EXPECT_EQ(RunCli("read one.bmp --deck ibmkaart.txt"), 2);
    EXPECT_EQ(TestSupport::ReadFileText("one.bmp"), before);
    EXPECT_EQ(RunCli("read one.bmp --deck d --code missing.txt"), 2);
    EXPECT_FALSE(std::filesystem::exists("d"));
    EXPECT_EQ(RunCli("read one.bmp --deck d --deck-format punched"), 64);
    TestSupport::WriteFileText("bad.cbn", std::string(100, 'x'));
    EXPECT_EQ(RunCli("punch -o two.bmp --deck bad.cbn --deck-format cbn"), 2);
    EXPECT_EQ(RunCli("punch -o two.bmp --deck missing.deck"), 2);
    EXPECT_EQ(RunCli("punch -o two.bmp --deck one.bmp --deck-format bin 'TEXT'"), 2);
    EXPECT_FALSE(std::filesystem::exists("two.bmp"));
}
