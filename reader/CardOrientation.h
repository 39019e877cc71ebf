// Settling which way up a read card lies: first from its outline (where the cut corner is), and
// for a card without a cut corner from its punches (which placement leaves the fewest columns that
// the code table does not know).
#pragma once

#include "CodeTable.h"
#include "Decode.h"
#include "GridFit.h"
#include "Orientation.h"

#include <cstdint>

namespace korvane {

// Judges the outline (its moments computed) against the card model lying as `turn` says, by its
// edges near each placement's cut and by the area missing in each placement's cut corner, and, for
// a settled card, turns `turn` so that the model's cut lies where the cut was found.
Ogenblik::OrientationJudgement SettleOrientation(const Ogenblik::Ponskaart& model,
                                                 const Ogenblik::Contour& outline,
                                                 Ogenblik::BestFitVerdict& turn);

enum class PunchVerdict
{
    AsFitted,  // the grid as fitted leaves clearly fewer unknown columns than its half turn, or both
               // read the same text (a blank card): then either is right
    HalfTurn,  // its half turn does
    Uncertain, // neither leads clearly (e.g. digits only)
    Symmetric  // every placement, mirrored ones too, gives the same code in each column (a blank
               // card): the text does not depend on the way up
};

// One placement is taken from the punches when the other leaves at least kPunchLead times its
// unknown columns plus kPunchMargin. Mirrored placements are not weighed: a card mirrored end to
// end reads its text backwards with every column known, so the punches cannot tell a face-up card.
inline constexpr std::int32_t kPunchLead = 2;
inline constexpr std::int32_t kPunchMargin = 3;

// The verdict from the unknown-column counts of the grid as fitted and of its half turn.
PunchVerdict JudgeByPunches(std::int32_t asFitted, std::int32_t halfTurn);

// The verdict for hole cells (1-based, (0, 0) none) under this table: Symmetric when all four
// placements (as fitted, its half turn, and both mirrored end to end) give the same code in each
// of the 80 columns; else AsFitted when the half turn does; else the unknown columns of all 80 as
// fitted against those of the half turn.
PunchVerdict OrientationFromPunches(const CodeIndex& codes, const Algemeen::punten& cells);

// Turns the grid and the hole cells by a half turn: the same grid points, numbered from the other
// corner.
void TurnGridAndCells(Ogenblik::CardGrid& grid, Algemeen::punten& cells);

} // namespace korvane
