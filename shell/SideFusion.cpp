#include "SideFusion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <tuple>

namespace Unit1 {

namespace {

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

std::string SideRefusal(const korvane::ScanResult& side)
{
    if (side.Open == korvane::OpenStatus::Missing)
        return "does Not exist";
    if (side.Open == korvane::OpenStatus::NotAPicture)
        return side.Reason.empty() ? "Not a proper B/W picture" : side.Reason;
    if (!side.Processed)
        return korvane::kNotACard;
    return "";
}

std::vector<PairedCard> FusePictures(const korvane::ScanResult& front, const korvane::ScanResult& back,
                                     const Deck::CodeMap& map)
{
    const bool frontRead = SideRefusal(front).empty(), backRead = SideRefusal(back).empty();
    std::vector<std::pair<int, int>> pairs;
    if (frontRead && backRead)
        pairs = PairCards(front, back);
    else if (frontRead)
        for (std::size_t f = 0; f < front.Cards.size(); ++f)
            pairs.emplace_back(int(f), -1);
    else if (backRead)
        for (std::size_t b = 0; b < back.Cards.size(); ++b)
            pairs.emplace_back(-1, int(b));
    const auto decoded = [](const korvane::ScanResult& side, int index) -> const korvane::CardResult* {
        if (index < 0)
            return nullptr;
        const korvane::CardResult& card = side.Cards[std::size_t(index)];
        return card.Decoded ? &card : nullptr;
    };
    std::vector<PairedCard> cards;
    for (const auto& [f, b] : pairs) {
        PairedCard card{f, b, std::nullopt};
        const korvane::CardResult *frontCard = decoded(front, f), *backCard = decoded(back, b);
        if (frontCard != nullptr || backCard != nullptr)
            card.fused = FuseSides(frontCard, backCard, map);
        cards.push_back(std::move(card));
    }
    return cards;
}

PairReading ReadPicturePair(const std::string& frontFile, const std::string& backFile,
                            const korvane::ReadOptions& options, const Deck::CodeMap& map)
{
    PairReading pair;
    pair.frontFile = frontFile;
    pair.backFile = backFile;
    // The two sides are read at once, the front on a thread of its own: each reading has its own
    // reader and context, and the options name no log file to share.
    korvane::ReadOptions frontOptions = options, backOptions = options;
    frontOptions.Picture.Decoding.Face = Imaging::Side::Front;
    backOptions.Picture.Decoding.Face = Imaging::Side::Back;
    frontOptions.LogFile.clear();
    backOptions.LogFile.clear();
    std::future<korvane::ScanResult> front =
        std::async(std::launch::async, [&] { return korvane::ReadFile(frontFile, frontOptions); });
    pair.back = korvane::ReadFile(backFile, backOptions);
    pair.front = front.get();
    pair.frontRefusal = SideRefusal(pair.front);
    pair.backRefusal = SideRefusal(pair.back);
    if (!pair.Refused())
        pair.cards = FusePictures(pair.front, pair.back, map);
    return pair;
}

std::pair<std::string, std::string> FrontAndBack(const std::string& first, const std::string& second)
{
    const auto names = [](const std::string& path, const char* side) {
        const std::string name = std::filesystem::path(path).filename().string();
        return name.find(side) != std::string::npos;
    };
    const bool firstIsFront = names(first, "front") && !names(first, "back");
    const bool firstIsBack = names(first, "back") && !names(first, "front");
    const bool secondIsFront = names(second, "front") && !names(second, "back");
    const bool secondIsBack = names(second, "back") && !names(second, "front");
    if ((firstIsBack && !secondIsBack) || (secondIsFront && !firstIsFront))
        return {second, first};
    return {first, second};
}

} // namespace Unit1
