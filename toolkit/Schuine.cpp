#include "Schuine.h"

#include "Seams.h"

#include <cmath>

namespace Algemeen {

void Schuine::Prepare(double sxx, double syy, double sxy, RealPoint centre)
{
    kxx_ = sxx;
    kyy_ = syy;
    kxy_ = sxy;
    centre_ = centre;
    const double d = kxx_ * kyy_ - kxy_ * kxy_;
    kxx_ = kxx_ / d;
    kyy_ = kyy_ / d;
    kxy_ = kxy_ / d;
    // Dividing by a zero determinant gives infinities or NaN, which would spread through every
    // weight and every sum built from the coefficients.
    degenerate_ = d == 0.0 || !std::isfinite(kxx_) || !std::isfinite(kyy_) || !std::isfinite(kxy_);
    if (degenerate_)
        kxx_ = kyy_ = kxy_ = 0.0;
}

void Schuine::Coefficients(double& kxx, double& kyy, double& kxy) const
{
    kxx = kxx_;
    kyy = kyy_;
    kxy = kxy_;
}

// Out of line: the weight itself is inlined into the grid fit's inner loop.
void Schuine::Alarm() const
{
    if (alarms_)
        alarms_->Line("ALARM");
}

} // namespace Algemeen
