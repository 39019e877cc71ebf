#include "CommandGuard.h"
#include "Unit1.h"

#include <cmath>

namespace Unit1 {

namespace {

// A rounded grid coordinate that a 32-bit pixel position can hold.
bool ToPixel(double v, std::int32_t& out)
{
    const double r = Algemeen::RoundHalfEven(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        return false;
    out = static_cast<std::int32_t>(r);
    return true;
}

// Reads the card and shows what was read: the fitted grid dotted onto the shown picture and the
// text, black when complete and red when a column is unknown or the orientation came from the
// punches; or the red reason it was not read.
void ShowCard(Window& window, RunState& state, std::int32_t card)
{
    state.LastReading = CardReading{};
    state.LastReading.card = card;
    if (state.GridShown)
        DotGrid(window, state, Algemeen::kWhite);
    korvane::CardResult result = state.Reader->ReadCard(card);
    CardReading& reading = state.LastReading;
    reading.orientation = korvane::OrientationName(result.Orientation);
    reading.orientationScore = result.OrientationScore;
    reading.orientationAlternative = result.OrientationAlternative;
    if (result.Refused) {
        window.SetEditColour(Algemeen::kRed);
        window.SetEditText(result.Message);
        reading.result = std::move(result);
        return;
    }
    window.SetEditColour(Algemeen::kBlack);
    window.SetEditText("");
    reading.fitFirst = result.FitFirst;
    reading.fitLast = result.FitLast;
    reading.hasFitLast = result.HasFitLast;
    state.Grid = result.Grid;
    state.GridShown = true;
    DotGrid(window, state, Algemeen::kBlack);
    if (!result.Decoded) {
        window.SetEditColour(Algemeen::kRed);
        window.SetEditText(result.Message);
    } else {
        window.SetEditColour(result.Complete() ? Algemeen::kBlack : Algemeen::kRed);
        window.SetEditText(result.Text);
        reading.rendered = true;
        reading.text = result.Text;
    }
    reading.result = std::move(result);
}

} // namespace

std::vector<std::int32_t> AcceptedCards(const RunState& state)
{
    return state.Reader ? state.Reader->AcceptedCards() : std::vector<std::int32_t>{};
}

Algemeen::IntPoint CardCentre(const RunState& state, std::int32_t card)
{
    if (!state.Reader)
        throw std::logic_error("no picture has been processed");
    return state.Reader->CardCentre(card);
}

void DotGrid(Window& window, const RunState& state, Algemeen::Colour colour)
{
    if (!window.ShowsPixels())
        return;
    for (int i = 0; i < Ogenblik::kGridColumns; ++i)
        for (int m = 0; m < Ogenblik::kGridRows; ++m) {
            const Algemeen::RealPoint p = Ogenblik::GridPosition(state.Grid, i, m);
            std::int32_t x = 0, y = 0;
            if (!ToPixel(p.X, x) || !ToPixel(p.Y, y))
                continue;
            if (x >= 0 && y >= 0 && x < state.Shown.Picture.Width && y < state.Shown.Picture.Height)
                window.SetImagePixel(x, y, colour);
        }
}

// A mouse press on the image: while picking is armed, a left click inside a card outline reads
// that card; a click beside every card asks for another click.
void Kiezen(Window& window, RunState& state, MouseButton button, std::int32_t x, std::int32_t y)
{
    RunCommand(window, state, [&] {
        DisableControls(window);
        if (!state.PickArmed || !state.Reader || x >= state.Shown.Picture.Width ||
            y >= state.Shown.Picture.Height || button != MouseButton::Left) {
            EnableControls(window);
            return;
        }
        const std::int32_t card = state.Reader->CardAt({static_cast<double>(x), static_cast<double>(y)});
        if (card == 0) {
            window.SetEditColour(Algemeen::kRed);
            window.SetEditText("Now click ON punchcard");
            EnableControls(window);
            return;
        }
        ShowCard(window, state, card);
        window.SetImageCursor(CursorKind::Default);
        state.PickArmed = false;
        EnableControls(window);
    });
}

void ReadAcceptedCard(Window& window, RunState& state, std::int32_t card)
{
    Select1Click(window, state);
    ReadCardByContour(window, state, card);
}

void ReadCardByContour(Window& window, RunState& state, std::int32_t card)
{
    RunCommand(window, state, [&] {
        DisableControls(window);
        ShowCard(window, state, card);
        window.SetImageCursor(CursorKind::Default);
        state.PickArmed = false;
        EnableControls(window);
    });
}

} // namespace Unit1
