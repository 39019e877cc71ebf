#include "TracingFixture.h"

#include <functional>
#include <string>

using namespace BMPunit;
using Algemeen::Jordan;
using Algemeen::RealPoint;

namespace {

// Records the drawing calls as text.
class RecordingSurface : public Algemeen::DrawingSurface
{
public:
    void SetSize(std::int32_t, std::int32_t) override {}
    std::int32_t Width() const override { return 0; }
    std::int32_t Height() const override { return 0; }
    void FillRect(std::int32_t, std::int32_t, std::int32_t, std::int32_t, Algemeen::Colour) override {}
    void SetPenColour(Algemeen::Colour c) override { calls += "pen " + std::to_string(c) + ";"; }
    void MoveTo(std::int32_t x, std::int32_t y) override { calls += Point("move", x, y); }
    void LineTo(std::int32_t x, std::int32_t y) override { calls += Point("line", x, y); }
    std::string calls;

private:
    static std::string Point(const char* what, std::int32_t x, std::int32_t y)
    {
        return std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) + ";";
    }
};

class ContourStoreTest : public TracingFixture
{
protected:
    // A white picture with one black pixel at (3, 2): contour 2 is that pixel.
    void TraceOnePixel()
    {
        BitImage image(7, 5, false);
        image.Set(3, 2, true);
        Trace(image);
        ASSERT_EQ(ContourCount(), 2);
    }
};

} // namespace

TEST_F(ContourStoreTest, CountIsMinusOneWithoutContoursAndAfterRelease)
{
    EXPECT_EQ(ContourCount(), -1);
    Trace(BitImage(5, 5, true));
    EXPECT_EQ(ContourCount(), 0);
    Trace(BitImage(5, 5, false));
    EXPECT_EQ(ContourCount(), 1);

    store.Release();
    EXPECT_EQ(ContourCount(), -1);
    EXPECT_TRUE(store.ContourNodes.empty());
}

TEST_F(ContourStoreTest, ContourIndicesOutsideTheStoreAreRefused)
{
    const std::vector<std::function<void(std::int32_t)>> accessors = {
        [this](std::int32_t c) {
            Jordan points;
            GetContour(c, points);
        },
        [this](std::int32_t c) { ContourStartPoint(c); },
        [this](std::int32_t c) {
            RecordingSurface surface;
            DrawContour(surface, c, 0);
        },
        [this](std::int32_t c) { EraseContour(c); },
        [this](std::int32_t c) { IsContourErased(c); },
        [this](std::int32_t c) { CompressContour(c); },
    };
    for (const auto& use : accessors)
        EXPECT_THROW(use(1), std::out_of_range) << "nothing traced yet";
    TraceOnePixel();
    for (const auto& use : accessors)
        for (std::int32_t c : {-1, 0, 3, 1 << 30})
            EXPECT_THROW(use(c), std::out_of_range) << c;
    EXPECT_EQ(CurrentContour(), 0) << "a refused index is not the current contour";
}

TEST_F(ContourStoreTest, ErasedContourKeepsOnlyItsStartPoint)
{
    TraceOnePixel();
    EXPECT_EQ(Points(2), (Jordan{{3.0, 2.5}, {3.5, 3.0}, {4.0, 2.5}, {3.5, 2.0}}));
    EXPECT_FALSE(IsContourErased(2));
    EraseContour(2);
    EXPECT_TRUE(IsContourErased(2));
    EXPECT_FALSE(IsContourErased(1));
    EXPECT_EQ(Points(2), (Jordan{{3.0, 2.5}}));
    EXPECT_EQ(ContourStartPoint(2), (RealPoint{3.0, 2.5}));
    EXPECT_EQ(ContourStartPoint(1), (RealPoint{0.5, 0.0}));
}

TEST_F(ContourStoreTest, CurrentContourIsTheLastFetchedEvenAfterANewTrace)
{
    TraceOnePixel();
    EXPECT_EQ(CurrentContour(), 0);
    Points(2);
    Points(1);
    EXPECT_EQ(CurrentContour(), 1);
    Trace(BitImage(3, 3, true));
    EXPECT_EQ(CurrentContour(), 1);
}

TEST_F(ContourStoreTest, DrawingLeavesTheClosingEdgeUndrawn)
{
    TraceOnePixel();
    RecordingSurface surface;
    DrawContour(surface, 2, Algemeen::kRed);
    EXPECT_EQ(surface.calls, "pen 255;move 3,2;line 3,3;line 4,2;line 3,2;");
    surface.calls.clear();
    EraseContour(2);
    DrawContour(surface, 2, Algemeen::kLime);
    EXPECT_EQ(surface.calls, "pen 65280;move 3,2;");
}

TEST_F(ContourStoreTest, SinglePixelKeepsAllFourPoints)
{
    TraceOnePixel();
    CompressContour(2);
    EXPECT_EQ(Points(2).Length(), 4);
    EXPECT_EQ(platform.console.Text(), "Left after Compression = 100 %\n");
}

TEST_F(ContourStoreTest, RectangleCompressesToItsCutCorners)
{
    std::vector<std::string> rows(11, std::string(13, '.'));
    for (int y = 3; y < 7; ++y)
        rows[static_cast<std::size_t>(y)].replace(3, 6, "######");
    Trace(rows);
    ASSERT_EQ(ContourCount(), 2);
    ASSERT_EQ(Points(2).Length(), 20);
    EXPECT_EQ(Points(2)[0], (RealPoint{3.0, 3.5}));
    CompressContour(2);
    EXPECT_EQ(Points(2),
              (Jordan{{3, 3.5}, {3, 6.5}, {3.5, 7}, {8.5, 7}, {9, 6.5}, {9, 3.5}, {8.5, 3}, {3.5, 3}}));
    EXPECT_EQ(platform.console.Text(), "Left after Compression = 37 %\n"); // 7 of 19
}

TEST_F(ContourStoreTest, WhiteEdgeCompressesToEightPoints)
{
    Trace(BitImage(10, 6, false));
    ASSERT_EQ(Points(1).Length(), 32);
    CompressContour(1);
    EXPECT_EQ(Points(1),
              (Jordan{{0.5, 0}, {9.5, 0}, {10, 0.5}, {10, 5.5}, {9.5, 6}, {0.5, 6}, {0, 5.5}, {0, 0.5}}));
    EXPECT_EQ(platform.console.Text(), "Left after Compression = 23 %\n"); // 7 of 31
    platform.console.Clear();
    CompressContour(1);
    EXPECT_EQ(Points(1).Length(), 8) << "a compressed ring is stable";
}

TEST_F(ContourStoreTest, CompressingAnErasedContourChangesNothingAndReportsItAllLeft)
{
    TraceOnePixel();
    EraseContour(2);
    CompressContour(2);
    EXPECT_EQ(Points(2), (Jordan{{3.0, 2.5}}));
    EXPECT_EQ(platform.console.Text(), "Left after Compression = 100 %\n");
}

// On any picture, compression keeps the start point and a subsequence of the ring's points.
TEST_F(ContourStoreTest, CompressionKeepsTheStartAndTheOrderOfThePointsItKeeps)
{
    std::mt19937 random(11);
    Trace(RandomPicture(60, 40, 0.2, random));
    for (std::int32_t c = 1; c <= ContourCount(); ++c) {
        const Jordan before = Points(c);
        CompressContour(c);
        const Jordan after = Points(c);
        ASSERT_GE(after.Length(), 3) << c;
        EXPECT_EQ(after[0], before[0]);
        std::ptrdiff_t k = 0;
        for (const RealPoint& p : after) {
            while (k < before.Length() && !(before[k] == p))
                ++k;
            ASSERT_LT(k, before.Length()) << "contour " << c << " gained or reordered a point";
            ++k;
        }
    }
}
