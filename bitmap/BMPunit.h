// BMPunit: bringing a 1-bit black-and-white BMP scan into memory, tracing every black/white
// boundary of it into closed contours, and the store that hands those contours out.
#pragma once

#include "BmpLoad.h"
#include "BmpWrite.h"
#include "ContourStore.h"
#include "Trace.h"
