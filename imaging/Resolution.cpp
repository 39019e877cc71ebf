#include "Resolution.h"

#include <algorithm>
#include <cmath>

namespace Imaging {

namespace {

constexpr double kLowestPpi = 50.0;
constexpr double kHighestPpi = 2400.0;
// A card's outline is allowed this much relative deviation in aspect and in fill. The cut corner
// removes some 0.2 % of the area; scanning blur and tracing move the sides by a pixel or two.
constexpr double kShapeTolerance = 0.06;

bool Near(double value, double expected)
{
    return std::abs(value / expected - 1.0) <= kShapeTolerance;
}

} // namespace

ResolutionVerdict JudgeResolution(double ppi)
{
    if (!(ppi >= kLowestPpi && ppi <= kHighestPpi))
        return ResolutionVerdict::Implausible;
    if (ppi == 72.0 || ppi == 96.0)
        return ResolutionVerdict::Suspicious;
    return ResolutionVerdict::Plausible;
}

double PixelsPerMillimetreFromOutlines(const std::vector<OutlineMeasure>& outlines)
{
    std::vector<double> scales;
    for (const OutlineMeasure& o : outlines) {
        if (!(o.Area > 0.0 && o.Minor > 0.0 && o.Major >= o.Minor))
            continue;
        if (!Near(o.Major / o.Minor, kCardLengthMm / kCardWidthMm) ||
            !Near(o.Area / (o.Major * o.Minor), 1.0))
            continue;
        scales.push_back(std::sqrt(o.Area / (kCardLengthMm * kCardWidthMm)));
    }
    if (scales.empty())
        return 0.0;
    std::sort(scales.begin(), scales.end());
    const std::size_t mid = scales.size() / 2;
    return scales.size() % 2 == 1 ? scales[mid] : (scales[mid - 1] + scales[mid]) / 2.0;
}

} // namespace Imaging
