// The progress line of a batch on standard error: pictures done of all, cards, cards per second,
// time left and cards needing review, redrawn in place a few times a second.
#pragma once

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

namespace Batch {

// --quiet wins; otherwise shown when forced (--progress) or when the stream is a terminal.
bool ProgressWanted(bool forced, bool quiet, bool streamIsTerminal);

struct ProgressFigures
{
    std::size_t done = 0;  // pictures done, those an earlier run did included
    std::size_t total = 0; // pictures in the batch
    std::size_t held = 0;  // of `done`, those an earlier run did (not part of the rates)
    std::size_t cards = 0; // cards read, earlier runs included
    std::size_t cardsThisRun = 0;
    std::size_t review = 0;                   // cards needing a person's look
    std::chrono::duration<double> elapsed{0}; // since this run started
};

// One progress line, e.g. "pictures 120/2000  cards 118  41.2 cards/s  0:45 left  review 3".
// Rates and time left come from this run's pictures only; "--" until there is one.
std::string FormatProgress(const ProgressFigures& figures);

class ProgressLine
{
public:
    using Clock = std::chrono::steady_clock;

    // Draws on `out` when `enabled`; at most once per `interval` except for the last line.
    ProgressLine(std::ostream& out, bool enabled,
                 std::chrono::milliseconds interval = std::chrono::milliseconds(250));

    // Redraws the line in place when the interval has passed since the last drawing.
    void Update(const ProgressFigures& figures, Clock::time_point now);
    // Draws the final figures and ends the line (nothing when nothing was ever drawn and not enabled).
    void Finish(const ProgressFigures& figures);

private:
    void Draw(const ProgressFigures& figures);

    std::ostream& out_;
    bool enabled_;
    std::chrono::milliseconds interval_;
    Clock::time_point lastDrawn_{};
    bool drawn_ = false;
    std::size_t width_ = 0; // of the line on screen, so a shorter one can blank its tail
};

} // namespace Batch
