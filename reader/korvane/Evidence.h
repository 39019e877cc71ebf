// The evidence at each of a card's 80 x 12 hole positions, weighed in the 1-bit picture itself after
// the grid fit, and the doubt it leaves per column. A punched hole fills its nominal rectangle
// whatever touches it; a printed digit, a ruled line, a pen stroke or a speck fills a part of it or
// spills over into the ring around it; a chad left hanging fills a part. Each position is called
// punched, blank or doubtful from what the pixels show and from the hole outline found there; a
// column is doubtful when one of its positions is, or when its punches match no code.
#pragma once

#include "Algemeen.h"
#include "CardPunches.h"
#include "GridFit.h"
#include "Picture.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

enum class PositionCall : std::uint8_t
{
    Blank,
    Punched,
    Doubtful,
};

// Why a position or a column is doubtful; None for a sound one.
enum class DoubtReason : std::uint8_t
{
    None,
    Ink,     // dark fills the hole's rectangle but no hole outline was found there, or dark spills over
    Partial, // the rectangle is dark in part only: a hanging chad, a blot, a hole that is not all there
    OffGrid, // a hole was found away from the grid point, or between positions
    Unknown, // the column's punches match no code
};

// "ink", "partial", "off-grid", "unknown" ("" for None).
const char* DoubtReasonName(DoubtReason reason);

struct PositionEvidence
{
    float Fill = 0.0f;    // share of the hole's nominal rectangle (a little inside it) that is dark
    float Ring = 0.0f;    // share of a ring just outside that rectangle that is dark; -1: not weighed
                          // (a quick look at the rectangle settled the position)
    float Offset = -1.0f; // mm from the grid point to the centre of the hole found here; -1: none
    float Size = 0.0f;    // that hole's area over the nominal hole's; 0: none
    PositionCall Call = PositionCall::Blank;
    DoubtReason Reason = DoubtReason::None;
};

// A hole outline of the card as the card reader found it: its centroid, its area in square pixels
// and the grid cell it was placed in ((column, row) 1-based as the grid counts them, (0, 0) none).
struct FoundHole
{
    Algemeen::RealPoint Centre;
    double Area = 0.0;
    Algemeen::IntPoint Cell;
};

// The evidence of one card, in grid order: grid column i (0 .. 79, the card seen from its back, so
// text column 80 - i) and row j (0 .. 11) at index 12 * i + j.
struct CardEvidence
{
    std::array<PositionEvidence, 960> Positions{};
    const PositionEvidence& At(int column, int row) const
    {
        return Positions[std::size_t(12 * column + row)];
    }
    PositionEvidence& At(int column, int row) { return Positions[std::size_t(12 * column + row)]; }
};

// Calls below these shares are blank, from kPunchedFill up punched, between doubtful (see Evidence.cpp
// for the measurements behind them).
inline constexpr double kBlankFill = 0.45;
inline constexpr double kPunchedFill = 0.7;

// Weighs every position of the grid in the picture (dark pixels are clear bits; pixels outside the
// picture count as light) and calls it. The grid's own steps give the millimetre, so the picture's
// stated resolution is not needed. `holes` are the card's hole outlines.
CardEvidence WeighEvidence(const Picture& picture, const Ogenblik::CardGrid& grid,
                           const std::vector<FoundHole>& holes);

// The evidence of a card seen from its front, where printed digits, ruled lines and handwriting
// are as dark as the holes and merge with them into outlines no hole model takes: the pixels alone
// decide. A position whose rectangle is dark all over is punched whatever touches it (unless dark
// spills all round it too: a blot or a pen stroke over the position is ink); a position dark in
// large part, or in part with dark spilling out to one side (a hole off its grid point), is
// doubtful; the hole outlines are not consulted.
CardEvidence WeighFrontEvidence(const Picture& picture, const Ogenblik::CardGrid& grid);

// The punches a front's evidence calls: every punched position, and every doubtful one nearer the
// punched fill than the blank one (text column k at index k - 1, as CardResult::Punches).
Algemeen::CardPunches PunchesOfEvidence(const CardEvidence& evidence);

struct DoubtfulColumn
{
    int Column = 0; // 1 .. 80
    DoubtReason Reason = DoubtReason::None;
    bool operator==(const DoubtfulColumn&) const = default;
};

// The doubtful text columns, ascending: each with the reason of its first doubtful position (row 12
// first), or Unknown when its positions are sound but it is one of `unknownColumns` (1 .. 80).
std::vector<DoubtfulColumn> DoubtfulColumns(const CardEvidence& evidence,
                                            const std::vector<int>& unknownColumns);

} // namespace korvane
