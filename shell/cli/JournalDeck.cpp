#include "JournalDeck.h"

#include "BatchRead.h"
#include "Corrections.h"
#include "DeckOutput.h"
#include "FileAccess.h"
#include "Journal.h"
#include "OutputGuard.h"
#include "ReadScan.h"

#include <fstream>
#include <set>
#include <stdexcept>

namespace Cli {

namespace {

using nlohmann::json;

// One card place of a journal: a card line, or a picture that gave no card (card 0).
struct Place
{
    std::string file;
    std::size_t card = 0;
    json content;       // the card line's object (no punches when its columns were not read)
    std::string reason; // why the place has no card, when it has none
};

// The reason a card line has no punches: its message, or what its review says.
std::string NotReadReason(const json& content)
{
    if (const auto message = content.find("message"); message != content.end() && message->is_string())
        return message->get<std::string>();
    return "its columns were not read";
}

// A journal line as a card place; throws std::invalid_argument when it is no journal line.
Place PlaceOfLine(const std::string& line)
{
    const json object = json::parse(line, nullptr, false);
    const auto file = object.is_object() ? object.find("file") : object.end();
    if (!object.is_object() || file == object.end() || !file->is_string())
        throw std::invalid_argument("is no line of a batch's journal");
    Place place{file->get<std::string>(), 0, object, ""};
    if (const auto refused = object.find("refused"); refused != object.end())
        place.reason = refused->is_string() ? refused->get<std::string>() : "refused";
    else if (const auto card = object.find("card"); card != object.end() && card->is_number_unsigned())
        place.card = card->get<std::size_t>();
    else
        place.reason = "no card found in the picture";
    return place;
}

// The places and corrections of a journal, in its order.
void ReadJournal(const std::string& journal, std::vector<Place>& places, Batch::CorrectionMap& corrections)
{
    const Algemeen::FileBytes probe = Algemeen::ReadRegularFile(journal, 0);
    if (probe.status != Algemeen::FileStatus::Ok)
        throw std::runtime_error(
            journal + ": " +
            (probe.status == Algemeen::FileStatus::Missing ? "cannot be read" : probe.message));
    std::ifstream in(journal, std::ios::binary);
    std::size_t number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        try {
            if (line.size() > Batch::kMaxJournalLineBytes)
                throw std::invalid_argument("is longer than a journal's lines");
            if (std::optional<Batch::Correction> correction = Batch::ParseCorrection(line)) {
                Batch::CorrectionKey key{correction->File, correction->Card};
                corrections.insert_or_assign(std::move(key), std::move(*correction));
            } else {
                places.push_back(PlaceOfLine(line));
            }
        } catch (const std::invalid_argument& wrong) {
            throw std::invalid_argument(journal + ": line " + std::to_string(number) + " " + wrong.what());
        }
    }
    if (in.bad())
        throw std::runtime_error(journal + ": cannot be read");
}

Deck::DeckCard CorrectedCard(const Place& place, const Batch::Correction& correction,
                             const Deck::CodeMap& map)
{
    Deck::DeckCard card;
    if (!DeckCardOfRecord(place.content, place.file, static_cast<int>(correction.Card), card)) {
        card.scanFile = place.file;
        card.cardInPicture = static_cast<int>(correction.Card);
    }
    card.punches = correction.Punches;
    card.text80 = correction.Text80;
    card.unknownColumns = Deck::DecodeCard(correction.Punches, map).unknownColumns;
    card.correctedBy = correction.By;
    return card;
}

} // namespace

std::size_t JournalDeckCards(const std::string& journal, const Deck::CodeMap& map, DeckGaps& gaps,
                             std::vector<Deck::DeckCard>& deck, std::ostream& err)
{
    std::vector<Place> places;
    Batch::CorrectionMap corrections;
    ReadJournal(journal, places, corrections);
    std::set<Batch::CorrectionKey> used;
    for (const Place& place : places) {
        // A picture that gave no card can still be corrected as its card 1.
        const Batch::CorrectionKey key{place.file,
                                       static_cast<std::int32_t>(std::max<std::size_t>(place.card, 1))};
        if (const auto correction = corrections.find(key); correction != corrections.end()) {
            deck.push_back(CorrectedCard(place, correction->second, map));
            used.insert(key);
            continue;
        }
        Deck::DeckCard card;
        if (place.card > 0 && DeckCardOfRecord(place.content, place.file, static_cast<int>(place.card), card))
            deck.push_back(std::move(card));
        else
            gaps.Add({place.file, place.card, place.card > 0 ? NotReadReason(place.content) : place.reason},
                     map, deck, err);
    }
    for (const auto& [key, correction] : corrections)
        if (!used.contains(key))
            err << "korvane-cli: " << journal << ": the correction of " << key.first << " card " << key.second
                << " matches no card of the journal; not used\n";
    return used.size();
}

int RunJournalDeck(const DeckOptions& options, std::ostream& out, std::ostream& err)
{
    const std::optional<Deck::DeckFormat> format = Deck::DeckFormatNamed(options.deckFormat);
    const std::optional<MissingCards> mode = MissingCardsNamed(options.missing);
    if (!format || !mode) {
        err << "korvane-cli: deck: --deck-format or --missing names no choice it has\n";
        return kUsageError;
    }
    if (const std::string refusal = Algemeen::OutputRefusal(options.deck); !refusal.empty()) {
        err << "korvane-cli: --deck " << refusal << "\n";
        return kUnexpected;
    }
    if (const std::string refusal = OverwritesInput(
            "--deck", options.deck, {{"the journal", options.journal}, {"the code table", options.code}});
        !refusal.empty()) {
        err << "korvane-cli: " << refusal << "\n";
        return kRefused;
    }
    Deck::CodeMapResult loaded = LoadCodeMap(options.code);
    if (!loaded.ok) {
        err << "korvane-cli: " << options.code << ": " << loaded.message << "\n";
        return kRefused;
    }
    DeckGaps gaps(*mode, options.missing);
    std::vector<Deck::DeckCard> deck;
    std::size_t corrected = 0;
    try {
        corrected = JournalDeckCards(options.journal, loaded.map, gaps, deck, err);
    } catch (const std::exception& wrong) {
        err << "korvane-cli: " << wrong.what() << "\n";
        return kRefused;
    }
    if (!gaps.MayWrite(options.deck, err))
        return kRefused;
    WriteDeckFile(options.deck, *format, deck, loaded.map);
    out << "Cards in the deck = " << deck.size() << "\nCorrected cards = " << corrected << "\n";
    if (!gaps.Gaps().empty())
        out << (*mode == MissingCards::Blank ? "Blank cards in the deck for cards not read = "
                                             : "Cards left out of the deck = ")
            << gaps.Gaps().size() << "\n";
    return gaps.Gaps().empty() ? kAllRead : kUnknownColumn;
}

} // namespace Cli
