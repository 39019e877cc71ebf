// Reading decks: what a text deck may hold besides plain lines, every refusal with its message,
// and round trips of a large mixed deck in each layout and code.
#include "DeckTesting.h"

#include <random>

using namespace Deck;
using DeckTesting::Hex;
using DeckTesting::MapOf;
using DeckTesting::Repeat;

namespace {

CardPunches TextCard(const std::string& text, const CodeMap& map)
{
    CardPunches card{};
    for (std::size_t k = 0; k < text.size(); ++k)
        card[k] = map.PunchesOf(text[k]).value();
    for (std::size_t k = text.size(); k < card.size(); ++k)
        card[k] = map.PunchesOf(' ').value();
    return card;
}

// 200 cards: program lines with sequence numbers in columns 73-80, cards of random punches,
// text cards with one binary column, and blank cards.
std::vector<CardPunches> MixedDeck(const CodeMap& map)
{
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> anyColumn(0, kAllRows);
    std::vector<CardPunches> deck;
    for (int k = 0; k < 200; ++k) {
        char sequence[9];
        std::snprintf(sequence, sizeof sequence, "SEQ%05d", 10 * k);
        std::string line = "      MOVE X" + std::to_string(k) + " TO Y-1, $2.50*3";
        line += std::string(72 - line.size(), ' ') + sequence;
        CardPunches card = TextCard(line, map);
        if (k % 4 == 1)
            for (auto& column : card)
                column = static_cast<ColumnPunches>(anyColumn(random));
        else if (k % 4 == 2)
            card[static_cast<std::size_t>(k % kColumns)] = static_cast<ColumnPunches>(anyColumn(random));
        else if (k % 4 == 3)
            card.fill(0);
        deck.push_back(card);
    }
    return deck;
}

} // namespace

TEST(DeckReadTest, MixedDeckRoundTripsInEveryLayoutAndCode)
{
    for (const char* table :
         {"codes/ibm029.txt", "codes/ibm026-commercial.txt", "codes/ibm026-fortran.txt"}) {
        const CodeMap map = MapOf(table);
        const auto deck = MixedDeck(map);
        for (const DeckFormat format : {DeckFormat::Text, DeckFormat::Cbn, DeckFormat::Bin}) {
            SCOPED_TRACE(std::string(table) + " layout " + std::to_string(static_cast<int>(format)));
            std::vector<DeckCard> cards;
            for (const auto& punches : deck)
                cards.push_back(CardFromPunches(punches, map));
            const std::string bytes = WriteDeck(format, cards, map);
            const DeckRead read = ReadDeck(format, bytes, map);
            ASSERT_TRUE(read.ok) << read.message;
            EXPECT_EQ(read.cards, deck);
            std::vector<DeckCard> again;
            for (const auto& punches : read.cards)
                again.push_back(CardFromPunches(punches, map));
            EXPECT_EQ(WriteDeck(format, again, map), bytes);
            if (format == DeckFormat::Text) { // both kinds of line were written
                EXPECT_NE(bytes.find("~raw"), std::string::npos);
                EXPECT_NE(bytes.find("SEQ01960\n"), std::string::npos);
            }
        }
    }
}

TEST(DeckReadTest, TextDeckTakesWhatSimulatorDecksHold)
{
    const CodeMap map = MapOf("ibmkaart.txt");
    CardPunches eor{}, eof{}, eoi{};
    eor[0] = Row(7) | Row(8) | Row(9);
    eof[0] = Row(6) | Row(7) | Row(9);
    eoi[0] = Row(6) | Row(7) | Row(8) | Row(9);
    const struct
    {
        const char* name;
        std::string bytes;
        std::vector<CardPunches> cards;
    } cases[] = {
        {"empty deck", "", {}},
        {"empty line is a blank card", "\n", {TextCard("", map)}},
        {"no LF after the last card", "AB\nCD", {TextCard("AB", map), TextCard("CD", map)}},
        {"CR LF line ends", "AB\r\nCD\r\n", {TextCard("AB", map), TextCard("CD", map)}},
        {"tabs to 8-column stops", "A\tB\t\tC\n", {TextCard("A       B               C", map)}},
        {"blanks beyond column 80 are cut",
         std::string(80, 'X') + "  \t \n",
         {TextCard(std::string(80, 'X'), map)}},
        {"a tab across column 80", std::string(75, 'X') + "\t\n", {TextCard(std::string(75, 'X'), map)}},
        {"~ alone ends the deck", "AB\n~\nCD\n", {TextCard("AB", map)}},
        {"control cards", "~eor\n~eof\n~eoi\n", {eor, eof, eoi}},
        {"raw groups may be spaced", "~raw 4400 0400" + Repeat(" 0000", 78) + "\n", {TextCard("A1", map)}},
    };
    for (const auto& c : cases) {
        const DeckRead read = ReadTextDeck(c.bytes, map);
        EXPECT_TRUE(read.ok) << c.name << ": " << read.message;
        EXPECT_EQ(read.cards, c.cards) << c.name;
    }
}

TEST(DeckReadTest, BrokenDecksAreRefusedWithWhereAndWhy)
{
    const CodeMap map = MapOf("ibmkaart.txt");
    const std::string blankCbn = Hex("C0 40") + Repeat(Hex("40 40"), 79);
    const std::string blankBin(160, '\0');
    auto changed = [](std::string bytes, std::size_t at, char value) {
        bytes[at] = value;
        return bytes;
    };
    const struct
    {
        DeckFormat format;
        std::string bytes;
        std::string message;
    } cases[] = {
        {DeckFormat::Text, "AB\n" + std::string(81, 'X') + "\n", "line 2 has 81 columns; a card holds 80"},
        {DeckFormat::Text, std::string(79, 'X') + "\tY\n", "line 1 has 81 columns; a card holds 80"},
        {DeckFormat::Text, "AB{\n", "line 1, column 3: '{' has no code in the table"},
        {DeckFormat::Text, "\x01\n", "line 1, column 1: 0x01 has no code in the table"},
        {DeckFormat::Text, "~raw1234\n", "line 1: ~raw needs 80 groups of 4 octal digits"},
        {DeckFormat::Text, "~raw" + Repeat("0000", 79) + "0008\n",
         "line 1: ~raw needs 80 groups of 4 octal digits"},
        {DeckFormat::Text, "~raw" + Repeat("0000", 81) + "\n",
         "line 1: ~raw needs 80 groups of 4 octal digits"},
        {DeckFormat::Cbn, blankCbn.substr(1), "159 bytes is not a whole number of cards of 160 bytes"},
        {DeckFormat::Cbn, changed(blankCbn, 0, 0x40),
         "card 1, column 1 (byte 0): the first byte of a card lacks the card-start bit 7"},
        {DeckFormat::Cbn, changed(blankCbn, 3, '\xC0'),
         "card 1, column 2 (byte 3): bit 7 (card start) is set inside a card"},
        {DeckFormat::Cbn, blankCbn + changed(blankCbn, 1, 0x00),
         "card 2, column 1 (byte 161): parity bit 6 is wrong (bits 0 to 6 must hold an odd number of ones)"},
        {DeckFormat::Bin, blankBin + "x", "161 bytes is not a whole number of cards of 160 bytes"},
        {DeckFormat::Bin, changed(blankBin, 158, 0x01),
         "card 1, column 80 (byte 158): bits 3 to 0 of the column word are not zero"},
        {DeckFormat::Jsonl, "{}\n", "a jsonl deck is written only; read text, cbn or bin"},
    };
    for (const auto& c : cases) {
        const DeckRead read = ReadDeck(c.format, c.bytes, map);
        EXPECT_FALSE(read.ok) << c.message;
        EXPECT_EQ(read.message, c.message);
        EXPECT_TRUE(read.cards.empty()) << c.message;
    }
}

TEST(DeckReadTest, FormatNames)
{
    for (const auto& [name, format] : {std::pair{"text", DeckFormat::Text},
                                       {"cbn", DeckFormat::Cbn},
                                       {"bin", DeckFormat::Bin},
                                       {"jsonl", DeckFormat::Jsonl}})
        EXPECT_EQ(DeckFormatNamed(name), format) << name;
    for (const char* bad : {"", "TEXT", "txt", "json"})
        EXPECT_FALSE(DeckFormatNamed(bad).has_value()) << bad;
}
