#include "BMPunit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace BMPunit;
using TestSupport::CapturedPlatform;
using TestSupport::ParseBitmap;
using TestSupport::ScratchDir;

namespace {

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::vector<std::uint8_t> GoodFile(std::int32_t width = 10, std::int32_t height = 6, bool topDown = false)
{
    BitImage image(width, height, false);
    image.Set(0, 0, true);
    return EncodeBitmap(image, 5906, topDown);
}

class BmpLoadTest : public ::testing::Test
{
protected:
    // Writes the bytes, loads and checks them; returns the check's verdict.
    bool Check(const std::vector<std::uint8_t>& bytes)
    {
        WriteFileBytes("picture.bmp", bytes);
        platform.console.Clear();
        EXPECT_TRUE(LoadBitmapFile("picture.bmp"));
        return CheckBitmapHeader();
    }
    bool LoadBitmapFile(const std::string& name)
    {
        return BMPunit::LoadBitmapFile(file, name, platform.console);
    }
    bool CheckBitmapHeader() { return BMPunit::CheckBitmapHeader(file, platform.console); }
    // Row y of the checked file as the reader sees it.
    const std::uint8_t* PixelRow(std::int32_t y)
    {
        if (y < 0 || y >= file.ImageHeight)
            throw std::out_of_range("pixel row outside the picture");
        BmpFile copy = file;
        picture = TakePicture(std::move(copy));
        return picture.Row(y);
    }
    BmpFile file;
    korvane::Picture picture;
    ScratchDir dir;
    CapturedPlatform platform;
};

const char* const kGoodReport =
    "Width = 10\nHeight = 6\nHorizontal Resolution = 5906\nVertical Resolution = 5906\n";

} // namespace

TEST_F(BmpLoadTest, GoodPictureGivesFourLinesAndGeometry)
{
    EXPECT_TRUE(Check(GoodFile()));
    EXPECT_EQ(platform.console.Text(), kGoodReport);
    EXPECT_EQ(file.ImageWidth, 10);
    EXPECT_EQ(file.ImageHeight, 6);
    EXPECT_DOUBLE_EQ(file.PixelsPerMillimetre, 5.906);
    EXPECT_EQ(file.RowStride, 4);
    EXPECT_EQ(file.BitmapFileSize, 62 + 4 * 6);
}

TEST_F(BmpLoadTest, RowStrideRoundsUpToFourBytes)
{
    for (auto [width, stride] : {std::pair{1, 4}, {32, 4}, {33, 8}, {65, 12}}) {
        EXPECT_TRUE(Check(GoodFile(width, 2)));
        EXPECT_EQ(file.RowStride, stride) << "width " << width;
    }
}

TEST_F(BmpLoadTest, MissingFileKeepsThePreviousPicture)
{
    EXPECT_TRUE(Check(GoodFile()));
    platform.console.Clear();
    EXPECT_FALSE(LoadBitmapFile("nothing.bmp"));
    EXPECT_EQ(platform.console.Text(), "nothing.bmp: does Not exist\n");
    EXPECT_EQ(file.ImageWidth, 10);
    EXPECT_EQ(file.BitmapBytes, GoodFile());
    EXPECT_FALSE(LoadBitmapFile(dir.Path().string())) << "a directory is not a picture file";
}

TEST_F(BmpLoadTest, FileOfExactlyTwoBlocksIsReadCompletely)
{
    // 62 + 4 * 1008 = 4094 bytes of picture, padded to 4096: the last block read returns nothing.
    auto bytes = GoodFile(32, (4096 - 62) / 4); // 62 + 4 * 1008 = 4094
    bytes.resize(4096, 0);
    Put32(bytes, 2, 4096);
    EXPECT_TRUE(Check(bytes));
    EXPECT_EQ(file.BitmapBytes.size(), 4096u);
}

struct Fault
{
    const char* name;
    std::vector<std::uint8_t> bytes;
};

std::vector<Fault> HostileFiles()
{
    std::vector<Fault> faults;
    auto with = [&](const char* name, auto change) {
        auto b = GoodFile();
        change(b);
        faults.push_back({name, b});
    };
    with("file-size field one off", [](auto& b) { Put32(b, 2, static_cast<std::uint32_t>(b.size() + 1)); });
    with("palette swapped", [](auto& b) {
        Put32(b, 54, 0x00FFFFFF);
        Put32(b, 58, 0);
    });
    with("white entry not quite white", [](auto& b) { b[60] = 254; });
    with("black entry not quite black", [](auto& b) { b[54] = 1; });
    with("resolutions differ", [](auto& b) {
        Put32(b, 38, 300);
        Put32(b, 42, 301);
    });
    with("108-byte info header", [](auto& b) { Put32(b, 14, 108); });
    with("8 bits per pixel", [](auto& b) { b[28] = 8; });
    with("RLE compression", [](auto& b) { Put32(b, 30, 1); });
    with("two planes", [](auto& b) { b[26] = 2; });
    with("not BM", [](auto& b) { b[0] = 'X'; });
    with("width 0", [](auto& b) { Put32(b, 18, 0); });
    with("height 0", [](auto& b) { Put32(b, 22, 0); });
    with("negative width", [](auto& b) { Put32(b, 18, static_cast<std::uint32_t>(-10)); });
    with("rows past the end", [](auto& b) { Put32(b, 22, 7); });
    with("offset past the end", [](auto& b) { Put32(b, 10, 1000); });
    with("negative offset", [](auto& b) { Put32(b, 10, 0x80000000u); });
    with("huge width", [](auto& b) { Put32(b, 18, 0x7FFFFFFFu); });
    with("huge height", [](auto& b) { Put32(b, 22, 0x7FFFFFFFu); });
    with("most negative height", [](auto& b) { Put32(b, 22, 0x80000000u); });
    with("size that overflows 32-bit row arithmetic", [](auto& b) {
        Put32(b, 18, 100000);
        Put32(b, 22, 100000);
    });
    return faults;
}

TEST_F(BmpLoadTest, HostileFilesAreRefusedWithTheVerdict)
{
    for (const auto& fault : HostileFiles()) {
        EXPECT_FALSE(Check(fault.bytes)) << fault.name;
        const std::string text = platform.console.Text();
        EXPECT_NE(text.find("Not a proper B/W picture !!\n"), std::string::npos) << fault.name;
        EXPECT_EQ(text.rfind("Width = ", 0), 0u) << fault.name << ": the report comes first";
    }
}

TEST_F(BmpLoadTest, TruncatedCopiesAtEveryLengthAreRefusedSafely)
{
    const auto good = GoodFile();
    for (std::size_t length = 0; length < good.size(); ++length) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(Check(cut)) << "length " << length;
        EXPECT_NE(platform.console.Text().find("Not a proper B/W picture !!"), std::string::npos);
        // A truncated copy keeps its file-size field: patch it so only the missing rows are wrong.
        if (length >= 6) {
            Put32(cut, 2, static_cast<std::uint32_t>(length));
            EXPECT_FALSE(Check(cut)) << "length " << length << " with matching size field";
        }
    }
}

TEST_F(BmpLoadTest, ShortFileWritesTheLinesItCan)
{
    auto bytes = GoodFile();
    bytes.resize(30);
    Put32(bytes, 2, 30);
    EXPECT_FALSE(Check(bytes));
    EXPECT_EQ(platform.console.Text(), "Width = 10\nHeight = 6\nNot a proper B/W picture !!\n");
}

TEST_F(BmpLoadTest, NonBmpOfSixtyTwoBytesStillReportsItsFields)
{
    std::vector<std::uint8_t> bytes(62, 0);
    bytes[18] = 3;
    EXPECT_FALSE(Check(bytes));
    EXPECT_EQ(platform.console.Text(),
              "Width = 3\nHeight = 0\nHorizontal Resolution = 0\nVertical Resolution = 0\n"
              "Not a proper B/W picture !!\n");
}

TEST_F(BmpLoadTest, ReservedPaletteBytesAreNotColours)
{
    auto bytes = GoodFile();
    bytes[57] = 255;
    bytes[61] = 255;
    EXPECT_TRUE(Check(bytes));
}

TEST_F(BmpLoadTest, RealScanIsAccepted)
{
    ASSERT_TRUE(LoadBitmapFile(TestSupport::SourcePath("tests/data/real-scans/nara-C04D01L-0-back.bmp")));
    EXPECT_TRUE(CheckBitmapHeader());
    EXPECT_EQ(file.ImageWidth, 1152);
    EXPECT_EQ(file.ImageHeight, 544);
}

TEST_F(BmpLoadTest, LargestPictureIsAcceptedOneRowMoreIsNot)
{
    // kMaxPixels as 8192 x 8192 pixels, rows of 1024 bytes; the file always holds every row.
    constexpr std::int32_t kSide = 8192;
    static_assert(kMaxPixels == std::int64_t{kSide} * kSide);
    for (const std::int32_t height : {kSide, kSide + 1}) {
        auto bytes = GoodFile(kSide, 1);
        bytes.resize(62 + std::size_t{1024} * static_cast<std::size_t>(height), 0xFF);
        Put32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
        Put32(bytes, 22, static_cast<std::uint32_t>(height));
        EXPECT_EQ(Check(bytes), height == kSide) << "height " << height;
    }
}

TEST_F(BmpLoadTest, ZeroResolutionIsAccepted)
{
    auto bytes = GoodFile();
    Put32(bytes, 38, 0);
    Put32(bytes, 42, 0);
    EXPECT_TRUE(Check(bytes));
    EXPECT_EQ(file.PixelsPerMillimetre, 0.0);
}

TEST_F(BmpLoadTest, TopDownPictureReadsItsRowsFromTheTop)
{
    const BitImage image = ParseBitmap({"#.........", "..........", ".........#"});
    WriteFileBytes("down.bmp", EncodeBitmap(image, 5906, true));
    ASSERT_TRUE(LoadBitmapFile("down.bmp"));
    ASSERT_TRUE(CheckBitmapHeader());
    EXPECT_NE(platform.console.Text().find("Height = -3\n"), std::string::npos) << "the field as it stands";
    EXPECT_EQ(file.ImageHeight, 3);
    EXPECT_EQ(PixelRow(0)[0] & 0x80, 0) << "top-left pixel is black";
    EXPECT_NE(PixelRow(2)[0] & 0x80, 0);
    EXPECT_EQ(PixelRow(2)[1] & 0x40, 0) << "bottom-right pixel is black";

    WriteFileBytes("up.bmp", EncodeBitmap(image, 5906, false));
    ASSERT_TRUE(LoadBitmapFile("up.bmp"));
    ASSERT_TRUE(CheckBitmapHeader());
    EXPECT_EQ(PixelRow(0)[0] & 0x80, 0);
    EXPECT_EQ(PixelRow(2)[1] & 0x40, 0);
    EXPECT_THROW(PixelRow(3), std::out_of_range);
}
