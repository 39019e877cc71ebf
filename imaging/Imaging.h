// The imaging unit: every picture file a scanner writes (PNG, TIFF, JPEG, PNM, GIF, WebP),
// decoded through Leptonica and binarised into the 1-bit Picture the reader traces; the
// plausibility of a file's resolution and the scale of a picture from its card outlines; and a
// scanner simulator that paints grey and colour test pictures from 1-bit ones.
#pragma once

#include "ImageDecode.h"
#include "Resolution.h"
#include "ScanSimulator.h"
