#include "BMPunit.h"
#include "CommandGuard.h"
#include "Overlay.h"
#include "ProcessPass.h"
#include "Unit1.h"

namespace Unit1 {

inline constexpr const char* kNotACard = "Not (the backside of) any IBM punchcard";

// Traces the picture the window shows, sorts its contours into cards and holes, and shows the
// overlay; or says that no card was found.
void Process1Click(Window& window)
{
    RunCommand(window, [&] {
        DisableControls(window);
        window.SetFormCursor(CursorKind::Hourglass);
        bool ok = false;
        if (BMPunit::ThePicture().Proper) {
            BMPunit::TraceContours(window);
            ok = ProcessPass(window);
        }
        window.SetFormCursor(CursorKind::Default);
        RunState& state = State();
        if (ok) {
            window.SetEditColour(Algemeen::kBlack);
            window.SetEditText("");
            DrawOverlay(window);
            window.SetMenuEnabled(MenuItem::Process1, false);
            window.SetMenuEnabled(MenuItem::Select1, true);
            state.GridShown = false;
        } else {
            window.SetEditColour(Algemeen::kRed);
            window.SetEditText(kNotACard);
        }
        EnableControls(window);
    });
}

} // namespace Unit1
