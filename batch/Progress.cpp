#include "Progress.h"

#include <cstdio>

namespace Batch {

bool ProgressWanted(bool forced, bool quiet, bool streamIsTerminal)
{
    return !quiet && (forced || streamIsTerminal);
}

namespace {

std::string Duration(double seconds)
{
    const long long whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

} // namespace

std::string FormatProgress(const ProgressFigures& figures)
{
    std::string line = "pictures " + std::to_string(figures.done) + "/" + std::to_string(figures.total) +
                       "  cards " + std::to_string(figures.cards);
    const std::size_t picturesThisRun = figures.done - figures.held;
    const double seconds = figures.elapsed.count();
    if (picturesThisRun > 0 && seconds > 0) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.1f", static_cast<double>(figures.cardsThisRun) / seconds);
        const double left = seconds / static_cast<double>(picturesThisRun) *
                            static_cast<double>(figures.total - figures.done);
        line += std::string("  ") + rate + " cards/s  " + Duration(left) + " left";
    } else {
        line += "  -- cards/s  -- left";
    }
    return line + "  review " + std::to_string(figures.review);
}

ProgressLine::ProgressLine(std::ostream& out, bool enabled, std::chrono::milliseconds interval)
    : out_(out), enabled_(enabled), interval_(interval)
{
}

void ProgressLine::Update(const ProgressFigures& figures, Clock::time_point now)
{
    if (!enabled_ || (drawn_ && now - lastDrawn_ < interval_))
        return;
    lastDrawn_ = now;
    Draw(figures);
}

void ProgressLine::Finish(const ProgressFigures& figures)
{
    if (!enabled_)
        return;
    Draw(figures);
    out_ << '\n' << std::flush;
}

void ProgressLine::Draw(const ProgressFigures& figures)
{
    std::string line = FormatProgress(figures);
    const std::size_t width = line.size();
    if (width < width_)
        line.append(width_ - width, ' ');
    width_ = width;
    out_ << '\r' << line << std::flush;
    drawn_ = true;
}

} // namespace Batch
