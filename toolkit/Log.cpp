#include "Log.h"

#include "FileAccess.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace Algemeen {

namespace {

constexpr std::int32_t kMillisecondsPerDay = 86'400'000;

[[noreturn]] void Fail(const char* what, const std::string& fileName, const std::string& reason)
{
    throw std::runtime_error(std::string(what) + " log file \"" + fileName + "\": " + reason);
}

} // namespace

void RunLog::LogLine(const std::string& text)
{
    if (fileName_.empty()) { // a log without a file: the console line alone
        Out().Line(text);
        return;
    }
    // Opened for every line and closed again, so each line is on disk when we return. Appending
    // only, so the file is only ever extended, and only to a regular file: a FIFO or a device in
    // its place is refused at once instead of blocking the run or swallowing the lines.
    OpenedFile file = OpenRegularFile(fileName_, OpenMode::Append);
    if (file.status == FileStatus::NotRegular)
        Fail("cannot write to", fileName_, file.message);
    if (file.status != FileStatus::Ok)
        Fail("cannot open", fileName_, file.message);
    const std::string line = text + "\r\n"; // one write, so a line is never split by another writer
    if (!WriteAll(file.handle, line))
        Fail("cannot write to", fileName_, std::strerror(errno));
    if (!file.handle.Close())
        Fail("cannot close", fileName_, std::strerror(errno));
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

} // namespace Algemeen
