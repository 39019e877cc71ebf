// The card and hole models: a Contour whose ring is built from the nominal dimensions of an
// 80-column card or of one of its rectangular holes, scaled to the picture's pixels per millimetre.
// The models give the tolerances by which traced contours are sorted into cards and holes, settle
// a card's half turn by looking for its cut corner, and carry model points into the picture.
#pragma once

#include "Contour.h"

#include <cstdint>

namespace Ogenblik {

// Nominal geometry in millimetres, in the model's own frame: x along the card's long edge, y across
// it, every y zero or negative. The card is a kCardLength x kCardHeight rectangle whose corner at
// (kCardLength, -kCardHeight) is cut off by the straight edge from (kCardLength - kCutAlongLength,
// -kCardHeight) to (kCardLength, kCutAlongHeight - kCardHeight).
inline constexpr double kCardLength = 187.0;
inline constexpr double kCardHeight = 83.0;
inline constexpr double kCutAlongLength = 6.0;
inline constexpr double kCutAlongHeight = 11.0;
// A rectangular hole, kHoleWidth along the card's long edge and kHoleHeight across it.
inline constexpr double kHoleWidth = 1.425;
inline constexpr double kHoleHeight = 3.5;
// The punch grid: kGridColumns x kGridRows positions, position (i, j) centred at
// kGridOrigin + i * kColumnStep + j * kRowStep. Column 0 lies at the short edge away from the cut,
// row 0 along the edge y = 0.
inline constexpr std::int32_t kGridColumns = 80;
inline constexpr std::int32_t kGridRows = 12;
inline constexpr RealPoint kGridOrigin{5.7125, -6.75};
inline constexpr RealPoint kColumnStep{2.225, 0.0};
inline constexpr RealPoint kRowStep{0.0, -6.315};
// Of the 80 columns, the first 72 carry the text that is read; the card code table knows 62 codes.
inline constexpr std::int32_t kTextColumns = 72;
inline constexpr std::int32_t kCodeCount = 62;

// Replaces (x, y) by (-x, -y).
void NegatePoint(RealPoint& p);

class Ponskaart : public Contour
{
public:
    bool IsCard = false;
    double Margin = 0.0;               // width in pixels of the band along the outline allowed for
    double AreaTolerance = 0.0;        // allowed deviation of a specimen's signed area
    double TraceTolerance = 0.0;       // ... of its area moments' Trace
    double DeterminantTolerance = 0.0; // ... of its area moments' RootDeterminant
    double Scale = 0.0;                // pixels per millimetre; set before BuildModel

    void MakeCard(double margin);
    void MakeHole(double margin);

    // Builds the ring (card or hole, scaled by Scale), measures it, and sets the tolerances from
    // its perimeter P, area A and boundary moments: AreaTolerance = P * Margin, and with
    // k = Margin * P / |A| the boundary Trace and RootDeterminant times k. At Scale 0 the ring
    // collapses to a point: every measure and tolerance is then 0 and IsUsable() is false.
    void BuildModel();

    // Whether the built ring has an area, so that specimens can be compared with it. A picture
    // without a resolution gives models that are not usable; it shows no card.
    bool IsUsable() const { return AreaMoments.Size != 0.0; }

    // Carries a point of the model's frame into the picture: the model's centre to the origin,
    // turned back by the model's axis and forward by the specimen's, then to the specimen's centre.
    RealPoint ModelToSpecimen(const MomentRecord& specimen, RealPoint p) const;

    // The same turn without the shifts, for displacements such as grid steps.
    RealPoint TurnToSpecimen(const MomentRecord& specimen, RealPoint v) const;

    // How much of the specimen's outline lies where the model puts the card's cut corner: the
    // length of its edges weighted by a Gaussian (sigma one sixth of the cut edge) of the distance
    // of each edge's midpoint from the mapped middle of the cut, edges beyond 2 pi sigma adding
    // nothing. Uses the card geometry whatever IsCard says. The specimen's moments must be computed.
    double CornerScore(const Contour& specimen) const;

    // Settles the half turn between model and specimen: compares CornerScore with the model's axis
    // and with its reverse, keeps the reverse only when it scores strictly better, and returns the
    // better score. When verbose, writes "Axes Reversed" or "Axes Allright" and then
    // "Best Fit = " with the score in 10 characters with 5 decimals, to `console` (null: no lines).
    double BestFit(const Contour& specimen, bool verbose, Algemeen::Console* console = nullptr);

    // Replaces `points` by the model's ring carried into the specimen, point for point.
    void OutlineInSpecimen(const Contour& specimen, Jordan& points) const;
};

} // namespace Ogenblik
