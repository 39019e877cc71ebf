#include "GridFit.h"

#include "GridBounds.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Ogenblik {

using Algemeen::Schuine;

void InitialGrid(const Ponskaart& model, const BestFitVerdict& turn, const MomentRecord& specimen,
                 RealPoint& origin, RealPoint& columnStep, RealPoint& rowStep)
{
    const double s = model.Scale;
    const bool reversed = turn.Reversed;
    origin = model.ModelToSpecimen(specimen, {kGridOrigin.X * s, kGridOrigin.Y * s}, reversed);
    columnStep = model.TurnToSpecimen(specimen, {kColumnStep.X * s, kColumnStep.Y * s}, reversed);
    rowStep = model.TurnToSpecimen(specimen, {kRowStep.X * s, kRowStep.Y * s}, reversed);
}

namespace {

struct Grid
{
    RealPoint O, Dc, Dr;

    RealPoint At(int i, int j) const { return GridPosition(O, Dc, Dr, i, j); }
};

// One hole with its prepared bell and the coefficients of its inverse covariance.
struct Hole
{
    const Schuine& bell;
    double kxx, kyy, kxy;
    RealPoint centre;
};

// The normal equations being built. Each position adds to M[1+r][1+t], M[1+r][4+t], M[4+r][1+t] and
// M[4+r][4+t] the products (w * f[r]) * f[t], f = (1, i, j), w being its weight times the matching
// entry of the hole's inverse covariance. Many of these sums are equal to the bit: the two
// off-diagonal blocks receive the same products from the same zero start, and within a block
// (w * 1) * f[t] and (w * f[t]) * 1 are both exactly w * f[t]. So a block needs only the 7 sums of
// w, w i, w j, (w i) i, (w i) j, (w j) i, (w j) j; with the 6 of V and the total that makes 28,
// kept in 14 pairs and updated a pair at a time. Every lane is the same IEEE operation on the same
// operands as in the plain loop, so the sums are bit for bit the same.
class Sums
{
public:
    // Adds the terms of grid position (i, j) with weight w for one hole.
    void AddPosition(const Hole& h, double w, int i, int j)
    {
        const double fi = i, fj = j;
        const double wxx = w * h.kyy, wxy = -w * h.kxy, wyy = w * h.kxx;
        const double vx = wxx * h.centre.X + wxy * h.centre.Y;
        const double vy = wxy * h.centre.X + wyy * h.centre.Y;
        const Pair f{fi, fj};
        const Pair a{wxx, wxy}, ai = a * fi, aj = a * fj;
        const Pair b{wyy, vx}, bi = b * fi, bj = b * fj;
        // Pairs 0-6: the sums of blocks xx | xy; 7-9: the first three of yy | V's x half; 10-11: the
        // last four of yy; 12: V's first y element | the total; 13: V's last two y elements.
        // clang-format off
        const Pair terms[kPairs] = {a, ai, aj, ai * fi, ai * fj, aj * fi, aj * fj,
                                    b, bi, bj,
                                    bi[0] * f, bj[0] * f,
                                    Pair{vy, w}, vy * f};
        // clang-format on
        for (int k = 0; k < kPairs; ++k)
            sums_[k] += terms[k];
    }

    double Total() const { return sums_[12][1]; }

    // M and V sized and filled; row, column and element 0 zero.
    void Unpack(matrix& M, kolom& V) const
    {
        M = Algemeen::MakeMatrix(6);
        V.SetLength(7);
        auto lane = [&](int k, int l) { return sums_[k][l]; };
        const double xx[7] = {lane(0, 0), lane(1, 0), lane(2, 0), lane(3, 0),
                              lane(4, 0), lane(5, 0), lane(6, 0)};
        const double xy[7] = {lane(0, 1), lane(1, 1), lane(2, 1), lane(3, 1),
                              lane(4, 1), lane(5, 1), lane(6, 1)};
        const double yy[7] = {lane(7, 0),  lane(8, 0),  lane(9, 0), lane(10, 0),
                              lane(10, 1), lane(11, 0), lane(11, 1)};
        Spread(M, 1, 1, xx);
        Spread(M, 1, 4, xy);
        Spread(M, 4, 1, xy);
        Spread(M, 4, 4, yy);
        V[1] = lane(7, 1);
        V[2] = lane(8, 1);
        V[3] = lane(9, 1);
        V[4] = lane(12, 0);
        V[5] = lane(13, 0);
        V[6] = lane(13, 1);
    }

private:
    using Pair = double __attribute__((vector_size(16)));
    static constexpr int kPairs = 14;

    // A 3 x 3 block from its 7 distinct sums.
    static void Spread(matrix& M, int row, int col, const double (&s)[7])
    {
        const double block[3][3] = {{s[0], s[1], s[2]}, {s[1], s[3], s[4]}, {s[2], s[5], s[6]}};
        for (int r = 0; r < 3; ++r)
            for (int t = 0; t < 3; ++t)
                M[row + r][col + t] = block[r][t];
    }

    Pair sums_[kPairs] = {};
};

// Every grid position, zero weights included: the plain form, for holes that cannot be bounded.
void AddAllPositions(Sums& s, const Hole& h, const Grid& g)
{
    for (int i = 0; i < kGridColumns; ++i)
        for (int j = 0; j < kGridRows; ++j)
            s.AddPosition(h, h.bell.Weight(g.At(i, j)), i, j);
}

// Index ranges [i0, i1] x [j0, j1] outside which every grid position weighs exactly 0.
struct Box
{
    int i0, i1, j0, j1;
};

bool Finite(RealPoint p)
{
    return std::isfinite(p.X) && std::isfinite(p.Y);
}

// What the bounding boxes of all holes share: the grid's inverse and its size.
//
// With A a hole's inverse covariance, B = [Dc Dr] and e = O - centre, position t = (i, j) has
// q = (e + B t)^T A (e + B t): an ellipse about t0 = -B^-1 e whose extent along i and j is
// R sqrt(P11) and R sqrt(P22), P = B^-1 A^-1 B^-T, R = 2 pi. The computed q of a position can
// differ from the exact one by a relative 8 eps (Kxx + Kyy)^2 / det A, so R is widened by 1e-6 and
// holes more elongated than that allows are refused. The computed positions G(i, j) can lie off the
// exact ones by a few eps times the size of the coordinates, which B^-1 turns into index units
// (`slip`, over-estimated a thousandfold); it is added to R (through the ellipse's steepest rate,
// at most sqrt(trace B^T A B)) and to the index margins.
class Bounds
{
public:
    explicit Bounds(const Grid& g) : g_(g)
    {
        const double detB = g.Dc.X * g.Dr.Y - g.Dr.X * g.Dc.Y;
        b1_ = {g.Dr.Y / detB, -g.Dr.X / detB};
        b2_ = {-g.Dc.Y / detB, g.Dc.X / detB};
        gridSize_ = std::fabs(g.O.X) + std::fabs(g.O.Y) +
                    kGridColumns * (std::fabs(g.Dc.X) + std::fabs(g.Dc.Y)) +
                    kGridRows * (std::fabs(g.Dr.X) + std::fabs(g.Dr.Y));
        slipPerSize_ = 1e-12 * std::sqrt(b1_.X * b1_.X + b1_.Y * b1_.Y + b2_.X * b2_.X + b2_.Y * b2_.Y);
        usable_ = Finite(g.O) && Finite(g.Dc) && Finite(g.Dr) && std::isfinite(slipPerSize_);
    }

    // The box of the hole's cut-off ellipse, or false when it cannot be bounded safely.
    bool BoxOf(const Hole& h, Box& box) const
    {
        const double kxx = h.kxx, kyy = h.kyy, kxy = h.kxy;
        const double detA = kxx * kyy - kxy * kxy;
        if (!usable_ || !Finite(h.centre) || !(kxx > 0.0 && kyy > 0.0 && detA > 0.0) ||
            !((kxx + kyy) * (kxx + kyy) <= 1e8 * detA))
            return false;
        const double slip = slipPerSize_ * (gridSize_ + std::fabs(h.centre.X) + std::fabs(h.centre.Y));
        const double steepest = kyy * (g_.Dc.X * g_.Dc.X + g_.Dr.X * g_.Dr.X) -
                                2.0 * kxy * (g_.Dc.X * g_.Dc.Y + g_.Dr.X * g_.Dr.Y) +
                                kxx * (g_.Dc.Y * g_.Dc.Y + g_.Dr.Y * g_.Dr.Y);
        const double reach = kReach + slip * (1.0 + steepest) / 2.0; // sqrt(x) <= (1 + x) / 2
        const double margin = slip + 1e-9;
        // The covariance A^-1 = [[kxx, kxy], [kxy, kyy]] / detA as a quadratic form.
        const double inverseDetA = 1.0 / detA;
        auto spread = [&](RealPoint b) {
            return std::sqrt((kxx * b.X * b.X + 2.0 * kxy * b.X * b.Y + kyy * b.Y * b.Y) * inverseDetA);
        };
        const RealPoint e{g_.O.X - h.centre.X, g_.O.Y - h.centre.Y};
        const double ti = -(b1_.X * e.X + b1_.Y * e.Y);
        const double tj = -(b2_.X * e.X + b2_.Y * e.Y);
        const double hi = reach * spread(b1_) + margin;
        const double hj = reach * spread(b2_) + margin;
        if (!std::isfinite(ti) || !std::isfinite(tj) || !std::isfinite(hi) || !std::isfinite(hj))
            return false;
        box = {Lowest(ti - hi, kGridColumns), Highest(ti + hi, kGridColumns), Lowest(tj - hj, kGridRows),
               Highest(tj + hj, kGridRows)};
        return true;
    }

private:
    static constexpr double kReach = 2.0 * std::numbers::pi * (1.0 + 1e-6);

    // The first and last whole index in [x, ...] and [..., x] within 0..count-1 (an empty range
    // when x lies beyond the grid).
    static int Lowest(double x, int count)
    {
        return static_cast<int>(std::ceil(std::clamp(x, 0.0, double(count))));
    }
    static int Highest(double x, int count)
    {
        return static_cast<int>(std::floor(std::clamp(x, -1.0, count - 1.0)));
    }

    Grid g_;
    RealPoint b1_, b2_; // the rows of B^-1
    double gridSize_ = 0.0;
    double slipPerSize_ = 0.0;
    bool usable_ = false;
};

// The positions of the box only. A zero weight is skipped: with finite coefficients and centre it
// would add only zeros.
void AddBoxPositions(Sums& s, const Hole& h, const Grid& g, const Box& box)
{
    for (int i = box.i0; i <= box.i1; ++i) {
        for (int j = box.j0; j <= box.j1; ++j) {
            const double w = h.bell.Weight(g.At(i, j));
            if (w != 0.0)
                s.AddPosition(h, w, i, j);
        }
    }
}

} // namespace

// Remark: for a card of 300 holes at 300 dpi the boxes hold about 7 positions per hole, 4 of them
// of non-zero weight, and one call takes about 39 us against about 4.6 ms for the plain loop over all
// 960 positions (bench/gridfit.sh, on a shared two-core machine). About a third of what remains is
// the exp of the non-zero weights.
double GridNormalEquations(const momenten& holes, RealPoint origin, RealPoint columnStep, RealPoint rowStep,
                           matrix& M, kolom& V, Algemeen::Console* alarms)
{
    const Grid grid{origin, columnStep, rowStep};
    const Bounds bounds(grid);
    Schuine bell(alarms);
    Sums sums;
    for (std::ptrdiff_t k = 1; k < holes.Length(); ++k) {
        const MomentRecord& record = holes[k];
        bell.Prepare(record.Sxx, record.Syy, record.Sxy, record.Centre);
        Hole hole{bell, 0.0, 0.0, 0.0, record.Centre};
        bell.Coefficients(hole.kxx, hole.kyy, hole.kxy);
        Box box{};
        if (bounds.BoxOf(hole, box))
            AddBoxPositions(sums, hole, grid, box);
        else if (!(bell.Degenerate() && Finite(record.Centre)))
            AddAllPositions(sums, hole, grid);
    }

    sums.Unpack(M, V);
    return sums.Total();
}

namespace {

constexpr double kFitTolerance = 1e-9;
constexpr int kMaxRounds = 100;
constexpr int kUnknowns = 6;

} // namespace

double ReportFitQuality(Algemeen::Console& console, const std::string& label, double fit,
                        std::int32_t holeListLength)
{
    const double percentage = 100.0 * fit / holeListLength;
    console.Write("Quality of Fit at " + label + " = ");
    console.WriteReal(percentage, 4, 1);
    console.Write(" %");
    console.EndLine();
    return percentage;
}

GridFitResult FitGridToHoles(const Ponskaart& model, const BestFitVerdict& turn, const MomentRecord& specimen,
                             const momenten& holes, Algemeen::Console& console)
{
    GridFitResult result;
    CardGrid& g = result.Grid;
    InitialGrid(model, turn, specimen, g.Origin, g.ColumnStep, g.RowStep);
    const RealPoint nominalColumn = g.ColumnStep, nominalRow = g.RowStep;
    CardGrid sound = g;
    Algemeen::VektorRuimte space;
    space.SetDimension(kUnknowns);
    space.Messages = &console;
    matrix normal;
    kolom rhs, solution;
    const auto holeListLength = static_cast<std::int32_t>(holes.Length());
    double cur = 0.0, prev = 0.0;
    bool inverted = true;
    for (int k = 0;;) {
        prev = cur;
        cur = GridNormalEquations(holes, g.Origin, g.ColumnStep, g.RowStep, normal, rhs, &console);
        if (k == 0)
            result.FitFirst = ReportFitQuality(console, "first", cur, holeListLength);
        else if (100.0 * cur / holeListLength > kMaxFitQuality) {
            g = sound;
            cur = prev;
            break;
        }
        inverted = space.DirekteInverse(normal);
        if (!inverted)
            break;
        space.MultiplyVector(normal, rhs, solution);
        if (!StepIsSound({solution[2], solution[5]}, nominalColumn) ||
            !StepIsSound({solution[3], solution[6]}, nominalRow))
            break;
        sound = g;
        g.Origin = {solution[1], solution[4]};
        g.ColumnStep = {solution[2], solution[5]};
        g.RowStep = {solution[3], solution[6]};
        if (std::fabs(cur - prev) < kFitTolerance)
            break;
        if (++k == kMaxRounds)
            break;
    }
    result.HasFitLast = inverted;
    if (inverted)
        result.FitLast = ReportFitQuality(console, "last", cur, holeListLength);
    else
        InitialGrid(model, turn, specimen, g.Origin, g.ColumnStep, g.RowStep);
    return result;
}

punten PlaceHoles(const CardGrid& grid, const momenten& holes, Algemeen::Console& console)
{
    punten cells(holes.Length());
    Schuine bell(&console);
    // Only the positions within the box of a hole's cut-off ellipse can weigh more than 0; the
    // others are skipped, in the same order, unless the box cannot be bounded safely.
    const Bounds bounds(Grid{grid.Origin, grid.ColumnStep, grid.RowStep});
    for (std::ptrdiff_t l = 1; l < holes.Length(); ++l) {
        const MomentRecord& h = holes[l];
        bell.Prepare(h.Sxx, h.Syy, h.Sxy, h.Centre);
        Hole hole{bell, 0.0, 0.0, 0.0, h.Centre};
        bell.Coefficients(hole.kxx, hole.kyy, hole.kxy);
        Box box{0, kGridColumns - 1, 0, kGridRows - 1};
        if (!bounds.BoxOf(hole, box))
            box = {0, kGridColumns - 1, 0, kGridRows - 1};
        double best = 0.0;
        for (int i = box.i0; i <= box.i1; ++i)
            for (int m = box.j0; m <= box.j1; ++m) {
                const double w = bell.Weight(GridPosition(grid, i, m));
                if (w > best) {
                    best = w;
                    cells[l] = {i + 1, m + 1};
                }
            }
    }
    return cells;
}

} // namespace Ogenblik
