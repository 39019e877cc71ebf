#include "Straighten.h"

#include "Binarise.h"
#include "Resolution.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace Imaging::Lept {

// Measured with a temporary print of the deviation: 80 punched single-card scans (grey PNG and
// colour JPEG, 100-600 dpi, turned 0-89 degrees, both card sizes, clean and with 5 % specks, light
// falloff, sensor noise and blur) at most 0.0019; the grey duplex scans of a real archive 0.0007;
// the real photo of a card taken square on 0.0013 at every turn of 15 degrees. Photos of a card
// tilted about its long or short middle line (camera at 1.5 picture widths): 2 degrees 0.0032 to
// 0.0038, 3 degrees 0.0043 to 0.0052, 5 degrees 0.0065 to 0.0080, 10 degrees 0.013 to 0.016, 20
// degrees 0.030 to 0.038. Without straightening, the reader's similarity fit flags columns from
// 0.0052 (3 degrees) on and reads nothing right by 0.01.
const double kPerspectiveThreshold = 0.003;

// Measured (the dimmest card cell's height above the level, as a share of its height above the
// surroundings): punched photos of cream, brown, pink and green cards square on, on dark and light
// surfaces, 0.34 to 0.45; grey and colour scans and the real pictures 0.47 to 0.51; a dim cream
// card (punch --photo --dim) that read a column wrong by the one level 0.26, and read exactly by
// its own levels.
const double kGlobalLevelMargin = 0.3;

namespace {

using Algemeen::RealPoint;
using Ogenblik::Quadrilateral;

// Margin of the straightened picture round the card, millimetres.
constexpr double kMarginMm = 6.0;

// Points on the outline of a region: the first and last pixel of each row and of each column.
std::vector<RealPoint> OutlinePoints(PIX* region, int left, int top)
{
    const int w = pixGetWidth(region), h = pixGetHeight(region), wpl = pixGetWpl(region);
    const l_uint32* data = pixGetData(region);
    std::vector<int> first(w, -1), last(w, -1);
    std::vector<RealPoint> points;
    for (int y = 0; y < h; ++y) {
        const l_uint32* line = data + static_cast<std::ptrdiff_t>(y) * wpl;
        int a = -1, b = -1;
        for (int x = 0; x < w; ++x)
            if (GET_DATA_BIT(line, x)) {
                if (a < 0)
                    a = x;
                b = x;
                if (first[x] < 0)
                    first[x] = y;
                last[x] = y;
            }
        if (a >= 0) {
            points.push_back({left + a + 0.0, top + y + 0.5});
            points.push_back({left + b + 1.0, top + y + 0.5});
        }
    }
    for (int x = 0; x < w; ++x)
        if (first[x] >= 0) {
            points.push_back({left + x + 0.5, top + first[x] + 0.0});
            points.push_back({left + x + 0.5, top + last[x] + 1.0});
        }
    return points;
}

double SideLength(const Quadrilateral& quad, int k)
{
    const RealPoint a = quad.Corners[k], b = quad.Corners[(k + 1) % 4];
    return std::hypot(b.X - a.X, b.Y - a.Y);
}

// Why a quadrilateral cannot be a card seen at up to some 30 degrees (empty when it can be): the
// outline on its sides, its long sides 1.5 to 3.5 times its short ones, opposite sides within a
// factor 1.6.
std::string NotCardShaped(const Ogenblik::QuadrilateralFit& fit)
{
    const Quadrilateral& q = fit.Quad;
    const double l0 = SideLength(q, 0), l2 = SideLength(q, 2), s1 = SideLength(q, 1), s3 = SideLength(q, 3);
    const double aspect = (l0 + l2) / (s1 + s3);
    if (fit.Inliers < 0.85)
        return "its outline is not four straight sides";
    if (!(aspect > 1.5 && aspect < 3.5)) {
        char why[96];
        std::snprintf(why, sizeof why, "its sides are %.1f : 1, a card's %.1f : 1",
                      std::max(aspect, 1 / aspect), kCardLengthMm / kCardWidthMm);
        return why;
    }
    if (std::max(l0, l2) >= 1.6 * std::min(l0, l2) || std::max(s1, s3) >= 1.6 * std::min(s1, s3))
        return "its opposite sides differ more than a card's in perspective";
    return {};
}

NotCard NotCardAt(const l_int32 left, const l_int32 top, const l_int32 w, const l_int32 h, std::string why)
{
    return {left, top, w, h, std::move(why)};
}

} // namespace

std::optional<FoundCard> FindCardQuadrilateral(PIX* pix1, bool* several, std::vector<NotCard>* notCards)
{
    if (several != nullptr)
        *several = false;
    const int w = pixGetWidth(pix1), h = pixGetHeight(pix1);
    PixPtr light(pixInvert(nullptr, pix1));
    // Regions too small to be a card the picture could be read at are not traced one by one; a card
    // less than 100 pixels across (under some 30 ppi) is not straightened: its cut corner takes
    // too much of its short sides for their lines to be fitted.
    const int smallest = std::max(100, std::min(w, h) / 8);
    PixPtr large(
        pixSelectBySize(light.get(), smallest, smallest, 8, L_SELECT_IF_BOTH, L_SELECT_IF_GTE, nullptr));
    if (!large)
        return std::nullopt;
    PIXA* regions = nullptr;
    BOXA* boxes = pixConnComp(large.get(), &regions, 8);
    boxaDestroy(&boxes);
    if (regions == nullptr)
        return std::nullopt;
    struct Candidate
    {
        FoundCard card;
        NotCard box;
    };
    std::vector<Candidate> found;
    std::vector<NotCard> rejected;
    for (int i = 0; i < pixaGetCount(regions); ++i) {
        PixPtr region(pixaGetPix(regions, i, L_CLONE));
        l_int32 left = 0, top = 0, rw = 0, rh = 0;
        pixaGetBoxGeometry(regions, i, &left, &top, &rw, &rh);
        // A region that reaches the picture's edge is the surroundings (a scan read the wrong
        // way round), or a card cut off by the frame: neither is straightened.
        // Only a region that spans nearly the whole picture is the surroundings themselves (a
        // scan's backing read the wrong way round, the room round a light box): not named.
        if (left <= 0 || top <= 0 || left + rw >= w || top + rh >= h) {
            if (rw < 0.9 * w || rh < 0.9 * h)
                rejected.push_back(NotCardAt(left, top, rw, rh, "it runs off the picture"));
            continue;
        }
        const auto fit = Ogenblik::FitQuadrilateral(OutlinePoints(region.get(), left, top));
        std::string why = fit ? NotCardShaped(*fit) : "its outline is not four straight sides";
        // A card is solid: its holes take a small part of it, never most of it as the card inside
        // a light frame (the light box round a backlit card read the wrong way round) does.
        l_int32 solid = 0;
        pixCountPixels(region.get(), &solid, nullptr);
        if (why.empty() && solid < 0.6 * Area(fit->Quad))
            why = "it is not solid: a frame or a ring, not a card";
        if (why.empty())
            found.push_back(
                {{fit->Quad, Ogenblik::RectangleDeviation(fit->Quad, kCardLengthMm / kCardWidthMm)},
                 NotCardAt(left, top, rw, rh, "a card's shape, but less than half the card's size")});
        else
            rejected.push_back(NotCardAt(left, top, rw, rh, std::move(why)));
    }
    pixaDestroy(&regions);
    std::sort(found.begin(), found.end(),
              [](const Candidate& a, const Candidate& b) { return Area(a.card.Quad) > Area(b.card.Quad); });
    const bool page = found.size() > 1 && Area(found[1].card.Quad) > 0.5 * Area(found[0].card.Quad);
    if (!page)
        for (std::size_t i = 1; i < found.size(); ++i)
            rejected.push_back(found[i].box);
    if (notCards != nullptr) {
        std::stable_sort(rejected.begin(), rejected.end(), [](const NotCard& a, const NotCard& b) {
            return std::int64_t{a.Width} * a.Height > std::int64_t{b.Width} * b.Height;
        });
        rejected.resize(std::min(rejected.size(), kMostNotCards));
        *notCards = std::move(rejected);
    }
    if (found.empty())
        return std::nullopt;
    if (page) {
        if (several != nullptr)
            *several = true;
        return std::nullopt;
    }
    return found.front().card;
}

bool EdgesHold(PIX* pix8, const Quadrilateral& quad, Polarity holes)
{
    // Samples 1.5 mm inside and outside each side (clear of the holes, which lie 4.5 mm or more in
    // from the edges), at 15 points from 15 % to 85 % of its length (clear of the corners, one of
    // them cut); the side holds when the median difference is at least a fifth of the median
    // inside. Measured on dim photos with light falling off strongly (punch --photo --dim, and
    // grey scans with --falloff 0.6 --card-white 110): a card's edge gives 0.6 to 0.7 of the
    // inside; the line where the light crosses the level of the whole picture 0.02.
    const double reach = std::max(2.0, 1.5 * CardScale(quad));
    const int w = pixGetWidth(pix8), h = pixGetHeight(pix8), wpl = pixGetWpl(pix8);
    const l_uint32* data = pixGetData(pix8);
    const auto grey = [&](double x, double y) {
        const int ix = std::clamp(static_cast<int>(x), 0, w - 1),
                  iy = std::clamp(static_cast<int>(y), 0, h - 1);
        const int v = GET_DATA_BYTE(data + static_cast<std::ptrdiff_t>(iy) * wpl, ix);
        return holes == Polarity::LightHoles ? 255 - v : v;
    };
    RealPoint centre{0, 0};
    for (const RealPoint& c : quad.Corners)
        centre = {centre.X + c.X / 4, centre.Y + c.Y / 4};
    for (int k = 0; k < 4; ++k) {
        const RealPoint a = quad.Corners[k], b = quad.Corners[(k + 1) % 4];
        const double length = SideLength(quad, k);
        double nx = -(b.Y - a.Y) / length, ny = (b.X - a.X) / length;
        const RealPoint middle{(a.X + b.X) / 2, (a.Y + b.Y) / 2};
        if (nx * (centre.X - middle.X) + ny * (centre.Y - middle.Y) < 0) {
            nx = -nx;
            ny = -ny;
        }
        std::vector<double> inside, step;
        for (int i = 0; i < 15; ++i) {
            const double t = 0.15 + 0.7 * i / 14;
            const double x = a.X + t * (b.X - a.X), y = a.Y + t * (b.Y - a.Y);
            const double in = grey(x + reach * nx, y + reach * ny);
            inside.push_back(in);
            step.push_back(in - grey(x - reach * nx, y - reach * ny));
        }
        std::nth_element(inside.begin(), inside.begin() + 7, inside.end());
        std::nth_element(step.begin(), step.begin() + 7, step.end());
        if (step[7] < 0.2 * inside[7])
            return false;
    }
    return true;
}

double CardScale(const Quadrilateral& quad)
{
    const double along = (SideLength(quad, 0) + SideLength(quad, 2)) / 2 / kCardLengthMm;
    const double across = (SideLength(quad, 1) + SideLength(quad, 3)) / 2 / kCardWidthMm;
    return std::max(along, across);
}

PixPtr WarpToCard(PIX* pix8, const Quadrilateral& quad, double pixelsPerMillimetre, std::uint8_t outside)
{
    const double s = pixelsPerMillimetre, m = kMarginMm * s;
    const double length = kCardLengthMm * s, width = kCardWidthMm * s;
    const std::array<RealPoint, 4> square{{{m, m}, {m + length, m}, {m + length, m + width}, {m, m + width}}};
    const auto toPicture = Ogenblik::Homography::FromCorners(square, quad.Corners);
    if (!toPicture)
        return nullptr;
    const int ow = static_cast<int>(std::lround(length + 2 * m)),
              oh = static_cast<int>(std::lround(width + 2 * m));
    PixPtr out(pixCreate(ow, oh, 8));
    if (!out)
        return nullptr;
    const int iw = pixGetWidth(pix8), ih = pixGetHeight(pix8), iwpl = pixGetWpl(pix8),
              owpl = pixGetWpl(out.get());
    const l_uint32* in = pixGetData(pix8);
    l_uint32* data = pixGetData(out.get());
    const auto sample = [&](int x, int y) -> double {
        if (x < 0 || y < 0 || x >= iw || y >= ih)
            return outside;
        return GET_DATA_BYTE(in + static_cast<std::ptrdiff_t>(y) * iwpl, x);
    };
    const auto& h = toPicture->Coefficients();
    for (int y = 0; y < oh; ++y) {
        l_uint32* line = data + static_cast<std::ptrdiff_t>(y) * owpl;
        const double cy = y + 0.5;
        for (int x = 0; x < ow; ++x) {
            // Pixel centres on both sides: the centre of output pixel (x, y) is (x + 0.5, y + 0.5).
            const double cx = x + 0.5, d = h[6] * cx + h[7] * cy + 1.0;
            const double px = (h[0] * cx + h[1] * cy + h[2]) / d - 0.5,
                         py = (h[3] * cx + h[4] * cy + h[5]) / d - 0.5;
            const double fx = std::floor(px), fy = std::floor(py);
            const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
            const double ax = px - fx, ay = py - fy;
            const double top = sample(x0, y0) * (1 - ax) + sample(x0 + 1, y0) * ax;
            const double bottom = sample(x0, y0 + 1) * (1 - ax) + sample(x0 + 1, y0 + 1) * ax;
            SET_DATA_BYTE(line, x, static_cast<l_uint32>(std::lround(top * (1 - ay) + bottom * ay)));
        }
    }
    pixSetResolution(out.get(), static_cast<l_int32>(std::lround(s * 25.4)),
                     static_cast<l_int32>(std::lround(s * 25.4)));
    return out;
}

namespace {

// The card's rectangle inside a straightened picture, in pixels.
struct CardRect
{
    int left, top, right, bottom; // right and bottom exclusive
};

CardRect CardRectangle(PIX* square, double s)
{
    const int m = static_cast<int>(std::lround(kMarginMm * s));
    return {m, m, std::min(pixGetWidth(square) - m, m + static_cast<int>(std::lround(kCardLengthMm * s))),
            std::min(pixGetHeight(square) - m, m + static_cast<int>(std::lround(kCardWidthMm * s)))};
}

// The median grey of the margin round the card: the surroundings' level.
double MarginLevel(PIX* square, const CardRect& card)
{
    std::array<std::size_t, 256> counts{};
    std::size_t total = 0;
    const int w = pixGetWidth(square), h = pixGetHeight(square), wpl = pixGetWpl(square);
    for (int y = 0; y < h; ++y) {
        const l_uint32* line = pixGetData(square) + static_cast<std::ptrdiff_t>(y) * wpl;
        const bool inside = y >= card.top && y < card.bottom;
        for (int x = 0; x < w;
             x += (inside && x >= card.left && x < card.right) ? card.right - card.left : 1) {
            if (inside && x >= card.left && x < card.right)
                continue;
            ++counts[GET_DATA_BYTE(line, x)];
            ++total;
        }
    }
    std::size_t seen = 0;
    for (int v = 0; v < 256; ++v)
        if ((seen += counts[v]) * 2 >= total)
            return v;
    return 0;
}

// The card's level per cell of `cell` pixels: the 75th percentile of its grey.
std::vector<double> RawCardLevels(PIX* square, const CardRect& card, int cell, int& nx, int& ny)
{
    nx = (card.right - card.left + cell - 1) / cell;
    ny = (card.bottom - card.top + cell - 1) / cell;
    std::vector<double> levels(static_cast<std::size_t>(nx) * ny, -1.0);
    const int wpl = pixGetWpl(square);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            std::array<int, 256> counts{};
            int total = 0;
            const int x0 = card.left + i * cell, y0 = card.top + j * cell;
            for (int y = y0; y < std::min(y0 + cell, card.bottom); ++y) {
                const l_uint32* line = pixGetData(square) + static_cast<std::ptrdiff_t>(y) * wpl;
                for (int x = x0; x < std::min(x0 + cell, card.right); ++x, ++total)
                    ++counts[GET_DATA_BYTE(line, x)];
            }
            int seen = 0, v = 0;
            while (v < 255 && (seen += counts[v]) * 4 < total * 3)
                ++v;
            levels[static_cast<std::size_t>(j) * nx + i] = v;
        }
    return levels;
}

// The card's level per cell as RawCardLevels; cells that are darker than the card's run (half-way
// from the surroundings to the median cell), such as the cut corner, filled from their neighbours.
std::vector<double> CardLevels(PIX* square, const CardRect& card, int cell, double surroundings, int& nx,
                               int& ny)
{
    std::vector<double> levels = RawCardLevels(square, card, cell, nx, ny);
    std::vector<double> sorted = levels;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double run = sorted[sorted.size() / 2];
    bool any = false;
    for (double& level : levels) {
        if (level < surroundings + 0.5 * (run - surroundings))
            level = -1.0;
        any = any || level >= 0.0;
    }
    if (!any)
        return {};
    FillMap(levels, nx, ny);
    return levels;
}

} // namespace

PixPtr BinariseCard(PIX* square8, double pixelsPerMillimetre, Polarity holes)
{
    PixPtr grey(holes == Polarity::LightHoles ? pixInvert(nullptr, square8) : pixClone(square8));
    PixPtr out(grey ? pixCreate(pixGetWidth(grey.get()), pixGetHeight(grey.get()), 1) : nullptr);
    if (!out)
        return nullptr;
    pixSetAll(out.get()); // black
    const CardRect card = CardRectangle(grey.get(), pixelsPerMillimetre);
    const double surroundings = MarginLevel(grey.get(), card);
    const int cell = std::max(4, static_cast<int>(std::lround(4.0 * pixelsPerMillimetre)));
    int nx = 0, ny = 0;
    const std::vector<double> levels = CardLevels(grey.get(), card, cell, surroundings, nx, ny);
    if (levels.empty())
        return nullptr;
    const auto level = [&](int i, int j) {
        return levels[static_cast<std::size_t>(std::clamp(j, 0, ny - 1)) * nx + std::clamp(i, 0, nx - 1)];
    };
    const int wpl = pixGetWpl(grey.get()), owpl = pixGetWpl(out.get());
    for (int y = card.top; y < card.bottom; ++y) {
        const l_uint32* line = pixGetData(grey.get()) + static_cast<std::ptrdiff_t>(y) * wpl;
        l_uint32* to = pixGetData(out.get()) + static_cast<std::ptrdiff_t>(y) * owpl;
        // Bilinear between the cells' centres.
        const double fy = (y - card.top + 0.5) / cell - 0.5;
        const int j = static_cast<int>(std::floor(fy));
        const double ay = fy - j;
        for (int x = card.left; x < card.right; ++x) {
            const double fx = (x - card.left + 0.5) / cell - 0.5;
            const int i = static_cast<int>(std::floor(fx));
            const double ax = fx - i;
            const double here = (level(i, j) * (1 - ax) + level(i + 1, j) * ax) * (1 - ay) +
                                (level(i, j + 1) * (1 - ax) + level(i + 1, j + 1) * ax) * ay;
            if (GET_DATA_BYTE(line, x) > surroundings + 0.5 * (here - surroundings))
                CLEAR_DATA_BIT(to, x);
        }
    }
    return out;
}

bool GlobalLevelHolds(PIX* pix8, const Quadrilateral& quad, int threshold, Polarity holes)
{
    // The card looked at coarsely (2 pixels a millimetre, cells of 4 mm) is enough to know its light.
    constexpr double kScale = 2.0;
    PixPtr square = WarpToCard(pix8, quad, kScale, holes == Polarity::DarkHoles ? 0 : 255);
    if (!square)
        return true;
    if (holes == Polarity::LightHoles)
        pixInvert(square.get(), square.get());
    const CardRect card = CardRectangle(square.get(), kScale);
    const double surroundings = MarginLevel(square.get(), card);
    int nx = 0, ny = 0;
    std::vector<double> levels = RawCardLevels(square.get(), card, 8, nx, ny);
    if (levels.empty())
        return true;
    const std::size_t at = levels.size() / 20;
    std::nth_element(levels.begin(), levels.begin() + at, levels.end());
    const double low = levels[at], level = holes == Polarity::LightHoles ? 255 - threshold : threshold;
    return low - level >= kGlobalLevelMargin * (low - surroundings);
}

} // namespace Imaging::Lept
