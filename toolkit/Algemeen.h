// Algemeen: the toolkit every other unit builds on. Point records and growable arrays, the log
// file and stopwatch, small geometric and combinatorial helpers, the direct matrix inverse, the
// hole weight model, the platform seams and the in-memory raster.
#pragma once

#include "Arrays.h"
#include "FileAccess.h"
#include "Helpers.h"
#include "Log.h"
#include "Raster.h"
#include "Schuine.h"
#include "Seams.h"
#include "VektorRuimte.h"
