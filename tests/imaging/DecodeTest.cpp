// Decoding what the scanner simulator writes, in every format and tone, back to the 1-bit picture it
// was painted from; the threshold, polarity and side options; multi-page TIFF; the real scans in
// their original 1-bit PNG form against their BMP twins.
#include "Binarise.h"
#include "BmpLoad.h"
#include "Seams.h"
#include "TestPictures.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

using namespace Imaging;
using namespace ImagingTest;

namespace {

struct RoundTrip
{
    const char* name;
    ScanFormat format;
    ScanTone tone;
    int black, white;
    double falloff;
    int blur;
    double noise;
    double ppi;
    const char* label;      // format in the result
    int differingPerCorner; // pixels that may differ at each corner of the card and the holes
    bool deep = false, alpha = false;
};

// The hard end of what the reader must take: black level 55, card white 175, 12 % falloff. Blur
// (and JPEG's loss of detail) rounds the corners of the card and the holes: one pixel each.
const RoundTrip kRoundTrips[] = {
    {"png 1-bit", ScanFormat::Png, ScanTone::BlackWhite, 0, 255, 0, 0, 0, 150, "PNG", 0},
    {"tiff group 4, no resolution", ScanFormat::Tiff, ScanTone::BlackWhite, 0, 255, 0, 0, 0, 0,
     "TIFF (Group 4)", 0},
    {"bmp 1-bit", ScanFormat::Bmp, ScanTone::BlackWhite, 0, 255, 0, 0, 0, 300, "BMP", 0},
    {"png grey", ScanFormat::Png, ScanTone::Grey, 55, 175, 0.12, 0, 6, 200, "PNG", 0},
    {"png grey 16-bit", ScanFormat::Png, ScanTone::Grey, 55, 175, 0.12, 0, 6, 200, "PNG", 0, true},
    {"tiff grey lzw, no resolution", ScanFormat::Tiff, ScanTone::Grey, 55, 175, 0.12, 0, 6, 0, "TIFF (LZW)",
     0},
    {"tiff grey 16-bit", ScanFormat::Tiff, ScanTone::Grey, 55, 175, 0.12, 0, 6, 600, "TIFF (LZW)", 0, true},
    {"bmp grey", ScanFormat::Bmp, ScanTone::Grey, 55, 175, 0.12, 0, 6, 100, "BMP", 0},
    {"png grey blurred", ScanFormat::Png, ScanTone::Grey, 55, 175, 0.12, 1, 4, 150, "PNG", 1},
    {"jpeg grey", ScanFormat::Jpeg, ScanTone::Grey, 55, 175, 0.12, 1, 4, 150, "JPEG", 1},
    {"jpeg 1-bit source", ScanFormat::Jpeg, ScanTone::BlackWhite, 20, 235, 0, 0, 0, 0, "JPEG", 1},
    {"png colour", ScanFormat::Png, ScanTone::Colour, 55, 175, 0.12, 0, 6, 150, "PNG", 0},
    {"png colour with alpha", ScanFormat::Png, ScanTone::Colour, 55, 175, 0.12, 1, 4, 150, "PNG", 1, false,
     true},
    {"tiff colour with alpha, no resolution", ScanFormat::Tiff, ScanTone::Colour, 55, 175, 0.12, 0, 6, 0,
     "TIFF (LZW)", 0, false, true},
    {"jpeg colour", ScanFormat::Jpeg, ScanTone::Colour, 55, 175, 0.12, 1, 4, 96, "JPEG", 1},
    {"bmp colour", ScanFormat::Bmp, ScanTone::Colour, 55, 175, 0.12, 0, 6, 150, "BMP", 0},
};

ScanLook LookOf(const RoundTrip& c)
{
    ScanLook look;
    look.Tone = c.tone;
    look.BlackLevel = c.black;
    look.CardWhite = c.white;
    look.Falloff = c.falloff;
    look.Blur = c.blur;
    look.Noise = c.noise;
    look.Ppi = c.ppi;
    look.Deep = c.deep;
    look.Alpha = c.alpha;
    return look;
}

// Corners of the light and dark areas: 2 x 2 windows with one pixel unlike the other three.
std::int64_t Corners(const korvane::Picture& p)
{
    std::int64_t corners = 0;
    for (std::int32_t y = 0; y + 1 < p.Height; ++y)
        for (std::int32_t x = 0; x + 1 < p.Width; ++x) {
            const int white =
                White(p, x, y) + White(p, x + 1, y) + White(p, x, y + 1) + White(p, x + 1, y + 1);
            corners += (white == 1 || white == 3) ? 1 : 0;
        }
    return corners;
}

} // namespace

TEST(DecodeTest, EverySimulatedScanDecodesToItsSource)
{
    const korvane::Picture source = CardPicture(7);
    for (const RoundTrip& c : kRoundTrips) {
        SCOPED_TRACE(c.name);
        const auto bytes = EncodeScan({source}, LookOf(c), c.format);
        const DecodeResult result = Decode(bytes);
        EXPECT_LE(DifferingPixels(source, result.Picture), c.differingPerCorner * Corners(source));
        // Sauvola's threshold sits above the middle in a mostly light window, so on a blurred
        // picture the dark parts grow by a pixel; on a sharp one it must read the source exactly.
        if (c.blur == 0) {
            const DecodeResult local = Decode(bytes, {.Method = Binarisation::Sauvola});
            EXPECT_LE(DifferingPixels(source, local.Picture), c.differingPerCorner * Corners(source))
                << "sauvola";
        }
        const ImageInfo& info = result.Info;
        EXPECT_EQ(info.Format, c.label);
        EXPECT_EQ(info.Width, source.Width);
        EXPECT_EQ(info.Height, source.Height);
        EXPECT_EQ(info.FileHasResolution, c.ppi > 0);
        EXPECT_DOUBLE_EQ(info.Ppi, c.ppi);
        EXPECT_EQ(info.Pages, 1);
        const double believed = c.ppi >= 50 ? c.ppi / 25.4 : 0.0;
        EXPECT_DOUBLE_EQ(result.Picture.PixelsPerMillimetre, believed);
        if (c.tone == ScanTone::BlackWhite && c.format != ScanFormat::Jpeg) {
            EXPECT_EQ(info.Depth, 1);
            EXPECT_EQ(info.Threshold, -1);
        } else { // the threshold lies between the dark parts and the darkest card white
            EXPECT_GT(info.Threshold, c.black);
            EXPECT_LT(info.Threshold, c.white * (1.0 - c.falloff));
            EXPECT_EQ(info.Depth, c.deep ? 16 : 8);
            EXPECT_EQ(info.Samples, c.tone == ScanTone::Colour ? (c.alpha ? 4 : 3) : 1);
        }
    }
}

TEST(DecodeTest, ThresholdPolarityAndSideOptions)
{
    const korvane::Picture source = CardPicture(11);
    ScanLook look;
    look.BlackLevel = 40;
    look.CardWhite = 200;
    const auto png = EncodeScan({source}, look, ScanFormat::Png);
    const auto g4 = EncodeScan({source}, ScanLook{.Tone = ScanTone::BlackWhite}, ScanFormat::Tiff);
    std::int64_t dark = 0;
    for (std::int32_t y = 0; y < source.Height; ++y)
        for (std::int32_t x = 0; x < source.Width; ++x)
            dark += White(source, x, y) ? 0 : 1;
    const std::int64_t kAllLight = dark, kAllDark = std::int64_t{source.Width} * source.Height - dark;
    struct Case
    {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        DecodeOptions options;
        bool mirrored, inverted;
        std::int64_t differing; // from the source, mirrored and inverted as said
        int threshold;
    } cases[] = {
        {"fixed between the levels",
         png,
         {.Method = Binarisation::Fixed, .Threshold = 120},
         false,
         false,
         0,
         120},
        {"fixed at the black level",
         png,
         {.Method = Binarisation::Fixed, .Threshold = 40},
         false,
         false,
         0,
         40},
        {"fixed below the black level: all light",
         png,
         {.Method = Binarisation::Fixed, .Threshold = 39},
         false,
         false,
         kAllLight,
         39},
        {"fixed at 255: all dark",
         png,
         {.Method = Binarisation::Fixed, .Threshold = 255},
         false,
         false,
         kAllDark,
         255},
        {"light holes invert", png, {.Holes = Polarity::LightHoles}, false, true, 0, -2},
        {"front mirrors", png, {.Face = Side::Front}, true, false, 0, -2},
        {"both, from a 1-bit file",
         g4,
         {.Holes = Polarity::LightHoles, .Face = Side::Front},
         true,
         true,
         0,
         -1},
        {"sauvola on even light", png, {.Method = Binarisation::Sauvola}, false, false, 0, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodeResult result = Decode(c.bytes, c.options);
        EXPECT_EQ(DifferingPixels(source, result.Picture, c.mirrored, c.inverted), c.differing);
        if (c.threshold != -2) {
            EXPECT_EQ(result.Info.Threshold, c.threshold);
        }
        EXPECT_EQ(result.Info.Method, c.options.Method);
    }
}

TEST(DecodeTest, SauvolaFollowsLightThatOtsuCannot)
{
    // Light falling off by 75 % across the page: the right end of the card is darker than the
    // backing at the left end, so no single threshold separates them.
    const korvane::Picture source = CardPicture(3, 601, 181);
    ScanLook look;
    look.BlackLevel = 50;
    look.CardWhite = 230;
    look.Falloff = 0.75;
    look.Noise = 3;
    look.Ppi = 60;
    const auto bytes = EncodeScan({source}, look, ScanFormat::Png);
    const DecodeResult otsu = Decode(bytes);
    const DecodeResult sauvola = Decode(bytes, {.Method = Binarisation::Sauvola});
    EXPECT_GT(DifferingPixels(source, otsu.Picture), 1000);
    EXPECT_LE(DifferingPixels(source, sauvola.Picture), 20);
    EXPECT_EQ(sauvola.Info.Method, Binarisation::Sauvola);
}

TEST(DecodeTest, MultipageTiffPagesDecodeEachToTheirOwn)
{
    const std::vector<korvane::Picture> pages = {CardPicture(1), CardPicture(2, 257, 120), CardPicture(3)};
    for (const ScanTone tone : {ScanTone::BlackWhite, ScanTone::Grey}) {
        SCOPED_TRACE(tone == ScanTone::Grey ? "grey" : "1-bit");
        const auto bytes =
            EncodeScan(pages, ScanLook{.Tone = tone, .Noise = 5, .Ppi = 240}, ScanFormat::Tiff);
        for (int page = 0; page < 3; ++page) {
            const DecodeResult result = Decode(bytes, {.Page = page});
            EXPECT_EQ(DifferingPixels(pages[page], result.Picture), 0) << "page " << page;
            EXPECT_EQ(result.Info.Pages, 3);
            EXPECT_EQ(result.Info.Page, page);
        }
        const DecodeResult beyond = DecodeImage(bytes.data(), bytes.size(), {.Page = 3});
        EXPECT_FALSE(beyond.Ok);
        EXPECT_EQ(beyond.Message, "the TIFF file has no page 4 (it has 3)");
    }
}

TEST(DecodeTest, RealScansInTheirOriginalPngEqualTheirBmpTwins)
{
    Algemeen::StringConsole console; // the BMP loader writes its header report
    for (const int n : {0, 2, 4, 6, 8}) {
        const std::string stem =
            TestSupport::SourcePath("tests/data/real-scans/nara-C04D01L-" + std::to_string(n));
        SCOPED_TRACE(stem);
        const DecodeResult png = DecodeImageFile(stem + "-back.png");
        ASSERT_TRUE(png.Ok) << png.Message;
        EXPECT_EQ(png.Info.Format, "PNG");
        EXPECT_EQ(png.Info.Depth, 1);
        EXPECT_EQ(png.Info.Ppi, 150);
        const korvane::Picture bmp = TestSupport::LoadPicture(stem + "-back.bmp");
        ASSERT_EQ(png.Picture.Width, bmp.Width);
        ASSERT_EQ(png.Picture.Height, bmp.Height);
        EXPECT_EQ(DifferingPixels(png.Picture, bmp), 0);
    }
}

TEST(DecodeTest, EveryFormatOfTheFuzzSeedsDecodesToTheSameCard)
{
    // The seeds (fuzz/seeds/image) are one 123 x 57 card, painted and stored in every format.
    const std::string dir = TestSupport::SourcePath("fuzz/seeds/image/");
    const DecodeResult reference = DecodeImageFile(dir + "card-1bit.png");
    ASSERT_TRUE(reference.Ok) << reference.Message;
    const struct
    {
        const char* file;
        const char* label;
        int pages;
        bool lossy;
        double ppi;
    } seeds[] = {
        {"card-grey.png", "PNG", 1, false, 96},
        {"card-grey16.png", "PNG", 1, false, 0},
        {"card-rgba.png", "PNG", 1, false, 300},
        {"card-g4-no-resolution.tif", "TIFF (Group 4)", 1, false, 0},
        {"card-grey-2-pages.tif", "TIFF (LZW)", 2, false, 200},
        {"card-colour.jpg", "JPEG", 1, true, 150},
        {"card-grey.bmp", "BMP", 1, false, 150},
        {"card-grey.gif", "GIF", 1, false, 0},
        {"card-grey.webp", "WebP", 1, true, 0},
        {"card-grey.pgm", "PNM", 1, false, 0},
    };
    for (const auto& s : seeds) {
        SCOPED_TRACE(s.file);
        const DecodeResult result = DecodeImageFile(dir + s.file);
        ASSERT_TRUE(result.Ok) << result.Message;
        EXPECT_EQ(result.Info.Format, s.label);
        EXPECT_EQ(result.Info.Pages, s.pages);
        EXPECT_EQ(result.Info.Ppi, s.ppi);
        EXPECT_LE(DifferingPixels(reference.Picture, result.Picture),
                  s.lossy ? Corners(reference.Picture) : 0);
    }
}

TEST(DecodeTest, WriteScanWritesTheWholeFileOrNothing)
{
    TestSupport::ScratchDir scratch;
    const korvane::Picture source = CardPicture(9);
    const std::string name = scratch.File("card.tif");
    WriteScan(name, {source}, ScanLook{.Noise = 2}, ScanFormat::Tiff);
    EXPECT_EQ(DifferingPixels(source, DecodeImageFile(name).Picture), 0);
    const auto before = TestSupport::ReadFileBytes(name);
    // A refused look, and a folder that does not exist: an exception, and nothing written or left.
    EXPECT_THROW(WriteScan(name, {source}, ScanLook{.BlackLevel = 200, .CardWhite = 100}, ScanFormat::Png),
                 std::invalid_argument);
    EXPECT_EQ(TestSupport::ReadFileBytes(name), before);
    EXPECT_THROW(WriteScan(scratch.File("no-such-folder/card.png"), {source}, {}, ScanFormat::Png),
                 std::runtime_error);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}), 1);
}

// Sauvola's level maps: filled ring by ring, each empty cell the mean of its neighbours filled in
// the rings before, as a plain sweep of the whole map per ring fills them, to the bit; on maps of
// every shape, one long row among them.
TEST(FillMapTest, RingsFromTheRingBeforeGiveWhatWholeSweepsGive)
{
    auto sweep = [](std::vector<double> map, int nx, int ny) {
        for (bool missing = true; missing;) {
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
        return map;
    };
    std::mt19937 random(5);
    for (const auto& [nx, ny] : {std::pair{1, 1}, {300, 1}, {1, 40}, {7, 5}, {23, 17}, {64, 3}}) {
        for (const double filledShare : {0.02, 0.3, 0.9}) {
            std::vector<double> map(static_cast<std::size_t>(nx * ny));
            for (double& cell : map)
                cell = std::uniform_real_distribution<double>(0.0, 1.0)(random) < filledShare
                           ? std::uniform_real_distribution<double>(20.0, 230.0)(random)
                           : -1.0;
            map[random() % map.size()] = 128.0; // at least one filled
            std::vector<double> rings = map;
            Lept::FillMap(rings, nx, ny);
            EXPECT_EQ(rings, sweep(map, nx, ny)) << nx << " x " << ny << ", " << filledShare;
        }
    }
}
