// korvane-cli read as a batch: folders of good and bad pictures, the order of cards whatever the
// number of workers, timeouts, and runs killed and resumed.
#include "CliRunner.h"
#include "TestSupport.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <ranges>
#include <thread>

namespace {

using TestSupport::RunCli;

namespace fs = std::filesystem;

class BatchCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
        fs::create_directory("box");
        // card2 and card10 test the natural order; the bad files sit between good ones.
        ASSERT_EQ(RunCli("punch -o box/card1.bmp --dpi 100 --angle 0,180 'FIRST 1' 'SECOND 1'"), 0);
        ASSERT_EQ(RunCli("punch -o box/card2.bmp --dpi 100 'THIRD 2'"), 0);
        ASSERT_EQ(RunCli("punch -o box/card10.bmp --dpi 100 --angle 7 'FOURTH 10'"), 0);
        const std::string good = TestSupport::ReadFileText("box/card2.bmp");
        TestSupport::WriteFileText("box/card3-empty.bmp", "");
        TestSupport::WriteFileText("box/card4-truncated.bmp", good.substr(0, good.size() / 2));
        TestSupport::WriteFileText("box/card5-corrupt.bmp", "BM" + std::string(200, '\xff'));
        TestSupport::WriteFileText("box/card6-huge.bmp", "BM" + std::string(16, '\0') + "\xff\xff\xff\x7f" +
                                                             "\xff\xff\xff\x7f" + std::string(40, '\x01'));
        TestSupport::WriteFileText("box/notes.txt", "not a picture");
    }
    TestSupport::ScratchDir dir;
};

} // namespace

TEST_F(BatchCliTest, MixedFolderReadsInOrderWhateverTheWorkers)
{
    RunCli("read box/card1.bmp box/card2.bmp box/card10.bmp --deck single.deck");
    std::string one, two;
    EXPECT_EQ(RunCli("read box -j 1 --jsonl one.jsonl --deck one.deck --summary one.json --quiet", &one), 2);
    EXPECT_EQ(RunCli("read box -j 3 --jsonl two.jsonl --deck two.deck --quiet", &two), 2);
    EXPECT_EQ(one, two);
    EXPECT_NE(one.find("Cards read = 4"), std::string::npos) << one;
    EXPECT_EQ(TestSupport::ReadFileText("one.jsonl"), TestSupport::ReadFileText("two.jsonl"));
    EXPECT_EQ(TestSupport::ReadFileText("one.deck"), TestSupport::ReadFileText("single.deck"));
    EXPECT_EQ(TestSupport::ReadFileText("two.deck"), TestSupport::ReadFileText("single.deck"));
    EXPECT_EQ(TestSupport::ReadFileText("one.deck").substr(0, 9), "FIRST 1  ");

    std::vector<std::string> files;
    for (const auto& line : std::views::split(TestSupport::ReadFileText("one.jsonl"), '\n'))
        if (!line.empty())
            files.push_back(nlohmann::json::parse(std::string(line.begin(), line.end()))["file"]);
    const std::vector<std::string> expected{
        "box/card1.bmp",           "box/card1.bmp",         "box/card2.bmp",      "box/card3-empty.bmp",
        "box/card4-truncated.bmp", "box/card5-corrupt.bmp", "box/card6-huge.bmp", "box/card10.bmp"};
    EXPECT_EQ(files, expected);
    const auto summary = nlohmann::json::parse(TestSupport::ReadFileText("one.json"));
    EXPECT_EQ(summary["pictures"], 7);
    EXPECT_EQ(summary["picturesRead"], 3);
    EXPECT_EQ(summary["cards"], 4);
    EXPECT_EQ(summary["refusedPictures"], 4);
    EXPECT_EQ(summary["exitStatus"], 2);
}

TEST_F(BatchCliTest, GoodPicturesExitZeroAndTimeoutsAreRefusals)
{
    std::string out;
    EXPECT_EQ(RunCli("read box/card1.bmp box/card2.bmp --jsonl ok.jsonl --quiet", &out), 0) << out;
    // Pages of many cards at a high resolution take far longer than the shortest timeout.
    ASSERT_EQ(RunCli("punch -o big1.bmp --dpi 400 A B C D E F"), 0);
    ASSERT_EQ(RunCli("punch -o big2.bmp --dpi 400 G H I J K L"), 0);
    EXPECT_EQ(RunCli("read big1.bmp big2.bmp --timeout 0.000001 --summary t.json --quiet"), 2);
    const auto summary = nlohmann::json::parse(TestSupport::ReadFileText("t.json"));
    EXPECT_EQ(summary["refusedPictures"], 2) << summary.dump();
    EXPECT_EQ(summary["refusals"]["timed out after 0.001 s"], 2) << summary.dump();
    EXPECT_EQ(RunCli("read box --json"), 64);
    EXPECT_EQ(RunCli("read box --resume"), 64);
    EXPECT_EQ(RunCli("read box --jsonl ibmkaart.txt"), 2);
}

TEST_F(BatchCliTest, RunsKilledAtRandomMomentsResumeToTheBytesOfOneRun)
{
    // Enough pictures that a run lasts well past the first kills even on a fast machine (a card
    // reads in about a millisecond).
    for (int i = 0; i < 400; ++i)
        fs::copy_file(i % 2 ? "box/card1.bmp" : "box/card10.bmp", "box/more" + std::to_string(i) + ".bmp");
    const std::vector<std::string> words{"box",    "-j",       "2",         "--jsonl",  "out.jsonl",
                                         "--deck", "out.deck", "--summary", "out.json", "--quiet"};
    std::string args;
    for (const std::string& word : words)
        args += " " + word;
    RunCli("read" + args);
    const std::string jsonl = TestSupport::ReadFileText("out.jsonl");
    const std::string deck = TestSupport::ReadFileText("out.deck");
    fs::remove("out.jsonl");
    fs::remove("out.deck");
    std::vector<std::string> resume{"read"};
    resume.insert(resume.end(), words.begin(), words.end());
    resume.push_back("--resume");
    int killed = 0;
    for (int delayMs : {15, 40, 25, 60, 35, 80}) {
        const pid_t pid = TestSupport::StartCli(resume);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        kill(pid, SIGKILL);
        TestSupport::Wait(pid);
        if (fs::exists("out.jsonl"))
            break; // the run finished before the kill
        ++killed;
    }
    EXPECT_GE(killed, 2) << "the runs ended before they could be killed: too few pictures";
    RunCli("read" + args + " --resume");
    EXPECT_EQ(TestSupport::ReadFileText("out.jsonl"), jsonl);
    EXPECT_EQ(TestSupport::ReadFileText("out.deck"), deck);
}

TEST_F(BatchCliTest, ReviewSavesAnOverlayOfEachCardThatNeedsALook)
{
    // Card 2 of the page has columns 1 and 2 punched in rows no code has.
    std::string raw = "~raw77777777";
    for (int column = 2; column < 80; ++column)
        raw += "0000";
    TestSupport::WriteFileText("in.deck", "GOOD CARD\n" + raw + "\nGOOD AGAIN\n");
    ASSERT_EQ(RunCli("punch -o page.bmp --dpi 150 --deck in.deck"), 0);
    EXPECT_EQ(RunCli("read page.bmp --review looks --quiet"), 1);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator("looks"))
        names.push_back(entry.path().filename().string());
    // The name gives the reasons and the columns to look at.
    ASSERT_EQ(names, std::vector<std::string>{"page.bmp-card2-unknown-columns+doubtful-columns-1-2.png"});
    EXPECT_EQ(TestSupport::ReadFileText("looks/" + names[0]).substr(0, 4), "\x89PNG");

    // A review picture is an extra: one that cannot be saved (a folder in its way) is reported and
    // its card kept; one whose name would be too long for the file system is saved shortened.
    fs::remove("looks/" + names[0]);
    fs::create_directory("looks/" + names[0]);
    const std::string longName = std::string(230, 'p') + ".bmp";
    fs::copy_file("page.bmp", longName);
    for (const std::string& picture : {std::string("page.bmp"), longName}) {
        const TestSupport::CliRun run =
            TestSupport::CliToFiles("read " + picture + " --review looks --jsonl cards.jsonl --quiet");
        EXPECT_EQ(run.status, 1) << run.err;
        const std::string lines = TestSupport::ReadFileText("cards.jsonl");
        EXPECT_EQ(std::ranges::count(lines, '\n'), 3) << picture << ": every card kept\n" << lines;
        EXPECT_EQ(run.err.find("review picture of " + picture + " not saved") != std::string::npos,
                  picture == "page.bmp")
            << run.err;
    }
    std::size_t saved = 0;
    for (const auto& entry : fs::directory_iterator("looks"))
        if (entry.is_regular_file()) {
            const std::string name = entry.path().filename().string();
            EXPECT_LE(name.size(), 255u);
            EXPECT_EQ(name.rfind(std::string(150, 'p'), 0), 0u) << name;
            EXPECT_TRUE(name.ends_with("-card2-unknown-columns+doubtful-columns-1-2.png")) << name;
            ++saved;
        }
    EXPECT_EQ(saved, 1u);
}
