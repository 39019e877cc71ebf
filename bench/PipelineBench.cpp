// Open + Process of full pages, and Pick to text of one card, through the window's commands on a
// recording window, as korvane-cli runs them.
#include "BMPunit.h"
#include "CardRenderer.h"
#include "Overlay.h"
#include "ProcessPass.h"
#include "ReaderInternals.h"
#include "RecordingWindow.h"
#include "Unit1.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>

namespace {

// Console output is part of the work but not of interest here.
Algemeen::NullConsole gNull;
Algemeen::SystemClock gClock;

// The run of this program: its state (its reader among it) carries over from picture to picture
// and from one benchmark to the next, as a user's window does.
Unit1::RunState& TheRun()
{
    static Unit1::RunState run(gNull, gClock);
    return run;
}

// Card punches with exactly `count` holes at pseudo-random cells.
Punch::CardPunches RandomPunches(int count, std::uint32_t seed)
{
    Punch::CardPunches punches{};
    std::mt19937 random(seed);
    for (int n = 0; n < count;) {
        auto& column = punches[random() % 80];
        const auto bit = Algemeen::RowBit(static_cast<int>(random() % 12));
        if ((column & bit) == 0) {
            column |= bit;
            ++n;
        }
    }
    return punches;
}

// Cards rendered one below the other, copied into a black canvas of at least the given size.
BMPunit::BitImage Canvas(const std::vector<Punch::CardOnPage>& cards, double dpi, double widthMm,
                         double heightMm, Punch::PageLayout& layout)
{
    const double scale = dpi / 25.4;
    layout = Punch::LayOutPage(cards, Punch::kRealCard, scale);
    const auto page = Punch::RenderPage(cards, layout, Punch::kRealCard, scale);
    const auto w =
        std::max<std::int32_t>(page.width, static_cast<std::int32_t>(std::lround(widthMm * scale)));
    const auto h =
        std::max<std::int32_t>(page.height, static_cast<std::int32_t>(std::lround(heightMm * scale)));
    BMPunit::BitImage canvas(w, h, true);
    for (std::int32_t y = 0; y < page.height; ++y)
        for (std::int32_t x = 0; x < page.width; ++x)
            canvas.Set(x, y, page.Black(x, y));
    return canvas;
}

void FlipPixels(BMPunit::BitImage& image, double fraction, std::uint32_t seed)
{
    std::mt19937_64 random(seed);
    const auto n = static_cast<std::uint64_t>(fraction * static_cast<double>(image.black.size()));
    for (std::uint64_t k = 0; k < n; ++k) {
        auto& p = image.black[random() % image.black.size()];
        p = p ? 0 : 1;
    }
}

// The benchmark's files live in one scratch directory (the log file is written there).
std::string Scratch(const std::string& name)
{
    static const auto dir = [] {
        auto d = std::filesystem::temp_directory_path() / "korvane-bench";
        std::filesystem::create_directories(d);
        std::filesystem::current_path(d);
        return d;
    }();
    return (dir / name).string();
}

// Roughens every black/white boundary: each pixel with a neighbour of the other colour changes
// colour with the given chance, as the edges of real cards and holes come out of a scanner.
void Roughen(BMPunit::BitImage& image, double chance, std::uint32_t seed)
{
    const BMPunit::BitImage before = image;
    std::mt19937 random(seed);
    std::bernoulli_distribution flip(chance);
    for (std::int32_t y = 1; y + 1 < image.height; ++y)
        for (std::int32_t x = 1; x + 1 < image.width; ++x) {
            const bool b = before.Black(x, y);
            if ((before.Black(x - 1, y) != b || before.Black(x + 1, y) != b || before.Black(x, y - 1) != b ||
                 before.Black(x, y + 1) != b) &&
                flip(random))
                image.Set(x, y, !b);
        }
}

// Three densely punched cards with rough edges at 600 dpi: where the containment test of the
// holes against the card outlines costs most.
std::string RoughPage()
{
    const std::string name = Scratch("a4-600-rough.bmp");
    if (std::filesystem::exists(name))
        return name;
    std::vector<Punch::CardOnPage> cards{
        {RandomPunches(700, 5), 1.5}, {RandomPunches(700, 6), -2.0}, {RandomPunches(700, 7), 0.7}};
    Punch::PageLayout layout;
    auto image = Canvas(cards, 600, 210, 297, layout);
    Roughen(image, 0.04, 13);
    BMPunit::WriteFileBytes(name, BMPunit::EncodeBitmap(image, 23622));
    return name;
}

std::string A4Page(double dpi, double noise)
{
    const std::string name = Scratch("a4-" + std::to_string(static_cast<int>(dpi)) + "-" +
                                     std::to_string(static_cast<int>(noise * 1000)) + ".bmp");
    if (std::filesystem::exists(name))
        return name;
    std::vector<Punch::CardOnPage> cards{
        {RandomPunches(300, 1), 1.5}, {RandomPunches(300, 2), -2.0}, {RandomPunches(300, 3), 0.7}};
    Punch::PageLayout layout;
    auto image = Canvas(cards, dpi, 210, 297, layout);
    if (noise > 0)
        FlipPixels(image, noise, 9);
    BMPunit::WriteFileBytes(
        name, BMPunit::EncodeBitmap(image, static_cast<std::int32_t>(std::lround(dpi / 0.0254))));
    return name;
}

// Open and Process in a new window of the run, as a user does picture after picture: the run's
// state (its reader among it) carries over from the last picture, also from one benchmark to the
// next, which the library runs more than once, with as few as two iterations.
void OpenAndProcess(Unit1::RecordingWindow& window, Unit1::RunState& run, const std::string& scan)
{
    Unit1::Starten(window, run);
    window.QueueDialogAnswer(scan);
    Unit1::Open1Click(window, run);
    Unit1::Process1Click(window, run);
}

void BM_OpenProcess(benchmark::State& state, double dpi, double noise, bool rasterise)
{
    const std::string scan = A4Page(dpi, noise);
    for (auto _ : state) {
        Unit1::RecordingWindow window;
        OpenAndProcess(window, TheRun(), scan);
        if (!window.MenuEnabled(Unit1::MenuItem::Select1))
            state.SkipWithError("the page was not processed");
        if (rasterise)
            benchmark::DoNotOptimize(window.ShownBitmap().Pixels().data());
    }
    const auto& run = TheRun();
    state.counters["pixels"] = static_cast<double>(run.Shown.Picture.Width) * run.Shown.Picture.Height;
    state.counters["contours"] = run.Reader ? korvane::ContextOf(*run.Reader).Store.ContourCount() : 0;
}

// Where the time of one Open + Process goes, in milliseconds per stage.
void BM_Stages(benchmark::State& state, double dpi, double noise, bool rough)
{
    const std::string scan = rough ? RoughPage() : A4Page(dpi, noise);
    korvane::ProcessPassTimes total;
    double open = 0, trace = 0, overlay = 0;
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::time_point a, Clock::time_point b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    };
    Algemeen::NoEvents events;
    // One reader for every picture, as the window and the batch workers keep theirs; it outlives
    // this function, which the library calls more than once, with as few as two iterations.
    static korvane::Reader reader = [] {
        korvane::ReadOptions options;
        options.Console = &gNull;
        return korvane::Reader(options);
    }();
    for (auto _ : state) {
        Unit1::RecordingWindow window;
        Unit1::Starten(window, TheRun());
        const auto t0 = Clock::now();
        window.QueueDialogAnswer(scan);
        Unit1::Open1Click(window, TheRun());
        const auto t1 = Clock::now();
        korvane::ReaderContext& context = korvane::ContextOf(reader);
        context.Scan = &TheRun().Shown.Picture;
        BMPunit::TraceContours(*context.Scan, context.Store, context.Log, events);
        const auto t2 = Clock::now();
        korvane::ProcessPass(context, events, &total);
        const auto t3 = Clock::now();
        Unit1::DrawingRecord drawing;
        std::int32_t palette = 0;
        korvane::PrepareOverlay(context, drawing);
        drawing.Reserve(korvane::OverlaySteps(context));
        korvane::DrawOverlay(context, drawing, palette);
        window.ShowBitmap(drawing);
        const auto t4 = Clock::now();
        open += ms(t0, t1);
        trace += ms(t1, t2);
        overlay += ms(t3, t4);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["open_ms"] = open / n;
    state.counters["trace_ms"] = trace / n;
    state.counters["area_ms"] = total.area / n;
    state.counters["card_ms"] = total.card / n;
    state.counters["hole_ms"] = total.hole / n;
    state.counters["contain_ms"] = total.containment / n;
    state.counters["overlay_ms"] = overlay / n;
}

// Select and a click on a card of 300 punches, read to text.
void BM_Pick(benchmark::State& state, double dpi)
{
    const std::string scan = Scratch("card-" + std::to_string(static_cast<int>(dpi)) + ".bmp");
    std::vector<Punch::CardOnPage> cards{{RandomPunches(300, 4), 2.0}};
    Punch::PageLayout layout;
    BMPunit::WriteFileBytes(scan,
                            BMPunit::EncodeBitmap(Canvas(cards, dpi, 0, 0, layout),
                                                  static_cast<std::int32_t>(std::lround(dpi / 0.0254))));
    std::filesystem::copy_file(KORVANE_SOURCE_DIR "/ibmkaart.txt", Scratch("ibmkaart.txt"),
                               std::filesystem::copy_options::overwrite_existing);
    Unit1::RecordingWindow window;
    Unit1::RunState run(gNull, gClock); // a run of its own, started clean
    OpenAndProcess(window, run, scan);
    const auto x = static_cast<std::int32_t>(layout.centres[0].x),
               y = static_cast<std::int32_t>(layout.centres[0].y);
    for (auto _ : state) {
        Unit1::Select1Click(window, run);
        Unit1::Kiezen(window, run, Unit1::MouseButton::Left, x, y);
        if (run.LastReading.text.size() != 72)
            state.SkipWithError("the card was not read");
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_OpenProcess, a4_600dpi, 600.0, 0.0, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenProcess, a4_600dpi_noise1pct, 600.0, 0.01, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenProcess, a4_600dpi_overlay_rasterised, 600.0, 0.0, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stages, a4_600dpi, 600.0, 0.0, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stages, a4_600dpi_noise1pct, 600.0, 0.01, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stages, a4_600dpi_rough_edges, 600.0, 0.0, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Pick, card_300dpi, 300.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Pick, card_600dpi, 600.0)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
