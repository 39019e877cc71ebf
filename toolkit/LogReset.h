// For tests and fuzzers, which run many cases in one process: the process's own log back to the
// state at program start. The programs never call it.
#pragma once

namespace Algemeen {

// Back to the state at program start (no log file name, stopwatch start 0).
void ResetLog();

} // namespace Algemeen
