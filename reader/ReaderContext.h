// The state of one reader: everything the reading stages keep between Process and the reading of
// its cards. A reader owns exactly one; the stages take it as their first argument and touch
// nothing else, so two readers on two threads never meet.
#pragma once

#include "Algemeen.h"
#include "BMPunit.h"
#include "CardIndex.h"
#include "CodeTable.h"
#include "Contour.h"
#include "Decode.h"
#include "Picture.h"
#include "Ponskaart.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvane {

// An accepted card as the process pass leaves it.
struct AcceptedCard
{
    std::int32_t Contour = 0;        // its outline's contour number
    Ogenblik::MomentRecord Moments;  // the outline's area moments, measured before compression
    std::vector<std::int32_t> Holes; // contour numbers of its holes, ascending
};

struct ReaderContext
{
    ReaderContext(Algemeen::Console& console, Algemeen::Clock& clock) : Log(console, clock) {}

    // The console and the stopwatch of this reader, and the log file its timing lines go to.
    // Written by the owner when it creates the reader; read by every stage that writes a line.
    Algemeen::RunLog Log;
    // The picture of the last Process; owned by the caller, who keeps it alive while cards are
    // read. Null before the first Process.
    const Picture* Scan = nullptr;
    // The traced contours, numbered from 1. Written by TraceContours and by the process pass
    // (erasing and compressing), read by the card reader, the overlay and the pick.
    BMPunit::ContourStore Store;

    // The card model at the picture's scale. Written by the process pass (a fresh one per pass,
    // made only when some contour has a positive area); read by the card reader and the overlay.
    std::unique_ptr<const Ogenblik::Ponskaart> CardModel;
    // Contours by descending signed area, indices 1 .. ContourCount (entry 0 unused). Written by
    // the area pass; read by the card, hole and containment passes.
    Algemeen::integers CandidateOrder;
    // How many contours have a positive area: CandidateOrder[1 .. CandidateCount] are the card
    // candidates. Written by the area pass.
    std::int32_t CandidateCount = 0;
    // Area moments of the accepted candidates, by rank p in 1 .. CandidateCount (entry 0 unused;
    // entries of refused candidates are left default). Written by the card pass.
    Ogenblik::momenten CandidateMoments;
    // For contour i in 1 .. ContourCount (entry 0 unused): i itself for a card candidate, the
    // contour number of the card whose outline holds it for a hole, 0 for neither. Written by the
    // containment pass; read by the overlay (colours) and the tests.
    Algemeen::integers CardOf;
    // Contour numbers sorted by CardOf, indices 1 .. ContourCount: the overlay draws in this order.
    // Written at the end of the process pass.
    Algemeen::integers DrawOrder;
    // The accepted cards in contour-number order with their holes. Written at the end of the
    // process pass; read by the card reader (--all reads each of them by its own contour).
    std::vector<AcceptedCard> Cards;
    // Where a click finds its card. Built at the end of the process pass over Cards.
    CardIndex Index;

    // The picture shows the cards' fronts (mirrored to the back's view): their punches are taken
    // from the pixels at each position, not from hole outlines. Written by the owner before Process.
    bool Front = false;

    // The code table file, read again for every card (so an edited file counts at the next card).
    std::string CodeTableFile = "ibmkaart.txt";
    // The table was handed in whole (ReadOptions::CodeTable): CodeTableFile is never read.
    bool FixedCodeTable = false;
    // The table as last read for a card; entry 0 "?". Written by the card reader.
    CodeTableEntries CodeTable;
    // Which code each pattern of punches is under CodeTable; written with it.
    CodeIndex CodeTableIndex{};
    // The file's name and bytes when CodeTable was parsed from them: the same bytes again are not
    // parsed again. Written by the card reader; empty name: nothing parsed yet.
    std::string CodeTableReadName, CodeTableReadBytes;

    // The accepted card with this contour number, null for none.
    const AcceptedCard* FindCard(std::int32_t contour) const;
};

} // namespace korvane
