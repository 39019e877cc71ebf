// Where a click finds its card: the reach boxes of the accepted card outlines in the buckets of a
// uniform grid, so that a point looks only at the few boxes of its own bucket instead of walking
// every contour of the picture.
#pragma once

#include "Algemeen.h"

#include <cstdint>
#include <vector>

namespace korvane {

// An axis-parallel box in picture pixels, edges included.
struct Box
{
    double left = 0, top = 0, right = 0, bottom = 0;
    bool Holds(Algemeen::RealPoint p) const
    {
        return p.X >= left && p.X <= right && p.Y >= top && p.Y <= bottom;
    }
};

// The box outside which Contour::Contains finds no point of the ring: its bounding box widened by
// points / 3 + 2 pixels. Seen from a point at a distance D > 1 from every point of the ring, the
// winding number is 0 and each edge that Contains leaves out of its angle sum (its line passes
// within a pixel of the point, the edge itself does not) subtends less than 1 / sqrt(D^2 - 1); with
// N edges the sum stays below N / sqrt(D^2 - 1), which is less than 3 when D > N / 3 + 1, so
// short of the pi that an inside point needs.
Box ReachOf(const Algemeen::Jordan& ring);

class CardIndex
{
public:
    struct Entry
    {
        std::int32_t contour;
        Box reach;
    };

    // Replaces the index by one over these boxes.
    void Build(std::vector<Entry> entries);

    // Appends to `out` the contours whose box holds p, highest contour number first.
    void Candidates(Algemeen::RealPoint p, std::vector<std::int32_t>& out) const;

    std::size_t Size() const { return entries_.size(); }

private:
    std::vector<Entry> entries_; // by descending contour number
    Box extent_;                 // the union of the boxes
    std::int32_t columns_ = 0, rows_ = 0;
    double cellWidth_ = 1, cellHeight_ = 1;
    std::vector<std::uint32_t> bucketStart_; // bucket b holds members_[bucketStart_[b] .. [b + 1])
    std::vector<std::uint32_t> members_;     // indices into entries_, ascending
    std::int32_t Column(double x) const;
    std::int32_t Row(double y) const;
};

} // namespace korvane
