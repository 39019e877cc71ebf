// Grey from colour and the three thresholds, on Leptonica pictures (inside the imaging unit).
#pragma once

#include "DecodeOptions.h"
#include "LeptSupport.h"

#include <vector>

namespace Imaging::Lept {

enum class GreyFrom
{
    BrightestChannel,
    Luminance
};

// The one the decoder uses; the reason is beside its definition.
extern const GreyFrom kGreyFromColour;

// 8-bit grey of a 32-bit colour picture.
PixPtr GreyFromColour(PIX* pix32, GreyFrom method);

// Otsu's threshold of an 8-bit grey picture: the largest grey value of the dark class that makes
// the variance between the classes greatest (the middle of a run of equally good values); 127
// when every pixel has the same value.
int OtsuThreshold(PIX* pix8);

// A 1-bit picture (1 = black) of an 8-bit grey one by the method of the options; sets the global
// threshold used (Sauvola uses it where nothing near a pixel varies). ppi sizes Sauvola's window
// (0 when unknown). Returns null when Leptonica fails.
PixPtr Binarise(PIX* pix8, const DecodeOptions& options, double ppi, int& threshold);

// Fills the empty (negative) cells of an nx x ny map (row by row) from their filled neighbours, a
// ring at a time: each empty cell beside a filled one takes the mean of those neighbours (left,
// right, up, down, in that order), then the cells beside these, and so on. Each ring is found from
// the one before, so the cost follows the cells, whatever the map's shape. At least one cell is
// filled. (Sauvola's local levels are filled in this way.)
void FillMap(std::vector<double>& map, int nx, int ny);

} // namespace Imaging::Lept
