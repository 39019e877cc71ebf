// Command-line options of korvane-cli, parsed into plain structs. Parsing writes usage and errors
// only to the streams it is given, so it can be tested.
#pragma once

#include "Photo.h"
#include "PictureOptions.h"
#include "ScanOutput.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Cli {

struct ReadOptions
{
    std::string scan;                     // the BMP file (the first of `scans`)
    std::vector<std::string> scans;       // SCAN...: every picture, in the order given
    std::optional<std::int32_t> atX, atY; // --at X,Y
    bool all = false;                     // --all
    bool json = false;                    // --json
    std::string overlay;                  // --overlay FILE.png
    std::string code = "ibmkaart.txt";    // --code FILE: the card code table
    std::string deck;                     // --deck OUT: one deck of every card read
    std::string deckFormat = "text";      // --deck-format text|cbn|bin|jsonl
    std::string missing = "skip";         // --missing skip|blank|stop: a deck's card not read
    std::string duplex;                   // --duplex front-first|back-first: pictures in pairs
    // Batch mode (any of these, or a folder among the scans).
    std::string filesFrom;     // --files-from LIST|-
    unsigned jobs = 0;         // -j N; 0 = one worker per core
    double timeoutSeconds = 0; // --timeout SECONDS per picture; 0 = none
    std::string jsonl;         // --jsonl OUT
    bool resume = false;       // --resume
    std::string summary;       // --summary OUT.json
    bool progress = false;     // --progress
    bool quiet = false;        // --quiet
    std::string review;        // --review DIR: overlays of the cards that need a look
    PictureOptions picture;    // pictures that are not BMP files
};

struct PunchOptions
{
    std::string output;                // -o OUT.bmp
    double dpi = 200.0;                // --dpi
    std::vector<double> angles{0.0};   // --angle DEG[,DEG...]
    double noise = 0.0;                // --noise FRACTION
    double roughEdges = 0.0;           // --rough-edges MM: bites and bumps along the card edges
    std::uint64_t seed = 1;            // --seed
    bool real = false;                 // --real
    std::string file;                  // --file LINES.txt
    std::vector<std::string> texts;    // TEXT ...
    std::string faceUp;                // --face-up[=N,...]: "all" or card numbers from 1
    std::string noCut;                 // --no-cut[=N,...]: the same
    std::string code = "ibmkaart.txt"; // --code FILE: the card code table
    std::string deck;                  // --deck IN: the cards of a deck file instead of text
    std::string deckFormat = "text";   // --deck-format text|cbn|bin
    std::size_t perPage = 0;           // --per-page N: pages of N cards, OUT-0001.bmp ...; 0 = one page
    bool front = false;                // --front: the printed face instead of the back
    bool scribble = false;             // --scribble: handwriting over the printed face
    std::string tilt;                  // --tilt DEG,DEG: about the horizontal, the vertical axis
    Punch::PhotoLook photo;            // --photo, --card-colour, --backlit
    std::string duplex;                // --duplex[=front-first|back-first]: both sides of every card
    double damageFront = 0.0;          // --damage-front RATE: share of cards damaged on the front
    double damageBack = 0.0;           // --damage-back RATE: the same on the back
    Punch::ScanOutputOptions scan;     // --format and the scanner's look
};

// `deck JOURNAL`: the deck of a batch's journal with its corrections.
struct DeckOptions
{
    std::string journal;               // JOURNAL: a batch's --jsonl output
    std::string deck;                  // --deck OUT
    std::string deckFormat = "text";   // --deck-format text|cbn|bin|jsonl
    std::string code = "ibmkaart.txt"; // --code FILE: the card code table
    std::string missing = "skip";      // --missing skip|blank|stop
};

enum class Command
{
    Read,
    Punch,
    Deck
};

struct Options
{
    Command command = Command::Read;
    ReadOptions read;
    PunchOptions punch;
    DeckOptions deck;
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
