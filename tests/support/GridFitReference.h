// The grid-fit normal equations built the plain way, kept as the reference that the bounded loop
// of GridNormalEquations must match bit for bit (the geometry tests) and as the "before" of its
// benchmark.
#pragma once

#include "Ogenblik.h"

namespace GridFitReference {

using Algemeen::kolom;
using Algemeen::matrix;
using Algemeen::RealPoint;
using Ogenblik::momenten;
using Ogenblik::MomentRecord;

// The normal equations built the plain way: every hole weighs all 960 grid positions, column index
// outer and row index inner, straight into M and V. GridNormalEquations must agree with it bit for
// bit. Its "ALARM" lines go to `alarms` (null: dropped), as GridNormalEquations's do.
inline double FullLoopReference(const momenten& holes, RealPoint O, RealPoint Dc, RealPoint Dr, matrix& M,
                                kolom& V, Algemeen::Console* alarms = nullptr)
{
    M = Algemeen::MakeMatrix(6);
    V.SetLength(7);
    double total = 0;
    Algemeen::Schuine bell(alarms);
    for (std::ptrdiff_t k = 1; k < holes.Length(); ++k) {
        const MomentRecord& h = holes[k];
        bell.Prepare(h.Sxx, h.Syy, h.Sxy, h.Centre);
        double kxx, kyy, kxy;
        bell.Coefficients(kxx, kyy, kxy);
        for (int i = 0; i <= 79; ++i) {
            for (int j = 0; j <= 11; ++j) {
                const RealPoint G{i * Dc.X + O.X + j * Dr.X, i * Dc.Y + O.Y + j * Dr.Y};
                const double w = bell.Weight(G);
                total = total + w;
                const double wxx = w * kyy, wxy = -w * kxy, wyy = w * kxx;
                const double f[3] = {1.0, double(i), double(j)};
                for (int r = 0; r <= 2; ++r) {
                    for (int t = 0; t <= 2; ++t) {
                        M[1 + r][1 + t] += wxx * f[r] * f[t];
                        M[1 + r][4 + t] += wxy * f[r] * f[t];
                        M[4 + r][1 + t] += wxy * f[r] * f[t];
                        M[4 + r][4 + t] += wyy * f[r] * f[t];
                    }
                    V[1 + r] += (wxx * h.Centre.X + wxy * h.Centre.Y) * f[r];
                    V[4 + r] += (wxy * h.Centre.X + wyy * h.Centre.Y) * f[r];
                }
            }
        }
    }
    return total;
}

// Every hole placed the plain way: the cell of greatest weight among all 960, column index outer
// and row index inner, the first of equal weights. PlaceHoles must give the same cells.
inline Algemeen::punten FullPlacementReference(const Ogenblik::CardGrid& grid, const momenten& holes,
                                               Algemeen::Console& console)
{
    Algemeen::punten cells(holes.Length());
    Algemeen::Schuine bell(&console);
    for (std::ptrdiff_t l = 1; l < holes.Length(); ++l) {
        const MomentRecord& h = holes[l];
        bell.Prepare(h.Sxx, h.Syy, h.Sxy, h.Centre);
        double best = 0.0;
        for (int i = 0; i < Ogenblik::kGridColumns; ++i)
            for (int m = 0; m < Ogenblik::kGridRows; ++m) {
                const double w = bell.Weight(Ogenblik::GridPosition(grid, i, m));
                if (w > best) {
                    best = w;
                    cells[l] = {i + 1, m + 1};
                }
            }
    }
    return cells;
}

} // namespace GridFitReference
