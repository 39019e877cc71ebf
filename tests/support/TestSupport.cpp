#include "TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace TestSupport {

ScratchDir::ScratchDir()
{
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("korvane-test-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

BMPunit::BitImage ParseBitmap(const std::vector<std::string>& rows)
{
    const auto height = static_cast<std::int32_t>(rows.size());
    const auto width = height == 0 ? 0 : static_cast<std::int32_t>(rows[0].size());
    BMPunit::BitImage image(width, height, false);
    for (std::int32_t y = 0; y < height; ++y) {
        if (static_cast<std::int32_t>(rows[static_cast<std::size_t>(y)].size()) != width)
            throw std::invalid_argument("ragged ASCII picture");
        for (std::int32_t x = 0; x < width; ++x)
            image.Set(x, y, rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '#');
    }
    return image;
}

korvane::Picture PictureOf(const BMPunit::BitImage& image, std::int32_t pixelsPerMetre)
{
    BMPunit::BmpFile file;
    file.BitmapBytes = BMPunit::EncodeBitmap(image, pixelsPerMetre);
    file.BitmapFileSize = static_cast<std::int32_t>(file.BitmapBytes.size());
    Algemeen::StringConsole quiet;
    EXPECT_TRUE(BMPunit::CheckBitmapHeader(file, quiet));
    return file.Proper ? BMPunit::TakePicture(std::move(file)) : korvane::Picture{};
}

BMPunit::BitImage BitImageOf(const korvane::Picture& picture)
{
    BMPunit::BitImage image(picture.Width, picture.Height, false);
    for (std::int32_t y = 0; y < picture.Height; ++y)
        for (std::int32_t x = 0; x < picture.Width; ++x)
            image.Set(x, y, (picture.Row(y)[x / 8] & (0x80 >> (x % 8))) == 0);
    return image;
}

void InvertBmp(const std::string& fileName)
{
    std::vector<std::uint8_t> bytes = ReadFileBytes(fileName);
    ASSERT_GE(bytes.size(), 54u);
    auto field = [&](std::size_t at, int size) {
        std::uint32_t value = 0;
        for (int k = size - 1; k >= 0; --k)
            value = value << 8 | bytes[at + std::size_t(k)];
        return value;
    };
    const std::uint32_t depth = field(28, 2);
    ASSERT_TRUE(depth == 1 || depth == 8) << fileName;
    const std::size_t palette = 14 + field(14, 4), pixels = field(10, 4);
    ASSERT_LE(pixels, bytes.size());
    if (depth == 1)
        for (std::size_t k = pixels; k < bytes.size(); ++k)
            bytes[k] = static_cast<std::uint8_t>(~bytes[k]);
    else
        for (std::size_t k = palette; k < pixels; ++k)
            if ((k - palette) % 4 != 3) // blue, green, red; the fourth byte is unused
                bytes[k] = static_cast<std::uint8_t>(255 - bytes[k]);
    BMPunit::WriteFileBytes(fileName, bytes);
}

korvane::Picture LoadPicture(const std::string& fileName)
{
    BMPunit::BmpFile file;
    Algemeen::StringConsole quiet;
    EXPECT_TRUE(BMPunit::LoadBitmapFile(file, fileName, quiet) && BMPunit::CheckBitmapHeader(file, quiet))
        << fileName;
    return file.Proper ? BMPunit::TakePicture(std::move(file)) : korvane::Picture{};
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + fileName);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadFileText(const std::string& fileName)
{
    const auto bytes = ReadFileBytes(fileName);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::string> ReadFileLines(const std::string& fileName)
{
    std::istringstream in(ReadFileText(fileName));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void WriteFileText(const std::string& fileName, const std::string& text)
{
    std::ofstream out(fileName, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + fileName);
}

std::string SourcePath(const std::string& relative)
{
    return std::string(KORVANE_SOURCE_DIR) + "/" + relative;
}

} // namespace TestSupport
