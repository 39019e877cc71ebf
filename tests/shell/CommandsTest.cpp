#include "BMPunit.h"
#include "CommandGuard.h"
#include "RecordingWindow.h"
#include "TestSupport.h"
#include "Unit1.h"

#include <gtest/gtest.h>

using namespace Unit1;
using Algemeen::kBlack;
using Algemeen::kBlue;
using Algemeen::kRed;

namespace {

class CommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Starten(window, state);
        BMPunit::BitImage image(12, 5, false);
        image.Set(3, 2, true);
        BMPunit::WriteFileBytes("good.bmp", BMPunit::EncodeBitmap(image, 5906));
        auto other = BMPunit::EncodeBitmap(BMPunit::BitImage(7, 3, false), 5906);
        BMPunit::WriteFileBytes("other.bmp", other);
        other[28] = 8;
        BMPunit::WriteFileBytes("eight.bmp", other);
    }
    void Open(std::optional<std::string> answer)
    {
        window.QueueDialogAnswer(std::move(answer));
        Open1Click(window, state);
    }
    void ExpectControlsEnabled()
    {
        EXPECT_TRUE(window.MenuEnabled(MenuItem::File1));
        EXPECT_TRUE(window.EditEnabled());
    }

    TestSupport::ScratchDir dir;
    TestSupport::CapturedPlatform platform;
    RunState state{platform.console, platform.clock};
    RecordingWindow window;
};

} // namespace

TEST_F(CommandsTest, StartShowsTheWelcomeInBlue)
{
    EXPECT_EQ(window.EditText(), "Content of IBM PunchCards");
    EXPECT_EQ(window.EditColour(), kBlue);
    EXPECT_FALSE(window.MenuEnabled(MenuItem::Process1));
    EXPECT_FALSE(window.MenuEnabled(MenuItem::Select1));
    ExpectControlsEnabled();
    EXPECT_FALSE(state.PickArmed);
    EXPECT_TRUE(state.FirstSelect);
    EXPECT_EQ(state.LogFileName, "Vertolkt.log");
}

TEST_F(CommandsTest, CancelledFirstDialogIsNotAProperFilename)
{
    Open(std::nullopt);
    EXPECT_EQ(window.EditText(), " : Not a proper filename !!");
    EXPECT_EQ(window.EditColour(), kRed);
    ExpectControlsEnabled();
    EXPECT_FALSE(window.MenuEnabled(MenuItem::Process1));
}

TEST_F(CommandsTest, FourCharacterPathIsRefusedFiveGoesOnToTheExistenceCheck)
{
    Open("a.bm");
    EXPECT_EQ(window.EditText(), "a.bm : Not a proper filename !!");
    Open("a.bmp");
    EXPECT_EQ(window.EditText(), "a.bmp : does Not exist !!");
    EXPECT_EQ(window.EditColour(), kRed);
    EXPECT_EQ(platform.console.Text(), "a.bmp: does Not exist\n");
}

TEST_F(CommandsTest, GoodOpenLoadsAndShowsThePicture)
{
    Open("good.bmp");
    EXPECT_EQ(window.EditText(), "");
    EXPECT_EQ(window.EditColour(), kBlack);
    EXPECT_TRUE(window.MenuEnabled(MenuItem::Process1));
    EXPECT_FALSE(window.MenuEnabled(MenuItem::Select1));
    ExpectControlsEnabled();
    EXPECT_EQ(window.ShownFile(), "good.bmp");
    EXPECT_EQ(window.ImageWidth(), 12);
    EXPECT_EQ(window.ImageHeight(), 5);
    EXPECT_EQ(platform.console.Text(), "Width = 12\nHeight = 5\nHorizontal Resolution = 5906\n"
                                       "Vertical Resolution = 5906\n");
    // Every command frames its work with disabling and enabling the controls.
    const auto& calls = window.Calls();
    const auto dialog = std::find(calls.begin(), calls.end(), "RunOpenDialog() -> good.bmp");
    ASSERT_GE(dialog - calls.begin(), 2);
    EXPECT_EQ(dialog[-2], "SetMenuEnabled(File1, false)");
    EXPECT_EQ(dialog[-1], "SetEditEnabled(false)");
    EXPECT_EQ(calls.back(), "SetEditEnabled(true)");
}

TEST_F(CommandsTest, CancelAfterGoodOpenReloadsTheSamePicture)
{
    Open("good.bmp");
    Select1Click(window, state);
    EXPECT_TRUE(state.PickArmed);
    Open(std::nullopt);
    EXPECT_EQ(window.EditText(), "");
    EXPECT_EQ(window.ShownFile(), "good.bmp");
    EXPECT_TRUE(window.MenuEnabled(MenuItem::Process1));
    EXPECT_FALSE(window.MenuEnabled(MenuItem::Select1));
    EXPECT_FALSE(state.PickArmed);
}

TEST_F(CommandsTest, RefusedOpenKeepsThePictureTheWindowShows)
{
    Open("good.bmp");
    Open("eight.bmp");
    EXPECT_EQ(window.EditText(), "eight.bmp : Not a proper B/W picture !!");
    EXPECT_EQ(window.EditColour(), kRed);
    ExpectControlsEnabled();
    EXPECT_TRUE(window.MenuEnabled(MenuItem::Process1)) << "unchanged";
    EXPECT_EQ(window.ShownFile(), "good.bmp");
    // The module still holds the shown picture, so Process would trace what the user sees.
    EXPECT_TRUE(state.PictureLoaded);
    EXPECT_EQ(state.Shown.Picture.Width, 12);
    EXPECT_EQ(state.Shown.Picture.Height, 5);
    Open("missing.bmp");
    EXPECT_EQ(state.Shown.Picture.Width, 12);
}

TEST_F(CommandsTest, LongMessageIsKeptWhole)
{
    const std::string path(120, 'p');
    Open(path + ".bmp");
    EXPECT_EQ(window.EditText(), path + ".bmp : does Not exist !!");
}

TEST_F(CommandsTest, SelectShowsTheBoxOnlyOnTheFirstSelect)
{
    Open("good.bmp");
    Select1Click(window, state);
    Select1Click(window, state);
    ASSERT_EQ(window.Messages().size(), 1u);
    EXPECT_EQ(window.Messages()[0], "Select Card Image with Mouse");
    EXPECT_EQ(window.ImageCursor(), CursorKind::HandPoint);
    EXPECT_TRUE(state.PickArmed);
    EXPECT_FALSE(state.FirstSelect);
}

TEST_F(CommandsTest, UnexpectedErrorIsReportedAndControlsComeBack)
{
    RunCommand(window, state, [&] {
        DisableControls(window);
        window.SetFormCursor(CursorKind::Hourglass);
        throw std::out_of_range("index 7 outside array of length 3");
    });
    ASSERT_EQ(window.Errors().size(), 1u);
    EXPECT_EQ(window.Errors()[0], "index 7 outside array of length 3");
    ExpectControlsEnabled();
    EXPECT_EQ(window.FormCursor(), CursorKind::Default);
    EXPECT_FALSE(state.Busy);
    Open("good.bmp");
    EXPECT_TRUE(window.MenuEnabled(MenuItem::Process1)) << "the next command runs normally";
}

TEST_F(CommandsTest, NoCommandStartsWhileAnotherRuns)
{
    RunCommand(window, state, [&] {
        Open("good.bmp");
        Select1Click(window, state);
        Exit1Click(window, state);
    });
    EXPECT_EQ(window.ShownFile(), "");
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_FALSE(window.Closed());
}

TEST_F(CommandsTest, ExitClosesTheWindowAndStopReleasesThePicture)
{
    Open("good.bmp");
    Exit1Click(window, state);
    EXPECT_TRUE(window.Closed());
    Stoppen(window, state);
    EXPECT_TRUE(state.Shown.Picture.Bytes.empty());
    EXPECT_FALSE(state.PictureLoaded);
}

TEST_F(CommandsTest, GridDotsStayInsideThePictureAndSkipWildPoints)
{
    BMPunit::BitImage image(100, 60, false);
    BMPunit::WriteFileBytes("p.bmp", BMPunit::EncodeBitmap(image, 5906));
    Open("p.bmp");
    DrawingRecord white;
    white.SetSize(100, 60);
    window.ShowBitmap(white);
    auto& s = state;
    s.Grid.Origin = {0.5, 1.5};
    s.Grid.ColumnStep = {1, 0};
    s.Grid.RowStep = {0, 1};
    DotGrid(window, state, Algemeen::kRed);
    const auto& shown = window.ShownBitmap();
    // x = i + 0.5 and y = m + 1.5, rounded half to even: x runs 0, 2, 2, 4, 4, ..., 80.
    for (auto [x, y] : {std::pair{0, 2}, {2, 2}, {4, 2}, {80, 2}, {80, 12}, {0, 12}})
        EXPECT_EQ(shown.Pixel(x, y), Algemeen::kRed) << x << "," << y;
    for (auto [x, y] : {std::pair{1, 2}, {3, 2}, {81, 2}, {0, 13}, {0, 1}})
        EXPECT_EQ(shown.Pixel(x, y), Algemeen::kWhite) << x << "," << y;
    s.Grid.ColumnStep = {1e300, 0};
    s.Grid.Origin = {-1e12, 5};
    DotGrid(window, state, Algemeen::kBlue); // must not overflow anything
}
