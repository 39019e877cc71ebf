// Photographs of punched cards for the tests: a page as a camera sees it when turned off the
// perpendicular, through the reader's own projective transform.
#pragma once

#include "Picture.h"

namespace E2e {

// The 1-bit page seen by a pinhole camera at 1.5 times the page's larger side, the page turned
// `aboutX` degrees about its horizontal middle line and then `aboutY` about its vertical one; the
// picture is as large as the page's image plus a black margin. Nearest-pixel sampling.
korvane::Picture Tilted(const korvane::Picture& page, double aboutX, double aboutY);

} // namespace E2e
