// The three steps of TraceContours, declared apart for the tests and benchmarks that check or time
// each on its own; the programs call TraceContours (Trace.h).
#pragma once

#include "Algemeen.h"
#include "ContourStore.h"
#include "Picture.h"

#include <cstdint>

namespace BMPunit {

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
