// Real cards scanned from their back at 150 dpi must read exactly, from the BMP files and from the
// 1-bit PNG files they were published as.
#include "ReadBack.h"

#include <fstream>

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
