#include "ProcessPass.h"

#include "BMPunit.h"
#include "Unit1.h"

#include <chrono>
#include <cmath>
#include <memory>

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

// Gives every hole the largest accepted outline that contains its start point.
void Containment(RunState& state, Algemeen::EventPump& events, Contour& work)
{
    const std::int32_t n = BMPunit::ContourCount();
    state.CardOf.SetLength(n + 1);
    for (std::int32_t k = 1; k <= state.CandidateCount; ++k) {
        events.PumpEvents();
        const std::int32_t o = state.CandidateOrder[k];
        state.CardOf[o] = o;
        if (BMPunit::IsContourErased(o))
            continue;
        BMPunit::GetContour(o, work.Points);
        for (std::int32_t p = state.CandidateCount + 1; p <= n; ++p) {
            const std::int32_t h = state.CandidateOrder[p];
            if (BMPunit::IsContourErased(h) || state.CardOf[h] > 0)
                continue;
            if (work.Contains(BMPunit::ContourStartPoint(h)))
                state.CardOf[h] = o;
        }
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
