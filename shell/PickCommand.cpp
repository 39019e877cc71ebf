#include "BMPunit.h"
#include "CommandGuard.h"
#include "Unit1.h"

namespace Unit1 {

// Interim: no card outlines exist until the process pass is built, so every armed click misses.
void Kiezen(Window& window, MouseButton button, std::int32_t x, std::int32_t y)
{
    RunCommand(window, [&] {
        DisableControls(window);
        RunState& state = State();
        if (!state.PickArmed || x >= BMPunit::ImageWidth() || y >= BMPunit::ImageHeight() ||
            button != MouseButton::Left) {
            EnableControls(window);
            return;
        }
        window.SetEditColour(Algemeen::kRed);
        window.SetEditText("Now click ON punchcard");
        EnableControls(window);
    });
}

} // namespace Unit1
