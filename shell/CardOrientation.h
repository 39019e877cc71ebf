// Settling which way up a picked card lies: first from its outline (where the cut corner is), and
// for a card without a cut corner from its punches (which placement leaves the fewest columns that
// the code table does not know).
#pragma once

#include "Orientation.h"
#include "Unit1.h"
#include "Window.h"

#include <cstdint>

namespace Unit1 {

// Judges the outline (its moments computed) against the run state's card model, records the
// verdict and scores in LastReading, and for a settled card turns the model's axis so that its cut
// lies where the cut was found.
Ogenblik::OrientationJudgement SettleOrientation(RunState& state, const Ogenblik::Contour& outline);

enum class PunchVerdict
{
    AsFitted, // the grid as fitted leaves clearly fewer unknown columns than its half turn
    HalfTurn, // its half turn does
    Uncertain // neither leads clearly (e.g. a blank card, or digits only)
};

// One placement is taken from the punches when the other leaves at least kPunchLead times its
// unknown columns plus kPunchMargin. Mirrored placements are not weighed: a card mirrored end to
// end reads its text backwards with every column known, so the punches cannot tell a face-up card.
inline constexpr std::int32_t kPunchLead = 2;
inline constexpr std::int32_t kPunchMargin = 3;

// The verdict from the unknown-column counts of the grid as fitted and of its half turn.
PunchVerdict JudgeByPunches(std::int32_t asFitted, std::int32_t halfTurn);

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
