#include "ProcessPass.h"

#include "BMPunit.h"
#include "EdgeTable.h"
#include "ProcessSteps.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace korvane {

using Ogenblik::Contour;
using Ogenblik::Ponskaart;

namespace {

constexpr double kMinimumArea = 1.0;      // square pixels
constexpr double kHoleMarginPixels = 0.5; // pixel rounding of a traced border
constexpr double kHoleMarginMillimetres = 0.1;

void WriteMeasures(Algemeen::Console& console, const Ogenblik::MomentRecord& m, const char* what)
{
    console.WriteReal(m.Size, 15, 5);
    console.WriteReal(m.Trace, 15, 5);
    console.WriteReal(m.RootDeterminant, 15, 5);
    console.Write(what);
    console.EndLine();
}

// Erases the contours of less than one square pixel and ranks the rest by descending signed
// area. Returns the number of positive-area contours.
std::int32_t AreaPass(ReaderContext& state, Algemeen::kolom& areaKey, Contour& work)
{
    const std::int32_t n = state.Store.ContourCount();
    std::int32_t candidates = 0;
    for (std::int32_t i = 1; i <= n; ++i) {
        state.Store.GetContour(i, work.Points);
        work.ComputeAreaAndLength();
        const double a = work.AreaMoments.Size;
        if (std::fabs(a) < kMinimumArea) {
            state.Store.EraseContour(i);
            areaKey[i] = 0.0;
        } else {
            areaKey[i] = -a;
            if (a > 0)
                ++candidates;
        }
    }
    state.CandidateOrder = Algemeen::RankOrder(areaKey);
    return candidates;
}

// A contour whose area, known from the area pass, already rules it out is erased without being
// measured further: area is the first thing the model comparison looks at.
bool AreaRulesOut(ReaderContext& state, std::int32_t c, const Algemeen::kolom& areaKey,
                  const Ponskaart& model)
{
    if (WithinTolerance(-areaKey[c], model.AreaMoments.Size, model.AreaTolerance))
        return false;
    state.Store.EraseContour(c);
    return true;
}

// Keeps the card candidates that match the card model; refused ones are erased. Each accepted
// card's half turn is settled starting from the one its predecessor settled on, so that its
// "Axes Reversed" line says that it lies the other way round than the card before.
bool CardPass(ReaderContext& state, const Algemeen::kolom& areaKey, Contour& work)
{
    const Ponskaart& model = *state.CardModel;
    bool accepted = false;
    bool reversed = false;
    state.CandidateMoments.SetLength(state.CandidateCount + 1);
    for (std::int32_t p = 1; p <= state.CandidateCount; ++p) {
        const std::int32_t o = state.CandidateOrder[p];
        if (AreaRulesOut(state, o, areaKey, model))
            continue;
        state.Store.GetContour(o, work.Points);
        work.ComputeMoments();
        if (!CheckAgainstModel(state, work, model, true))
            continue;
        reversed = model.BestFit(work, reversed, &state.Log.Out()).Reversed;
        state.CandidateMoments[p] = work.AreaMoments;
        state.Store.CompressContour(o, state.Log.Out());
        accepted = true;
    }
    return accepted;
}

// Erases every remaining contour that does not look like a hole.
void HolePass(ReaderContext& state, const Algemeen::kolom& areaKey, double pixelsPerMillimetre, Contour& work)
{
    Ponskaart holeModel;
    holeModel.Scale = pixelsPerMillimetre;
    holeModel.MakeHole(HoleModelMargin(pixelsPerMillimetre));
    holeModel.BuildModel();
    const std::int32_t n = state.Store.ContourCount();
    for (std::int32_t p = state.CandidateCount + 1; p <= n; ++p) {
        const std::int32_t h = state.CandidateOrder[p];
        if (state.Store.IsContourErased(h) || AreaRulesOut(state, h, areaKey, holeModel))
            continue;
        state.Store.GetContour(h, work.Points);
        work.ComputeMoments();
        CheckAgainstModel(state, work, holeModel, false);
    }
}

// The start point of a hole that is still in the store.
struct HoleStart
{
    Algemeen::RealPoint at;
    std::int32_t hole;
};

// Gives every hole the largest accepted outline that contains its start point.
//
// A hole goes to the first card in rank order whose outline contains its start point; the order in
// which one card tests the holes does not matter. So each card tests only the holes whose start lies
// in its reach, found among the holes sorted by the height of their start: the result is that of
// testing every hole against every card.
//
// Remark: testing every hole against every card cost cards x holes; a page of 1000 small cards at
// 20 dpi (1000 outlines, 290 000 holes) took 8.3 s here, and a hostile page packed with smaller cards
// would take hours.
void Containment(ReaderContext& state, Algemeen::EventPump& events, Contour& work)
{
    const std::int32_t n = state.Store.ContourCount();
    state.CardOf = Algemeen::integers(n + 1);
    std::vector<HoleStart> holes;
    for (std::int32_t p = state.CandidateCount + 1; p <= n; ++p) {
        const std::int32_t h = state.CandidateOrder[p];
        if (!state.Store.IsContourErased(h))
            holes.push_back({state.Store.ContourStartPoint(h), h});
    }
    std::sort(holes.begin(), holes.end(),
              [](const HoleStart& a, const HoleStart& b) { return a.at.Y < b.at.Y; });

    for (std::int32_t k = 1; k <= state.CandidateCount; ++k) {
        events.PumpEvents();
        const std::int32_t o = state.CandidateOrder[k];
        state.CardOf[o] = o;
        if (state.Store.IsContourErased(o))
            continue;
        state.Store.GetContour(o, work.Points);
        const Box reach = ReachOf(work.Points);
        const Ogenblik::EdgeTable edges(work);
        auto hole = std::lower_bound(holes.begin(), holes.end(), reach.top,
                                     [](const HoleStart& a, double top) { return a.at.Y < top; });
        for (; hole != holes.end() && hole->at.Y <= reach.bottom; ++hole)
            if (reach.Holds(hole->at) && state.CardOf[hole->hole] == 0 && edges.Contains(hole->at))
                state.CardOf[hole->hole] = o;
    }
}

// Keeps what the pass knows of every accepted card: its moments, its holes in contour-number order
// and its outline's reach in the click index.
void GatherCards(ReaderContext& state)
{
    const std::int32_t n = state.Store.ContourCount();
    std::vector<std::int32_t> slot(static_cast<std::size_t>(n) + 1, -1);
    for (std::int32_t p = 1; p <= state.CandidateCount; ++p) {
        const std::int32_t o = state.CandidateOrder[p];
        if (state.Store.IsContourErased(o))
            continue;
        slot[static_cast<std::size_t>(o)] = p; // the rank, for the moments; replaced below
    }
    std::vector<CardIndex::Entry> reaches;
    Algemeen::Jordan outline;
    for (std::int32_t i = 1; i <= n; ++i) {
        const std::int32_t rank = slot[static_cast<std::size_t>(i)];
        if (rank < 0 || state.CardOf[i] != i)
            continue;
        state.Store.ContourPoints(i, outline);
        slot[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(state.Cards.size());
        state.Cards.push_back({i, state.CandidateMoments[rank], {}});
        reaches.push_back({i, ReachOf(outline)});
    }
    for (std::int32_t i = 1; i <= n; ++i) {
        const std::int32_t card = state.CardOf[i];
        if (card == 0 || card == i || state.Store.IsContourErased(i))
            continue;
        state.Cards[static_cast<std::size_t>(slot[static_cast<std::size_t>(card)])].Holes.push_back(i);
    }
    state.Index.Build(std::move(reaches));
}

// Adds the milliseconds since the last lap to one stage's figure.
class StageClock
{
public:
    explicit StageClock(ProcessPassTimes* times) : times_(times) {}
    void Lap(double ProcessPassTimes::*stage)
    {
        if (!times_)
            return;
        const auto now = std::chrono::steady_clock::now();
        times_->*stage += std::chrono::duration<double, std::milli>(now - last_).count();
        last_ = now;
    }

private:
    ProcessPassTimes* times_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

} // namespace

double CardModelMargin(double pixelsPerMillimetre)
{
    return pixelsPerMillimetre;
}

double HoleModelMargin(double pixelsPerMillimetre)
{
    return kHoleMarginPixels + kHoleMarginMillimetres * pixelsPerMillimetre;
}

bool WithinTolerance(double s, double m, double t)
{
    return std::fabs(s - m) < t;
}

bool DiffersFromModel(const Contour& contour, const Ponskaart& model)
{
    const auto& s = contour.AreaMoments;
    const auto& m = model.AreaMoments;
    return !(WithinTolerance(s.Size, m.Size, model.AreaTolerance) &&
             WithinTolerance(s.Trace, m.Trace, model.TraceTolerance) &&
             WithinTolerance(s.RootDeterminant, m.RootDeterminant, model.DeterminantTolerance));
}

bool CheckAgainstModel(ReaderContext& state, Contour& contour, const Ponskaart& model, bool verbose)
{
    const std::int32_t last = state.Store.CurrentContour;
    contour.ComputeMoments();
    if (DiffersFromModel(contour, model)) {
        state.Store.EraseContour(last);
        return false;
    }
    if (verbose) {
        auto& console = state.Log.Out();
        console.Line("Area, Trace and Determinant:");
        WriteMeasures(console, contour.AreaMoments, "   : specimen");
        WriteMeasures(console, model.AreaMoments, "   : model");
    }
    return true;
}

ProcessFindings ProcessPass(ReaderContext& state, Algemeen::EventPump& events, ProcessPassTimes* times)
{
    StageClock clock(times);
    state.Cards.clear();
    state.Index.Build({});
    const std::int32_t n = state.Store.ContourCount();
    Algemeen::kolom areaKey(n + 1);
    state.CandidateOrder.SetLength(n + 1);
    state.DrawOrder.SetLength(n + 1);
    state.CandidateCount = 0;
    Contour work;

    ProcessFindings found;
    state.CandidateCount = AreaPass(state, areaKey, work);
    found.Candidates = state.CandidateCount;
    clock.Lap(&ProcessPassTimes::area);
    if (state.CandidateCount == 0)
        return found;

    const double scale = state.Scan ? state.Scan->PixelsPerMillimetre : 0.0;
    auto model = std::make_unique<Ponskaart>();
    model->Scale = scale;
    model->MakeCard(CardModelMargin(scale));
    model->BuildModel();
    state.CardModel = std::move(model); // the previous pass's model goes here
    const bool accepted = CardPass(state, areaKey, work);
    clock.Lap(&ProcessPassTimes::card);
    if (!accepted) {
        state.Log.Out().Line("fouteboel");
        return found;
    }

    HolePass(state, areaKey, scale, work);
    clock.Lap(&ProcessPassTimes::hole);
    state.Log.StopWatch("");
    Containment(state, events, work);
    state.Log.StopWatch("Punched inside / outside");
    clock.Lap(&ProcessPassTimes::containment);

    for (std::int32_t i = 1; i <= n; ++i)
        areaKey[i] = state.CardOf[i];
    state.DrawOrder = Algemeen::RankOrder(areaKey);
    GatherCards(state);
    found.Cards = state.Cards;
    return found;
}

} // namespace korvane
