#include "CardPrint.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string_view>
#include <utility>

namespace Punch {

namespace {

// The stroke font: each glyph is polylines on a grid 4 wide and 6 tall (y down), points written as
// two digits "xy", polylines separated by '|'.
constexpr std::array<std::pair<char, std::string_view>, 62> kFont{{
    {'0', "10 30 41 45 36 16 05 01 10"},
    {'1', "11 20 26|16 36"},
    {'2', "01 10 30 41 42 06 46"},
    {'3', "00 40 23 33 44 45 36 06"},
    {'4', "30 03 43|31 36"},
    {'5', "40 00 02 32 43 45 36 06"},
    {'6', "30 12 03 05 16 36 45 44 33 03"},
    {'7', "00 40 16"},
    {'8', "10 30 41 42 33 13 02 01 10|13 04 05 16 36 45 44 33"},
    {'9', "43 13 02 01 10 30 41 43 24 16"},
    {'A', "06 02 20 42 46|03 43"},
    {'B', "06 00 30 41 42 33 03|33 44 45 36 06"},
    {'C', "40 00 06 46"},
    {'D', "00 30 42 44 36 06 00"},
    {'E', "40 00 06 46|03 33"},
    {'F', "40 00 06|03 33"},
    {'G', "40 00 06 46 43 23"},
    {'H', "00 06|40 46|03 43"},
    {'I', "10 30|20 26|16 36"},
    {'J', "10 40 45 36 16 05"},
    {'K', "00 06|40 03 46"},
    {'L', "00 06 46"},
    {'M', "06 00 23 40 46"},
    {'N', "06 00 46 40"},
    {'O', "00 40 46 06 00"},
    {'P', "06 00 40 43 03"},
    {'Q', "00 40 46 06 00|24 46"},
    {'R', "06 00 40 43 03 46"},
    {'S', "40 00 03 43 46 06"},
    {'T', "00 40|20 26"},
    {'U', "00 06 46 40"},
    {'V', "00 26 40"},
    {'W', "00 06 23 46 40"},
    {'X', "00 46|40 06"},
    {'Y', "00 23 40|23 26"},
    {'Z', "00 40 06 46"},
    {'-', "03 43"},
    {'.', "26 26"},
    {',', "25 16"},
    {'/', "06 40"},
    {'+', "03 43|21 25"},
    {'*', "03 43|12 34|32 14"},
    {'(', "30 12 14 36"},
    {')', "10 32 34 16"},
    {'=', "02 42|04 44"},
    {'&', "46 02 11 21 12 05 16 26 44"},
    {'$', "40 03 43 06|20 26"},
    {'\'', "20 22"},
    {'"', "10 12|30 32"},
    {':', "22 22|25 25"},
    {';', "22 22|25 16"},
    {'<', "40 03 46"},
    {'>', "00 43 06"},
    {'#', "10 16|30 36|02 42|04 44"},
    {'%', "00 00|46 46|40 06"},
    {'@', "33 23 24 34 31 11 05 46"},
    {'!', "20 24|26 26"},
    {'?', "01 10 30 41 42 23 24|26 26"},
    {'_', "06 46"},
    {'|', "20 26"},
    {'[', "30 10 16 36"},
    {']', "10 30 36 16"},
}};

constexpr double kGlyphWidthShare = 4.0 / 6.0; // glyph box width over its height

std::string_view GlyphOf(char character)
{
    const char upper =
        character >= 'a' && character <= 'z' ? static_cast<char>(character - 'a' + 'A') : character;
    for (const auto& [c, strokes] : kFont)
        if (c == upper)
            return strokes;
    return {};
}

// The printed text of the field labels and the columns after which a field line is ruled.
constexpr std::array<std::pair<int, std::string_view>, 5> kLabels{
    {{3, "CODE"}, {13, "NAME"}, {35, "NUMBER"}, {55, "DATE"}, {66, "AMOUNT"}}};
constexpr std::array<int, 8> kFieldEnds{6, 20, 30, 40, 50, 60, 72, 76};

void AddText(std::string_view text, PagePoint centre, double height, double strokeWidth,
             std::vector<InkStroke>& strokes)
{
    const double advance = height * kGlyphWidthShare * 1.4;
    const double first = centre.x - advance * (static_cast<double>(text.size()) - 1.0) / 2.0;
    for (std::size_t i = 0; i < text.size(); ++i)
        AddGlyph(text[i], {first + advance * static_cast<double>(i), centre.y},
                 {height * kGlyphWidthShare, height}, strokeWidth, strokes);
}

} // namespace

PagePoint FrontHoleCentre(const CardDimensions& card, int textColumn, int position)
{
    // The back view has text column 80 at the left; the front mirrors it.
    const double backX = card.originX + (kCardColumns - textColumn) * card.columnStep;
    return {card.width - backX, card.height + card.originY - (kColumnRows - position) * card.rowStep};
}

double InterpretationLineY(const CardDimensions& card)
{
    return (FrontHoleCentre(card, 1, 1).y - card.holeHeight / 2.0) / 2.0;
}

void AddGlyph(char character, PagePoint centre, PagePoint size, double strokeWidth,
              std::vector<InkStroke>& strokes)
{
    const std::string_view glyph = GlyphOf(character);
    // Square stroke ends reach half a width past the points: the box is kept to `size` overall.
    const double width = std::max(0.0, size.x - strokeWidth), height = std::max(0.0, size.y - strokeWidth);
    const double left = centre.x - width / 2.0, top = centre.y - height / 2.0;
    std::size_t at = 0;
    while (at < glyph.size()) {
        const std::size_t end = std::min(glyph.find('|', at), glyph.size());
        std::vector<PagePoint> points;
        for (std::size_t i = at; i + 1 < end; i += 3)
            points.push_back(
                {left + (glyph[i] - '0') * width / 4.0, top + (glyph[i + 1] - '0') * height / 6.0});
        if (points.size() == 1)
            strokes.push_back({points[0], points[0], strokeWidth});
        for (std::size_t i = 1; i < points.size(); ++i)
            strokes.push_back({points[i - 1], points[i], strokeWidth});
        at = end + 1;
    }
}

std::vector<InkStroke> PrintedFace(const CardDimensions& card, const std::string& line)
{
    std::vector<InkStroke> strokes;
    // The digits fit inside their hole rectangle, so a punch cuts them away whole.
    const PagePoint digitSize{0.8 * card.holeWidth, 0.62 * card.holeHeight};
    for (int column = 1; column <= kCardColumns; ++column)
        for (int digit = 0; digit <= 9; ++digit)
            AddGlyph(static_cast<char>('0' + digit), FrontHoleCentre(card, column, digit + 3), digitSize, 0.2,
                     strokes);
    // Column numbers just below the holes of rows 0 and 9.
    const double numberHeight = 0.9;
    for (int column = 1; column <= kCardColumns; ++column)
        for (const int position : {3, 12}) {
            PagePoint centre = FrontHoleCentre(card, column, position);
            centre.y += card.holeHeight / 2.0 + 0.3 + numberHeight / 2.0;
            AddText(std::to_string(column), centre, numberHeight, 0.12, strokes);
        }
    // The interpretation line: each character above its own column.
    const double lineY = InterpretationLineY(card);
    const double lineHeight = std::min(2.0, 1.2 * lineY);
    for (std::size_t i = 0; i < line.size() && i < static_cast<std::size_t>(kCardColumns); ++i)
        AddGlyph(line[i], {FrontHoleCentre(card, static_cast<int>(i) + 1, 1).x, lineY},
                 {std::min(1.5, 0.75 * card.columnStep), lineHeight}, 0.2, strokes);
    // Field lines between columns, from under the interpretation line to near the lower edge.
    for (const int end : kFieldEnds) {
        const double x = (FrontHoleCentre(card, end, 1).x + FrontHoleCentre(card, end + 1, 1).x) / 2.0;
        strokes.push_back({{x, 2.0 * lineY}, {x, card.height - 1.5}, 0.18});
    }
    // Field labels between rows 3 and 4, in the gap between the hole positions.
    const double labelY = (FrontHoleCentre(card, 1, 6).y + FrontHoleCentre(card, 1, 7).y) / 2.0;
    for (const auto& [column, label] : kLabels) {
        const double x = FrontHoleCentre(card, column, 1).x +
                         (static_cast<double>(label.size()) - 1.0) * 1.3 * kGlyphWidthShare * 1.4 / 2.0;
        AddText(label, {x, labelY}, 1.3, 0.15, strokes);
    }
    return strokes;
}

std::vector<InkStroke> Scribbles(const CardDimensions& card, std::uint64_t seed)
{
    std::mt19937_64 random(seed ^ 0x5C81BB1Eull);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<InkStroke> strokes;
    const int lines = 3 + static_cast<int>(random() % 3);
    for (int line = 0; line < lines; ++line) {
        PagePoint at{card.width * (0.1 + 0.8 * unit(random)), card.height * (0.15 + 0.7 * unit(random))};
        double heading = 2.0 * 3.14159265358979 * unit(random);
        const double width = 0.35 + 0.25 * unit(random);
        const int steps = 4 + static_cast<int>(random() % 6);
        // The first line runs on until it leaves the card, as pen strokes over an edge do.
        const bool offEdge = line == 0;
        for (int step = 0; step < (offEdge ? 60 : steps); ++step) {
            heading += (unit(random) - 0.5) * 1.6;
            const double length = 2.0 + 8.0 * unit(random);
            const PagePoint next{at.x + length * std::cos(heading), at.y + length * std::sin(heading)};
            strokes.push_back({at, next, width});
            at = next;
            if (at.x < -2.0 || at.y < -2.0 || at.x > card.width + 2.0 || at.y > card.height + 2.0)
                break;
        }
    }
    return strokes;
}

} // namespace Punch
