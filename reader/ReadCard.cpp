#include "ReadCard.h"

#include "CardOrientation.h"
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

// Reads the code table and decodes the card's hole cells, the rendering block to the console; on a
// table that cannot be read, only the result's message says so.
void Decode(ReaderContext& reader, CardResult& result)
{
    std::string failure;
    const auto table = ReadCardSpec(reader.CodeTableFile, failure);
    if (!table) {
        result.Message = failure;
        return;
    }
    reader.CodeTable = *table;
    result.Punches = PunchesOf(result.HoleCells);
    DecodedText decoded = DecodeColumns(reader.CodeTable, result.Punches);
    WriteRendering(reader.Log.Out(), decoded);
    result.Decoded = true;
    result.Text = std::move(decoded.Text);
    result.UnknownColumns = std::move(decoded.UnknownColumns);
}

// A card without a cut corner: its punches choose between the grid as fitted and its half turn.
// When they do not decide, it is not decoded and the console and message say so; when they do,
// it is decoded after a console line that says where its orientation came from.
void ReadUncutCard(ReaderContext& reader, CardResult& result)
{
    std::string failure;
    const auto table = ReadCardSpec(reader.CodeTableFile, failure);
    if (!table) {
        result.Message = failure;
        return;
    }
    const PunchVerdict verdict = OrientationFromPunches(*table, result.HoleCells);
    if (verdict == PunchVerdict::HalfTurn)
        TurnGridAndCells(result.Grid, result.HoleCells);
    result.Punches = PunchesOf(result.HoleCells);
    if (verdict == PunchVerdict::Uncertain) {
        result.Orientation = "uncertain";
        reader.Log.Out().Line(kUncertain);
        result.Message = kUncertain;
        return;
    }
    result.Orientation = "from-punches";
    reader.Log.Out().Line(kFromPunches);
    Decode(reader, result);
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
    result.Outline = outline.Points;
    reader.CardModel->BestFit(outline, false);
    const Ogenblik::OrientationJudgement judgement = SettleOrientation(*reader.CardModel, outline);
    result.Orientation = Ogenblik::VerdictName(judgement.verdict);
    result.OrientationScore = judgement.score;
    result.OrientationAlternative = judgement.alternative;
    if (judgement.verdict == Ogenblik::OrientationVerdict::FaceUp) {
        result.Refused = true;
        result.Message = kFaceUp;
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
    if (judgement.verdict == Ogenblik::OrientationVerdict::NoCutCorner)
        ReadUncutCard(reader, result);
    else
        Decode(reader, result);
    return result;
}

} // namespace korvane
