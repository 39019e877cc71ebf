#include "CardIndex.h"

#include <algorithm>
#include <cmath>

namespace korvane {

Box ReachOf(const Algemeen::Jordan& ring)
{
    Box box{ring[0].X, ring[0].Y, ring[0].X, ring[0].Y};
    for (const auto& p : ring) {
        box.left = std::min(box.left, p.X);
        box.right = std::max(box.right, p.X);
        box.top = std::min(box.top, p.Y);
        box.bottom = std::max(box.bottom, p.Y);
    }
    const double margin = static_cast<double>(ring.Length()) / 3.0 + 2.0;
    return {box.left - margin, box.top - margin, box.right + margin, box.bottom + margin};
}

namespace {
// Enough buckets that each holds about one card of a page of equal cards, never more than this
// many a side.
constexpr std::int32_t kMostBucketsASide = 1024;
} // namespace

std::int32_t CardIndex::Column(double x) const
{
    const double c = std::floor((x - extent_.left) / cellWidth_);
    return static_cast<std::int32_t>(std::clamp(c, 0.0, static_cast<double>(columns_ - 1)));
}

std::int32_t CardIndex::Row(double y) const
{
    const double r = std::floor((y - extent_.top) / cellHeight_);
    return static_cast<std::int32_t>(std::clamp(r, 0.0, static_cast<double>(rows_ - 1)));
}

// Counting sort of the boxes into the buckets they overlap: one pass to count, one to place.
void CardIndex::Build(std::vector<Entry> entries)
{
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.contour > b.contour; });
    entries_ = std::move(entries);
    bucketStart_.clear();
    members_.clear();
    columns_ = rows_ = 0;
    if (entries_.empty())
        return;
    extent_ = entries_[0].reach;
    for (const auto& e : entries_) {
        extent_.left = std::min(extent_.left, e.reach.left);
        extent_.top = std::min(extent_.top, e.reach.top);
        extent_.right = std::max(extent_.right, e.reach.right);
        extent_.bottom = std::max(extent_.bottom, e.reach.bottom);
    }
    const auto side = static_cast<std::int32_t>(std::clamp(
        std::ceil(std::sqrt(static_cast<double>(entries_.size()))), 1.0, double{kMostBucketsASide}));
    columns_ = rows_ = side;
    cellWidth_ = std::max((extent_.right - extent_.left) / side, 1e-9);
    cellHeight_ = std::max((extent_.bottom - extent_.top) / side, 1e-9);

    const auto buckets = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    auto forEachBucket = [&](const Box& b, auto&& visit) {
        for (std::int32_t r = Row(b.top); r <= Row(b.bottom); ++r)
            for (std::int32_t c = Column(b.left); c <= Column(b.right); ++c)
                visit(static_cast<std::size_t>(r) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(c));
    };
    std::vector<std::uint32_t> count(buckets + 1, 0);
    for (const auto& e : entries_)
        forEachBucket(e.reach, [&](std::size_t b) { ++count[b + 1]; });
    for (std::size_t b = 1; b <= buckets; ++b)
        count[b] += count[b - 1];
    bucketStart_ = count;
    members_.resize(count[buckets]);
    for (std::uint32_t k = 0; k < entries_.size(); ++k)
        forEachBucket(entries_[k].reach, [&](std::size_t b) { members_[count[b]++] = k; });
}

void CardIndex::Candidates(Algemeen::RealPoint p, std::vector<std::int32_t>& out) const
{
    if (entries_.empty() || !extent_.Holds(p))
        return;
    const auto b = static_cast<std::size_t>(Row(p.Y)) * static_cast<std::size_t>(columns_) +
                   static_cast<std::size_t>(Column(p.X));
    for (std::uint32_t m = bucketStart_[b]; m < bucketStart_[b + 1]; ++m) {
        const Entry& e = entries_[members_[m]];
        if (e.reach.Holds(p))
            out.push_back(e.contour);
    }
}

} // namespace korvane
