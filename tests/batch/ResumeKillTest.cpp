// A batch killed with SIGKILL at random moments and resumed each time must end with exactly the
// outputs of one uninterrupted run. The batch runs in a child process (the fake reader program),
// so the kill is real.
#include "CliRunner.h"
#include "TestSupport.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <thread>

using TestSupport::ReadFileText;
using TestSupport::ScratchDir;
using TestSupport::WriteFileText;

namespace {

std::vector<std::string> Args(const std::string& out, bool resume)
{
    std::vector<std::string> args{
        "read",        "--files-from",  "list.txt", "--jsonl",   out + ".jsonl", "--deck",
        out + ".deck", "--deck-format", "text",     "--summary", out + ".json",  "-j",
        "3",           "--timeout",     "0.05",     "--quiet"};
    if (resume)
        args.push_back("--resume");
    return args;
}

// 60 fake pictures of 0 to 3 cards, some refused, failing or too slow, each taking 10 to 40 ms.
void MakePictures(std::mt19937& random)
{
    std::string list;
    for (int i = 1; i <= 60; ++i) {
        const std::string name = "box/card" + std::to_string(i) + ".bmp";
        std::string text = i % 13 == 0   ? "refuse Not a bitmap file\n"
                           : i % 17 == 0 ? "throw Truncated file\n"
                           : i == 29     ? "spin\n"
                                         : "cards\n";
        text += "delay " + std::to_string(10 + random() % 31) + "\n";
        for (int card = 0; card < i % 4; ++card)
            text += std::string(i % 7 == 0 ? "?" : "") + (i % 11 == 0 ? "!" : "") + "CARD " +
                    std::to_string(i) + "." + std::to_string(card) + "\n";
        WriteFileText(name, text);
        list += name + "\n";
    }
    WriteFileText("list.txt", list);
}

} // namespace

TEST(ResumeKillTest, KilledRunsResumedGiveTheBytesOfOneCleanRun)
{
    ScratchDir scratch;
    std::filesystem::create_directories("box");
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    MakePictures(random);

    const int cleanStatus =
        TestSupport::Wait(TestSupport::Start(KORVANE_BATCH_FAKE, Args("clean", false), "clean.out"));
    ASSERT_TRUE(WIFEXITED(cleanStatus));
    EXPECT_EQ(WEXITSTATUS(cleanStatus), 2); // refused pictures
    const std::string cleanLines = ReadFileText("clean.jsonl");
    const std::string cleanDeck = ReadFileText("clean.deck");
    const std::string cleanSummary = ReadFileText("clean.json");
    ASSERT_NE(cleanLines.find("\"refused\":\"timed out after 0.05 s\""), std::string::npos);

    int killed = 0;
    std::size_t previousSize = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const pid_t pid = TestSupport::Start(KORVANE_BATCH_FAKE, Args("out", true), "out.out");
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + random() % 91));
        kill(pid, SIGKILL);
        const int status = TestSupport::Wait(pid);
        killed += WIFSIGNALED(status);
        // Whole-file outputs are there complete or not at all; the lines only ever grow.
        for (const auto& [file, clean] : {std::pair{"out.deck", cleanDeck}, {"out.json", cleanSummary}}) {
            if (std::filesystem::exists(file)) {
                EXPECT_EQ(ReadFileText(file), clean);
            }
        }
        const std::string part = std::filesystem::exists("out.jsonl.part") ? "out.jsonl.part" : "out.jsonl";
        if (std::filesystem::exists(part)) {
            const std::string lines = ReadFileText(part);
            EXPECT_GE(lines.size(), previousSize);
            previousSize = lines.size();
        }
    }
    EXPECT_GE(killed, 4) << "most runs should have been stopped half-way";

    const int finalStatus =
        TestSupport::Wait(TestSupport::Start(KORVANE_BATCH_FAKE, Args("out", true), "out.out"));
    ASSERT_TRUE(WIFEXITED(finalStatus));
    EXPECT_EQ(WEXITSTATUS(finalStatus), WEXITSTATUS(cleanStatus));
    EXPECT_EQ(ReadFileText("out.jsonl"), cleanLines);
    EXPECT_EQ(ReadFileText("out.deck"), cleanDeck);
    EXPECT_EQ(ReadFileText("out.json"), cleanSummary);
    EXPECT_EQ(ReadFileText("out.out"), ReadFileText("clean.out")); // the summary lines
    EXPECT_FALSE(std::filesystem::exists("out.jsonl.part"));
}
