#include "ReadCard.h"

#include "CardOrientation.h"
#include "Decode.h"
#include "FileAccess.h"
#include "GridFit.h"

#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

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

// The code table for a card, read again for every card so that an edit between two cards takes
// effect; the same bytes as last time are not parsed again. Null when the table cannot be read
// (failure then holds the red text line); else the reader's CodeTable, with its index.
const CodeTableEntries* TableForCard(ReaderContext& reader, std::string& failure)
{
    if (reader.FixedCodeTable)
        return &reader.CodeTable;
    const Algemeen::FileBytes file = ReadCodeTableBytes(reader.CodeTableFile);
    if (file.status == Algemeen::FileStatus::Ok && !reader.CodeTableReadName.empty() &&
        reader.CodeTableReadName == reader.CodeTableFile && file.bytes == reader.CodeTableReadBytes)
        return &reader.CodeTable;
    auto table = CardSpecOfFile(reader.CodeTableFile, file, failure);
    reader.CodeTableReadName.clear();
    if (!table)
        return nullptr;
    reader.CodeTable = std::move(*table);
    reader.CodeTableIndex = IndexCodes(reader.CodeTable);
    if (file.status == Algemeen::FileStatus::Ok) {
        reader.CodeTableReadName = reader.CodeTableFile;
        reader.CodeTableReadBytes = file.bytes;
    }
    return &reader.CodeTable;
}

// Decodes the card's punches through the code table, the rendering block to the console. The
// punches of a back are its hole cells; those of a front are what the pixels at each position
// show, weighed here (the print on a front merges with the holes into outlines no hole model takes).
void Decode(ReaderContext& reader, CardResult& result, Algemeen::Console& console)
{
    if (reader.Front && reader.Scan != nullptr) {
        auto evidence = std::make_shared<CardEvidence>(WeighFrontEvidence(*reader.Scan, result.Grid));
        result.Punches = PunchesOfEvidence(*evidence);
        result.Evidence = std::move(evidence);
    } else {
        result.Punches = PunchesOf(result.HoleCells);
    }
    DecodedText all = DecodeColumns(reader.CodeTable, reader.CodeTableIndex, result.Punches, 80);
    DecodedText decoded{all.Text.substr(0, Ogenblik::kTextColumns), {}};
    for (const int column : all.UnknownColumns)
        if (column <= Ogenblik::kTextColumns)
            decoded.UnknownColumns.push_back(column);
    WriteRendering(console, decoded);
    result.Decoded = true;
    result.Text = std::move(decoded.Text);
    result.UnknownColumns = std::move(decoded.UnknownColumns);
    result.Text80 = std::move(all.Text);
    result.UnknownColumns80 = std::move(all.UnknownColumns);
}

// A card without a cut corner: its punches choose between the grid as fitted and its half turn.
// When they do not decide, it is not decoded and the console and message say so; when they do,
// it is decoded after a console line that says where its orientation came from. Punches that read
// the same every way up (a blank card) need no choice: the card is read as sound, after a console
// line that says so.
void ReadUncutCard(ReaderContext& reader, CardResult& result)
{
    std::string failure;
    if (TableForCard(reader, failure) == nullptr) {
        result.Message = failure;
        return;
    }
    const PunchVerdict verdict = OrientationFromPunches(reader.CodeTableIndex, result.HoleCells);
    if (verdict == PunchVerdict::HalfTurn)
        TurnGridAndCells(result.Grid, result.HoleCells);
    result.Punches = PunchesOf(result.HoleCells);
    if (verdict == PunchVerdict::Uncertain) {
        result.Orientation = Orientation::Uncertain;
        reader.Log.Out().Line(kUncertain);
        result.Message = kUncertain;
        return;
    }
    const bool symmetric = verdict == PunchVerdict::Symmetric;
    result.Orientation = symmetric ? Orientation::Symmetric : Orientation::FromPunches;
    reader.Log.Out().Line(symmetric ? kSymmetric : kFromPunches);
    Decode(reader, result, reader.Log.Out());
}

// The evidence at every hole position of a decoded card, weighed in the picture it was read from
// (when the reader has it), and the columns it leaves in doubt.
void WeighCard(const ReaderContext& reader, const Ogenblik::momenten& holes, CardResult& result)
{
    if (!result.Decoded || reader.Scan == nullptr)
        return;
    if (result.Evidence) { // a front, weighed when its punches were taken
        result.DoubtfulColumns = DoubtfulColumns(*result.Evidence, result.UnknownColumns80);
        return;
    }
    std::vector<FoundHole> found;
    for (std::ptrdiff_t l = 1; l < holes.Length(); ++l)
        found.push_back({holes[l].Centre, std::abs(holes[l].Size),
                         l < result.HoleCells.Length() ? result.HoleCells[l] : Algemeen::IntPoint{}});
    auto evidence = std::make_shared<CardEvidence>(WeighEvidence(*reader.Scan, result.Grid, found));
    result.DoubtfulColumns = DoubtfulColumns(*evidence, result.UnknownColumns80);
    result.Evidence = std::move(evidence);
}

} // namespace

namespace {

// What ReadCard and ReadBothWays share: the card's outline judged by its cut corner, and (unless
// it lies face up) its grid fitted to its holes and the holes placed in its cells, the fit lines
// to `console`.
struct FittedCard
{
    CardResult result;
    Ogenblik::OrientationVerdict verdict = Ogenblik::OrientationVerdict::Settled;
    Ogenblik::momenten holes;
};

FittedCard FitCard(ReaderContext& reader, std::int32_t card, Algemeen::Console& console)
{
    const AcceptedCard* accepted = reader.FindCard(card);
    if (accepted == nullptr)
        throw std::out_of_range("contour " + std::to_string(card) + " is no accepted card");
    FittedCard fitted;
    CardResult& result = fitted.result;
    result.Contour = card;
    result.Front = reader.Front;

    Ogenblik::Contour outline;
    reader.Store.ContourPoints(card, outline.Points);
    outline.ComputeMoments();
    result.Outline = outline.Points;
    const Ogenblik::Ponskaart& model = *reader.CardModel;
    Ogenblik::BestFitVerdict turn = model.BestFit(outline);
    const Ogenblik::OrientationJudgement judgement = SettleOrientation(model, outline, turn);
    fitted.verdict = judgement.verdict;
    switch (judgement.verdict) {
    case Ogenblik::OrientationVerdict::Settled:
        result.Orientation = Orientation::Settled;
        break;
    case Ogenblik::OrientationVerdict::FaceUp:
        result.Orientation = Orientation::FaceUp;
        break;
    case Ogenblik::OrientationVerdict::NoCutCorner:
        result.Orientation = Orientation::NoCutCorner;
        break;
    }
    result.OrientationScore = judgement.score;
    result.OrientationAlternative = judgement.alternative;
    if (judgement.verdict == Ogenblik::OrientationVerdict::FaceUp) {
        result.Refused = true;
        result.Message = kFaceUp;
        return fitted;
    }

    fitted.holes = HoleMoments(reader, *accepted);
    const Ogenblik::GridFitResult fit =
        Ogenblik::FitGridToHoles(model, turn, accepted->Moments, fitted.holes, console);
    result.Grid = fit.Grid;
    result.FitFirst = fit.FitFirst;
    result.FitLast = fit.FitLast;
    result.HasFitLast = fit.HasFitLast;
    result.HoleCells = Ogenblik::PlaceHoles(fit.Grid, fitted.holes, console);
    return fitted;
}

} // namespace

CardResult ReadCard(ReaderContext& reader, std::int32_t card)
{
    FittedCard fitted = FitCard(reader, card, reader.Log.Out());
    CardResult& result = fitted.result;
    if (result.Refused)
        return result;
    if (fitted.verdict == Ogenblik::OrientationVerdict::NoCutCorner) {
        ReadUncutCard(reader, result);
    } else {
        // On a table that cannot be read, only the result's message says so.
        std::string failure;
        if (TableForCard(reader, failure) == nullptr)
            result.Message = failure;
        else
            Decode(reader, result, reader.Log.Out());
    }
    WeighCard(reader, fitted.holes, result);
    return result;
}

std::optional<BothWays> ReadBothWays(ReaderContext& reader, std::int32_t card)
{
    Algemeen::NullConsole quiet;
    FittedCard fitted = FitCard(reader, card, quiet);
    std::string failure;
    if (fitted.verdict != Ogenblik::OrientationVerdict::NoCutCorner ||
        TableForCard(reader, failure) == nullptr)
        return std::nullopt;
    BothWays both;
    switch (OrientationFromPunches(reader.CodeTableIndex, fitted.result.HoleCells)) {
    case PunchVerdict::AsFitted:
    case PunchVerdict::Symmetric: // reads the same either way: an ordinary read takes it as fitted
        both.Chosen = 0;
        break;
    case PunchVerdict::HalfTurn:
        both.Chosen = 1;
        break;
    case PunchVerdict::Uncertain:
        break;
    }
    both.AsFitted = fitted.result;
    both.HalfTurned = std::move(fitted.result);
    TurnGridAndCells(both.HalfTurned.Grid, both.HalfTurned.HoleCells);
    for (CardResult* reading : {&both.AsFitted, &both.HalfTurned}) {
        reading->Orientation = Orientation::FromPunches;
        Decode(reader, *reading, quiet);
        WeighCard(reader, fitted.holes, *reading);
    }
    return both;
}

} // namespace korvane
