#include "WindowConsole.h"

#include <exception>

namespace Unit1 {

template <class Step> void WindowConsole::Guarded(Step step)
{
    if (failed_)
        return;
    try {
        step();
    } catch (const std::exception& error) {
        failed_ = true;
        std::fprintf(report_, "korvane: %s; console lines are dropped from now on\n", error.what());
        std::fflush(report_);
    }
}

void WindowConsole::Write(std::string_view text)
{
    Guarded([&] { out_.Write(text); });
}

void WindowConsole::EndLine()
{
    Guarded([&] { out_.EndLine(); });
}

} // namespace Unit1
