#include "Options.h"

#include <CLI/CLI.hpp>
#include <sstream>

namespace Cli {

namespace {

// "X,Y" into two integers.
bool ParsePoint(const std::string& text, std::int32_t& x, std::int32_t& y)
{
    std::istringstream in(text);
    char comma = 0;
    long long a = 0, b = 0;
    if (!(in >> a >> comma >> b) || comma != ',' || !in.eof())
        return false;
    if (a < INT32_MIN || a > INT32_MAX || b < INT32_MIN || b > INT32_MAX)
        return false;
    x = static_cast<std::int32_t>(a);
    y = static_cast<std::int32_t>(b);
    return true;
}

void DefineRead(CLI::App& app, ReadOptions& read, std::string& at)
{
    auto* cmd = app.add_subcommand("read", "Open a scan, trace and classify it, and read its cards");
    cmd->add_option("SCAN", read.scan,
                    "1-bit black-and-white BMP scan, or a PNG, TIFF, JPEG, PNM, GIF or WebP one")
        ->required();
    cmd->add_option("--at", at, "pick the card under picture pixel X,Y")->type_name("X,Y");
    cmd->add_flag("--all", read.all, "read every accepted card in turn");
    cmd->add_flag("--json", read.json, "machine-readable results on standard output");
    cmd->add_option("--overlay", read.overlay, "save what the window would show as PNG")
        ->type_name("FILE.png");
    DefinePictureOptions(*cmd, read.picture);
}

void DefinePunch(CLI::App& app, PunchOptions& punch, std::string& angles)
{
    auto* cmd = app.add_subcommand("punch", "Render scans of punched cards from text, seen from their back");
    cmd->add_option("-o", punch.output, "output BMP file")->required()->type_name("OUT.bmp");
    cmd->add_option("--dpi", punch.dpi, "resolution in dots per inch (default 200)")
        ->check(CLI::Range(10.0, 2400.0));
    cmd->add_option("--angle", angles, "angle in degrees, counter-clockwise; one, or one per card")
        ->type_name("DEG[,DEG...]");
    cmd->add_option("--noise", punch.noise, "fraction of pixels flipped as isolated specks")
        ->check(CLI::Range(0.0, 1.0));
    cmd->add_option("--seed", punch.seed, "seed of the noise (default 1)");
    cmd->add_flag("--real", punch.real, "dimensions of a real card instead of the model's");
    cmd->add_option("--file", punch.file, "one card per line of this text file")->type_name("LINES.txt");
    cmd->add_flag("--face-up{all}", punch.faceUp,
                  "cards lying face up (seen from the front); =N,... for some cards only")
        ->type_name("[=N,...]");
    cmd->add_flag("--no-cut{all}", punch.noCut, "cards without a cut corner; =N,... for some cards only")
        ->type_name("[=N,...]");
    cmd->add_option("TEXT", punch.texts, "one card per argument");
    DefineScanOutputOptions(*cmd, punch.scan);
}

bool ParseAngles(const std::string& text, std::vector<double>& angles)
{
    angles.clear();
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        std::size_t used = 0;
        try {
            angles.push_back(std::stod(item, &used));
        } catch (const std::exception&) {
            return false;
        }
        if (used != item.size())
            return false;
    }
    return !angles.empty();
}

} // namespace

ParseResult ParseOptions(int argc, const char* const* argv, Options& options, std::ostream& out,
                         std::ostream& err)
{
    CLI::App app{"korvane-cli: read 80-column punched cards from 1-bit BMP scans of their back side"};
    app.require_subcommand(1);
    std::string at, angles;
    DefineRead(app, options.read, at);
    DefinePunch(app, options.punch, angles);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ParseResult::Exit;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return ParseResult::Exit;
    } catch (const CLI::ParseError& error) {
        err << "korvane-cli: " << error.what() << "\n\n" << app.help("", CLI::AppFormatMode::All);
        return ParseResult::Fail;
    }
    if (app.got_subcommand("punch")) {
        options.command = Command::Punch;
        if (!angles.empty() && !ParseAngles(angles, options.punch.angles)) {
            err << "korvane-cli: --angle: not a list of numbers: " << angles << "\n";
            return ParseResult::Fail;
        }
        return ParseResult::Success;
    }
    options.command = Command::Read;
    if (!at.empty()) {
        std::int32_t x = 0, y = 0;
        if (!ParsePoint(at, x, y)) {
            err << "korvane-cli: --at: expected X,Y (two integers), got " << at << "\n";
            return ParseResult::Fail;
        }
        options.read.atX = x;
        options.read.atY = y;
    }
    if (options.read.atX && options.read.all) {
        err << "korvane-cli: --at and --all exclude each other\n";
        return ParseResult::Fail;
    }
    return ParseResult::Success;
}

} // namespace Cli
