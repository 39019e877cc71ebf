// The code tables shipped in codes/: each loads with both parsers of the table layout, holds the
// holes its code plate punches, and reads back through korvane-cli when it is the table in use.
#include "CliRunner.h"
#include "DeckTesting.h"
#include "PunchCodes.h"

#include <array>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

using namespace Deck;
using DeckTesting::MapOf;

namespace {

const char* const kTables[] = {"codes/ibm029.txt", "codes/ibm026-commercial.txt", "codes/ibm026-fortran.txt"};

struct Special
{
    char character;
    ColumnPunches holes;
};

using DeckTesting::Holes;

// The specials of the two 026 plates as their source lists them (both say ")" for 12-8-4: the
// commercial plate's lozenge has no ASCII character).
const Special kCommercial[] = {{'&', Holes({12})},       {'-', Holes({11})},       {'/', Holes({0, 1})},
                               {'.', Holes({12, 8, 3})}, {')', Holes({12, 8, 4})}, {'$', Holes({11, 8, 3})},
                               {'*', Holes({11, 8, 4})}, {',', Holes({0, 8, 3})},  {'%', Holes({0, 8, 4})},
                               {'#', Holes({8, 3})},     {'@', Holes({8, 4})}};
const Special kFortran[] = {{'+', Holes({12})},       {'-', Holes({11})},       {'/', Holes({0, 1})},
                            {'.', Holes({12, 8, 3})}, {')', Holes({12, 8, 4})}, {'$', Holes({11, 8, 3})},
                            {'*', Holes({11, 8, 4})}, {',', Holes({0, 8, 3})},  {'(', Holes({0, 8, 4})},
                            {'=', Holes({8, 3})},     {'\'', Holes({8, 4})}};

// A shell word holding the text as it is.
std::string Quoted(const std::string& text)
{
    std::string word = "'";
    for (const char c : text)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

} // namespace

// Both parsers of the layout (the one the window decodes with, and the one punch uses) see the
// same codes in every table, and the shipped 029 table is the standard one.
TEST(CodeTablesTest, EveryTableLoadsAlikeWithBothParsers)
{
    for (const char* table : {"ibmkaart.txt", kTables[0], kTables[1], kTables[2]}) {
        SCOPED_TRACE(table);
        std::ifstream in(TestSupport::SourcePath(table));
        const auto punchTable = Punch::ParseCodeTable(in);
        ASSERT_TRUE(punchTable.ok) << punchTable.message;
        std::vector<CodeMap::Code> punchCodes;
        for (const auto& code : punchTable.codes)
            punchCodes.push_back({code.character, code.pattern});
        EXPECT_EQ(MapOf(table).Codes(), punchCodes);
    }
    EXPECT_EQ(MapOf(kTables[0]).Codes(), MapOf("ibmkaart.txt").Codes());
}

TEST(CodeTablesTest, The026PlatesHold48CharactersWithTheirSpecials)
{
    const CodeMap ibm029 = MapOf("ibmkaart.txt");
    const struct
    {
        const char* table;
        const Special* specials;
    } plates[] = {{"codes/ibm026-commercial.txt", kCommercial}, {"codes/ibm026-fortran.txt", kFortran}};
    for (const auto& plate : plates) {
        SCOPED_TRACE(plate.table);
        const CodeMap map = MapOf(plate.table);
        std::set<char> characters;
        std::set<ColumnPunches> holes;
        for (const auto& code : map.Codes()) {
            characters.insert(code.character);
            holes.insert(code.punches);
        }
        EXPECT_EQ(characters.size(), 48u);
        EXPECT_EQ(holes.size(), 48u);
        for (const char c : std::string(" 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
            EXPECT_EQ(map.PunchesOf(c), ibm029.PunchesOf(c)) << c;
        for (int k = 0; k < 11; ++k) {
            const Special& special = plate.specials[k];
            EXPECT_EQ(map.PunchesOf(special.character), special.holes) << special.character;
            EXPECT_EQ(map.CharacterOf(special.holes), special.character) << Octal(special.holes);
        }
        EXPECT_EQ(map.CharacterOf(0), ' ') << "the repeated blanks must not take over";
    }
}

// A table in use as ibmkaart.txt: korvane-cli punches every character of it and reads the same
// text back, so the short tables work in the window's decoding as they are.
TEST(CodeTablesTest, ShortTablesPunchAndReadBackThroughTheCli)
{
    const struct
    {
        const char* table;
        std::string text;
    } cases[] = {
        {"codes/ibm026-commercial.txt", "0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ &-/.)$*,%#@"},
        {"codes/ibm026-fortran.txt", "0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ +-/.)$*,(='"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        TestSupport::ScratchDir dir;
        std::filesystem::copy_file(TestSupport::SourcePath(c.table), "ibmkaart.txt");
        const TestSupport::CliRun punched =
            TestSupport::CliToFiles("punch -o card.bmp --dpi 150 --angle 4 " + Quoted(c.text));
        ASSERT_EQ(punched.status, 0) << punched.out << punched.err;
        const TestSupport::CliRun read = TestSupport::CliToFiles("read card.bmp --all --json");
        ASSERT_EQ(read.status, 0) << read.out << read.err;
        const auto result = nlohmann::json::parse(read.out);
        ASSERT_EQ(result["cards"].size(), 1u);
        EXPECT_EQ(result["cards"][0]["text"], c.text + std::string(72 - c.text.size(), ' '));
    }
}
