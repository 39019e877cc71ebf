#include "Binarise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace Imaging::Lept {

// Measured with bench/grey-channel.sh on simulated colour scans (a cream card, a blue-black
// backing, independent noise per channel): the luminance separates card from background and
// holes better. It averages the channels' noise away, where the brightest channel keeps it and
// raises the dark parts most (the largest of three noisy values), and it keeps a tinted backing as
// dark as it looks; see the report of that script for the figures.
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
        for (std::int32_t x = 0; x < w; ++x)
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
// below m (1 + k (s / 128 - 1)), m and s the mean and standard deviation in a window around it
// (Leptonica's pixSauvolaBinarize, k = 0.34). Where nothing in the window varies (s small, the
// inside of the black backing or of a blank stretch of card) that threshold sits just below the
// mean and would call the backing light. There the threshold is taken instead from the
// surrounding parts that do vary: the mean local threshold per tile of the window's size, tiles
// without such parts filled in from their neighbours (a threshold surface in the manner of
// Yanowitz and Bruckstein), so it follows light that falls off across the page.

constexpr float kSauvolaFactor = 0.34f;

int SauvolaHalfWindow(PIX* pix8, double ppi)
{
    const int w = pixGetWidth(pix8), h = pixGetHeight(pix8);
    // Half an inch across: wider than a hole (1/8 inch high) so that a hole never fills a window.
    int half = ppi > 0.0 ? static_cast<int>(std::lround(0.25 * ppi)) : std::max(7, std::min(w, h) / 16);
    return std::min(half, (std::min(w, h) - 3) / 2);
}

// Fills the empty (negative) cells of a map from their filled neighbours, a ring at a time.
void FillMap(std::vector<double>& map, int nx, int ny)
{
    bool missing = true;
    while (missing) {
        missing = false;
        std::vector<double> next = map;
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                if (map[j * nx + i] >= 0.0)
                    continue;
                double sum = 0.0;
                int n = 0;
                for (const auto& [di, dj] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                    const int a = i + di, b = j + dj;
                    if (a >= 0 && a < nx && b >= 0 && b < ny && map[b * nx + a] >= 0.0) {
                        sum += map[b * nx + a];
                        ++n;
                    }
                }
                if (n > 0)
                    next[j * nx + i] = sum / n;
                else
                    missing = true;
            }
        map.swap(next);
    }
}

PixPtr SauvolaThreshold(PIX* pix8, double ppi, int globalThreshold, double flatSpread)
{
    const int half = SauvolaHalfWindow(pix8, ppi);
    if (half < 2)
        return FixedThreshold(pix8, globalThreshold);
    PIX *mean = nullptr, *spread = nullptr, *local = nullptr;
    if (pixSauvolaBinarize(pix8, half, kSauvolaFactor, 1, &mean, &spread, &local, nullptr) != 0)
        return nullptr;
    PixPtr meanOwner(mean), spreadOwner(spread), localOwner(local);
    const int w = pixGetWidth(pix8), h = pixGetHeight(pix8), tile = 2 * half + 1;
    const int nx = (w + tile - 1) / tile, ny = (h + tile - 1) / tile;
    std::vector<double> sum(static_cast<std::size_t>(nx) * ny, 0.0), count(sum.size(), 0.0);
    auto line = [](PIX* p, int y) { return pixGetData(p) + static_cast<std::ptrdiff_t>(y) * pixGetWpl(p); };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (GET_DATA_BYTE(line(spread, y), x) >= flatSpread) {
                sum[(y / tile) * nx + x / tile] += GET_DATA_BYTE(line(local, y), x);
                count[(y / tile) * nx + x / tile] += 1.0;
            }
    bool anyVaries = false;
    for (std::size_t i = 0; i < sum.size(); ++i) {
        sum[i] = count[i] > 0.0 ? sum[i] / count[i] : -1.0;
        anyVaries = anyVaries || count[i] > 0.0;
    }
    if (!anyVaries)
        return FixedThreshold(pix8, globalThreshold);
    FillMap(sum, nx, ny);
    PixPtr out(pixCreate(w, h, 1));
    if (!out)
        return nullptr;
    for (int y = 0; y < h; ++y) {
        l_uint32* to = line(out.get(), y);
        for (int x = 0; x < w; ++x) {
            const int value = GET_DATA_BYTE(line(pix8, y), x);
            const double limit = GET_DATA_BYTE(line(spread, y), x) >= flatSpread
                                     ? GET_DATA_BYTE(line(local, y), x)
                                     : sum[(y / tile) * nx + x / tile];
            if (value < limit)
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
    // A window "varies" when its spread exceeds a sixth of the distance between the two classes:
    // well above sensor noise, well below the spread across a card's edge or a hole.
    return SauvolaThreshold(pix8, ppi, threshold, std::max(4.0, (light - dark) / 6.0));
}

} // namespace Imaging::Lept
