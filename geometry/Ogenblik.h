// Ogenblik: contours with their area and boundary moments, the card and hole models, and the
// fit of the card's punch grid to its holes.
#pragma once

#include "Contour.h"
#include "EdgeTable.h"
#include "GridFit.h"
#include "Ponskaart.h"
