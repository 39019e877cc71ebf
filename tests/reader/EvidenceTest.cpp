// The evidence at a hole position, on small pictures painted by hand at 4 pixels per mm (a 100 dpi
// scan): what a punched hole, print touching it, a digit, a speck, a hanging chad or a hole off its
// grid point leave in the pixels, and the call and the column's doubt that follow.
#include "korvane/Evidence.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

using korvane::DoubtReason;
using korvane::FoundHole;
using korvane::PositionCall;

constexpr double kScale = 4.0; // pixels per mm
// Grid column 1, row 1 (text column 79) is the position under test; its centre in pixels.
constexpr Algemeen::RealPoint kCentre{10 + 2.225 * kScale, 10 + 6.315 * kScale};
const Ogenblik::CardGrid kGrid{{10, 10}, {2.225 * kScale, 0}, {0, 6.315 * kScale}};

// A dark rectangle of the picture, in mm from the position's centre (u across, v along the rows).
struct Patch
{
    double u0, v0, u1, v1;
};

korvane::Picture Paint(const std::vector<Patch>& patches)
{
    BMPunit::BitImage image(40, 80, false);
    for (const Patch& p : patches)
        for (std::int32_t y = 0; y < image.height; ++y)
            for (std::int32_t x = 0; x < image.width; ++x) {
                const double u = (x + 0.5 - kCentre.X) / kScale, v = (y + 0.5 - kCentre.Y) / kScale;
                if (u >= p.u0 && u < p.u1 && v >= p.v0 && v < p.v1)
                    image.Set(x, y, true);
            }
    return TestSupport::PictureOf(image, 4000);
}

// The nominal hole, shifted by (du, dv) mm.
Patch Hole(double du = 0, double dv = 0)
{
    return {-0.7125 + du, -1.75 + dv, 0.7125 + du, 1.75 + dv};
}

// A hole outline found at (du, dv) mm from the centre, of `share` times the nominal area, in `cell`.
FoundHole Found(double du, double dv, double share, Algemeen::IntPoint cell = {2, 2})
{
    return {{kCentre.X + du * kScale, kCentre.Y + dv * kScale}, share * 1.425 * 3.5 * kScale * kScale, cell};
}

TEST(EvidenceTest, HolePositionCases)
{
    struct Case
    {
        const char* name;
        std::vector<Patch> dark;
        std::vector<FoundHole> holes;
        PositionCall call;
        DoubtReason reason;
        // The call when the picture is a card's front, where the pixels alone decide.
        PositionCall frontCall;
        DoubtReason frontReason;
    };
    constexpr auto Blank = PositionCall::Blank, Punched = PositionCall::Punched,
                   Doubtful = PositionCall::Doubtful;
    constexpr auto None = DoubtReason::None, Partial = DoubtReason::Partial, OffGrid = DoubtReason::OffGrid;
    const Case cases[] = {
        {"blank", {}, {}, Blank, None, Blank, None},
        {"clean hole", {Hole()}, {Found(0, 0, 1)}, Punched, None, Punched, None},
        // Print touching the hole merges with it: no hole outline, a dark rectangle.
        {"hole touching a line", {Hole(), {-2, 1.5, 2, 2}}, {}, Doubtful, DoubtReason::Ink, Punched, None},
        // A printed "1" as the fronts of real cards have one at every position: one pixel wide.
        {"digit", {{-0.1, -1, 0.15, 1}, {-0.35, 0.75, 0.4, 1}}, {}, Blank, None, Blank, None},
        // A printed "8" (as dark as the darkest digit of the real fronts): much of the rectangle's
        // middle, none of the ring.
        {"bold digit", {{-0.3, -1.2, 0.3, 0.4}}, {}, Blank, None, Blank, None},
        {"speck", {{0.1, 0.2, 0.4, 0.5}}, {}, Blank, None, Blank, None},
        // A pen stroke or a blot over a position darkens its ring all round as well.
        {"blot", {{-1.5, -2.8, 1.5, 2.8}}, {}, Doubtful, DoubtReason::Ink, Doubtful, DoubtReason::Ink},
        // A chad hanging in the lower half: the hole found is half a hole.
        {"half chad",
         {{-0.7125, -1.75, 0.7125, 0}},
         {Found(0, -0.875, 0.5)},
         Doubtful,
         Partial,
         Doubtful,
         Partial},
        {"half dark, no hole", {{-0.7125, -1.75, 0.7125, 0.1}}, {}, Doubtful, Partial, Doubtful, Partial},
        {"hole off the grid", {Hole(0.8)}, {Found(0.8, 0, 1)}, Doubtful, OffGrid, Doubtful, Partial},
        // A hole between two rows that the grid could not place: its nearest position is doubtful.
        {"hole without a cell", {Hole(0, 2.6)}, {Found(0, 2.6, 1, {0, 0})}, Doubtful, OffGrid, Blank, None},
        {"two holes in one cell",
         {Hole()},
         {Found(0, 0, 1), Found(0.1, 0, 1)},
         Doubtful,
         OffGrid,
         Punched,
         None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const korvane::Picture picture = Paint(c.dark);
        for (const bool front : {false, true}) {
            SCOPED_TRACE(front ? "front" : "back");
            const korvane::CardEvidence evidence = front ? korvane::WeighFrontEvidence(picture, kGrid)
                                                         : korvane::WeighEvidence(picture, kGrid, c.holes);
            const korvane::PositionEvidence& at = evidence.At(1, 1);
            const DoubtReason reason = front ? c.frontReason : c.reason;
            EXPECT_EQ(at.Call, front ? c.frontCall : c.call) << "fill " << at.Fill << " ring " << at.Ring;
            EXPECT_EQ(at.Reason, reason);
            // The neighbours across and along stay blank: nothing spills into their rectangles.
            for (const auto& [i, j] : {std::pair{0, 1}, {2, 1}, {1, 0}})
                EXPECT_EQ(evidence.At(i, j).Call, Blank) << i << "," << j;
            const auto doubtful = korvane::DoubtfulColumns(evidence, {});
            if (reason == None)
                EXPECT_TRUE(doubtful.empty());
            else
                EXPECT_EQ(doubtful, (std::vector<korvane::DoubtfulColumn>{{79, reason}}));
            // A front's punches are the positions called punched, and doubtful ones that are dark
            // nearly all over (the blot), not those dark in part.
            if (front) {
                const bool shown = at.Call == Punched || (at.Call == Doubtful && at.Fill > 0.9f);
                EXPECT_EQ(korvane::PunchesOfEvidence(evidence)[78], shown ? 2 : 0);
            }
        }
    }
}

TEST(EvidenceTest, WeighsFillAndRingAndFindsTheOffset)
{
    const auto clean = korvane::WeighEvidence(Paint({Hole()}), kGrid, {Found(0, 0, 1)}).At(1, 1);
    EXPECT_FLOAT_EQ(clean.Fill, 1.0f);
    EXPECT_FLOAT_EQ(clean.Offset, 0.0f);
    EXPECT_NEAR(clean.Size, 1.0, 1e-6);
    // A dark rectangle without an outline is weighed in full: its ring is light, unless print
    // touching it darkens the ring.
    const auto bare = korvane::WeighEvidence(Paint({Hole()}), kGrid, {}).At(1, 1);
    EXPECT_FLOAT_EQ(bare.Fill, 1.0f);
    EXPECT_FLOAT_EQ(bare.Ring, 0.0f);
    const auto inked = korvane::WeighEvidence(Paint({Hole(), {-2, -3, 2, -2.2}}), kGrid, {}).At(1, 1);
    EXPECT_GT(inked.Ring, 0.1f);
    EXPECT_EQ(inked.Reason, DoubtReason::Ink);
    const auto off = korvane::WeighEvidence(Paint({Hole(0.3, 0.4)}), kGrid, {Found(0.3, 0.4, 1)}).At(1, 1);
    EXPECT_NEAR(off.Offset, 0.5, 1e-5);
    EXPECT_EQ(off.Call, PositionCall::Punched);
}

TEST(EvidenceTest, ColumnsTakeTheFirstDoubtAndUnknownColumns)
{
    korvane::CardEvidence evidence;
    evidence.At(0, 3) = {0.5f, 0.0f, -1.0f, 0.0f, PositionCall::Doubtful, DoubtReason::Partial};
    evidence.At(0, 11) = {1.0f, 0.5f, -1.0f, 0.0f, PositionCall::Doubtful, DoubtReason::Ink};
    // Grid column 0 is text column 80; its row 12 (grid row 11) comes first. Column 5 reads "?".
    EXPECT_EQ(korvane::DoubtfulColumns(evidence, {5, 80}),
              (std::vector<korvane::DoubtfulColumn>{{5, DoubtReason::Unknown}, {80, DoubtReason::Ink}}));
    EXPECT_STREQ(korvane::DoubtReasonName(DoubtReason::OffGrid), "off-grid");
}

} // namespace
