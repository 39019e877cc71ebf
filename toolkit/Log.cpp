#include "Log.h"

#include "Seams.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace Algemeen {

namespace {

constexpr std::int32_t kMillisecondsPerDay = 86'400'000;

struct LogState
{
    std::string fileName;
    std::int32_t stopWatchStart = 0;
};

LogState gLog;

[[noreturn]] void Fail(const char* what)
{
    throw std::runtime_error(std::string(what) + " log file \"" + gLog.fileName +
                             "\": " + std::strerror(errno));
}

} // namespace

void SetLogFileName(const std::string& name)
{
    gLog.fileName = name;
}
const std::string& LogFileName()
{
    return gLog.fileName;
}

void LogLine(const std::string& text)
{
    // Opened for every line and closed again, so each line is on disk when we return. Binary
    // append mode: the file is only ever extended, and CR LF is written as it stands.
    std::FILE* file = std::fopen(gLog.fileName.c_str(), "ab");
    if (file == nullptr)
        Fail("cannot open");
    const bool written =
        std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fwrite("\r\n", 1, 2, file) == 2;
    const int flushed = std::fflush(file);
    const int closed = std::fclose(file);
    if (!written || flushed != 0)
        Fail("cannot write to");
    if (closed != 0)
        Fail("cannot close");
    TheConsole().Line(text);
}

void StopWatch(const std::string& label)
{
    const std::int32_t now = TheClock().MillisecondsSinceMidnight();
    if (label.empty()) {
        gLog.stopWatchStart = now;
        return;
    }
    std::int32_t elapsed = now - gLog.stopWatchStart;
    if (elapsed < 0)
        elapsed += kMillisecondsPerDay; // the measurement spans local midnight
    LogLine(label + " = " + std::to_string(elapsed) + " ms");
}

void ResetLog()
{
    gLog = LogState{};
}

} // namespace Algemeen
