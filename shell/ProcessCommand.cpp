#include "CommandGuard.h"
#include "Unit1.h"

namespace Unit1 {

// Interim: the tracing and the process pass are not built yet, so no picture shows a card.
void Process1Click(Window& window)
{
    RunCommand(window, [&] {
        DisableControls(window);
        window.SetEditColour(Algemeen::kRed);
        window.SetEditText("Not (the backside of) any IBM punchcard");
        EnableControls(window);
    });
}

} // namespace Unit1
