#include "Batch.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace Batch;
using namespace std::chrono_literals;

namespace {

PictureOutcome Cards(std::initializer_list<ReviewFlags> flags)
{
    PictureOutcome outcome;
    for (const ReviewFlags& review : flags)
        outcome.cards.push_back(CardRecord{nlohmann::json::object(), review});
    return outcome;
}

} // namespace

TEST(SummaryTest, CountsAndExitStatus)
{
    const ReviewFlags clean, unknown{true, false, false, {}}, unsettled{false, true, false, {}},
        lowFit{false, false, true, {}}, doubtful{false, false, false, {12, 40}};
    struct Case
    {
        std::vector<PictureOutcome> pictures;
        int exitStatus;
    };
    const std::vector<Case> cases{
        {{Cards({clean, clean}), Cards({})}, 0},
        {{Cards({clean, lowFit})}, 0}, // read, though a person should look
        {{Cards({clean}), Cards({unknown})}, 1},
        {{Cards({unsettled})}, 1},
        {{Cards({clean}), Cards({doubtful})}, 1},
        {{Cards({unknown}), PictureOutcome::Refusal("Not a bitmap file")}, 2},
    };
    for (const Case& c : cases) {
        Summary summary;
        for (const PictureOutcome& picture : c.pictures)
            summary.Add(picture);
        EXPECT_EQ(summary.ExitStatus(), c.exitStatus);
        EXPECT_EQ(summary.ToJson()["exitStatus"], c.exitStatus);
    }

    Summary summary;
    for (const PictureOutcome& picture :
         {Cards({clean, unknown, {true, true, true, {}}}), Cards({lowFit, doubtful}),
          PictureOutcome::Refusal("timed out after 5 s"), PictureOutcome::Refusal("Not a bitmap file"),
          PictureOutcome::Refusal("timed out after 5 s")})
        summary.Add(picture);
    EXPECT_EQ(summary.ToJson(), nlohmann::json::parse(R"({"pictures": 5, "picturesRead": 2, "cards": 5,
        "cardsWithUnknownColumns": 2, "cardsOrientationNotSettled": 1, "cardsBelowFitQuality": 2,
        "cardsWithDoubtfulColumns": 1, "cardsNeedingReview": 4, "refusedPictures": 3,
        "refusals": {"Not a bitmap file": 1, "timed out after 5 s": 2}, "exitStatus": 2})"));
    EXPECT_EQ(summary.Lines(),
              (std::vector<std::string>{
                  "Pictures read = 2", "Cards read = 5", "Cards with unknown columns = 2",
                  "Cards whose orientation was not settled = 1", "Cards below the fit-quality threshold = 2",
                  "Refused pictures = 3", "   1 x Not a bitmap file", "   2 x timed out after 5 s",
                  "Cards with doubtful columns = 1"}));
}

TEST(SummaryTest, ProgressLine)
{
    EXPECT_TRUE(ProgressWanted(false, false, true));
    EXPECT_TRUE(ProgressWanted(true, false, false));
    EXPECT_FALSE(ProgressWanted(false, false, false));
    EXPECT_FALSE(ProgressWanted(true, true, true));

    struct Case
    {
        ProgressFigures figures;
        const char* line;
    };
    const std::vector<Case> cases{
        {{0, 2000, 0, 0, 0, 0, 0s}, "pictures 0/2000  cards 0  -- cards/s  -- left  review 0"},
        // 100 pictures of this run in 10 s, 1900 to go: 190 s left; 97 cards in 10 s.
        {{100, 2000, 0, 97, 97, 3, 10s}, "pictures 100/2000  cards 97  9.7 cards/s  3:10 left  review 3"},
        // Pictures an earlier run did count as done but not in the rates.
        {{1500, 2000, 1400, 1490, 100, 0, 20s},
         "pictures 1500/2000  cards 1490  5.0 cards/s  1:40 left  review 0"},
        {{10, 10000, 9, 10, 1, 0, 2s}, "pictures 10/10000  cards 10  0.5 cards/s  5:33:00 left  review 0"},
        {{5, 5, 5, 5, 0, 1, 1s}, "pictures 5/5  cards 5  -- cards/s  -- left  review 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatProgress(c.figures), c.line);

    // Redrawn in place, at most once per interval, a shorter line blanking the longer one's tail.
    std::ostringstream out;
    ProgressLine line(out, true, 250ms);
    const auto start = ProgressLine::Clock::time_point{};
    line.Update(cases[1].figures, start + 1s);
    line.Update(cases[2].figures, start + 1100ms); // too soon: not drawn
    line.Update(cases[0].figures, start + 1300ms);
    line.Finish(cases[4].figures);
    const std::string first = cases[1].line, zero = cases[0].line, last = cases[4].line;
    EXPECT_EQ(out.str(), "\r" + first + "\r" + zero + std::string(first.size() - zero.size(), ' ') + "\r" +
                             last + std::string(zero.size() - last.size(), ' ') + "\n");

    std::ostringstream silent;
    ProgressLine off(silent, false);
    off.Update(cases[1].figures, start);
    off.Finish(cases[1].figures);
    EXPECT_EQ(silent.str(), "");
}
