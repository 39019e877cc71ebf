// korvane-cli as a user runs it: exit statuses, the text lines, --json and --overlay.
#include "CliRunner.h"
#include "TestSupport.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>
#include <vector>

namespace {

using TestSupport::Cli;
using TestSupport::CliRun;

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
        ASSERT_EQ(Cli("punch -o two.bmp --dpi 120 --angle 0,180 'FIRST 1' 'SECOND 2'").status, 0);
    }
    TestSupport::ScratchDir dir;
};

std::string Padded(const std::string& text)
{
    return text + std::string(72 - text.size(), ' ');
}

} // namespace

TEST_F(CliTest, AllReadsEveryCardAndExitsZero)
{
    const CliRun run = Cli("read two.bmp --all");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Edit1 [black]: " + Padded("FIRST 1") + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Edit1 [black]: " + Padded("SECOND 2") + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Rendering of PunchCard (1-72):"), std::string::npos);
}

TEST_F(CliTest, JsonGivesTextFitOutlineAndGrid)
{
    const CliRun run = Cli("read two.bmp --all --json");
    ASSERT_EQ(run.status, 0);
    const auto result = nlohmann::json::parse(run.out);
    ASSERT_EQ(result["cards"].size(), 2u);
    const auto& first = result["cards"][0];
    EXPECT_EQ(first["text"], Padded("FIRST 1"));
    EXPECT_TRUE(first["unknownColumns"].empty());
    EXPECT_GT(first["fitQuality"]["last"].get<double>(), first["fitQuality"]["first"].get<double>());
    EXPECT_GT(first["outline"].size(), 4u);
    EXPECT_EQ(first["grid"]["origin"].size(), 2u);
    const double step = std::hypot(first["grid"]["columnStep"][0].get<double>(),
                                   first["grid"]["columnStep"][1].get<double>());
    EXPECT_NEAR(step, 2.225 * 120 / 25.4, 0.1) << "the card model's column pitch in pixels";
    EXPECT_EQ(result["width"].get<int>() > 0, true);
}

TEST_F(CliTest, UnknownColumnExitsOne)
{
    ASSERT_EQ(Cli("punch -o f.bmp --dpi 120 FOX").status, 0);
    // Clear the marks of F in the table: its punches (12 and 6) then match no code.
    std::ifstream in("ibmkaart.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    in.close();
    const auto f = lines.at(11).find('F', 4);
    std::string edited;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        if (n >= 13 && n <= 24)
            lines[n][f] = ' ';
        edited += lines[n] + "\n";
    }
    TestSupport::WriteFileText("ibmkaart.txt", edited);
    const CliRun run = Cli("read f.bmp --all");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("Edit1 [red]: ?OX"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("? = unknown"), std::string::npos);
}

TEST_F(CliTest, RefusalsExitTwo)
{
    EXPECT_EQ(Cli("read missing.bmp").status, 2);
    TestSupport::WriteFileText("junk.bmp", std::string(100, 'x'));
    const CliRun junk = Cli("read junk.bmp --all");
    EXPECT_EQ(junk.status, 2);
    EXPECT_NE(junk.out.find("Edit1 [red]: junk.bmp : Not a proper B/W picture !!"), std::string::npos);
    const CliRun miss = Cli("read two.bmp --at 1,1");
    EXPECT_EQ(miss.status, 2);
    EXPECT_NE(miss.out.find("Edit1 [red]: Now click ON punchcard"), std::string::npos);
    std::filesystem::remove("ibmkaart.txt");
    const CliRun noTable = Cli("read two.bmp --all");
    EXPECT_EQ(noTable.status, 2);
    EXPECT_NE(noTable.out.find("with punchcard specifications: missing"), std::string::npos);
    EXPECT_EQ(Cli("read").status, 64) << "usage";
}

TEST_F(CliTest, OverlayIsSavedAsPng)
{
    ASSERT_EQ(Cli("read two.bmp --all --overlay out.png").status, 0);
    const auto bytes = TestSupport::ReadFileBytes("out.png");
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
}

TEST_F(CliTest, ScannerFilesReadWithThePictureOptions)
{
    ASSERT_EQ(Cli("punch -o grey.png --format png --dpi 150 --angle 2 'GREY 1'").status, 0);
    ASSERT_EQ(Cli("punch -o bare.tiff --format tiff --colour --no-resolution --dpi 200 'BARE 2'").status, 0);
    ASSERT_EQ(Cli("punch -o front.png --format png --dpi 150 --face-up 'FRONT 3'").status, 0);
    ASSERT_EQ(
        Cli("punch -o dim.jpeg --format jpeg --dpi 100 --black-level 55 --card-white 175 --falloff 0.12 "
            "--blur 1 --sensor-noise 2 'DIM 4'")
            .status,
        0);
    const struct
    {
        const char* arguments;
        int status;
        std::vector<std::string> says;
    } cases[] = {
        {"read grey.png --all",
         0,
         {"Format = PNG, 8 bits, grey\n", "Resolution = 150 ppi (from the file)\n",
          "Threshold = ", "Edit1 [black]: " + Padded("GREY 1")}},
        {"read bare.tiff --all --json",
         0,
         {"\"format\": \"TIFF (LZW)\"", "\"source\": \"estimated\"", "\"text\": \"" + Padded("BARE 2")}},
        {"read bare.tiff --all --dpi 200 --json",
         0,
         {"\"source\": \"option\"", "\"pixelsPerMillimetre\": 7.87"}},
        {"read front.png --all --side front",
         0,
         {"Side = front (mirrored)\n", "Edit1 [black]: " + Padded("FRONT 3")}},
        {"read front.png --all", 2, {"face up"}},
        {"read dim.jpeg --all --binarize sauvola", 0, {"(sauvola)\n", "Edit1 [black]: " + Padded("DIM 4")}},
        {"read dim.jpeg --all --threshold 110", 0, {"Threshold = 110 (fixed)\n"}},
        {"read grey.png --threshold 300", 64, {}},
        {"read grey.png --threshold 100 --binarize sauvola", 64, {}},
        // A 1-bit BMP file keeps its loader and header report.
        {"read two.bmp --all", 0, {"Horizontal Resolution = 4724\n"}},
    };
    for (const auto& c : cases) {
        const CliRun run = Cli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.out;
        for (const auto& text : c.says)
            EXPECT_NE(run.out.find(text), std::string::npos) << c.arguments << ": " << text << "\n"
                                                             << run.out;
        if (std::string(c.arguments).starts_with("read two.bmp")) {
            EXPECT_EQ(run.out.find("Format = "), std::string::npos);
        }
    }
}
