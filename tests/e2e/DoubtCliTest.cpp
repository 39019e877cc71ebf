// Doubt per column as a user of korvane-cli meets it: on punched cards read right, clean or noisy,
// no column is doubtful and the text stays black; where holes merge with print or with each other,
// every column read wrong is named in doubtfulColumns or unknownColumns and the text turns red; a
// batch names the doubtful columns in the review picture's name and counts the card.
#include "BmpWrite.h"
#include "CliRunner.h"
#include "GridFit.h"
#include "TestSupport.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>

namespace {

using TestSupport::Cli;
using nlohmann::json;

class DoubtCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
    }
    TestSupport::ScratchDir dir;
};

// The first card of `read --all --json`.
json FirstCard(const std::string& arguments)
{
    const auto run = Cli("read " + arguments + " --all --json");
    const json scan = json::parse(run.out, nullptr, false);
    if (!scan.is_object() || !scan.contains("cards") || scan["cards"].empty())
        return json();
    return scan["cards"][0];
}

// Draws a dark bar 0.3 mm wide across text columns 1 to 6, over the outer edge of their row-12
// holes, as a ruled line printed on a card's form touches them.
void DrawLineOverRow12(const std::string& file, const json& grid)
{
    const Algemeen::RealPoint o{grid["origin"][0], grid["origin"][1]};
    const Algemeen::RealPoint c{grid["columnStep"][0], grid["columnStep"][1]};
    const Algemeen::RealPoint r{grid["rowStep"][0], grid["rowStep"][1]};
    const double columnMm = std::hypot(c.X, c.Y) / Ogenblik::kColumnStep.X;
    BMPunit::BitImage image = TestSupport::BitImageOf(TestSupport::LoadPicture(file));
    for (double u = 74; u <= 79; u += 0.05) // grid columns of text columns 6 .. 1
        for (double v = 1.6; v <= 1.9; v += 0.05) {
            // Row 12 is grid row 11; v mm beyond its centre, away from row 11.
            const auto at = Ogenblik::GridPosition(o, c, r, 0, 11);
            const double rowMm = std::hypot(r.X, r.Y);
            const double x = at.X + u * c.X + v * columnMm * r.X / rowMm;
            const double y = at.Y + u * c.Y + v * columnMm * r.Y / rowMm;
            image.Set(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), true);
        }
    BMPunit::WriteFileBytes(file, BMPunit::EncodeBitmap(image, 5906));
}

TEST_F(DoubtCliTest, WrongColumnsAreDoubtfulAndRightCardsStayBlack)
{
    struct Case
    {
        const char* name;
        const char* punch; // korvane-cli punch arguments before the text
        const char* picture;
        const char* text;
        const char* read;                 // read options
        bool drawLine;                    // a line over the row-12 holes of columns 1-6
        std::map<int, std::string> doubt; // the doubtful columns expected; "any": every wrong one
        bool anyWrongFlagged;
    };
    const Case cases[] = {
        {"clean, 150 dpi", "--dpi 150", "c.bmp", "CLEAN CARD 0123456789 (A+B)*C/D", "", false, {}, false},
        {"speck noise 0.1, 100 dpi, real size",
         "--dpi 100 --real --noise 0.1 --seed 5 --angle 7",
         "n.bmp",
         "NOISY CARD AT 100 DPI, 10 PER CENT SPECKS",
         "",
         false,
         {},
         false},
        {"rough grey edges, 300 dpi",
         "--dpi 300 --format png --blur 1 --sensor-noise 40 --angle 3",
         "g.png",
         "GREY SCAN WITH ROUGH EDGES",
         "",
         false,
         {},
         false},
        {"backlit front, polarity auto",
         "--dpi 150 --format bmp --face-up",
         "f.bmp",
         "BACKLIT FRONT 42",
         "--side front --polarity auto",
         false,
         {},
         false},
        {"backlit 1-bit BMP, polarity auto",
         "--dpi 150",
         "b1.bmp",
         "BACKLIT ONE BIT",
         "--polarity auto",
         false,
         {},
         false},
        // Holes blurred into each other at 100 dpi are lost as outlines but not as dark pixels.
        {"holes blurred together, 100 dpi",
         "--dpi 100 --format png --blur 2 --sensor-noise 40 --seed 3 --angle 11",
         "b.png",
         "HELLO WORLD 123",
         "",
         false,
         {},
         true},
        {"line touching the row-12 holes",
         "--dpi 150",
         "l.bmp",
         "CAT ON A LINE",
         "",
         true,
         {{1, "ink"}, {2, "ink"}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Cli(std::string("punch -o ") + c.picture + " " + c.punch + " '" + c.text + "'").status, 0);
        if (std::string(c.read).find("--polarity auto") != std::string::npos)
            TestSupport::InvertBmp(c.picture); // a dark card with light holes
        if (c.drawLine)
            DrawLineOverRow12(c.picture, FirstCard(c.picture)["grid"]);
        const json card = FirstCard(std::string(c.picture) + " " + c.read);
        ASSERT_TRUE(card.contains("text80")) << card.dump();
        const std::string expected = (c.text + std::string(80, ' ')).substr(0, 80);
        const std::string text80 = card["text80"];
        std::map<int, std::string> doubt;
        for (const json& d : card["doubtfulColumns"])
            doubt[d["column"].get<int>()] = d["reason"];
        const auto unknown = card["unknownColumns"].get<std::vector<int>>();
        int wrong = 0;
        for (int k = 1; k <= 80; ++k)
            if (text80[std::size_t(k - 1)] != expected[std::size_t(k - 1)]) {
                ++wrong;
                EXPECT_TRUE(doubt.count(k) || std::count(unknown.begin(), unknown.end(), k))
                    << "column " << k;
            }
        const bool sound = !c.anyWrongFlagged && c.doubt.empty();
        if (c.anyWrongFlagged)
            EXPECT_GT(wrong, 0) << "the case no longer shows what it is for";
        else
            EXPECT_EQ(doubt, c.doubt);
        EXPECT_EQ(wrong == 0, sound) << text80;
        const auto run = Cli(std::string("read ") + c.picture + " --all " + c.read);
        EXPECT_EQ(run.status, sound ? 0 : 1);
        EXPECT_NE(run.out.find(sound ? "Edit1 [black]: " : "Edit1 [red]: "), std::string::npos) << run.out;
    }
}

TEST_F(DoubtCliTest, BatchNamesAndCountsDoubtfulColumns)
{
    ASSERT_EQ(Cli("punch -o l.bmp --dpi 150 'CAT ON A LINE'").status, 0);
    DrawLineOverRow12("l.bmp", FirstCard("l.bmp")["grid"]);
    const auto run = Cli("read l.bmp --review looks --summary s.json --jsonl j.jsonl --quiet");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(std::filesystem::exists("looks/l.bmp-card1-doubtful-columns-1-2.png"));
    const json summary = json::parse(TestSupport::ReadFileText("s.json"));
    EXPECT_EQ(summary["cardsWithDoubtfulColumns"], 1);
    EXPECT_EQ(summary["cardsNeedingReview"], 1);
    EXPECT_EQ(summary["cardsBelowFitQuality"], 0);
    EXPECT_NE(run.out.find("Refused pictures = 0\nCards with doubtful columns = 1\n"), std::string::npos)
        << run.out;
    const json line = json::parse(TestSupport::ReadFileLines("j.jsonl").at(0));
    EXPECT_EQ(line["doubtfulColumns"],
              json::parse(R"([{"column":1,"reason":"ink"},{"column":2,"reason":"ink"}])"));
    EXPECT_EQ(line["review"], json::array({"doubtful columns"}));
}

} // namespace
