// Turning the holes of a read card into text, and the small operations the card reader uses on the
// way: dotting the fitted grid onto the shown picture, telling a card's holes, and the fit-quality
// line.
#pragma once

#include "Window.h"

#include <cstdint>
#include <string>

namespace Unit1 {

// Reads the code table, decodes text columns 1..72 from the run state's HoleCells (mirrored: the
// card is seen from its back), writes the rendering block to the console and shows the text in
// black, or in red when a column is unknown. A hole without a cell (0, 0) is not used. On a code
// table failure only the text line shows it.
void RenderCard(Window& window);

// The number of the 80 columns of `cells` that no code of the run state's CodeTable matches, with
// the cells first carried through a mirror of the columns (i -> 81 - i) and/or of the rows
// (m -> 13 - m). The table must have been read.
std::int32_t UnknownColumns(const Algemeen::punten& cells, bool mirrorColumns, bool mirrorRows);

// Sets the pixel at each of the 960 grid points of the run state's grid to colour; points outside
// the picture, or too far to address, are skipped.
void DotGrid(Window& window, Algemeen::Colour colour);

// Whether contour i is a hole of the card outline numbered card.
bool IsHoleOf(std::int32_t i, std::int32_t card);

// "Quality of Fit at <label> = <100 * fit / holeListLength, one decimal, width 4> %".
// Returns the percentage written.
double ReportFitQuality(const std::string& label, double fit, std::int32_t holeListLength);

} // namespace Unit1
