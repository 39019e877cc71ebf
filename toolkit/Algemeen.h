// Algemeen: the toolkit every other unit builds on. Point records and growable arrays, the log
// file and stopwatch, small geometric and combinatorial helpers, the platform seams and the
// in-memory raster.
#pragma once

#include "Arrays.h"
#include "Helpers.h"
#include "Log.h"
#include "Raster.h"
#include "Seams.h"
