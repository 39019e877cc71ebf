#include "DeckFile.h"

#include <array>
#include <stdexcept>
#include <utility>

namespace Deck {

namespace {

constexpr std::array<std::pair<DeckFormat, std::string_view>, 4> kNames{{
    {DeckFormat::Text, "text"},
    {DeckFormat::Cbn, "cbn"},
    {DeckFormat::Bin, "bin"},
    {DeckFormat::Jsonl, "jsonl"},
}};

std::vector<CardPunches> PunchesOf(const std::vector<DeckCard>& cards)
{
    std::vector<CardPunches> punches;
    punches.reserve(cards.size());
    for (const auto& card : cards)
        punches.push_back(card.punches);
    return punches;
}

} // namespace

std::optional<DeckFormat> DeckFormatNamed(std::string_view name)
{
    for (const auto& [format, formatName] : kNames)
        if (formatName == name)
            return format;
    return std::nullopt;
}

std::string WriteDeck(DeckFormat format, const std::vector<DeckCard>& cards, const CodeMap& map)
{
    switch (format) {
    case DeckFormat::Text:
        return WriteTextDeck(PunchesOf(cards), map);
    case DeckFormat::Cbn:
        return WriteCbnDeck(PunchesOf(cards));
    case DeckFormat::Bin:
        return WriteBinDeck(PunchesOf(cards));
    case DeckFormat::Jsonl:
        return WriteJsonlDeck(cards);
    }
    throw std::invalid_argument("no such deck format");
}

DeckRead ReadDeck(DeckFormat format, std::string_view bytes, const CodeMap& map)
{
    switch (format) {
    case DeckFormat::Text:
        return ReadTextDeck(bytes, map);
    case DeckFormat::Cbn:
        return ReadCbnDeck(bytes);
    case DeckFormat::Bin:
        return ReadBinDeck(bytes);
    case DeckFormat::Jsonl: {
        DeckRead result;
        result.message = "a jsonl deck is written only; read text, cbn or bin";
        return result;
    }
    }
    throw std::invalid_argument("no such deck format");
}

} // namespace Deck
