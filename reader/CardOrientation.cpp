#include "CardOrientation.h"

#include "Decode.h"

namespace korvane {

namespace {
constexpr std::int32_t kColumns = Ogenblik::kGridColumns, kRows = Ogenblik::kGridRows;

bool InGrid(Algemeen::IntPoint cell)
{
    return cell.X >= 1 && cell.X <= kColumns && cell.Y >= 1 && cell.Y <= kRows;
}
} // namespace

Ogenblik::OrientationJudgement SettleOrientation(const Ogenblik::Ponskaart& model,
                                                 const Ogenblik::Contour& outline,
                                                 Ogenblik::BestFitVerdict& turn)
{
    const Ogenblik::OrientationJudgement judgement =
        Ogenblik::JudgeOrientation(Ogenblik::PlacementScores(model, outline, turn.Reversed));
    if (judgement.verdict == Ogenblik::OrientationVerdict::Settled && Ogenblik::Reverses(judgement.best))
        turn.Reversed = !turn.Reversed;
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

PunchVerdict OrientationFromPunches(const CodeIndex& codes, const Algemeen::punten& cells)
{
    Algemeen::punten turned(cells.Length());
    for (std::ptrdiff_t l = 1; l < cells.Length(); ++l)
        turned[l] = InGrid(cells[l]) ? Algemeen::IntPoint{kColumns + 1 - cells[l].X, kRows + 1 - cells[l].Y}
                                     : cells[l];
    const Algemeen::CardPunches asFitted = PunchesOf(cells), halfTurn = PunchesOf(turned);
    bool same = true;
    for (std::size_t k = 0; k < asFitted.size() && same; ++k)
        same = codes[asFitted[k]] == codes[halfTurn[k]];
    if (same)
        return PunchVerdict::AsFitted;
    return JudgeByPunches(UnknownColumnCount(codes, asFitted), UnknownColumnCount(codes, halfTurn));
}

void TurnGridAndCells(Ogenblik::CardGrid& grid, Algemeen::punten& cells)
{
    const Algemeen::RealPoint o = grid.Origin, c = grid.ColumnStep, r = grid.RowStep;
    grid.Origin = {o.X + (kColumns - 1) * c.X + (kRows - 1) * r.X,
                   o.Y + (kColumns - 1) * c.Y + (kRows - 1) * r.Y};
    grid.ColumnStep = {-c.X, -c.Y};
    grid.RowStep = {-r.X, -r.Y};
    for (std::ptrdiff_t l = 1; l < cells.Length(); ++l)
        if (InGrid(cells[l]))
            cells[l] = {kColumns + 1 - cells[l].X, kRows + 1 - cells[l].Y};
}

} // namespace korvane
