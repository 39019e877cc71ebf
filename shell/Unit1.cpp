#include "Unit1.h"

#include "BMPunit.h"
#include "CommandGuard.h"

#include <stdexcept>

namespace Unit1 {

namespace {
constexpr std::size_t kShortestFileName = 5;
} // namespace

korvane::ReaderContext& RunState::Reading() const
{
    if (!Reader)
        throw std::logic_error("no picture has been processed");
    return Reader->Context();
}

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
void ShowPicture(Window& window, RunState& state, korvane::Picture picture, const std::string& name)
{
    state.Scan = std::move(picture);
    state.PictureLoaded = true;
    ShowResult(window, Algemeen::kBlack, "");
    window.SetImageSize(state.Scan.Width, state.Scan.Height);
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
        Algemeen::Console& console = state.Console;
        if (IsOtherPictureFile(name)) {
            OpenedPicture opened = OpenOtherPicture(name, state.PictureOptions, console);
            if (!opened.Ok) {
                EnableControls(window);
                ShowResult(window, Algemeen::kRed, name + kNotAProperPicture);
                return;
            }
            state.PictureInfo = opened.Info;
            state.Scale = opened.Scale;
            ShowPicture(window, state, std::move(opened.Picture), name);
            EnableControls(window);
            return;
        }
        BMPunit::BmpFile file;
        if (!BMPunit::LoadBitmapFile(file, name, console)) {
            EnableControls(window);
            ShowResult(window, Algemeen::kRed, name + kDoesNotExist);
            return;
        }
        if (!BMPunit::CheckBitmapHeader(file, console)) {
            EnableControls(window);
            ShowResult(window, Algemeen::kRed, name + kNotAProperPicture);
            return;
        }
        state.PictureInfo = Imaging::ImageInfo{};
        ShowPicture(window, state, BMPunit::TakePicture(std::move(file)), name);
        state.Scale = {state.Scan.PixelsPerMillimetre, "file"};
        EnableControls(window);
    });
}

void Select1Click(Window& window, RunState& state)
{
    RunCommand(window, state, [&] {
        DisableControls(window);
        if (state.FirstSelect)
            window.ShowMessage("Select Card Image with Mouse", "Select");
        state.FirstSelect = false;
        state.PickArmed = true;
        window.SetImageCursor(CursorKind::HandPoint);
        ShowResult(window, Algemeen::kBlack, "");
        EnableControls(window);
    });
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
    state.Scan = korvane::Picture{};
    state.PictureLoaded = false;
    state.OverlayBitmap = DrawingRecord{};
}

} // namespace Unit1
