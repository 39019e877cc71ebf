// The card model built at a scale with its own standard margin (one millimetre), as the process
// pass builds it; shared by the geometry tests.
#pragma once

#include "Ogenblik.h"

inline Ogenblik::Ponskaart CardModel(double scale)
{
    Ogenblik::Ponskaart model;
    model.Scale = scale;
    model.MakeCard(scale);
    model.BuildModel();
    return model;
}
