// Not a timing: how well the grey made from a colour scan separates the card from what is dark
// (backing and holes), by the brightest channel and by the luminance, on simulated colour scans
// whose 1-bit source says which pixel is which. Printed per picture: the Fisher separation
// (difference of the class means squared over the sum of their variances; higher is better) and
// the pixels that the Otsu threshold of that grey puts in the wrong class.
#include "Binarise.h"
#include "Imaging.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

korvane::Picture Source()
{
    korvane::Picture p;
    p.Width = 900;
    p.Height = 420;
    p.RowStep = (p.Width + 7) / 8;
    p.Bytes.assign(static_cast<std::size_t>(p.RowStep) * p.Height, 0);
    std::mt19937 random(3);
    std::vector<bool> punched(90 * 14);
    for (std::size_t i = 0; i < punched.size(); ++i)
        punched[i] = random() % 4 == 0;
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) {
            const bool card = x >= 40 && x < 860 && y >= 30 && y < 390;
            const bool hole = card && (x % 10) < 6 && (y % 30) < 14 && punched[(y / 30) * 90 + x / 10];
            if (card && !hole)
                p.Bytes[static_cast<std::size_t>(y * p.RowStep + (x >> 3))] |=
                    static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    return p;
}

bool White(const korvane::Picture& p, int x, int y)
{
    return ((p.Row(y)[x >> 3] >> (7 - (x & 7))) & 1) != 0;
}

void Measure(const char* name, PIX* grey, const korvane::Picture& source)
{
    double n[2] = {}, sum[2] = {}, squares[2] = {};
    for (int y = 0; y < source.Height; ++y)
        for (int x = 0; x < source.Width; ++x) {
            l_uint32 v = 0;
            pixGetPixel(grey, x, y, &v);
            const int c = White(source, x, y) ? 1 : 0;
            n[c] += 1;
            sum[c] += v;
            squares[c] += double(v) * v;
        }
    double mean[2], variance[2];
    for (int c = 0; c < 2; ++c) {
        mean[c] = sum[c] / n[c];
        variance[c] = squares[c] / n[c] - mean[c] * mean[c];
    }
    const int t = Imaging::Lept::OtsuThreshold(grey);
    long wrong = 0;
    for (int y = 0; y < source.Height; ++y)
        for (int x = 0; x < source.Width; ++x) {
            l_uint32 v = 0;
            pixGetPixel(grey, x, y, &v);
            wrong += (static_cast<int>(v) > t) != White(source, x, y);
        }
    std::printf("  %-18s card %6.1f  dark %6.1f  separation %7.1f  misplaced %ld\n", name, mean[1], mean[0],
                (mean[1] - mean[0]) * (mean[1] - mean[0]) / (variance[0] + variance[1]), wrong);
}

} // namespace

int main()
{
    const korvane::Picture source = Source();
    const struct
    {
        int black, white;
        double falloff, noise;
    } looks[] = {{20, 235, 0.0, 4}, {55, 175, 0.12, 6}, {55, 175, 0.12, 12}, {40, 200, 0.05, 20}};
    for (const auto& l : looks) {
        Imaging::ScanLook look;
        look.Tone = Imaging::ScanTone::Colour;
        look.BlackLevel = l.black;
        look.CardWhite = l.white;
        look.Falloff = l.falloff;
        look.Noise = l.noise;
        look.Blur = 1;
        const auto png = Imaging::EncodeScan({source}, look, Imaging::ScanFormat::Png);
        Imaging::Lept::PixPtr colour(pixReadMem(png.data(), png.size()));
        std::printf("colour scan: black %d, card %d, falloff %.0f %%, noise %.0f\n", l.black, l.white,
                    100 * l.falloff, l.noise);
        using Imaging::Lept::GreyFrom;
        Measure("brightest channel",
                Imaging::Lept::GreyFromColour(colour.get(), GreyFrom::BrightestChannel).get(), source);
        Measure("luminance", Imaging::Lept::GreyFromColour(colour.get(), GreyFrom::Luminance).get(), source);
    }
    return 0;
}
