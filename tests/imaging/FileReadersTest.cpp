// The PNG and JPEG readers give the pictures Leptonica's own readers give, in every layout those
// files come in, and a corrupt file is refused with the library's reason and nothing on stderr.
#include "FileReaders.h"

#include "ImageDecode.h"

#include <gtest/gtest.h>
#include <vector>

using namespace Imaging;
using Lept::PixPtr;

namespace {

// A card-like picture: light ground, a dark frame and dark dots, 8-bit grey.
PixPtr Scene(int w, int h)
{
    PixPtr pix(pixCreate(w, h, 8));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool dark =
                x < 4 || y < 4 || x >= w - 4 || y >= h - 4 || ((x / 5) % 3 == 1 && (y / 7) % 2 == 1);
            pixSetPixel(pix.get(), x, y, dark ? 30 + (x * 7 + y) % 20 : 200 + (x + 3 * y) % 50);
        }
    return pix;
}

PixPtr Colour(PIX* grey)
{
    PixPtr rgb(pixConvertGrayToFalseColor(grey, 1.0));
    return PixPtr(pixRemoveColormap(rgb.get(), REMOVE_CMAP_TO_FULL_COLOR));
}

std::vector<std::uint8_t> Encode(PIX* pix, int format)
{
    l_uint8* data = nullptr;
    size_t size = 0;
    EXPECT_EQ(pixWriteMem(&data, &size, pix, format), 0);
    std::vector<std::uint8_t> bytes(data, data + size);
    lept_free(data);
    return bytes;
}

// What a decoded picture amounts to: palettes taken away, 16 bits to their high byte.
PixPtr Normalised(PIX* pix)
{
    PixPtr out(pixGetColormap(pix) != nullptr && pixGetDepth(pix) > 1
                   ? pixRemoveColormap(pix, REMOVE_CMAP_BASED_ON_SRC)
                   : pixCopy(nullptr, pix));
    if (pixGetDepth(out.get()) == 1 && pixGetColormap(out.get()) != nullptr) {
        PIXCMAP* map = pixGetColormap(out.get());
        l_int32 r0, g0, b0, r1, g1, b1;
        pixcmapGetColor(map, 0, &r0, &g0, &b0);
        pixcmapGetColor(map, 1, &r1, &g1, &b1);
        pixDestroyColormap(out.get());
        if (r0 + g0 + b0 < r1 + g1 + b1)
            pixInvert(out.get(), out.get());
    }
    if (pixGetDepth(out.get()) == 16)
        out.reset(pixConvert16To8(out.get(), L_MS_BYTE));
    if (pixGetDepth(out.get()) < 8 && pixGetDepth(out.get()) > 1)
        out.reset(pixConvertTo8(out.get(), 0));
    return out;
}

} // namespace

TEST(FileReadersTest, PngAndJpegReadAsLeptonicaReadsThem)
{
    const PixPtr grey = Scene(123, 57);
    const PixPtr colour = Colour(grey.get());
    PixPtr rgba(pixCopy(nullptr, colour.get()));
    pixSetSpp(rgba.get(), 4);
    pixSetComponentArbitrary(rgba.get(), L_ALPHA_CHANNEL, 255);
    const PixPtr binary(pixThresholdToBinary(grey.get(), 120));
    PixPtr binaryWhiteFirst(pixCopy(nullptr, binary.get())); // a palette whose 0 is white
    pixSetColormap(binaryWhiteFirst.get(), pixcmapCreateLinear(1, 2));
    PixPtr binaryBlackFirst(pixInvert(nullptr, binary.get())); // and one whose 0 is black
    PIXCMAP* blackFirst = pixcmapCreate(1);
    pixcmapAddColor(blackFirst, 255, 255, 255);
    pixcmapAddColor(blackFirst, 0, 0, 0);
    pixSetColormap(binaryBlackFirst.get(), blackFirst);
    const PixPtr four(pixThresholdTo4bpp(grey.get(), 16, 0));
    const PixPtr fourGreyPalette(pixThresholdTo4bpp(grey.get(), 16, 1));
    const PixPtr two(pixThresholdTo2bpp(grey.get(), 4, 0));
    const PixPtr greyPalette(pixConvertGrayToColormap8(grey.get(), 8));
    const PixPtr colourPalette(pixConvertRGBToColormap(colour.get(), 0));
    const PixPtr deep(pixConvert8To16(grey.get(), 8));
    const struct
    {
        const char* name;
        PIX* pix;
        int format;
    } cases[] = {
        {"png grey", grey.get(), IFF_PNG},
        {"png grey 16-bit", deep.get(), IFF_PNG},
        {"png grey 4-bit", four.get(), IFF_PNG},
        {"png grey 2-bit", two.get(), IFF_PNG},
        {"png 4-bit grey palette", fourGreyPalette.get(), IFF_PNG},
        {"png 8-bit grey palette", greyPalette.get(), IFF_PNG},
        {"png colour palette", colourPalette.get(), IFF_PNG},
        {"png 1-bit", binary.get(), IFF_PNG},
        {"png 1-bit, palette 0 white", binaryWhiteFirst.get(), IFF_PNG},
        {"png 1-bit, palette 0 black", binaryBlackFirst.get(), IFF_PNG},
        {"png colour", colour.get(), IFF_PNG},
        {"png colour with alpha", rgba.get(), IFF_PNG},
        {"jpeg grey", grey.get(), IFF_JFIF_JPEG},
        {"jpeg colour", colour.get(), IFF_JFIF_JPEG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        pixSetResolution(c.pix, 150, 150);
        const auto bytes = Encode(c.pix, c.format);
        const PixPtr theirs(pixReadMem(bytes.data(), bytes.size()));
        ASSERT_TRUE(theirs);
        std::string error;
        const PixPtr ours = c.format == IFF_PNG ? Lept::ReadPng(bytes.data(), bytes.size(), error)
                                                : Lept::ReadJpeg(bytes.data(), bytes.size(), error);
        ASSERT_TRUE(ours) << error;
        const PixPtr expected = Normalised(theirs.get());
        EXPECT_EQ(pixGetDepth(ours.get()), pixGetDepth(expected.get()));
        EXPECT_EQ(pixGetSpp(ours.get()), pixGetSpp(expected.get()));
        EXPECT_EQ(pixGetXRes(ours.get()), 150);
        l_int32 same = 0;
        pixEqual(ours.get(), expected.get(), &same);
        EXPECT_TRUE(same);
    }
}

TEST(FileReadersTest, CorruptPngAndJpegAreRefusedQuietlyWithTheReason)
{
    const PixPtr grey = Scene(200, 90);
    for (const int format : {IFF_PNG, IFF_JFIF_JPEG}) {
        auto bytes = Encode(grey.get(), format);
        // The header stays whole, the data does not: a PNG row filter past its range, a marker
        // JPEG does not know in the middle of the compressed data.
        if (format == IFF_PNG)
            for (std::size_t at = bytes.size() / 3; at < bytes.size() - 8; at += 37)
                bytes[at] ^= 0x5A;
        else
            bytes[bytes.size() / 2] = 0xFF, bytes[bytes.size() / 2 + 1] = 0x6F;
        testing::internal::CaptureStderr();
        const DecodeResult result = DecodeImage(bytes.data(), bytes.size());
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(result.Ok) << format;
        EXPECT_NE(result.Message.find("corrupt ("), std::string::npos) << result.Message;
        EXPECT_EQ(printed, "") << format;
    }
}
