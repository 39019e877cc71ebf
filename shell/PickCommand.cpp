#include "BMPunit.h"
#include "CommandGuard.h"
#include "ReadCard.h"
#include "Unit1.h"

#include <algorithm>
#include <cmath>

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

std::vector<std::int32_t> AcceptedCards()
{
    std::vector<std::int32_t> cards;
    const auto& cardOf = State().CardOf;
    for (std::int32_t i = 1; i <= BMPunit::ContourCount() && i < cardOf.Length(); ++i)
        if (cardOf[i] == i && !BMPunit::IsContourErased(i))
            cards.push_back(i);
    return cards;
}

Algemeen::IntPoint CardCentre(std::int32_t card)
{
    Ogenblik::Contour outline;
    BMPunit::GetContour(card, outline.Points);
    outline.ComputeMoments();
    const auto c = outline.AreaMoments.Centre;
    auto whole = [](double v) {
        return static_cast<std::int32_t>(std::clamp(std::floor(v), -2147483648.0, 2147483647.0));
    };
    return {whole(c.X), whole(c.Y)};
}

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
