#include "Log.h"

#include "FileAccess.h"
#include "Seams.h"

#include <cerrno>
#include <cstdint>
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

[[noreturn]] void Fail(const char* what, const std::string& reason)
{
    throw std::runtime_error(std::string(what) + " log file \"" + gLog.fileName + "\": " + reason);
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
    // Opened for every line and closed again, so each line is on disk when we return. Appending
    // only, so the file is only ever extended, and only to a regular file: a FIFO or a device in
    // its place is refused at once instead of blocking the run or swallowing the lines.
    OpenedFile file = OpenRegularFile(gLog.fileName, OpenMode::Append);
    if (file.status == FileStatus::NotRegular)
        Fail("cannot write to", file.message);
    if (file.status != FileStatus::Ok)
        Fail("cannot open", file.message);
    const std::string line = text + "\r\n"; // one write, so a line is never split by another writer
    if (!WriteAll(file.handle, line))
        Fail("cannot write to", std::strerror(errno));
    if (!file.handle.Close())
        Fail("cannot close", std::strerror(errno));
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
