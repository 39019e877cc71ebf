#include "CommandGuard.h"
#include "Unit1.h"

namespace Unit1 {

namespace {

// The reader for the window: its lines go to the window's console, its timing lines to the log.
// The reader of the last Process serves again while these stay the same, so that its contour
// store keeps the room it grew to and the next picture is traced without growing it again.
korvane::Reader& ReaderFor(RunState& state)
{
    korvane::ReadOptions options;
    options.CodeTableFile = state.SpecFileName;
    options.LogFile = state.LogFileName;
    options.Console = &state.Console;
    options.Clock = &state.Clock;
    const korvane::Reader* last = state.Reader.get();
    if (last == nullptr || last->Options().CodeTableFile != options.CodeTableFile ||
        last->Options().LogFile != options.LogFile || last->Options().Console != options.Console ||
        last->Options().Clock != options.Clock)
        state.Reader = std::make_unique<korvane::Reader>(options);
    return *state.Reader;
}

// Draws the overlay of the last Process and shows it in the window.
void ShowOverlay(Window& window, RunState& state)
{
    state.OverlayBitmap = DrawingRecord{};
    // Room for all of the drawing in one go rather than growing step by step.
    state.OverlayBitmap.Reserve(state.Reader->OverlaySteps());
    state.Reader->DrawOverlay(state.OverlayBitmap, state.PaletteIndex);
    window.ShowBitmap(state.OverlayBitmap);
    window.Repaint();
}

} // namespace

namespace {

// Traces the picture the window shows, sorts its contours into cards and holes, and shows the
// overlay; or, when `sayNoCard`, says in the text line that no card was found. True when cards
// were found.
bool RunProcess(Window& window, RunState& state, bool sayNoCard)
{
    bool ok = false;
    RunCommand(window, state, [&] {
        DisableControls(window);
        window.SetFormCursor(CursorKind::Hourglass);
        if (state.PictureLoaded) {
            // A picture of another format may show its cards in the other polarity or at a scale
            // its file does not give: the reader tries them.
            ok = ReaderFor(state).Process(state.Shown, window);
        }
        window.SetFormCursor(CursorKind::Default);
        if (ok) {
            window.SetEditColour(Algemeen::kBlack);
            window.SetEditText("");
            ShowOverlay(window, state);
            window.SetMenuEnabled(MenuItem::Process1, false);
            window.SetMenuEnabled(MenuItem::Select1, true);
            state.GridShown = false;
        } else if (sayNoCard) {
            window.SetEditColour(Algemeen::kRed);
            window.SetEditText(korvane::kNotACard);
        }
        EnableControls(window);
    });
    return ok;
}

} // namespace

void Process1Click(Window& window, RunState& state)
{
    RunProcess(window, state, true);
}

bool ProcessOnOpen(Window& window, RunState& state)
{
    return RunProcess(window, state, false);
}

} // namespace Unit1
