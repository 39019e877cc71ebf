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

// A cut edge lying wholly where a placement puts it scores about 0.43 (a Gaussian of sigma one
// sixth of the cut, integrated along the cut and divided by the cut's length); a square corner
// scores 0.15 to 0.21, more when the placement is mirrored against the card, since the cut shifts
// the centre and turns the axis that place the target. A placement is believed when it scores at
// least kCutShare and kCutLead times as much as every other placement. Measured margins: see
// the orientation test.
inline constexpr double kCutShare = 0.3;
inline constexpr double kCutLead = 1.5;

// Scores of one outline under each placement: the outline's edges, each weighed along its whole
// length by the Gaussian of its distance from the middle of the cut that the placement maps into
// the picture, summed and divided by the cut's length in pixels. The model's axis is used as it
// stands. The specimen's moments must be computed; a model of Scale 0 scores 0 everywhere.
std::array<double, 4> PlacementScores(const Ponskaart& model, const Contour& specimen);

// The verdict from the scores (see kCutShare and kCutLead).
OrientationJudgement JudgeOrientation(const std::array<double, 4>& scores);

// Whether a placement reverses the model's axis.
inline bool Reverses(Placement p)
{
    return p == Placement::HalfTurn || p == Placement::MirroredTurned;
}

// The verdict's name in reports: "settled", "face-up" or "no-cut-corner".
const char* VerdictName(OrientationVerdict verdict);

} // namespace Ogenblik
