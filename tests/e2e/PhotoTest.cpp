// Photos of single cards read as scans do: punched cards seen by a camera up to 20 degrees off the
// perpendicular, dark, coloured, unevenly lit or backlit, among other things, with no resolution in
// the file or a wrong one, in JPEG and PNG, and the real photo of a card's front at every turn of
// 15 degrees. A straightened picture names its card's corners in
// --json (`perspective`); a photo taken square on is read as it was before, with none.
#include "CliRunner.h"
#include "ImageDecode.h"
#include "Imaging.h"
#include "Photos.h"
#include "ReadBack.h"

#include <algorithm>
#include <leptonica/allheaders.h>
#include <memory>
#include <nlohmann/json.hpp>

using namespace E2e;
using nlohmann::json;

namespace {

struct PhotoCase
{
    const char* name;
    double aboutX, aboutY; // tilt, degrees
    double angle;          // the card's turn on the page, degrees
    bool straightened;     // --json names the perspective
    Imaging::ScanFormat format = Imaging::ScanFormat::Jpeg;
    int blackLevel = 20, cardWhite = 235;
    double falloff = 0.0, noise = 0.0;
    bool backlit = false;
    bool clutter = false; // things round the card (AddClutter)
    double ppi = 0.0;     // the resolution the file states; 0: none
};

json ReadJson(const std::string& arguments)
{
    const auto run = TestSupport::Cli("read " + arguments + " --all --json");
    return json::parse(run.out, nullptr, false);
}

} // namespace

TEST_F(ReadBackTest, PunchedPhotosReadAsScans)
{
    using enum Imaging::ScanFormat;
    const PhotoCase cases[] = {
        {"square on", 0, 0, 0, false},
        {"square on, turned", 0, 0, 33, false},
        {"tilted 20 degrees about the vertical", 0, 20, 0, true},
        {"tilted 20 degrees about the horizontal", 20, 0, 0, true},
        {"tilted both ways, turned", -12, 15, 25, true, Png},
        {"tilted, turned a half turn", 10, -10, 180, true},
        {"tilted 3 degrees", 3, 0, 8, true},
        {"tilted, dark brown card, uneven light", 8, 14, -5, true, Jpeg, 15, 120, 0.2, 3.0},
        {"tilted, backlit", 15, 5, 10, true, Png, 20, 235, 0.0, 2.0, true},
        {"tilted, dim card, strong falloff", 10, 0, 4, true, Jpeg, 30, 110, 0.4, 2.0},
        // One level over the whole photo leaves the dim end of these cards out of the card.
        {"square on, dim card, light lost across it", 0, 0, 0, true, Jpeg, 30, 110, 0.6, 2.0},
        {"square on, turned, dim card, light lost across it", 0, 0, 4, true, Jpeg, 30, 110, 0.7, 2.0},
        {"tilted, things round the card", 12, -8, 3, true, Jpeg, 20, 235, 0.0, 1.0, false, true},
        {"square on, things round the card", 0, 0, -3, false, Png, 20, 235, 0.0, 1.0, false, true},
        {"square on, a wrong resolution in the file", 0, 0, 2, false, Jpeg, 20, 235, 0.0, 0.0, false, false,
         72},
        {"tilted, a wrong resolution in the file", -9, 9, 2, true, Jpeg, 20, 235, 0.0, 0.0, false, false,
         600},
    };
    const std::string text = "PHOTO OF A CARD 0123456789 +-*/ ()";
    for (const PhotoCase& c : cases) {
        SCOPED_TRACE(c.name);
        RenderPage({{text, c.angle}}, 150);
        korvane::Picture page = TestSupport::LoadPicture("page.bmp");
        if (c.backlit)
            for (auto& byte : page.Bytes)
                byte = static_cast<std::uint8_t>(~byte);
        Imaging::ScanLook look;
        look.Tone = Imaging::ScanTone::Colour;
        look.BlackLevel = c.blackLevel;
        look.CardWhite = c.cardWhite;
        look.Falloff = c.falloff;
        look.Noise = c.noise;
        look.Blur = 1;
        look.Ppi = c.ppi;
        const std::string name = std::string("photo.") + Imaging::FormatName(c.format);
        korvane::Picture photo = Tilted(page, c.aboutX, c.aboutY, c.clutter ? 150 : 20);
        if (c.clutter)
            AddClutter(photo);
        Imaging::WriteScan(name, {photo}, look, c.format);
        const json scan = ReadJson(name + (c.backlit ? " --polarity auto" : ""));
        ASSERT_TRUE(scan.is_object() && scan.contains("cards") && scan["cards"].size() == 1u) << scan.dump();
        EXPECT_EQ(scan["cards"][0].value("text", std::string()), Columns72(text));
        EXPECT_TRUE(scan["cards"][0]["doubtfulColumns"].empty());
        EXPECT_EQ(scan.contains("perspective"), c.straightened);
        // The sheet beside the card is named as not a card (the table's edge and the marks are too
        // narrow to be looked at); in a photo with nothing round its card nothing inside the picture
        // is named (a backlit card's dark room round the light box runs off the picture).
        const json notCards = scan["picture"].value("notCards", json::array());
        const auto sheet = [](const json& shape) {
            const json& box = shape["box"];
            return box.size() == 4u && std::abs(box[0].get<int>() - 10) <= 2 &&
                   std::abs(box[1].get<int>() - 10) <= 2 && std::abs(box[2].get<int>() - 120) <= 4 &&
                   std::abs(box[3].get<int>() - 120) <= 4 && !shape.value("reason", std::string()).empty();
        };
        EXPECT_EQ(std::count_if(notCards.begin(), notCards.end(), sheet), c.clutter ? 1 : 0)
            << notCards.dump();
        for (const json& shape : notCards)
            if (!c.clutter) {
                EXPECT_EQ(shape.value("reason", std::string()), "it runs off the picture") << notCards.dump();
            }
        if (c.straightened) {
            EXPECT_EQ(scan["perspective"].size(), 4u);
        }
    }
}

TEST_F(ReadBackTest, RealPhotoReadsAtEveryTurn)
{
    struct PixDeleter
    {
        void operator()(PIX* pix) const { pixDestroy(&pix); }
    };
    using PixPtr = std::unique_ptr<PIX, PixDeleter>;
    const std::string text = "      CALL RCLASS(AAA,21,NNC,PX3,PX4)";
    const PixPtr photo(pixRead(TestSupport::SourcePath("tests/data/real-scans/photo-front.jpg").c_str()));
    ASSERT_TRUE(photo);
    for (int degrees = 0; degrees < 360; degrees += 15) {
        SCOPED_TRACE(degrees);
        // Turned on a larger black canvas, so that no corner of the card leaves the picture.
        const PixPtr turned(pixRotate(photo.get(), static_cast<float>(degrees * M_PI / 180),
                                      L_ROTATE_AREA_MAP, L_BRING_IN_BLACK, 1400, 1400));
        ASSERT_EQ(pixWrite("turned.jpg", turned.get(), IFF_JFIF_JPEG), 0);
        const json scan = ReadJson("turned.jpg --side front");
        ASSERT_TRUE(scan.is_object() && scan.contains("cards") && scan["cards"].size() == 1u) << scan.dump();
        EXPECT_EQ(scan["cards"][0].value("text", std::string()), Columns72(text));
        EXPECT_FALSE(scan.contains("perspective"));
    }
}
