// Both sides of every card, as a duplex scanner delivers them: the front drawn as the mirror image
// of the back (CardOnPage::front), files named so that the two sides of a card sort as a pair, and
// damage on one side of some cards (a speck over a hole position, a hole covered), chosen from a
// seed and listed so that a test can check what a reader makes of it.
#pragma once

#include "CardRenderer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Punch {

struct DamageRecord
{
    std::size_t card = 0; // from 0
    bool front = false;   // the side damaged
    Damage damage;
};

// Damages the front of about frontRate and the back of about backRate of the cards, each card on
// one side at most (the front is drawn first): a punched card has one of its holes covered or a
// speck put over one of its unpunched positions, half and half; a blank card gets a speck. The same
// seed gives the same damage.
std::vector<DamageRecord> ChooseDamage(const std::vector<CardPunches>& cards, double frontRate,
                                       double backRate, std::uint64_t seed);

// One line per damaged side: "damage: card 3 back column 17 row 5 speck" (row 12, 11, 0-9;
// "speck" or "covered"), cards counted from 1.
std::string DescribeDamage(const DamageRecord& record);

// The front picture of a card drawn from its back: the same card seen from the other side, which
// mirrors the picture left to right and so turns it the other way.
CardOnPage FrontOf(const CardOnPage& back);

// OUT.EXT -> OUT-0001-a-front.EXT and OUT-0001-b-back.EXT (front first), or OUT-0001-a-back.EXT and
// OUT-0001-b-front.EXT (back first): in natural name order the two sides of a card follow each
// other, in the order asked for.
std::string DuplexFileName(const std::string& output, std::size_t number, bool frontSide, bool frontFirst);

} // namespace Punch
