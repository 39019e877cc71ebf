#include "FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace Algemeen {

namespace fs = std::filesystem;

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.Release();
    }
    return *this;
}

FileHandle::~FileHandle()
{
    Close();
}

int FileHandle::Release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool FileHandle::Close()
{
    if (fd_ < 0)
        return true;
    const int fd = Release();
    return ::close(fd) == 0;
}

namespace {

// What a path holds when it is not a regular file, for messages.
std::string NotRegularMessage(mode_t mode)
{
    const char* kind = S_ISDIR(mode)    ? "a directory"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISSOCK(mode) ? "a socket"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                                        : "not a file";
    return std::string("not a regular file (") + kind + ")";
}

OpenedFile Failure(FileStatus status, std::string message)
{
    OpenedFile result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

OpenedFile FailureFromErrno(int error)
{
    // A loop of symbolic links leads nowhere, as a missing file does.
    if (error == ENOENT || error == ELOOP)
        return Failure(FileStatus::Missing, std::strerror(error));
    if (error == ENXIO) // a FIFO opened for writing without a reader
        return Failure(FileStatus::NotRegular, NotRegularMessage(S_IFIFO));
    if (error == EISDIR)
        return Failure(FileStatus::NotRegular, NotRegularMessage(S_IFDIR));
    return Failure(FileStatus::Failed, std::strerror(error));
}

// Reads up to `count` bytes into `to`, retrying after signals; the number read, or -1 (errno set).
ssize_t ReadSome(int fd, char* to, std::size_t count)
{
    for (;;) {
        const ssize_t got = ::read(fd, to, count);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

} // namespace

bool WriteAll(const FileHandle& file, std::span<const std::uint8_t> bytes)
{
    const std::uint8_t* from = bytes.data();
    std::size_t count = bytes.size();
    const int fd = file.Get();
    while (count > 0) {
        const ssize_t put = ::write(fd, from, count);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        from += put;
        count -= static_cast<std::size_t>(put);
    }
    return true;
}

bool WriteAll(const FileHandle& file, std::string_view bytes)
{
    return WriteAll(file, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

OpenedFile OpenRegularFile(const std::string& name, OpenMode mode)
{
    // A look before the open keeps devices (whose open may have effects) and FIFOs closed; the
    // check after it, on the open descriptor, settles a path that was swapped in between.
    struct stat before
    {
    };
    if (::stat(name.c_str(), &before) == 0) {
        if (!S_ISREG(before.st_mode))
            return Failure(FileStatus::NotRegular, NotRegularMessage(before.st_mode));
    } else if (errno != ENOENT || mode == OpenMode::Read) {
        return FailureFromErrno(errno);
    }
    const int access = mode == OpenMode::Read ? O_RDONLY : O_WRONLY | O_APPEND | O_CREAT;
    FileHandle handle(::open(name.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (!handle)
        return FailureFromErrno(errno);
    struct stat opened
    {
    };
    if (::fstat(handle.Get(), &opened) != 0)
        return FailureFromErrno(errno);
    if (!S_ISREG(opened.st_mode))
        return Failure(FileStatus::NotRegular, NotRegularMessage(opened.st_mode));
    const int flags = ::fcntl(handle.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(handle.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return FailureFromErrno(errno);
    OpenedFile result;
    result.status = FileStatus::Ok;
    result.handle = std::move(handle);
    result.size = static_cast<std::int64_t>(opened.st_size);
    return result;
}

FileBytes ReadRegularFile(const std::string& name, std::size_t maxBytes)
{
    FileBytes result;
    OpenedFile file = OpenRegularFile(name, OpenMode::Read);
    result.status = file.status;
    result.message = file.message;
    if (file.status != FileStatus::Ok)
        return result;
    // The size is only a hint: the file may grow or shrink while it is read.
    const auto expected = static_cast<std::size_t>(std::max<std::int64_t>(file.size, 0));
    result.bytes.resize(std::min(expected, maxBytes));
    std::size_t used = 0;
    for (;;) {
        if (used == result.bytes.size()) {
            if (used == maxBytes)
                break;
            result.bytes.resize(std::min(maxBytes, std::max<std::size_t>(2 * used, 4096)));
        }
        const ssize_t got =
            ReadSome(file.handle.Get(), result.bytes.data() + used, result.bytes.size() - used);
        if (got < 0) {
            result.status = FileStatus::Failed;
            result.message = std::strerror(errno);
            result.bytes.clear();
            return result;
        }
        if (got == 0) {
            result.complete = true;
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    result.bytes.resize(used);
    if (!result.complete) {
        char probe = 0;
        result.complete = ReadSome(file.handle.Get(), &probe, 1) == 0;
    }
    result.status = FileStatus::Ok;
    return result;
}

namespace {

WriteResult WriteFailure(const char* what, const std::string& name, const std::string& reason)
{
    return {false, std::string(what) + " \"" + name + "\": " + reason};
}

constexpr std::size_t kMaxTemporaryStem = 200;

// Creates a new, empty file with an unused name in the folder of `target`, that cannot be anyone
// else's: created exclusively, never through a symbolic link.
FileHandle CreateTemporaryBeside(const fs::path& target, fs::path& temporary)
{
    static std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())};
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // A name long enough for the file system alone leaves no room for the temporary's additions.
    std::string name = target.filename().string();
    if (name.size() > kMaxTemporaryStem)
        name.resize(kMaxTemporaryStem);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder / ("." + name + "." + std::to_string(random() % 1'000'000'000) + ".tmp");
        FileHandle handle(
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666));
        if (handle || errno != EEXIST)
            return handle;
    }
    return FileHandle{};
}

} // namespace

OutputTarget ResolveOutput(const std::string& name)
{
    OutputTarget target;
    fs::path path(name);
    std::error_code error;
    // A symbolic link stays a link: the file it leads to is the one written.
    if (fs::is_symlink(path, error)) {
        path = fs::weakly_canonical(path, error);
        if (error)
            return {false, WriteFailure("cannot write", name, error.message()).message, {}, false, 0};
    }
    struct stat existing
    {
    };
    if (::stat(path.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode))
            return {false,
                    WriteFailure("cannot write", name, NotRegularMessage(existing.st_mode)).message,
                    {},
                    false,
                    0};
        target.exists = true;
        target.mode = existing.st_mode & 07777;
    } else if (errno != ENOENT) {
        return {false, WriteFailure("cannot write", name, std::strerror(errno)).message, {}, false, 0};
    }
    target.ok = true;
    target.path = path.string();
    return target;
}

std::string OutputRefusal(const std::string& name)
{
    return ResolveOutput(name).message;
}

WriteResult WriteWholeFile(const std::string& name, std::span<const std::uint8_t> bytes)
{
    const OutputTarget resolved = ResolveOutput(name);
    if (!resolved.ok)
        return {false, resolved.message};
    const fs::path target(resolved.path);
    fs::path temporary;
    FileHandle file = CreateTemporaryBeside(target, temporary);
    if (!file)
        return WriteFailure("cannot create", name, std::strerror(errno));
    const bool written = (!resolved.exists || ::fchmod(file.Get(), resolved.mode) == 0) &&
                         WriteAll(file, bytes) && ::fsync(file.Get()) == 0 && file.Close();
    const int reason = errno;
    // The target is looked at once more just before the rename: something that is not a regular
    // file put there meanwhile is still never replaced.
    struct stat now
    {
    };
    const bool present = ::stat(target.c_str(), &now) == 0;
    const bool stillFile = present ? S_ISREG(now.st_mode) : errno == ENOENT;
    if (!written || !stillFile || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string why = !written ? std::strerror(reason)
                                : !stillFile
                                    ? (present ? NotRegularMessage(now.st_mode) : std::strerror(errno))
                                    : std::strerror(errno);
        file.Close();
        ::unlink(temporary.c_str());
        return WriteFailure("cannot write", name, why);
    }
    return {true, {}};
}

WriteResult WriteWholeFile(const std::string& name, std::string_view bytes)
{
    return WriteWholeFile(name, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

namespace {

// The path with its symbolic links resolved as far as they exist, absolute and normalised.
fs::path Resolved(const std::string& name)
{
    std::error_code error;
    fs::path path = fs::absolute(name, error);
    if (error)
        path = name;
    fs::path resolved = fs::weakly_canonical(path, error);
    return (error ? path : resolved).lexically_normal();
}

} // namespace

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first
    {
    }, second{};
    if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return Resolved(a) == Resolved(b);
}

} // namespace Algemeen
