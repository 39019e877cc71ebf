#include "ReadBack.h"

#include "BMPunit.h"

#include <cmath>
#include <filesystem>

namespace E2e {

ReadBackTest::ReadBackTest()
{
    std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
    const auto table = Punch::ReadCodeTable("ibmkaart.txt");
    EXPECT_TRUE(table.ok) << table.message;
    codes = table.codes;
}

std::string Columns72(const std::string& text)
{
    std::string columns = text.substr(0, std::min<std::size_t>(text.size(), 72));
    columns.resize(72, ' ');
    return columns;
}

PageReading ReadBackTest::Read(const std::string& scan, const std::vector<Algemeen::IntPoint>& picks,
                               const korvane::PictureSettings& settings)
{
    Unit1::RunState state(platform.console, platform.clock);
    state.PictureOptions = settings;
    platform.console.Clear();
    Unit1::RecordingWindow window;
    Unit1::Starten(window, state);
    window.QueueDialogAnswer(scan);
    Unit1::Open1Click(window, state);
    Unit1::Process1Click(window, state);
    PageReading reading;
    reading.processed = window.MenuEnabled(Unit1::MenuItem::Select1);
    reading.processMessage = window.EditText();
    if (reading.processed)
        for (const auto& at : picks) {
            Unit1::Select1Click(window, state);
            Unit1::Kiezen(window, state, Unit1::MouseButton::Left, at.X, at.Y);
            reading.texts.push_back(window.EditText());
            reading.black.push_back(window.EditColour() == Algemeen::kBlack);
        }
    EXPECT_TRUE(window.Errors().empty()) << (window.Errors().empty() ? "" : window.Errors()[0]);
    reading.console = platform.console.Text();
    reading.scale = state.Shown.Scale;
    return reading;
}

PageReading ReadBackTest::RenderAndRead(const std::vector<CardSpecOnPage>& cards, double dpi, bool real,
                                        double noise, std::uint64_t seed)
{
    return Read("page.bmp", RenderPage(cards, dpi, real, noise, seed));
}

std::vector<Algemeen::IntPoint> ReadBackTest::RenderPage(const std::vector<CardSpecOnPage>& cards, double dpi,
                                                         bool real, double noise, std::uint64_t seed)
{
    const double scale = dpi / 25.4;
    std::vector<Punch::CardOnPage> page;
    for (const auto& card : cards) {
        const auto punched = Punch::PunchText(card.text, codes);
        EXPECT_TRUE(punched.ok) << punched.message;
        page.push_back({punched.punches, card.angle});
    }
    const auto& dims = real ? Punch::kRealCard : Punch::kModelCard;
    const auto layout = Punch::LayOutPage(page, dims, scale);
    auto image = Punch::RenderPage(page, layout, dims, scale);
    if (noise > 0)
        Punch::AddSpeckNoise(image, noise, seed);
    const auto ppm = static_cast<std::int32_t>(std::lround(dpi / 0.0254));
    BMPunit::WriteFileBytes("page.bmp", BMPunit::EncodeBitmap(image, ppm));
    std::vector<Algemeen::IntPoint> picks;
    for (const auto& c : layout.centres)
        picks.push_back({static_cast<std::int32_t>(c.x), static_cast<std::int32_t>(c.y)});
    return picks;
}

} // namespace E2e
