// Reading a picked card: orientation check, fit of the 80 x 12 hole grid to the card's holes by
// iteratively re-weighted least squares, placement of every hole in a grid cell, and decoding.
#pragma once

#include "Window.h"

#include <cstdint>

namespace Unit1 {

// Reads the accepted card outline numbered card. Writes the fit-quality lines and the rendering
// block to the console, dots the fitted grid onto the shown picture and shows the text; or, when
// the cut corner is not where it should be, asks for a rescan in red and changes nothing else.
void ReadCard(Window& window, std::int32_t card);

// The score below which a card is refused, in pixels of outline found at the cut corner.
inline constexpr double kRescanScore = 10.0;

} // namespace Unit1
