// Cards whose holes invite the grid fit to collapse onto them: the fit keeps a grid of the card's
// own pitch and reports a quality of at most 100 %.
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
#include <string>
#include <vector>

namespace {

using TestSupport::Cli;
using TestSupport::CliRun;

// The code table with '"' (its last code) punched in all twelve rows: a lace column.
void WriteLaceTable(const std::string& fileName)
{
    std::istringstream in(TestSupport::ReadFileText(TestSupport::SourcePath("ibmkaart.txt")));
    std::ofstream out(fileName);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        if (++number >= 14 && number <= 25) {
            line.resize(std::max<std::size_t>(line.size(), 66), ' ');
            line[65] = 'O';
        }
        out << line << "\n";
    }
}

} // namespace

TEST(CollapsedFitTest, FitKeepsTheCardsPitch)
{
    TestSupport::ScratchDir dir;
    std::filesystem::create_directory("lace");
    WriteLaceTable("lace/ibmkaart.txt");
    std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
    ASSERT_EQ(Cli("punch --code lace/ibmkaart.txt -o lace.bmp 'AB\"CD'").status, 0);
    ASSERT_EQ(Cli("punch --code lace/ibmkaart.txt -o lace-only.bmp '\"'").status, 0);
    ASSERT_EQ(Cli("punch -o column80.bmp '" + std::string(79, ' ') + "X'").status, 0);

    struct Case
    {
        const char* scan;
        int status;
        std::string text;
    };
    const Case cases[] = {{"lace.bmp", 1, "AB?CD"}, {"lace-only.bmp", 1, "?"}, {"column80.bmp", 0, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scan);
        const CliRun run = Cli(std::string("read ") + c.scan + " --all --json");
        EXPECT_EQ(run.status, c.status);
        const auto result = nlohmann::json::parse(run.out);
        ASSERT_EQ(result["cards"].size(), 1u);
        const auto& card = result["cards"][0];
        EXPECT_EQ(card["text"], c.text + std::string(72 - c.text.size(), ' '));
        if (!card["fitQuality"]["last"].is_null()) {
            EXPECT_LE(card["fitQuality"]["last"].get<double>(), 100.0);
        }
        const double ppm = result["pixelsPerMillimetre"];
        const auto length = [](const nlohmann::json& v) {
            return std::hypot(v[0].get<double>(), v[1].get<double>());
        };
        EXPECT_NEAR(length(card["grid"]["columnStep"]) / (2.225 * ppm), 1.0, 0.1);
        EXPECT_NEAR(length(card["grid"]["rowStep"]) / (6.315 * ppm), 1.0, 0.1);
    }
}
