// The Process command on pictures made by the card renderer.
#include "BMPunit.h"
#include "CardRenderer.h"
#include "ProcessPass.h"
#include "ProcessSteps.h"
#include "PunchCodes.h"
#include "ReaderInternals.h"
#include "RecordingWindow.h"
#include "TestSupport.h"
#include "Unit1.h"

#include <bit>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

using namespace Unit1;
using korvane::CardModelMargin;
using korvane::HoleModelMargin;
using korvane::WithinTolerance;

namespace {

class ProcessTest : public ::testing::Test
{
protected:
    // The reader of the window's last Process.
    korvane::ReaderContext& Reading() const
    {
        if (!state.Reader)
            throw std::logic_error("no picture has been processed");
        return korvane::ContextOf(*state.Reader);
    }

    void SetUp() override
    {
        const auto table = Punch::ReadCodeTable(TestSupport::SourcePath("ibmkaart.txt"));
        ASSERT_TRUE(table.ok);
        codes = table.codes;
        Starten(window, state);
    }

    // A page of cards at 150 dpi; returns the layout.
    BMPunit::BitImage Page(const std::vector<std::pair<std::string, double>>& cards, double dpi = 150)
    {
        std::vector<Punch::CardOnPage> page;
        for (const auto& [text, angle] : cards)
            page.push_back({Punch::PunchText(text, codes).punches, angle});
        layout = Punch::LayOutPage(page, Punch::kRealCard, dpi / 25.4);
        return Punch::RenderPage(page, layout, Punch::kRealCard, dpi / 25.4);
    }
    void OpenAndProcess(const BMPunit::BitImage& image, std::int32_t ppm = 5906)
    {
        BMPunit::WriteFileBytes("page.bmp", BMPunit::EncodeBitmap(image, ppm));
        window.QueueDialogAnswer("page.bmp");
        Open1Click(window, state);
        platform.console.Clear();
        Process1Click(window, state);
    }
    std::vector<std::int32_t> Cards() const
    {
        std::vector<std::int32_t> cards;
        for (std::int32_t i = 1; i <= Reading().Store.ContourCount(); ++i)
            if (Reading().CardOf[i] == i && !Reading().Store.IsContourErased(i))
                cards.push_back(i);
        return cards;
    }
    std::int32_t HolesOf(std::int32_t card) const
    {
        std::int32_t n = 0;
        for (std::int32_t i = 1; i <= Reading().Store.ContourCount(); ++i)
            n += (!Reading().Store.IsContourErased(i) && Reading().CardOf[i] == card && i != card) ? 1 : 0;
        return n;
    }
    std::set<Algemeen::Colour> Colours(std::int32_t y0, std::int32_t y1) const
    {
        std::set<Algemeen::Colour> colours;
        const auto& shown = window.ShownBitmap();
        for (std::int32_t y = y0; y < y1; ++y)
            for (std::int32_t x = 0; x < shown.Width(); ++x)
                colours.insert(shown.Pixel(x, y));
        return colours;
    }
    void ExpectNotACard()
    {
        EXPECT_EQ(window.EditText(), "Not (the backside of) any IBM punchcard");
        EXPECT_EQ(window.EditColour(), Algemeen::kRed);
        EXPECT_TRUE(window.MenuEnabled(MenuItem::Process1));
        EXPECT_FALSE(window.MenuEnabled(MenuItem::Select1));
        EXPECT_TRUE(window.MenuEnabled(MenuItem::File1));
        EXPECT_TRUE(window.EditEnabled());
        EXPECT_FALSE(window.ShowsBitmap()) << "the scan stays";
    }

    TestSupport::ScratchDir dir;
    TestSupport::CapturedPlatform platform;
    RunState state{platform.console, platform.clock};
    RecordingWindow window;
    std::vector<Punch::CardCode> codes;
    Punch::PageLayout layout;
};

} // namespace

TEST_F(ProcessTest, OneCardGivesItsOutlineHolesConsoleLinesAndWindowState)
{
    OpenAndProcess(Page({{"HELLO 42", 0}}));
    EXPECT_EQ(window.EditText(), "");
    EXPECT_EQ(window.EditColour(), Algemeen::kBlack);
    EXPECT_FALSE(window.MenuEnabled(MenuItem::Process1));
    EXPECT_TRUE(window.MenuEnabled(MenuItem::Select1));
    EXPECT_TRUE(window.MenuEnabled(MenuItem::File1));
    EXPECT_EQ(window.FormCursor(), CursorKind::Default);
    EXPECT_TRUE(window.ShowsBitmap());
    EXPECT_FALSE(state.GridShown);
    const auto cards = Cards();
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(HolesOf(cards[0]), 2 + 2 + 2 + 2 + 2 + 1 + 1); // H E L L O (two each), 4, 2

    const std::string text = platform.console.Text();
    const char* order[] = {"Contouring pass I = ",
                           "Contouring pass II = ",
                           "Area, Trace and Determinant:\n",
                           "   : specimen\n",
                           "   : model\n",
                           "Best Fit = ",
                           "Left after Compression = ",
                           "Punched inside / outside = "};
    std::size_t at = 0;
    for (const char* line : order) {
        const auto found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " after position " << at << " in\n" << text;
        at = found;
    }
    EXPECT_TRUE(text.find("Axes Allright\n") != std::string::npos ||
                text.find("Axes Reversed\n") != std::string::npos);
    EXPECT_NE(TestSupport::ReadFileText("Vertolkt.log").find("Punched inside / outside = "),
              std::string::npos);
}

TEST_F(ProcessTest, SeveralCardsAtAnglesEachKeepTheirHoles)
{
    OpenAndProcess(Page({{"AAA", 0}, {"1234567", 8}, {"Z", 180}}));
    const auto cards = Cards();
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(HolesOf(cards[0]), 6);
    EXPECT_EQ(HolesOf(cards[1]), 7);
    EXPECT_EQ(HolesOf(cards[2]), 2);
}

TEST_F(ProcessTest, OverlayColoursFollowTheCardsAndContinueAcrossProcesses)
{
    const auto image = Page({{"TOP", 0}, {"BOTTOM", 0}});
    OpenAndProcess(image);
    const std::int32_t middle = image.height / 2;
    auto top = Colours(0, middle), bottom = Colours(middle, image.height);
    EXPECT_TRUE(top.count(Algemeen::kRed) && !top.count(Algemeen::kLime)) << "first group red";
    EXPECT_TRUE(bottom.count(Algemeen::kLime) && !bottom.count(Algemeen::kRed)) << "second lime";
    EXPECT_TRUE(top.count(Algemeen::kBlack)) << "the model outline";
    EXPECT_FALSE(top.count(Algemeen::kBlue) || bottom.count(Algemeen::kBlue));

    window.QueueDialogAnswer("page.bmp");
    Open1Click(window, state);
    Process1Click(window, state);
    top = Colours(0, middle);
    bottom = Colours(middle, image.height);
    EXPECT_TRUE(top.count(Algemeen::kBlue) && !top.count(Algemeen::kRed)) << "the cycle goes on: blue";
    EXPECT_TRUE(bottom.count(Algemeen::kRed) && !bottom.count(Algemeen::kLime)) << "then red";
}

TEST_F(ProcessTest, RefusedCandidateIsErasedButBelongsToItself)
{
    // A white square beside the card: positive area, not a card.
    auto image = Page({{"X", 0}});
    BMPunit::BitImage wide(image.width + 300, image.height, true);
    for (std::int32_t y = 0; y < image.height; ++y)
        for (std::int32_t x = 0; x < image.width; ++x)
            wide.Set(x, y, image.Black(x, y));
    for (std::int32_t y = 40; y < 200; ++y)
        for (std::int32_t x = image.width + 60; x < image.width + 220; ++x)
            wide.Set(x, y, false);
    OpenAndProcess(wide);
    ASSERT_EQ(Cards().size(), 1u);
    std::int32_t refused = 0;
    for (std::int32_t i = 1; i <= Reading().Store.ContourCount(); ++i)
        if (Reading().CardOf[i] == i && Reading().Store.IsContourErased(i))
            refused = i;
    ASSERT_NE(refused, 0);
    Algemeen::Jordan points;
    Reading().Store.ContourPoints(refused, points);
    EXPECT_EQ(points.Length(), 1);
}

TEST_F(ProcessTest, NoCardFailsWithoutTouchingTheMenus)
{
    BMPunit::BitImage specks(200, 120, true);
    for (std::int32_t y = 2; y < 118; y += 4)
        for (std::int32_t x = 2; x < 198; x += 4)
            specks.Set(x, y, false);
    OpenAndProcess(specks);
    ExpectNotACard();
    EXPECT_EQ(platform.console.Text().find("fouteboel"), std::string::npos) << "only tiny contours";

    BMPunit::BitImage square(400, 400, true);
    for (std::int32_t y = 100; y < 300; ++y)
        for (std::int32_t x = 100; x < 300; ++x)
            square.Set(x, y, false);
    OpenAndProcess(square);
    ExpectNotACard();
    EXPECT_NE(platform.console.Text().find("fouteboel\n"), std::string::npos);
    EXPECT_EQ(platform.console.Text().find("Punched inside / outside"), std::string::npos);
}

TEST_F(ProcessTest, PictureWithoutResolutionShowsNoCard)
{
    OpenAndProcess(Page({{"SCALE", 0}}), 0);
    ExpectNotACard();
}

// A window whose pending events, run by the pass, are a user clicking away at every command.
class ImpatientWindow : public RecordingWindow
{
public:
    explicit ImpatientWindow(RunState& run) : state(run) {}
    void PumpEvents() override
    {
        RecordingWindow::PumpEvents();
        if (!impatient)
            return;
        QueueDialogAnswer("page.bmp");
        Open1Click(*this, state);
        Process1Click(*this, state);
        Select1Click(*this, state);
        Kiezen(*this, state, MouseButton::Left, 10, 10);
        Exit1Click(*this, state);
        fileMenuSeenOn = fileMenuSeenOn || MenuEnabled(MenuItem::File1);
    }
    RunState& state;
    bool impatient = false;
    bool fileMenuSeenOn = false;
};

TEST_F(ProcessTest, NoCommandRunsInsideAPass)
{
    BMPunit::WriteFileBytes("page.bmp", BMPunit::EncodeBitmap(Page({{"PATIENCE", 0}}), 5906));
    ImpatientWindow impatient(state);
    Starten(impatient, state);
    impatient.QueueDialogAnswer("page.bmp");
    Open1Click(impatient, state);
    impatient.impatient = true;
    Process1Click(impatient, state);
    EXPECT_GT(impatient.PumpCount(), 100) << "events run during the pass";
    EXPECT_FALSE(impatient.fileMenuSeenOn) << "nothing enabled File1 in the middle of the pass";
    EXPECT_TRUE(impatient.Messages().empty()) << "Select did not run";
    EXPECT_FALSE(impatient.Closed()) << "Exit did not run";
    EXPECT_EQ(impatient.EditText(), "");
    EXPECT_TRUE(impatient.MenuEnabled(MenuItem::Select1));
    EXPECT_TRUE(impatient.MenuEnabled(MenuItem::File1));
    EXPECT_EQ(Cards().size(), 1u);
}

TEST_F(ProcessTest, CardTouchingAnotherFeatureIsNoCardButItsNeighbourIs)
{
    // A white square beside the top card, touching its left edge, makes its outline something else.
    const auto page = Page({{"JOINED", 0}, {"FREE", 0}});
    constexpr std::int32_t kExtra = 300;
    BMPunit::BitImage image(page.width + kExtra, page.height, true);
    for (std::int32_t y = 0; y < page.height; ++y)
        for (std::int32_t x = 0; x < page.width; ++x)
            image.Set(x + kExtra, y, page.Black(x, y));
    const std::int32_t top = static_cast<std::int32_t>(layout.centres[0].y);
    for (std::int32_t y = top - 100; y < top + 100; ++y)
        for (std::int32_t x = 40; x < kExtra + 60; ++x)
            image.Set(x, y, false);
    OpenAndProcess(image);
    const auto cards = Cards();
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(HolesOf(cards[0]), 8) << "FREE";
    EXPECT_EQ(window.EditText(), "");
}

TEST_F(ProcessTest, HoleModelMarginGrowsWithTheScale)
{
    EXPECT_DOUBLE_EQ(HoleModelMargin(0.0), 0.5);
    EXPECT_NEAR(HoleModelMargin(600 / 25.4), 0.5 + 0.1 * 600 / 25.4, 1e-12);
    EXPECT_DOUBLE_EQ(CardModelMargin(5.906), 5.906);
    EXPECT_TRUE(WithinTolerance(1.0, 1.5, 0.6));
    EXPECT_FALSE(WithinTolerance(1.0, 1.5, 0.5)) << "strictly inside";
}

TEST_F(ProcessTest, EveryHoleGoesToTheFirstCardInRankOrderThatContainsIt)
{
    // Turned cards reach into each other's bounding boxes, so a hole lies in the box of a card
    // that does not hold it; the pass must still give it the card the plain rule gives.
    const std::string text = "&-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ&-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    OpenAndProcess(Page({{text, 25}, {text, -35}, {text, 150}, {text, 5}}, 60), 2362);
    const auto cards = Cards();
    ASSERT_EQ(cards.size(), 4u);
    const korvane::ReaderContext& state = Reading();
    Ogenblik::Contour outline;
    std::int32_t holes = 0;
    for (std::int32_t i = 1; i <= Reading().Store.ContourCount(); ++i) {
        if (Reading().Store.IsContourErased(i) || state.CardOf[i] == i)
            continue;
        std::int32_t expected = 0;
        for (std::int32_t k = 1; k <= state.CandidateCount && expected == 0; ++k) {
            const std::int32_t card = state.CandidateOrder[k];
            if (Reading().Store.IsContourErased(card))
                continue;
            Reading().Store.ContourPoints(card, outline.Points);
            if (outline.Contains(Reading().Store.ContourStartPoint(i)))
                expected = card;
        }
        EXPECT_EQ(state.CardOf[i], expected) << "contour " << i;
        holes += expected != 0 ? 1 : 0;
    }
    std::int32_t punches = 0;
    for (const auto column : Punch::PunchText(text, codes).punches)
        punches += std::popcount(column);
    EXPECT_EQ(holes, 4 * punches) << "every punch of the four cards is found";
}

// The pass's own result, without a window: for a page of cards the cards it accepted (the ones the
// reader keeps) with their holes; for a picture whose only candidate is no card, and for one
// without any candidate, nothing found.
TEST(ProcessPassTest, ReturnsWhatItFound)
{
    const auto codes = Punch::ReadCodeTable(TestSupport::SourcePath("ibmkaart.txt")).codes;
    std::vector<Punch::CardOnPage> cards;
    for (const auto& [text, angle] : {std::pair{"AAA", 0.0}, {"1234567", 8.0}, {"Z", 180.0}})
        cards.push_back({Punch::PunchText(text, codes).punches, angle});
    const double scale = 150 / 25.4;
    const auto layout = Punch::LayOutPage(cards, Punch::kRealCard, scale);
    BMPunit::BitImage square(400, 400, true), specks(200, 120, true);
    for (std::int32_t y = 100; y < 300; ++y)
        for (std::int32_t x = 100; x < 300; ++x)
            square.Set(x, y, false);
    for (std::int32_t y = 2; y < 118; y += 4)
        for (std::int32_t x = 2; x < 198; x += 4)
            specks.Set(x, y, false);
    struct Case
    {
        const char* name;
        BMPunit::BitImage image;
        std::vector<std::size_t> holes; // per accepted card
        bool candidates;
    };
    const Case cases[] = {
        {"page", Punch::RenderPage(cards, layout, Punch::kRealCard, scale), {6, 7, 2}, true},
        {"square", square, {}, true},
        {"specks", specks, {}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const korvane::Picture picture = TestSupport::PictureOf(c.image, 5906);
        Algemeen::StringConsole console;
        TestSupport::FakeClock clock;
        korvane::ReaderContext reader(console, clock);
        reader.Log.SetLogFileName("");
        reader.Scan = &picture;
        Algemeen::NoEvents events;
        BMPunit::TraceContours(picture, reader.Store, reader.Log, events);
        const korvane::ProcessFindings found = korvane::ProcessPass(reader, events);
        EXPECT_EQ(found.Found(), !c.holes.empty());
        EXPECT_EQ(found.Candidates > 0, c.candidates);
        EXPECT_EQ(found.Candidates, reader.CandidateCount);
        ASSERT_EQ(found.Cards.size(), c.holes.size());
        ASSERT_EQ(reader.Cards.size(), c.holes.size());
        for (std::size_t k = 0; k < c.holes.size(); ++k) {
            EXPECT_EQ(found.Cards[k].Holes.size(), c.holes[k]);
            EXPECT_EQ(found.Cards[k].Contour, reader.Cards[k].Contour);
            EXPECT_EQ(found.Cards[k].Holes, reader.Cards[k].Holes);
        }
    }
}
