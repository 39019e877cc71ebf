#include "Batch.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace Batch;
using nlohmann::json;
using TestSupport::ReadFileText;
using TestSupport::ScratchDir;
using TestSupport::WriteFileText;

namespace {

// The pictures of the tests below: cards with and without review flags, no card, refusals.
std::vector<std::pair<std::string, PictureOutcome>> Pictures()
{
    PictureOutcome two;
    two.cards.push_back(CardRecord{{{"text", "      DO 10 I = 1, 100"}, {"fit", 96.7}}, {}});
    two.cards.push_back(CardRecord{{{"text", "A?C"}, {"unknownColumns", {2}}}, {true, false, true, {}}});
    PictureOutcome unsettled;
    unsettled.cards.push_back(CardRecord{json::object(), {false, true, false, {}}});
    return {{"box/card1.bmp", two},
            {"box/card2.bmp", PictureOutcome{}},
            {"box/card3.bmp", PictureOutcome::Refusal("Not a bitmap file")},
            {"box/\"odd\" name\xff.bmp", unsettled},
            {"box/card10.bmp", PictureOutcome::Refusal("timed out after 5 s")}};
}

std::vector<std::string> Files()
{
    std::vector<std::string> files;
    for (const auto& [file, outcome] : Pictures())
        files.push_back(file);
    return files;
}

// Runs the pictures from `from` on through a journal and finishes it; returns what the held
// pictures were, as lines again.
std::string Continue(const std::string& out, bool resume, std::size_t& held)
{
    std::string heldLines;
    const auto files = Files();
    JournalStart start =
        JsonlJournal::Start(out, files, resume, [&](std::size_t index, PictureOutcome&& outcome) {
            heldLines += FormatPictureLines(files[index], outcome);
        });
    EXPECT_TRUE(start.ok) << start.message;
    held = start.held;
    const auto pictures = Pictures();
    for (std::size_t i = held; i < pictures.size(); ++i)
        start.journal->Append(pictures[i].first, pictures[i].second);
    start.journal->Finish();
    return heldLines;
}

} // namespace

TEST(JournalTest, EachPictureIsOneGroupOfLines)
{
    std::string all;
    for (const auto& [file, outcome] : Pictures())
        all += FormatPictureLines(file, outcome);
    EXPECT_EQ(all,
              "{\"file\":\"box/card1.bmp\",\"card\":1,\"cards\":2,\"fit\":96.7,\"text\":\"      DO 10 I = 1, "
              "100\"}\n"
              "{\"file\":\"box/card1.bmp\",\"card\":2,\"cards\":2,\"review\":[\"unknown columns\",\"low fit "
              "quality\"],\"text\":\"A?C\",\"unknownColumns\":[2]}\n"
              "{\"file\":\"box/card2.bmp\",\"cards\":0}\n"
              "{\"file\":\"box/card3.bmp\",\"refused\":\"Not a bitmap file\"}\n"
              "{\"file\":\"box/\\\"odd\\\" "
              "name\xEF\xBF\xBD.bmp\",\"card\":1,\"cards\":1,\"review\":[\"orientation not "
              "settled\"]}\n"
              "{\"file\":\"box/card10.bmp\",\"refused\":\"timed out after 5 s\"}\n");

    for (const json& bad : {json::array(), json{{"file", "x"}}, json{{"card", 1}}, json{{"review", 1}},
                            json{{"refused", "x"}}, json{{"cards", 2}}}) {
        PictureOutcome outcome;
        outcome.cards.push_back(CardRecord{bad, {}});
        EXPECT_THROW(FormatPictureLines("a.bmp", outcome), std::invalid_argument) << bad.dump();
    }
}

TEST(JournalTest, ResumingAfterATornEndGivesTheWholeOutput)
{
    ScratchDir scratch;
    std::size_t held = 0;
    Continue("clean.jsonl", false, held);
    const std::string clean = ReadFileText("clean.jsonl");
    EXPECT_FALSE(std::filesystem::exists(PartialName("clean.jsonl")));

    // Cuts at and around every line end (a torn line, a torn group, a whole group) and at every
    // 11th byte between, each as it is and followed by the zeros a power loss can leave behind.
    std::vector<std::size_t> cuts;
    for (std::size_t cut = 0; cut <= clean.size(); ++cut) {
        const std::size_t lineEnd = clean.find('\n', cut >= 2 ? cut - 2 : 0);
        if (cut % 11 == 0 || cut == clean.size() || (lineEnd != std::string::npos && lineEnd <= cut + 2))
            cuts.push_back(cut);
    }
    for (const std::string& tail : {std::string(), std::string(7, '\0')}) {
        for (std::size_t cut : cuts) {
            const std::string partial = clean.substr(0, cut) + tail;
            WriteFileText(PartialName("out.jsonl"), partial);
            const std::string heldLines = Continue("out.jsonl", true, held);
            ASSERT_EQ(ReadFileText("out.jsonl"), clean) << "cut at " << cut;
            // What was held is exactly the complete groups of the prefix, rebuilt to the same lines.
            EXPECT_EQ(clean.substr(0, heldLines.size()), heldLines);
            EXPECT_LE(heldLines.size(), cut);
            EXPECT_EQ(held == Files().size(), cut == clean.size());
        }
    }
    // A finished output is taken up as well, and a run without --resume starts afresh.
    EXPECT_EQ(Continue("out.jsonl", true, held), clean);
    EXPECT_EQ(held, Files().size());
    WriteFileText(PartialName("out.jsonl"), clean.substr(0, 150));
    EXPECT_EQ(Continue("out.jsonl", false, held), "");
    EXPECT_EQ(held, 0u);
    EXPECT_EQ(ReadFileText("out.jsonl"), clean);
}

TEST(JournalTest, AnOutputOfAnotherListIsRefusedAndLeftAlone)
{
    ScratchDir scratch;
    std::size_t held = 0;
    Continue("out.jsonl", false, held);
    const std::string clean = ReadFileText("out.jsonl");
    const std::vector<std::vector<std::string>> otherLists{
        {"box/card1.bmp", "box/card3.bmp"},                               // second picture differs
        {"box/card1.bmp", "box/card2.bmp"},                               // shorter than the output
        {"card1.bmp", "box/card2.bmp", "box/card3.bmp", "box/card4.bmp"}, // other spelling of a path
    };
    const std::vector<std::string> messages{
        "out.jsonl: picture 2 of the output is box/card2.bmp but the list of this run has box/card3.bmp; "
        "resume with the same list",
        "out.jsonl: holds more pictures than the list of this run; resume with the same list",
        "out.jsonl: picture 1 of the output is box/card1.bmp but the list of this run has card1.bmp; resume "
        "with "
        "the same list"};
    for (std::size_t i = 0; i < otherLists.size(); ++i) {
        JournalStart start =
            JsonlJournal::Start("out.jsonl", otherLists[i], true, [](std::size_t, PictureOutcome&&) {});
        EXPECT_FALSE(start.ok);
        EXPECT_EQ(start.message, messages[i]);
        EXPECT_EQ(ReadFileText("out.jsonl"), clean);
        EXPECT_FALSE(std::filesystem::exists(PartialName("out.jsonl")));
    }

    // Files that are no batch's output at all: a deck in JSON lines, text without a line end, a
    // binary deck whose first card is blank (zeros, as a power loss leaves, but more follows).
    const std::pair<const char*, std::string> foreign[] = {
        {"deck.jsonl", "{\"card\":1,\"punches\":[\"0\"]}\n{\"card\":2,\"punches\":[\"0\"]}\n"},
        {"notes.txt", "some notes"},
        {"deck.bin", std::string(160, '\0') + "\x82\x80"},
    };
    for (const auto& [name, content] : foreign) {
        WriteFileText(name, content);
        JournalStart start = JsonlJournal::Start(name, Files(), true, [](std::size_t, PictureOutcome&&) {});
        EXPECT_FALSE(start.ok) << name;
        EXPECT_EQ(start.message, std::string(name) +
                                     ": is not the JSON lines output of a batch (line 1 is none of its "
                                     "lines); nothing was changed");
        EXPECT_EQ(ReadFileText(name), content);
        EXPECT_FALSE(std::filesystem::exists(PartialName(name)));
    }

    // A second run on an output being written is refused at once; the first finishes unmixed.
    JournalStart first =
        JsonlJournal::Start("out.jsonl", Files(), false, [](std::size_t, PictureOutcome&&) {});
    ASSERT_TRUE(first.ok) << first.message;
    for (const bool resume : {false, true}) {
        JournalStart second =
            JsonlJournal::Start("out.jsonl", Files(), resume, [](std::size_t, PictureOutcome&&) {});
        EXPECT_FALSE(second.ok);
        EXPECT_EQ(second.message,
                  "out.jsonl: another batch is writing this output now (out.jsonl.part is locked)");
    }
    for (const auto& [file, outcome] : Pictures())
        first.journal->Append(file, outcome);
    first.journal->Finish();
    EXPECT_EQ(ReadFileText("out.jsonl"), clean);
}

TEST(JournalTest, WholeFilesReplaceTheOldOneOrLeaveItAlone)
{
    ScratchDir scratch;
    WriteFileText("deck.txt", "old\n");
    WriteFileWhole("deck.txt", "new\n");
    EXPECT_EQ(ReadFileText("deck.txt"), "new\n");
    EXPECT_THROW(WriteFileWhole("no-such-folder/deck.txt", "x"), std::runtime_error);
    std::filesystem::create_directory("deck.bin"); // a folder in the way: the rename fails
    EXPECT_THROW(WriteFileWhole("deck.bin", "x"), std::runtime_error);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("."))
        ++entries;
    EXPECT_EQ(entries, 2u) << "a temporary file was left behind";
}

// Corrections appended to a finished output stay where they are through any resume, a torn one
// at the end is cut like a torn group, and a batch writing the output keeps corrections out.
TEST(JournalTest, ResumingKeepsTheCorrections)
{
    ScratchDir scratch;
    std::size_t held = 0;
    Continue("clean.jsonl", false, held);
    const std::string clean = ReadFileText("clean.jsonl");
    Correction fix;
    fix.File = "box/card1.bmp";
    fix.Card = 2;
    fix.Text80 = "ABC";
    const std::string correction = CorrectionLine(fix) + "\n";

    // After the first group (two lines) and at the end, in a .part torn at the last group.
    const std::size_t firstGroup = clean.find('\n', clean.find('\n') + 1) + 1;
    const std::size_t lastGroup = clean.rfind('\n', clean.size() - 2) + 1;
    const std::string corrected = clean.substr(0, firstGroup) + correction +
                                  clean.substr(firstGroup, lastGroup - firstGroup) + correction;
    for (const std::string& torn : {std::string(), clean.substr(lastGroup, 20), correction.substr(0, 30)}) {
        WriteFileText(PartialName("out.jsonl"), corrected + torn);
        Continue("out.jsonl", true, held);
        EXPECT_EQ(held, Files().size() - 1) << torn;
        EXPECT_EQ(ReadFileText("out.jsonl"), corrected + clean.substr(lastGroup)) << torn;
    }
    // A finished output with corrections at its end is taken up whole.
    std::string error;
    ASSERT_TRUE(AppendCorrection("clean.jsonl", fix, error)) << error;
    Continue("clean.jsonl", true, held);
    EXPECT_EQ(held, Files().size());
    EXPECT_EQ(ReadFileText("clean.jsonl"), clean + correction);
    EXPECT_EQ(CorrectionsOf(std::filesystem::path("clean.jsonl")).at({"box/card1.bmp", 2}).Text80, "ABC");

    // A malformed correction refuses the output, unchanged.
    WriteFileText("bad.jsonl", clean.substr(0, firstGroup) + "{\"correct\":{\"card\":2}}\n");
    JournalStart start =
        JsonlJournal::Start("bad.jsonl", Files(), true, [](std::size_t, PictureOutcome&&) {});
    EXPECT_FALSE(start.ok);
    EXPECT_NE(start.message.find("bad.jsonl: line 3: a correction record names no picture"),
              std::string::npos)
        << start.message;

    // While a batch writes the output, a correction is refused and the output left alone.
    JournalStart writing =
        JsonlJournal::Start("clean.jsonl", Files(), false, [](std::size_t, PictureOutcome&&) {});
    ASSERT_TRUE(writing.ok);
    EXPECT_FALSE(AppendCorrection("clean.jsonl", fix, error));
    EXPECT_EQ(error, "clean.jsonl: a batch is writing this journal now (clean.jsonl.part is locked); correct "
                     "it after");
    EXPECT_EQ(ReadFileText("clean.jsonl"), clean + correction);
}
