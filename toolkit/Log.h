// The run's log file and stopwatch. Every log line is appended to the log file with CR LF and
// echoed to the console; the stopwatch writes "label = N ms" lines through it.
#pragma once

#include <string>

namespace Algemeen {

void SetLogFileName(const std::string& name);
const std::string& LogFileName();

// Appends text + CR LF to the log file (created when missing), then writes it as a console line.
// Throws std::runtime_error when the file cannot be opened, written or closed; the console line
// is then not written.
void LogLine(const std::string& text);

// Empty label: starts the stopwatch. Otherwise logs "label = N ms", N being the milliseconds
// since the last start (a start before local midnight and a reading after it count the true
// elapsed time).
void StopWatch(const std::string& label);

// Back to the state at program start (no log file name, stopwatch start 0).
void ResetLog();

} // namespace Algemeen
