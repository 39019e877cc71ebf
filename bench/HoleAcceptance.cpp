// How many punched holes the hole model accepts, with the fixed half-pixel margin and with the
// margin that grows with the scale, on cards made by the renderer (model and real dimensions) at
// several resolutions and on the real scans. Prints one line per picture.
#include "BMPunit.h"
#include "CardRenderer.h"
#include "ProcessPass.h"
#include "ProcessSteps.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

namespace {

struct Count
{
    int holes = 0, fixed = 0, widened = 0;
};

// Contours of negative area of at least one square pixel are the holes (the pictures hold nothing else black
// on the card); each is compared with both hole models.
// The picture of the last Load, traced into one store.
korvane::Picture gPicture;
BMPunit::ContourStore gStore;
Algemeen::StringConsole gQuiet;

Count CountAccepted(double pixelsPerMillimetre)
{
    Algemeen::NoEvents events;
    Algemeen::SystemClock clock;
    Algemeen::RunLog log(gQuiet, clock);
    BMPunit::TraceContours(gPicture, gStore, log, events);
    Ogenblik::Ponskaart fixed, widened;
    fixed.Scale = widened.Scale = pixelsPerMillimetre;
    fixed.MakeHole(0.5);
    widened.MakeHole(korvane::HoleModelMargin(pixelsPerMillimetre));
    fixed.BuildModel();
    widened.BuildModel();
    Count count;
    Ogenblik::Contour c;
    for (std::int32_t i = 1; i <= gStore.ContourCount(); ++i) {
        gStore.ContourPoints(i, c.Points);
        c.ComputeMoments();
        if (c.AreaMoments.Size > -1.0)
            continue;
        ++count.holes;
        count.fixed += korvane::DiffersFromModel(c, fixed) ? 0 : 1;
        count.widened += korvane::DiffersFromModel(c, widened) ? 0 : 1;
    }
    return count;
}

void Report(const char* what, double dpi, const Count& c)
{
    std::printf("%-28s %4.0f dpi  holes %4d  accepted at 0.5 px: %4d (%5.1f %%)  at 0.5 px + 0.1 mm: %4d "
                "(%5.1f %%)\n",
                what, dpi, c.holes, c.fixed, 100.0 * c.fixed / std::max(c.holes, 1), c.widened,
                100.0 * c.widened / std::max(c.holes, 1));
}

bool Load(const std::string& name)
{
    BMPunit::BmpFile file;
    if (!BMPunit::LoadBitmapFile(file, name, gQuiet) || !BMPunit::CheckBitmapHeader(file, gQuiet))
        return false;
    gPicture = BMPunit::TakePicture(std::move(file));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const auto scan = (std::filesystem::temp_directory_path() / "korvane-holes.bmp").string();
    Punch::CardPunches punches{};
    std::mt19937 random(3);
    for (int n = 0; n < 200;) {
        auto& column = punches[random() % 80];
        const auto bit = Algemeen::RowBit(static_cast<int>(random() % 12));
        n += (column & bit) != 0 ? 0 : 1;
        column |= bit;
    }
    for (const bool real : {false, true})
        for (const double dpi : {100.0, 150.0, 200.0, 300.0, 400.0, 600.0}) {
            const double scale = dpi / 25.4;
            const std::vector<Punch::CardOnPage> cards{{punches, 1.0}};
            const auto& dims = real ? Punch::kRealCard : Punch::kModelCard;
            const auto layout = Punch::LayOutPage(cards, dims, scale);
            BMPunit::WriteFileBytes(
                scan, BMPunit::EncodeBitmap(Punch::RenderPage(cards, layout, dims, scale),
                                            static_cast<std::int32_t>(std::lround(dpi / 0.0254))));
            if (!Load(scan))
                return 1;
            Report(real ? "punch --real" : "punch (model size)", dpi,
                   CountAccepted(gPicture.PixelsPerMillimetre));
        }
    for (int i = 1; i < argc; ++i) {
        if (!Load(argv[i]))
            return 1;
        Report(std::filesystem::path(argv[i]).filename().c_str(), gPicture.PixelsPerMillimetre * 25.4,
               CountAccepted(gPicture.PixelsPerMillimetre));
    }
    return 0;
}
