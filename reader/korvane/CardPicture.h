// A read card as a person checks it: the part of the picture around the card with the reading
// drawn over it.
#pragma once

#include "Raster.h"
#include "korvane/Reader.h"

namespace korvane {

// The part of the picture around the card (4 pixels beyond its outline), its outline in blue and a
// dot on every cell of the fitted grid: red in the columns that read "?" or are doubtful, lime
// elsewhere; each doubtful column's number in red beyond its last row.
Algemeen::Raster CardPicture(const Picture& picture, const CardResult& card);

} // namespace korvane
