// Settling which way up a picked card lies: first from its outline (where the cut corner is), and
// for a card without a cut corner from its punches (which placement leaves the fewest columns that
// the code table does not know).
#pragma once

#include "Orientation.h"
#include "Unit1.h"
#include "Window.h"

#include <array>
#include <cstdint>

namespace Unit1 {

// Judges the outline (its moments computed) against the run state's card model, records the
// verdict and scores in LastReading, and for a settled card turns the model's axis so that its cut
// lies where the cut was found.
Ogenblik::OrientationJudgement SettleOrientation(RunState& state, const Ogenblik::Contour& outline);

enum class PunchVerdict
{
    AsFitted, // the grid as fitted reads the card best, by a clear lead
    HalfTurn, // the grid turned by a half turn does
    FaceUp,   // a mirrored reading does: the card lies face up
    Uncertain // no placement leads clearly (e.g. a blank card, or digits only)
};

// A placement is taken from the punches when every other one leaves at least
// kPunchLead * its unknown columns + kPunchMargin unknown columns.
inline constexpr std::int32_t kPunchLead = 2;
inline constexpr std::int32_t kPunchMargin = 3;

// The verdict from the unknown-column counts of the placements as fitted, half turned, rows
// mirrored and columns mirrored, in that order.
PunchVerdict JudgeByPunches(const std::array<std::int32_t, 4>& unknown);

// Reads the code table (false, with the table's message shown, when it cannot be read), counts
// the unknown columns of the run state's HoleCells in the four placements and judges them.
bool OrientationFromPunches(Window& window, RunState& state, PunchVerdict& verdict);

// Turns the run state's grid and hole cells by a half turn: the same grid points, numbered from
// the other corner.
void TurnGridAndCells(RunState& state);

// Texts shown for a card whose orientation the outline could not settle.
inline constexpr const char* kFaceUp = "This card should be scanned again: face up and backside down";
inline constexpr const char* kUncertain = "Orientation of this card is uncertain";
inline constexpr const char* kFromPunches = "Orientation taken from the punches: this card has no cut corner";

} // namespace Unit1
