// The process pass: sorts the traced contours into card outlines and holes by comparing their
// moments with a card model and a hole model at the picture's scale, erases everything else, and
// records for every hole the card outline that encloses it.
#pragma once

#include "Algemeen.h"
#include "Contour.h"
#include "Ponskaart.h"
#include "ReaderContext.h"

namespace korvane {

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

} // namespace korvane
