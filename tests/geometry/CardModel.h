// Shared by the geometry tests: the card model built at a scale with its own standard margin (one
// millimetre), as the process pass builds it, and contours measured from their points.
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

// A contour holding `points`, measured.
inline Ogenblik::Contour Measured(const Ogenblik::Jordan& points)
{
    Ogenblik::Contour c;
    c.SetPoints(points);
    c.ComputeMoments();
    return c;
}
