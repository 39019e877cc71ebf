// The run's log file and stopwatch. Every log line is appended to the log file with CR LF and
// echoed to the console; the stopwatch writes "label = N ms" lines through it.
//
// A RunLog is one reader's log: its console, its clock, the log file's name and the stopwatch's
// start. Each reader owns one, so two readers on two threads never share a stopwatch.
#pragma once

#include "Seams.h"

#include <cstdint>
#include <string>

namespace Algemeen {

class RunLog
{
public:
    // A log that writes to the console and reads the clock; both must outlive it.
    RunLog(Console& console, Clock& clock) : console_(&console), clock_(&clock) {}

    Console& Out() const { return *console_; }
    Clock& Time() const { return *clock_; }

    void SetLogFileName(const std::string& name) { fileName_ = name; }
    const std::string& LogFileName() const { return fileName_; }

    // Appends text + CR LF to the log file (created when missing; none when the name is empty),
    // then writes it as a console line. Throws std::runtime_error when the file cannot be opened, written or
    // closed; the console line is then not written.
    void LogLine(const std::string& text);

    // Empty label: starts the stopwatch. Otherwise logs "label = N ms", N being the milliseconds
    // since the last start (a start before local midnight and a reading after it count the true
    // elapsed time).
    void StopWatch(const std::string& label);

private:
    Console* console_;
    Clock* clock_;
    std::string fileName_;
    std::int32_t stopWatchStart_ = 0;
};

} // namespace Algemeen
