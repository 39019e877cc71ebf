#include "CardRenderer.h"

#include "CardPrint.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <unordered_map>

namespace Punch {

namespace {

// A pixel is white when white covers at least this much of its square.
constexpr double kWhiteCoverage = 0.5;
// A pixel is ink when ink covers this much of it: less than half, so that thin print stays
// visible at low resolutions, as a scanner's threshold keeps it.
constexpr double kInkCoverage = 0.3;

// A convex polygon of few corners; clipping a card outline to a pixel square needs at most 9.
struct Polygon
{
    std::array<PagePoint, 16> corners{};
    int count = 0;

    void Add(PagePoint p) { corners[static_cast<std::size_t>(count++)] = p; }
    const PagePoint& operator[](int i) const { return corners[static_cast<std::size_t>(i)]; }
};

// The part of a polygon on one side of an axis-parallel line (Sutherland-Hodgman, one edge):
// the side where coordinate `axis` (0 = x, 1 = y) times `sign` is at least `limit` times `sign`.
Polygon ClipHalfPlane(const Polygon& in, int axis, double limit, double sign)
{
    auto coordinate = [axis](const PagePoint& p) { return axis == 0 ? p.x : p.y; };
    auto inside = [&](const PagePoint& p) { return sign * (coordinate(p) - limit) >= 0.0; };
    Polygon out;
    for (int i = 0; i < in.count; ++i) {
        const PagePoint& a = in[i];
        const PagePoint& b = in[(i + 1) % in.count];
        if (inside(a))
            out.Add(a);
        if (inside(a) != inside(b)) {
            const double t = (limit - coordinate(a)) / (coordinate(b) - coordinate(a));
            out.Add({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
        }
    }
    return out;
}

Polygon ClipToBand(const Polygon& polygon, int axis, double low, double high)
{
    return ClipHalfPlane(ClipHalfPlane(polygon, axis, low, 1.0), axis, high, -1.0);
}

// Twice the signed area (shoelace formula); positive when the corners run clockwise on the page.
double TwiceSignedArea(const Polygon& polygon)
{
    double twice = 0.0;
    for (int i = 0; i < polygon.count; ++i) {
        const PagePoint& a = polygon[i];
        const PagePoint& b = polygon[(i + 1) % polygon.count];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice;
}

// A convex polygon with the inward unit normal of each edge, so that pixels far from every edge
// are settled without clipping.
class Shape
{
public:
    explicit Shape(const Polygon& corners) : corners_(corners)
    {
        const double turn = TwiceSignedArea(corners) >= 0.0 ? 1.0 : -1.0; // which side is inside
        for (int i = 0; i < corners.count; ++i) {
            const PagePoint& a = corners[i];
            const PagePoint& b = corners[(i + 1) % corners.count];
            const double length = std::hypot(b.x - a.x, b.y - a.y);
            Edge& edge = edges_[static_cast<std::size_t>(i)];
            edge.nx = length > 0.0 ? -turn * (b.y - a.y) / length : 0.0;
            edge.ny = length > 0.0 ? turn * (b.x - a.x) / length : 0.0;
            edge.offset = edge.nx * a.x + edge.ny * a.y;
        }
    }

    const Polygon& Corners() const { return corners_; }

    // The exact fraction of pixel (x, y), the unit square from (x, y) to (x + 1, y + 1), that
    // lies inside: the limit that supersampling approaches, found by clipping the polygon to the
    // square. A square whose centre is more than half its diagonal inside every edge is wholly
    // inside, and one that far outside any edge wholly outside; only the rest are clipped.
    // Remark: with every pixel of each hole's bounding box clipped, punch took 0.63 s for a
    // 600 dpi page of three cards of 62 characters each (5017 x 8063 pixels); settling the far
    // pixels first brings it to 0.11 to 0.16 s, with the same bytes.
    double Coverage(std::int32_t x, std::int32_t y) const
    {
        constexpr double kHalfDiagonal = 0.70710678118654757;
        const double cx = x + 0.5, cy = y + 0.5;
        double nearest = kHalfDiagonal;
        for (int i = 0; i < corners_.count; ++i) {
            const Edge& edge = edges_[static_cast<std::size_t>(i)];
            const double inside = edge.nx * cx + edge.ny * cy - edge.offset;
            if (inside <= -kHalfDiagonal)
                return 0.0;
            nearest = std::min(nearest, inside);
        }
        if (nearest >= kHalfDiagonal)
            return 1.0;
        const Polygon column = ClipToBand(corners_, 0, x, x + 1.0);
        return std::abs(TwiceSignedArea(ClipToBand(column, 1, y, y + 1.0))) / 2.0;
    }

private:
    struct Edge
    {
        double nx = 0.0, ny = 0.0, offset = 0.0;
    };
    Polygon corners_;
    std::array<Edge, 16> edges_{};
};

// Leftmost and rightmost x where the line at height y meets a convex polygon; empty (first >
// second) when it misses.
std::pair<double, double> SpanAt(const Polygon& polygon, double y)
{
    std::pair<double, double> span{std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity()};
    for (int i = 0; i < polygon.count; ++i) {
        const PagePoint& a = polygon[i];
        const PagePoint& b = polygon[(i + 1) % polygon.count];
        if (y < std::min(a.y, b.y) || y > std::max(a.y, b.y))
            continue;
        const double x = a.y == b.y ? a.x : a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
        const double other = a.y == b.y ? b.x : x;
        span.first = std::min({span.first, x, other});
        span.second = std::max({span.second, x, other});
    }
    return span;
}

// Carries millimetres in the unturned back view of a card (origin at its upper-left corner, y
// downwards) to page pixels.
class CardPlacement
{
public:
    CardPlacement(const CardDimensions& card, double scale, double angleDegrees, PagePoint centre)
        : card_(card), scale_(scale), centre_(centre),
          cos_(std::cos(angleDegrees * std::numbers::pi / 180.0)),
          sin_(std::sin(angleDegrees * std::numbers::pi / 180.0))
    {
    }
    CardPlacement(const CardDimensions& card, double scale, const CardOnPage& onPage, PagePoint centre)
        : CardPlacement(card, scale, onPage.angleDegrees, centre)
    {
        mirrored_ = onPage.faceUp;
        front_ = onPage.front;
        cut_ = !onPage.noCut;
    }

    // A counter-clockwise turn as seen on the picture, whose y axis points down; a face-up card is
    // mirrored top to bottom first, a card seen from its printed face left to right.
    PagePoint ToPage(double u, double v) const
    {
        const double dx = (front_ ? card_.width / 2.0 - u : u - card_.width / 2.0) * scale_;
        const double dy = (mirrored_ ? card_.height / 2.0 - v : v - card_.height / 2.0) * scale_;
        return {centre_.x + cos_ * dx + sin_ * dy, centre_.y - sin_ * dx + cos_ * dy};
    }

    Polygon Outline() const
    {
        const CardDimensions& c = card_;
        Polygon outline;
        if (!cut_) {
            for (const auto& [u, v] :
                 {std::pair{0.0, 0.0}, {c.width, 0.0}, {c.width, c.height}, {0.0, c.height}})
                outline.Add(ToPage(u, v));
            return outline;
        }
        for (const auto& [u, v] : {std::pair{0.0, 0.0},
                                   {c.width - c.cutAlongLong, 0.0},
                                   {c.width, c.cutAlongShort},
                                   {c.width, c.height},
                                   {0.0, c.height}})
            outline.Add(ToPage(u, v));
        return outline;
    }

    // The hole of text column 1..80 and pattern position 1..12. The back view mirrors the
    // columns: text column 80 is grid column index 0, at the left.
    Polygon Hole(int textColumn, int position) const
    {
        const CardDimensions& c = card_;
        const double u = c.originX + (kCardColumns - textColumn) * c.columnStep;
        const double v = c.height + c.originY - (kColumnRows - position) * c.rowStep;
        const double hw = c.holeWidth / 2.0, hh = c.holeHeight / 2.0;
        Polygon hole;
        for (const auto& [du, dv] : {std::pair{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}})
            hole.Add(ToPage(u + du, v + dv));
        return hole;
    }

    // A stroke of ink given in the front view's millimetres (CardPrint.h), as a rectangle.
    Polygon Stroke(const InkStroke& stroke) const
    {
        double dx = stroke.b.x - stroke.a.x, dy = stroke.b.y - stroke.a.y;
        const double length = std::hypot(dx, dy);
        dx = length > 0.0 ? dx / length : 1.0;
        dy = length > 0.0 ? dy / length : 0.0;
        const double h = stroke.width / 2.0;
        Polygon polygon;
        for (const auto& [along, across] : {std::pair{-h, -h}, {length + h, -h}, {length + h, h}, {-h, h}})
            polygon.Add(
                FrontToPage(stroke.a.x + along * dx - across * dy, stroke.a.y + along * dy + across * dx));
        return polygon;
    }

private:
    // The front view is the back view mirrored left to right.
    PagePoint FrontToPage(double x, double y) const { return ToPage(card_.width - x, y); }

    CardDimensions card_;
    double scale_;
    PagePoint centre_;
    double cos_, sin_;
    bool mirrored_ = false;
    bool front_ = false;
    bool cut_ = true;
};

struct Box
{
    double left, top, right, bottom;
};

Box BoundsOf(const Polygon& polygon)
{
    Box box{polygon[0].x, polygon[0].y, polygon[0].x, polygon[0].y};
    for (int i = 1; i < polygon.count; ++i) {
        box.left = std::min(box.left, polygon[i].x);
        box.right = std::max(box.right, polygon[i].x);
        box.top = std::min(box.top, polygon[i].y);
        box.bottom = std::max(box.bottom, polygon[i].y);
    }
    return box;
}

// The pixels a box covers, cut to the image: columns left .. right - 1, rows top .. bottom - 1.
struct PixelSpan
{
    std::int32_t left, top, right, bottom;
};

PixelSpan PixelsOf(const Box& box, const BMPunit::BitImage& image)
{
    return {std::max<std::int32_t>(0, static_cast<std::int32_t>(std::floor(box.left))),
            std::max<std::int32_t>(0, static_cast<std::int32_t>(std::floor(box.top))),
            std::min<std::int32_t>(image.width, static_cast<std::int32_t>(std::ceil(box.right))),
            std::min<std::int32_t>(image.height, static_cast<std::int32_t>(std::ceil(box.bottom)))};
}

void SetSpan(BMPunit::BitImage& image, std::int32_t y, std::int32_t from, std::int32_t to, bool black)
{
    if (from >= to)
        return;
    const auto begin = image.black.begin() + static_cast<std::ptrdiff_t>(image.Index(from, y));
    std::fill(begin, begin + (to - from), black ? 1 : 0);
}

// Paints a convex outline white row by row: pixels whose square lies wholly inside are filled at
// once, and only those the outline crosses have their coverage measured.
void PaintOutline(BMPunit::BitImage& image, const Shape& shape)
{
    const Polygon& outline = shape.Corners();
    const Box box = BoundsOf(outline);
    const auto firstRow = std::max<std::int32_t>(0, static_cast<std::int32_t>(std::floor(box.top)));
    const auto endRow =
        std::min<std::int32_t>(image.height, static_cast<std::int32_t>(std::ceil(box.bottom)));
    for (std::int32_t y = firstRow; y < endRow; ++y) {
        const Polygon band = ClipToBand(outline, 1, y, y + 1.0);
        if (band.count == 0)
            continue;
        const Box reach = BoundsOf(band);
        const auto top = SpanAt(outline, y), bottom = SpanAt(outline, y + 1.0);
        const double innerLeft = std::max(top.first, bottom.first);
        const double innerRight = std::min(top.second, bottom.second);
        const auto from = std::max<std::int32_t>(0, static_cast<std::int32_t>(std::floor(reach.left)));
        const auto to =
            std::min<std::int32_t>(image.width, static_cast<std::int32_t>(std::ceil(reach.right)));
        // Pixels [fullFrom, fullTo) lie wholly inside: the band's inner span is bounded by the
        // spans at its two edges, since the outline is convex.
        std::int32_t fullFrom = to, fullTo = to;
        if (innerLeft <= innerRight) {
            fullFrom = static_cast<std::int32_t>(std::clamp(std::ceil(innerLeft), double(from), double(to)));
            fullTo =
                static_cast<std::int32_t>(std::clamp(std::floor(innerRight), double(fullFrom), double(to)));
        }
        for (std::int32_t x = from; x < fullFrom; ++x)
            image.Set(x, y, shape.Coverage(x, y) < kWhiteCoverage);
        SetSpan(image, y, fullFrom, fullTo, false);
        for (std::int32_t x = fullTo; x < to; ++x)
            image.Set(x, y, shape.Coverage(x, y) < kWhiteCoverage);
    }
}

// Cuts the punched holes out of a painted card. Pixels that a hole edge crosses collect the
// coverage of every hole first, since at low resolutions one pixel can touch two holes.
void PaintHoles(BMPunit::BitImage& image, const CardPlacement& placement, const Shape& outline,
                const CardPunches& punches)
{
    std::unordered_map<std::size_t, double> partly;
    for (int column = 1; column <= kCardColumns; ++column)
        for (int position = 1; position <= kColumnRows; ++position) {
            if ((punches[static_cast<std::size_t>(column - 1)] & Algemeen::RowBit(position - 1)) == 0)
                continue;
            const Shape hole(placement.Hole(column, position));
            const auto [left, top, right, bottom] = PixelsOf(BoundsOf(hole.Corners()), image);
            for (std::int32_t y = top; y < bottom; ++y)
                for (std::int32_t x = left; x < right; ++x) {
                    const double covered = hole.Coverage(x, y);
                    if (covered >= 1.0)
                        image.Set(x, y, true);
                    else if (covered > 0.0)
                        partly[image.Index(x, y)] += covered;
                }
        }
    for (const auto& [index, covered] : partly) {
        const auto x = static_cast<std::int32_t>(index % static_cast<std::size_t>(image.width));
        const auto y = static_cast<std::int32_t>(index / static_cast<std::size_t>(image.width));
        image.black[index] = outline.Coverage(x, y) - covered < kWhiteCoverage ? 1 : 0;
    }
}

// Paints the strokes of a card's printed face (ink = 1).
void PaintInk(BMPunit::BitImage& image, const CardPlacement& placement, const std::vector<InkStroke>& strokes)
{
    for (const InkStroke& stroke : strokes) {
        const Shape shape(placement.Stroke(stroke));
        const auto [left, top, right, bottom] = PixelsOf(BoundsOf(shape.Corners()), image);
        for (std::int32_t y = top; y < bottom; ++y)
            for (std::int32_t x = left; x < right; ++x)
                if (!image.Black(x, y) && shape.Coverage(x, y) >= kInkCoverage)
                    image.Set(x, y, true);
    }
}

// The ink on the side of the card the picture shows: the print and handwriting of a front, and
// the specks of damage on either side.
std::vector<InkStroke> InkOf(const CardOnPage& onPage, const CardDimensions& card)
{
    std::vector<InkStroke> strokes;
    if (onPage.front)
        strokes = PrintedFace(card, onPage.line);
    if (onPage.front && onPage.scribble) {
        const std::vector<InkStroke> pen = Scribbles(card, onPage.scribbleSeed);
        strokes.insert(strokes.end(), pen.begin(), pen.end());
    }
    for (const Damage& damage : onPage.damage)
        if (!damage.covered) {
            // A speck most of a hole's size, so that it may be taken for one.
            const PagePoint centre = FrontHoleCentre(card, damage.column, damage.position);
            const double half = 0.35 * card.holeHeight - 0.4 * card.holeWidth; // ends reach 0.4 width further
            strokes.push_back(
                {{centre.x, centre.y - half}, {centre.x, centre.y + half}, 0.8 * card.holeWidth});
        }
    return strokes;
}

// The punches this side shows: a covered hole is not seen.
CardPunches VisiblePunches(const CardOnPage& onPage)
{
    CardPunches punches = onPage.punches;
    for (const Damage& damage : onPage.damage)
        if (damage.covered)
            punches[static_cast<std::size_t>(damage.column - 1)] &=
                static_cast<PunchPattern>(~Algemeen::RowBit(damage.position - 1));
    return punches;
}

} // namespace

PageLayout LayOutPage(const std::vector<CardOnPage>& cards, const CardDimensions& card,
                      double pixelsPerMillimetre)
{
    const double margin = kPageMarginMm * pixelsPerMillimetre;
    std::vector<Box> boxes;
    double widest = 0.0, stacked = margin;
    for (const auto& each : cards) {
        boxes.push_back(BoundsOf(CardPlacement(card, pixelsPerMillimetre, each, {}).Outline()));
        widest = std::max(widest, boxes.back().right - boxes.back().left);
        stacked += boxes.back().bottom - boxes.back().top + margin;
    }
    PageLayout layout;
    layout.width = static_cast<std::int32_t>(std::ceil(widest + 2.0 * margin));
    layout.height = static_cast<std::int32_t>(std::ceil(stacked));
    double top = margin;
    for (const Box& box : boxes) {
        const double left = (layout.width - (box.right - box.left)) / 2.0;
        layout.centres.push_back({left - box.left, top - box.top});
        top += box.bottom - box.top + margin;
    }
    return layout;
}

BMPunit::BitImage RenderPage(const std::vector<CardOnPage>& cards, const PageLayout& layout,
                             const CardDimensions& card, double pixelsPerMillimetre, BMPunit::BitImage* ink)
{
    BMPunit::BitImage image(layout.width, layout.height, true);
    if (ink)
        *ink = BMPunit::BitImage(layout.width, layout.height, false);
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const CardPlacement placement(card, pixelsPerMillimetre, cards[i], layout.centres[i]);
        const Shape outline(placement.Outline());
        PaintOutline(image, outline);
        PaintHoles(image, placement, outline, VisiblePunches(cards[i]));
        // Ink after the holes: where it crosses a hole there is no card to carry it, and the
        // pixel stays as dark as the hole.
        PaintInk(ink ? *ink : image, placement, InkOf(cards[i], card));
    }
    return image;
}

std::int64_t AddSpeckNoise(BMPunit::BitImage& image, double fraction, std::uint64_t seed)
{
    const auto pixels = static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height);
    const auto wanted = static_cast<std::int64_t>(std::llround(fraction * static_cast<double>(pixels)));
    if (wanted <= 0 || image.width < 3 || image.height < 3)
        return 0;
    // Enough tries for any fraction that leaves room; more would only spin on a crowded picture.
    const std::int64_t tries = 100 * wanted + 10000;
    std::mt19937_64 random(seed);
    std::int64_t flipped = 0;
    for (std::int64_t t = 0; t < tries && flipped < wanted; ++t) {
        const std::uint64_t index = random() % pixels;
        const auto x = static_cast<std::int32_t>(index % static_cast<std::uint64_t>(image.width));
        const auto y = static_cast<std::int32_t>(index / static_cast<std::uint64_t>(image.width));
        if (x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1)
            continue;
        const bool colour = image.Black(x, y);
        bool alike = true;
        for (int dy = -1; dy <= 1 && alike; ++dy)
            for (int dx = -1; dx <= 1 && alike; ++dx)
                alike = image.Black(x + dx, y + dy) == colour;
        if (!alike)
            continue; // a flipped neighbour or an edge nearby: the speck would not stand alone
        image.Set(x, y, !colour);
        ++flipped;
    }
    return flipped;
}

} // namespace Punch
