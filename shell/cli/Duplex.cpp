#include "Duplex.h"

#include "BatchRead.h"
#include "CardJson.h"
#include "PngFile.h"
#include "korvane/CardPicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace Cli {

namespace {

using nlohmann::json;

constexpr int kColumns = Algemeen::kCardColumns;
constexpr int kRows = Algemeen::kCardRows;

// How firmly a side's evidence at grid position (i, j) backs the call it made there (`punched`):
// above 0 the more, the firmer; a doubtful position or evidence against the side's own punch
// below 0; no evidence at all 0. A punched call counts the fill over the punched level, a hole
// outline found, and against it dark spilling into the ring; a blank call the fill under the blank
// level and no outline found.
// Remark: a hole covered on one side and a speck filling a hole's rectangle on the other leave the
// same evidence (a firm hole against a firm blank), and no weighing tells them apart. On 200
// punched pairs with 24 such damages, weighing blanks at half gave the 8 specks the column instead
// of the 8 covered holes; either way those columns are doubtful (sides-disagree) and no wrong
// column went unflagged. Full weight keeps the tie with the back, which the reader is made for.
double Firmness(const korvane::CardEvidence* evidence, int i, int j, bool punched)
{
    if (evidence == nullptr)
        return 0.0;
    const korvane::PositionEvidence& at = evidence->At(i, j);
    if (at.Call == korvane::PositionCall::Doubtful)
        return -1.0;
    if (punched != (at.Call == korvane::PositionCall::Punched))
        return -0.5;
    if (punched)
        return (at.Fill - korvane::kPunchedFill) / (1.0 - korvane::kPunchedFill) + (at.Size > 0 ? 0.5 : 0.0) -
               std::max(0.0f, at.Ring);
    return (korvane::kBlankFill - at.Fill) / korvane::kBlankFill + (at.Size > 0 ? 0.0 : 0.5);
}

bool IsDoubtful(const korvane::CardResult& card, int column, korvane::DoubtReason& reason)
{
    for (const korvane::DoubtfulColumn& doubt : card.DoubtfulColumns)
        if (doubt.Column == column) {
            reason = doubt.Reason;
            return true;
        }
    return false;
}

void DecodeFused(FusedCard& fused, const Deck::CodeMap& map)
{
    Deck::CardText text = Deck::DecodeCard(fused.punches, map);
    fused.text80 = std::move(text.text80);
    fused.unknownColumns = std::move(text.unknownColumns);
    for (const int column : fused.unknownColumns)
        if (std::none_of(fused.doubtful.begin(), fused.doubtful.end(),
                         [column](const FusedColumn& doubt) { return doubt.column == column; }))
            fused.doubtful.push_back({column, korvane::DoubtReasonName(korvane::DoubtReason::Unknown)});
    std::sort(fused.doubtful.begin(), fused.doubtful.end(),
              [](const FusedColumn& a, const FusedColumn& b) { return a.column < b.column; });
}

} // namespace

std::optional<DuplexOrder> DuplexOrderNamed(const std::string& name)
{
    if (name == "front-first")
        return DuplexOrder::FrontFirst;
    if (name == "back-first")
        return DuplexOrder::BackFirst;
    return std::nullopt;
}

FusedCard FuseSides(const korvane::CardResult* front, const korvane::CardResult* back,
                    const Deck::CodeMap& map)
{
    if (front == nullptr && back == nullptr)
        throw std::invalid_argument("FuseSides needs at least one side");
    FusedCard fused;
    if (front == nullptr || back == nullptr) {
        const korvane::CardResult& side = front != nullptr ? *front : *back;
        fused.oneSide = front != nullptr ? "front" : "back";
        fused.punches = side.Punches;
        for (const korvane::DoubtfulColumn& doubt : side.DoubtfulColumns)
            fused.doubtful.push_back({doubt.Column, korvane::DoubtReasonName(doubt.Reason)});
        DecodeFused(fused, map);
        return fused;
    }
    for (int column = 1; column <= kColumns; ++column) {
        const std::size_t k = static_cast<std::size_t>(column - 1);
        const int i = kColumns - column; // the grid column of text column `column`
        const Algemeen::ColumnPunches f = front->Punches[k], b = back->Punches[k], differ = f ^ b;
        // The side whose evidence at the differing positions is the firmer decides all of them,
        // so the column shows what one side read rather than a mixture neither read.
        double frontFirm = 0.0, backFirm = 0.0;
        for (int j = 0; j < kRows; ++j)
            if ((differ >> j) & 1) {
                frontFirm += Firmness(front->Evidence.get(), i, j, (f >> j) & 1);
                backFirm += Firmness(back->Evidence.get(), i, j, (b >> j) & 1);
            }
        // The back, the side the reader is made for, wins a tie.
        const auto punches =
            static_cast<Algemeen::ColumnPunches>((f & b) | ((frontFirm > backFirm ? f : b) & differ));
        fused.punches[k] = punches;
        korvane::DoubtReason frontReason{}, backReason{};
        if (differ != 0) {
            fused.disagree.push_back(column);
            fused.doubtful.push_back({column, kSidesDisagree});
        } else if (IsDoubtful(*front, column, frontReason) && IsDoubtful(*back, column, backReason)) {
            // The sides agree, but neither is sure of the column.
            fused.doubtful.push_back({column, korvane::DoubtReasonName(backReason)});
        }
    }
    DecodeFused(fused, map);
    return fused;
}

std::vector<std::pair<int, int>> PairCards(const korvane::ScanResult& front, const korvane::ScanResult& back)
{
    using Point = std::array<double, 2>;
    auto normalised = [](const korvane::ScanResult& scan) {
        std::vector<Point> points;
        for (const korvane::CardResult& card : scan.Cards)
            points.push_back({card.Centre.X / std::max(1.0, double(scan.Width)),
                              card.Centre.Y / std::max(1.0, double(scan.Height))});
        return points;
    };
    std::vector<Point> fronts = normalised(front);
    const std::vector<Point> backs = normalised(back);
    // The front as it lies on the back: in place, or turned half way.
    double best = INFINITY;
    std::vector<Point> placed;
    for (const bool turned : {false, true}) {
        std::vector<Point> candidate = fronts;
        for (Point& p : candidate)
            if (turned)
                p = {1.0 - p[0], 1.0 - p[1]};
        double cost = 0.0;
        for (const Point& p : candidate) {
            double nearest = backs.empty() ? 0.0 : INFINITY;
            for (const Point& q : backs)
                nearest = std::min(nearest, std::hypot(p[0] - q[0], p[1] - q[1]));
            cost += nearest;
        }
        if (cost < best) {
            best = cost;
            placed = std::move(candidate);
        }
    }
    // Closest pairs first.
    std::vector<std::tuple<double, int, int>> candidates;
    for (std::size_t f = 0; f < placed.size(); ++f)
        for (std::size_t b = 0; b < backs.size(); ++b)
            candidates.emplace_back(std::hypot(placed[f][0] - backs[b][0], placed[f][1] - backs[b][1]),
                                    int(f), int(b));
    std::sort(candidates.begin(), candidates.end());
    std::vector<int> partnerOfFront(placed.size(), -1), partnerOfBack(backs.size(), -1);
    for (const auto& [distance, f, b] : candidates)
        if (partnerOfFront[std::size_t(f)] < 0 && partnerOfBack[std::size_t(b)] < 0) {
            partnerOfFront[std::size_t(f)] = b;
            partnerOfBack[std::size_t(b)] = f;
        }
    std::vector<std::pair<int, int>> pairs;
    for (std::size_t f = 0; f < placed.size(); ++f)
        pairs.emplace_back(int(f), partnerOfFront[f]);
    for (std::size_t b = 0; b < backs.size(); ++b)
        if (partnerOfBack[b] < 0)
            pairs.emplace_back(-1, int(b));
    return pairs;
}

namespace {

struct SideScan
{
    korvane::ScanResult scan;
    std::string refusal; // why the side cannot be read; empty when it can
};

SideScan ReadSide(korvane::Reader& reader, const std::string& file, const Batch::Deadline& deadline)
{
    Batch::DeadlinePump pump(deadline);
    const Imaging::DecodeStop stop([&deadline] { return deadline.Expired(); });
    SideScan side{reader.ReadFile(file, pump), ""};
    if (side.scan.Open == korvane::OpenStatus::NotAPicture)
        deadline.Check();
    if (side.scan.Open == korvane::OpenStatus::Missing)
        side.refusal = "does Not exist";
    else if (side.scan.Open == korvane::OpenStatus::NotAPicture)
        side.refusal = side.scan.Reason.empty() ? "Not a proper B/W picture" : side.scan.Reason;
    else if (!side.scan.Processed)
        side.refusal = korvane::kNotACard;
    return side;
}

const korvane::CardResult* Decoded(const SideScan& side, int index)
{
    if (index < 0 || !side.refusal.empty())
        return nullptr;
    const korvane::CardResult& card = side.scan.Cards[std::size_t(index)];
    return card.Decoded ? &card : nullptr;
}

// Both sides' review pictures next to each other, the front on the left.
Algemeen::Raster SideBySide(const SideScan& front, int f, const SideScan& back, int b)
{
    std::vector<Algemeen::Raster> parts;
    if (f >= 0 && front.refusal.empty())
        parts.push_back(korvane::CardPicture(front.scan.Picture, front.scan.Cards[std::size_t(f)]));
    if (b >= 0 && back.refusal.empty())
        parts.push_back(korvane::CardPicture(back.scan.Picture, back.scan.Cards[std::size_t(b)]));
    constexpr std::int32_t kGap = 8;
    std::int32_t width = 0, height = 0;
    for (const Algemeen::Raster& part : parts) {
        width += part.Width() + (width > 0 ? kGap : 0);
        height = std::max(height, part.Height());
    }
    Algemeen::Raster both(width, height);
    std::int32_t x0 = 0;
    for (const Algemeen::Raster& part : parts) {
        for (std::int32_t y = 0; y < part.Height(); ++y)
            for (std::int32_t x = 0; x < part.Width(); ++x)
                both.SetPixel(x0 + x, y, part.Pixel(x, y));
        x0 += part.Width() + kGap;
    }
    return both;
}

json SideJson(const std::string& frontFile, const std::string& backFile, const FusedCard* fused,
              const char* sides)
{
    return {{"front", frontFile},
            {"back", backFile},
            {"disagree", fused != nullptr ? fused->disagree : std::vector<int>()},
            {"sides", sides}};
}

Batch::CardRecord RecordOfPair(const korvane::CardResult* front, const korvane::CardResult* back,
                               const korvane::CardResult* anyFront, const korvane::CardResult* anyBack,
                               const std::string& frontFile, const std::string& backFile,
                               const Deck::CodeMap& map)
{
    Batch::CardRecord record;
    json& content = record.content;
    const korvane::CardResult* located = anyBack != nullptr ? anyBack : anyFront;
    if (located != nullptr)
        content["centre"] = json::array({located->Centre.X, located->Centre.Y});
    if (front == nullptr && back == nullptr) {
        // Neither side's columns were read: the card is kept, with why.
        content["message"] = located != nullptr ? located->Message : std::string(korvane::kNotACard);
        content["duplex"] = SideJson(frontFile, backFile, nullptr, "neither");
        record.review.orientationUnsettled = true;
        return record;
    }
    const FusedCard fused = FuseSides(front, back, map);
    content["text"] = fused.text80.substr(0, 72);
    content["text80"] = fused.text80;
    content["punches"] = PunchesJson(fused.punches);
    content["unknownColumns"] = fused.unknownColumns;
    json doubtful = json::array();
    for (const FusedColumn& column : fused.doubtful) {
        doubtful.push_back({{"column", column.column}, {"reason", column.reason}});
        record.review.doubtfulColumns.push_back(column.column);
    }
    content["doubtfulColumns"] = doubtful;
    const korvane::CardResult& decider = back != nullptr ? *back : *front;
    content["orientation"] = {{"verdict", korvane::OrientationName(decider.Orientation)}};
    content["duplex"] =
        SideJson(frontFile, backFile, &fused, fused.oneSide.empty() ? "both" : fused.oneSide.c_str());
    record.review.unknownColumns = !fused.unknownColumns.empty();
    record.review.orientationUnsettled = (back == nullptr || !korvane::OrientationSound(back->Orientation)) &&
                                         (front == nullptr || !korvane::OrientationSound(front->Orientation));
    return record;
}

} // namespace

Batch::PictureOutcome ReadPair(korvane::Reader& frontReader, korvane::Reader& backReader,
                               const std::string& frontFile, const std::string& backFile,
                               const Batch::Deadline& deadline, const Deck::CodeMap& map,
                               const std::string& reviewDir, const std::string& reviewName,
                               const std::function<void(const std::string&)>& onReviewFailure)
{
    const SideScan front = ReadSide(frontReader, frontFile, deadline);
    const SideScan back = ReadSide(backReader, backFile, deadline);
    if (!front.refusal.empty() && !back.refusal.empty())
        return Batch::PictureOutcome::Refusal("neither side can be read (front: " + front.refusal +
                                              "; back: " + back.refusal + ")");
    std::vector<std::pair<int, int>> pairs;
    if (front.refusal.empty() && back.refusal.empty())
        pairs = PairCards(front.scan, back.scan);
    else if (front.refusal.empty())
        for (std::size_t f = 0; f < front.scan.Cards.size(); ++f)
            pairs.emplace_back(int(f), -1);
    else
        for (std::size_t b = 0; b < back.scan.Cards.size(); ++b)
            pairs.emplace_back(-1, int(b));
    Batch::PictureOutcome outcome;
    for (const auto& [f, b] : pairs) {
        const korvane::CardResult* anyFront =
            f >= 0 && front.refusal.empty() ? &front.scan.Cards[std::size_t(f)] : nullptr;
        const korvane::CardResult* anyBack =
            b >= 0 && back.refusal.empty() ? &back.scan.Cards[std::size_t(b)] : nullptr;
        outcome.cards.push_back(
            RecordOfPair(Decoded(front, f), Decoded(back, b), anyFront, anyBack, frontFile, backFile, map));
        const Batch::ReviewFlags& review = outcome.cards.back().review;
        // A side that was refused says why beside the card the other side gave.
        for (const auto& [side, scan] : {std::pair{"front", &front}, std::pair{"back", &back}})
            if (!scan->refusal.empty())
                outcome.cards.back().content["duplex"]["refused"][side] = scan->refusal;
        if (!reviewDir.empty() && review.Any() && (anyFront != nullptr || anyBack != nullptr)) {
            try {
                WritePng(SideBySide(front, f, back, b),
                         Batch::ReviewFileName(reviewDir, reviewName, outcome.cards.size(), review));
            } catch (const std::runtime_error& error) {
                if (onReviewFailure)
                    onReviewFailure(error.what());
            }
        }
    }
    return outcome;
}

void DuplexTally::Add(const Batch::PictureOutcome& outcome)
{
    for (const Batch::CardRecord& card : outcome.cards) {
        const auto duplex = card.content.find("duplex");
        if (duplex == card.content.end() || !duplex->is_object())
            continue;
        const std::string sides = duplex->value("sides", std::string());
        if (sides == "front" || sides == "back")
            ++oneSide;
        else if (sides == "both")
            ++(duplex->value("disagree", json::array()).empty() ? agree : disagree);
    }
}

void DuplexTally::Complete(Batch::Summary& summary) const
{
    summary.duplex = Batch::DuplexCounts{agree, disagree, oneSide};
}

} // namespace Cli
