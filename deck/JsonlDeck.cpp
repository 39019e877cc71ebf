// The JSON-lines deck: one object per card and line, for archives and scripts. Keys in a fixed
// order, the same names as the cards of korvane-cli --json where both carry a value.
#include "DeckFile.h"

#include <nlohmann/json.hpp>

namespace Deck {

namespace {

using Json = nlohmann::ordered_json;

Json CardObject(const DeckCard& card)
{
    CheckPunches(card.punches);
    Json punches = Json::array();
    for (const ColumnPunches column : card.punches)
        punches.push_back(Octal(column));
    Json object;
    object["scan"] = card.scanFile;
    object["card"] = card.cardInPicture;
    object["text80"] = card.text80;
    object["punches"] = std::move(punches);
    object["unknownColumns"] = card.unknownColumns;
    object["fitQuality"] = {{"first", card.fitFirst}, {"last", card.fitLast ? Json(*card.fitLast) : Json()}};
    object["orientation"] = {{"verdict", card.orientation}};
    object["centre"] = Json::array({card.centre.X, card.centre.Y});
    if (!card.missing.empty())
        object["missing"] = card.missing;
    if (!card.correctedBy.empty())
        object["correctedBy"] = card.correctedBy;
    return object;
}

} // namespace

std::string WriteJsonlDeck(const std::vector<DeckCard>& cards)
{
    std::string bytes;
    for (const auto& card : cards) {
        // A file name or a table character need not be UTF-8; such bytes become U+FFFD instead
        // of stopping the deck.
        bytes += CardObject(card).dump(-1, ' ', false, Json::error_handler_t::replace);
        bytes += '\n';
    }
    return bytes;
}

} // namespace Deck
