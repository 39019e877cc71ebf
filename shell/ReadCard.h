// Reading a picked card: orientation check, fit of the 80 x 12 hole grid to the card's holes by
// iteratively re-weighted least squares, placement of every hole in a grid cell, and decoding.
#pragma once

#include "Window.h"

#include <cstdint>

namespace Unit1 {

// Reads the accepted card outline numbered card. Writes the fit-quality lines and the rendering
// block to the console, dots the fitted grid onto the shown picture and shows the text; or, when
// the cut corner lies where only a card seen from its front has it, asks for a rescan in red and
// changes nothing else. A card without a cut corner is read in the half turn its punches make
// likely, in red after a console line that says so; when the punches do not decide, or point to a
// card lying face up, it is not decoded and the text line says why in red.
void ReadCard(Window& window, std::int32_t card);

} // namespace Unit1
