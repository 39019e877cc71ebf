// The bundled samples read back to the texts they were punched from (columns 1 to 72).
#include "ReadBack.h"

#include <fstream>

using namespace E2e;

TEST_F(ReadBackTest, SamplesReadBackToTheirTexts)
{
    for (const std::string name : {"card-01", "card-02", "page"}) {
        std::ifstream texts(TestSupport::SourcePath("samples/" + name + ".txt"));
        std::vector<std::string> expected;
        for (std::string line; std::getline(texts, line);)
            expected.push_back(Columns72(line));
        const auto scan = TestSupport::SourcePath("samples/" + name + ".bmp");
        BMPunit::BmpFile file;
        Algemeen::StringConsole quiet;
        ASSERT_TRUE(BMPunit::LoadBitmapFile(file, scan, quiet) && BMPunit::CheckBitmapHeader(file, quiet))
            << name;
        // The cards lie one below the other, centred across the page: pick each in the middle of
        // its share of the height.
        const auto w = file.ImageWidth, h = file.ImageHeight;
        const auto n = static_cast<std::int32_t>(expected.size());
        std::vector<Algemeen::IntPoint> picks;
        for (std::int32_t i = 0; i < n; ++i)
            picks.push_back({w / 2, h * (2 * i + 1) / (2 * n)});
        const auto reading = Read(scan, picks);
        ASSERT_TRUE(reading.processed) << name << ": " << reading.processMessage;
        EXPECT_EQ(reading.texts, expected) << name;
    }
}
