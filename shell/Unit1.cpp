#include "Unit1.h"

#include "BMPunit.h"
#include "CommandGuard.h"

#include <stdexcept>

namespace Unit1 {

namespace {
constexpr std::size_t kShortestFileName = 5;
} // namespace

void DisableControls(Window& window)
{
    window.SetMenuEnabled(MenuItem::File1, false);
    window.SetEditEnabled(false);
}

void EnableControls(Window& window)
{
    window.SetMenuEnabled(MenuItem::File1, true);
    window.SetEditEnabled(true);
}

namespace {
void ShowResult(Window& window, Algemeen::Colour colour, const std::string& text)
{
    window.SetEditColour(colour);
    window.SetEditText(text);
}
} // namespace

void Starten(Window& window, RunState& state)
{
    state.LogFileName = kLogFileName;
    state.OverlayBitmap = DrawingRecord{};
    state.PickArmed = false;
    state.FirstSelect = true;
    state.GridShown = false;
    ShowResult(window, Algemeen::kBlue, kWelcome);
    window.SetMenuEnabled(MenuItem::Process1, false);
    window.SetMenuEnabled(MenuItem::Select1, false);
}

namespace {
// The picture an Open accepted becomes the one the window shows and Process traces.
void ShowPicture(Window& window, RunState& state, korvane::OpenedPicture picture, const std::string& name)
{
    state.Shown = std::move(picture);
    state.PictureLoaded = true;
    ShowResult(window, Algemeen::kBlack, "");
    window.SetImageSize(state.Shown.Picture.Width, state.Shown.Picture.Height);
    window.ShowPictureFile(name);
    state.PickArmed = false;
    window.SetMenuEnabled(MenuItem::Process1, true);
    window.SetMenuEnabled(MenuItem::Select1, false);
}
} // namespace

// Loads and checks the file. A refused file leaves the picture that the window shows in the
// module, so a later Process works on what the user sees, never on refused bytes.
void Open1Click(Window& window, RunState& state)
{
    RunCommand(window, state, [&] {
        DisableControls(window);
        if (auto chosen = window.RunOpenDialog())
            state.PictureFileName = *chosen;
        const std::string& name = state.PictureFileName;
        if (name.size() < kShortestFileName) {
            EnableControls(window);
            ShowResult(window, Algemeen::kRed, name + kNotAProperFilename);
            return;
        }
        korvane::OpenedPicture opened = korvane::OpenPicture(name, state.PictureOptions, state.Console);
        if (!opened.Ok) {
            EnableControls(window);
            ShowResult(
                window, Algemeen::kRed,
                name + (opened.Status == korvane::OpenStatus::Missing ? kDoesNotExist : kNotAProperPicture));
            return;
        }
        ShowPicture(window, state, std::move(opened), name);
        EnableControls(window);
    });
}

void Select1Click(Window& window, RunState& state)
{
    RunCommand(window, state, [&] {
        DisableControls(window);
        if (state.FirstSelect)
            window.ShowInstruction("Select Card Image with Mouse", "Select");
        state.FirstSelect = false;
        state.PickArmed = true;
        window.SetImageCursor(CursorKind::HandPoint);
        ShowResult(window, Algemeen::kBlack, "");
        EnableControls(window);
    });
}

void ForgetPicture(Window& window, RunState& state)
{
    if (state.Busy)
        return;
    state.Reader.reset();
    state.Shown = korvane::OpenedPicture{};
    state.PictureLoaded = false;
    state.PickArmed = false;
    state.GridShown = false;
    state.OverlayBitmap = DrawingRecord{};
    state.LastReading = CardReading{};
    window.SetImageCursor(CursorKind::Default);
    window.SetMenuEnabled(MenuItem::Process1, false);
    window.SetMenuEnabled(MenuItem::Select1, false);
}

void Exit1Click(Window& window, const RunState& state)
{
    if (state.Busy)
        return;
    window.Close();
}

void Stoppen(Window& /*window*/, RunState& state)
{
    state.Reader.reset();
    state.Shown = korvane::OpenedPicture{};
    state.PictureLoaded = false;
    state.OverlayBitmap = DrawingRecord{};
}

} // namespace Unit1
