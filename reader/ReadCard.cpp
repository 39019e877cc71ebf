#include "ReadCard.h"

#include "Decode.h"
#include "GridFit.h"

#include <stdexcept>
#include <string>

namespace korvane {

namespace {

// The area moments of the card's holes, in contour-number order, at indices 1..n.
Ogenblik::momenten HoleMoments(ReaderContext& reader, const AcceptedCard& card)
{
    Ogenblik::momenten holes(static_cast<std::ptrdiff_t>(card.Holes.size()) + 1);
    Ogenblik::Contour hole;
    std::ptrdiff_t l = 0;
    for (const std::int32_t i : card.Holes) {
        reader.Store.ContourPoints(i, hole.Points);
        hole.ComputeMoments();
        holes[++l] = hole.AreaMoments;
    }
    return holes;
}

} // namespace

CardResult ReadCard(ReaderContext& reader, std::int32_t card)
{
    const AcceptedCard* accepted = reader.FindCard(card);
    if (accepted == nullptr)
        throw std::out_of_range("contour " + std::to_string(card) + " is no accepted card");
    CardResult result;
    result.Contour = card;

    Ogenblik::Contour outline;
    reader.Store.ContourPoints(card, outline.Points);
    outline.ComputeMoments();
    result.OrientationScore = reader.CardModel->BestFit(outline, false);
    result.Outline = outline.Points;
    if (result.OrientationScore < kRescanScore) {
        result.Refused = true;
        result.Message = kScanAgain;
        return result;
    }

    auto& console = reader.Log.Out();
    const Ogenblik::momenten holes = HoleMoments(reader, *accepted);
    const Ogenblik::GridFitResult fit =
        Ogenblik::FitGridToHoles(*reader.CardModel, accepted->Moments, holes, console);
    result.Grid = fit.Grid;
    result.FitFirst = fit.FitFirst;
    result.FitLast = fit.FitLast;
    result.HasFitLast = fit.HasFitLast;
    result.HoleCells = Ogenblik::PlaceHoles(fit.Grid, holes, console);
    result.Punches = PunchesOf(result.HoleCells);

    std::string failure;
    const auto table = ReadCardSpec(reader.CodeTableFile, failure);
    if (!table) {
        result.Message = failure;
        return result;
    }
    reader.CodeTable = *table;
    DecodedText decoded = DecodeColumns(reader.CodeTable, result.Punches);
    WriteRendering(console, decoded);
    result.Decoded = true;
    result.Text = std::move(decoded.Text);
    result.UnknownColumns = std::move(decoded.UnknownColumns);
    return result;
}

} // namespace korvane
