// The contour store: the closed rings built by TraceContours, numbered 1 .. ContourCount(), and
// the operations the rest of the program uses on them (fetch, start point, draw, erase, compress).
//
// Points are kept in doubled units (twice the pixel-unit value) so that the half-pixel positions
// of traced boundaries are whole numbers; callers receive pixel units.
#pragma once

#include "Algemeen.h"

#include <cstdint>
#include <vector>

namespace BMPunit {

// One node of a ring: doubled coordinates and the index of the following node (0 = not linked).
struct ContourNode
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t next = 0;
    friend bool operator==(const ContourNode&, const ContourNode&) = default;
};

// Points closer than this (pixels) to a compressed polygon's edges may be dropped.
inline constexpr double kCompressionTolerance = 1.0 / 3.0;

// The contour store of one reader: everything the tracer and the store keep between calls. Each
// reader owns one; nothing of it is shared between readers.
//
// ContourNodes: entry 0 unused. While tracing, piece k occupies entries 2k-1 (start) and 2k (end);
// after linking, entries 1 .. PieceCount are the ring nodes (node i is the end point of piece i).
// ContourStarts: entry 0 unused (0), entry c the start node of contour c; empty before any
// tracing, so that ContourCount() is -1.
class ContourStore
{
public:
    std::vector<ContourNode> ContourNodes;
    std::vector<std::int32_t> ContourStarts;
    std::int32_t PieceCount = 0;      // pieces found by the last trace
    std::int32_t BlackPixelCount = 0; // black pixels of the traced picture (the frame not counted)
    std::int32_t CurrentContour = 0;  // last index handed to GetContour; survives a new tracing

    // Left by LinkPieces for IndexContours: the first piece of every chain of joined pieces that
    // linking started, in order, and for each chain the earlier chain it was found to be part of
    // (itself if none). The chains that remain their own are the rings.
    std::vector<std::int32_t> ChainHeads;
    std::vector<std::int32_t> ChainParents;

    // Back to the state at program start: empty store, no current contour.
    void Reset() { *this = ContourStore{}; }

    // Number of contours: -1 before any tracing and after Release, 0 for a picture without
    // contours.
    std::int32_t ContourCount() const { return static_cast<std::int32_t>(ContourStarts.size()) - 1; }

    // Every operation below takes a contour index c in 1 .. ContourCount() and throws
    // std::out_of_range for any other value.

    // Records c as the current contour, then gives `points` the ring's points in pixel units, from
    // the start node in ring order (one point for an erased contour).
    void GetContour(std::int32_t c, Algemeen::Jordan& points);
    // The same without recording c as the current contour.
    void ContourPoints(std::int32_t c, Algemeen::Jordan& points) const;

    // The start node of contour c in pixel units.
    Algemeen::RealPoint ContourStartPoint(std::int32_t c) const;

    // Draws the ring as an open polyline in whole pixels (doubled value div 2): pen colour, move to
    // the start node, a line to each following node. The closing edge back to the start is not
    // drawn.
    void DrawContour(Algemeen::DrawingSurface& surface, std::int32_t c, Algemeen::Colour colour) const;

    // Shrinks the ring to its start node for good.
    void EraseContour(std::int32_t c);
    bool IsContourErased(std::int32_t c) const;

    // Simplifies the ring in place: drops every node whose neighbours can be joined by a chord that
    // passes within kCompressionTolerance of all the nodes it replaces. The start node, the order
    // and the orientation are kept. Writes "Left after Compression = P %" to the console, P being
    // the kept share of the nodes after the start node, rounded half to even. An erased contour has
    // no such nodes: it is left as it is and reported as 100 % (nothing was removed).
    void CompressContour(std::int32_t c, Algemeen::Console& console);

    // Empties the node array and the contour starts.
    void Release();

private:
    std::int32_t StartNode(std::int32_t c) const;
};

} // namespace BMPunit
