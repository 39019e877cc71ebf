// Which resolutions read from a file are believed, and the scale that card outlines imply.
#include "Imaging.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace Imaging;

TEST(ResolutionTest, JudgesTheFilesResolution)
{
    const struct
    {
        double ppi;
        ResolutionVerdict verdict;
    } cases[] = {
        {0, ResolutionVerdict::Implausible},    {49.9, ResolutionVerdict::Implausible},
        {50, ResolutionVerdict::Plausible},     {72, ResolutionVerdict::Suspicious},
        {96, ResolutionVerdict::Suspicious},    {150, ResolutionVerdict::Plausible},
        {2400, ResolutionVerdict::Plausible},   {2401, ResolutionVerdict::Implausible},
        {-300, ResolutionVerdict::Implausible}, {std::nan(""), ResolutionVerdict::Implausible},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeResolution(c.ppi), c.verdict) << c.ppi;
}

TEST(ResolutionTest, ScaleFromCardShapedOutlines)
{
    // A card at s pixels per millimetre: sides s * 187.325 and s * 82.55, minus a corner of 0.2 %.
    auto card = [](double s, double stretch = 1.0) {
        const double major = s * kCardLengthMm * stretch, minor = s * kCardWidthMm;
        return OutlineMeasure{major * minor * 0.998, major, minor};
    };
    const OutlineMeasure square{400 * 400, 400, 400};
    const OutlineMeasure ring{0.5 * 1000 * 440, 1000, 440}; // a card's proportions, half filled
    const struct
    {
        const char* name;
        std::vector<OutlineMeasure> outlines;
        double expected;
    } cases[] = {
        {"one card at 150 dpi", {card(150 / 25.4)}, 150 / 25.4 * std::sqrt(0.998)},
        {"nothing card-shaped", {square, ring}, 0.0},
        {"none at all", {}, 0.0},
        {"shapes that are no card are left out", {square, card(4.0), ring}, 4.0 * std::sqrt(0.998)},
        {"the median of several cards", {card(4.0), card(4.4), card(3.9)}, 4.0 * std::sqrt(0.998)},
        {"too long a card", {card(4.0, 1.1)}, 0.0},
        {"degenerate measures", {{0, 0, 0}, {-5, 10, 4}, {100, 4, 10}}, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(PixelsPerMillimetreFromOutlines(c.outlines), c.expected, 1e-9) << c.name;
}
