// Cards lying face up and cards without a cut corner, punched beside ordinary cards on one page:
// the face-up card is refused, the uncut card is read in the half turn its punches make likely (in
// red) or reported uncertain, and the ordinary card still reads exactly, at every resolution and
// angle.
#include "CliRunner.h"
#include "TestSupport.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/wait.h>

namespace {

using TestSupport::Cli;
using TestSupport::CliRun;

std::string Padded(const std::string& text)
{
    return text + std::string(72 - text.size(), ' ');
}

class OrientationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
    }
    TestSupport::ScratchDir dir;
};

struct PageCase
{
    const char* dpi;
    const char* angle;
    const char* noise;
    bool real;
    const char* rough; // --rough-edges: worn edges, where only the verdicts and texts are bounded
    const char* seed;
};

} // namespace

TEST_F(OrientationTest, FaceUpRefusedAndUncutReadFromPunchesBesideOrdinaryCards)
{
    const PageCase cases[] = {{"100", "0", "0", false, "0", "1"},
                              {"150", "90", "0.05", true, "0", "1"},
                              {"200", "180", "0", false, "0", "1"},
                              {"300", "270", "0", true, "0", "1"},
                              {"600", "7", "0.02", false, "0", "1"},
                              {"200", "-33", "0.05", true, "0", "1"},
                              {"120", "133", "0", false, "0", "1"},
                              // Worn edges and heavy specks, where the cut's edge lead fell to 1.30 to 1.44
                              // and the ordinary or the face-up card was taken for an uncut one.
                              {"100", "74", "0.1", false, "0.8", "2"},
                              {"150", "74", "0.1", false, "0.8", "2"},
                              {"300", "37", "0.1", true, "0.8", "1"},
                              {"300", "74", "0.1", true, "0.8", "2"}};
    for (const PageCase& c : cases) {
        SCOPED_TRACE(std::string("dpi ") + c.dpi + ", angle " + c.angle + ", noise " + c.noise +
                     (c.real ? ", real card" : ", model card") + ", rough edges " + c.rough + ", seed " +
                     c.seed);
        const std::string punch =
            std::string("punch -o page.bmp --dpi ") + c.dpi + " --noise " + c.noise + " --rough-edges " +
            c.rough + " --seed " + c.seed + (c.real ? " --real" : "") + " --angle " + c.angle + "," +
            c.angle + "," + c.angle + " --face-up=2 --no-cut=3 'ORDINARY 42' 'FACE UP CARD' 'NO CUT CARD'";
        ASSERT_EQ(Cli(punch).status, 0);
        const CliRun run = Cli("read page.bmp --all --json");
        EXPECT_EQ(run.status, 2); // the face-up card is refused
        const auto result = nlohmann::json::parse(run.out);
        ASSERT_EQ(result["cards"].size(), 3u);
        std::map<std::string, nlohmann::json> byVerdict;
        for (const auto& card : result["cards"])
            byVerdict[card["orientation"]["verdict"].get<std::string>()] = card;
        ASSERT_EQ(byVerdict.size(), 3u) << run.out;
        EXPECT_EQ(byVerdict["settled"]["text"], Padded("ORDINARY 42"));
        EXPECT_EQ(byVerdict["face-up"]["message"],
                  "This card should be scanned again: face up and backside down");
        EXPECT_FALSE(byVerdict["face-up"].contains("text"));
        EXPECT_EQ(byVerdict["from-punches"]["text"], Padded("NO CUT CARD"));
        if (std::string(c.rough) != "0")
            continue;
        for (const char* verdict : {"settled", "face-up"}) {
            EXPECT_GE(byVerdict[verdict]["orientation"]["score"].get<double>(), 0.4);
            EXPECT_LE(byVerdict[verdict]["orientation"]["alternative"].get<double>(), 0.25);
        }
        EXPECT_LE(byVerdict["from-punches"]["orientation"]["score"].get<double>(), 0.25);
    }
}

TEST_F(OrientationTest, ConsoleAndExitStatusOfCardsWithoutCutCorner)
{
    struct Case
    {
        const char* text;
        const char* angle;
        const char* line; // the text line korvane-cli prints
        const char* console;
        int status;
    };
    const Case cases[] = {
        {"UPSIDE DOWN WITHOUT CUT", "180", "Edit1 [red]: UPSIDE DOWN WITHOUT CUT",
         "Orientation taken from the punches: this card has no cut corner", 1},
        {"LETTERS READ THE RIGHT WAY", "0", "Edit1 [red]: LETTERS READ THE RIGHT WAY",
         "Orientation taken from the punches: this card has no cut corner", 1},
        // Digits read as digits both ways up: the punches do not decide.
        {"1234", "0", "Edit1 [red]: Orientation of this card is uncertain",
         "Orientation of this card is uncertain", 1},
        // A blank card reads the same every way up, mirrored too: its text is sure, so it is read in
        // black.
        {"", "90",
         "Edit1 [black]:                                                                         \n",
         "Orientation does not matter: this card reads the same every way up", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(
            Cli(std::string("punch -o uncut.bmp --no-cut --dpi 150 --angle ") + c.angle + " '" + c.text + "'")
                .status,
            0);
        const CliRun run = Cli("read uncut.bmp --all");
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.out.find(std::string(c.line)), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(std::string(c.console) + "\n"), std::string::npos) << run.out;
    }
}

TEST_F(OrientationTest, PunchBoundsItsNumbersAndCardLists)
{
    // A huge angle is reduced modulo 360 before any arithmetic: the page equals that of the
    // reduced angle.
    ASSERT_EQ(Cli("punch -o huge.bmp --angle 1e308 HUGE").status, 0);
    const double reduced = std::fmod(1e308, 360.0);
    char angle[64];
    std::snprintf(angle, sizeof angle, "%.17g", reduced);
    ASSERT_EQ(Cli(std::string("punch -o reduced.bmp --angle ") + angle + " HUGE").status, 0);
    EXPECT_EQ(TestSupport::ReadFileBytes("huge.bmp"), TestSupport::ReadFileBytes("reduced.bmp"));
    EXPECT_EQ(Cli("punch -o x.bmp --angle -1e308 X").status, 0);
    for (const char* list :
         {"--face-up=2", "--face-up=0", "--no-cut=1,x", "--no-cut=-1", "--face-up=99999999999"})
        EXPECT_EQ(Cli(std::string("punch -o x.bmp ") + list + " ONE").status, 2) << list;
}
