#include "Binarise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace Imaging::Lept {

// Luminance, measured with bench/grey-channel.sh on simulated colour scans (a cream card, a
// blue-black backing, independent noise per channel, box blur 1): the Fisher separation of card
// from backing and holes was 51.8 against 53.8 for the brightest channel at black 20 / card 235 /
// noise 4, but 40.1 against 37.1 at black 55 / card 175 / falloff 12 % / noise 6, and 30.2 against
// 23.5 with noise 12 (Otsu then misplaced 1123 pixels against 1799). The luminance averages the
// channels' noise, where the largest of three noisy values keeps it and lifts the dark parts most;
// only on clean bright scans is the brightest channel a little ahead, where either reads.
const GreyFrom kGreyFromColour = GreyFrom::Luminance;

PixPtr GreyFromColour(PIX* pix32, GreyFrom method)
{
    if (method == GreyFrom::BrightestChannel)
        return PixPtr(pixConvertRGBToGrayMinMax(pix32, L_CHOOSE_MAX));
    return PixPtr(pixConvertRGBToLuminance(pix32));
}

namespace {

using Histogram = std::array<double, 256>;

Histogram GreyHistogram(PIX* pix8)
{
    Histogram counts{};
    const std::int32_t w = pixGetWidth(pix8), h = pixGetHeight(pix8), wpl = pixGetWpl(pix8);
    const l_uint32* data = pixGetData(pix8);
    std::array<std::uint32_t, 256> tally{};
    for (std::int32_t y = 0; y < h; ++y) {
        const l_uint32* line = data + static_cast<std::ptrdiff_t>(y) * wpl;
        // The bytes of the row's whole words are its first pixels in another order, which a count
        // does not mind; only the last, partly filled word needs the pixel order.
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(line);
        const std::int32_t whole = w & ~3;
        for (std::int32_t x = 0; x < whole; ++x)
            ++tally[bytes[x]];
        for (std::int32_t x = whole; x < w; ++x)
            ++tally[GET_DATA_BYTE(line, x)];
        if ((y & 255) == 255) { // keeps the 32-bit tallies from overflowing
            for (int v = 0; v < 256; ++v)
                counts[v] += tally[v];
            tally.fill(0);
        }
    }
    for (int v = 0; v < 256; ++v)
        counts[v] += tally[v];
    return counts;
}

// Otsu's method (N. Otsu, "A threshold selection method from gray-level histograms", 1979):
// the split that maximises w0 w1 (m0 - m1)^2. Also gives the two class means.
int OtsuOnHistogram(const Histogram& counts, double& darkMean, double& lightMean)
{
    double total = 0.0, sum = 0.0;
    for (int v = 0; v < 256; ++v) {
        total += counts[v];
        sum += v * counts[v];
    }
    double w0 = 0.0, s0 = 0.0, best = -1.0;
    int first = -1, last = -1;
    for (int t = 0; t < 255; ++t) {
        w0 += counts[t];
        s0 += t * counts[t];
        if (w0 == 0.0 || w0 == total)
            continue;
        const double m0 = s0 / w0, m1 = (sum - s0) / (total - w0);
        const double score = w0 * (total - w0) * (m0 - m1) * (m0 - m1);
        if (score > best * (1.0 + 1e-12)) {
            best = score;
            first = last = t;
            darkMean = m0;
            lightMean = m1;
        } else if (score >= best * (1.0 - 1e-12)) {
            last = t;
        }
    }
    if (first < 0) {
        darkMean = lightMean = total > 0.0 ? sum / total : 0.0;
        return 127;
    }
    return (first + last) / 2;
}

PixPtr FixedThreshold(PIX* pix8, int threshold)
{
    if (threshold >= 255) { // everything dark
        PixPtr all(pixCreate(pixGetWidth(pix8), pixGetHeight(pix8), 1));
        if (all)
            pixSetAll(all.get());
        return all;
    }
    return PixPtr(pixThresholdToBinary(pix8, threshold + 1)); // Leptonica: value < thresh is black
}

// ---- Sauvola ------------------------------------------------------------------------------
//
// J. Sauvola and M. Pietikäinen, "Adaptive document image binarization" (2000): a pixel is dark
// below m (1 + k (s / R - 1)), m and s the mean and standard deviation in a window around it
// (computed by Leptonica's pixSauvolaBinarize), k = 0.34, R the largest spread there is. That rule
// assumes that dark means 0; our dark parts are a black level well above 0, which puts the
// threshold of the backing beside a card's edge right on the black level. So, as C. Wolf and
// J.-M. Jolion normalise it, the rule is applied above the local dark level d, with R half the
// distance between the local dark and light levels (the spread of a window centred on an edge):
//     t = d + (m - d) (1 + k (s / R - 1)),
// kept within the middle half between the levels, where sensor noise cannot cross it.
// The local levels come from the tiles (of the window's size) that hold both dark and light: their
// Otsu classes, tiles without filled in from their neighbours. Where nothing in the window varies
// (inside the backing or a blank stretch of card) the rule cannot tell dark from light; there the
// tiles' Otsu thresholds are used, a threshold surface after S. D. Yanowitz and A. M. Bruckstein.
// So the thresholds follow light that falls off across the page.

constexpr float kSauvolaFactor = 0.34f;

int SauvolaHalfWindow(PIX* pix8, double ppi)
{
    const int w = pixGetWidth(pix8), h = pixGetHeight(pix8);
    // Half an inch across: wider than a hole (1/8 inch high) so that a hole never fills a window.
    int half = ppi > 0.0 ? static_cast<int>(std::lround(0.25 * ppi)) : std::max(7, std::min(w, h) / 16);
    return std::min(half, (std::min(w, h) - 3) / 2);
}

} // namespace

void FillMap(std::vector<double>& map, int nx, int ny)
{
    const std::size_t cells = map.size();
    std::vector<char> known(cells), queued(cells);
    for (std::size_t c = 0; c < cells; ++c)
        known[c] = map[c] >= 0.0;
    // Calls visit(n) for each neighbour n of cell c within the map: left, right, up, down.
    auto forNeighbours = [nx, ny](std::size_t c, auto&& visit) {
        const int i = static_cast<int>(c % static_cast<std::size_t>(nx)),
                  j = static_cast<int>(c / static_cast<std::size_t>(nx));
        for (const auto& [di, dj] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
            const int a = i + di, b = j + dj;
            if (a >= 0 && a < nx && b >= 0 && b < ny)
                visit(static_cast<std::size_t>(b) * static_cast<std::size_t>(nx) +
                      static_cast<std::size_t>(a));
        }
    };
    // The empty cells beside any of `from`, each once, into `ring`.
    auto nextRing = [&](const std::vector<std::size_t>& from, std::vector<std::size_t>& ring) {
        ring.clear();
        for (const std::size_t c : from)
            forNeighbours(c, [&](std::size_t n) {
                if (!known[n] && !queued[n]) {
                    queued[n] = 1;
                    ring.push_back(n);
                }
            });
    };
    std::vector<std::size_t> filled, ring;
    for (std::size_t c = 0; c < cells; ++c)
        if (known[c])
            filled.push_back(c);
    std::vector<double> values;
    for (nextRing(filled, ring); !ring.empty(); nextRing(filled, ring)) {
        values.assign(ring.size(), 0.0);
        for (std::size_t r = 0; r < ring.size(); ++r) {
            double sum = 0.0;
            int n = 0;
            forNeighbours(ring[r], [&](std::size_t k) {
                if (known[k]) {
                    sum += map[k];
                    ++n;
                }
            });
            values[r] = sum / n;
        }
        for (std::size_t r = 0; r < ring.size(); ++r) {
            map[ring[r]] = values[r];
            known[ring[r]] = 1;
        }
        filled.swap(ring);
    }
}

namespace {

l_uint32* Line(PIX* pix, int y)
{
    return pixGetData(pix) + static_cast<std::ptrdiff_t>(y) * pixGetWpl(pix);
}

// The surfaces through the tiles (of `tile` pixels square) that hold both classes (each at least
// 1 % of the tile, their means `separation` apart): per tile its Otsu threshold and the means of its
// dark and light classes; the other tiles filled in from their neighbours. Empty when no tile
// holds both.
struct Surfaces
{
    int nx = 0, tile = 1;
    std::vector<double> threshold, dark, light;
    std::size_t At(int x, int y) const { return static_cast<std::size_t>((y / tile) * nx + x / tile); }
};

Surfaces TileSurfaces(PIX* pix8, int tile, double separation)
{
    const int w = pixGetWidth(pix8), h = pixGetHeight(pix8);
    Surfaces s;
    s.tile = tile;
    s.nx = (w + tile - 1) / tile;
    const int ny = (h + tile - 1) / tile;
    std::vector<Histogram> counts(static_cast<std::size_t>(s.nx) * ny, Histogram{});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            counts[s.At(x, y)][GET_DATA_BYTE(Line(pix8, y), x)] += 1.0;
    s.threshold.assign(counts.size(), -1.0);
    s.dark = s.light = s.threshold;
    bool any = false;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        double dark = 0.0, light = 0.0, total = 0.0, below = 0.0;
        const int t = OtsuOnHistogram(counts[i], dark, light);
        for (int v = 0; v < 256; ++v) {
            total += counts[i][v];
            below += v <= t ? counts[i][v] : 0.0;
        }
        if (light - dark >= separation && below >= 0.01 * total && total - below >= 0.01 * total) {
            s.threshold[i] = t;
            s.dark[i] = dark;
            s.light[i] = light;
            any = true;
        }
    }
    if (!any)
        return {};
    for (auto* map : {&s.threshold, &s.dark, &s.light})
        FillMap(*map, s.nx, ny);
    return s;
}

PixPtr SauvolaThreshold(PIX* pix8, double ppi, int globalThreshold, double classes)
{
    const int half = SauvolaHalfWindow(pix8, ppi);
    const Surfaces surfaces = half >= 2 ? TileSurfaces(pix8, 2 * half + 1, classes / 4.0) : Surfaces{};
    if (surfaces.threshold.empty())
        return FixedThreshold(pix8, globalThreshold);
    PIX *mean = nullptr, *spread = nullptr, *local = nullptr;
    if (pixSauvolaBinarize(pix8, half, kSauvolaFactor, 1, &mean, &spread, &local, nullptr) != 0)
        return nullptr;
    PixPtr meanOwner(mean), spreadOwner(spread), localOwner(local);
    const int w = pixGetWidth(pix8), h = pixGetHeight(pix8);
    PixPtr out(pixCreate(w, h, 1));
    if (!out)
        return nullptr;
    for (int y = 0; y < h; ++y) {
        l_uint32* to = Line(out.get(), y);
        const l_uint32 *from = Line(pix8, y), *m = Line(mean, y), *s = Line(spread, y);
        for (int x = 0; x < w; ++x) {
            const std::size_t at = surfaces.At(x, y);
            const double dark = surfaces.dark[at], light = surfaces.light[at], range = (light - dark) / 2.0;
            double limit = surfaces.threshold[at] + 0.5; // dark up to and including the tile's threshold
            // A window "varies" when its spread exceeds a third of the distance between the local
            // classes: well above sensor noise. Its threshold is kept to the middle half between them.
            const double sd = GET_DATA_BYTE(s, x);
            if (sd >= range * 2.0 / 3.0) {
                const double t =
                    dark + (GET_DATA_BYTE(m, x) - dark) * (1.0 + kSauvolaFactor * (sd / range - 1.0));
                limit = std::clamp(t, dark + range / 2.0, light - range / 2.0);
            }
            if (GET_DATA_BYTE(from, x) < limit)
                SET_DATA_BIT(to, x);
        }
    }
    return out;
}

} // namespace

int OtsuThreshold(PIX* pix8)
{
    double dark = 0.0, light = 0.0;
    return OtsuOnHistogram(GreyHistogram(pix8), dark, light);
}

PixPtr Binarise(PIX* pix8, const DecodeOptions& options, double ppi, int& threshold)
{
    if (options.Method == Binarisation::Fixed) {
        threshold = std::clamp(options.Threshold, 0, 255);
        return FixedThreshold(pix8, threshold);
    }
    double dark = 0.0, light = 0.0;
    threshold = OtsuOnHistogram(GreyHistogram(pix8), dark, light);
    if (options.Method == Binarisation::Otsu)
        return FixedThreshold(pix8, threshold);
    return SauvolaThreshold(pix8, ppi, threshold, std::max(1.0, light - dark));
}

} // namespace Imaging::Lept
