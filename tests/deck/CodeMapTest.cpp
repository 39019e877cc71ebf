// Raw punches in octal, and the code map built from a table's entries.
#include "DeckTesting.h"

#include <stdexcept>

using namespace Deck;
using DeckTesting::Holes;
using DeckTesting::MapOf;

namespace {

// A table whose every code is the blank with no holes, except those given.
CodeTableEntries Entries(std::initializer_list<std::pair<std::size_t, std::string>> codes)
{
    CodeTableEntries entries;
    entries.fill(std::string(1 + kRows, ' '));
    entries[0] = "?";
    for (const auto& [k, entry] : codes)
        entries[k] = entry;
    return entries;
}

} // namespace

TEST(PunchesTest, OctalPutsRow12InTheFirstDigit)
{
    const struct
    {
        ColumnPunches punches;
        const char* octal;
    } cases[] = {
        {0, "0000"},          {Holes({12}), "4000"}, {Holes({11}), "2000"},       {Holes({0}), "1000"},
        {Holes({1}), "0400"}, {Holes({3}), "0100"},  {Holes({4}), "0040"},        {Holes({6}), "0010"},
        {Holes({7}), "0004"}, {Holes({9}), "0001"},  {Holes({12, 8, 2}), "4202"}, {kAllRows, "7777"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Octal(c.punches), c.octal);
        EXPECT_EQ(ParseOctal(c.octal), c.punches) << c.octal;
    }
    for (const char* bad : {"", "777", "77777", "0008", "12a4", " 123"})
        EXPECT_FALSE(ParseOctal(bad).has_value()) << '"' << bad << '"';
    EXPECT_THROW(Octal(010000), std::out_of_range);
}

TEST(CodeMapTest, StandardTableGivesTheHolesOfEachCharacter)
{
    const CodeMap map = MapOf("ibmkaart.txt");
    const struct
    {
        char character;
        ColumnPunches punches;
    } cases[] = {
        {' ', 0},
        {'0', Holes({0})},
        {'9', Holes({9})},
        {'A', Holes({12, 1})},
        {'J', Holes({11, 1})},
        {'Z', Holes({0, 9})},
        {'&', Holes({12})},
        {'-', Holes({11})},
        {'/', Holes({0, 1})},
        {'[', Holes({12, 8, 2})},
        {'^', Holes({11, 8, 7})},
        {',', Holes({0, 8, 3})},
        {':', Holes({8, 2})},
        {'"', Holes({8, 7})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(map.PunchesOf(c.character), c.punches) << c.character;
        EXPECT_EQ(map.CharacterOf(c.punches), c.character) << c.character;
        EXPECT_TRUE(map.Fits(c.punches)) << c.character;
    }
    EXPECT_FALSE(map.CharacterOf(Holes({12, 11})).has_value());
    EXPECT_FALSE(map.PunchesOf('?').has_value());
}

TEST(CodeMapTest, LowestCodeWinsAndOddMarksMatchNothing)
{
    const auto result = CodeMapFromTable(Entries({
        {1, "AO  O        "}, // 12-1
        {2, "BO  O        "}, // the same holes again: A wins when reading
        {3, "AO   O       "}, // A again, 12-2: punching A gives 12-1
        {4, "Xx           "}, // a mark that is no punch: never matches
    }));
    ASSERT_TRUE(result.ok) << result.message;
    const CodeMap& map = result.map;
    EXPECT_EQ(map.CharacterOf(Holes({12, 1})), 'A');
    EXPECT_EQ(map.PunchesOf('B'), Holes({12, 1}));
    EXPECT_EQ(map.CharacterOf(Holes({12, 2})), 'A');
    EXPECT_EQ(map.PunchesOf('A'), Holes({12, 1}));
    EXPECT_TRUE(map.Fits(Holes({12, 1})));
    EXPECT_FALSE(map.Fits(Holes({12, 2}))) << "12-2 would be punched back as 12-1";
    EXPECT_FALSE(map.PunchesOf('X').has_value());
    EXPECT_EQ(map.CharacterOf(0), ' ');
    EXPECT_EQ(map.Codes().size(), 61u);
}

TEST(CodeMapTest, EntryOfTheWrongLengthFailsNamingTheCode)
{
    const auto result = CodeMapFromTable(Entries({{7, "A O"}}));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "code 7 has 3 characters; a code is its character and 12 punch marks");
}

TEST(CodeMapTest, DecodeCardMarksUnknownColumns)
{
    CardPunches card{};
    card[0] = Holes({12, 8});
    card[1] = Holes({12, 11, 0});
    card[79] = kAllRows;
    const auto deckCard = CardFromPunches(card, MapOf("ibmkaart.txt"));
    EXPECT_EQ(deckCard.text80, "H?" + std::string(77, ' ') + "?");
    EXPECT_EQ(deckCard.unknownColumns, (std::vector<int>{2, 80}));
    EXPECT_EQ(deckCard.punches, card);
    EXPECT_EQ(DecodeCard(card, CodeMap{}).text80, std::string(80, '?'));
}
