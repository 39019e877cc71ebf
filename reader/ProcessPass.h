// The process pass: sorts the traced contours into card outlines and holes by comparing their
// moments with a card model and a hole model at the picture's scale, erases everything else, and
// records for every hole the card outline that encloses it.
#pragma once

#include "Algemeen.h"
#include "Contour.h"
#include "Ponskaart.h"
#include "ReaderContext.h"

namespace korvane {

// Margin of the card model in pixels: one millimetre at the picture's scale.
double CardModelMargin(double pixelsPerMillimetre);
// Margin of the hole model in pixels. Half a pixel for the pixel rounding of the traced border,
// plus a tenth of a millimetre so that real holes, a little smaller than the model's, pass at every
// resolution.
double HoleModelMargin(double pixelsPerMillimetre);

// Runs the pass over the reader's contour store of the last tracing and fills the rest of the
// reader's state (CandidateCount, CandidateOrder, CandidateMoments, CardModel, CardOf, DrawOrder,
// Cards, Index). true when at least one contour was accepted as a card outline. Lets pending events run once
// per card candidate while it tests which holes each card contains. When `times` is given, the milliseconds
// spent in each stage are added to it.
struct ProcessPassTimes
{
    double area = 0, card = 0, hole = 0, containment = 0;
};
bool ProcessPass(ReaderContext& reader, Algemeen::EventPump& events, ProcessPassTimes* times = nullptr);

// Measures the contour (whose points were last fetched from the reader's store), compares it with
// the model and erases it from the store when it differs. When verbose and it matches, writes the
// "Area, Trace and Determinant:" block. true when it matches.
bool CheckAgainstModel(ReaderContext& reader, Ogenblik::Contour& contour, const Ogenblik::Ponskaart& model,
                       bool verbose);
// Whether area, trace or root determinant of the contour's area moments lies outside the model's
// tolerance.
bool DiffersFromModel(const Ogenblik::Contour& contour, const Ogenblik::Ponskaart& model);
// |s - m| < t.
bool WithinTolerance(double s, double m, double t);

} // namespace korvane
