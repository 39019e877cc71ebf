#include "Batch.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace Batch;
using TestSupport::ReadFileText;
using TestSupport::ScratchDir;
using TestSupport::WriteFileText;

namespace {

Correction Fix(std::string file, std::int32_t card, std::string text80, Algemeen::ColumnPunches first)
{
    Correction correction;
    correction.File = std::move(file);
    correction.Card = card;
    correction.Punches.fill(0);
    correction.Punches[0] = first;
    correction.Punches[79] = 07777;
    correction.Text80 = std::move(text80);
    return correction;
}

std::string Punches(const std::string& first, const std::string& last = "7777")
{
    std::string list = "[\"" + first + "\"";
    for (int k = 2; k < 80; ++k)
        list += ",\"0000\"";
    return list + ",\"" + last + "\"]";
}

} // namespace

// The correction records: their exact layout, a round trip, the lines that are not corrections,
// and one malformed record per way of being wrong.
TEST(CorrectionsTest, RecordsRoundTripAndMalformedOnesAreRefused)
{
    const Correction fix = Fix("box/\"a\"\xff.png", 3, "A", 04400);
    const std::string line = CorrectionLine(fix);
    EXPECT_EQ(line, "{\"correct\":{\"file\":\"box/\\\"a\\\"\xEF\xBF\xBD.png\",\"card\":3},\"punches\":" +
                        Punches("4400") + ",\"text80\":\"A\",\"by\":\"review\"}");
    const std::optional<Correction> back = ParseCorrection(line);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->File, "box/\"a\"\xEF\xBF\xBD.png");
    EXPECT_EQ(back->Card, 3);
    EXPECT_EQ(back->Punches, fix.Punches);
    EXPECT_EQ(back->Text80, "A");
    EXPECT_EQ(back->By, "review");

    // Reading lines, other JSON and text are no corrections.
    for (const char* other : {"{\"file\":\"a.png\",\"card\":1,\"cards\":1,\"text80\":\"x\"}",
                              "{\"file\":\"a.png\",\"refused\":\"correct\"}", "[1,2]", "notes", ""})
        EXPECT_FALSE(ParseCorrection(other)) << other;

    const std::string head = "{\"correct\":{\"file\":\"a.png\",\"card\":1},\"punches\":";
    const std::pair<const char*, std::string> malformed[] = {
        {"torn", head + Punches("0000")},
        {"no object", "{\"correct\":1,\"punches\":" + Punches("0000") + ",\"text80\":\"\"}"},
        {"card 0",
         "{\"correct\":{\"file\":\"a.png\",\"card\":0},\"punches\":" + Punches("0000") + ",\"text80\":\"\"}"},
        {"no file", "{\"correct\":{\"card\":2},\"punches\":" + Punches("0000") + ",\"text80\":\"\"}"},
        {"79 columns", head + "[\"0000\"],\"text80\":\"\"}"},
        {"not octal", head + Punches("0800") + ",\"text80\":\"\"}"},
        {"5 digits", head + Punches("00000") + ",\"text80\":\"\"}"},
        {"no text80", head + Punches("0000") + "}"},
        {"by a number", head + Punches("0000") + ",\"text80\":\"\",\"by\":7}"},
    };
    for (const auto& [why, text] : malformed)
        EXPECT_THROW(ParseCorrection(text), std::invalid_argument) << why;
    for (const Correction& bad : {Fix("a.png", 0, "", 0), Fix("", 1, "", 0), Fix("a.png", 1, "", 010000)})
        EXPECT_THROW(CorrectionLine(bad), std::invalid_argument);
}

// The last correction of a card wins, among reading lines; appending keeps the journal's bytes and
// refuses what is no finished journal.
TEST(CorrectionsTest, TheLastCorrectionOfACardWins)
{
    ScratchDir scratch;
    const std::string reading = "{\"file\":\"a.png\",\"card\":1,\"cards\":2,\"text80\":\"x\"}\n"
                                "{\"file\":\"a.png\",\"card\":2,\"cards\":2,\"text80\":\"y\"}\n";
    WriteFileText("box.jsonl", reading);
    std::string error;
    for (const Correction& fix : {Fix("a.png", 2, "first", 1), Fix("a.png", 1, "other", 2),
                                  Fix("a.png", 2, "second", 3), Fix("b.png", 2, "elsewhere", 4)})
        ASSERT_TRUE(AppendCorrection("box.jsonl", fix, error)) << error;
    const std::string text = ReadFileText("box.jsonl");
    EXPECT_EQ(text.substr(0, reading.size()), reading);
    const CorrectionMap corrections = CorrectionsOf(std::filesystem::path("box.jsonl"));
    ASSERT_EQ(corrections.size(), 3u);
    EXPECT_EQ(corrections.at({"a.png", 2}).Text80, "second");
    EXPECT_EQ(corrections.at({"a.png", 2}).Punches[0], 3);
    EXPECT_EQ(corrections.at({"a.png", 1}).Text80, "other");
    EXPECT_EQ(corrections.at({"b.png", 2}).Text80, "elsewhere");

    const std::vector<std::string> lines{"{\"file\":\"a.png\",\"cards\":0}", "{\"correct\":{\"card\":1}}"};
    try {
        CorrectionsOf(lines);
        ADD_FAILURE() << "a malformed correction was taken";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, 8), "line 2: ");
    }

    WriteFileText("torn.jsonl", "{\"file\":\"a.png\",\"cards\":0}");
    for (const char* journal : {"missing.jsonl", "torn.jsonl", "."}) {
        const std::string before = std::filesystem::is_regular_file(journal) ? ReadFileText(journal) : "";
        EXPECT_FALSE(AppendCorrection(journal, Fix("a.png", 1, "", 0), error)) << journal;
        EXPECT_EQ(error.substr(0, std::string(journal).size()), journal);
        if (!before.empty()) {
            EXPECT_EQ(ReadFileText(journal), before);
        }
    }
    EXPECT_FALSE(std::filesystem::exists("missing.jsonl"));
}
