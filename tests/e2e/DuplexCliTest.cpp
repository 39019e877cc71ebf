// korvane-cli read --duplex: the real duplex pairs and punched pairs with one side damaged read as
// one card per pair, every card exact or its wrong columns flagged; an odd picture refused, a
// resumed run the same as a whole one, review pictures of both sides.
#include "CliRunner.h"
#include "Duplex.h"
#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

using nlohmann::json;
using TestSupport::CliToFiles;
using TestSupport::ReadFileLines;
using TestSupport::ReadFileText;
using TestSupport::RunCli;
namespace fs = std::filesystem;

class DuplexCliTest : public ::testing::Test
{
protected:
    void SetUp() override { fs::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt"); }
    TestSupport::ScratchDir dir;
};

std::vector<json> Records(const std::string& journal)
{
    std::vector<json> records;
    for (const std::string& line : ReadFileLines(journal))
        records.push_back(json::parse(line));
    return records;
}

// Every column of a record that differs from `expected` is flagged doubtful or unknown.
std::vector<int> UnflaggedWrongColumns(const json& record, const std::string& expected)
{
    std::vector<int> flagged = record.value("unknownColumns", std::vector<int>());
    for (const json& doubt : record["doubtfulColumns"])
        flagged.push_back(doubt["column"].get<int>());
    const std::string text = record["text80"].get<std::string>();
    std::vector<int> wrong;
    for (int column = 1; column <= 80; ++column)
        if (text[std::size_t(column - 1)] != expected[std::size_t(column - 1)] &&
            std::find(flagged.begin(), flagged.end(), column) == flagged.end())
            wrong.push_back(column);
    return wrong;
}

} // namespace

TEST_F(DuplexCliTest, RealPairsReadAsOneCardEach)
{
    std::map<std::string, std::string> expected;
    std::ifstream tsv(TestSupport::SourcePath("tests/data/real-scans/sides.tsv"));
    for (std::string line; std::getline(tsv, line);)
        expected[line.substr(0, line.find('\t'))] = line.substr(line.find('\t') + 1);
    const std::string real = TestSupport::SourcePath("tests/data/real-scans/");
    std::string list = real + "florida-example_02-back.png " + real + "florida-example_02-front.png";
    for (int k = 0; k < 10; k += 2)
        list += " " + real + "nara-C04D01L-" + std::to_string(k) + "-back.png " + real + "nara-C04D01L-" +
                std::to_string(k + 1) + "-front.png";
    const auto run = CliToFiles("read --duplex back-first " + list + " --jsonl pairs.jsonl --deck pairs.txt");
    ASSERT_LE(run.status, 1) << run.err;
    const std::vector<json> records = Records("pairs.jsonl");
    ASSERT_EQ(records.size(), 6u);
    for (const json& record : records) {
        const std::string back = fs::path(record["duplex"]["back"].get<std::string>()).filename();
        ASSERT_TRUE(expected.contains(back)) << back;
        EXPECT_EQ(record["text80"], expected[back]) << back;
        EXPECT_EQ(record["duplex"]["sides"], "both") << back;
        EXPECT_EQ(record["file"], record["duplex"]["back"]);
    }
    EXPECT_EQ(ReadFileLines("pairs.txt").size(), 6u);
    EXPECT_NE(run.out.find("Cards whose sides agree = "), std::string::npos) << run.out;
}

TEST_F(DuplexCliTest, DamagedSidesNeverGiveAnUnflaggedWrongColumn)
{
    std::ofstream lines("cards.txt");
    std::vector<std::string> texts;
    for (int k = 1; k <= 16; ++k) {
        texts.push_back("CARD " + std::to_string(k) + " PAIRS READ AS ONE, " + std::to_string(k * 97) +
                        " (X)");
        lines << texts.back() << "\n";
    }
    lines.close();
    fs::create_directory("box");
    ASSERT_EQ(RunCli("punch -o box/c.png --dpi 150 --front --file cards.txt --duplex --damage-front 0.3 "
                     "--damage-back 0.3 --seed 5"),
              0);
    // An odd picture at the end is refused; the rest read.
    ASSERT_EQ(RunCli("punch -o box/z-odd.png --dpi 150 ODD"), 0);
    const auto run = CliToFiles("read --duplex front-first box --jsonl box.jsonl --deck box.txt -j 2 --quiet "
                                "--review review");
    EXPECT_EQ(run.status, 2) << run.err;
    const std::vector<json> records = Records("box.jsonl");
    ASSERT_EQ(records.size(), texts.size() + 1);
    std::size_t agree = 0;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        std::string expected = texts[k];
        expected.resize(80, ' ');
        EXPECT_EQ(UnflaggedWrongColumns(records[k], expected), std::vector<int>()) << k + 1;
        EXPECT_TRUE(records[k]["duplex"]["front"].get<std::string>().ends_with("-a-front.png"));
        EXPECT_TRUE(records[k]["duplex"]["back"].get<std::string>().ends_with("-b-back.png"));
        agree += records[k]["duplex"]["disagree"].empty();
    }
    EXPECT_EQ(records.back()["refused"],
              "no other side: --duplex reads pictures in pairs and this is the last of an odd number");
    EXPECT_EQ(ReadFileLines("box.txt").size(), texts.size());
    EXPECT_NE(run.out.find("Cards whose sides agree = " + std::to_string(agree)), std::string::npos)
        << run.out;
    // A card that needs a look is saved under the name of its pair's first picture.
    for (const auto& entry : fs::directory_iterator("review"))
        EXPECT_NE(entry.path().string().find("-a-front.png-card1-"), std::string::npos) << entry.path();

    // A run cut after its first pairs and resumed ends with the same bytes.
    const std::string whole = ReadFileText("box.jsonl");
    std::size_t cut = 0;
    for (int line = 0; line < 5; ++line)
        cut = whole.find('\n', cut) + 1;
    TestSupport::WriteFileText("box.jsonl.part", whole.substr(0, cut + 17));
    fs::remove("box.jsonl");
    EXPECT_EQ(RunCli("read --duplex front-first box --jsonl box.jsonl --resume --quiet"), 2);
    EXPECT_EQ(ReadFileText("box.jsonl"), whole);
}

// Without --jsonl each physical card is one line before the summary: the pair's files and the fused
// text, black when the sides agree, red with the disagreeing columns named when not; an odd picture
// is a red line of its own.
TEST_F(DuplexCliTest, PlainReadPrintsALinePerCard)
{
    const auto punched = CliToFiles("punch -o c.png --format png --dpi 150 --duplex --per-page 2 "
                                    "--damage-back 0.5 --seed 1 ONE TWO 'THREE 3' 'FOUR 4'");
    ASSERT_EQ(punched.status, 0) << punched.err;
    ASSERT_EQ(RunCli("punch -o c-z.png --dpi 150 ODD"), 0);
    // "damage: card K back column C row R covered" names the one damaged column of each damaged card
    // (seed 1 covers a hole of cards 1 and 3).
    std::map<int, int> damaged;
    std::istringstream damage(punched.err);
    for (std::string line; std::getline(damage, line);) {
        int card = 0, column = 0;
        if (std::sscanf(line.c_str(), "damage: card %d back column %d", &card, &column) == 2)
            damaged[card] = column;
    }
    ASSERT_FALSE(damaged.empty()) << punched.err;
    const auto run = CliToFiles("read --duplex front-first c-0001-a-front.png c-0001-b-back.png "
                                "c-0002-a-front.png c-0002-b-back.png c-z.png --quiet");
    EXPECT_EQ(run.status, 2) << run.err;
    std::vector<std::string> lines;
    std::istringstream out(run.out);
    for (std::string line; std::getline(out, line) && line.find(" = ") == std::string::npos;)
        lines.push_back(line);
    const char* texts[] = {"ONE", "TWO", "THREE 3", "FOUR 4"};
    ASSERT_EQ(lines.size(), 5u) << run.out;
    for (int card = 1; card <= 4; ++card) {
        std::string text = texts[card - 1];
        text.resize(72, ' ');
        const std::string page = card <= 2 ? "0001" : "0002";
        const std::string files = "c-" + page + "-a-front.png + c-" + page + "-b-back.png";
        const std::string disagree =
            damaged.contains(card) ? "  (sides disagree: " + std::to_string(damaged[card]) + ")" : "";
        std::string line = lines[std::size_t(card - 1)];
        // Where the sides disagree the firmer side decides: a speck may win its column, flagged.
        if (const auto column = damaged.find(card); column != damaged.end()) {
            const std::size_t at =
                files.size() + std::string(" [red]: ").size() + std::size_t(column->second - 1);
            if (at < line.size())
                line[at] = text[std::size_t(column->second - 1)];
        }
        EXPECT_EQ(line, files + (disagree.empty() ? " [black]: " : " [red]: ") + text + disagree);
    }
    EXPECT_EQ(lines[4], "c-z.png [red]: " + std::string(Cli::kNoOtherSide));
    EXPECT_NE(run.out.find("Cards whose sides agree = "), std::string::npos) << run.out;
}
