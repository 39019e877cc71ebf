// Decoding a 150 dpi grey PNG scan of a card: the PNG decoding alone (Korvane's, through libpng,
// and Leptonica's own for comparison) against the whole decoding into a 1-bit picture (header
// check, decoding, grey, Otsu threshold, packing), on the same bytes in the same run
// (bench/decode.sh prints the ratio).
#include "FileReaders.h"
#include "Imaging.h"

#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>
#include <random>

namespace {

// A card of 7 3/8 x 3 1/4 inches at 150 dpi on a dark canvas, holes of 0.055 x 0.125 inch at a
// quarter of the 80 x 12 cells.
korvane::Picture Card150()
{
    constexpr int kWidth = 1250, kHeight = 620, kX0 = 72, kY0 = 66, kCardW = 1106, kCardH = 488;
    korvane::Picture p;
    p.Width = kWidth;
    p.Height = kHeight;
    p.RowStep = (kWidth + 7) / 8;
    p.Bytes.assign(static_cast<std::size_t>(p.RowStep) * kHeight, 0);
    auto paint = [&p](int x0, int y0, int x1, int y1, bool white) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                auto& byte = p.Bytes[static_cast<std::size_t>(y * p.RowStep + (x >> 3))];
                const auto bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
                byte = white ? (byte | bit) : (byte & ~bit);
            }
    };
    paint(kX0, kY0, kX0 + kCardW, kY0 + kCardH, true);
    std::mt19937 random(14);
    for (int column = 0; column < 80; ++column)
        for (int row = 0; row < 12; ++row)
            if (random() % 4 == 0) {
                const int x = kX0 + 38 + column * 13, y = kY0 + 38 + row * 37;
                paint(x, y, x + 8, y + 19, false);
            }
    return p;
}

const std::vector<std::uint8_t>& GreyPng()
{
    static const std::vector<std::uint8_t> bytes = [] {
        Imaging::ScanLook look;
        look.BlackLevel = 30;
        look.CardWhite = 220;
        look.Falloff = 0.05;
        look.Blur = 1;
        look.Noise = 4;
        look.Ppi = 150;
        return Imaging::EncodeScan({Card150()}, look, Imaging::ScanFormat::Png);
    }();
    return bytes;
}

void BM_DecodeOnly(benchmark::State& state)
{
    const auto& bytes = GreyPng();
    std::string error;
    for (auto _ : state) {
        auto pix = Imaging::Lept::ReadPng(bytes.data(), bytes.size(), error);
        benchmark::DoNotOptimize(pix);
    }
}

void BM_LeptonicaDecodeOnly(benchmark::State& state)
{
    const auto& bytes = GreyPng();
    for (auto _ : state) {
        PIX* pix = pixReadMem(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(pix);
        pixDestroy(&pix);
    }
}

void BM_DecodeAndBinarise(benchmark::State& state)
{
    const auto& bytes = GreyPng();
    const Imaging::DecodeOptions options{.Method = static_cast<Imaging::Binarisation>(state.range(0))};
    for (auto _ : state) {
        auto result = Imaging::DecodeImage(bytes.data(), bytes.size(), options);
        if (!result.Ok)
            state.SkipWithError(result.Message.c_str());
        benchmark::DoNotOptimize(result);
    }
}

} // namespace

BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LeptonicaDecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndBinarise)
    ->Arg(static_cast<int>(Imaging::Binarisation::Otsu))
    ->Arg(static_cast<int>(Imaging::Binarisation::Sauvola))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
