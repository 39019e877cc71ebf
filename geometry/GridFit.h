// The 80 x 12 punch grid of a card as an affine grid G(i, j) = O + i * Dc + j * Dr in picture
// pixels, and one step of its fit to the holes found: iteratively re-weighted least squares, each
// hole pulling on the grid positions near it with weights from its own tilted elliptical bell.
// The caller solves the normal equations (direct inverse), moves the grid and repeats until the
// total weight settles.
#pragma once

#include "Ponskaart.h"

#include <string>

namespace Ogenblik {

using Algemeen::kolom;
using Algemeen::matrix;
using Algemeen::punten;

// A fitted (or initial) grid in picture pixels.
struct CardGrid
{
    RealPoint Origin;
    RealPoint ColumnStep;
    RealPoint RowStep;
};

// Grid position (i, j), column i in 0 .. 79 and row j in 0 .. 11: O + i * Dc + j * Dr, summed in
// the order every user of the grid sums it.
inline RealPoint GridPosition(RealPoint o, RealPoint c, RealPoint r, int i, int j)
{
    return {i * c.X + o.X + j * r.X, i * c.Y + o.Y + j * r.Y};
}
inline RealPoint GridPosition(const CardGrid& g, int i, int j)
{
    return GridPosition(g.Origin, g.ColumnStep, g.RowStep, i, j);
}

// The card model's nominal grid carried into the picture onto the specimen card (its AreaMoments
// record), the model lying in the half turn that BestFit settled for that card: the origin is
// mapped as a point, the column and row steps are turned as displacements.
void InitialGrid(const Ponskaart& model, const BestFitVerdict& turn, const MomentRecord& specimen,
                 RealPoint& origin, RealPoint& columnStep, RealPoint& rowStep);

// Builds the weighted normal equations M p = V of the grid parameters
// p = (O.X, Dc.X, Dr.X, O.Y, Dc.Y, Dr.Y) at indices 1..6 and returns the total weight. `holes`
// holds the AreaMoments records of the card's holes at indices 1..Length-1 (index 0 is not read);
// of each, Sxx, Syy, Sxy and Centre are used. M is resized to 7 x 7 and V to 7 and both are
// zeroed first; row, column and element 0 stay 0.
//
// Every hole weighs every grid position by Schuine's bell and adds, per position, the position's
// weight times the hole's inverse covariance to M and V, holes in index order and positions with
// the column index outer and the row index inner. Positions beyond the bell's cut-off weigh exactly
// 0 and add nothing, so for a hole with proper moments only the positions inside a box that
// contains its cut-off ellipse (worked out in grid-index space, with a margin for rounding) are
// visited; the sums are bit for bit those of visiting all 960. A hole whose box cannot be bounded
// safely (moments not positive definite or very elongated, a degenerate or non-finite grid) is
// visited at every position. A hole with D = 0 weighs 0 everywhere and adds nothing.
//
// The "ALARM" lines of holes whose moments are not positive definite go to `alarms` (null: they
// are dropped).
double GridNormalEquations(const momenten& holes, RealPoint origin, RealPoint columnStep, RealPoint rowStep,
                           matrix& M, kolom& V, Algemeen::Console* alarms = nullptr);

} // namespace Ogenblik

namespace Ogenblik {

// What the fit loop gives: the grid and the fit-quality percentages it wrote.
struct GridFitResult
{
    CardGrid Grid;
    double FitFirst = 0.0;   // "Quality of Fit at first"
    double FitLast = 0.0;    // "Quality of Fit at last"; only when HasFitLast
    bool HasFitLast = false; // false when the normal matrix turned out singular
};

// Fits the grid to the card's holes (their AreaMoments records at indices 1 .. n) by iteratively
// re-weighted least squares, starting from the initial grid of the model, lying as `turn` says, on
// the specimen: at most
// 100 rounds, until the total weight changes by less than 1e-9. A round whose steps stray from the
// nominal ones, or whose grid weighs the holes more than once (a fit collapsed onto a few holes),
// is not taken: the last sound round's grid stays. Writes "Quality of Fit at first"
// after the first round and "Quality of Fit at last" at the end to the console; falls back to the
// initial grid (without the last line) when the normal matrix turns out singular.
GridFitResult FitGridToHoles(const Ponskaart& model, const BestFitVerdict& turn, const MomentRecord& specimen,
                             const momenten& holes, Algemeen::Console& console);

// The grid cell of every hole (indices 1 .. n as in `holes`, index 0 unused): the cell (column
// i + 1, row j + 1) where its bell weighs most, the first such cell on a tie. A hole that weighs
// nothing anywhere gets (0, 0): no cell.
punten PlaceHoles(const CardGrid& grid, const momenten& holes, Algemeen::Console& console);

// "Quality of Fit at <label> = <100 * fit / holeListLength, one decimal, width 4> %".
// Returns the percentage written.
double ReportFitQuality(Algemeen::Console& console, const std::string& label, double fit,
                        std::int32_t holeListLength);

} // namespace Ogenblik
