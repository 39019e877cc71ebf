#include "PunchCommand.h"

#include "BmpLoad.h"
#include "ReadScan.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

using namespace Cli;

// ---- The command -----------------------------------------------------------------------------

namespace {

struct PunchRun
{
    int status = 0;
    std::string err;
};

PunchRun PunchWith(PunchOptions options)
{
    std::ostringstream err;
    const int status = RunPunch(options, err);
    return {status, err.str()};
}

PunchOptions CardsToPunch(std::vector<std::string> texts, const std::string& output = "out.bmp")
{
    PunchOptions options;
    options.output = output;
    options.texts = std::move(texts);
    return options;
}

} // namespace

TEST(PunchCommandTest, WritesAPictureTheLoaderAccepts)
{
    TestSupport::ScratchDir dir;
    std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), dir.File("ibmkaart.txt"));
    auto options = CardsToPunch({"LINE ONE"});
    TestSupport::WriteFileText(dir.File("cards.txt"), "CARD TWO\r\nCARD THREE\n");
    options.file = "cards.txt";
    options.angles = {0.0, 2.0, 180.0};
    options.dpi = 150.0;
    const auto run = PunchWith(options);
    ASSERT_EQ(run.status, 0) << run.err;

    TestSupport::CapturedPlatform platform;
    BMPunit::BmpFile file;
    ASSERT_TRUE(BMPunit::LoadBitmapFile(file, "out.bmp", platform.console));
    ASSERT_TRUE(BMPunit::CheckBitmapHeader(file, platform.console));
    EXPECT_DOUBLE_EQ(file.PixelsPerMillimetre, 5.906); // round(150 / 0.0254) per metre
    const auto& bytes = file.BitmapBytes;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 38, bytes.begin() + 42),
              std::vector<std::uint8_t>(bytes.begin() + 42, bytes.begin() + 46));
}

TEST(PunchCommandTest, SameArgumentsSameBytesAndTheTableDecides)
{
    TestSupport::ScratchDir dir;
    std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), dir.File("ibmkaart.txt"));
    auto options = CardsToPunch({"SEED", "SAME"}, "a.bmp");
    options.noise = 0.002;
    options.seed = 42;
    options.angles = {1.5, -3.0};
    ASSERT_EQ(PunchWith(options).status, 0);
    options.output = "b.bmp";
    ASSERT_EQ(PunchWith(options).status, 0);
    options.output = "c.bmp";
    options.seed = 43;
    ASSERT_EQ(PunchWith(options).status, 0);
    EXPECT_EQ(TestSupport::ReadFileBytes("a.bmp"), TestSupport::ReadFileBytes("b.bmp"));
    EXPECT_NE(TestSupport::ReadFileBytes("a.bmp"), TestSupport::ReadFileBytes("c.bmp"));

    // With A and B swapped in the table, "A" is punched as the original table punches "B".
    ASSERT_EQ(PunchWith(CardsToPunch({"B"}, "b-original.bmp")).status, 0);
    auto lines = TestSupport::ReadFileLines(TestSupport::SourcePath("ibmkaart.txt"));
    std::swap(lines[11][4 + 11], lines[11][4 + 12]);
    ASSERT_EQ(lines[11].substr(15, 2), "BA");
    std::string edited;
    for (const auto& line : lines)
        edited += line + "\n";
    TestSupport::WriteFileText("ibmkaart.txt", edited);
    ASSERT_EQ(PunchWith(CardsToPunch({"A"}, "a-edited.bmp")).status, 0);
    EXPECT_EQ(TestSupport::ReadFileBytes("a-edited.bmp"), TestSupport::ReadFileBytes("b-original.bmp"));
}

TEST(PunchCommandTest, RefusalsSayWhatIsWrongAndWriteNothing)
{
    TestSupport::ScratchDir dir;
    auto refused = [](const PunchOptions& options, const std::string& message) {
        const auto run = PunchWith(options);
        EXPECT_EQ(run.status, kRefused);
        EXPECT_EQ(run.err, "korvane-cli: " + message + "\n");
        EXPECT_FALSE(std::filesystem::exists(options.output));
    };
    refused(CardsToPunch({"TEXT"}),
            "ibmkaart.txt: missing; the card code table must lie in the current directory");
    std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), dir.File("ibmkaart.txt"));
    refused(CardsToPunch({"GOOD", "BAD?"}), "card 2: column 4: '?' has no code in ibmkaart.txt");
    refused(CardsToPunch({}), "no cards to punch: give TEXT arguments or --file");
    auto options = CardsToPunch({"ONE", "TWO", "THREE"});
    options.angles = {0.0, 90.0};
    refused(options, "--angle: 2 angles for 3 cards; give one for all or one per card");
    options = CardsToPunch({"BIG"});
    options.noise = 0.5;
    refused(options, "--noise: give a fraction from 0 to 0.1; more leaves no room for isolated specks");
    options = CardsToPunch({"MANY", "MANY", "MANY", "MANY", "MANY", "MANY", "MANY", "MANY", "MANY"});
    options.dpi = 2400.0;
    refused(options,
            "a page of 18804 x 76252 pixels is larger than a scan may be; lower --dpi or punch fewer cards");
}
