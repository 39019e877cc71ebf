// Worn card edges for the scan generator: small bites out of each card and bumps on it along its
// outer outline, as frayed stock and specks touching the edge show in a scan. The holes are left
// alone.
#pragma once

#include "BmpWrite.h"

#include <cstdint>

namespace Punch {

// On average one bite or bump per this many of the largest radius along a card's edge: a worn,
// frayed edge, rough at the scale of the radius.
inline constexpr double kRoughSpacing = 1.0;

// Roughens the outer edge of every card on a 1-bit page (white cards on a black background that
// touches the page's border): at random places along each edge a disc of background is bitten out
// of the card (half of them) or a disc of card grows out into the background (the other half),
// centred on the edge, of a radius drawn evenly from 0.4 to 1 times `radius` (pixels). Holes and
// the black inside a card are never touched. The places come from a Mersenne twister seeded with
// `seed`, so the result depends only on the page, the radius and the seed. Returns the number of
// bites and bumps made.
std::int64_t RoughenEdges(BMPunit::BitImage& image, double radius, std::uint64_t seed);

} // namespace Punch
