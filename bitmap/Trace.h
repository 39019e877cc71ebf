// Contour tracing: every boundary between black and white in the checked picture becomes a closed
// ring of nodes in the contour store.
//
// The picture is scanned in cells, the 2 x 2 blocks of pixels around each pixel corner (x, y) for
// x = 0 .. width and y = 0 .. height; pixels outside the picture count as black. A cell holding
// both colours contributes one boundary piece between midpoints of its sides (two for the saddle
// blocks), with black on the left of the direction of travel, so black regions are 8-connected and
// white ones 4-connected. Pieces are numbered from 1 in raster order of their cells, joined end to
// start into rings, and the rings are numbered in the order of their lowest piece.
#pragma once

#include "Algemeen.h"
#include "ContourStore.h"
#include "Picture.h"

namespace BMPunit {

// Traces the picture (throws std::logic_error when it is not sound) and rebuilds the contour
// store. Lets window events run before each row of cells of both passes and once per piece while
// linking; writes the stopwatch lines "Contouring pass I" and "Contouring pass II" to the log.
void TraceContours(const korvane::Picture& picture, ContourStore& store, Algemeen::RunLog& log,
                   Algemeen::EventPump& events);

// The three console lines of the trace statistics: piece count, black pixel count and the black
// share of the picture in whole percent. TraceContours writes them only when the build switch
// kShowTraceStatistics is on.
inline constexpr bool kShowTraceStatistics = false;
void WriteTraceStatistics(const korvane::Picture& picture, const ContourStore& store,
                          Algemeen::Console& console);

} // namespace BMPunit
