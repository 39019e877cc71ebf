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
    cmd->add_option(
        "SCAN", read.scans,
        "scans (1-bit BMP, or PNG, TIFF, JPEG, PNM, GIF, WebP) or folders of them, in the order given");
    cmd->add_option("--at", at, "pick the card under picture pixel X,Y")->type_name("X,Y");
    cmd->add_flag("--all", read.all, "read every accepted card in turn");
    cmd->add_flag("--json", read.json, "machine-readable results on standard output");
    cmd->add_option("--overlay", read.overlay, "save what the window would show as PNG")
        ->type_name("FILE.png");
    cmd->add_option("--code", read.code, "card code table (default ./ibmkaart.txt)")->type_name("FILE");
    cmd->add_option("--deck", read.deck, "write every card read as one deck")->type_name("OUT");
    cmd->add_option("--deck-format", read.deckFormat, "layout of --deck: text (default), cbn, bin or jsonl")
        ->check(CLI::IsMember({"text", "cbn", "bin", "jsonl"}));
    cmd->add_option("--missing", read.missing,
                    "what --deck gets for a card not read: skip (default), blank, or stop (no deck)")
        ->check(CLI::IsMember({"skip", "blank", "stop"}));
    cmd->add_option("--duplex", read.duplex,
                    "pictures in pairs, the two sides of the same card(s): front-first or back-first")
        ->check(CLI::IsMember({"front-first", "back-first"}));
    cmd->add_option("--files-from", read.filesFrom,
                    "batch: read the pictures listed, one per line (- for standard input)")
        ->type_name("LIST");
    cmd->add_option("-j", read.jobs, "batch: worker threads (default: one per core)")
        ->check(CLI::Range(1u, 1024u));
    cmd->add_option("--timeout", read.timeoutSeconds, "batch: give up a picture after this many seconds")
        ->check(CLI::Range(0.0, 1e6));
    cmd->add_option("--jsonl", read.jsonl, "batch: one JSON object per card and per refused picture")
        ->type_name("OUT");
    cmd->add_flag("--resume", read.resume, "batch: carry on the --jsonl output of an interrupted run");
    cmd->add_option("--summary", read.summary, "batch: the summary as JSON too")->type_name("OUT.json");
    cmd->add_flag("--progress", read.progress, "batch: progress on standard error even when not a terminal");
    cmd->add_flag("--quiet", read.quiet, "batch: no progress");
    cmd->add_option("--review", read.review, "batch: save an overlay PNG of every card that needs a look")
        ->type_name("DIR");
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
    cmd->add_option("--rough-edges", punch.roughEdges,
                    "bites out of and bumps on the cards' edges, of radius up to MM millimetres")
        ->check(CLI::Range(0.0, 1.0))
        ->type_name("MM");
    cmd->add_option("--seed", punch.seed, "seed of the noise and the rough edges (default 1)");
    cmd->add_flag("--real", punch.real, "dimensions of a real card instead of the model's");
    cmd->add_option("--file", punch.file, "one card per line of this text file")->type_name("LINES.txt");
    cmd->add_flag("--face-up{all}", punch.faceUp,
                  "cards lying face up (seen from the front); =N,... for some cards only")
        ->type_name("[=N,...]");
    cmd->add_flag("--no-cut{all}", punch.noCut, "cards without a cut corner; =N,... for some cards only")
        ->type_name("[=N,...]");
    cmd->add_option("TEXT", punch.texts, "one card per argument");
    cmd->add_option("--code", punch.code, "card code table (default ./ibmkaart.txt)")->type_name("FILE");
    cmd->add_option("--deck", punch.deck, "punch the cards of this deck file")->type_name("IN");
    cmd->add_option("--deck-format", punch.deckFormat, "layout of --deck: text (default), cbn or bin")
        ->check(CLI::IsMember({"text", "cbn", "bin"}));
    cmd->add_option("--per-page", punch.perPage,
                    "N cards per picture, written as OUT-0001.bmp, OUT-0002.bmp, ...")
        ->check(CLI::Range(std::size_t{1}, std::size_t{4096}));
    cmd->add_flag("--front", punch.front,
                  "draw the printed face (digits, column numbers, interpretation line, field lines)");
    cmd->add_flag("--scribble", punch.scribble, "with --front: handwriting strokes, drawn from --seed");
    cmd->add_option("--tilt", punch.tilt,
                    "the page turned about its horizontal and vertical axes and seen in perspective "
                    "(degrees, each from -25 to 25; positive: upper, right-hand edge away)")
        ->type_name("DEG,DEG");
    cmd->add_flag("--photo", punch.photo.wanted,
                  "a colour photo: light falling off with a hot spot, a surface with things on it around "
                  "the card (PNG unless --format says otherwise)");
    cmd->add_option("--card-colour", punch.photo.cardColour, "with --photo: the card stock (default cream)")
        ->check(CLI::IsMember(Punch::CardColourNames()));
    cmd->add_flag("--backlit", punch.photo.backlit, "with --photo: the card on a light box (bright holes)");
    cmd->add_flag("--dim", punch.photo.dim,
                  "with --photo: a dim room, the light falling off strongly from one side to the other");
    cmd->add_flag("--duplex{front-first}", punch.duplex,
                  "both sides of every card (of every page with --per-page), as OUT-0001-a-front.EXT, "
                  "OUT-0001-b-back.EXT, ...; =back-first names the back a and the front b")
        ->check(CLI::IsMember({"front-first", "back-first"}))
        ->type_name("[=front-first|back-first]");
    cmd->add_option("--damage-front", punch.damageFront,
                    "with --duplex: share of cards whose front is damaged (a speck over a hole position "
                    "or a hole covered), drawn from --seed; each is listed on standard error")
        ->check(CLI::Range(0.0, 1.0))
        ->type_name("RATE");
    cmd->add_option("--damage-back", punch.damageBack, "with --duplex: the same for the back")
        ->check(CLI::Range(0.0, 1.0))
        ->type_name("RATE");
    DefineScanOutputOptions(*cmd, punch.scan);
}

void DefineDeck(CLI::App& app, DeckOptions& deck)
{
    auto* cmd = app.add_subcommand("deck", "Write the deck of a batch's journal, with its corrections");
    cmd->add_option("JOURNAL", deck.journal, "the --jsonl output of a batch")->required();
    cmd->add_option("--deck", deck.deck, "the deck to write")->required()->type_name("OUT");
    cmd->add_option("--deck-format", deck.deckFormat, "layout of --deck: text (default), cbn, bin or jsonl")
        ->check(CLI::IsMember({"text", "cbn", "bin", "jsonl"}));
    cmd->add_option("--code", deck.code, "card code table (default ./ibmkaart.txt)")->type_name("FILE");
    cmd->add_option("--missing", deck.missing,
                    "what the deck gets for a card not read: skip (default), blank, or stop (no deck)")
        ->check(CLI::IsMember({"skip", "blank", "stop"}));
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
    DefineDeck(app, options.deck);
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
    if (app.got_subcommand("deck")) {
        options.command = Command::Deck;
        return ParseResult::Success;
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
    if (options.read.scans.empty() && options.read.filesFrom.empty()) {
        err << "korvane-cli: read: give a SCAN (or a folder, or --files-from LIST)\n";
        return ParseResult::Fail;
    }
    options.read.scan = options.read.scans.empty() ? std::string() : options.read.scans.front();
    if (options.read.scans.size() > 1 && (!at.empty() || !options.read.overlay.empty())) {
        err << "korvane-cli: --at and --overlay take one scan\n";
        return ParseResult::Fail;
    }
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
