// Unit1: the run state of the main window and its commands (start, Open, Process, Select, Pick,
// Exit, stop). Every command takes the window it works on; the Qt window and the headless
// driver call the same operations.
#pragma once

#include "Algemeen.h"
#include "Contour.h"
#include "DrawingRecord.h"
#include "Ponskaart.h"
#include "Window.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Unit1 {

// What the last Pick that reached a card found, for reports (korvane-cli --json).
struct CardReading
{
    std::int32_t card = 0; // contour number of the outline
    bool rendered = false; // the text line shows the card's text (not a message)
    std::string text;      // columns 1..72
    double fitFirst = 0.0; // the fit-quality percentages written to the console
    double fitLast = 0.0;
    bool hasFitLast = false;
    // How the card's orientation was settled: empty before a judgement, else "settled",
    // "face-up", "from-punches" or "uncertain"; with the outline's best and runner-up scores.
    std::string orientation;
    double orientationScore = 0.0;
    double orientationAlternative = 0.0;
};

// The one state of the window for a run.
struct RunState
{
    std::string PictureFileName;
    bool PickArmed = false;
    bool FirstSelect = true;
    bool GridShown = false;
    DrawingRecord OverlayBitmap;
    std::unique_ptr<Ogenblik::Ponskaart> CardModel; // of the last pass that ranked its contours
    Algemeen::integers CardOf;
    Algemeen::integers CandidateOrder;
    Algemeen::integers DrawOrder;
    Ogenblik::momenten CandidateMoments;
    std::int32_t CandidateCount = 0;
    Algemeen::punten HoleCells;
    Algemeen::RealPoint GridOrigin;
    Algemeen::RealPoint ColumnStep;
    Algemeen::RealPoint RowStep;
    std::array<std::string, 63> CodeTable;
    std::string SpecFileName = "ibmkaart.txt";
    std::int32_t PaletteIndex = 0;
    CardReading LastReading;

    // A command is running; no other command may start.
    bool Busy = false;
};

RunState& State();
// Back to the state at program start (tests start each case clean with it).
void ResetRunState();

// The log file, in the current directory.
inline constexpr const char* kLogFileName = "Vertolkt.log";

// Texts of the text line.
inline constexpr const char* kWelcome = "Content of IBM PunchCards";
inline constexpr const char* kNotAProperFilename = " : Not a proper filename !!";
inline constexpr const char* kDoesNotExist = " : does Not exist !!";
inline constexpr const char* kNotAProperPicture = " : Not a proper B/W picture !!";

void DisableControls(Window& window);
void EnableControls(Window& window);

// The commands. Each returns at once, doing nothing, while another command runs. An unexpected
// error inside a command is shown through Window::ShowError and leaves the controls enabled.
void Starten(Window& window);
void Open1Click(Window& window);
void Process1Click(Window& window);
void Select1Click(Window& window);
void Kiezen(Window& window, MouseButton button, std::int32_t x, std::int32_t y);
void Exit1Click(Window& window);
void Stoppen(Window& window);

// The accepted card outlines of the last Process, in contour-number order (empty before one).
std::vector<std::int32_t> AcceptedCards();
// A pixel well inside an accepted card outline, to pick it at: its centroid, rounded down.
Algemeen::IntPoint CardCentre(std::int32_t card);

} // namespace Unit1
