// Decoding hole cells through the code table, and reading the table.
#include "Decode.h"

#include "CodeTable.h"
#include "GridFit.h"
#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace korvane;

namespace {

// What the window's text line would show after decoding.
struct TextLine
{
    std::string text;
    Algemeen::Colour colour = Algemeen::kBlack;
    std::string EditText() const { return text; }
    Algemeen::Colour EditColour() const { return colour; }
};

class RenderCardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
    }
    // Holes at grid cells (column 1..80, row 1..12).
    void Holes(std::vector<Algemeen::IntPoint> cells)
    {
        holeCells.SetLength(static_cast<std::ptrdiff_t>(cells.size()) + 1);
        for (std::size_t l = 0; l < cells.size(); ++l)
            holeCells[static_cast<std::ptrdiff_t>(l) + 1] = cells[l];
    }
    // Reads the table and decodes the hole cells as the card reader does, the rendering block to
    // the console; the outcome as the text line shows it.
    bool ReadCardSpec(TextLine& line)
    {
        std::string failure;
        const auto read = korvane::ReadCardSpec("ibmkaart.txt", failure);
        if (!read) {
            line = {failure, Algemeen::kRed};
            return false;
        }
        table = *read;
        return true;
    }
    void RenderCard(TextLine& line)
    {
        if (!ReadCardSpec(line))
            return;
        const DecodedText decoded = DecodeColumns(table, PunchesOf(holeCells));
        WriteRendering(platform.console, decoded);
        line = {decoded.Text, decoded.UnknownColumns.empty() ? Algemeen::kBlack : Algemeen::kRed};
    }
    std::vector<std::string> Lines(const std::string& name)
    {
        std::ifstream in(name);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void WriteLines(const std::string& name, const std::vector<std::string>& lines, const char* end = "\n")
    {
        std::string text;
        for (const auto& l : lines)
            text += l + end;
        TestSupport::WriteFileText(name, text);
    }

    TestSupport::ScratchDir dir;
    TestSupport::CapturedPlatform platform;
    TextLine window;
    Algemeen::punten holeCells;
    CodeTableEntries table;
};

const std::string kRule(72, '-');

} // namespace

TEST_F(RenderCardTest, MissingTableIsReportedInRedAndNothingRendered)
{
    std::filesystem::remove("ibmkaart.txt");
    RenderCard(window);
    EXPECT_EQ(window.EditText(), "TextFile  \"ibmkaart.txt\"  with punchcard specifications: missing");
    EXPECT_EQ(window.EditColour(), Algemeen::kRed);
    EXPECT_EQ(platform.console.Text(), "");
}

TEST_F(RenderCardTest, ShortCharacterLineIsAnError)
{
    auto lines = Lines("ibmkaart.txt");
    lines[11].resize(65);
    WriteLines("ibmkaart.txt", lines);
    EXPECT_FALSE(ReadCardSpec(window));
    EXPECT_EQ(window.EditText(), "Errors in  \"ibmkaart.txt\"  with supposed punchcard specifications");
    EXPECT_EQ(window.EditColour(), Algemeen::kRed);
    lines.resize(20);
    lines[11] += "x";
    WriteLines("ibmkaart.txt", lines);
    EXPECT_FALSE(ReadCardSpec(window)) << "missing rows read as empty lines";
}

TEST_F(RenderCardTest, TwentyFiveLinesOfSixtySixCharactersAreEnoughAndCrLfIsFine)
{
    auto lines = Lines("ibmkaart.txt");
    lines.resize(25);
    for (auto& l : lines)
        l.resize(66, ' ');
    WriteLines("ibmkaart.txt", lines, "\r\n");
    window.text = "unchanged";
    ASSERT_TRUE(ReadCardSpec(window));
    EXPECT_EQ(window.EditText(), "unchanged") << "success leaves the text line alone";
    EXPECT_EQ(table[0], "?");
    for (std::size_t k = 1; k <= 62; ++k)
        EXPECT_EQ(table[k].size(), 13u) << k;
}

TEST_F(RenderCardTest, HolesAreMirroredIntoTextColumns)
{
    // 'A' is rows 12 and 1: pattern positions 1 and 4, cell rows 12 and 9. '9' is position 12,
    // cell row 1. Cell column 80 is text column 1; cell column 1 is text column 80, never decoded.
    // The cell (0, 0) belongs to a hole that found no cell.
    Holes({{80, 12}, {80, 9}, {79, 1}, {1, 12}, {0, 0}});
    RenderCard(window);
    const std::string text = "A9" + std::string(70, ' ');
    EXPECT_EQ(window.EditText(), text);
    EXPECT_EQ(window.EditColour(), Algemeen::kBlack);
    EXPECT_EQ(platform.console.Text(),
              "Rendering of PunchCard (1-72):\n" + kRule + "\n" + text + "\n" + kRule + "\n");
}

TEST_F(RenderCardTest, UnknownPatternShowsQuestionMarkInRed)
{
    Holes({{80, 12}, {80, 11}, {80, 10}, {80, 9}});
    RenderCard(window);
    EXPECT_EQ(window.EditText(), "?" + std::string(71, ' '));
    EXPECT_EQ(window.EditColour(), Algemeen::kRed);
    EXPECT_NE(platform.console.Text().find("? = unknown\n"), std::string::npos);
}

TEST_F(RenderCardTest, WithoutABlankCodeAnEmptyCardIsAllUnknown)
{
    auto lines = Lines("ibmkaart.txt");
    // Give the blank code (whichever column holds ' ' on line 12) a punch in row 12.
    const auto blank = lines[11].find(' ', 4);
    ASSERT_NE(blank, std::string::npos);
    lines[13][blank] = 'O';
    WriteLines("ibmkaart.txt", lines);
    Holes({});
    RenderCard(window);
    EXPECT_EQ(window.EditText(), std::string(72, '?'));
    EXPECT_EQ(window.EditColour(), Algemeen::kRed);
}

TEST_F(RenderCardTest, EditedTableChangesTheNextDecoding)
{
    Holes({{80, 9}}); // row 1 alone: the digit 1
    RenderCard(window);
    EXPECT_EQ(window.EditText()[0], '1');
    auto lines = Lines("ibmkaart.txt");
    const auto one = lines[11].find('1', 4);
    lines[11][one] = 'L';
    WriteLines("ibmkaart.txt", lines);
    RenderCard(window);
    EXPECT_EQ(window.EditText()[0], 'L');
}

TEST_F(RenderCardTest, FitQualityDividesByTheListLength)
{
    EXPECT_NEAR(Ogenblik::ReportFitQuality(platform.console, "first", 38.0, 41), 92.68, 0.01);
    Ogenblik::ReportFitQuality(platform.console, "last", 0.0, 1);
    EXPECT_EQ(platform.console.Text(), "Quality of Fit at first = 92.7 %\nQuality of Fit at last =  0.0 %\n");
}

// The index gives every pattern the code a plain search of the table gives: the lowest one whose
// marks are the pattern, never one with a short entry or a mark other than "O" and a blank.
TEST(CodeIndexTest, EveryPatternGetsTheLowestMatchingCode)
{
    std::mt19937 random(17);
    for (int round = 0; round < 20; ++round) {
        CodeTableEntries table;
        table[0] = "?";
        for (std::size_t j = 1; j < table.size(); ++j) {
            std::string marks;
            for (int p = 0; p < 12; ++p) // few punches, so that patterns repeat
                marks += random() % 5 == 0 ? 'O' : ' ';
            if (random() % 13 == 0)
                marks[random() % 12] = "xo.-"[random() % 4];
            if (random() % 17 == 0)
                marks.pop_back();
            table[j] = std::string(1, static_cast<char>('!' + j)) + marks;
        }
        const CodeIndex index = IndexCodes(table);
        for (std::uint32_t bits = 0; bits < 4096; ++bits) {
            std::string pattern;
            for (int p = 0; p < 12; ++p)
                pattern += bits & (1u << (11 - p)) ? 'O' : ' ';
            std::size_t plain = 0;
            for (std::size_t j = 1; j < table.size() && plain == 0; ++j)
                if (table[j].size() == 13 && table[j].compare(1, 12, pattern) == 0)
                    plain = j;
            ASSERT_EQ(index[bits], plain) << "round " << round << ", pattern " << bits;
        }
    }
}
