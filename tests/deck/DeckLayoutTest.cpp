// Each deck layout written byte for byte from hand-worked cards, and read back to the same cards.
#include "DeckTesting.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

using namespace Deck;
using DeckTesting::Hex;
using DeckTesting::MapOf;
using DeckTesting::Repeat;

namespace {

CardPunches OnePunchPerRow()
{
    CardPunches card{};
    for (int position = 0; position < kRows; ++position)
        card[static_cast<std::size_t>(position)] = RowBit(position); // column 1 row 12 ... column 12 row 9
    return card;
}

CardPunches FullFirstColumn()
{
    CardPunches card{};
    card[0] = kAllRows;
    return card;
}

CardPunches Lace()
{
    CardPunches card;
    card.fill(kAllRows);
    return card;
}

CardPunches A1() // "A1" and 78 blanks: 12-1, then 1
{
    CardPunches card{};
    card[0] = Row(12) | Row(1);
    card[1] = Row(1);
    return card;
}

struct Layout
{
    const char* name;
    CardPunches card;
    std::string text, cbn, bin;
};

// Worked by hand from the layouts: cbn bit 6 is set where the six data bits hold an even number
// of ones, bit 7 on each card's first byte; bin holds rows 6-9 in the high nibble of the first
// byte and rows 12, 11, 0-5 in the second.
const Layout kLayouts[] = {
    {"one punch per row", OnePunchPerRow(), "&-0123456789" + std::string(68, ' ') + "\n",
     Hex("A0 40 10 40 08 40 04 40 02 40 01 40 40 20 40 10 40 08 40 04 40 02 40 01") +
         Repeat(Hex("40 40"), 68),
     Hex("00 80 00 40 00 20 00 10 00 08 00 04 00 02 00 01 80 00 40 00 20 00 10 00") +
         Repeat(Hex("00 00"), 68)},
    {"all-punched column", FullFirstColumn(), "~raw7777" + Repeat("0000", 79) + "\n",
     Hex("FF 7F") + Repeat(Hex("40 40"), 79), Hex("F0 FF") + Repeat(Hex("00 00"), 79)},
    {"lace", Lace(), "~raw" + Repeat("7777", 80) + "\n", Hex("FF 7F") + Repeat(Hex("7F 7F"), 79),
     Repeat(Hex("F0 FF"), 80)},
    {"text with trailing blanks", A1(), "A1" + std::string(78, ' ') + "\n",
     Hex("E4 40 04 40") + Repeat(Hex("40 40"), 78), Hex("00 90 00 10") + Repeat(Hex("00 00"), 78)},
};

} // namespace

TEST(DeckLayoutTest, HandWorkedCardsByteForByte)
{
    const CodeMap map = MapOf("ibmkaart.txt");
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        const std::vector<CardPunches> deck{layout.card};
        EXPECT_EQ(WriteTextDeck(deck, map), layout.text);
        EXPECT_EQ(WriteCbnDeck(deck), layout.cbn);
        EXPECT_EQ(WriteBinDeck(deck), layout.bin);
        for (const auto& [format, bytes] : {std::pair{DeckFormat::Text, layout.text},
                                            {DeckFormat::Cbn, layout.cbn},
                                            {DeckFormat::Bin, layout.bin}}) {
            const DeckRead read = ReadDeck(format, bytes, map);
            EXPECT_TRUE(read.ok) << "layout " << static_cast<int>(format) << ": " << read.message;
            EXPECT_EQ(read.cards, deck) << "layout " << static_cast<int>(format);
        }
    }
}

TEST(DeckLayoutTest, CardsFollowEachOtherWithTheirOwnStartBits)
{
    const CodeMap map = MapOf("ibmkaart.txt");
    const std::vector<CardPunches> deck{A1(), Lace(), OnePunchPerRow()};
    const Layout& a1 = kLayouts[3];
    const Layout& lace = kLayouts[2];
    const Layout& rows = kLayouts[0];
    EXPECT_EQ(WriteTextDeck(deck, map), a1.text + lace.text + rows.text);
    EXPECT_EQ(WriteCbnDeck(deck), a1.cbn + lace.cbn + rows.cbn);
    EXPECT_EQ(WriteBinDeck(deck), a1.bin + lace.bin + rows.bin);
    EXPECT_EQ(WriteTextDeck({}, map), "");
}

// A line is text only when every column reads back to its own holes and nothing in the line can
// be taken for a control line or a line end; otherwise the card is written raw.
TEST(DeckLayoutTest, TextFallsBackToRawWhenTheLineWouldNotReadBack)
{
    CodeTableEntries entries;
    entries.fill(std::string(1 + kRows, ' '));
    entries[1] = "~O           ";  // 12 alone is "~"
    entries[2] = "AO  O        ";  // 12-1
    entries[3] = "BO  O        ";  // 12-1 again
    entries[4] = "A O  O       ";  // A again, as 11-2
    entries[5] = "\tO   O       "; // a tab, as 12-2
    const auto built = CodeMapFromTable(entries);
    ASSERT_TRUE(built.ok) << built.message;
    const struct
    {
        ColumnPunches column1;
        bool raw;
    } cases[] = {
        {Row(12) | Row(1), false}, // "A"
        {Row(12), true},           // "~" first would read as a control line
        {Row(11) | Row(2), true},  // reads "A", which punches 12-1
        {Row(12) | Row(2), true},  // a tab
        {Row(11) | Row(0), true},  // no code
    };
    for (const auto& c : cases) {
        CardPunches card{};
        card[0] = c.column1;
        const std::string line = WriteTextDeck({card}, built.map);
        EXPECT_EQ(line.rfind("~raw", 0) == 0, c.raw) << Octal(c.column1) << ": " << line;
        EXPECT_EQ(ReadTextDeck(line, built.map).cards, std::vector<CardPunches>{card}) << line;
    }
    CardPunches tildeLater{};
    tildeLater[1] = Row(12);
    EXPECT_EQ(WriteTextDeck({tildeLater}, built.map), " ~" + std::string(78, ' ') + "\n");
}

TEST(DeckLayoutTest, WritersRefuseBitsBeyondTheTwelveRows)
{
    CardPunches card{};
    card[41] = 010000;
    const std::vector<CardPunches> deck{card};
    EXPECT_THROW(WriteTextDeck(deck, MapOf("ibmkaart.txt")), std::out_of_range);
    EXPECT_THROW(WriteCbnDeck(deck), std::out_of_range);
    EXPECT_THROW(WriteBinDeck(deck), std::out_of_range);
    DeckCard deckCard;
    deckCard.punches = card;
    EXPECT_THROW(WriteJsonlDeck({deckCard}), std::out_of_range);
}

TEST(DeckLayoutTest, JsonLinesCarryEveryFieldAndSurviveBytesThatAreNotUtf8)
{
    DeckCard first = CardFromPunches(A1(), MapOf("ibmkaart.txt"));
    first.scanFile = "box1/page.bmp";
    first.cardInPicture = 2;
    first.fitFirst = 96.7;
    first.fitLast = 97.25;
    first.orientation = "settled";
    first.centre = {601.5, 433.0};
    DeckCard second = CardFromPunches(FullFirstColumn(), MapOf("ibmkaart.txt"));
    second.scanFile = "sc\xE9n.bmp"; // Latin-1, not UTF-8
    second.cardInPicture = 1;
    second.orientation = "no-cut-corner";

    const std::string punchesA1 = "[\"4400\",\"0400\"" + Repeat(",\"0000\"", 78) + "]";
    const std::string punchesFull = "[\"7777\"" + Repeat(",\"0000\"", 79) + "]";
    const std::string expected =
        "{\"scan\":\"box1/page.bmp\",\"card\":2,\"text80\":\"A1" + std::string(78, ' ') +
        "\",\"punches\":" + punchesA1 +
        ",\"unknownColumns\":[],\"fitQuality\":{\"first\":96.7,\"last\":97.25},\"orientation\":{\"verdict\":"
        "\"settled\"},\"centre\":[601.5,433.0]}\n"
        "{\"scan\":\"sc\xEF\xBF\xBDn.bmp\",\"card\":1,\"text80\":\"?" +
        std::string(79, ' ') + "\",\"punches\":" + punchesFull +
        ",\"unknownColumns\":[1],\"fitQuality\":{\"first\":0.0,\"last\":null},\"orientation\":{\"verdict\":"
        "\"no-cut-corner\"},\"centre\":[0.0,0.0]}\n";
    const std::string written = WriteDeck(DeckFormat::Jsonl, {first, second}, CodeMap{});
    EXPECT_EQ(written, expected);
    EXPECT_NO_THROW(nlohmann::json::parse(written.substr(0, written.find('\n'))));
}
