#include "ContourStore.h"

#include "BmpLoad.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace BMPunit {

namespace {

ContourStoreState gStore;

// The start node of contour c; throws for an index outside 1 .. ContourCount().
std::int32_t StartNode(std::int32_t c)
{
    if (c < 1 || c > ContourCount())
        throw std::out_of_range("contour " + std::to_string(c) + " outside 1 .. " +
                                std::to_string(ContourCount()));
    return gStore.ContourStarts[static_cast<std::size_t>(c)];
}

const ContourNode& Node(std::int32_t i)
{
    return gStore.ContourNodes[static_cast<std::size_t>(i)];
}

Algemeen::RealPoint PixelPoint(const ContourNode& node)
{
    return {node.x / 2.0, node.y / 2.0};
}

} // namespace

ContourStoreState& TheContourStore()
{
    return gStore;
}
void ResetContourStore()
{
    gStore.Reset();
}

std::int32_t ContourCount()
{
    return static_cast<std::int32_t>(gStore.ContourStarts.size()) - 1;
}

void GetContour(std::int32_t c, Algemeen::Jordan& points)
{
    const std::int32_t s = StartNode(c);
    gStore.CurrentContour = c;
    std::ptrdiff_t n = 0;
    std::int32_t p = s;
    do {
        p = Node(p).next;
        ++n;
    } while (p != s);

    Algemeen::Jordan ring(n);
    auto& items = ring.Items();
    p = s;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        items[static_cast<std::size_t>(i)] = PixelPoint(Node(p));
        p = Node(p).next;
    }
    points = std::move(ring);
}

Algemeen::RealPoint ContourStartPoint(std::int32_t c)
{
    return PixelPoint(Node(StartNode(c)));
}

void ContourStartPoint(std::int32_t c, Algemeen::RealPoint& point)
{
    point = ContourStartPoint(c);
}

void DrawContour(Algemeen::DrawingSurface& surface, std::int32_t c, Algemeen::Colour colour)
{
    const std::int32_t s = StartNode(c);
    surface.SetPenColour(colour);
    surface.MoveTo(Node(s).x / 2, Node(s).y / 2);
    for (std::int32_t p = Node(s).next; p != s; p = Node(p).next)
        surface.LineTo(Node(p).x / 2, Node(p).y / 2);
}

void EraseContour(std::int32_t c)
{
    const std::int32_t s = StartNode(c);
    gStore.ContourNodes[static_cast<std::size_t>(s)].next = s;
}

bool IsContourErased(std::int32_t c)
{
    const std::int32_t s = StartNode(c);
    return Node(s).next == s;
}

std::int32_t CurrentContour()
{
    return gStore.CurrentContour;
}

// One walk round the ring. From the last kept node (the anchor) the first node farther than the
// tolerance opens a cone of directions; a node is dropped while its successor lies further along
// the cone's axis and inside the cone, and each such successor narrows the cone to the directions
// that pass within the tolerance of it. The first node whose successor fails is kept and becomes
// the next anchor.
void CompressContour(std::int32_t c)
{
    const std::int32_t s = StartNode(c);
    auto node = [](std::int32_t i) -> ContourNode& {
        return gStore.ContourNodes[static_cast<std::size_t>(i)];
    };
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
    auto& console = Algemeen::TheConsole();
    console.Write("Left after Compression = ");
    console.WriteInt(static_cast<long long>(Algemeen::RoundHalfEven(percent)));
    console.Write(" %");
    console.EndLine();
}

void ReleaseBitmapData()
{
    std::vector<ContourNode>().swap(gStore.ContourNodes);
    Picture& picture = ThePicture();
    std::vector<std::uint8_t>().swap(picture.BitmapBytes);
    picture.Proper = false;
    std::vector<std::int32_t>().swap(gStore.ContourStarts);
}

} // namespace BMPunit
