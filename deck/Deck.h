// Deck: the punches of whole cards and the deck files made of them. A card is 80 columns of raw
// punches; a code map turns columns into characters and back; writers turn a list of cards into
// the bytes of a text, column-binary, binary or JSON-lines deck, and readers turn the bytes of
// the first three back into cards. Everything is a value: no files, no console, no run state.
#pragma once

#include "CodeMap.h"
#include "DeckCard.h"
#include "DeckFile.h"
#include "Punches.h"
