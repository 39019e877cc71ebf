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
        Ogenblik::JudgeOrientation(Ogenblik::PlacementScores(model, outline, turn.Reversed),
                                   Ogenblik::CornerMissingShares(model, outline, turn.Reversed));
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
    // The punches with the columns and (or) the rows numbered from the other end: the half turn
    // reverses both, a card mirrored end to end its columns, mirrored across its length its rows.
    auto placed = [&](bool columns, bool rows) {
        Algemeen::punten moved(cells.Length());
        for (std::ptrdiff_t l = 1; l < cells.Length(); ++l) {
            const Algemeen::IntPoint c = cells[l];
            moved[l] = InGrid(c) ? Algemeen::IntPoint{columns ? kColumns + 1 - c.X : c.X,
                                                      rows ? kRows + 1 - c.Y : c.Y}
                                 : c;
        }
        return PunchesOf(moved);
    };
    auto sameText = [&](const Algemeen::CardPunches& a, const Algemeen::CardPunches& b) {
        for (std::size_t k = 0; k < a.size(); ++k)
            if (codes[a[k]] != codes[b[k]])
                return false;
        return true;
    };
    const Algemeen::CardPunches asFitted = PunchesOf(cells), halfTurn = placed(true, true);
    if (!sameText(asFitted, halfTurn))
        return JudgeByPunches(UnknownColumnCount(codes, asFitted), UnknownColumnCount(codes, halfTurn));
    if (sameText(asFitted, placed(true, false)) && sameText(asFitted, placed(false, true)))
        return PunchVerdict::Symmetric;
    return PunchVerdict::AsFitted;
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
