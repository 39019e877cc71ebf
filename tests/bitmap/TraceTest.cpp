#include "TracingFixture.h"

using namespace BMPunit;
using Algemeen::Jordan;
using Algemeen::RealPoint;
using TestSupport::ParseBitmap;

namespace {

// ---- slow references, kept here only ---------------------------------------------------------

// The pieces of a picture, cell by cell and pixel by pixel, from the four piece tables.
std::vector<ContourNode> ReferencePieces(const BitImage& image)
{
    static const int kStartX[16] = {9, 2, 1, 2, 1, 1, 9, 1, 0, 9, 1, 2, 0, 0, 1, 9};
    static const int kStartY[16] = {9, 1, 2, 1, 0, 0, 9, 0, 1, 9, 2, 1, 1, 1, 2, 9};
    static const int kEndX[16] = {9, 1, 0, 0, 2, 1, 9, 0, 1, 9, 1, 1, 2, 1, 2, 9};
    static const int kEndY[16] = {9, 2, 1, 1, 1, 2, 9, 1, 0, 9, 0, 0, 1, 2, 1, 9};
    auto black = [&](int x, int y) {
        return x < 0 || y < 0 || x >= image.width || y >= image.height || image.Black(x, y);
    };
    std::vector<ContourNode> nodes(1);
    auto emit = [&](int sx, int sy, int ex, int ey) {
        nodes.push_back({sx, sy, 0});
        nodes.push_back({ex, ey, 0});
    };
    for (int y = 0; y <= image.height; ++y)
        for (int x = 0; x <= image.width; ++x) {
            const int code =
                black(x - 1, y - 1) * 8 + black(x, y - 1) * 4 + black(x - 1, y) * 2 + black(x, y);
            if (code == 6) {
                emit(2 * x, 2 * y - 1, 2 * x - 1, 2 * y);
                emit(2 * x, 2 * y + 1, 2 * x + 1, 2 * y);
            } else if (code == 9) {
                emit(2 * x + 1, 2 * y, 2 * x, 2 * y - 1);
                emit(2 * x - 1, 2 * y, 2 * x, 2 * y + 1);
            } else if (code != 0 && code != 15) {
                emit(2 * x + kStartX[code] - 1, 2 * y + kStartY[code] - 1, 2 * x + kEndX[code] - 1,
                     2 * y + kEndY[code] - 1);
            }
        }
    return nodes;
}

// The numbering walk: rings in order of their lowest node.
std::vector<std::int32_t> ReferenceStarts(const std::vector<ContourNode>& nodes, int n)
{
    std::vector<bool> visited(static_cast<std::size_t>(n) + 1, false);
    std::vector<std::int32_t> starts(1, 0);
    for (int i = 1; i <= n; ++i) {
        if (visited[static_cast<std::size_t>(i)])
            continue;
        starts.push_back(i);
        for (int p = i; !visited[static_cast<std::size_t>(p)]; p = nodes[static_cast<std::size_t>(p)].next)
            visited[static_cast<std::size_t>(p)] = true;
    }
    return starts;
}

// The forward scan over all later pieces, then the compaction.
void ReferenceLink(std::vector<ContourNode>& nodes)
{
    const int n = static_cast<int>(nodes.size() - 1) / 2;
    auto start = [&](int k) -> ContourNode& { return nodes[static_cast<std::size_t>(2 * k - 1)]; };
    auto end = [&](int k) -> ContourNode& { return nodes[static_cast<std::size_t>(2 * k)]; };
    auto match = [](const ContourNode& a, const ContourNode& b) { return a.x == b.x && a.y == b.y; };
    for (int k = 1; k <= n; ++k) {
        if (start(k).next > 0 && end(k).next > 0)
            continue;
        for (int j = k + 1; j <= n; ++j) {
            bool matched = false;
            if (match(end(k), start(j))) {
                end(k).next = j;
                start(j).next = k;
                matched = true;
            }
            if (match(end(j), start(k))) {
                end(j).next = k;
                start(k).next = j;
                matched = true;
            }
            if (start(k).next > 0 && end(k).next > 0 && matched)
                break;
        }
    }
    for (int i = 1; i <= n; ++i)
        nodes[static_cast<std::size_t>(i)] = nodes[static_cast<std::size_t>(2 * i)];
}

// Counts its calls and moves the fake clock on by a millisecond each time.
class TickingEvents : public Algemeen::EventPump
{
public:
    explicit TickingEvents(TestSupport::FakeClock& clock) : clock_(clock) {}
    void PumpEvents() override
    {
        ++calls;
        ++clock_.now;
    }
    int calls = 0;

private:
    TestSupport::FakeClock& clock_;
};

class TraceTest : public TracingFixture
{
};

} // namespace

// ---- single contours -------------------------------------------------------------------------

TEST_F(TraceTest, AllWhitePictureGivesOneClockwiseEdgeContourWithCutCorners)
{
    Trace(BitImage(10, 6, false));
    ASSERT_EQ(ContourCount(), 1);
    const Jordan points = Points(1);
    ASSERT_EQ(points.Length(), 2 * 10 + 2 * 6);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(points[k], (RealPoint{k + 0.5, 0.0})) << k;
    EXPECT_EQ(points[10], (RealPoint{10.0, 0.5}));
    EXPECT_EQ(points[31], (RealPoint{0.0, 0.5}));
    EXPECT_DOUBLE_EQ(SignedArea(points), 60.0 - 4 * 0.125);
    EXPECT_EQ(PieceCount(), 32);
    EXPECT_EQ(BlackPixelCount(), 0);
}

TEST_F(TraceTest, SingleBlackPixelRunsAnticlockwiseThroughItsSideMidpoints)
{
    BitImage image(6, 5, false);
    image.Set(2, 3, true);
    Trace(image);
    ASSERT_EQ(ContourCount(), 2) << "the edge contour comes first: its first cell is (0, 0)";
    const Jordan points = Points(2);
    EXPECT_EQ(points, (Jordan{{2.0, 3.5}, {2.5, 4.0}, {3.0, 3.5}, {2.5, 3.0}}));
    EXPECT_DOUBLE_EQ(SignedArea(points), -0.5);
}

TEST_F(TraceTest, SingleWhitePixelInBlackRunsClockwise)
{
    Trace({"#####", "#####", "##.##", "#####"});
    ASSERT_EQ(ContourCount(), 1);
    const Jordan points = Points(1);
    EXPECT_EQ(points.Length(), 4);
    EXPECT_DOUBLE_EQ(SignedArea(points), 0.5);
}

TEST_F(TraceTest, BlackJoinsAtCornersWhiteDoesNot)
{
    Trace({"......", ".#....", "..#...", "......"});
    ASSERT_EQ(ContourCount(), 2);
    EXPECT_EQ(Points(2).Length(), 8);
    EXPECT_DOUBLE_EQ(SignedArea(Points(2)), -1.0 - 0.5);

    Trace({"######", "#.####", "##.###", "######"});
    ASSERT_EQ(ContourCount(), 2);
    EXPECT_EQ(Points(1).Length(), 4);
    EXPECT_EQ(Points(2).Length(), 4);
    EXPECT_DOUBLE_EQ(SignedArea(Points(1)), 0.5);
    EXPECT_DOUBLE_EQ(SignedArea(Points(2)), 0.5);
}

TEST_F(TraceTest, BlackPixelInTheTopLeftCornerIsANotchOfTheEdge)
{
    Trace({"#...", "....", "...."});
    ASSERT_EQ(ContourCount(), 1);
    const Jordan points = Points(1);
    EXPECT_EQ(points[0], (RealPoint{1.5, 0.0}));
    EXPECT_EQ(points[points.Length() - 2], (RealPoint{0.5, 1.0}));
    EXPECT_EQ(points[points.Length() - 1], (RealPoint{1.0, 0.5}));
    // 12 pixels, three corners cut by 1/8 and the notch cut by 1 + 1/8.
    EXPECT_DOUBLE_EQ(SignedArea(points), 12.0 - 3 * 0.125 - 1.125);
}

TEST_F(TraceTest, AllBlackPictureHasNoPiecesAndNoContours)
{
    Trace(BitImage(7, 3, true));
    EXPECT_EQ(PieceCount(), 0);
    EXPECT_EQ(ContourCount(), 0);
    EXPECT_EQ(BlackPixelCount(), 21);
}

TEST_F(TraceTest, TopDownPictureTracesLikeTheSamePictureStoredBottomUp)
{
    std::mt19937 random(7);
    const BitImage image = RandomPicture(70, 9, 0.4, random);
    Trace(image, false);
    const auto bottomUp = store;
    Trace(image, true);
    EXPECT_GT(ContourCount(), 1);
    EXPECT_EQ(store.ContourNodes, bottomUp.ContourNodes);
    EXPECT_EQ(store.ContourStarts, bottomUp.ContourStarts);
}

// ---- console, log and event pump -------------------------------------------------------------

TEST_F(TraceTest, StatisticsRoundTheBlackShareHalfToEven)
{
    Trace({"#...", "....", "...#", "...."});
    WriteTraceStatistics();
    const auto pieces =
        std::to_string((ReferencePieces(ParseBitmap({"#...", "....", "...#", "...."})).size() - 1) / 2);
    EXPECT_EQ(platform.console.Text(),
              "Contour Pieces = " + pieces + "\nBlack Pixels # = 2\nBlack/White = 12 %\n"); // 12.5

    Trace({"#...", "....", "...#", "#..."});
    WriteTraceStatistics();
    EXPECT_NE(platform.console.Text().find("Black Pixels # = 3\nBlack/White = 19 %\n"), std::string::npos)
        << platform.console.Text(); // 18.75
}

TEST_F(TraceTest, EventsRunBeforeEachRowOfBothPassesAndOncePerPieceWhileLinking)
{
    Load(BitImage(9, 5, false));
    TickingEvents ticking(platform.clock);
    TraceContours(ticking);
    const int rows = 5 + 1;
    EXPECT_EQ(ticking.calls, 2 * rows + PieceCount());
    // Each pass's stopwatch runs from its own start, so each line counts that pass's rows.
    const std::string lines = "Contouring pass I = 6 ms\r\nContouring pass II = 6 ms\r\n";
    EXPECT_EQ(TestSupport::ReadFileText("Vertolkt.log"), lines);
    EXPECT_EQ(platform.console.Text(), "Contouring pass I = 6 ms\nContouring pass II = 6 ms\n");
}

// ---- failures --------------------------------------------------------------------------------

TEST_F(TraceTest, TracingAPictureThatIsNotSoundIsRefusedAndChangesNothing)
{
    Trace(BitImage(4, 4, false));
    ASSERT_EQ(ContourCount(), 1);
    const korvane::Picture good = picture;
    picture.Bytes.resize(picture.FirstRow); // the top row, stored last, lies past the buffer
    EXPECT_THROW(TraceContours(events), std::logic_error);
    EXPECT_EQ(ContourCount(), 1) << "the refused call changes nothing";
    picture = good;
    picture.RowStep = -picture.RowStep; // rows stored from a first row that has none after it
    EXPECT_THROW(TraceContours(events), std::logic_error);
    picture = korvane::Picture{};
    EXPECT_THROW(TraceContours(events), std::logic_error);
}

// A window event that replaces the picture half-way must not let the pass read the new bytes with
// the old geometry.
TEST_F(TraceTest, PictureReplacedDuringAPassStopsTheTrace)
{
    class Replacing : public Algemeen::EventPump
    {
    public:
        explicit Replacing(korvane::Picture& picture) : picture_(picture) {}
        void PumpEvents() override
        {
            if (++calls == 3) {
                BmpFile small;
                small.BitmapBytes = EncodeBitmap(BitImage(3, 2, false), 0);
                small.BitmapFileSize = static_cast<std::int32_t>(small.BitmapBytes.size());
                Algemeen::StringConsole quiet;
                CheckBitmapHeader(small, quiet);
                picture_ = TakePicture(std::move(small));
            }
        }
        int calls = 0;

    private:
        korvane::Picture& picture_;
    } replacing(picture);
    Trace(BitImage(4, 4, false));
    ASSERT_EQ(ContourCount(), 1);
    Load(BitImage(200, 40, false));
    EXPECT_THROW(TraceContours(replacing), std::logic_error);
    EXPECT_EQ(ContourCount(), -1);
}

// ---- the fast steps against the slow references ----------------------------------------------

TEST_F(TraceTest, WordPassEmitsExactlyThePiecesOfTheCellByCellReference)
{
    std::mt19937 random(2024);
    for (int width : {1, 2, 7, 8, 31, 63, 64, 65, 127, 128, 129, 200}) {
        for (double share : {0.05, 0.5, 0.95}) {
            const BitImage image = RandomPicture(width, 1 + static_cast<int>(random() % 9), share, random);
            Load(image, width % 2 == 1);
            TracePieces(events);
            const auto expected = ReferencePieces(image);
            EXPECT_EQ(PieceCount(), static_cast<std::int32_t>(expected.size() - 1) / 2);
            EXPECT_EQ(store.ContourNodes, expected) << "width " << width << " share " << share;
            std::int32_t black = 0;
            for (auto b : image.black)
                black += b;
            EXPECT_EQ(BlackPixelCount(), black);
        }
    }
}

TEST_F(TraceTest, LinkingAndNumberingGiveExactlyTheRingsOfTheForwardScanAndTheWalk)
{
    std::mt19937 random(99);
    for (int round = 0; round < 40; ++round) {
        const int width = 1 + static_cast<int>(random() % 90);
        const int height = 1 + static_cast<int>(random() % 30);
        const double share = (random() % 100) / 100.0;
        Load(RandomPicture(width, height, share, random));
        TracePieces(events);
        auto expected = store.ContourNodes;
        ReferenceLink(expected);
        LinkPieces(events);
        // The ring nodes; the entries after them are left over and never read.
        const auto rings = static_cast<std::size_t>(PieceCount()) + 1;
        expected.resize(rings);
        const auto& nodes = store.ContourNodes;
        ASSERT_EQ(std::vector(nodes.begin(), nodes.begin() + static_cast<std::ptrdiff_t>(rings)), expected)
            << width << " x " << height << " share " << share;
        IndexContours();
        ASSERT_EQ(store.ContourStarts, ReferenceStarts(expected, PieceCount()));
    }
}
