#include "Log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace Algemeen {

namespace {

constexpr std::int32_t kMillisecondsPerDay = 86'400'000;

[[noreturn]] void Fail(const char* what, const std::string& fileName)
{
    throw std::runtime_error(std::string(what) + " log file \"" + fileName + "\": " + std::strerror(errno));
}

} // namespace

void RunLog::LogLine(const std::string& text)
{
    if (fileName_.empty()) { // a log without a file: the console line alone
        Out().Line(text);
        return;
    }
    // Opened for every line and closed again, so each line is on disk when we return. Binary
    // append mode: the file is only ever extended, and CR LF is written as it stands.
    std::FILE* file = std::fopen(fileName_.c_str(), "ab");
    if (file == nullptr)
        Fail("cannot open", fileName_);
    const bool written =
        std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fwrite("\r\n", 1, 2, file) == 2;
    const int flushed = std::fflush(file);
    const int closed = std::fclose(file);
    if (!written || flushed != 0)
        Fail("cannot write to", fileName_);
    if (closed != 0)
        Fail("cannot close", fileName_);
    Out().Line(text);
}

void RunLog::StopWatch(const std::string& label)
{
    const std::int32_t now = Time().MillisecondsSinceMidnight();
    if (label.empty()) {
        stopWatchStart_ = now;
        return;
    }
    std::int32_t elapsed = now - stopWatchStart_;
    if (elapsed < 0)
        elapsed += kMillisecondsPerDay; // the measurement spans local midnight
    LogLine(label + " = " + std::to_string(elapsed) + " ms");
}

RunLog& TheLog()
{
    static RunLog log;
    return log;
}

void SetLogFileName(const std::string& name)
{
    TheLog().SetLogFileName(name);
}
const std::string& LogFileName()
{
    return TheLog().LogFileName();
}
void LogLine(const std::string& text)
{
    TheLog().LogLine(text);
}
void StopWatch(const std::string& label)
{
    TheLog().StopWatch(label);
}
void ResetLog()
{
    TheLog() = RunLog{};
}

} // namespace Algemeen
