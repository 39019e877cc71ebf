// The scan generator behind `korvane-cli punch`: cards, given as the punch patterns of their 80
// columns, drawn on a page as a scanner sees them from the back (or from the printed front,
// CardPrint.h) and written as a 1-bit BMP or as a scanner's grey or colour file; the page may be
// seen in perspective (Perspective.h) and painted as a photo (Photo.h). The code table turns text
// into punch patterns (PunchCodes.h); the drawing itself is in CardRenderer.h, both sides of a
// duplex pair in Duplex.h.
#pragma once

#include "CardRenderer.h"
#include "Duplex.h"
#include "Photo.h"
#include "PunchCodes.h"
#include "RoughEdges.h"
#include "ScanPage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Punch {

struct PageOptions
{
    double dpi = 200.0;      // drawn at the whole pixels per metre nearest to this
    bool real = false;       // a real card's dimensions instead of the card model's
    double noise = 0.0;      // fraction of the pixels flipped as isolated specks
    std::uint64_t seed = 1;  // of the speck noise and the rough edges
    double roughEdges = 0.0; // largest radius of the bites and bumps along card edges (mm, RoughEdges.h)
    ScanOutputOptions scan;  // a scanner's file instead of the plain 1-bit BMP
    // The page turned about its horizontal and vertical axes, in degrees, seen in perspective
    // (Perspective.h); zero for a flat page.
    double tiltAboutHorizontal = 0.0;
    double tiltAboutVertical = 0.0;
    bool Tilted() const { return tiltAboutHorizontal != 0.0 || tiltAboutVertical != 0.0; }
    PhotoLook photo; // a colour photo (Photo.h) instead of a scan; scan.format picks the file
};

// Lays out, renders, roughens the card edges, adds the noise and writes one page of cards, whole or not at
// all. Empty on success, else why the page was not written (too large for a scan, too little room for the
// noise, a scanner's look that cannot be painted). Failing to write the file throws
// std::runtime_error.
std::string WritePage(const std::vector<CardOnPage>& cards, const PageOptions& options,
                      const std::string& output);

} // namespace Punch
