// The reader: punched cards from a picture file or a 1-bit picture, as values. Hand it a file (a
// 1-bit BMP scan or any picture a scanner writes) or a Picture; it traces every black/white boundary, sorts
// the outlines into cards and holes, settles each card's orientation by its cut corner, fits the card's 80 x
// 12 punch grid and decodes columns 1-72 through the card code table.
//
//     korvane::ReadOptions options;                 // code table, log file, console, picture settings
//     korvane::ScanResult scan = korvane::ReadFile("box/card7.png", options);
//     // or, with a picture in hand: korvane::ReadScan(picture, options)
//     for (const korvane::CardResult& card : scan.Cards) ... card.Text ...
//
// Each Reader keeps all its state in a context of its own: two readers on two threads give what
// the same two reads give one after the other.
#pragma once

#include "Algemeen.h"
#include "Picture.h"
#include "korvane/Card.h"
#include "korvane/Codes.h"
#include "korvane/PictureFile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

struct ReaderContext;

struct ReadOptions
{
    // The card code table, read again for every card (so that an edit counts at the next card)...
    std::string CodeTableFile = "ibmkaart.txt";
    // ... unless it was read once and handed in here: then every card is decoded with these entries
    // (entry 0 "?", 1..62 a character and its 12 marks), as a batch of many pictures wants.
    std::shared_ptr<const CodeTableEntries> CodeTable;
    // The timing lines ("Contouring pass I = N ms", ...) are appended here; empty: to no file.
    std::string LogFile = "Vertolkt.log";
    // Where the console lines go (header report aside: that is the loader's); null: nowhere.
    Algemeen::Console* Console = nullptr;
    // The clock of the timing lines; null: the system clock.
    Algemeen::Clock* Clock = nullptr;
    // How a picture file that is not a 1-bit BMP file is decoded, binarised and scaled.
    PictureSettings Picture;
};

inline constexpr const char* kNotACard = "Not (the backside of) any IBM punchcard";

struct ScanResult
{
    // ReadFile: the file, and how opening it went. A refused file has Processed false, and Reason
    // says why in the decoder's own words (empty for a BMP file, whose loader wrote its lines).
    std::string File;
    OpenStatus Open = OpenStatus::Opened;
    std::string Reason;
    std::int32_t Width = 0, Height = 0;
    double PixelsPerMillimetre = 0.0;
    bool Processed = false; // at least one card outline was found; else Message says why
    std::string Message;
    std::vector<CardResult> Cards; // every accepted card, by contour number
    // ReadFile: what the file held (Info.Format empty for a 1-bit BMP file), where the scale came
    // from, the settings the picture was read with at last (auto polarity may have turned them),
    // and the 1-bit picture that was read.
    Imaging::ImageInfo Info;
    PictureScale Scale;
    PictureSettings Settings;
    korvane::Picture Picture;
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
    // Process of an opened picture file: when no card is found, retries as RetryPicture says (the
    // other polarity, the scale the outlines imply), writing its lines to the reader's console.
    bool Process(OpenedPicture& picture, Algemeen::EventPump& events);

    // Opens the file as OpenPicture does, writing its lines to the reader's console.
    OpenedPicture Open(const std::string& fileName);
    // Open, Process and every accepted card read by its own contour. The reader keeps no hold on the
    // picture afterwards (it is in the result).
    ScanResult ReadFile(const std::string& fileName, Algemeen::EventPump& events);

    // The accepted card outlines of the last Process, by contour number.
    std::vector<std::int32_t> AcceptedCards() const;
    // The highest-numbered accepted card outline that contains the point, 0 for none.
    std::int32_t CardAt(Algemeen::RealPoint point) const;
    // A pixel well inside an accepted card outline: its centroid, rounded down.
    Algemeen::IntPoint CardCentre(std::int32_t card) const;

    // Reads the accepted card with this contour number (std::out_of_range for another number):
    // writes the fit-quality lines and the rendering block to the console.
    CardResult ReadCard(std::int32_t card);
    // Both readings of the accepted card with this number when it has no cut corner: as fitted and
    // turned half way (BothWays says which one ReadCard takes). None for a card whose cut corner
    // settles it or shows it face up, and when the code table cannot be read. Writes no console
    // line; std::out_of_range for a number that is no accepted card.
    std::optional<BothWays> ReadBothWays(std::int32_t card);

    // Draws the overlay of the last Process onto the surface, sized to the picture: on white, every
    // contour that survived the pass coloured by its card (colours continue from paletteIndex,
    // which the caller keeps across pictures, starting at 0), each card model's outline in black.
    void DrawOverlay(Algemeen::DrawingSurface& surface, std::int32_t& paletteIndex);

    // How many drawing steps DrawOverlay takes, about: room to reserve in a recording surface.
    std::size_t OverlaySteps() const;
    // The options the reader was made with.
    const ReadOptions& Options() const { return options_; }

private:
    // Process of a picture that shows the cards' backs, or (front) their fronts mirrored.
    bool ProcessSide(const Picture& picture, bool front, Algemeen::EventPump& events);
    // A card found face up in a picture whose side is left to the reader, read from a mirrored
    // copy of the picture as a front and carried back into this picture; false when the copy
    // shows no card there that its cut corner settles.
    bool ReadFaceUpAsFront(CardResult& card);

    Picture printless_; // a front as read: its print taken away (WithoutPrint)
    struct FrontCopy;   // the mirrored copy and the reader that reads it
    std::unique_ptr<FrontCopy> front_;
    bool sideAuto_ = false; // the side of the picture of the last Process is left to the reader

    friend struct ReaderInternals; // the reading stages' tests and benchmarks look inside
    ReadOptions options_;
    Algemeen::Console* console_ = nullptr;
    std::unique_ptr<Algemeen::Console> ownConsole_;
    std::unique_ptr<Algemeen::Clock> ownClock_;
    std::unique_ptr<ReaderContext> context_;
};

// The pixels of the grid's 80 x 12 points (rounded, halves to even) that lie in a picture of this
// size, in grid order: where the window dots a fitted grid.
std::vector<Algemeen::IntPoint> GridPixels(const Ogenblik::CardGrid& grid, std::int32_t width,
                                           std::int32_t height);

// Process and every accepted card read by its own contour.
ScanResult ReadScan(const Picture& picture, const ReadOptions& options);
// The same for a picture file, opened by the options' picture settings.
ScanResult ReadFile(const std::string& fileName, const ReadOptions& options);

} // namespace korvane
