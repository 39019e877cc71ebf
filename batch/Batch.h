// Batch: reading many pictures as one run. The input list (pictures and folders in natural order,
// lists from files), an ordered worker pool with per-worker state and per-picture deadlines,
// resumable JSON lines output, progress on the terminal and the run's summary. The reading itself
// is handed in by the program, one worker state per thread.
#pragma once

#include "Corrections.h"
#include "Inputs.h"
#include "Journal.h"
#include "Pool.h"
#include "Progress.h"
#include "RunBatch.h"
#include "Summary.h"
