#include "BMPunit.h"
#include "CommandGuard.h"
#include "ReadCard.h"
#include "Unit1.h"

namespace Unit1 {

namespace {

// The highest-numbered accepted card outline that contains the point, 0 for none.
std::int32_t CardUnder(Algemeen::RealPoint point)
{
    const RunState& state = State();
    Ogenblik::Contour outline;
    std::int32_t card = 0;
    for (std::int32_t i = 1; i <= BMPunit::ContourCount(); ++i) {
        if (BMPunit::IsContourErased(i) || state.CardOf[i] != i)
            continue;
        BMPunit::GetContour(i, outline.Points);
        if (outline.Contains(point))
            card = i;
    }
    return card;
}

} // namespace

// A mouse press on the image: while picking is armed, a left click inside a card outline reads
// that card; a click beside every card asks for another click.
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
        const std::int32_t card = CardUnder({static_cast<double>(x), static_cast<double>(y)});
        if (card == 0) {
            window.SetEditColour(Algemeen::kRed);
            window.SetEditText("Now click ON punchcard");
            EnableControls(window);
            return;
        }
        ReadCard(window, card);
        window.SetImageCursor(CursorKind::Default);
        state.PickArmed = false;
        EnableControls(window);
    });
}

} // namespace Unit1
