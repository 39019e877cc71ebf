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
    std::array<double, 4> missing{};     // per Placement, the share of its cut corner missing
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

// Worn edges and specks touching them lengthen the outline near every placement's target, the
// square corners' as much as the cut's: on 32 harsh pages (bench/orientation.sh: speck noise 0.05
// and 0.1, edges worn by bites and bumps of up to 0.5 and 0.8 mm, 100 to 300 dpi, 1-bit and
// blurred grey with sensor noise, both card sizes) the cut scores 0.47 to 0.90 and its lead falls
// to 1.10, so the edge rule alone lets a fifth of the cut cards fall back on their punches. The
// area of the corner each placement cuts off holds: the cut's corner is 0.88 to 1.00 missing, every
// other corner at most 0.34 (a square corner of a real card, smaller than the model, 0.10 to 0.20;
// its rounded corners in the five real scans up to 0.20, in the grey duplex pair 0.31, whose cut
// is 0.78 missing); an uncut card's corners at most 0.32. Worn edges can also lend an uncut card a
// lead of 1.5 (one of 32 uncut letter cards was taken for a face-up card). So a placement is
// believed only where its corner is at least kCutMissing missing, and then also when its edge lead
// falls short but every other corner is at most kCornerMissing missing.
inline constexpr double kCutMissing = 0.7;
inline constexpr double kCornerMissing = 0.45;

// Scores of one outline under each placement: the outline's edges, each weighed along its whole
// length by the Gaussian of its distance from the middle of the cut that the placement maps into
// the picture, summed and divided by the cut's length in pixels. The placements are taken
// relative to the model's axis, or to its reverse when `reversed`. The specimen's moments must be
// computed; a model of Scale 0 scores 0 everywhere.
std::array<double, 4> PlacementScores(const Ponskaart& model, const Contour& specimen, bool reversed = false);

// For each placement, the share of the triangle its cut takes off the card that the outline does
// not cover: near 1 where the cut is, near 0 at a square corner. An area, unlike an edge length,
// hardly grows when specks and wear roughen the outline. The specimen's moments must be computed;
// a model of Scale 0 gives 0 everywhere.
std::array<double, 4> CornerMissingShares(const Ponskaart& model, const Contour& specimen,
                                          bool reversed = false);

// The verdict from the edge scores and the corners' missing shares: the placement with the highest
// score is believed when it scores at least kCutShare, its corner is at least kCutMissing missing,
// and it either leads every other placement by kCutLead or every other corner is at most
// kCornerMissing missing.
OrientationJudgement JudgeOrientation(const std::array<double, 4>& scores,
                                      const std::array<double, 4>& missing);

// Whether a placement reverses the model's axis.
inline bool Reverses(Placement p)
{
    return p == Placement::HalfTurn || p == Placement::MirroredTurned;
}

} // namespace Ogenblik
