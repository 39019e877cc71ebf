#include "CardPrint.h"
#include "CardRenderer.h"
#include "Duplex.h"
#include "Perspective.h"
#include "Photo.h"
#include "PunchCodes.h"
#include "RoughEdges.h"
#include "TestSupport.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <numbers>
#include <set>
#include <sstream>
#include <tuple>

using namespace Punch;

namespace {

// The code table of the repository as lines.
std::vector<std::string> TableLines()
{
    return TestSupport::ReadFileLines(TestSupport::SourcePath("ibmkaart.txt"));
}

CodeTableResult ParseLines(const std::vector<std::string>& lines, const std::string& ending = "\n")
{
    std::string text;
    for (const auto& line : lines)
        text += line + ending;
    std::istringstream in(text);
    return ParseCodeTable(in);
}

// The keypunch code written out by row names: pattern position of rows 12, 11, 0, 1, ..., 9.
PunchPattern Rows(std::initializer_list<int> rows)
{
    PunchPattern pattern{};
    for (const int row : rows)
        pattern |= Algemeen::RowBit(row == 12 ? 0 : row == 11 ? 1 : row + 2);
    return pattern;
}

std::map<char, PunchPattern> KeypunchCode()
{
    std::map<char, PunchPattern> code{
        {' ', Rows({})}, {'&', Rows({12})}, {'-', Rows({11})}, {'/', Rows({0, 1})}};
    for (int d = 0; d <= 9; ++d)
        code[static_cast<char>('0' + d)] = Rows({d});
    for (int i = 0; i < 9; ++i) {
        code[static_cast<char>('A' + i)] = Rows({12, i + 1});
        code[static_cast<char>('J' + i)] = Rows({11, i + 1});
    }
    for (int i = 0; i < 8; ++i)
        code[static_cast<char>('S' + i)] = Rows({0, i + 2});
    for (int i = 0; i < 6; ++i) {
        code["[.<(+|"[i]] = Rows({12, 8, i + 2});
        code["!$*);^"[i]] = Rows({11, 8, i + 2});
        code[":#@'=\""[i]] = Rows({8, i + 2});
    }
    for (int i = 0; i < 4; ++i)
        code[",%_>"[i]] = Rows({0, 8, i + 3});
    return code;
}

} // namespace

TEST(CodeTableTest, RepositoryTableHoldsTheKeypunchCode)
{
    const auto table = ParseLines(TableLines());
    ASSERT_TRUE(table.ok) << table.message;
    ASSERT_EQ(table.codes.size(), 62u);
    const auto expected = KeypunchCode();
    ASSERT_EQ(expected.size(), 62u);
    std::map<PunchPattern, char> byPattern;
    for (const auto& code : table.codes) {
        ASSERT_EQ(expected.count(code.character), 1u) << "unexpected code '" << code.character << "'";
        EXPECT_EQ(code.pattern, expected.at(code.character)) << "code of '" << code.character << "'";
        EXPECT_TRUE(byPattern.emplace(code.pattern, code.character).second) << "pattern repeated";
    }
    // Punching a character and decoding its column (first code with that pattern) gives it back.
    for (const auto& [character, pattern] : expected) {
        const auto punched = PunchText(std::string(1, character), table.codes);
        ASSERT_TRUE(punched.ok) << punched.message;
        EXPECT_EQ(byPattern.at(punched.punches[0]), character);
        EXPECT_EQ(punched.punches[1], PunchPattern{}) << "columns after the text stay blank";
    }
}

TEST(CodeTableTest, MalformedTablesAreRefusedWithTheLine)
{
    const auto lines = TableLines();
    auto withLine = [&lines](std::size_t number, std::string text) {
        auto copy = lines;
        copy[number - 1] = std::move(text);
        return copy;
    };
    auto bare = lines; // exactly 25 lines of exactly 66 characters still read
    bare.resize(25);
    for (std::size_t i = 11; i < 25; ++i)
        bare[i].resize(66);
    EXPECT_TRUE(ParseLines(bare).ok);
    EXPECT_TRUE(ParseLines(bare, "\r\n").ok) << "CR LF line ends";
    EXPECT_FALSE(ParseLines(withLine(12, lines[11].substr(0, 65)), "\r\n").ok) << "a CR is no character";

    auto table = ParseLines(withLine(12, lines[11].substr(0, 65)));
    EXPECT_FALSE(table.ok);
    EXPECT_NE(table.message.find("line 12 has 65 characters"), std::string::npos) << table.message;

    std::string marked = lines[15];
    marked[8] = 'x';
    table = ParseLines(withLine(16, marked));
    EXPECT_FALSE(table.ok);
    EXPECT_NE(table.message.find("line 16, position 9: mark 'x'"), std::string::npos) << table.message;

    table = ParseLines({lines.begin(), lines.begin() + 20});
    EXPECT_FALSE(table.ok);
    EXPECT_NE(table.message.find("ends before line 21"), std::string::npos) << table.message;

    EXPECT_FALSE(ReadCodeTable("no-such-table.txt").ok);
}

TEST(CodeTableTest, TextWithoutCodeIsRefusedNamingTheCharacter)
{
    const auto codes = ParseLines(TableLines()).codes;
    auto refusal = [&codes](const std::string& text) {
        const auto punched = PunchText(text, codes);
        EXPECT_FALSE(punched.ok) << text;
        return punched.message;
    };
    EXPECT_EQ(refusal("AB?"), "column 3: '?' has no code in ibmkaart.txt");
    EXPECT_EQ(refusal("lower"), "column 1: 'l' has no code in ibmkaart.txt");
    EXPECT_EQ(refusal("A\tB"), "column 2: control character 0x09 has no code in ibmkaart.txt");
    EXPECT_EQ(refusal("CAF\xC3\xA9"), "column 4: '\xC3\xA9' has no code in ibmkaart.txt");
    EXPECT_EQ(refusal(std::string(81, 'A')), "81 columns of text; a card holds 80");

    const auto full = PunchText(std::string(79, ' ') + "9", codes);
    ASSERT_TRUE(full.ok);
    EXPECT_EQ(full.punches[79], Rows({9}));
}

// ---- Rendering -------------------------------------------------------------------------------

namespace {

// A 4-connected region of one colour, measured on pixel centres.
struct Blob
{
    std::int64_t area = 0;
    double sumX = 0.0, sumY = 0.0;
    std::int32_t left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1; // inclusive pixels
    bool touchesBorder = false;
    double CentreX() const { return sumX / static_cast<double>(area); }
    double CentreY() const { return sumY / static_cast<double>(area); }
};

std::vector<Blob> Blobs(const BMPunit::BitImage& image, bool black)
{
    std::vector<Blob> blobs;
    std::vector<std::uint8_t> seen(image.black.size(), 0);
    std::vector<std::pair<std::int32_t, std::int32_t>> stack;
    for (std::int32_t y0 = 0; y0 < image.height; ++y0)
        for (std::int32_t x0 = 0; x0 < image.width; ++x0) {
            if (seen[image.Index(x0, y0)] || image.Black(x0, y0) != black)
                continue;
            Blob blob;
            stack.assign(1, {x0, y0});
            seen[image.Index(x0, y0)] = 1;
            while (!stack.empty()) {
                const auto [x, y] = stack.back();
                stack.pop_back();
                ++blob.area;
                blob.sumX += x + 0.5;
                blob.sumY += y + 0.5;
                blob.left = std::min(blob.left, x), blob.right = std::max(blob.right, x);
                blob.top = std::min(blob.top, y), blob.bottom = std::max(blob.bottom, y);
                blob.touchesBorder |= x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1;
                for (const auto& [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}})
                    if (nx >= 0 && ny >= 0 && nx < image.width && ny < image.height &&
                        !seen[image.Index(nx, ny)] && image.Black(nx, ny) == black) {
                        seen[image.Index(nx, ny)] = 1;
                        stack.push_back({nx, ny});
                    }
            }
            blobs.push_back(blob);
        }
    return blobs;
}

std::vector<Blob> Holes(const BMPunit::BitImage& image)
{
    std::vector<Blob> holes;
    for (const Blob& blob : Blobs(image, true))
        if (!blob.touchesBorder)
            holes.push_back(blob);
    return holes;
}

BMPunit::BitImage Render(const std::string& text, const CardDimensions& card, double scale,
                         double angle = 0.0)
{
    const auto punched = PunchText(text, ParseLines(TableLines()).codes);
    EXPECT_TRUE(punched.ok) << punched.message;
    const std::vector<CardOnPage> cards{{punched.punches, angle}};
    return RenderPage(cards, LayOutPage(cards, card, scale), card, scale);
}

double CardArea(const CardDimensions& c)
{
    return c.width * c.height - c.cutAlongLong * c.cutAlongShort / 2.0;
}
double CardPerimeter(const CardDimensions& c)
{
    return 2.0 * (c.width + c.height) - c.cutAlongLong - c.cutAlongShort +
           std::hypot(c.cutAlongLong, c.cutAlongShort);
}

} // namespace

TEST(CardRendererTest, AreasAgreeWithTheNominalGeometry)
{
    const double scale = 7.874; // 200 dpi
    for (const CardDimensions* card : {&kModelCard, &kRealCard})
        for (const double angle : {0.0, 23.5, 180.0}) {
            SCOPED_TRACE("width " + std::to_string(card->width) + ", angle " + std::to_string(angle));
            const auto image = Render("HELLO, WORLD", *card, scale, angle);
            const auto white = Blobs(image, false);
            ASSERT_EQ(white.size(), 1u);
            const auto holes = Holes(image);
            ASSERT_EQ(holes.size(), 23u);
            std::int64_t holeArea = 0;
            for (const Blob& hole : holes)
                holeArea += hole.area;
            // Half coverage decides each pixel the outline crosses, so the outline's pixel band
            // bounds the error.
            const double band = 0.5 * CardPerimeter(*card) * scale;
            EXPECT_NEAR(static_cast<double>(white[0].area + holeArea), CardArea(*card) * scale * scale, band);
            if (angle == 0.0) {
                EXPECT_NEAR(white[0].right + 1 - white[0].left, card->width * scale, 1.0);
                EXPECT_NEAR(white[0].bottom + 1 - white[0].top, card->height * scale, 1.0);
            }
        }

    const double fine = 600.0 / 25.4;
    for (const CardDimensions* card : {&kModelCard, &kRealCard})
        for (const Blob& hole : Holes(Render("0123456789", *card, fine, -7.0)))
            EXPECT_NEAR(static_cast<double>(hole.area), card->holeWidth * card->holeHeight * fine * fine,
                        0.5 * 2.0 * (card->holeWidth + card->holeHeight) * fine);
}

TEST(CardRendererTest, EdgePixelsAreWhiteFromHalfCoverageOn)
{
    // An unturned card's edges are axis-parallel, so the first and last white pixel across each
    // edge follow from where the edge falls inside its pixel.
    for (const double scale : {3.937, 5.906, 7.874, 11.811, 23.622}) {
        const std::vector<CardOnPage> cards{{}};
        const auto layout = LayOutPage(cards, kModelCard, scale);
        const auto image = RenderPage(cards, layout, kModelCard, scale);
        Blob white; // only the bounds are needed
        for (std::int32_t y = 0; y < image.height; ++y)
            for (std::int32_t x = 0; x < image.width; ++x)
                if (!image.Black(x, y)) {
                    white.left = std::min(white.left, x), white.right = std::max(white.right, x);
                    white.top = std::min(white.top, y), white.bottom = std::max(white.bottom, y);
                }
        const double left = layout.centres[0].x - kModelCard.width * scale / 2.0;
        const double top = layout.centres[0].y - kModelCard.height * scale / 2.0;
        const double right = left + kModelCard.width * scale, bottom = top + kModelCard.height * scale;
        EXPECT_EQ(white.left, std::ceil(left - 0.5)) << "scale " << scale << ", left edge at " << left;
        EXPECT_EQ(white.top, std::ceil(top - 0.5)) << "scale " << scale << ", top edge at " << top;
        EXPECT_EQ(white.right, std::floor(right - 0.5)) << "scale " << scale << ", right edge at " << right;
        EXPECT_EQ(white.bottom, std::floor(bottom - 0.5))
            << "scale " << scale << ", bottom edge at " << bottom;
    }
}

TEST(CardRendererTest, HolesLieOnTheGridMirroredForTheBackView)
{
    // Text column 1 punched in rows 12 and 1 ('A'), column 80 in row 9.
    const std::string text = "A" + std::string(78, ' ') + "9";
    const double scale = 300.0 / 25.4;
    struct Expected
    {
        const CardDimensions* card;
        double column1, column80; // hole centres from the card's left edge, mm
        double row12, row1, row9; // and from its upper edge
    };
    const std::vector<Expected> cases{
        {&kModelCard, 5.7125 + 79 * 2.225, 5.7125, 83 - 6.75 - 11 * 6.315, 83 - 6.75 - 8 * 6.315, 83 - 6.75},
        {&kRealCard, 187.325 - 6.35, 187.325 - 6.35 - 79 * 2.2098, 6.35, 6.35 + 3 * 6.35, 6.35 + 11 * 6.35}};
    for (const auto& expected : cases)
        for (const double angle : {0.0, 90.0, 180.0}) {
            const auto image = Render(text, *expected.card, scale, angle);
            const Blob card = Blobs(image, false).at(0);
            const double width = expected.card->width;
            auto at = [&](double u, double v) { // a point of the unturned card, in page pixels
                if (angle == 0.0)
                    return std::pair{card.left + u * scale, card.top + v * scale};
                if (angle == 90.0) // a quarter turn counter-clockwise: the right-hand edge on top
                    return std::pair{card.left + v * scale, card.top + (width - u) * scale};
                return std::pair{card.right + 1 - u * scale, card.bottom + 1 - v * scale};
            };
            const std::vector<std::pair<double, double>> wanted{at(expected.column1, expected.row12),
                                                                at(expected.column1, expected.row1),
                                                                at(expected.column80, expected.row9)};
            const auto holes = Holes(image);
            ASSERT_EQ(holes.size(), 3u);
            for (const auto& [x, y] : wanted) {
                const bool found = std::any_of(holes.begin(), holes.end(), [&](const Blob& hole) {
                    return std::abs(hole.CentreX() - x) < 1.0 && std::abs(hole.CentreY() - y) < 1.0;
                });
                EXPECT_TRUE(found) << "no hole at " << x << ", " << y << " (angle " << angle << ")";
            }
            // The cut runs from 6 mm left of the upper right corner to 11 mm below it (6.35 and
            // 11.1 mm on a real card).
            auto black = [&](double u, double v) {
                const auto [x, y] = at(u, v);
                return image.Black(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
            };
            EXPECT_TRUE(black(width - 1.0, 8.0)) << "angle " << angle;
            EXPECT_FALSE(black(width - 8.0, 1.0)) << "angle " << angle;
            EXPECT_FALSE(black(1.0, 1.0)) << "angle " << angle;
            EXPECT_FALSE(black(width - 1.0, 13.0)) << "angle " << angle;
        }
}

TEST(CardRendererTest, MatchesAPointSampledReference)
{
    // Each pixel against the share of 16 x 16 sample points inside it that fall on white card,
    // each point's hole found by rounding to the nearest grid position. Pixels too near half
    // coverage for sampling to tell are left out. At 10 dpi one pixel often touches two holes.
    const auto codes = ParseLines(TableLines()).codes;
    const auto punched = PunchText("&&&&&&&&&&----------AAAAAAAAAA0123456789//////////", codes).punches;
    for (const double angle : {0.0, 33.0})
        for (const double scale : {10.0 / 25.4, 25.0 / 25.4})
            for (const CardDimensions* card : {&kModelCard, &kRealCard}) {
                const double cosine = std::cos(angle * std::numbers::pi / 180.0);
                const double sine = std::sin(angle * std::numbers::pi / 180.0);
                const std::vector<CardOnPage> cards{{punched, angle}};
                const auto layout = LayOutPage(cards, *card, scale);
                const auto image = RenderPage(cards, layout, *card, scale);
                auto white = [&](double x, double y) {
                    x -= layout.centres[0].x, y -= layout.centres[0].y;
                    const double u = (cosine * x - sine * y) / scale + card->width / 2.0;
                    const double v = (sine * x + cosine * y) / scale + card->height / 2.0;
                    if (u < 0.0 || v < 0.0 || u > card->width || v > card->height ||
                        v * card->cutAlongLong < (u - card->width + card->cutAlongLong) * card->cutAlongShort)
                        return false;
                    const long i = std::lround((u - card->originX) / card->columnStep);
                    const long m = std::lround((card->originY - (v - card->height)) / card->rowStep);
                    if (i < 0 || i > 79 || m < 0 || m > 11 ||
                        (punched[static_cast<std::size_t>(79 - i)] &
                         Algemeen::RowBit(static_cast<int>(11 - m))) == 0)
                        return true;
                    return std::abs(u - card->originX - i * card->columnStep) > card->holeWidth / 2.0 ||
                           std::abs(v - card->height - card->originY + m * card->rowStep) >
                               card->holeHeight / 2.0;
                };
                int compared = 0, differing = 0;
                for (std::int32_t y = 0; y < image.height; ++y)
                    for (std::int32_t x = 0; x < image.width; ++x) {
                        int inside = 0;
                        for (int a = 0; a < 16; ++a)
                            for (int b = 0; b < 16; ++b)
                                inside += white(x + (a + 0.5) / 16.0, y + (b + 0.5) / 16.0) ? 1 : 0;
                        if (std::abs(inside / 256.0 - 0.5) < 0.15)
                            continue;
                        ++compared;
                        differing += image.Black(x, y) != (inside < 128) ? 1 : 0;
                    }
                EXPECT_EQ(differing, 0) << "of " << compared << " pixels at scale " << scale;
                EXPECT_GT(compared, image.width * image.height * 9 / 10);
            }
}

TEST(CardRendererTest, PageKeepsBlackAroundEveryCard)
{
    const double scale = 150.0 / 25.4;
    const std::vector<CardOnPage> cards{{{}, 3.0}, {{}, -35.0}, {{}, 180.0}};
    const auto layout = LayOutPage(cards, kModelCard, scale);
    const auto white = Blobs(RenderPage(cards, layout, kModelCard, scale), false);
    ASSERT_EQ(white.size(), 3u);
    const double margin = 5.0 * scale;
    for (std::size_t i = 0; i < white.size(); ++i) {
        EXPECT_GE(white[i].left, margin);
        EXPECT_GE(layout.width - 1 - white[i].right, margin);
        const double above = i == 0 ? white[i].top : white[i].top - white[i - 1].bottom - 1;
        EXPECT_GE(above, margin) << "card " << i + 1;
    }
    EXPECT_GE(layout.height - 1 - white.back().bottom, margin);
}

TEST(CardRendererTest, NoiseFlipsIsolatedSpecksReproducibly)
{
    const double scale = 100.0 / 25.4;
    const std::vector<CardOnPage> cards{{PunchText("NOISE", ParseLines(TableLines()).codes).punches, 4.0}};
    const auto clean = RenderPage(cards, LayOutPage(cards, kModelCard, scale), kModelCard, scale);
    auto noisy = clean, again = clean, other = clean;
    const double fraction = 0.01;
    const auto wanted = std::llround(fraction * static_cast<double>(clean.black.size()));
    EXPECT_EQ(AddSpeckNoise(noisy, fraction, 5), wanted);
    AddSpeckNoise(again, fraction, 5);
    AddSpeckNoise(other, fraction, 6);
    EXPECT_EQ(noisy.black, again.black);
    EXPECT_NE(noisy.black, other.black);

    std::int64_t flipped = 0, whiteSpecks = 0;
    for (std::int32_t y = 0; y < clean.height; ++y)
        for (std::int32_t x = 0; x < clean.width; ++x) {
            if (noisy.Black(x, y) == clean.Black(x, y))
                continue;
            ++flipped;
            whiteSpecks += noisy.Black(x, y) ? 0 : 1;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    ASSERT_EQ(noisy.Black(x + dx, y + dy), clean.Black(x, y) != (dx == 0 && dy == 0))
                        << "speck at " << x << ", " << y;
        }
    EXPECT_EQ(flipped, wanted);
    EXPECT_GT(whiteSpecks, 0);
    EXPECT_LT(whiteSpecks, flipped) << "specks of both colours";
}

TEST(CardRendererTest, RoughEdgesWearOnlyTheOuterEdgeReproducibly)
{
    const double scale = 100.0 / 25.4, radius = 0.8 * scale;
    const std::vector<CardOnPage> cards{{PunchText("WORN 1", ParseLines(TableLines()).codes).punches, 4.0}};
    const auto clean = RenderPage(cards, LayOutPage(cards, kModelCard, scale), kModelCard, scale);
    auto worn = clean, again = clean, other = clean;
    const std::int64_t marks = RoughenEdges(worn, radius, 5);
    RoughenEdges(again, radius, 5);
    RoughenEdges(other, radius, 6);
    EXPECT_EQ(worn.black, again.black);
    EXPECT_NE(worn.black, other.black);
    // About one mark per kRoughSpacing radii along the card's edge (about 540 mm).
    const double expected = 540.0 * scale / (kRoughSpacing * radius);
    EXPECT_GT(marks, 0.6 * expected);
    EXPECT_LT(marks, 1.6 * expected);
    // A bite or bump reaches no farther than a radius: every changed pixel lies that close to a
    // pixel of the other colour on the clean page; bites and bumps both occur.
    const auto reach = static_cast<std::int32_t>(std::ceil(radius)) + 1;
    std::int64_t bitten = 0, grown = 0;
    for (std::int32_t y = reach; y + reach < clean.height; ++y)
        for (std::int32_t x = reach; x + reach < clean.width; ++x) {
            if (worn.Black(x, y) == clean.Black(x, y))
                continue;
            (worn.Black(x, y) ? bitten : grown) += 1;
            bool nearEdge = false;
            for (std::int32_t dy = -reach; dy <= reach && !nearEdge; ++dy)
                for (std::int32_t dx = -reach; dx <= reach && !nearEdge; ++dx)
                    nearEdge = clean.Black(x + dx, y + dy) != clean.Black(x, y);
            ASSERT_TRUE(nearEdge) << "changed far from an edge at " << x << ", " << y;
        }
    EXPECT_GT(bitten, 0);
    EXPECT_GT(grown, 0);
}

// ---- Fronts, tilt, duplex ----------------------------------------------------------------------

namespace {

// A single unturned card drawn at `scale`, its ink apart; `at` maps front-view millimetres to
// page pixels.
struct FrontPicture
{
    BMPunit::BitImage paper, ink;
    std::function<std::pair<double, double>(PagePoint)> at;
    const CardDimensions* card = nullptr;
};

FrontPicture DrawCard(const CardOnPage& onPage, const CardDimensions& card, double scale)
{
    const std::vector<CardOnPage> cards{onPage};
    const PageLayout layout = LayOutPage(cards, card, scale);
    FrontPicture picture;
    picture.paper = RenderPage(cards, layout, card, scale, &picture.ink);
    const PagePoint centre = layout.centres[0];
    const bool front = onPage.front;
    picture.at = [=, &card](PagePoint p) {
        const double x = front ? p.x : card.width - p.x; // the back view is the mirror image
        return std::pair{centre.x + (x - card.width / 2.0) * scale,
                         centre.y + (p.y - card.height / 2.0) * scale};
    };
    picture.card = &card;
    return picture;
}

// Pixels set in `image` whose centres lie in the box of the given half sizes (mm) around `centre`,
// and the pixels of the box.
std::pair<int, int> Count(const BMPunit::BitImage& image, const FrontPicture& picture, PagePoint centre,
                          double halfWidth, double halfHeight, double scale)
{
    const auto [cx, cy] = picture.at(centre);
    int set = 0, all = 0;
    for (auto y = static_cast<std::int32_t>(cy - halfHeight * scale); y <= cy + halfHeight * scale; ++y)
        for (auto x = static_cast<std::int32_t>(cx - halfWidth * scale); x <= cx + halfWidth * scale; ++x)
            if (std::abs(x + 0.5 - cx) <= halfWidth * scale && std::abs(y + 0.5 - cy) <= halfHeight * scale) {
                ++all;
                set += image.Black(x, y) ? 1 : 0;
            }
    return {set, all};
}

double Length(PagePoint a, PagePoint b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

} // namespace

TEST(PunchOptionsTest, FrontTiltAndDuplex)
{
    const auto codes = ParseLines(TableLines()).codes;
    const double scale = 300.0 / 25.4;
    const std::string text = "A 9" + std::string(76, ' ') + "Z"; // columns 1, 3 and 80
    const CardPunches punches = PunchText(text, codes).punches;

    const std::vector<std::pair<std::string, std::function<void()>>> cases{
        {"the front is the back mirrored, its ink apart",
         [&] {
             for (const CardDimensions* card : {&kModelCard, &kRealCard}) {
                 CardOnPage back{punches, 0.0};
                 CardOnPage front = back;
                 front.front = true;
                 front.line = text;
                 const FrontPicture b = DrawCard(back, *card, scale), f = DrawCard(front, *card, scale);
                 ASSERT_EQ(b.paper.width, f.paper.width);
                 int differing = 0;
                 for (std::int32_t y = 0; y < b.paper.height; ++y)
                     for (std::int32_t x = 0; x < b.paper.width; ++x)
                         differing += b.paper.Black(x, y) != f.paper.Black(b.paper.width - 1 - x, y) ? 1 : 0;
                 EXPECT_EQ(differing, 0);
             }
         }},
        {"digits are printed at unpunched positions and cut away whole by a hole",
         [&] {
             for (const CardDimensions* card : {&kModelCard, &kRealCard}) {
                 CardOnPage front{punches, 0.0};
                 front.front = true;
                 const FrontPicture f = DrawCard(front, *card, scale);
                 const double hw = card->holeWidth / 2.0, hh = card->holeHeight / 2.0;
                 for (const auto& [column, position, punched] : {std::tuple{1, 4, true},
                                                                 {3, 12, true},
                                                                 {80, 12, true},
                                                                 {2, 4, false},
                                                                 {40, 8, false}}) {
                     SCOPED_TRACE("column " + std::to_string(column) + " position " +
                                  std::to_string(position));
                     const PagePoint centre = FrontHoleCentre(*card, column, position);
                     const auto [ink, inside] = Count(f.ink, f, centre, hw, hh, scale);
                     // Around the hole, out to 0.25 mm, the print leaves the card white.
                     const auto [ringInk, ring] = Count(f.ink, f, centre, hw + 0.25, hh + 0.25, scale);
                     EXPECT_EQ(ringInk, ink);
                     const auto [holePixels, all] = Count(f.paper, f, centre, hw - 0.1, hh - 0.1, scale);
                     EXPECT_EQ(holePixels == all, punched);
                     EXPECT_GT(ink, inside / 20) << "a digit of some ink";
                     EXPECT_LT(ink, inside / 2) << "not taken for a hole";
                 }
             }
         }},
        {"the interpretation line sits above row 12 over its own columns",
         [&] {
             CardOnPage front{punches, 0.0};
             front.front = true;
             front.line = text;
             const FrontPicture f = DrawCard(front, kRealCard, scale);
             const double y = InterpretationLineY(kRealCard);
             EXPECT_LT(y + 1.0, FrontHoleCentre(kRealCard, 1, 1).y - kRealCard.holeHeight / 2.0);
             auto inkOver = [&](int column) {
                 return Count(f.ink, f, {FrontHoleCentre(kRealCard, column, 1).x, y}, 0.8, 1.0, scale).first;
             };
             EXPECT_GT(inkOver(1), 0);
             EXPECT_EQ(inkOver(2), 0);
             EXPECT_GT(inkOver(3), 0);
             EXPECT_EQ(inkOver(79), 0);
             EXPECT_GT(inkOver(80), 0);
         }},
        {"tilt draws the far edges shorter and maps back",
         [&] {
             const double w = 1100.0, h = 500.0;
             const Perspective flat(0.0, 0.0, w, h), top(20.0, 0.0, w, h), right(0.0, 20.0, w, h);
             const auto f = flat.Corners(), t = top.Corners(), r = right.Corners();
             EXPECT_NEAR(Length(f[0], f[1]), w, 1e-9);
             EXPECT_NEAR(Length(f[1], f[2]), h, 1e-9);
             EXPECT_LT(Length(t[0], t[1]), 0.95 * Length(t[3], t[2])); // upper edge away
             EXPECT_LT(Length(r[1], r[2]), 0.95 * Length(r[0], r[3])); // right-hand edge away
             for (const Perspective* p : {&top, &right})
                 for (const PagePoint q : {PagePoint{0.0, 0.0}, {w, h}, {321.0, 123.0}}) {
                     const PagePoint back = p->Unmap(p->Map(q));
                     EXPECT_NEAR(back.x, q.x, 1e-6);
                     EXPECT_NEAR(back.y, q.y, 1e-6);
                 }
             // The warped card covers the quadrilateral its corners are mapped to.
             CardOnPage blank{};
             blank.noCut = true;
             const std::vector<CardOnPage> cards{blank};
             const double coarse = 100.0 / 25.4;
             const PageLayout fine = LayOutPage(cards, kModelCard, 2.0 * coarse);
             const PageLayout layout = LayOutPage(cards, kModelCard, coarse);
             const Perspective tilt(10.0, -15.0, fine.width / 2.0, fine.height / 2.0);
             const auto white =
                 Blobs(WarpPage(RenderPage(cards, fine, kModelCard, 2.0 * coarse), tilt, 2), false);
             ASSERT_EQ(white.size(), 1u);
             const double half = kModelCard.width * coarse / 2.0,
                          halfHeight = kModelCard.height * coarse / 2.0;
             const PagePoint c{fine.centres[0].x / 2.0, fine.centres[0].y / 2.0};
             double twice = 0.0, perimeter = 0.0;
             const std::array<PagePoint, 4> corners{
                 tilt.Map({c.x - half, c.y - halfHeight}), tilt.Map({c.x + half, c.y - halfHeight}),
                 tilt.Map({c.x + half, c.y + halfHeight}), tilt.Map({c.x - half, c.y + halfHeight})};
             for (std::size_t i = 0; i < 4; ++i) {
                 const PagePoint a = corners[i], b = corners[(i + 1) % 4];
                 twice += a.x * b.y - b.x * a.y;
                 perimeter += Length(a, b);
             }
             EXPECT_NEAR(static_cast<double>(white[0].area), std::abs(twice) / 2.0, perimeter);
             EXPECT_GT(layout.width, 0);
         }},
        {"a photo shows holes dark on a lit card, bright on a light box",
         [&] {
             const std::vector<CardOnPage> cards{{punches, 0.0}};
             std::vector<CardOnPage> blank = cards;
             blank[0].punches = {};
             const double coarse = 100.0 / 25.4;
             const PageLayout layout = LayOutPage(cards, kModelCard, 2.0 * coarse);
             FlatPage flat;
             flat.paper = RenderPage(cards, layout, kModelCard, 2.0 * coarse, &flat.ink);
             flat.outline = RenderPage(blank, layout, kModelCard, 2.0 * coarse);
             const Perspective none(0.0, 0.0, layout.width / 2.0, layout.height / 2.0, 40.0);
             const PagePoint centre{layout.centres[0].x / 2.0, layout.centres[0].y / 2.0};
             auto grey = [&](const ColourPicture& photo, PagePoint mm) { // front view mm -> sum of r, g, b
                 const PagePoint at = none.Map({centre.x + (kModelCard.width / 2.0 - mm.x) * coarse,
                                                centre.y + (mm.y - kModelCard.height / 2.0) * coarse});
                 const std::size_t i =
                     (static_cast<std::size_t>(at.y) * static_cast<std::size_t>(photo.width) +
                      static_cast<std::size_t>(at.x)) *
                     3;
                 return photo.rgb[i] + photo.rgb[i + 1] + photo.rgb[i + 2];
             };
             const PagePoint hole = FrontHoleCentre(kModelCard, 1, 4),
                             card = FrontHoleCentre(kModelCard, 40, 6);
             for (const std::string colour : {"cream", "brown", "green"}) {
                 SCOPED_TRACE(colour);
                 PhotoLook look{.wanted = true, .cardColour = colour};
                 const ColourPicture lit = PaintPhoto(flat, none, look, 3);
                 EXPECT_EQ(lit.width, none.Width());
                 EXPECT_GT(grey(lit, card), grey(lit, hole) + 150);
                 look.backlit = true;
                 const ColourPicture box = PaintPhoto(flat, none, look, 3);
                 EXPECT_LT(grey(box, card) + 300, grey(box, hole));
             }
         }},
        {"duplex files sort as pairs in the order asked for",
         [&] {
             for (const bool frontFirst : {true, false}) {
                 std::vector<std::string> written;
                 for (std::size_t n = 1; n <= 12; ++n) {
                     written.push_back(DuplexFileName("dir/out.png", n, frontFirst, frontFirst));
                     written.push_back(DuplexFileName("dir/out.png", n, !frontFirst, frontFirst));
                 }
                 auto sorted = written;
                 std::sort(sorted.begin(), sorted.end());
                 EXPECT_EQ(sorted, written);
                 EXPECT_EQ(written[0], frontFirst ? "dir/out-0001-a-front.png" : "dir/out-0001-a-back.png");
                 EXPECT_EQ(written[3], frontFirst ? "dir/out-0002-b-back.png" : "dir/out-0002-b-front.png");
             }
         }},
        {"damage is one side of a tenth of the cards, seeded, and drawn where it is listed",
         [&] {
             std::vector<CardPunches> deck(200, punches);
             deck[7] = {}; // a blank card can only get a speck
             const auto damage = ChooseDamage(deck, 0.1, 0.1, 11);
             EXPECT_EQ(damage.size(), ChooseDamage(deck, 0.1, 0.1, 11).size());
             EXPECT_NE(DescribeDamage(damage[0]), DescribeDamage(ChooseDamage(deck, 0.1, 0.1, 12)[0]));
             EXPECT_GT(damage.size(), 20u);
             EXPECT_LT(damage.size(), 60u);
             std::set<std::size_t> cards;
             int covered = 0;
             for (const DamageRecord& record : damage) {
                 EXPECT_TRUE(cards.insert(record.card).second) << "card " << record.card << " twice";
                 const bool punched = (deck[record.card][static_cast<std::size_t>(record.damage.column - 1)] &
                                       Algemeen::RowBit(record.damage.position - 1)) != 0;
                 EXPECT_EQ(punched, record.damage.covered);
                 covered += record.damage.covered ? 1 : 0;
             }
             EXPECT_GT(covered, 0);
             EXPECT_LT(covered, static_cast<int>(damage.size()));
             EXPECT_EQ(DescribeDamage({2, false, {17, 8, true}}),
                       "damage: card 3 back column 17 row 5 covered");
             EXPECT_EQ(DescribeDamage({0, true, {80, 1, false}}),
                       "damage: card 1 front column 80 row 12 speck");
             // On the picture: a covered hole is gone, a speck is dark over part of its position.
             CardOnPage back{punches, 0.0};
             back.damage = {{1, 4, true}, {40, 8, false}};
             const FrontPicture b = DrawCard(back, kModelCard, scale);
             const double hw = kModelCard.holeWidth / 2.0, hh = kModelCard.holeHeight / 2.0;
             const auto [coveredDark, coveredAll] =
                 Count(b.paper, b, FrontHoleCentre(kModelCard, 1, 4), hw, hh, scale);
             EXPECT_EQ(coveredDark, 0) << "of " << coveredAll;
             const auto [speck, all] = Count(b.ink, b, FrontHoleCentre(kModelCard, 40, 8), hw, hh, scale);
             EXPECT_GT(speck, all / 2);
             EXPECT_EQ(Holes(b.paper).size(),
                       Holes(DrawCard({punches, 0.0}, kModelCard, scale).paper).size() - 1);
         }},
    };
    for (const auto& [name, check] : cases) {
        SCOPED_TRACE(name);
        check();
    }
}
