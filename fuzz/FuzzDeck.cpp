// Fuzz target: the input bytes as a deck file to punch, in the layout the first byte picks (text,
// column binary, binary; jsonl decks are refused by the reader).
//
// Whatever a reader accepts is written back in the same layout and read again: the cards must come
// back as they were, and every column must hold no bits beyond the 12 rows.
#include "CodeMap.h"
#include "CodeTable.h"
#include "DeckFile.h"
#include "FuzzSupport.h"

#include <string>
#include <string_view>

namespace {

const Deck::CodeMap& Map()
{
    static const Deck::CodeMap map = [] {
        Fuzz::EnterWorkplace();
        std::string failure;
        const auto table = korvane::ReadCardSpec("ibmkaart.txt", failure);
        if (!table)
            Fuzz::Fault("the repository's code table: " + failure);
        Deck::CodeMapResult loaded = Deck::CodeMapFromTable(*table);
        if (!loaded.ok)
            Fuzz::Fault("the repository's code table: " + loaded.message);
        return std::move(loaded.map);
    }();
    return map;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    constexpr Deck::DeckFormat kFormats[] = {Deck::DeckFormat::Text, Deck::DeckFormat::Cbn,
                                             Deck::DeckFormat::Bin, Deck::DeckFormat::Jsonl};
    const Deck::DeckFormat format = kFormats[data[0] % 4];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const Deck::DeckRead read = Deck::ReadDeck(format, bytes, Map());
    if (!read.ok) {
        if (read.message.empty())
            Fuzz::Fault("a refusal without a message");
        return 0;
    }
    if (format == Deck::DeckFormat::Jsonl)
        Fuzz::Fault("a jsonl deck was read");
    std::vector<Deck::DeckCard> cards;
    for (const Deck::CardPunches& punches : read.cards) {
        for (const auto column : punches)
            if ((column & ~Deck::kAllRows) != 0)
                Fuzz::Fault("a column with bits beyond the 12 rows");
        Deck::DeckCard card;
        card.punches = punches;
        cards.push_back(card);
    }
    const Deck::DeckRead again = Deck::ReadDeck(format, Deck::WriteDeck(format, cards, Map()), Map());
    if (!again.ok || again.cards != read.cards)
        Fuzz::Fault("a deck written back reads differently: " + again.message);
    return 0;
}
