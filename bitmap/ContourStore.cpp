#include "ContourStore.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace BMPunit {

namespace {

Algemeen::RealPoint PixelPoint(const ContourNode& node)
{
    return {node.x / 2.0, node.y / 2.0};
}

} // namespace

// The start node of contour c; throws for an index outside 1 .. ContourCount().
std::int32_t ContourStore::StartNode(std::int32_t c) const
{
    if (c < 1 || c > ContourCount())
        throw std::out_of_range("contour " + std::to_string(c) + " outside 1 .. " +
                                std::to_string(ContourCount()));
    return ContourStarts[static_cast<std::size_t>(c)];
}

void ContourStore::GetContour(std::int32_t c, Algemeen::Jordan& points)
{
    ContourPoints(c, points);
    CurrentContour = c;
}

void ContourStore::ContourPoints(std::int32_t c, Algemeen::Jordan& points) const
{
    const std::int32_t s = StartNode(c);
    auto node = [this](std::int32_t i) -> const ContourNode& {
        return ContourNodes[static_cast<std::size_t>(i)];
    };
    std::ptrdiff_t n = 0;
    std::int32_t p = s;
    do {
        p = node(p).next;
        ++n;
    } while (p != s);

    Algemeen::Jordan ring(n);
    auto& items = ring.Items();
    p = s;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        items[static_cast<std::size_t>(i)] = PixelPoint(node(p));
        p = node(p).next;
    }
    points = std::move(ring);
}

Algemeen::RealPoint ContourStore::ContourStartPoint(std::int32_t c) const
{
    return PixelPoint(ContourNodes[static_cast<std::size_t>(StartNode(c))]);
}

void ContourStore::DrawContour(Algemeen::DrawingSurface& surface, std::int32_t c,
                               Algemeen::Colour colour) const
{
    const std::int32_t s = StartNode(c);
    auto node = [this](std::int32_t i) -> const ContourNode& {
        return ContourNodes[static_cast<std::size_t>(i)];
    };
    surface.SetPenColour(colour);
    surface.MoveTo(node(s).x / 2, node(s).y / 2);
    for (std::int32_t p = node(s).next; p != s; p = node(p).next)
        surface.LineTo(node(p).x / 2, node(p).y / 2);
}

void ContourStore::EraseContour(std::int32_t c)
{
    const std::int32_t s = StartNode(c);
    ContourNodes[static_cast<std::size_t>(s)].next = s;
}

bool ContourStore::IsContourErased(std::int32_t c) const
{
    const std::int32_t s = StartNode(c);
    return ContourNodes[static_cast<std::size_t>(s)].next == s;
}

// One walk round the ring. From the last kept node (the anchor) the first node farther than the
// tolerance opens a cone of directions; a node is dropped while its successor lies further along
// the cone's axis and inside the cone, and each such successor narrows the cone to the directions
// that pass within the tolerance of it. The first node whose successor fails is kept and becomes
// the next anchor.
void ContourStore::CompressContour(std::int32_t c, Algemeen::Console& console)
{
    const std::int32_t s = StartNode(c);
    auto node = [this](std::int32_t i) -> ContourNode& { return ContourNodes[static_cast<std::size_t>(i)]; };
    const double tolerance = kCompressionTolerance;

    Algemeen::RealPoint anchor = PixelPoint(node(s));
    std::int32_t lastKept = s;
    bool searching = true;
    std::int32_t kept = 0;
    std::int32_t visited = 0;
    double ux = 0.0, uy = 0.0, reach = 0.0, hi = 0.0, lo = 0.0;

    for (std::int32_t cur = node(s).next; cur != s; cur = node(cur).next) {
        ++visited;
        const Algemeen::RealPoint point = PixelPoint(node(cur));
        if (searching) {
            const double dx = point.X - anchor.X, dy = point.Y - anchor.Y;
            const double dist = std::sqrt(dx * dx + dy * dy);
            if (dist <= tolerance)
                continue; // too close to the anchor to give a direction: dropped
            searching = false;
            ux = dx / dist;
            uy = dy / dist;
            reach = dist;
            hi = tolerance / dist;
            lo = -tolerance / dist;
        }
        const Algemeen::RealPoint q = PixelPoint(node(node(cur).next));
        const double vx = q.X - anchor.X, vy = q.Y - anchor.Y;
        const double along = vx * ux + vy * uy;
        const double across = -vx * uy + vy * ux;
        if (along >= reach) {
            const double slope = across / along;
            if (lo <= slope && slope <= hi) {
                const double e = tolerance / along;
                reach = along;
                if (slope + e < hi)
                    hi = slope + e;
                if (slope - e > lo)
                    lo = slope - e;
                continue; // the successor extends the chord: cur is dropped
            }
        }
        ++kept;
        anchor = point;
        node(lastKept).next = cur;
        lastKept = cur;
        searching = true;
    }
    node(lastKept).next = s;

    // A ring of the start node alone (an erased contour) has nothing to drop: all of it is left.
    const double percent = visited == 0 ? 100.0 : 100.0 * kept / visited;
    console.Write("Left after Compression = ");
    console.WriteInt(static_cast<long long>(Algemeen::RoundHalfEven(percent)));
    console.Write(" %");
    console.EndLine();
}

void ContourStore::Release()
{
    std::vector<ContourNode>().swap(ContourNodes);
    std::vector<std::int32_t>().swap(ContourStarts);
}

} // namespace BMPunit
