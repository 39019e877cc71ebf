#include "korvane/Evidence.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

using Algemeen::RealPoint;

constexpr int kColumns = Ogenblik::kGridColumns, kRows = Ogenblik::kGridRows;
// Half the nominal hole, in mm across (u, along the columns) and along (v, along the rows).
constexpr double kHalfWidth = Ogenblik::kHoleWidth / 2, kHalfHeight = Ogenblik::kHoleHeight / 2;
// The rectangle whose darkness is the fill: the nominal hole less a border that a grid placed a
// little off, or a hole cut a little small (real holes measure about 1.35 x 3.2 mm), would leave light.
constexpr double kFillU = kHalfWidth - 0.25, kFillV = kHalfHeight - 0.4;
// The ring: from a little outside the nominal hole to well short of the next column's hole (2.225 mm
// between centres leaves 0.8 mm of card between two holes).
constexpr double kRingInnerU = kHalfWidth + 0.2, kRingInnerV = kHalfHeight + 0.25;
constexpr double kRingOuterU = kHalfWidth + 0.55, kRingOuterV = kHalfHeight + 0.8;
// Sampling steps in mm, the same at every resolution: the fine lattice puts about 80 samples in the
// rectangle and 140 in the ring, the coarse one 15 in the rectangle and none in the ring.
constexpr double kStepU = 0.15, kStepV = 0.25;
constexpr double kCoarseU = 0.3, kCoarseV = 0.6;
// A position the coarse lattice finds this light without a hole, or this dark with one, is settled
// by it; any other is weighed again on the fine lattice, ring included.
constexpr double kCoarseBlank = 0.2, kCoarsePunched = 0.9;
// Measured (bench/doubt.sh and the real scans): positions without a hole fill at most 0.22 on punched
// cards with 10 % speck noise (100-300 dpi), 0 on the real backs and at most 0.33 on the real fronts,
// where a digit is printed at every position; positions with a hole fill 0.79 to 1 (1 on the real
// backs). Sound holes lie at most 0.26 mm from their grid point and measure 0.69 to 1.14 of the
// nominal area; the holes the fronts place wrongly lie 2.5 to 3.2 mm off. kBlankFill and kPunchedFill
// (Evidence.h) and the limits below sit between those.
//
// Remark: weighing every position on the fine lattice took half the instructions of reading a
// 150 dpi card (14.1 of 28.5 million); the coarse first look settles nearly every position of a
// sound card and brings the evidence pass to about 9 % of it (1.1 of 12.7 million more).
//
// A hole found further than this from its grid point (mm across, along) is off the grid.
constexpr double kOffGridU = 0.55, kOffGridV = 1.2;
// On a front, a position dark all over whose ring is at least this dark too lies under a blot or
// a stroke rather than in a hole: a ruled line or a printed digit next to a hole darkens a part of
// its ring only.
constexpr double kFrontInkRing = 0.6;
// A hole lying 0.6 to 0.9 mm off its grid point darkens 0.3 to 0.55 of the rectangle and spills
// into the ring on one side (0.15 to 0.25 of it); the digits and lines of the real fronts never
// reach both (at most a ring of 0.24 at a fill of 0.25).
constexpr double kFrontShiftFill = 0.3, kFrontShiftRing = 0.15;
// A hole found whose area is outside these shares of the nominal hole is not all a hole.
constexpr double kSmallHole = 0.5, kLargeHole = 1.8;

// The card's millimetre frame at the grid: u along the columns, v along the rows, in pixels per mm.
struct Frame
{
    RealPoint U, V;
    double Determinant() const { return U.X * V.Y - U.Y * V.X; }
    // (u, v) in mm of a displacement d in pixels; false when the frame is degenerate.
    bool Solve(RealPoint d, double& u, double& v) const
    {
        const double det = Determinant();
        if (!(std::abs(det) > 1e-12))
            return false;
        u = (d.X * V.Y - d.Y * V.X) / det;
        v = (U.X * d.Y - U.Y * d.X) / det;
        return std::isfinite(u) && std::isfinite(v);
    }
};

Frame FrameOf(const Ogenblik::CardGrid& grid)
{
    const double row = -Ogenblik::kRowStep.Y, column = Ogenblik::kColumnStep.X;
    return {{grid.ColumnStep.X / column, grid.ColumnStep.Y / column},
            {grid.RowStep.X / row, grid.RowStep.Y / row}};
}

bool Dark(const Picture& picture, double x, double y)
{
    if (!(x >= 0 && y >= 0 && x < picture.Width && y < picture.Height))
        return false;
    const auto px = static_cast<std::int32_t>(x), py = static_cast<std::int32_t>(y);
    return (picture.Row(py)[px / 8] & (0x80 >> (px % 8))) == 0;
}

// Fill and ring of the position centred at `centre`, sampled on a lattice of the card's frame with
// these steps; without the ring, only the rectangle is sampled and Ring is set to -1.
void Weigh(const Picture& picture, const Frame& frame, RealPoint centre, double stepU, double stepV,
           bool withRing, PositionEvidence& evidence)
{
    int fill = 0, fillDark = 0, ring = 0, ringDark = 0;
    const int nu = static_cast<int>((withRing ? kRingOuterU : kFillU) / stepU);
    const int nv = static_cast<int>((withRing ? kRingOuterV : kFillV) / stepV);
    for (int b = -nv; b <= nv; ++b) {
        const double v = b * stepV;
        const bool fillRow = std::abs(v) <= kFillV, ringRow = std::abs(v) > kRingInnerV;
        for (int a = -nu; a <= nu; ++a) {
            const double u = a * stepU;
            const bool inFill = fillRow && std::abs(u) <= kFillU;
            const bool inRing = withRing && (ringRow || std::abs(u) > kRingInnerU);
            if (!inFill && !inRing)
                continue;
            const bool dark = Dark(picture, centre.X + u * frame.U.X + v * frame.V.X,
                                   centre.Y + u * frame.U.Y + v * frame.V.Y);
            (inFill ? fill : ring) += 1;
            (inFill ? fillDark : ringDark) += dark;
        }
    }
    evidence.Fill = fill > 0 ? float(fillDark) / float(fill) : 0.0f;
    evidence.Ring = !withRing ? -1.0f : ring > 0 ? float(ringDark) / float(ring) : 0.0f;
}

void MarkDoubt(PositionEvidence& evidence, DoubtReason reason)
{
    if (evidence.Call != PositionCall::Doubtful) {
        evidence.Call = PositionCall::Doubtful;
        evidence.Reason = reason;
    }
}

// The hole outlines against the grid: each marks its position with its offset and size; a hole off its
// grid point, a second hole in one cell, or a hole without a cell that lies among the positions makes
// its nearest position doubtful. Returns which positions hold a sound hole.
std::array<bool, 960> PlaceFoundHoles(const Ogenblik::CardGrid& grid, const Frame& frame,
                                      const std::vector<FoundHole>& holes, CardEvidence& evidence)
{
    std::array<bool, 960> sound{};
    const double nominal = Ogenblik::kHoleWidth * Ogenblik::kHoleHeight * std::abs(frame.Determinant());
    for (const FoundHole& hole : holes) {
        const bool placed =
            hole.Cell.X >= 1 && hole.Cell.X <= kColumns && hole.Cell.Y >= 1 && hole.Cell.Y <= kRows;
        int i = hole.Cell.X - 1, j = hole.Cell.Y - 1;
        double u = 0, v = 0;
        if (!placed) {
            // Nearest position by the grid's own steps.
            if (!frame.Solve({hole.Centre.X - grid.Origin.X, hole.Centre.Y - grid.Origin.Y}, u, v))
                continue;
            i = static_cast<int>(std::lround(u / Ogenblik::kColumnStep.X));
            j = static_cast<int>(std::lround(v / -Ogenblik::kRowStep.Y));
            if (i < 0 || i >= kColumns || j < 0 || j >= kRows)
                continue;
        }
        PositionEvidence& at = evidence.At(i, j);
        const RealPoint point = Ogenblik::GridPosition(grid, i, j);
        if (!frame.Solve({hole.Centre.X - point.X, hole.Centre.Y - point.Y}, u, v))
            continue;
        const bool first = at.Offset < 0;
        at.Offset = static_cast<float>(std::hypot(u, v));
        at.Size = nominal > 0 ? static_cast<float>(hole.Area / nominal) : 0.0f;
        if (!placed || !first || std::abs(u) > kOffGridU || std::abs(v) > kOffGridV)
            MarkDoubt(at, DoubtReason::OffGrid);
        else if (at.Size < kSmallHole || at.Size > kLargeHole)
            MarkDoubt(at, DoubtReason::Partial);
        else
            sound[std::size_t(12 * i + j)] = true;
    }
    return sound;
}

// The call of a position from its pixels and from whether a sound hole outline sits there.
void Call(PositionEvidence& at, bool holeFound)
{
    if (at.Call == PositionCall::Doubtful)
        return;
    if (holeFound) {
        if (at.Fill >= kPunchedFill)
            at.Call = PositionCall::Punched;
        else
            MarkDoubt(at, DoubtReason::Partial);
    } else if (at.Fill >= kBlankFill) {
        // Dark where no hole was found: a hole merged with print or a line, or a blot.
        MarkDoubt(at,
                  at.Fill >= kPunchedFill || at.Ring >= kBlankFill ? DoubtReason::Ink : DoubtReason::Partial);
    }
}

} // namespace

const char* DoubtReasonName(DoubtReason reason)
{
    switch (reason) {
    case DoubtReason::Ink:
        return "ink";
    case DoubtReason::Partial:
        return "partial";
    case DoubtReason::OffGrid:
        return "off-grid";
    case DoubtReason::Unknown:
        return "unknown";
    case DoubtReason::None:
        break;
    }
    return "";
}

CardEvidence WeighEvidence(const Picture& picture, const Ogenblik::CardGrid& grid,
                           const std::vector<FoundHole>& holes)
{
    CardEvidence evidence;
    const Frame frame = FrameOf(grid);
    const std::array<bool, 960> sound = PlaceFoundHoles(grid, frame, holes, evidence);
    for (int i = 0; i < kColumns; ++i)
        for (int j = 0; j < kRows; ++j) {
            PositionEvidence& at = evidence.At(i, j);
            const RealPoint centre = Ogenblik::GridPosition(grid, i, j);
            const bool hole = sound[std::size_t(12 * i + j)];
            Weigh(picture, frame, centre, kCoarseU, kCoarseV, false, at);
            if (at.Call == PositionCall::Doubtful ||
                (hole ? at.Fill < kCoarsePunched : at.Fill > kCoarseBlank))
                Weigh(picture, frame, centre, kStepU, kStepV, true, at);
            Call(at, hole);
        }
    return evidence;
}

CardEvidence WeighFrontEvidence(const Picture& picture, const Ogenblik::CardGrid& grid)
{
    CardEvidence evidence;
    const Frame frame = FrameOf(grid);
    for (int i = 0; i < kColumns; ++i)
        for (int j = 0; j < kRows; ++j) {
            PositionEvidence& at = evidence.At(i, j);
            const RealPoint centre = Ogenblik::GridPosition(grid, i, j);
            Weigh(picture, frame, centre, kCoarseU, kCoarseV, false, at);
            if (at.Fill > kCoarseBlank)
                Weigh(picture, frame, centre, kStepU, kStepV, true, at);
            if (at.Fill >= kPunchedFill && at.Ring < kFrontInkRing)
                at.Call = PositionCall::Punched;
            else if (at.Fill >= kPunchedFill)
                MarkDoubt(at, DoubtReason::Ink);
            else if (at.Fill >= kBlankFill || (at.Fill >= kFrontShiftFill && at.Ring >= kFrontShiftRing))
                MarkDoubt(at, DoubtReason::Partial);
        }
    return evidence;
}

Algemeen::CardPunches PunchesOfEvidence(const CardEvidence& evidence)
{
    Algemeen::CardPunches punches{};
    for (int i = 0; i < kColumns; ++i)
        for (int j = 0; j < kRows; ++j) {
            const PositionEvidence& at = evidence.At(i, j);
            if (at.Call == PositionCall::Punched ||
                (at.Call == PositionCall::Doubtful && at.Fill >= (kBlankFill + kPunchedFill) / 2))
                punches[std::size_t(kColumns - 1 - i)] |= static_cast<std::uint16_t>(1u << j);
        }
    return punches;
}

std::vector<DoubtfulColumn> DoubtfulColumns(const CardEvidence& evidence,
                                            const std::vector<int>& unknownColumns)
{
    std::vector<DoubtfulColumn> columns;
    for (int column = 1; column <= kColumns; ++column) {
        const int i = kColumns - column; // grid column of text column `column`
        DoubtReason reason = DoubtReason::None;
        for (int j = kRows - 1; j >= 0 && reason == DoubtReason::None; --j)
            reason = evidence.At(i, j).Reason;
        if (reason == DoubtReason::None &&
            std::find(unknownColumns.begin(), unknownColumns.end(), column) != unknownColumns.end())
            reason = DoubtReason::Unknown;
        if (reason != DoubtReason::None)
            columns.push_back({column, reason});
    }
    return columns;
}

} // namespace korvane
