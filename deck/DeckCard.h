// One card of a deck as a read leaves it: where it came from, its punches, its text, and how sure
// the reader was. The JSON-lines deck writes these fields; the other layouts use the punches.
#pragma once

#include "Algemeen.h"
#include "CodeMap.h"
#include "Punches.h"

#include <optional>
#include <string>
#include <vector>

namespace Deck {

struct DeckCard
{
    std::string scanFile;            // the picture the card was read from
    int cardInPicture = 0;           // 1 for the first card read from that picture, in reading order
    CardPunches punches{};           // columns 1 to 80
    std::string text80;              // columns 1 to 80 through the code, "?" where no code fits
    std::vector<int> unknownColumns; // the "?" columns, counted from 1
    double fitFirst = 0.0;           // fit qualities in percent, as the console writes them
    std::optional<double> fitLast;   // none when the fit stopped after its first round
    std::string orientation;         // the reader's orientation verdict, for example "settled"
    Algemeen::RealPoint centre;      // centre of the card's outline, in picture pixels
    std::string missing;             // a blank card in place of one not read: why it was not
    std::string correctedBy;         // the punches are a person's correction: who made it
};

// A card with its punches, text80 and unknown columns filled in; the caller adds the rest.
inline DeckCard CardFromPunches(const CardPunches& punches, const CodeMap& map)
{
    DeckCard card;
    card.punches = punches;
    CardText text = DecodeCard(punches, map);
    card.text80 = std::move(text.text80);
    card.unknownColumns = std::move(text.unknownColumns);
    return card;
}

} // namespace Deck
