// Fuzz target: the input bytes as a scan file, taken through every command a user can give it.
// Open loads and checks the file; when it is accepted, Process traces and classifies it; when
// cards are found, Select and a left click at the centre of each card read it, as
// `korvane-cli read --all` does. The overlay is rasterised as a window would show it.
//
// Beyond what the sanitizers catch, an error report from a command is a fault: for a file that
// lies in a directory of our own, every refusal must come back as a message, never as an exception.
#include "BMPunit.h"
#include "FuzzSupport.h"
#include "RecordingWindow.h"
#include "Unit1.h"

#include <filesystem>

namespace {

constexpr const char* kScan = "scan.bmp";

void ExpectNoError(const Unit1::RecordingWindow& window, const char* command)
{
    if (!window.Errors().empty())
        Fuzz::Fault(std::string(command) + " reported an unexpected error: " + window.Errors().front());
}

void StartClean()
{
    std::error_code ignored;
    std::filesystem::remove("Vertolkt.log", ignored); // it only grows; one run's lines are enough
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::EnterWorkplace();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StartClean();
    Fuzz::WriteInput(kScan, data, size);
    Algemeen::SystemClock clock;
    Unit1::RunState state(Fuzz::Silent(), clock); // every input starts a clean run
    Unit1::RecordingWindow window;
    Unit1::Starten(window, state);
    window.QueueDialogAnswer(std::string(kScan));
    Unit1::Open1Click(window, state);
    ExpectNoError(window, "Open");
    if (!window.MenuEnabled(Unit1::MenuItem::Process1) || window.EditColour() != Algemeen::kBlack)
        return 0; // refused

    Unit1::Process1Click(window, state);
    ExpectNoError(window, "Process");
    if (!window.MenuEnabled(Unit1::MenuItem::Select1))
        return 0; // no card
    for (const std::int32_t card : Unit1::AcceptedCards(state)) {
        const Algemeen::IntPoint at = Unit1::CardCentre(state, card);
        Unit1::Select1Click(window, state);
        Unit1::Kiezen(window, state, Unit1::MouseButton::Left, at.X, at.Y);
        ExpectNoError(window, "Pick");
        Unit1::ReadAcceptedCard(window, state, card);
        ExpectNoError(window, "Read");
    }
    // What a window would show: the overlay with the grid dots of the last card read.
    const Algemeen::Raster& shown = window.ShownBitmap();
    if (shown.Width() != state.Shown.Picture.Width || shown.Height() != state.Shown.Picture.Height)
        Fuzz::Fault("the overlay does not have the picture's size");
    Unit1::Stoppen(window, state);
    return 0;
}
