// For tests, benchmarks and fuzzers, which run many cases in one process: the window's run state
// back to the state at program start. The programs never call it.
#pragma once

namespace Unit1 {

// Back to the state at program start (tests start each case clean with it).
void ResetRunState();

} // namespace Unit1
