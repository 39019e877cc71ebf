// Speed of TraceContours (both passes, linking and numbering) on scans of punched cards made here:
// white cards of 187 x 83 mm with a few hundred rectangular holes, slightly rotated, on a black
// background with light speckle.
//
//   one card at 200 dpi, an A4 page of three cards at 300 dpi and at 600 dpi, and the 600 dpi
//   page with 1 % of its pixels flipped.
//
// Counters: pixels, pieces and contours of the picture; bench/trace.sh turns the median time into
// nanoseconds per pixel and per piece. Besides the repeated trace, the first trace of a picture
// (node array not yet allocated) and a trace with an event pump that costs what the window's does
// are measured on the 600 dpi pages.
#include "Algemeen.h"
#include "BMPunit.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <string_view>

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kCardWidth = 187.0, kCardHeight = 83.0;
constexpr double kHoleWidth = 1.4, kHoleHeight = 3.2;
constexpr double kColumnPitch = 2.21, kRowPitch = 6.35;
constexpr double kFirstColumn = 6.3, kFirstRow = 6.0; // hole centres from the card's left/top edge
constexpr double kCornerCut = 6.0;                    // the cut top-left corner, along each edge

// A card placed on the picture: centre and rotation, and which of its 80 x 12 positions are
// punched.
struct Card
{
    double centreX, centreY;   // millimetres
    double cosine, sine;       // of the rotation
    std::vector<bool> punched; // column * 12 + row

    Card(double x, double y, double degrees, std::mt19937& random)
        : centreX(x), centreY(y), cosine(std::cos(degrees * M_PI / 180)), sine(std::sin(degrees * M_PI / 180))
    {
        punched.assign(80 * 12, false);
        std::uniform_int_distribution<int> rows(0, 11), count(1, 5);
        for (int column = 0; column < 80; ++column)
            for (int k = count(random); k > 0; --k)
                punched[static_cast<std::size_t>(column * 12 + rows(random))] = true;
    }

    // Whether the point (millimetres, picture frame) lies on the card's white paper.
    bool White(double x, double y) const
    {
        const double dx = x - centreX, dy = y - centreY;
        const double u = cosine * dx + sine * dy + kCardWidth / 2,
                     v = -sine * dx + cosine * dy + kCardHeight / 2;
        if (u < 0 || v < 0 || u >= kCardWidth || v >= kCardHeight || u + v < kCornerCut)
            return false;
        const int column = static_cast<int>(std::lround((u - kFirstColumn) / kColumnPitch));
        const int row = static_cast<int>(std::lround((v - kFirstRow) / kRowPitch));
        if (column < 0 || column >= 80 || row < 0 || row >= 12 ||
            !punched[static_cast<std::size_t>(column * 12 + row)])
            return true;
        const double holeU = kFirstColumn + column * kColumnPitch, holeV = kFirstRow + row * kRowPitch;
        return std::abs(u - holeU) > kHoleWidth / 2 || std::abs(v - holeV) > kHoleHeight / 2;
    }
};

BMPunit::BitImage Draw(double widthMm, double heightMm, int dpi, const std::vector<Card>& cards,
                       double flipShare, std::mt19937& random)
{
    const double pixelsPerMm = dpi / kMillimetresPerInch;
    const auto width = static_cast<std::int32_t>(std::lround(widthMm * pixelsPerMm));
    const auto height = static_cast<std::int32_t>(std::lround(heightMm * pixelsPerMm));
    BMPunit::BitImage image(width, height, true);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            for (const Card& card : cards)
                if (card.White((x + 0.5) / pixelsPerMm, (y + 0.5) / pixelsPerMm)) {
                    image.Set(x, y, false);
                    break;
                }
    // Flip a share of the pixels: a light speckle, or the heavy noise of the last picture.
    std::uniform_int_distribution<std::size_t> anywhere(0, image.black.size() - 1);
    for (auto n = static_cast<std::size_t>(flipShare * static_cast<double>(image.black.size())); n > 0; --n) {
        auto& pixel = image.black[anywhere(random)];
        pixel = pixel ? 0 : 1;
    }
    return image;
}

BMPunit::BitImage DrawPicture(std::string_view name)
{
    std::mt19937 random(20240611);
    constexpr double kSpeckle = 0.00005;
    if (name == "card200")
        return Draw(200, 96, 200, {Card(100, 48, 1.2, random)}, kSpeckle, random);
    const std::vector<Card> page = {Card(104, 52, 0.8, random), Card(106, 147, -1.5, random),
                                    Card(105, 242, 2.1, random)};
    if (name == "page300")
        return Draw(210, 297, 300, page, kSpeckle, random);
    if (name == "page600")
        return Draw(210, 297, 600, page, kSpeckle, random);
    return Draw(210, 297, 600, page, 0.01, random); // page600flipped
}

// The BMP file of each picture, made once for all repetitions.
const std::vector<std::uint8_t>& PictureFile(const std::string& name)
{
    static std::map<std::string, std::vector<std::uint8_t>> files;
    auto found = files.find(name);
    if (found == files.end())
        found = files.emplace(name, BMPunit::EncodeBitmap(DrawPicture(name), 23622)).first;
    return found->second;
}

// Pumps the way the window does: a counter, a look at the clock every 256 calls, and the event
// loop (here: nothing) when some milliseconds have passed.
class WindowLikeEvents : public Algemeen::EventPump
{
public:
    void PumpEvents() override
    {
        if (++calls_ % 256 != 0)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ >= std::chrono::milliseconds(20)) {
            last_ = now;
            ++runs;
        }
    }
    long runs = 0;

private:
    long calls_ = 0;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// The picture being traced, its store and a log that writes nowhere.
Algemeen::NullConsole gConsole;
Algemeen::SystemClock gClock;
Algemeen::RunLog gLog(gConsole, gClock);
korvane::Picture gPicture;
BMPunit::ContourStore gStore;

bool LoadPicture(benchmark::State& state, std::string_view name)
{
    BMPunit::BmpFile file;
    file.BitmapBytes = PictureFile(std::string(name));
    file.BitmapFileSize = static_cast<std::int32_t>(file.BitmapBytes.size());
    if (BMPunit::CheckBitmapHeader(file, gConsole)) {
        gPicture = BMPunit::TakePicture(std::move(file));
        return true;
    }
    state.SkipWithError("the picture was refused");
    return false;
}

void TraceContours(Algemeen::EventPump& events)
{
    BMPunit::TraceContours(gPicture, gStore, gLog, events);
}

void Finish(benchmark::State& state)
{
    state.counters["pixels"] = static_cast<double>(gPicture.Width) * gPicture.Height;
    state.counters["pieces"] = gStore.PieceCount;
    state.counters["contours"] = gStore.ContourCount();
    gStore.Release();
    gPicture = korvane::Picture{};
}

// Tracing the same picture again, as a repeated Process does: the node array of the last trace
// is reused.
void BM_TraceContours(benchmark::State& state, std::string_view name)
{
    if (!LoadPicture(state, name))
        return;
    Algemeen::NoEvents events;
    for (auto _ : state)
        TraceContours(events);
    Finish(state);
}

// The first trace of a picture: the node array is allocated and touched for the first time.
void BM_TraceContoursFirstTime(benchmark::State& state, std::string_view name)
{
    if (!LoadPicture(state, name))
        return;
    Algemeen::NoEvents events;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<BMPunit::ContourNode>().swap(gStore.ContourNodes);
        state.ResumeTiming();
        TraceContours(events);
    }
    Finish(state);
}

// With an event pump that costs what the window's does.
void BM_TraceContoursWindowPump(benchmark::State& state, std::string_view name)
{
    if (!LoadPicture(state, name))
        return;
    WindowLikeEvents events;
    for (auto _ : state)
        TraceContours(events);
    Finish(state);
}

#define KORVANE_TRACE_BENCH(function, name)                                                                  \
    BENCHMARK_CAPTURE(function, name, #name)->Unit(benchmark::kMillisecond)->UseRealTime()

KORVANE_TRACE_BENCH(BM_TraceContours, card200);
KORVANE_TRACE_BENCH(BM_TraceContours, page300);
KORVANE_TRACE_BENCH(BM_TraceContours, page600);
KORVANE_TRACE_BENCH(BM_TraceContours, page600flipped);
KORVANE_TRACE_BENCH(BM_TraceContoursFirstTime, page600);
KORVANE_TRACE_BENCH(BM_TraceContoursFirstTime, page600flipped);
KORVANE_TRACE_BENCH(BM_TraceContoursWindowPump, page600);
KORVANE_TRACE_BENCH(BM_TraceContoursWindowPump, page600flipped);

} // namespace

BENCHMARK_MAIN();
