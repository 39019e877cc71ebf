// Cards on what scanners write (grey and colour, PNG, TIFF, JPEG, BMP, with and without a
// resolution) read exactly through the window's Open, binarised inside the program.
#include "BatchRead.h"
#include "DeckOutput.h"
#include "Imaging.h"
#include "ReadBack.h"

#include <fstream>

using namespace E2e;

namespace {

struct ScanCase
{
    const char* name;
    Imaging::ScanFormat format;
    Imaging::ScanTone tone;
    double dpi;
    double angle;
    bool storeResolution;
    int blackLevel = 20;
    int cardWhite = 235;
    double falloff = 0.0;
    int blur = 0;
    double noise = 0.0;
    bool backlit = false; // a dark card with light holes on a light box, read with --polarity auto
};

korvane::Picture LoadBmp(const std::string& name)
{
    BMPunit::BmpFile file;
    Algemeen::StringConsole quiet;
    EXPECT_TRUE(BMPunit::LoadBitmapFile(file, name, quiet));
    EXPECT_TRUE(BMPunit::CheckBitmapHeader(file, quiet));
    return BMPunit::TakePicture(std::move(file));
}

} // namespace

TEST_F(ReadBackTest, ScannerPicturesReadExactly)
{
    using enum Imaging::ScanFormat;
    using enum Imaging::ScanTone;
    const ScanCase cases[] = {
        {"grey PNG 150 dpi", Png, Grey, 150, 0, true},
        {"grey PNG without resolution", Png, Grey, 150, 3, false},
        {"grey PNG 100 dpi dark and uneven", Png, Grey, 100, -2, true, 55, 175, 0.12, 1, 2.0},
        {"grey PNG 600 dpi", Png, Grey, 600, 7, true},
        {"colour PNG 300 dpi", Png, Colour, 300, -5, true, 40, 200, 0.08, 1, 3.0},
        {"grey TIFF 200 dpi", Tiff, Grey, 200, 1.5, true, 30, 210, 0.1, 0, 1.0},
        {"colour TIFF without resolution", Tiff, Colour, 200, 0, false},
        {"Group 4 TIFF", Tiff, BlackWhite, 200, -1, true},
        {"1-bit PNG", Png, BlackWhite, 150, 2, true},
        {"grey JPEG 150 dpi", Jpeg, Grey, 150, 4, true, 25, 220, 0.05, 1, 1.5},
        {"colour JPEG without resolution", Jpeg, Colour, 250, -3, false},
        {"grey BMP 200 dpi", Bmp, Grey, 200, 2, true},
        {"backlit grey PNG", Png, Grey, 200, -4, true, 20, 235, 0.0, 0, 1.0, true},
    };
    const std::string text = "GREY SCANS OF CARDS 0123456789 +-*/ ()";
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto picks = RenderPage({{text, c.angle}}, c.dpi, true);
        Imaging::ScanLook look;
        look.Tone = c.tone;
        look.BlackLevel = c.blackLevel;
        look.CardWhite = c.cardWhite;
        look.Falloff = c.falloff;
        look.Blur = c.blur;
        look.Noise = c.noise;
        look.Ppi = c.storeResolution ? c.dpi : 0.0;
        const std::string name = std::string("page.") + Imaging::FormatName(c.format);
        korvane::Picture picture = LoadBmp("page.bmp");
        if (c.backlit)
            for (auto& byte : picture.Bytes)
                byte = static_cast<std::uint8_t>(~byte);
        Imaging::WriteScan(name, {picture}, look, c.format);
        korvane::PictureSettings settings;
        settings.AutoPolarity = c.backlit;
        const PageReading reading = Read(name, picks, settings);
        ASSERT_TRUE(reading.processed) << reading.processMessage << "\n" << reading.console;
        ASSERT_EQ(reading.texts.size(), 1u);
        EXPECT_EQ(reading.texts[0], Columns72(text));
        EXPECT_TRUE(reading.black[0]);
        const auto& scale = reading.scale;
        EXPECT_EQ(scale.Source, c.storeResolution ? "file" : "estimated");
        EXPECT_NEAR(scale.PixelsPerMillimetre, c.dpi / 25.4, c.dpi / 25.4 * 0.03);
        EXPECT_EQ(reading.console.find("Polarity = light-holes (auto") != std::string::npos, c.backlit);

        // A batch's worker reads the same file to the same card.
        korvane::ReadOptions workerOptions;
        workerOptions.Picture = settings;
        korvane::Reader reader(workerOptions);
        const Batch::PictureOutcome outcome = Cli::ReadPictureFile(reader, name, {}, "");
        ASSERT_FALSE(outcome.refused) << outcome.reason;
        ASSERT_EQ(outcome.cards.size(), 1u);
        EXPECT_EQ(outcome.cards[0].content.value("text80", std::string()).substr(0, 72), Columns72(text));
    }
}
