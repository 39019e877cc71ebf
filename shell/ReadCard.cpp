#include "ReadCard.h"

#include "BMPunit.h"
#include "CardOrientation.h"
#include "GridBounds.h"
#include "GridFit.h"
#include "RenderCard.h"
#include "Unit1.h"

#include <cmath>

namespace Unit1 {

using Algemeen::RealPoint;
using Ogenblik::momenten;
using Ogenblik::MomentRecord;

namespace {

constexpr double kFitTolerance = 1e-9;
constexpr int kMaxRounds = 100;
constexpr int kUnknowns = 6;
constexpr int kColumns = 80;
constexpr int kRows = 12;

// The area moments the process pass stored for this outline.
const MomentRecord& SpecimenMoments(const RunState& state, std::int32_t card)
{
    std::int32_t p = 1;
    while (p < state.CandidateCount && state.CandidateOrder[p] != card)
        ++p;
    return state.CandidateMoments[p];
}

// The area moments of the card's holes, in contour-number order, at indices 1..n.
momenten HoleMoments(std::int32_t card)
{
    const std::int32_t count = BMPunit::ContourCount();
    std::int32_t n = 0;
    for (std::int32_t i = 1; i <= count; ++i)
        n += IsHoleOf(i, card) ? 1 : 0;
    momenten holes(n + 1);
    Ogenblik::Contour hole;
    std::int32_t l = 0;
    for (std::int32_t i = 1; i <= count; ++i) {
        if (!IsHoleOf(i, card))
            continue;
        BMPunit::GetContour(i, hole.Points);
        hole.ComputeMoments();
        holes[++l] = hole.AreaMoments;
    }
    return holes;
}

// Re-weighted least squares: at most 100 rounds, until the total weight changes by less than the
// tolerance. Falls back to the initial grid when the normal matrix turns out singular. A round
// whose steps stray from the nominal ones, or whose grid weighs the holes more than once (a fit
// collapsed onto a few holes), is not taken: the last sound round's grid stays.
void FitGrid(RunState& state, const momenten& holes, const MomentRecord& specimen)
{
    Ogenblik::InitialGrid(*state.CardModel, specimen, state.GridOrigin, state.ColumnStep, state.RowStep);
    const RealPoint nominalColumn = state.ColumnStep, nominalRow = state.RowStep;
    RealPoint soundOrigin = state.GridOrigin, soundColumn = state.ColumnStep, soundRow = state.RowStep;
    Algemeen::VektorRuimte space;
    space.SetDimension(kUnknowns);
    Algemeen::matrix normal;
    Algemeen::kolom rhs, solution;
    const auto holeListLength = static_cast<std::int32_t>(holes.Length());
    double cur = 0.0, prev = 0.0;
    bool inverted = true;
    for (int k = 0;;) {
        prev = cur;
        cur = Ogenblik::GridNormalEquations(holes, state.GridOrigin, state.ColumnStep, state.RowStep, normal,
                                            rhs);
        if (k == 0)
            state.LastReading.fitFirst = ReportFitQuality("first", cur, holeListLength);
        else if (100.0 * cur / holeListLength > Ogenblik::kMaxFitQuality) {
            state.GridOrigin = soundOrigin;
            state.ColumnStep = soundColumn;
            state.RowStep = soundRow;
            cur = prev;
            break;
        }
        inverted = space.DirekteInverse(normal);
        if (!inverted)
            break;
        space.MultiplyVector(normal, rhs, solution);
        if (!Ogenblik::StepIsSound({solution[2], solution[5]}, nominalColumn) ||
            !Ogenblik::StepIsSound({solution[3], solution[6]}, nominalRow))
            break;
        soundOrigin = state.GridOrigin;
        soundColumn = state.ColumnStep;
        soundRow = state.RowStep;
        state.GridOrigin = {solution[1], solution[4]};
        state.ColumnStep = {solution[2], solution[5]};
        state.RowStep = {solution[3], solution[6]};
        if (std::fabs(cur - prev) < kFitTolerance)
            break;
        if (++k == kMaxRounds)
            break;
    }
    state.LastReading.hasFitLast = inverted;
    if (inverted)
        state.LastReading.fitLast = ReportFitQuality("last", cur, holeListLength);
    else
        Ogenblik::InitialGrid(*state.CardModel, specimen, state.GridOrigin, state.ColumnStep, state.RowStep);
}

// Each hole goes to the grid cell where its bell weighs most; the first such cell on a tie. A hole
// that weighs nothing anywhere keeps the cell (0, 0): no cell.
void PlaceHoles(RunState& state, const momenten& holes)
{
    Algemeen::Schuine bell;
    const RealPoint o = state.GridOrigin, c = state.ColumnStep, r = state.RowStep;
    for (std::ptrdiff_t l = 1; l < holes.Length(); ++l) {
        const MomentRecord& h = holes[l];
        bell.Prepare(h.Sxx, h.Syy, h.Sxy, h.Centre);
        double best = 0.0;
        for (int i = 0; i < kColumns; ++i)
            for (int m = 0; m < kRows; ++m) {
                const RealPoint p{i * c.X + o.X + m * r.X, i * c.Y + o.Y + m * r.Y};
                const double w = bell.Weight(p);
                if (w > best) {
                    best = w;
                    state.HoleCells[l] = {i + 1, m + 1};
                }
            }
    }
}

// A card without a cut corner: its punches choose between the grid as fitted and its half turn,
// and the text, if read, shows in red with a console line that says so.
void ReadUncutCard(Window& window, RunState& state, const momenten& holes)
{
    PlaceHoles(state, holes);
    PunchVerdict verdict = PunchVerdict::AsFitted;
    if (!OrientationFromPunches(window, state, verdict)) {
        DotGrid(window, Algemeen::kBlack);
        return; // the code table's message is shown
    }
    if (verdict == PunchVerdict::HalfTurn)
        TurnGridAndCells(state);
    DotGrid(window, Algemeen::kBlack);
    auto& console = Algemeen::TheConsole();
    if (verdict == PunchVerdict::Uncertain) {
        state.LastReading.orientation = "uncertain";
        console.Line(kUncertain);
        window.SetEditColour(Algemeen::kRed);
        window.SetEditText(kUncertain);
        return;
    }
    state.LastReading.orientation = "from-punches";
    console.Line(kFromPunches);
    RenderCard(window);
    window.SetEditColour(Algemeen::kRed);
}

} // namespace

void ReadCard(Window& window, std::int32_t card)
{
    RunState& state = State();
    state.LastReading = CardReading{};
    state.LastReading.card = card;
    if (state.GridShown)
        DotGrid(window, Algemeen::kWhite);
    const MomentRecord specimen = SpecimenMoments(state, card);

    Ogenblik::Contour outline;
    BMPunit::GetContour(card, outline.Points);
    outline.ComputeMoments();
    state.CardModel->BestFit(outline, false);
    const auto orientation = SettleOrientation(state, outline).verdict;
    if (orientation == Ogenblik::OrientationVerdict::FaceUp) {
        window.SetEditColour(Algemeen::kRed);
        window.SetEditText(kFaceUp);
        return;
    }
    window.SetEditColour(Algemeen::kBlack);
    window.SetEditText("");

    const momenten holes = HoleMoments(card);
    state.HoleCells.SetLength(holes.Length());
    FitGrid(state, holes, specimen);
    state.GridShown = true;
    if (orientation == Ogenblik::OrientationVerdict::NoCutCorner) {
        ReadUncutCard(window, state, holes);
        return;
    }
    DotGrid(window, Algemeen::kBlack);
    PlaceHoles(state, holes);
    RenderCard(window);
}

} // namespace Unit1
