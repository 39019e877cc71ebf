#include "Unit1.h"

#include "BMPunit.h"
#include "CommandGuard.h"
#include "RunStateReset.h"

#include <stdexcept>

namespace Unit1 {

namespace {
RunState gState;
constexpr std::size_t kShortestFileName = 5;
} // namespace

RunState& State()
{
    return gState;
}
void ResetRunState()
{
    gState = RunState{};
}

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

void Starten(Window& window)
{
    Algemeen::SetLogFileName(kLogFileName);
    gState.OverlayBitmap = DrawingRecord{};
    gState.PickArmed = false;
    gState.FirstSelect = true;
    gState.GridShown = false;
    ShowResult(window, Algemeen::kBlue, kWelcome);
    window.SetMenuEnabled(MenuItem::Process1, false);
    window.SetMenuEnabled(MenuItem::Select1, false);
}

namespace {
// The picture an Open accepted becomes the one the window shows and Process traces.
void ShowPicture(Window& window, korvane::Picture picture, const std::string& name)
{
    gState.Scan = std::move(picture);
    gState.PictureLoaded = true;
    ShowResult(window, Algemeen::kBlack, "");
    window.SetImageSize(gState.Scan.Width, gState.Scan.Height);
    window.ShowPictureFile(name);
    gState.PickArmed = false;
    window.SetMenuEnabled(MenuItem::Process1, true);
    window.SetMenuEnabled(MenuItem::Select1, false);
}
} // namespace

// Loads and checks the file. A refused file leaves the picture that the window shows in the
// module, so a later Process works on what the user sees, never on refused bytes.
void Open1Click(Window& window)
{
    RunCommand(window, [&] {
        DisableControls(window);
        if (auto chosen = window.RunOpenDialog())
            gState.PictureFileName = *chosen;
        const std::string& name = gState.PictureFileName;
        if (name.size() < kShortestFileName) {
            EnableControls(window);
            ShowResult(window, Algemeen::kRed, name + kNotAProperFilename);
            return;
        }
        auto& console = Algemeen::TheConsole();
        if (IsOtherPictureFile(name)) {
            OpenedPicture opened = OpenOtherPicture(name, gState.PictureOptions, console);
            if (!opened.Ok) {
                EnableControls(window);
                ShowResult(window, Algemeen::kRed, name + kNotAProperPicture);
                return;
            }
            gState.PictureInfo = opened.Info;
            gState.Scale = opened.Scale;
            ShowPicture(window, std::move(opened.Picture), name);
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
        gState.PictureInfo = Imaging::ImageInfo{};
        ShowPicture(window, BMPunit::TakePicture(std::move(file)), name);
        gState.Scale = {gState.Scan.PixelsPerMillimetre, "file"};
        EnableControls(window);
    });
}

void Select1Click(Window& window)
{
    RunCommand(window, [&] {
        DisableControls(window);
        if (gState.FirstSelect)
            window.ShowMessage("Select Card Image with Mouse", "Select");
        gState.FirstSelect = false;
        gState.PickArmed = true;
        window.SetImageCursor(CursorKind::HandPoint);
        ShowResult(window, Algemeen::kBlack, "");
        EnableControls(window);
    });
}

void Exit1Click(Window& window)
{
    if (gState.Busy)
        return;
    window.Close();
}

void Stoppen(Window& /*window*/)
{
    gState.Reader.reset();
    gState.Scan = korvane::Picture{};
    gState.PictureLoaded = false;
    gState.OverlayBitmap = DrawingRecord{};
}

} // namespace Unit1
