// One read card as a value: where its outline lies, how its orientation was settled, the fitted
// punch grid, the punches and the text of all 80 columns (and of columns 1-72 as the console shows them); and
// the texts a card can carry instead of its reading. Made by the card reader; read by every output.
#pragma once

#include "Algemeen.h"
#include "CardPunches.h"
#include "GridFit.h"
#include "korvane/Evidence.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvane {

// Texts for a card whose orientation the outline could not settle.
inline constexpr const char* kReadAsFront = "This card lies face up: read from its front";
inline constexpr const char* kFaceUp = "This card should be scanned again: face up and backside down";
inline constexpr const char* kUncertain = "Orientation of this card is uncertain";
inline constexpr const char* kFromPunches = "Orientation taken from the punches: this card has no cut corner";
inline constexpr const char* kSymmetric =
    "Orientation does not matter: this card reads the same every way up";

// How a card's orientation was settled.
enum class Orientation
{
    Unjudged,    // not judged (a result made by hand, not by the reader)
    Settled,     // by the cut corner, where a back view has it
    FaceUp,      // the cut lies where only the front view has it: the card is refused
    FromPunches, // no cut corner: turned the way its punches make likely
    Uncertain,   // no cut corner, and the punches do not decide either
    Symmetric,   // no cut corner, and the punches read the same every way up (a blank card): read
    NoCutCorner, // no cut corner, and the code table could not be read to weigh the punches
};

// Its one spelling in every report: "settled", "face-up", "from-punches", "uncertain", "symmetric",
// "no-cut-corner"; "" for Unjudged.
const char* OrientationName(Orientation orientation);

// Whether the text read does not depend on a way up left unknown: settled by the cut corner, or
// the same every way up.
inline bool OrientationSound(Orientation orientation)
{
    return orientation == Orientation::Settled || orientation == Orientation::Symmetric;
}

// One card read.
struct CardResult
{
    std::int32_t Contour = 0;  // contour number of the card's outline
    Algemeen::Jordan Outline;  // the outline as the process pass compressed it, picture pixels
    Algemeen::IntPoint Centre; // a pixel well inside the outline: its centroid, rounded down
    // How the orientation was settled, with the outline's best placement score and the best of the
    // others (shares of a cut edge).
    korvane::Orientation Orientation = korvane::Orientation::Unjudged;
    double OrientationScore = 0.0;
    double OrientationAlternative = 0.0;
    // The card lies face up: nothing below was read, Message is kFaceUp.
    bool Refused = false;
    // Read from the card's front (the picture's side, or a card found face up when the side is
    // left to the reader): its punches are what the pixels at each position show.
    bool Front = false;
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
    Algemeen::CardPunches Punches{};
    std::string Text;                  // columns 1 .. 72; "?" where no code matches
    std::vector<int> UnknownColumns;   // 1-based columns of Text that read "?"
    std::string Text80;                // all 80 columns, decoded with Text
    std::vector<int> UnknownColumns80; // 1-based columns of Text80 that no code matches
    // The evidence at every hole position of a decoded card read from a picture, and the columns
    // 1 .. 80 it leaves in doubt (an unknown column among them); empty when not decoded.
    std::shared_ptr<const CardEvidence> Evidence;
    std::vector<DoubtfulColumn> DoubtfulColumns;
    // Decoded with every column of the text line (1 .. 72) known and sound and the orientation
    // taken from the cut corner: the window shows such a text in black, any other text in red.
    // Doubt in columns 73 .. 80, which the text line does not show, is reported with the card's
    // columns (DoubtfulColumns) and sends it to review, but leaves its text line black.
    bool Complete() const
    {
        if (!Decoded || !UnknownColumns.empty() || Orientation == korvane::Orientation::FromPunches)
            return false;
        for (const DoubtfulColumn& doubt : DoubtfulColumns)
            if (doubt.Column <= 72)
                return false;
        return true;
    }
};

// The two readings of a card without a cut corner: its grid as fitted and turned half way (the same
// grid points numbered from the other corner), each decoded through the code table, with the
// evidence at its positions and its doubtful columns, and with Orientation FromPunches (a reading
// whose way up nothing on the card settles is never shown as sound).
struct BothWays
{
    CardResult AsFitted;
    CardResult HalfTurned;
    // The reading the reader takes (Reader::ReadCard): 0 as fitted, 1 turned half way; -1 when the
    // punches do not decide and it takes neither (the card is Uncertain).
    int Chosen = -1;
    const CardResult& Reading(int k) const { return k == 1 ? HalfTurned : AsFitted; }
};

} // namespace korvane
