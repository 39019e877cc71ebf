// Finding the card among other shapes of a photo (and naming the shapes that are not the card),
// telling a card's edge from a line where falling light crosses one level, and binarising decoded
// pixels again with other options as a fresh decode would.
#include "Straighten.h"

#include "ImageDecode.h"
#include "LeptSupport.h"
#include "ScanSimulator.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

using namespace Imaging;
using namespace ImagingTest;
using Lept::PixPtr;

namespace {

struct Rect
{
    int left, top, width, height;
};

// A 1-bit picture (1 = black) with the rectangles white and, for a frame, only a 10-pixel border.
PixPtr Shapes(int width, int height, const std::vector<Rect>& solid, const std::vector<Rect>& frames = {})
{
    PixPtr pix(pixCreate(width, height, 1));
    pixSetAll(pix.get());
    for (const Rect& r : solid)
        pixRasterop(pix.get(), r.left, r.top, r.width, r.height, PIX_CLR, nullptr, 0, 0);
    for (const Rect& r : frames) {
        pixRasterop(pix.get(), r.left, r.top, r.width, r.height, PIX_CLR, nullptr, 0, 0);
        pixRasterop(pix.get(), r.left + 10, r.top + 10, r.width - 20, r.height - 20, PIX_SET, nullptr, 0, 0);
    }
    return pix;
}

} // namespace

TEST(StraightenTest, TheCardIsFoundAndEveryOtherLargeShapeIsNamed)
{
    const Rect card{100, 100, 600, 264};
    const PixPtr photo = Shapes(1200, 800,
                                {card,
                                 {800, 100, 200, 200} /* a square sheet */,
                                 {0, 650, 1200, 150} /* a table edge */,
                                 {100, 450, 230, 101} /* a small card */,
                                 {500, 450, 40, 40} /* a speck: not named */},
                                {{750, 400, 380, 167}});
    bool several = true;
    std::vector<NotCard> notCards;
    const auto found = Lept::FindCardQuadrilateral(photo.get(), &several, &notCards);
    ASSERT_TRUE(found);
    EXPECT_FALSE(several);
    const auto& c = found->Quad.Corners;
    double left = 1e9, right = 0, top = 1e9, bottom = 0;
    for (const auto& p : c) {
        left = std::min(left, p.X), right = std::max(right, p.X);
        top = std::min(top, p.Y), bottom = std::max(bottom, p.Y);
    }
    EXPECT_NEAR(left, card.left, 1.5);
    EXPECT_NEAR(right, card.left + card.width, 1.5);
    EXPECT_NEAR(top, card.top, 1.5);
    EXPECT_NEAR(bottom, card.top + card.height, 1.5);
    // Largest first.
    const struct
    {
        Rect box;
        const char* why;
    } expected[] = {{{0, 650, 1200, 150}, "it runs off the picture"},
                    {{750, 400, 380, 167}, "it is not solid"},
                    {{800, 100, 200, 200}, "its sides are 1.0 : 1, a card's 2.3 : 1"},
                    {{100, 450, 230, 101}, "a card's shape, but less than half the card's size"}};
    ASSERT_EQ(notCards.size(), std::size(expected));
    for (std::size_t i = 0; i < notCards.size(); ++i) {
        SCOPED_TRACE(expected[i].why);
        EXPECT_EQ(notCards[i].Left, expected[i].box.left);
        EXPECT_EQ(notCards[i].Top, expected[i].box.top);
        EXPECT_EQ(notCards[i].Width, expected[i].box.width);
        EXPECT_EQ(notCards[i].Height, expected[i].box.height);
        EXPECT_NE(notCards[i].Why.find(expected[i].why), std::string::npos) << notCards[i].Why;
    }

    // A page of two cards: both are cards, only the square is not; the backing round them, read the
    // wrong way round, is not named.
    const PixPtr page = Shapes(1200, 800, {card, {100, 420, 600, 264}, {800, 100, 200, 200}});
    PixPtr backing(pixInvert(nullptr, page.get()));
    EXPECT_FALSE(Lept::FindCardQuadrilateral(backing.get(), &several, &notCards));
    EXPECT_TRUE(notCards.empty());
    EXPECT_FALSE(Lept::FindCardQuadrilateral(page.get(), &several, &notCards));
    EXPECT_TRUE(several);
    ASSERT_EQ(notCards.size(), 1u);
    EXPECT_EQ(notCards[0].Left, 800);
}

TEST(StraightenTest, EdgesHoldAtTheCardNotWhereTheLightCrossesALevel)
{
    // A card from x = 100 to 900 lit from the left: 200 at its left end, 40 at its right, on 20.
    PixPtr grey(pixCreate(1000, 500, 8));
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 1000; ++x) {
            const bool card = x >= 100 && x < 900 && y >= 100 && y < 400;
            pixSetPixel(grey.get(), x, y, card ? static_cast<l_uint32>(200 - 0.2 * (x - 100)) : 20);
        }
    PixPtr inverted(pixInvert(nullptr, grey.get()));
    const auto quad = [](double right) {
        return Ogenblik::Quadrilateral{{{{100, 100}, {right, 100}, {right, 400}, {100, 400}}}};
    };
    // The part brighter than 100 ends at x = 600, inside the card.
    EXPECT_TRUE(Lept::EdgesHold(grey.get(), quad(900), Polarity::DarkHoles));
    EXPECT_FALSE(Lept::EdgesHold(grey.get(), quad(600), Polarity::DarkHoles));
    EXPECT_TRUE(Lept::EdgesHold(inverted.get(), quad(900), Polarity::LightHoles));
    EXPECT_FALSE(Lept::EdgesHold(inverted.get(), quad(900), Polarity::DarkHoles));
    // One level at 100 loses the card's dim end; one at 30 keeps all of it (the dim end at 40
    // stands 10 above it, a half of its height above the surroundings).
    EXPECT_FALSE(Lept::GlobalLevelHolds(grey.get(), quad(900), 100, Polarity::DarkHoles));
    EXPECT_TRUE(Lept::GlobalLevelHolds(grey.get(), quad(900), 30, Polarity::DarkHoles));
    EXPECT_TRUE(Lept::GlobalLevelHolds(inverted.get(), quad(900), 255 - 30, Polarity::LightHoles));
}

TEST(StraightenTest, BinarisingAgainGivesWhatAFreshDecodeGives)
{
    const korvane::Picture source = CardPicture(7);
    const auto grey = EncodeScan({source}, ScanLook{.Tone = ScanTone::Grey, .Noise = 4}, ScanFormat::Png);
    // Colour whose transparent margin turns dark or light with the polarity.
    PixPtr rgba;
    {
        PixPtr pix8(pixReadMem(grey.data(), grey.size()));
        ASSERT_TRUE(pix8);
        rgba.reset(pixConvertTo32(pix8.get()));
        pixSetSpp(rgba.get(), 4);
        for (int y = 0; y < static_cast<int>(pixGetHeight(rgba.get())); ++y)
            for (int x = 0; x < static_cast<int>(pixGetWidth(rgba.get())); ++x) {
                l_int32 r, g, b;
                pixGetRGBPixel(rgba.get(), x, y, &r, &g, &b);
                l_uint32 value = 0;
                composeRGBAPixel(r, g, b, x < 20 ? 0 : 255, &value);
                pixSetPixel(rgba.get(), x, y, value);
            }
    }
    l_uint8* data = nullptr;
    std::size_t size = 0;
    ASSERT_EQ(pixWriteMemPng(&data, &size, rgba.get(), 0.0f), 0);
    const std::vector<std::uint8_t> withAlpha(data, data + size);
    lept_free(data);

    const DecodeOptions others[] = {
        {.Holes = Polarity::LightHoles},
        {.Face = Side::Front},
        {.Method = Binarisation::Sauvola},
        {.Method = Binarisation::Fixed, .Threshold = 90, .Holes = Polarity::LightHoles}};
    for (const auto* bytes : {&grey, &withAlpha}) {
        const DecodeResult first = Decode(*bytes);
        ASSERT_TRUE(first.Pixels);
        for (const DecodeOptions& options : others) {
            SCOPED_TRACE(std::string(MethodName(options.Method)) + (bytes == &grey ? ", grey" : ", alpha"));
            const DecodeResult fresh = Decode(*bytes, options);
            const DecodeResult again = BinariseAgain(*first.Pixels, options);
            ASSERT_TRUE(again.Ok) << again.Message;
            EXPECT_EQ(DifferingPixels(again.Picture, fresh.Picture), 0);
            EXPECT_EQ(again.Info.Threshold, fresh.Info.Threshold);
            EXPECT_EQ(again.Info.Method, fresh.Info.Method);
            EXPECT_EQ(again.Picture.PixelsPerMillimetre, fresh.Picture.PixelsPerMillimetre);
        }
        // The first decode's pixels are not changed by binarising them again.
        EXPECT_EQ(DifferingPixels(BinariseAgain(*first.Pixels, {}).Picture, first.Picture), 0);
    }
}
