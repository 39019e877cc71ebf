// Schuine: one blob of the picture (in practice a punched hole) as a tilted elliptical bell. From
// the blob's central second moments and centre it weighs any point by exp(-q/2), q being the
// squared Mahalanobis distance of the point from the centre, and cuts the bell off at q = (2 pi)^2.
#pragma once

#include "Arrays.h"
#include "Seams.h"

#include <cmath>

namespace Algemeen {

// (2 pi)^2, the cut-off of the squared Mahalanobis distance beyond which a weight is exactly 0.
inline constexpr double kWeightCutOff = 39.47841760435743;

class Schuine
{
public:
    Schuine() = default;
    // A bell whose "ALARM" lines go to the given console (null, or made without one: dropped).
    explicit Schuine(Console* alarms) : alarms_(alarms) {}

    // Keeps the centre and the moments divided by D = Sxx * Syy - Sxy^2, so that the inverse of
    // the moment matrix is [[Kyy, -Kxy], [-Kxy, Kxx]]. A blob with D = 0 (all its area on one
    // line), or whose quotients are not finite, has no inverse: it is kept as degenerate, with
    // coefficients 0 and weight 0 everywhere.
    void Prepare(double sxx, double syy, double sxy, RealPoint centre);

    // Kxx, Kyy, Kxy as left by Prepare (all 0 before the first Prepare and for a degenerate blob).
    void Coefficients(double& kxx, double& kyy, double& kxy) const;

    // exp(-q/2) for q = (d.X^2 Kyy - 2 Kxy d.X d.Y + d.Y^2 Kxx), d = P - centre, and 0 when q
    // exceeds kWeightCutOff (or is NaN). Moments that are not positive definite can give q < 0: the
    // console then gets the line "ALARM" and the weight, above 1, is returned all the same.
    // Before any Prepare the weight is 1 everywhere; for a degenerate blob it is 0.
    double Weight(RealPoint P) const
    {
        if (degenerate_)
            return 0.0;
        const double dx = P.X - centre_.X;
        const double dy = P.Y - centre_.Y;
        const double q = dx * dx * kyy_ - 2.0 * kxy_ * dx * dy + dy * dy * kxx_;
        if (q < 0.0)
            Alarm();
        if (!(q <= kWeightCutOff))
            return 0.0;
        return std::exp(-q / 2.0);
    }

    RealPoint Centre() const { return centre_; }
    bool Degenerate() const { return degenerate_; }

private:
    void Alarm() const;

    Console* alarms_ = nullptr;

    double kxx_ = 0.0;
    double kyy_ = 0.0;
    double kxy_ = 0.0;
    RealPoint centre_;
    bool degenerate_ = false;
};

} // namespace Algemeen
