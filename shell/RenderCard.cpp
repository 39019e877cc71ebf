#include "RenderCard.h"

#include "BMPunit.h"
#include "CardSpec.h"
#include "Unit1.h"

#include <array>

namespace Unit1 {

namespace {

constexpr int kTextColumns = 80;
constexpr int kDecodedColumns = 72;
constexpr int kRows = 12;
constexpr int kCodes = 62;

using ColumnPattern = std::string; // 12 marks, 'O' punched

std::array<ColumnPattern, kTextColumns + 1> ColumnPatterns(const Algemeen::punten& cells)
{
    std::array<ColumnPattern, kTextColumns + 1> patterns;
    patterns.fill(ColumnPattern(kRows, ' '));
    for (std::ptrdiff_t l = 1; l < cells.Length(); ++l) {
        const Algemeen::IntPoint cell = cells[l];
        if (cell.X < 1 || cell.X > kTextColumns || cell.Y < 1 || cell.Y > kRows)
            continue; // a hole that found no cell of this card's grid
        patterns[static_cast<std::size_t>(kTextColumns + 1 - cell.X)]
                [static_cast<std::size_t>(kRows - cell.Y)] = 'O';
    }
    return patterns;
}

// The lowest code whose pattern equals the column's, 0 when none does.
std::size_t Decode(const CodeTableEntries& table, const ColumnPattern& pattern)
{
    for (std::size_t j = 1; j <= kCodes; ++j)
        if (table[j].size() == kRows + 1 && table[j].compare(1, kRows, pattern) == 0)
            return j;
    return 0;
}

// A rounded grid coordinate that a 32-bit pixel position can hold.
bool ToPixel(double v, std::int32_t& out)
{
    const double r = Algemeen::RoundHalfEven(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        return false;
    out = static_cast<std::int32_t>(r);
    return true;
}

} // namespace

void RenderCard(Window& window)
{
    if (!ReadCardSpec(window))
        return;
    RunState& state = State();
    const auto patterns = ColumnPatterns(state.HoleCells);
    auto& console = Algemeen::TheConsole();
    const std::string rule(kDecodedColumns, '-');
    console.Line("Rendering of PunchCard (1-72):");
    console.Line(rule);
    std::string text;
    bool unknown = false;
    for (std::size_t k = 1; k <= kDecodedColumns; ++k) {
        const std::size_t j = Decode(state.CodeTable, patterns[k]);
        unknown = unknown || j == 0;
        text += state.CodeTable[j].empty() ? '?' : state.CodeTable[j][0];
    }
    console.Line(text);
    console.Line(rule);
    if (unknown)
        console.Line("? = unknown");
    window.SetEditColour(unknown ? Algemeen::kRed : Algemeen::kBlack);
    window.SetEditText(text);
    state.LastReading.rendered = true;
    state.LastReading.text = text;
}

std::int32_t UnknownColumns(const Algemeen::punten& cells, bool mirrorColumns, bool mirrorRows)
{
    Algemeen::punten carried(cells.Length());
    for (std::ptrdiff_t l = 1; l < cells.Length(); ++l) {
        Algemeen::IntPoint cell = cells[l];
        if (cell.X >= 1 && cell.X <= kTextColumns && cell.Y >= 1 && cell.Y <= kRows) {
            if (mirrorColumns)
                cell.X = kTextColumns + 1 - cell.X;
            if (mirrorRows)
                cell.Y = kRows + 1 - cell.Y;
        }
        carried[l] = cell;
    }
    const auto patterns = ColumnPatterns(carried);
    std::int32_t unknown = 0;
    for (std::size_t k = 1; k <= kTextColumns; ++k)
        unknown += Decode(State().CodeTable, patterns[k]) == 0 ? 1 : 0;
    return unknown;
}

void DotGrid(Window& window, Algemeen::Colour colour)
{
    const RunState& state = State();
    const auto& o = state.GridOrigin;
    const auto& c = state.ColumnStep;
    const auto& r = state.RowStep;
    for (int i = 0; i < kTextColumns; ++i)
        for (int m = 0; m < kRows; ++m) {
            std::int32_t x = 0, y = 0;
            if (!ToPixel(i * c.X + o.X + m * r.X, x) || !ToPixel(i * c.Y + o.Y + m * r.Y, y))
                continue;
            if (x >= 0 && y >= 0 && x < BMPunit::ImageWidth() && y < BMPunit::ImageHeight())
                window.SetImagePixel(x, y, colour);
        }
}

bool IsHoleOf(std::int32_t i, std::int32_t card)
{
    if (BMPunit::IsContourErased(i))
        return false;
    const auto& cardOf = State().CardOf;
    return cardOf[i] != i && cardOf[i] == card;
}

double ReportFitQuality(const std::string& label, double fit, std::int32_t holeListLength)
{
    const double percentage = 100.0 * fit / holeListLength;
    auto& console = Algemeen::TheConsole();
    console.Write("Quality of Fit at " + label + " = ");
    console.WriteReal(percentage, 4, 1);
    console.Write(" %");
    console.EndLine();
    return percentage;
}

} // namespace Unit1
