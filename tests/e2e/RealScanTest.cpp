// Real cards scanned from their back at 150 dpi must read exactly, from the BMP files and from the
// 1-bit PNG files they were published as, and in the other shapes archives hand scans out in.
#include "ReadBack.h"

#include <fstream>
#include <leptonica/allheaders.h>
#include <memory>

using namespace E2e;

TEST_F(ReadBackTest, RealScansReadExactly)
{
    std::ifstream expected(TestSupport::SourcePath("tests/data/real-scans/expected.tsv"));
    std::string line;
    int files = 0;
    while (std::getline(expected, line)) {
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos);
        const std::string file = line.substr(0, tab);
        const std::string text = line.substr(tab + 1);
        // Each scan as converted to BMP and in its original 1-bit PNG form.
        for (const std::string& name : {file, file.substr(0, file.size() - 4) + ".png"}) {
            const auto scan = TestSupport::SourcePath("tests/data/real-scans/" + name);
            // The card fills the scan: its centre is the picture's.
            const auto reading = Read(scan, {{576, 272}});
            ASSERT_TRUE(reading.processed) << name << ": " << reading.processMessage;
            ASSERT_EQ(reading.texts.size(), 1u);
            EXPECT_EQ(reading.texts[0], Columns72(text)) << name;
            EXPECT_TRUE(reading.black[0]) << name;
        }
        ++files;
    }
    EXPECT_EQ(files, 5);
}

// The same real scans as archives hand them out in other shapes: an RGBA TIFF without a
// resolution tag (the scale estimated from the card), turned a quarter, on a large dark canvas
// off its centre, and cropped tight to the card.
TEST_F(ReadBackTest, RealScansReadInTheShapesArchivesHandOut)
{
    struct PixDeleter
    {
        void operator()(PIX* pix) const { pixDestroy(&pix); }
    };
    using PixPtr = std::unique_ptr<PIX, PixDeleter>;
    std::ifstream expected(TestSupport::SourcePath("tests/data/real-scans/expected.tsv"));
    std::string line;
    int read = 0;
    while (std::getline(expected, line)) {
        const auto tab = line.find('\t');
        const std::string png = line.substr(0, tab - 4) + ".png";
        const PixPtr scan(pixRead(TestSupport::SourcePath("tests/data/real-scans/" + png).c_str()));
        ASSERT_TRUE(scan) << png;
        PixPtr rgba(pixConvertTo32(scan.get()));
        pixSetSpp(rgba.get(), 4);
        pixSetComponentArbitrary(rgba.get(), L_ALPHA_CHANNEL, 255);
        pixSetResolution(rgba.get(), 0, 0);
        PixPtr card(pixInvert(nullptr, scan.get())); // the card is the white part of the scan
        BOX* box = nullptr;
        ASSERT_EQ(pixClipToForeground(card.get(), nullptr, &box), 0);
        const struct
        {
            const char* name;
            PixPtr pix;
            int format;
        } shapes[] = {
            {"rgba.tif", std::move(rgba), IFF_TIFF_ZIP},
            {"turned.png", PixPtr(pixRotate90(scan.get(), 1)), IFF_PNG},
            {"canvas.png", PixPtr(pixAddBorderGeneral(scan.get(), 700, 300, 200, 900, 1)), IFF_PNG},
            {"tight.png", PixPtr(pixClipRectangle(scan.get(), box, nullptr)), IFF_PNG},
        };
        boxDestroy(&box);
        for (const auto& shape : shapes) {
            SCOPED_TRACE(png + " as " + shape.name);
            ASSERT_EQ(pixWrite(shape.name, shape.pix.get(), shape.format), 0);
            // Picked at the middle of the card: the middle of the white part.
            PixPtr white(pixConvertTo1(shape.pix.get(), 128));
            pixInvert(white.get(), white.get());
            BOX* whiteBox = nullptr;
            ASSERT_EQ(pixClipToForeground(white.get(), nullptr, &whiteBox), 0);
            l_int32 x, y, w, h;
            boxGetGeometry(whiteBox, &x, &y, &w, &h);
            boxDestroy(&whiteBox);
            const auto reading = Read(shape.name, {{x + w / 2, y + h / 2}});
            ASSERT_TRUE(reading.processed) << reading.processMessage;
            ASSERT_EQ(reading.texts.size(), 1u);
            EXPECT_EQ(reading.texts[0], Columns72(line.substr(tab + 1)));
            EXPECT_TRUE(reading.black[0]);
            ++read;
        }
    }
    EXPECT_EQ(read, 20);
}
