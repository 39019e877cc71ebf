// Photographs of punched cards for the tests: a page as a camera sees it when turned off the
// perpendicular, through the reader's own projective transform.
#pragma once

#include "Picture.h"

namespace E2e {

// The 1-bit page seen by a pinhole camera at 1.5 times the page's larger side, the page turned
// `aboutX` degrees about its horizontal middle line and then `aboutY` about its vertical one; the
// picture is as large as the page's image plus a black margin of `margin` pixels. Nearest-pixel
// sampling.
korvane::Picture Tilted(const korvane::Picture& page, double aboutX, double aboutY, int margin = 20);

// Things lying round a card in a photo, drawn white into the margin of a picture from Tilted (at
// least 150 pixels): a square sheet, the light edge of a table along the bottom (reaching the
// picture's edges) and a row of small blobs as of printed text.
void AddClutter(korvane::Picture& photo);

} // namespace E2e
