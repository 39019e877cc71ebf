#include "ProcessPass.h"

#include "BMPunit.h"
#include "Unit1.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace Unit1 {

using Ogenblik::Contour;
using Ogenblik::Ponskaart;

namespace {

constexpr double kMinimumArea = 1.0;      // square pixels
constexpr double kHoleMarginPixels = 0.5; // pixel rounding of a traced border
constexpr double kHoleMarginMillimetres = 0.1;

void WriteMeasures(const Ogenblik::MomentRecord& m, const char* what)
{
    auto& console = Algemeen::TheConsole();
    console.WriteReal(m.Size, 15, 5);
    console.WriteReal(m.Trace, 15, 5);
    console.WriteReal(m.RootDeterminant, 15, 5);
    console.Write(what);
    console.EndLine();
}

// Erases the contours of less than one square pixel and ranks the rest by descending signed
// area. Returns the number of positive-area contours.
std::int32_t AreaPass(RunState& state, Algemeen::kolom& areaKey, Contour& work)
{
    const std::int32_t n = BMPunit::ContourCount();
    std::int32_t candidates = 0;
    for (std::int32_t i = 1; i <= n; ++i) {
        BMPunit::GetContour(i, work.Points);
        work.ComputeAreaAndLength();
        const double a = work.AreaMoments.Size;
        if (std::fabs(a) < kMinimumArea) {
            BMPunit::EraseContour(i);
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
bool AreaRulesOut(std::int32_t c, const Algemeen::kolom& areaKey, const Ponskaart& model)
{
    if (WithinTolerance(-areaKey[c], model.AreaMoments.Size, model.AreaTolerance))
        return false;
    BMPunit::EraseContour(c);
    return true;
}

// Keeps the card candidates that match the card model; refused ones are erased.
bool CardPass(RunState& state, const Algemeen::kolom& areaKey, Contour& work)
{
    Ponskaart& model = *state.CardModel;
    bool accepted = false;
    state.CandidateMoments.SetLength(state.CandidateCount + 1);
    for (std::int32_t p = 1; p <= state.CandidateCount; ++p) {
        const std::int32_t o = state.CandidateOrder[p];
        if (AreaRulesOut(o, areaKey, model))
            continue;
        BMPunit::GetContour(o, work.Points);
        work.ComputeMoments();
        if (!CheckAgainstModel(work, model, true))
            continue;
        model.BestFit(work, true);
        state.CandidateMoments[p] = work.AreaMoments;
        BMPunit::CompressContour(o);
        accepted = true;
    }
    return accepted;
}

// Erases every remaining contour that does not look like a hole.
void HolePass(const RunState& state, const Algemeen::kolom& areaKey, double pixelsPerMillimetre,
              Contour& work)
{
    Ponskaart holeModel;
    holeModel.Scale = pixelsPerMillimetre;
    holeModel.MakeHole(HoleModelMargin(pixelsPerMillimetre));
    holeModel.BuildModel();
    const std::int32_t n = BMPunit::ContourCount();
    for (std::int32_t p = state.CandidateCount + 1; p <= n; ++p) {
        const std::int32_t h = state.CandidateOrder[p];
        if (BMPunit::IsContourErased(h) || AreaRulesOut(h, areaKey, holeModel))
            continue;
        BMPunit::GetContour(h, work.Points);
        work.ComputeMoments();
        CheckAgainstModel(work, holeModel, false);
    }
}

// The start point of a hole that is still in the store.
struct HoleStart
{
    Algemeen::RealPoint at;
    std::int32_t hole;
};

// The box outside which Contains finds no point of the ring: its bounding box widened by
// points / 3 + 2 pixels. Seen from a point at a distance D > 1 from every point of the ring, the
// winding number is 0 and each edge that Contains leaves out of its angle sum (its line passes
// within a pixel of the point, the edge itself does not) subtends less than 1 / sqrt(D^2 - 1); with
// N edges the sum stays below N / sqrt(D^2 - 1), which is less than 3 when D > N / 3 + 1, so
// short of the pi that an inside point needs.
struct Box
{
    double left, top, right, bottom;
    bool Holds(Algemeen::RealPoint p) const
    {
        return p.X >= left && p.X <= right && p.Y >= top && p.Y <= bottom;
    }
};

Box ReachOf(const Algemeen::Jordan& ring)
{
    Box box{ring[0].X, ring[0].Y, ring[0].X, ring[0].Y};
    for (const auto& p : ring) {
        box.left = std::min(box.left, p.X);
        box.right = std::max(box.right, p.X);
        box.top = std::min(box.top, p.Y);
        box.bottom = std::max(box.bottom, p.Y);
    }
    const double margin = static_cast<double>(ring.Length()) / 3.0 + 2.0;
    return {box.left - margin, box.top - margin, box.right + margin, box.bottom + margin};
}

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
void Containment(RunState& state, Algemeen::EventPump& events, Contour& work)
{
    const std::int32_t n = BMPunit::ContourCount();
    state.CardOf.SetLength(n + 1);
    std::vector<HoleStart> holes;
    for (std::int32_t p = state.CandidateCount + 1; p <= n; ++p) {
        const std::int32_t h = state.CandidateOrder[p];
        if (!BMPunit::IsContourErased(h))
            holes.push_back({BMPunit::ContourStartPoint(h), h});
    }
    std::sort(holes.begin(), holes.end(),
              [](const HoleStart& a, const HoleStart& b) { return a.at.Y < b.at.Y; });

    for (std::int32_t k = 1; k <= state.CandidateCount; ++k) {
        events.PumpEvents();
        const std::int32_t o = state.CandidateOrder[k];
        state.CardOf[o] = o;
        if (BMPunit::IsContourErased(o))
            continue;
        BMPunit::GetContour(o, work.Points);
        const Box reach = ReachOf(work.Points);
        auto hole = std::lower_bound(holes.begin(), holes.end(), reach.top,
                                     [](const HoleStart& a, double top) { return a.at.Y < top; });
        for (; hole != holes.end() && hole->at.Y <= reach.bottom; ++hole)
            if (reach.Holds(hole->at) && state.CardOf[hole->hole] == 0 && work.Contains(hole->at))
                state.CardOf[hole->hole] = o;
    }
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

bool CheckAgainstModel(Contour& contour, const Ponskaart& model, bool verbose)
{
    const std::int32_t last = BMPunit::CurrentContour();
    contour.ComputeMoments();
    if (DiffersFromModel(contour, model)) {
        BMPunit::EraseContour(last);
        return false;
    }
    if (verbose) {
        Algemeen::TheConsole().Line("Area, Trace and Determinant:");
        WriteMeasures(contour.AreaMoments, "   : specimen");
        WriteMeasures(model.AreaMoments, "   : model");
    }
    return true;
}

bool ProcessPass(Algemeen::EventPump& events, ProcessPassTimes* times)
{
    StageClock clock(times);
    RunState& state = State();
    const std::int32_t n = BMPunit::ContourCount();
    Algemeen::kolom areaKey(n + 1);
    state.CandidateOrder.SetLength(n + 1);
    state.DrawOrder.SetLength(n + 1);
    state.CandidateCount = 0;
    Contour work;

    state.CandidateCount = AreaPass(state, areaKey, work);
    clock.Lap(&ProcessPassTimes::area);
    if (state.CandidateCount == 0)
        return false;

    const double scale = BMPunit::PixelsPerMillimetre();
    state.CardModel = std::make_unique<Ponskaart>(); // the previous pass's model goes here
    state.CardModel->Scale = scale;
    state.CardModel->MakeCard(CardModelMargin(scale));
    state.CardModel->BuildModel();
    const bool accepted = CardPass(state, areaKey, work);
    clock.Lap(&ProcessPassTimes::card);
    if (!accepted) {
        Algemeen::TheConsole().Line("fouteboel");
        return false;
    }

    HolePass(state, areaKey, scale, work);
    clock.Lap(&ProcessPassTimes::hole);
    Algemeen::StopWatch("");
    Containment(state, events, work);
    Algemeen::StopWatch("Punched inside / outside");
    clock.Lap(&ProcessPassTimes::containment);

    for (std::int32_t i = 1; i <= n; ++i)
        areaKey[i] = state.CardOf[i];
    state.DrawOrder = Algemeen::RankOrder(areaKey);
    return true;
}

} // namespace Unit1
