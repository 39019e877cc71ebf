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

#include <cstdint>

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

// ---- the steps of TraceContours, public so that each can be checked on its own ----------------

// Both raster passes: counts the pieces, allocates the node array at its exact size
// (2 * PieceCount + 1 entries) and stores piece k's start and end points in entries 2k-1 and 2k,
// unlinked.
void TracePieces(const korvane::Picture& picture, ContourStore& store, Algemeen::RunLog& log,
                 Algemeen::EventPump& events);

// Joins every piece's end to the start of the piece that begins there and keeps one node per
// piece: entry k becomes piece k's end point, its next field the number of the following piece
// along the ring (which is also the following node). Entries above PieceCount are left over.
// Linear in the number of pieces; it also records which pieces head a ring, for IndexContours.
// `width` is the traced picture's.
void LinkPieces(ContourStore& store, std::int32_t width, Algemeen::EventPump& events);

// Numbers the rings in order of their lowest node and fills ContourStarts, from the chains of
// pieces that LinkPieces recorded on the way (a ring's lowest piece heads its chain).
void IndexContours(ContourStore& store);

} // namespace BMPunit
