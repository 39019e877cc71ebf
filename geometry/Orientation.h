// Which way up a card lies, judged from its outline: how much of the outline lies where each of
// four placements of the card puts its cut corner. The four are the card as the model expects it
// (seen from the back), turned by a half turn, and the same two mirrored (the card seen from its
// front, lying face up). Scores are shares of a whole cut edge, so the same rule holds at every
// resolution.
#pragma once

#include "Ponskaart.h"

#include <array>

namespace Ogenblik {

enum class Placement
{
    AsModel,        // back view, the model's axis as it is
    HalfTurn,       // back view, the model's axis reversed
    Mirrored,       // front view (face up), the model's axis as it is
    MirroredTurned, // front view, the model's axis reversed
};

enum class OrientationVerdict
{
    Settled,     // a cut corner where a back view puts it: read the card
    FaceUp,      // a cut corner where only a front view puts it: refuse the card
    NoCutCorner, // no placement finds a cut: the outline cannot tell the half turn
};

struct OrientationJudgement
{
    OrientationVerdict verdict = OrientationVerdict::NoCutCorner;
    Placement best = Placement::AsModel; // the placement with the highest score
    double score = 0.0;                  // its score
    double alternative = 0.0;            // the highest score of the three others
    std::array<double, 4> scores{};      // per Placement
};

// Measured on punched pages (100, 150, 200, 300 and 600 dpi; 0, 90, 180, 270, 7, -33 and 133
// degrees; clean and with 5 % specks; model and real card size: 140 pages, each with an ordinary,
// a face-up and an uncut card) and on the five real scans: the placement that holds the cut scores
// 0.426 to 0.451 and the best other one 0.188 to 0.214 (a square corner; more than the 0.15 of a
// well-registered one, since the cut shifts the centre and turns the axis that place a mirrored
// target), a lead of 2.00 to 2.32; an uncut card scores 0.162 to 0.183 everywhere, a lead of 1.00
// to 1.01. The bounds below sit about midway (a factor of 1.4 from either side): a placement is
// believed when it scores at least kCutShare and kCutLead times as much as every other placement.
inline constexpr double kCutShare = 0.3;
inline constexpr double kCutLead = 1.5;

// Scores of one outline under each placement: the outline's edges, each weighed along its whole
// length by the Gaussian of its distance from the middle of the cut that the placement maps into
// the picture, summed and divided by the cut's length in pixels. The placements are taken
// relative to the model's axis, or to its reverse when `reversed`. The specimen's moments must be
// computed; a model of Scale 0 scores 0 everywhere.
std::array<double, 4> PlacementScores(const Ponskaart& model, const Contour& specimen, bool reversed = false);

// The verdict from the scores (see kCutShare and kCutLead).
OrientationJudgement JudgeOrientation(const std::array<double, 4>& scores);

// Whether a placement reverses the model's axis.
inline bool Reverses(Placement p)
{
    return p == Placement::HalfTurn || p == Placement::MirroredTurned;
}

} // namespace Ogenblik
