// The process pass: sorts the traced contours into card outlines and holes by comparing their
// moments with a card model and a hole model at the picture's scale, erases everything else, and
// records for every hole the card outline that encloses it.
#pragma once

#include "Algemeen.h"
#include "Contour.h"
#include "Ponskaart.h"
#include "ReaderContext.h"

#include <cstdint>
#include <vector>

namespace korvane {

// The milliseconds spent in each stage of a pass.
struct ProcessPassTimes
{
    double area = 0, card = 0, hole = 0, containment = 0;
};

// What one pass found: how many contours could have been cards and the accepted cards with their
// holes. The reader's context keeps the cards too, for the stages that follow (the card reader,
// the overlay, the pick).
struct ProcessFindings
{
    std::int32_t Candidates = 0;     // contours of positive area
    std::vector<AcceptedCard> Cards; // in contour-number order
    // At least one contour was accepted as a card outline.
    bool Found() const { return !Cards.empty(); }
};

// Runs the pass over the reader's contour store of the last tracing, fills the rest of the
// reader's state (CandidateCount, CandidateOrder, CandidateMoments, CardModel, CardOf, DrawOrder,
// Cards, Index) and returns what it found. Lets pending events run once per card candidate while
// it tests which holes each card contains. When `times` is given, the milliseconds spent in each
// stage are added to it.
ProcessFindings ProcessPass(ReaderContext& reader, Algemeen::EventPump& events,
                            ProcessPassTimes* times = nullptr);

// Measures the contour (whose points were last fetched from the reader's store), compares it with
// the model and erases it from the store when it differs. When verbose and it matches, writes the
// "Area, Trace and Determinant:" block. true when it matches.
bool CheckAgainstModel(ReaderContext& reader, Ogenblik::Contour& contour, const Ogenblik::Ponskaart& model,
                       bool verbose);

} // namespace korvane
