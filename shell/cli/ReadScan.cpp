#include "ReadScan.h"

#include "BatchRead.h"
#include "DeckOutput.h"
#include "OutputGuard.h"
#include "PngFile.h"
#include "RecordingWindow.h"
#include "Unit1.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace Cli {

namespace {

using nlohmann::json;
using Unit1::RecordingWindow;

const char* ColourName(Algemeen::Colour colour)
{
    switch (colour) {
    case Algemeen::kBlack:
        return "black";
    case Algemeen::kRed:
        return "red";
    case Algemeen::kBlue:
        return "blue";
    default:
        return "other";
    }
}

void PrintTextLine(const RecordingWindow& window, std::ostream& out)
{
    out << "Edit1 [" << ColourName(window.EditColour()) << "]: " << window.EditText() << "\n";
}

// Console lines to standard error while standard output carries JSON.
class ErrorConsole : public Algemeen::Console
{
public:
    void Write(std::string_view text) override { std::cerr << text; }
    void EndLine() override { std::cerr << "\n"; }
};

json PointJson(Algemeen::RealPoint p)
{
    return json::array({p.X, p.Y});
}

// What the run keeps across its scans: the code map for the columns of --json and --deck, and the
// deck's cards in reading order.
struct RunDeck
{
    Deck::CodeMap map;
    bool hasMap = false;
    bool collect = false;
    int inPicture = 0; // deck cards taken from the current picture
    std::vector<Deck::DeckCard> cards;
};

json CardJson(const RecordingWindow& window, const Unit1::RunState& state, Algemeen::IntPoint at,
              const RunDeck& run)
{
    const auto& reading = state.LastReading;
    json card;
    card["at"] = json::array({at.X, at.Y});
    card["contour"] = reading.card;
    if (reading.card == 0) {
        card["message"] = window.EditText();
        return card;
    }
    json outline = json::array();
    for (const auto& p : reading.result.Outline)
        outline.push_back(PointJson(p));
    card["outline"] = outline;
    if (!reading.orientation.empty())
        card["orientation"] = {{"verdict", reading.orientation},
                               {"score", reading.orientationScore},
                               {"alternative", reading.orientationAlternative}};
    if (!reading.rendered) {
        card["message"] = window.EditText();
        return card;
    }
    card["text"] = reading.text;
    if (run.hasMap)
        AddColumnsJson(card, reading.result, run.map);
    json unknown = json::array();
    for (std::size_t k = 0; k < reading.text.size(); ++k)
        if (reading.text[k] == '?')
            unknown.push_back(k + 1);
    card["unknownColumns"] = unknown;
    card["fitQuality"] = {{"first", reading.fitFirst},
                          {"last", reading.hasFitLast ? json(reading.fitLast) : json()}};
    const auto& grid = reading.result.Grid;
    card["grid"] = {{"origin", PointJson(grid.Origin)},
                    {"columnStep", PointJson(grid.ColumnStep)},
                    {"rowStep", PointJson(grid.RowStep)}};
    return card;
}

// What a picture that is not a BMP file held and how it was read; the scale's source for all.
void AddPictureJson(json& result, const Unit1::RunState& state)
{
    const auto& scale = state.Scale;
    result["resolution"] = {{"pixelsPerMillimetre", scale.PixelsPerMillimetre},
                            {"source", scale.Source.empty() ? json() : json(scale.Source)}};
    const auto& info = state.PictureInfo;
    if (info.Format.empty())
        return;
    const auto& decoding = state.PictureOptions.Decoding;
    result["picture"] = {
        {"format", info.Format},
        {"depth", info.Depth},
        {"samples", info.Samples},
        {"threshold", info.Threshold >= 0 ? json(info.Threshold) : json()},
        {"binarize", Imaging::MethodName(info.Method)},
        {"polarity", decoding.Holes == Imaging::Polarity::LightHoles ? "light-holes" : "dark-holes"},
        {"side", decoding.Face == Imaging::Side::Front ? "front" : "back"}};
}

struct Outcome
{
    bool refused = false;
    bool unknown = false;
};

// Select and a left click at the point, or for --all the card read by its own outline; records
// how the pick ended.
void Pick(RecordingWindow& window, Unit1::RunState& state, Algemeen::IntPoint at, std::int32_t card,
          const ReadOptions& options, std::ostream& out, json& cards, Outcome& outcome, RunDeck& run)
{
    state.LastReading = Unit1::CardReading{};
    if (card != 0) {
        Unit1::ReadAcceptedCard(window, state, card);
    } else {
        Unit1::Select1Click(window, state);
        Unit1::Kiezen(window, state, Unit1::MouseButton::Left, at.X, at.Y);
    }
    const auto& reading = state.LastReading;
    // A card whose orientation is uncertain is not refused: it was read as far as it could be.
    if (!reading.rendered && reading.orientation != "uncertain")
        outcome.refused = true;
    else if (window.EditColour() != Algemeen::kBlack)
        outcome.unknown = true;
    if (options.json)
        cards.push_back(CardJson(window, state, at, run));
    else
        PrintTextLine(window, out);
    // Only a card whose columns were read has punches for a deck.
    if (run.collect && run.hasMap && reading.rendered && reading.result.Decoded) {
        const Algemeen::IntPoint centre = Unit1::CardCentre(state, reading.card);
        run.cards.push_back(DeckCardOf(reading.result, options.scan, ++run.inPicture,
                                       {static_cast<double>(centre.X), static_cast<double>(centre.Y)},
                                       run.map));
    }
}

int ExitStatusOf(const RecordingWindow& window, const std::string& scan, const Outcome& outcome,
                 std::ostream& err)
{
    for (const auto& error : window.Errors())
        err << "korvane-cli: " << scan << ": " << error << "\n";
    if (!window.Errors().empty())
        return kUnexpected;
    if (outcome.refused)
        return kRefused;
    return outcome.unknown ? kUnknownColumn : kAllRead;
}

int ReadOne(const ReadOptions& options, std::ostream& out, std::ostream& err, RunDeck& run,
            Unit1::RunState& state)
{
    if (!options.overlay.empty())
        if (const std::string refusal = OverwritesInput("--overlay", options.overlay, ReadInputs(options));
            !refusal.empty()) {
            err << "korvane-cli: " << refusal << "\n";
            return kRefused;
        }
    RecordingWindow window;
    window.KeepPixels(!options.overlay.empty()); // the grid dots only ever reach the overlay
    state.SpecFileName = options.code;
    Unit1::Starten(window, state);
    state.PictureOptions = PictureSettingsFor(options.picture);
    window.QueueDialogAnswer(options.scan);
    Unit1::Open1Click(window, state);
    json result{{"scan", options.scan}};
    Outcome outcome;
    const bool opened = window.EditColour() == Algemeen::kBlack && window.Errors().empty();
    bool processed = false;
    if (opened) {
        Unit1::Process1Click(window, state);
        processed = window.MenuEnabled(Unit1::MenuItem::Select1) && window.EditColour() == Algemeen::kBlack;
    }
    json cards = json::array();
    if (!processed) {
        outcome.refused = true;
        if (!options.json)
            PrintTextLine(window, out);
        result["message"] = window.EditText();
    } else if (options.atX) {
        Pick(window, state, {*options.atX, *options.atY}, 0, options, out, cards, outcome, run);
    } else if (options.all) {
        for (const std::int32_t card : Unit1::AcceptedCards(state))
            Pick(window, state, Unit1::CardCentre(state, card), card, options, out, cards, outcome, run);
    } else if (!options.json) {
        PrintTextLine(window, out);
    }
    if (opened) {
        const korvane::Picture& scan = state.Scan;
        result["width"] = scan.Width;
        result["height"] = scan.Height;
        result["pixelsPerMillimetre"] = scan.PixelsPerMillimetre;
        AddPictureJson(result, state);
    }
    result["cards"] = cards;
    if (!options.overlay.empty()) {
        if (window.ShowsBitmap())
            WritePng(window.ShownBitmap(), options.overlay);
        else
            err << "korvane-cli: " << options.scan
                << ": no overlay to save (the picture was not processed)\n";
    }
    if (options.json)
        // Card texts hold the code table's bytes and the scan's name the file system's; bytes that
        // are not UTF-8 become U+FFFD, so the results still come out whole.
        out << result.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    Unit1::Stoppen(window, state);
    return ExitStatusOf(window, options.scan, outcome, err);
}

} // namespace

int RunRead(const ReadOptions& options, std::ostream& out, std::ostream& err)
{
    if (WantsBatch(options))
        return RunBatchRead(options, std::cin, out, err, isatty(STDERR_FILENO) == 1);
    RunDeck run;
    run.collect = !options.deck.empty();
    std::optional<Deck::DeckFormat> format;
    if (run.collect) {
        format = Deck::DeckFormatNamed(options.deckFormat);
        if (!format) {
            err << "korvane-cli: --deck-format: not a deck layout: " << options.deckFormat << "\n";
            return kRefused;
        }
        ReadOptions guarded = options;
        for (const std::string& scan : options.scans) {
            guarded.scan = scan;
            if (const std::string refusal = OverwritesInput("--deck", options.deck, ReadInputs(guarded));
                !refusal.empty()) {
                err << "korvane-cli: " << refusal << "\n";
                return kRefused;
            }
        }
    }
    if (options.json || run.collect) {
        Deck::CodeMapResult loaded = LoadCodeMap(options.code);
        if (loaded.ok) {
            run.map = std::move(loaded.map);
            run.hasMap = true;
        } else if (run.collect) {
            err << "korvane-cli: " << options.code << ": " << loaded.message << "\n";
            return kRefused;
        }
    }
    int status = kAllRead;
    ReadOptions one = options;
    // A deck holds every card of every picture, in the order of --all.
    if (run.collect && !one.atX)
        one.all = true;
    const std::vector<std::string> scans = options.scans.empty() ? std::vector{options.scan} : options.scans;
    // One run state for all the pictures, its console lines to standard output, or to standard
    // error while standard output carries JSON.
    Algemeen::StdoutConsole standardOutput(Algemeen::StdoutConsole::Flush::WhenTerminal);
    ErrorConsole errorConsole;
    Algemeen::SystemClock clock;
    Unit1::RunState state(options.json ? static_cast<Algemeen::Console&>(errorConsole) : standardOutput,
                          clock);
    for (const std::string& scan : scans) {
        one.scan = scan;
        run.inPicture = 0;
        status = std::max(status, ReadOne(one, out, err, run, state));
    }
    if (run.collect)
        WriteDeckFile(options.deck, *format, run.cards, run.map);
    return status;
}

} // namespace Cli
