// Files that must be refused with a message and no crash: headers that promise more pixels than
// the program takes (refused before decoding, by what the message says), truncated files of every
// format, and bytes that are no picture.
#include "TestPictures.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <zlib.h>

using namespace Imaging;
using namespace ImagingTest;

namespace {

void PutBigEndian(std::vector<std::uint8_t>& bytes, std::size_t at, int count, std::uint32_t value)
{
    for (int i = 0; i < count; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
}

// Sets ImageWidth and ImageLength in the first directory of a little-endian TIFF file to `side`, as LONGs.
void PatchTiffSize(std::vector<std::uint8_t>& tiff, std::uint32_t side)
{
    ASSERT_EQ(tiff[0], 'I');
    auto get = [&tiff](std::size_t at, int n) {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = (v << 8) | tiff[at + static_cast<std::size_t>(i)];
        return v;
    };
    const std::uint32_t ifd = get(4, 4);
    int patched = 0;
    for (std::uint32_t i = 0; i < get(ifd, 2); ++i) {
        const std::size_t entry = ifd + 2 + i * 12;
        if (get(entry, 2) == 256 || get(entry, 2) == 257) {
            const std::uint8_t longOne[] = {4, 0, 1, 0, 0, 0};
            std::copy(std::begin(longOne), std::end(longOne),
                      tiff.begin() + static_cast<std::ptrdiff_t>(entry + 2));
            for (int b = 0; b < 4; ++b)
                tiff[entry + 8 + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(side >> (8 * b));
            ++patched;
        }
    }
    ASSERT_EQ(patched, 2);
}

std::vector<std::uint8_t> Grey(ScanFormat format, ScanTone tone = ScanTone::Grey)
{
    return EncodeScan({CardPicture(5)}, ScanLook{.Tone = tone, .Noise = 3, .Ppi = 150}, format);
}

// A grey progressive JPEG of `side` x `side` whose AC coefficients come one at a time and one bit
// at a time: a valid file of 1 + 63 + 63 * 9 = 631 scans.
std::vector<std::uint8_t> ManyScanJpeg(int side)
{
    jpeg_compress_struct jpeg{};
    jpeg_error_mgr errors{};
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = jpeg.image_height = static_cast<JDIMENSION>(side);
    jpeg.input_components = 1;
    jpeg.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&jpeg);
    std::vector<jpeg_scan_info> scans{{1, {0}, 0, 0, 0, 0}};
    for (int k = 1; k < 64; ++k)
        scans.push_back({1, {0}, k, k, 0, 9});
    for (int bit = 9; bit > 0; --bit)
        for (int k = 1; k < 64; ++k)
            scans.push_back({1, {0}, k, k, bit, bit - 1});
    jpeg.scan_info = scans.data();
    jpeg.num_scans = static_cast<int>(scans.size());
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(side));
    while (jpeg.next_scanline < jpeg.image_height) {
        for (int x = 0; x < side; ++x)
            row[static_cast<std::size_t>(x)] =
                static_cast<JSAMPLE>((x * 7 + static_cast<int>(jpeg.next_scanline) * 13) & 0xFF);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&jpeg);
    std::free(buffer);
    return bytes;
}

void PutChunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data)
{
    const std::size_t at = png.size();
    png.resize(at + 4);
    PutBigEndian(png, at, 4, static_cast<std::uint32_t>(data.size()));
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const auto crc = crc32(0, png.data() + at + 4, static_cast<uInt>(data.size() + 4));
    png.resize(png.size() + 4);
    PutBigEndian(png, png.size() - 4, 4, static_cast<std::uint32_t>(crc));
}

// A 64 x 64 grey PNG whose one zlib stream holds its rows and then `surplus` more zero bytes.
std::vector<std::uint8_t> InflationBombPng(std::size_t surplus)
{
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header(13, 0);
    PutBigEndian(header, 0, 4, 64);
    PutBigEndian(header, 4, 4, 64);
    header[8] = 8; // bits; colour type 0 (grey)
    PutChunk(png, "IHDR", header);
    z_stream zip{};
    deflateInit(&zip, 9);
    std::vector<std::uint8_t> packed, zeros(1 << 20, 0), out(1 << 16);
    const auto feed = [&](std::size_t count, int flush) {
        zip.next_in = zeros.data();
        zip.avail_in = static_cast<uInt>(count);
        do {
            zip.next_out = out.data();
            zip.avail_out = static_cast<uInt>(out.size());
            deflate(&zip, flush);
            packed.insert(packed.end(), out.data(), out.data() + (out.size() - zip.avail_out));
        } while (zip.avail_out == 0);
    };
    feed(64 * 65, Z_NO_FLUSH); // the rows: a filter byte and 64 pixels each
    for (std::size_t fed = 0; fed < surplus; fed += zeros.size())
        feed(zeros.size(), Z_NO_FLUSH);
    feed(0, Z_FINISH);
    deflateEnd(&zip);
    for (std::size_t at = 0; at < packed.size(); at += 8192) // in chunks of 8 KiB, as writers do
        PutChunk(png, "IDAT",
                 {packed.begin() + static_cast<std::ptrdiff_t>(at),
                  packed.begin() + static_cast<std::ptrdiff_t>(std::min(packed.size(), at + 8192))});
    PutChunk(png, "IEND", {});
    return png;
}

} // namespace

TEST(HostileFileTest, CorruptOrCostlyFilesAreRefusedQuickly)
{
    // One marker in the middle of a JPEG's coded data: libjpeg steps over it with a warning.
    auto jpeg = Grey(ScanFormat::Jpeg);
    jpeg[jpeg.size() / 2] = 0xFF;
    jpeg[jpeg.size() / 2 + 1] = 0xD5;
    auto cut = Grey(ScanFormat::Jpeg);
    cut.resize(cut.size() * 97 / 100);
    const auto bomb = InflationBombPng(512u << 20);
    const auto scans = ManyScanJpeg(64);
    const auto card = Grey(ScanFormat::Png);
    const bool stopAll = true;
    const struct
    {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        bool stopped; // decoded under a DecodeStop that says stop
        const char* says;
    } cases[] = {
        {"jpeg with a stray marker", jpeg, false, "(corrupt data ("},
        {"jpeg cut at 97 %", cut, false, "the JPEG file is truncated"},
        {"png inflating far past its rows", bomb, false, "more compressed data than the picture holds"},
        {"jpeg of 631 scans", scans, false, "more than 500 scans"},
        {"png stopped", card, stopAll, "stopped"},
        {"jpeg stopped", scans, stopAll, "stopped"},
    };
    for (const auto& c : cases) {
        const DecodeStop stop([&c] { return c.stopped; });
        const auto start = std::chrono::steady_clock::now();
        const DecodeResult result = DecodeImage(c.bytes.data(), c.bytes.size());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.name;
        EXPECT_FALSE(result.Ok) << c.name;
        EXPECT_NE(result.Message.find(c.says), std::string::npos) << c.name << ": " << result.Message;
    }
    // What is refused above is refused for its fault: the same kinds of file without it are read.
    EXPECT_TRUE(DecodeImage(card.data(), card.size()).Ok);
    const auto fewScans = Grey(ScanFormat::Jpeg);
    EXPECT_TRUE(DecodeImage(fewScans.data(), fewScans.size()).Ok);
}

TEST(HostileFileTest, HugeHeadersAreRefusedBeforeDecoding)
{
    auto png = Grey(ScanFormat::Png);
    PutBigEndian(png, 16, 4, 100000); // IHDR width
    PutBigEndian(png, 20, 4, 100000); // IHDR height
    auto tiff = Grey(ScanFormat::Tiff);
    PatchTiffSize(tiff, 100000);
    auto jpeg = Grey(ScanFormat::Jpeg);
    const std::uint8_t marker[] = {0xFF, 0xC0}; // start of frame, baseline
    const auto sof = std::search(jpeg.begin(), jpeg.end(), std::begin(marker), std::end(marker));
    ASSERT_NE(sof, jpeg.end());
    PutBigEndian(jpeg, static_cast<std::size_t>(sof - jpeg.begin()) + 5, 2, 60000); // height
    PutBigEndian(jpeg, static_cast<std::size_t>(sof - jpeg.begin()) + 7, 2, 60000); // width
    // A GIF of a small screen whose only image promises 60000 x 60000 pixels.
    const std::vector<std::uint8_t> gif = {'G',  'I', 'F', '8', '9', 'a',  100,  0,    100,  0, 0, 0, 0,
                                           0x2C, 0,   0,   0,   0,   0x60, 0xEA, 0x60, 0xEA, 0, 2, 0, 0x3B};
    const struct
    {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        const char* says;
    } cases[] = {
        {"png", png, "the picture is 100000 x 100000 pixels: larger than Korvane reads"},
        {"tiff", tiff, "the picture is 100000 x 100000 pixels: larger than Korvane reads"},
        {"jpeg", jpeg, "the picture is 60000 x 60000 pixels: larger than Korvane reads"},
        {"gif", gif, "the picture is 60000 x 60000 pixels: larger than Korvane reads"},
    };
    for (const auto& c : cases) {
        const DecodeResult result = DecodeImage(c.bytes.data(), c.bytes.size());
        EXPECT_FALSE(result.Ok) << c.name;
        EXPECT_EQ(result.Message.rfind(c.says, 0), 0u) << c.name << ": " << result.Message;
    }
    // A caller's lower limit holds back what Korvane's own would take.
    const auto card = Grey(ScanFormat::Png);
    EXPECT_TRUE(DecodeImage(card.data(), card.size()).Ok);
    const DecodeResult held = DecodeImage(card.data(), card.size(), {.MaxPixels = 1000});
    EXPECT_FALSE(held.Ok);
    EXPECT_NE(held.Message.find("1000 pixels in all"), std::string::npos) << held.Message;
}

TEST(HostileFileTest, TruncatedFilesAreRefused)
{
    const struct
    {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } files[] = {
        {"png grey", Grey(ScanFormat::Png)},
        {"png 1-bit", Grey(ScanFormat::Png, ScanTone::BlackWhite)},
        {"png colour", Grey(ScanFormat::Png, ScanTone::Colour)},
        {"tiff lzw", Grey(ScanFormat::Tiff)},
        {"tiff group 4", Grey(ScanFormat::Tiff, ScanTone::BlackWhite)},
        {"jpeg", Grey(ScanFormat::Jpeg)},
        {"bmp grey", Grey(ScanFormat::Bmp)},
    };
    for (const auto& f : files) {
        ASSERT_TRUE(DecodeImage(f.bytes.data(), f.bytes.size()).Ok) << f.name;
        for (const double kept : {0.0, 0.01, 0.1, 0.25, 0.5, 0.75, 0.95}) {
            const auto size = static_cast<std::size_t>(static_cast<double>(f.bytes.size()) * kept);
            const DecodeResult result = DecodeImage(f.bytes.data(), size);
            EXPECT_FALSE(result.Ok) << f.name << " cut to " << size << " bytes";
            if (size >= 12) { // shorter is no picture file at all
                EXPECT_NE(result.Message.find("truncated"), std::string::npos)
                    << f.name << " cut to " << size << " bytes: " << result.Message;
            } else {
                EXPECT_FALSE(result.Message.empty()) << f.name << " cut to " << size << " bytes";
            }
        }
    }
}

TEST(HostileFileTest, WhatIsNoPictureIsSaidSo)
{
    const std::string text = "MACON FORT 4628 NORTH CAROLINA\n";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const DecodeResult result = DecodeImage(bytes.data(), bytes.size());
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message, "not a picture file Korvane reads (BMP, PNG, TIFF, JPEG, PNM, GIF or WebP)");
    const DecodeResult missing = DecodeImageFile("no-such-scan.png");
    EXPECT_FALSE(missing.Ok);
    EXPECT_EQ(missing.Message, "no-such-scan.png: does Not exist");
}
