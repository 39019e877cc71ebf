// Helpers shared by the test programs: a fake clock, a console that keeps its lines, a scratch
// directory, and small pictures written as ASCII art.
#pragma once

#include "Algemeen.h"
#include "BMPunit.h"
#include "Picture.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace TestSupport {

class FakeClock : public Algemeen::Clock
{
public:
    std::int32_t now = 0;
    std::int32_t MillisecondsSinceMidnight() override { return now; }
};

// A capturing console and a fake clock, for a test to hand to what it runs.
class CapturedPlatform
{
public:
    Algemeen::StringConsole console;
    FakeClock clock;
};

// A fresh empty directory, removed again with the object; the process works inside it meanwhile.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// A picture from ASCII art: '#' black, '.' white, one string per row.
BMPunit::BitImage ParseBitmap(const std::vector<std::string>& rows);

// The picture as the BMP loader would give it from a file of these pixels (bottom-up rows).
korvane::Picture PictureOf(const BMPunit::BitImage& image, std::int32_t pixelsPerMetre);
// The pixels of a picture, to be painted on and written again (EncodeBitmap).
BMPunit::BitImage BitImageOf(const korvane::Picture& picture);
// Turns a BMP file's picture into its negative: an 8-bit one by inverting its palette, a 1-bit one
// by inverting its pixels (the palette stays black, white).
void InvertBmp(const std::string& fileName);
// The picture of a BMP file; fails the calling test when the file is not a proper picture.
korvane::Picture LoadPicture(const std::string& fileName);

std::vector<std::uint8_t> ReadFileBytes(const std::string& fileName);
std::string ReadFileText(const std::string& fileName);
// The lines of a text file, without their line ends.
std::vector<std::string> ReadFileLines(const std::string& fileName);
void WriteFileText(const std::string& fileName, const std::string& text);

// Where the repository's own files lie (samples, test data, the code table).
std::string SourcePath(const std::string& relative);

} // namespace TestSupport
