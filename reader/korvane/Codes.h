// The entries of a card code table, as the reader decodes with them.
#pragma once

#include "CardPunches.h"

namespace korvane {

using Algemeen::CodeTableEntries;

} // namespace korvane
