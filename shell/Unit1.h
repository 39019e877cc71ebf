// Unit1: the run state of the main window and its commands (start, Open, Process, Select, Pick,
// Exit, stop). Every command takes the window it works on and the run state it works with; the
// Qt window and the headless driver each own their run state and call the same operations.
#pragma once

#include "Algemeen.h"
#include "DrawingRecord.h"
#include "Picture.h"
#include "Window.h"
#include "korvane/PictureFile.h"
#include "korvane/Reader.h"

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
    // "face-up", "from-punches", "uncertain" or "symmetric"; with the outline's best and runner-up scores.
    std::string orientation;
    double orientationScore = 0.0;
    double orientationAlternative = 0.0;
    korvane::CardResult result; // everything the reader gave for the card
};

// The state of one window, or of one headless run, from Starten to Stoppen. Its owner hands in the
// console its lines go to and the clock its timings read; both must outlive it.
struct RunState
{
    RunState(Algemeen::Console& console, Algemeen::Clock& clock) : Console(console), Clock(clock) {}
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    // Where the commands and the reader write their console lines, and the clock of their timings.
    Algemeen::Console& Console;
    Algemeen::Clock& Clock;
    // The log file the reader appends its timing lines to; set by Starten, none before.
    std::string LogFileName;
    // The file of the last Open (or the one the dialog gave); written by Open1Click.
    std::string PictureFileName;
    // How a picture that is not a BMP file is binarised and scaled.
    korvane::PictureSettings PictureOptions;
    // The picture the window shows, as the last accepted Open left it, with what its file held and
    // where its scale came from (Info.Format empty after a BMP file); traced by Process1Click, which
    // may turn its polarity or scale (Shown.Settings, Shown.Scale).
    korvane::OpenedPicture Shown;
    bool PictureLoaded = false; // Shown holds a checked picture
    // A left click reads a card: set by Select1Click, cleared by Open1Click and by a read.
    bool PickArmed = false;
    // The "Select Card Image with Mouse" box is still to be shown once.
    bool FirstSelect = true;
    // The grid of the last read card is dotted on the shown picture; Grid is that grid.
    bool GridShown = false;
    Ogenblik::CardGrid Grid;
    // What Process1Click last showed; replaced at every successful Process.
    DrawingRecord OverlayBitmap;
    // The reader of the last Process, with its contours, cards and card model; null before one.
    std::unique_ptr<korvane::Reader> Reader;
    // Overlay colours continue across Process commands of a run; 0 at the start.
    std::int32_t PaletteIndex = 0;
    // The code table every card is decoded with, read again for every card.
    std::string SpecFileName = "ibmkaart.txt";
    // The last card read; reset by the headless driver before each pick.
    CardReading LastReading;

    // A command is running; no other command may start.
    bool Busy = false;
};

// The log file, in the current directory.
inline constexpr const char* kLogFileName = "Vertolkt.log";

// Texts of the text line.
inline constexpr const char* kWelcome = "Content of IBM PunchCards";
inline constexpr const char* kNotAProperFilename = " : Not a proper filename !!";
inline constexpr const char* kDoesNotExist = " : does Not exist !!";
inline constexpr const char* kNotAProperPicture = " : Not a proper B/W picture !!";

void DisableControls(Window& window);
void EnableControls(Window& window);

// The commands. Each returns at once, doing nothing, while another command of the same run state
// runs. An unexpected error inside a command is shown through Window::ShowError and leaves the
// controls enabled.
void Starten(Window& window, RunState& state);
void Open1Click(Window& window, RunState& state);
void Process1Click(Window& window, RunState& state);
void Select1Click(Window& window, RunState& state);
void Kiezen(Window& window, RunState& state, MouseButton button, std::int32_t x, std::int32_t y);
void Exit1Click(Window& window, const RunState& state);
// Drops the shown picture, its reader and its cards, and switches Process and Select off: after
// an Open the window refused, nothing of the picture before it can be processed or read.
void ForgetPicture(Window& window, RunState& state);
// Process1Click as the window runs it right after an Open: the same pass, but a picture in which
// no card is found leaves the text line as the Open left it. True when cards were found.
bool ProcessOnOpen(Window& window, RunState& state);
void Stoppen(Window& window, RunState& state);

// Select, then read the accepted card with this contour number as a click on it would, but by its
// own outline (a click at its centre could fall inside a card nested in it).
void ReadAcceptedCard(Window& window, RunState& state, std::int32_t card);
// The same read without the Select step (no "Select Card Image with Mouse" box, no armed pick):
// the window's Read all, which reads every accepted card in turn.
void ReadCardByContour(Window& window, RunState& state, std::int32_t card);

// The accepted card outlines of the last Process, in contour-number order (empty before one).
std::vector<std::int32_t> AcceptedCards(const RunState& state);
// A pixel well inside an accepted card outline, to pick it at: its centroid, rounded down.
Algemeen::IntPoint CardCentre(const RunState& state, std::int32_t card);

// Sets the pixel at each of the 960 grid points of the run state's grid to colour; points outside
// the picture, or too far to address, are skipped.
void DotGrid(Window& window, const RunState& state, Algemeen::Colour colour);

} // namespace Unit1
