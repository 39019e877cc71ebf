#include "Seams.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace Algemeen {

void Console::WriteInt(long long value)
{
    Write(std::to_string(value));
}

void Console::WriteReal(double value, int width, int decimals)
{
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, "%*.*f", width, decimals, value);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        Write(std::string_view(buffer, static_cast<std::size_t>(n)));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), "%*.*f", width, decimals, value);
    big.resize(static_cast<std::size_t>(n));
    Write(big);
}

void Console::Line(std::string_view text)
{
    Write(text);
    EndLine();
}

namespace {
[[noreturn]] void ConsoleFailure()
{
    throw std::runtime_error(std::string("cannot write to standard output: ") + std::strerror(errno));
}
} // namespace

StdoutConsole::StdoutConsole(Flush flush)
    : flushLines_(flush == Flush::EveryLine || ::isatty(STDOUT_FILENO) == 1)
{
}

void StdoutConsole::Write(std::string_view text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        ConsoleFailure();
}

void StdoutConsole::EndLine()
{
    if (std::fputc('\n', stdout) == EOF || (flushLines_ && std::fflush(stdout) != 0))
        ConsoleFailure();
}

std::int32_t SystemClock::MillisecondsSinceMidnight()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return static_cast<std::int32_t>(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + ms);
}

} // namespace Algemeen
