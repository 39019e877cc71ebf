#include "ReviewQueue.h"

#include "BatchRead.h"
#include "CardJson.h"

#include <algorithm>
#include <stdexcept>

namespace Unit1 {

namespace {

// Row r from the top of the card (0 = row 12) is bit 11 - r of a column: row 12 in bit 11, row 9
// in bit 0.
Algemeen::ColumnPunches RowBit(int row)
{
    return static_cast<Algemeen::ColumnPunches>(1u << (11 - row));
}

} // namespace

const char* StateName(CardState state)
{
    switch (state) {
    case CardState::Read:
        return "read";
    case CardState::Doubtful:
        return "doubtful";
    case CardState::NotRead:
        return "not read";
    case CardState::Corrected:
        return "corrected";
    }
    return "";
}

CardState ReviewCard::State() const
{
    if (corrected)
        return CardState::Corrected;
    if (!decoded)
        return CardState::NotRead;
    if (!unknown.empty() || !doubtful.empty() || orientation != "settled")
        return CardState::Doubtful;
    return CardState::Read;
}

void ReviewQueue::SetPictures(const std::vector<std::string>& files)
{
    pictures_.clear();
    cards_.clear();
    done_.clear();
    undone_.clear();
    for (const std::string& file : files)
        pictures_.push_back({file, false, false, {}, {}});
}

ReviewCard ReviewQueue::CardOf(std::size_t picture, int number, const nlohmann::json& content) const
{
    ReviewCard card;
    card.picture = picture;
    card.number = number;
    card.contour = content.value("contour", 0);
    card.orientation = Cli::OrientationOf(content);
    Deck::DeckCard deck;
    card.decoded = Cli::DeckCardOfRecord(content, pictures_[picture].file, number, deck);
    if (card.decoded) {
        card.read = deck.punches;
        card.unknown = content.value("unknownColumns", std::vector<int>());
        if (const auto doubt = content.find("doubtfulColumns"); doubt != content.end() && doubt->is_array())
            for (const auto& column : *doubt)
                if (column.is_object() && column.value("reason", std::string()) != "unknown")
                    card.doubtful.push_back(column.value("column", 0));
    } else {
        card.message = content.value("message", std::string("no punches were read"));
    }
    card.punches = card.kept = card.read;
    return card;
}

void ReviewQueue::AddOutcome(std::size_t index, const Batch::PictureOutcome& outcome)
{
    ReviewPicture& picture = pictures_.at(index);
    picture.done = true;
    picture.refused = outcome.refused;
    picture.reason = outcome.reason;
    for (std::size_t k = 0; k < outcome.cards.size(); ++k) {
        picture.cards.push_back(cards_.size());
        cards_.push_back(CardOf(index, static_cast<int>(k) + 1, outcome.cards[k].content));
    }
}

void ReviewQueue::LoadJournal(const std::vector<std::string>& lines)
{
    SetPictures({});
    for (const std::string& line : lines) {
        if (Batch::LooksLikeCorrection(line))
            continue;
        const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
        if (!object.is_object() || !object.contains("file") || !object["file"].is_string())
            continue;
        const std::string file = object["file"].get<std::string>();
        if (pictures_.empty() || pictures_.back().file != file || object.value("card", 1) == 1)
            pictures_.push_back({file, true, false, {}, {}});
        ReviewPicture& picture = pictures_.back();
        if (object.contains("refused")) {
            picture.refused = true;
            picture.reason = object.value("refused", std::string());
        } else if (object.contains("card")) {
            picture.cards.push_back(cards_.size());
            cards_.push_back(CardOf(pictures_.size() - 1, object.value("card", 0), object));
        }
    }
    for (const auto& [key, correction] : Batch::CorrectionsOf(std::span<const std::string>(lines))) {
        for (ReviewCard& card : cards_)
            if (pictures_[card.picture].file == key.first && card.number == key.second) {
                card.punches = card.kept = correction.Punches;
                card.corrected = card.written = true;
            }
    }
}

std::size_t ReviewQueue::PicturesDone() const
{
    return static_cast<std::size_t>(
        std::count_if(pictures_.begin(), pictures_.end(), [](const ReviewPicture& p) { return p.done; }));
}

std::size_t ReviewQueue::NeedingLook() const
{
    return static_cast<std::size_t>(
        std::count_if(cards_.begin(), cards_.end(), [](const ReviewCard& c) { return c.NeedsLook(); }));
}

std::optional<std::size_t> ReviewQueue::NextToLook(std::optional<std::size_t> from, bool forward) const
{
    const std::size_t n = cards_.size();
    if (n == 0)
        return std::nullopt;
    // From none, forward starts at the first card and backward at the last; `from` itself comes
    // last, when it is the only card left.
    const std::size_t base = from ? *from % n : (forward ? n - 1 : 0);
    for (std::size_t k = 1; k <= n; ++k) {
        const std::size_t at = forward ? (base + k) % n : (base + n - k) % n;
        if (cards_[at].NeedsLook())
            return at;
    }
    return std::nullopt;
}

void ReviewQueue::Apply(std::size_t card, const Algemeen::CardPunches& after)
{
    ReviewCard& c = cards_.at(card);
    done_.push_back({card, c.punches, after});
    undone_.clear();
    c.punches = after;
    lastChanged_ = card;
}

void ReviewQueue::TogglePunch(std::size_t card, int column, int row)
{
    if (column < 1 || column > 80 || row < 0 || row > 11)
        throw std::out_of_range("no such hole position");
    Algemeen::CardPunches after = cards_.at(card).punches;
    after[static_cast<std::size_t>(column - 1)] ^= RowBit(row);
    Apply(card, after);
}

bool ReviewQueue::TypeCharacter(std::size_t card, int column, char c)
{
    if (column < 1 || column > 80)
        throw std::out_of_range("no such column");
    const std::optional<Deck::ColumnPunches> code = map_.PunchesOf(c);
    if (!code)
        return false;
    Algemeen::CardPunches after = cards_.at(card).punches;
    after[static_cast<std::size_t>(column - 1)] = *code;
    Apply(card, after);
    return true;
}

void ReviewQueue::TakeReading(std::size_t card, const Algemeen::CardPunches& punches)
{
    if (cards_.at(card).punches != punches)
        Apply(card, punches);
}

bool ReviewQueue::Undo()
{
    if (done_.empty())
        return false;
    const Edit edit = done_.back();
    done_.pop_back();
    cards_.at(edit.card).punches = edit.before;
    undone_.push_back(edit);
    lastChanged_ = edit.card;
    return true;
}

bool ReviewQueue::Redo()
{
    if (undone_.empty())
        return false;
    const Edit edit = undone_.back();
    undone_.pop_back();
    cards_.at(edit.card).punches = edit.after;
    done_.push_back(edit);
    lastChanged_ = edit.card;
    return true;
}

std::optional<Batch::Correction> ReviewQueue::Accept(std::size_t card)
{
    ReviewCard& c = cards_.at(card);
    if (!c.decoded && !c.Edited() && !c.corrected)
        return std::nullopt;
    c.accepted = true;
    if (c.written && c.punches == c.kept)
        return std::nullopt; // the journal says this already
    c.corrected = true;
    c.written = false;
    return CorrectionOf(card);
}

Batch::Correction ReviewQueue::CorrectionOf(std::size_t card) const
{
    const ReviewCard& c = cards_.at(card);
    Batch::Correction correction;
    correction.File = pictures_.at(c.picture).file;
    correction.Card = c.number;
    correction.Punches = c.punches;
    correction.Text80 = TextOf(c.punches);
    return correction;
}

std::size_t ReviewQueue::Unwritten() const
{
    return static_cast<std::size_t>(std::count_if(cards_.begin(), cards_.end(), [](const ReviewCard& c) {
        return c.accepted && c.corrected && !c.written;
    }));
}

std::string ReviewQueue::TextOf(const Algemeen::CardPunches& punches) const
{
    Deck::CardPunches deck{};
    std::copy(punches.begin(), punches.end(), deck.begin());
    return Deck::DecodeCard(deck, map_).text80;
}

} // namespace Unit1
