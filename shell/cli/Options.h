// Command-line options of korvane-cli, parsed into plain structs. Parsing writes usage and errors
// only to the streams it is given, so it can be tested.
#pragma once

#include "PictureOptions.h"
#include "ScanOutput.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Cli {

struct ReadOptions
{
    std::string scan;                     // the BMP file
    std::optional<std::int32_t> atX, atY; // --at X,Y
    bool all = false;                     // --all
    bool json = false;                    // --json
    std::string overlay;                  // --overlay FILE.png
    PictureOptions picture;               // pictures that are not BMP files
};

struct PunchOptions
{
    std::string output;              // -o OUT.bmp
    double dpi = 200.0;              // --dpi
    std::vector<double> angles{0.0}; // --angle DEG[,DEG...]
    double noise = 0.0;              // --noise FRACTION
    std::uint64_t seed = 1;          // --seed
    bool real = false;               // --real
    std::string file;                // --file LINES.txt
    std::vector<std::string> texts;  // TEXT ...
    std::string faceUp;              // --face-up[=N,...]: "all" or card numbers from 1
    std::string noCut;               // --no-cut[=N,...]: the same
    ScanOutputOptions scan;          // --format and the scanner's look
};

enum class Command
{
    Read,
    Punch
};

struct Options
{
    Command command = Command::Read;
    ReadOptions read;
    PunchOptions punch;
};

enum class ParseResult
{
    Success, // run the command
    Exit,    // help was asked for and printed: exit 0
    Fail     // a usage error was printed: exit kUsageError
};

inline constexpr int kUsageError = 64;

ParseResult ParseOptions(int argc, const char* const* argv, Options& options, std::ostream& out,
                         std::ostream& err);

} // namespace Cli
