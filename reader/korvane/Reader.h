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
#include "GridFit.h"
#include "Picture.h"
#include "korvane/Codes.h"
#include "korvane/Evidence.h"
#include "korvane/PictureFile.h"

#include <array>
#include <cstdint>
#include <memory>
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
// Texts for a card whose orientation the outline could not settle.
inline constexpr const char* kFaceUp = "This card should be scanned again: face up and backside down";
inline constexpr const char* kUncertain = "Orientation of this card is uncertain";
inline constexpr const char* kFromPunches = "Orientation taken from the punches: this card has no cut corner";

// One card read.
struct CardResult
{
    std::int32_t Contour = 0;  // contour number of the card's outline
    Algemeen::Jordan Outline;  // the outline as the process pass compressed it, picture pixels
    Algemeen::IntPoint Centre; // a pixel well inside the outline: its centroid, rounded down
    // How the orientation was settled: "settled" (by the cut corner), "face-up", "from-punches"
    // (a card without a cut corner, turned as its punches make likely) or "uncertain"; with the
    // outline's best placement score and the best of the others (shares of a cut edge).
    std::string Orientation;
    double OrientationScore = 0.0;
    double OrientationAlternative = 0.0;
    // The card lies face up: nothing below was read, Message is kFaceUp.
    bool Refused = false;
    // The text was decoded. false when refused, when the orientation is uncertain (Message is
    // kUncertain) or when the code table could not be read (Message is its red text line).
    bool Decoded = false;
    std::string Message;
    Ogenblik::CardGrid Grid; // the fitted grid (the initial one when the fit failed)
    double FitFirst = 0.0;   // "Quality of Fit at first", percent
    double FitLast = 0.0;    // "Quality of Fit at last", percent; only when HasFitLast
    bool HasFitLast = false;
    Algemeen::punten HoleCells; // per hole (1 .. n, in contour-number order): (column, row), (0, 0) none
    // The hole cells of all 80 columns x 12 rows, text column k at index k - 1 (the card seen from
    // its front): row 12 in bit 11, then 11, 0, 1, ..., 9 in bit 0.
    std::array<std::uint16_t, 80> Punches{};
    std::string Text;                  // columns 1 .. 72; "?" where no code matches
    std::vector<int> UnknownColumns;   // 1-based columns of Text that read "?"
    std::string Text80;                // all 80 columns, decoded with Text
    std::vector<int> UnknownColumns80; // 1-based columns of Text80 that no code matches
    // The evidence at every hole position of a decoded card read from a picture, and the columns
    // 1 .. 80 it leaves in doubt (an unknown column among them); empty when not decoded.
    std::shared_ptr<const CardEvidence> Evidence;
    std::vector<DoubtfulColumn> DoubtfulColumns;
    // Decoded with every column known and sound and the orientation taken from the cut corner: the
    // window shows such a text in black, any other text in red.
    bool Complete() const
    {
        return Decoded && UnknownColumns.empty() && DoubtfulColumns.empty() && Orientation != "from-punches";
    }
};

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

    // Draws the overlay of the last Process onto the surface, sized to the picture: on white, every
    // contour that survived the pass coloured by its card (colours continue from paletteIndex,
    // which the caller keeps across pictures, starting at 0), each card model's outline in black.
    void DrawOverlay(Algemeen::DrawingSurface& surface, std::int32_t& paletteIndex);

    ReaderContext& Context() { return *context_; }
    const ReaderContext& Context() const { return *context_; }
    // The options the reader was made with.
    const ReadOptions& Options() const { return options_; }

private:
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
