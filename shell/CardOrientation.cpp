#include "CardOrientation.h"

#include "CardSpec.h"
#include "RenderCard.h"

namespace Unit1 {

using Ogenblik::OrientationVerdict;

Ogenblik::OrientationJudgement SettleOrientation(RunState& state, const Ogenblik::Contour& outline)
{
    Ogenblik::Ponskaart& model = *state.CardModel;
    const Ogenblik::OrientationJudgement judgement =
        Ogenblik::JudgeOrientation(Ogenblik::PlacementScores(model, outline));
    state.LastReading.orientation = Ogenblik::VerdictName(judgement.verdict);
    state.LastReading.orientationScore = judgement.score;
    state.LastReading.orientationAlternative = judgement.alternative;
    if (judgement.verdict == OrientationVerdict::Settled && Ogenblik::Reverses(judgement.best))
        Ogenblik::NegatePoint(model.AreaMoments.Axis);
    return judgement;
}

PunchVerdict JudgeByPunches(std::int32_t asFitted, std::int32_t halfTurn)
{
    if (halfTurn >= kPunchLead * asFitted + kPunchMargin)
        return PunchVerdict::AsFitted;
    if (asFitted >= kPunchLead * halfTurn + kPunchMargin)
        return PunchVerdict::HalfTurn;
    return PunchVerdict::Uncertain;
}

bool OrientationFromPunches(Window& window, RunState& state, PunchVerdict& verdict)
{
    if (!ReadCardSpec(window))
        return false;
    const auto& cells = state.HoleCells;
    verdict = JudgeByPunches(UnknownColumns(cells, false, false), UnknownColumns(cells, true, true));
    return true;
}

void TurnGridAndCells(RunState& state)
{
    constexpr std::int32_t kColumns = 80, kRows = 12;
    const Algemeen::RealPoint o = state.GridOrigin, c = state.ColumnStep, r = state.RowStep;
    state.GridOrigin = {o.X + (kColumns - 1) * c.X + (kRows - 1) * r.X,
                        o.Y + (kColumns - 1) * c.Y + (kRows - 1) * r.Y};
    state.ColumnStep = {-c.X, -c.Y};
    state.RowStep = {-r.X, -r.Y};
    for (std::ptrdiff_t l = 1; l < state.HoleCells.Length(); ++l) {
        Algemeen::IntPoint& cell = state.HoleCells[l];
        if (cell.X >= 1 && cell.X <= kColumns && cell.Y >= 1 && cell.Y <= kRows)
            cell = {kColumns + 1 - cell.X, kRows + 1 - cell.Y};
    }
}

} // namespace Unit1
