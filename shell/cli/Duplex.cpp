#include "Duplex.h"

#include "BatchRead.h"
#include "CardJson.h"
#include "PngFile.h"
#include "korvane/CardPicture.h"

#include <algorithm>

namespace Cli {

std::optional<DuplexOrder> DuplexOrderNamed(const std::string& name)
{
    if (name == "front-first")
        return DuplexOrder::FrontFirst;
    if (name == "back-first")
        return DuplexOrder::BackFirst;
    return std::nullopt;
}

namespace {

using nlohmann::json;
using Unit1::FusedCard;
using Unit1::FusedColumn;

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
    side.refusal = Unit1::SideRefusal(side.scan);
    return side;
}

const korvane::CardResult* Decoded(const korvane::CardResult* card)
{
    return card != nullptr && card->Decoded ? card : nullptr;
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

Batch::CardRecord RecordOfPair(const std::optional<FusedCard>& paired, const korvane::CardResult* front,
                               const korvane::CardResult* back, const korvane::CardResult* anyFront,
                               const korvane::CardResult* anyBack, const std::string& frontFile,
                               const std::string& backFile)
{
    Batch::CardRecord record;
    json& content = record.content;
    const korvane::CardResult* located = anyBack != nullptr ? anyBack : anyFront;
    if (located != nullptr)
        content["centre"] = json::array({located->Centre.X, located->Centre.Y});
    if (!paired) {
        // Neither side's columns were read: the card is kept, with why.
        content["message"] = located != nullptr ? located->Message : std::string(korvane::kNotACard);
        content["duplex"] = SideJson(frontFile, backFile, nullptr, "neither");
        record.review.orientationUnsettled = true;
        return record;
    }
    const FusedCard& fused = *paired;
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
    Batch::PictureOutcome outcome;
    for (const Unit1::PairedCard& card : Unit1::FusePictures(front.scan, back.scan, map)) {
        const int f = card.front, b = card.back;
        const korvane::CardResult* anyFront = f >= 0 ? &front.scan.Cards[std::size_t(f)] : nullptr;
        const korvane::CardResult* anyBack = b >= 0 ? &back.scan.Cards[std::size_t(b)] : nullptr;
        outcome.cards.push_back(RecordOfPair(card.fused, Decoded(anyFront), Decoded(anyBack), anyFront,
                                             anyBack, frontFile, backFile));
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

namespace {

std::string Joined(const std::vector<std::string>& parts, const char* separator)
{
    std::string joined;
    for (const std::string& part : parts)
        joined += (joined.empty() ? "" : separator) + part;
    return joined;
}

// What keeps a fused card from black (`inDoubt` then set), and how it was read, as the note after
// its text.
std::vector<std::string> PairNotes(const json& content, const json& duplex, bool& inDoubt)
{
    std::vector<std::string> notes;
    const auto columns = [](const std::vector<int>& list) {
        std::vector<std::string> named;
        for (const int column : list)
            named.push_back(std::to_string(column));
        return Joined(named, ", ");
    };
    if (const std::vector<int> disagree = duplex.value("disagree", std::vector<int>()); !disagree.empty())
        notes.push_back("sides disagree: " + columns(disagree));
    std::vector<std::string> doubtful;
    for (const json& doubt : content.value("doubtfulColumns", json::array())) {
        const std::string reason = doubt.value("reason", std::string());
        if (reason != Unit1::kSidesDisagree && reason != "unknown")
            doubtful.push_back(std::to_string(doubt.value("column", 0)) + " " + reason);
    }
    if (!doubtful.empty())
        notes.push_back("doubtful: " + Joined(doubtful, ", "));
    if (const std::vector<int> unknown = content.value("unknownColumns", std::vector<int>());
        !unknown.empty())
        notes.push_back("unknown: " + columns(unknown));
    const std::string verdict =
        content.contains("orientation") ? content["orientation"].value("verdict", "") : "";
    if (!verdict.empty() && verdict != "settled")
        notes.push_back("orientation: " + verdict);
    inDoubt = !notes.empty();
    const std::string sides = duplex.value("sides", std::string());
    if (sides == "front" || sides == "back")
        notes.push_back(sides + " only");
    if (const auto refused = duplex.find("refused"); refused != duplex.end())
        for (const auto& [side, reason] : refused->items())
            notes.push_back(side + ": " + reason.get<std::string>());
    return notes;
}

} // namespace

std::vector<std::string> PairLines(const std::string& unit, const Batch::PictureOutcome& outcome)
{
    if (outcome.refused)
        return {unit + " [red]: " + outcome.reason};
    std::vector<std::string> lines;
    for (const Batch::CardRecord& card : outcome.cards) {
        const json& content = card.content;
        const json duplex = content.value("duplex", json::object());
        const std::string files = duplex.value("front", unit) + " + " + duplex.value("back", unit);
        bool inDoubt = false;
        const std::vector<std::string> notes = PairNotes(content, duplex, inDoubt);
        const bool read = content.contains("text");
        const bool black = read && !inDoubt;
        std::string line =
            files + (black ? " [black]: " : " [red]: ") +
            (read ? content["text"].get<std::string>() : content.value("message", std::string()));
        if (!notes.empty())
            line += "  (" + Joined(notes, "; ") + ")";
        lines.push_back(std::move(line));
    }
    return lines;
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
