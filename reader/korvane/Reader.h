// The reader: punched cards from a 1-bit picture, as values. Hand it a Picture (from the BMP
// loader or any other decoder); it traces every black/white boundary, sorts the outlines into
// cards and holes, settles each card's orientation by its cut corner, fits the card's 80 x 12
// punch grid and decodes columns 1-72 through the card code table.
//
//     korvane::ReadOptions options;                 // code table, log file, console
//     korvane::ScanResult scan = korvane::ReadScan(picture, options);
//     for (const korvane::CardResult& card : scan.Cards) ... card.Text ...
//
// Each Reader keeps all its state in a context of its own: two readers on two threads give what
// the same two reads give one after the other.
#pragma once

#include "Algemeen.h"
#include "Picture.h"
#include "korvane/Card.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvane {

struct ReaderContext;

struct ReadOptions
{
    // The card code table, read again for every card.
    std::string CodeTableFile = "ibmkaart.txt";
    // The timing lines ("Contouring pass I = N ms", ...) are appended here; empty: to no file.
    std::string LogFile = "Vertolkt.log";
    // Where the console lines go (header report aside: that is the loader's); null: nowhere.
    Algemeen::Console* Console = nullptr;
    // The clock of the timing lines; null: the system clock.
    Algemeen::Clock* Clock = nullptr;
};

inline constexpr const char* kNotACard = "Not (the backside of) any IBM punchcard";

struct ScanResult
{
    std::int32_t Width = 0, Height = 0;
    double PixelsPerMillimetre = 0.0;
    bool Processed = false; // at least one card outline was found; else Message says why
    std::string Message;
    std::vector<CardResult> Cards; // every accepted card, by contour number
};

// One reader and its context. Process a picture, then read its cards in any order.
class Reader
{
public:
    explicit Reader(const ReadOptions& options = {});
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Traces the picture and sorts its contours into cards and holes. The picture must stay alive
    // and unchanged while cards are read. false when no card was found. Lets events run at the
    // points the passes name. Throws std::runtime_error when the log cannot be written.
    bool Process(const Picture& picture, Algemeen::EventPump& events);

    // The accepted card outlines of the last Process, by contour number.
    std::vector<std::int32_t> AcceptedCards() const;
    // The highest-numbered accepted card outline that contains the point, 0 for none.
    std::int32_t CardAt(Algemeen::RealPoint point) const;
    // A pixel well inside an accepted card outline: its centroid, rounded down.
    Algemeen::IntPoint CardCentre(std::int32_t card) const;

    // Reads the accepted card with this contour number (std::out_of_range for another number):
    // writes the fit-quality lines and the rendering block to the console.
    CardResult ReadCard(std::int32_t card);

    ReaderContext& Context() { return *context_; }
    const ReaderContext& Context() const { return *context_; }
    // The options the reader was made with.
    const ReadOptions& Options() const { return options_; }

private:
    ReadOptions options_;
    std::unique_ptr<Algemeen::Console> ownConsole_;
    std::unique_ptr<Algemeen::Clock> ownClock_;
    std::unique_ptr<ReaderContext> context_;
};

// Process and every accepted card read by its own contour.
ScanResult ReadScan(const Picture& picture, const ReadOptions& options);

} // namespace korvane
