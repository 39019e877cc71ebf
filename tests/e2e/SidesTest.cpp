// Either side of a card as korvane-cli reads it: real fronts (print, ruled lines and holes as dark as
// each other), a grey duplex pair and a photo read exactly in all 80 columns with nothing flagged,
// as the side they show; punched cards lying face up among others are read from their front with
// `--side auto`, and refused as before without it.
#include "CliRunner.h"
#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

class SidesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
    }
    // The cards of `read --all --json` with these arguments, and its exit status.
    static json Cards(const std::string& arguments, int& status)
    {
        const auto run = TestSupport::Cli("read " + arguments + " --all --json");
        status = run.status;
        const json scan = json::parse(run.out, nullptr, false);
        return scan.is_object() && scan.contains("cards") ? scan["cards"] : json::array();
    }
    TestSupport::ScratchDir dir;
};

TEST_F(SidesTest, RealPicturesOfEitherSideReadExactly)
{
    std::ifstream listed(TestSupport::SourcePath("tests/data/real-scans/sides.tsv"));
    std::string line;
    int files = 0;
    while (std::getline(listed, line)) {
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos);
        const std::string file = line.substr(0, tab), text = line.substr(tab + 1);
        const bool front = file.find("front") != std::string::npos;
        for (const std::string side : {"auto", front ? "front" : "back"}) {
            SCOPED_TRACE(file + " --side " + side);
            int status = -1;
            const json cards =
                Cards(TestSupport::SourcePath("tests/data/real-scans/" + file) + " --side " + side, status);
            EXPECT_EQ(status, 0);
            ASSERT_EQ(cards.size(), 1u);
            EXPECT_EQ(cards[0].value("text80", ""), text);
            EXPECT_EQ(cards[0].value("side", ""), front ? "front" : "back");
            EXPECT_EQ(cards[0]["doubtfulColumns"], json::array());
        }
        ++files;
    }
    EXPECT_EQ(files, 13);
}

TEST_F(SidesTest, CardsLyingFaceUpAreReadFromTheirFrontOnlyWhenTheSideIsLeftToTheReader)
{
    const std::vector<std::string> texts{"FIRST CARD 1234", "FACE UP (A+B)*2", "LAST CARD"};
    struct Case
    {
        const char* punch;
        const char* file;
    };
    const Case cases[] = {
        {"-o page.bmp --dpi 150 --per-page 3 --face-up=2", "page-0001.bmp"},
        {"-o turned.png --format png --dpi 300 --angle 33 --per-page 3 --face-up=2 --real",
         "turned-0001.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.punch);
        std::string punch = std::string("punch ") + c.punch;
        for (const std::string& text : texts)
            punch += " '" + text + "'";
        ASSERT_EQ(TestSupport::RunCli(punch), 0);
        int status = -1;
        const json cards = Cards(std::string(c.file) + " --side auto", status);
        EXPECT_EQ(status, 0);
        ASSERT_EQ(cards.size(), texts.size());
        for (std::size_t k = 0; k < texts.size(); ++k) {
            EXPECT_EQ(cards[k].value("text", "").substr(0, texts[k].size()), texts[k]);
            EXPECT_EQ(cards[k].value("side", ""), k == 1 ? "front" : "back");
            EXPECT_EQ(cards[k]["doubtfulColumns"], json::array());
        }
        // Left as the back, the face-up card is refused as it always was.
        const auto plain = TestSupport::Cli(std::string("read ") + c.file + " --all");
        EXPECT_NE(plain.out.find("Edit1 [red]: This card should be scanned again: face up and backside down"),
                  std::string::npos);
        EXPECT_EQ(plain.out.find("read from its front"), std::string::npos);
    }
}

} // namespace
