#include "ReadScan.h"

#include "BatchRead.h"
#include "CardJson.h"
#include "DeckGaps.h"
#include "DeckOutput.h"
#include "DrawingRecord.h"
#include "FileAccess.h"
#include "OutputGuard.h"
#include "PictureOptions.h"
#include "PngFile.h"
#include "Unit1.h"
#include "korvane/Reader.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace Cli {

namespace {

using nlohmann::json;

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

// The window's text line as a read leaves it: its text and colour.
struct TextLine
{
    Algemeen::Colour colour = Algemeen::kBlue;
    std::string text = Unit1::kWelcome;

    void Show(Algemeen::Colour c, std::string t)
    {
        colour = c;
        text = std::move(t);
    }
    void Print(std::ostream& out) const { out << "Edit1 [" << ColourName(colour) << "]: " << text << "\n"; }
};

// Console lines to standard error while standard output carries JSON.
class ErrorConsole : public Algemeen::Console
{
public:
    void Write(std::string_view text) override { std::cerr << text; }
    void EndLine() override { std::cerr << "\n"; }
};

// What the run keeps across its scans: the code map for the columns of --json and --deck, the
// deck's cards in reading order, and the overlay colours, which continue from picture to picture.
struct RunDeck
{
    Deck::CodeMap map;
    bool hasMap = false;
    bool collect = false;
    int inPicture = 0;      // deck cards taken from the current picture
    std::size_t picked = 0; // cards picked in the current picture
    std::vector<Deck::DeckCard> cards;
    DeckGaps gaps{MissingCards::Skip, "skip"};
    std::ostream* err = &std::cerr; // where the gaps are named
    std::int32_t palette = 0;
};

// One card as a pick leaves it: the card (0 when the click found none), what the reader gave and
// whether the text line shows the card's text.
struct Pick
{
    std::int32_t card = 0;
    bool read = false;     // the reader returned a result
    bool rendered = false; // the text line shows the card's text (not a message)
    korvane::CardResult result;
};

json PickJson(const Pick& pick, const TextLine& line, Algemeen::IntPoint at)
{
    json card;
    if (pick.read) {
        card = CardJson(pick.result, CardDetail::Picture);
    } else {
        card["contour"] = pick.card;
        if (pick.card != 0)
            card["outline"] = json::array();
    }
    if (!pick.rendered)
        card["message"] = line.text;
    card["at"] = json::array({at.X, at.Y});
    return card;
}

// What a picture that is not a BMP file held and how it was read; the scale's source for all.
void AddPictureJson(json& result, const korvane::OpenedPicture& picture)
{
    const auto& scale = picture.Scale;
    result["resolution"] = {{"pixelsPerMillimetre", scale.PixelsPerMillimetre},
                            {"source", scale.Source.empty() ? json() : json(scale.Source)}};
    const auto& info = picture.Info;
    if (info.Format.empty())
        return;
    const auto& decoding = picture.Settings.Decoding;
    result["picture"] = {
        {"format", info.Format},
        {"depth", info.Depth},
        {"samples", info.Samples},
        {"threshold", info.Threshold >= 0 ? json(info.Threshold) : json()},
        {"binarize", Imaging::MethodName(info.Method)},
        {"polarity", decoding.Holes == Imaging::Polarity::LightHoles ? "light-holes" : "dark-holes"},
        {"side", decoding.Face == Imaging::Side::Front  ? "front"
                 : decoding.Face == Imaging::Side::Auto ? "auto"
                                                        : "back"}};
    if (!info.NotCards.empty()) {
        json& notCards = result["picture"]["notCards"] = json::array();
        for (const Imaging::NotCard& shape : info.NotCards)
            notCards.push_back(
                {{"box", {shape.Left, shape.Top, shape.Width, shape.Height}}, {"reason", shape.Why}});
    }
    if (info.Perspective) {
        result["perspective"] = json::array();
        for (const auto& corner : *info.Perspective)
            result["perspective"].push_back({corner.X, corner.Y});
    }
}

struct Outcome
{
    bool refused = false;
    bool unknown = false;
};

// The shown picture for --overlay: the overlay of the last Process, then the grid of every card
// read dotted on it (the grid of the card before wiped white first), as the window shows them.
class OverlayPicture
{
public:
    bool Shown() const { return shown_; }
    void Show(korvane::Reader& reader, std::int32_t& palette)
    {
        drawing_ = Unit1::DrawingRecord{};
        reader.DrawOverlay(drawing_, palette);
        pixels_.clear();
        gridShown_ = false;
        shown_ = true;
    }
    void ShowGrid(const Ogenblik::CardGrid& grid, std::int32_t width, std::int32_t height)
    {
        if (gridShown_)
            Dot(grid_, Algemeen::kWhite, width, height);
        grid_ = grid;
        gridShown_ = true;
        Dot(grid_, Algemeen::kBlack, width, height);
    }
    void WipeGrid(std::int32_t width, std::int32_t height)
    {
        if (gridShown_)
            Dot(grid_, Algemeen::kWhite, width, height);
    }
    Algemeen::Raster Raster() const
    {
        Algemeen::Raster raster = drawing_.Rasterise();
        for (const auto& [x, y, colour] : pixels_)
            raster.SetPixel(x, y, colour);
        return raster;
    }

private:
    struct Pixel
    {
        std::int32_t x, y;
        Algemeen::Colour colour;
    };
    void Dot(const Ogenblik::CardGrid& grid, Algemeen::Colour colour, std::int32_t width, std::int32_t height)
    {
        if (!keep)
            return;
        for (const Algemeen::IntPoint p : korvane::GridPixels(grid, width, height))
            pixels_.push_back({p.X, p.Y, colour});
    }

public:
    bool keep = false; // the grid dots only ever reach the overlay

private:
    Unit1::DrawingRecord drawing_;
    std::vector<Pixel> pixels_;
    Ogenblik::CardGrid grid_;
    bool gridShown_ = false;
    bool shown_ = false;
};

// Runs one command's body as the window does: an unexpected error is kept for the exit status and
// ends only that command.
template <class Body> void Command(std::vector<std::string>& errors, Body&& body)
{
    try {
        body();
    } catch (const std::exception& error) {
        errors.push_back(error.what());
    }
}

// Reads the card (a card of 0: the click found none) and shows it as the window does: the grid
// dotted, the text black when complete and red when a column is unknown or doubtful or the
// orientation came from the punches; or the red reason it was not read.
Pick ReadPicked(korvane::Reader& reader, std::int32_t card, const korvane::Picture& picture, TextLine& line,
                OverlayPicture& overlay, std::vector<std::string>& errors)
{
    Pick pick;
    pick.card = card;
    if (card == 0) {
        line.Show(Algemeen::kRed, "Now click ON punchcard");
        return pick;
    }
    Command(errors, [&] {
        overlay.WipeGrid(picture.Width, picture.Height);
        pick.result = reader.ReadCard(card);
        pick.read = true;
        const korvane::CardResult& result = pick.result;
        if (result.Refused) {
            line.Show(Algemeen::kRed, result.Message);
            return;
        }
        line.Show(Algemeen::kBlack, "");
        overlay.ShowGrid(result.Grid, picture.Width, picture.Height);
        if (!result.Decoded) {
            line.Show(Algemeen::kRed, result.Message);
        } else {
            line.Show(result.Complete() ? Algemeen::kBlack : Algemeen::kRed, result.Text);
            pick.rendered = true;
        }
    });
    return pick;
}

// Records how a pick ended and writes it out: the text line, or the card as JSON; a card whose
// columns were read joins the deck.
void Report(const Pick& pick, const TextLine& line, Algemeen::IntPoint at, const ReadOptions& options,
            std::ostream& out, json& cards, Outcome& outcome, RunDeck& run)
{
    // A card whose orientation is uncertain is not refused: it was read as far as it could be.
    if (!pick.rendered && !(pick.read && pick.result.Orientation == korvane::Orientation::Uncertain))
        outcome.refused = true;
    else if (line.colour != Algemeen::kBlack)
        outcome.unknown = true;
    if (options.json)
        cards.push_back(PickJson(pick, line, at));
    else
        line.Print(out);
    // Only a card whose columns were read has punches for a deck; any other is a gap in it.
    ++run.picked;
    if (run.collect && run.hasMap && pick.rendered && pick.result.Decoded)
        run.cards.push_back(DeckCardOf(pick.result, options.scan, ++run.inPicture));
    else if (run.collect && run.hasMap)
        run.gaps.Add({options.scan, run.picked,
                      pick.read && !pick.result.Message.empty() ? pick.result.Message : line.text},
                     run.map, run.cards, *run.err);
}

int ExitStatusOf(const std::vector<std::string>& errors, const std::string& scan, const Outcome& outcome,
                 std::ostream& err)
{
    for (const auto& error : errors)
        err << "korvane-cli: " << scan << ": " << error << "\n";
    if (!errors.empty())
        return kUnexpected;
    if (outcome.refused)
        return kRefused;
    return outcome.unknown ? kUnknownColumn : kAllRead;
}

// The shortest file name the window's Open takes.
constexpr std::size_t kShortestFileName = 5;

int ReadOne(const ReadOptions& options, std::ostream& out, std::ostream& err, RunDeck& run)
{
    if (!options.overlay.empty())
        if (const std::string refusal = OverwritesInput("--overlay", options.overlay, ReadInputs(options));
            !refusal.empty()) {
            err << "korvane-cli: " << refusal << "\n";
            return kRefused;
        }
    ErrorConsole errorConsole;
    Algemeen::StdoutConsole stdoutConsole(Algemeen::StdoutConsole::Flush::WhenTerminal);
    korvane::ReadOptions readOptions;
    readOptions.CodeTableFile = options.code;
    readOptions.LogFile = Unit1::kLogFileName;
    readOptions.Console = options.json ? static_cast<Algemeen::Console*>(&errorConsole) : &stdoutConsole;
    readOptions.Picture = PictureSettingsFor(options.picture);
    korvane::Reader reader(readOptions);
    Algemeen::NoEvents events;
    std::vector<std::string> errors;
    TextLine line;
    OverlayPicture overlay;
    overlay.keep = !options.overlay.empty();

    korvane::OpenedPicture picture;
    bool opened = false;
    Command(errors, [&] {
        const std::string& name = options.scan;
        if (name.size() < kShortestFileName) {
            line.Show(Algemeen::kRed, name + Unit1::kNotAProperFilename);
            return;
        }
        picture = reader.Open(name);
        if (picture.Ok)
            line.Show(Algemeen::kBlack, "");
        else
            line.Show(Algemeen::kRed,
                      name + (picture.Status == korvane::OpenStatus::Missing ? Unit1::kDoesNotExist
                                                                             : Unit1::kNotAProperPicture));
        opened = picture.Ok;
    });
    opened = opened && errors.empty();
    json result{{"scan", options.scan}};
    Outcome outcome;
    bool processed = false;
    if (opened)
        Command(errors, [&] {
            if (reader.Process(picture, events)) {
                line.Show(Algemeen::kBlack, "");
                overlay.Show(reader, run.palette);
                processed = true;
            } else {
                line.Show(Algemeen::kRed, korvane::kNotACard);
            }
        });
    json cards = json::array();
    if (!processed) {
        outcome.refused = true;
        if (run.collect && run.hasMap)
            run.gaps.Add({options.scan, 0, line.text}, run.map, run.cards, *run.err);
        if (!options.json)
            line.Print(out);
        result["message"] = line.text;
    } else if (options.atX) {
        const Algemeen::IntPoint at{*options.atX, *options.atY};
        line.Show(Algemeen::kBlack, ""); // Select
        Pick pick;
        // A click beyond the picture's right or lower edge does nothing.
        if (at.X < picture.Picture.Width && at.Y < picture.Picture.Height)
            pick = ReadPicked(reader, reader.CardAt({static_cast<double>(at.X), static_cast<double>(at.Y)}),
                              picture.Picture, line, overlay, errors);
        Report(pick, line, at, options, out, cards, outcome, run);
    } else if (options.all) {
        for (const std::int32_t card : reader.AcceptedCards()) {
            line.Show(Algemeen::kBlack, ""); // Select
            const Pick pick = ReadPicked(reader, card, picture.Picture, line, overlay, errors);
            Report(pick, line, reader.CardCentre(card), options, out, cards, outcome, run);
        }
    } else if (!options.json) {
        line.Print(out);
    }
    if (opened) {
        result["width"] = picture.Picture.Width;
        result["height"] = picture.Picture.Height;
        result["pixelsPerMillimetre"] = picture.Picture.PixelsPerMillimetre;
        AddPictureJson(result, picture);
    }
    result["cards"] = cards;
    if (!options.overlay.empty()) {
        if (overlay.Shown())
            WritePng(overlay.Raster(), options.overlay);
        else
            err << "korvane-cli: " << options.scan
                << ": no overlay to save (the picture was not processed)\n";
    }
    if (options.json)
        // Card texts hold the code table's bytes and the scan's name the file system's; bytes that
        // are not UTF-8 become U+FFFD, so the results still come out whole.
        out << result.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    return ExitStatusOf(errors, options.scan, outcome, err);
}

} // namespace

int RunRead(const ReadOptions& options, std::ostream& out, std::ostream& err)
{
    if (WantsBatch(options))
        return RunBatchRead(options, std::cin, out, err, isatty(STDERR_FILENO) == 1);
    // An output that is no file to replace (a device, a FIFO, a folder) is refused before the read.
    for (const auto& [option, output] :
         {std::pair<const char*, const std::string&>{"--overlay", options.overlay}, {"--deck", options.deck}})
        if (const std::string refusal = output.empty() ? "" : Algemeen::OutputRefusal(output);
            !refusal.empty()) {
            err << "korvane-cli: " << option << " " << refusal << "\n";
            return kUnexpected;
        }
    RunDeck run;
    run.collect = !options.deck.empty();
    run.gaps = DeckGaps(MissingCardsNamed(options.missing).value_or(MissingCards::Skip), options.missing);
    run.err = &err;
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
    if (run.collect) {
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
    for (const std::string& scan : scans) {
        one.scan = scan;
        run.inPicture = 0;
        run.picked = 0;
        status = std::max(status, ReadOne(one, out, err, run));
    }
    if (run.collect && !run.gaps.MayWrite(options.deck, err))
        return std::max(status, kRefused);
    if (run.collect)
        WriteDeckFile(options.deck, *format, run.cards, run.map);
    return status;
}

} // namespace Cli
