#include "Quadrilateral.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace Ogenblik {

namespace {

RealPoint operator-(RealPoint a, RealPoint b)
{
    return {a.X - b.X, a.Y - b.Y};
}
double Dot(RealPoint a, RealPoint b)
{
    return a.X * b.X + a.Y * b.Y;
}
double Length(RealPoint a)
{
    return std::hypot(a.X, a.Y);
}

// Solves the n x n system a x = b in place by Gaussian elimination with partial pivoting; false
// when a pivot vanishes (relative to the largest entry of the matrix).
template <std::size_t n> bool Solve(std::array<std::array<double, n + 1>, n>& a, std::array<double, n>& x)
{
    double largest = 0.0;
    for (const auto& row : a)
        for (std::size_t c = 0; c < n; ++c)
            largest = std::max(largest, std::abs(row[c]));
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < n; ++r)
            if (std::abs(a[r][col]) > std::abs(a[pivot][col]))
                pivot = r;
        if (!(std::abs(a[pivot][col]) > 1e-12 * largest))
            return false;
        std::swap(a[col], a[pivot]);
        for (std::size_t r = col + 1; r < n; ++r) {
            const double f = a[r][col] / a[col][col];
            for (std::size_t c = col; c <= n; ++c)
                a[r][c] -= f * a[col][c];
        }
    }
    for (std::size_t r = n; r-- > 0;) {
        double sum = a[r][n];
        for (std::size_t c = r + 1; c < n; ++c)
            sum -= a[r][c] * x[c];
        x[r] = sum / a[r][r];
    }
    return true;
}

// A straight line through Through along the unit vector Along.
struct Line
{
    RealPoint Through;
    RealPoint Along;
};

// The total-least-squares line of the points: through their mean, along their principal axis.
Line FitLine(const std::vector<RealPoint>& points)
{
    RealPoint mean;
    for (const RealPoint& p : points) {
        mean.X += p.X;
        mean.Y += p.Y;
    }
    mean.X /= static_cast<double>(points.size());
    mean.Y /= static_cast<double>(points.size());
    double sxx = 0, syy = 0, sxy = 0;
    for (const RealPoint& p : points) {
        sxx += (p.X - mean.X) * (p.X - mean.X);
        syy += (p.Y - mean.Y) * (p.Y - mean.Y);
        sxy += (p.X - mean.X) * (p.Y - mean.Y);
    }
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    return {mean, {std::cos(angle), std::sin(angle)}};
}

std::optional<RealPoint> Meet(const Line& a, const Line& b)
{
    const double cross = a.Along.X * b.Along.Y - a.Along.Y * b.Along.X;
    if (std::abs(cross) < 0.2) // sides less than some 11 degrees apart do not make a corner
        return std::nullopt;
    const RealPoint d = b.Through - a.Through;
    const double s = (d.X * b.Along.Y - d.Y * b.Along.X) / cross;
    return RealPoint{a.Through.X + s * a.Along.X, a.Through.Y + s * a.Along.Y};
}

// Corners ordered by their angle round the centre (clockwise on the picture, y pointing down).
void OrderRound(std::array<RealPoint, 4>& corners, RealPoint centre)
{
    std::sort(corners.begin(), corners.end(), [centre](RealPoint a, RealPoint b) {
        return std::atan2(a.Y - centre.Y, a.X - centre.X) < std::atan2(b.Y - centre.Y, b.X - centre.X);
    });
}

// First guess of the corners: the points farthest out towards the four diagonals of the outline's
// principal frame.
std::array<RealPoint, 4> RoughCorners(const std::vector<RealPoint>& outline, RealPoint centre)
{
    const Line axis = FitLine(outline);
    const RealPoint u = axis.Along, v{-u.Y, u.X};
    double a = 0, b = 0;
    for (const RealPoint& p : outline) {
        a = std::max(a, std::abs(Dot(p - centre, u)));
        b = std::max(b, std::abs(Dot(p - centre, v)));
    }
    std::array<RealPoint, 4> corners;
    std::array<double, 4> best;
    best.fill(-1e300);
    const int signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const RealPoint& p : outline) {
        const double pu = Dot(p - centre, u) / a, pv = Dot(p - centre, v) / b;
        for (int k = 0; k < 4; ++k)
            if (const double score = signs[k][0] * pu + signs[k][1] * pv; score > best[k]) {
                best[k] = score;
                corners[k] = p;
            }
    }
    return corners;
}

// Refits each side to the points near the middle 70 % of the side between the current corners
// (within `reach` of it), and takes the corners where the new sides meet. false when a side has
// too few points or two sides do not meet.
bool RefitSides(const std::vector<RealPoint>& outline, std::array<RealPoint, 4>& corners, double reach)
{
    std::array<Line, 4> sides;
    std::vector<RealPoint> near;
    for (int k = 0; k < 4; ++k) {
        const RealPoint p = corners[k], d = corners[(k + 1) % 4] - p;
        const double length = Length(d);
        if (length < 1.0)
            return false;
        const RealPoint along{d.X / length, d.Y / length}, across{-along.Y, along.X};
        near.clear();
        for (const RealPoint& q : outline) {
            const double t = Dot(q - p, along) / length;
            if (t > 0.15 && t < 0.85 && std::abs(Dot(q - p, across)) < reach)
                near.push_back(q);
        }
        if (near.size() < 5)
            return false;
        sides[k] = FitLine(near);
    }
    for (int k = 0; k < 4; ++k) {
        const auto corner = Meet(sides[(k + 3) % 4], sides[k]);
        if (!corner)
            return false;
        corners[k] = *corner;
    }
    return true;
}

double ShortSide(const std::array<RealPoint, 4>& c)
{
    double shortest = 1e300;
    for (int k = 0; k < 4; ++k)
        shortest = std::min(shortest, Length(c[(k + 1) % 4] - c[k]));
    return shortest;
}

// The share of the points within `reach` of one of the quadrilateral's sides.
double InlierShare(const std::vector<RealPoint>& outline, const std::array<RealPoint, 4>& c, double reach)
{
    std::size_t in = 0;
    for (const RealPoint& q : outline)
        for (int k = 0; k < 4; ++k) {
            const RealPoint d = c[(k + 1) % 4] - c[k];
            const double length = Length(d);
            const double t = Dot(q - c[k], d) / (length * length);
            if (t > -0.02 && t < 1.02 &&
                std::abs((q.X - c[k].X) * d.Y - (q.Y - c[k].Y) * d.X) / length < reach) {
                ++in;
                break;
            }
        }
    return static_cast<double>(in) / static_cast<double>(outline.size());
}

// Whether three of the four points lie on one line (or nearly: the triangle they make is smaller
// than a millionth of the square of the points' spread).
bool ThreeInLine(const std::array<RealPoint, 4>& p)
{
    double spread = 0;
    for (int k = 0; k < 4; ++k)
        spread = std::max(spread, Length(p[(k + 1) % 4] - p[k]));
    for (int skip = 0; skip < 4; ++skip) {
        const RealPoint& a = p[(skip + 1) % 4];
        const RealPoint& b = p[(skip + 2) % 4];
        const RealPoint& c = p[(skip + 3) % 4];
        if (std::abs((b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X)) <= 1e-6 * spread * spread)
            return true;
    }
    return false;
}

} // namespace

std::optional<Homography> Homography::FromCorners(const std::array<RealPoint, 4>& from,
                                                  const std::array<RealPoint, 4>& to)
{
    if (ThreeInLine(from) || ThreeInLine(to))
        return std::nullopt;
    // Two equations per correspondence, linear in h0..h7 once multiplied by the denominator.
    std::array<std::array<double, 9>, 8> a{};
    for (int k = 0; k < 4; ++k) {
        const double x = from[k].X, y = from[k].Y, u = to[k].X, v = to[k].Y;
        a[2 * k] = {x, y, 1, 0, 0, 0, -u * x, -u * y, u};
        a[2 * k + 1] = {0, 0, 0, x, y, 1, -v * x, -v * y, v};
    }
    Homography h;
    if (!Solve<8>(a, h.h_))
        return std::nullopt;
    return h;
}

RealPoint Homography::Apply(RealPoint p) const
{
    const double w = h_[6] * p.X + h_[7] * p.Y + 1.0;
    return {(h_[0] * p.X + h_[1] * p.Y + h_[2]) / w, (h_[3] * p.X + h_[4] * p.Y + h_[5]) / w};
}

std::optional<QuadrilateralFit> FitQuadrilateral(const std::vector<RealPoint>& outline)
{
    if (outline.size() < 40)
        return std::nullopt;
    RealPoint centre;
    for (const RealPoint& p : outline) {
        centre.X += p.X;
        centre.Y += p.Y;
    }
    centre.X /= static_cast<double>(outline.size());
    centre.Y /= static_cast<double>(outline.size());
    std::array<RealPoint, 4> corners = RoughCorners(outline, centre);
    OrderRound(corners, centre);
    // The first rounds take in points some way off the rough sides; the last ones only the points
    // close to the sides found, so specks and the cut corner's edge drop out.
    for (const double share : {0.08, 0.03, 0.012, 0.012}) {
        const double reach = 1.5 + share * ShortSide(corners);
        if (!RefitSides(outline, corners, reach))
            return std::nullopt;
    }
    OrderRound(corners, centre);
    const auto side = [&corners](int k) { return Length(corners[(k + 1) % 4] - corners[k]); };
    if (side(0) + side(2) < side(1) + side(3))
        std::rotate(corners.begin(), corners.begin() + 1, corners.end());
    QuadrilateralFit fit;
    fit.Quad.Corners = corners;
    fit.Inliers = InlierShare(outline, corners, 1.5 + 0.012 * ShortSide(corners));
    return fit;
}

double RectangleDeviation(const Quadrilateral& quad, double aspect)
{
    // Corners as complex numbers: the best rectangle is centre + a * r[k] with a = scale and turn,
    // found by least squares (the centres of both sets coincide).
    using C = std::complex<double>;
    const std::array<C, 4> r = {C{-aspect / 2, -0.5}, C{aspect / 2, -0.5}, C{aspect / 2, 0.5},
                                C{-aspect / 2, 0.5}};
    C centre;
    for (const RealPoint& p : quad.Corners)
        centre += C{p.X, p.Y} / 4.0;
    C numerator;
    double denominator = 0;
    for (int k = 0; k < 4; ++k) {
        numerator += std::conj(r[k]) * (C{quad.Corners[k].X, quad.Corners[k].Y} - centre);
        denominator += std::norm(r[k]);
    }
    const C a = numerator / denominator;
    if (std::abs(a) == 0.0)
        return 1.0;
    double worst = 0;
    for (int k = 0; k < 4; ++k)
        worst = std::max(worst, std::abs(C{quad.Corners[k].X, quad.Corners[k].Y} - centre - a * r[k]));
    return worst / (std::abs(a) * aspect);
}

double Area(const Quadrilateral& quad)
{
    double twice = 0;
    for (int k = 0; k < 4; ++k) {
        const RealPoint a = quad.Corners[k], b = quad.Corners[(k + 1) % 4];
        twice += a.X * b.Y - b.X * a.Y;
    }
    return std::abs(twice) / 2;
}

} // namespace Ogenblik
