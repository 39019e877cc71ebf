// The 80 x 12 punch grid of a card as an affine grid G(i, j) = O + i * Dc + j * Dr in picture
// pixels, and one step of its fit to the holes found: iteratively re-weighted least squares, each
// hole pulling on the grid positions near it with weights from its own tilted elliptical bell.
// The caller solves the normal equations (direct inverse), moves the grid and repeats until the
// total weight settles.
#pragma once

#include "Ponskaart.h"

namespace Ogenblik {

using Algemeen::kolom;
using Algemeen::matrix;

// The card model's nominal grid carried into the picture onto the specimen card (its AreaMoments
// record), after BestFit has settled the model's axis for that card: the origin is mapped as a
// point, the column and row steps are turned as displacements.
void InitialGrid(const Ponskaart& model, const MomentRecord& specimen, RealPoint& origin,
                 RealPoint& columnStep, RealPoint& rowStep);

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
double GridNormalEquations(const momenten& holes, RealPoint origin, RealPoint columnStep, RealPoint rowStep,
                           matrix& M, kolom& V);

} // namespace Ogenblik
