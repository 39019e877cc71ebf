// Files the programs read and write, made safe against what may lie at a path: inputs are opened
// without blocking and only when they are regular files, and read with a bound on their size, so
// a FIFO or a device never hangs or floods the program; outputs are written to a temporary file
// beside the target and renamed over it only when complete, so a reader, a failure or a second
// writer never sees a partial file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace Algemeen {

enum class FileStatus
{
    Ok,
    Missing,    // nothing exists at the path
    NotRegular, // a directory, FIFO, socket or device
    Failed      // the file system refused (permissions, read or write error)
};

// A file descriptor that is closed with its owner.
class FileHandle
{
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Hands the descriptor over to the caller, who then closes it.
    int Release();
    // Closes now; false (errno set) when the close reported an error.
    bool Close();

private:
    int fd_ = -1;
};

enum class OpenMode
{
    Read,  // read only; the file must exist
    Append // write at the end; created (mode 0666 less the umask) when missing
};

struct OpenedFile
{
    FileStatus status = FileStatus::Failed;
    std::string message; // why it failed, e.g. "not a regular file (a FIFO)"; empty when Ok
    FileHandle handle;   // open, in blocking mode, when Ok
    std::int64_t size = 0;
};

// Opens a regular file without ever blocking: the open itself does not wait for a FIFO's other
// end, and anything that turns out not to be a regular file is closed again and reported as
// NotRegular. Symbolic links are followed. Never throws for a file-system failure.
OpenedFile OpenRegularFile(const std::string& name, OpenMode mode);

// Writes every byte, retrying after signals and short writes; false (errno set) on failure.
bool WriteAll(const FileHandle& file, std::span<const std::uint8_t> bytes);
bool WriteAll(const FileHandle& file, std::string_view bytes);

struct FileBytes
{
    FileStatus status = FileStatus::Failed;
    std::string message;   // why it failed; empty when Ok
    std::string bytes;     // at most maxBytes of the file's beginning
    bool complete = false; // the whole file fitted into maxBytes
};

// Reads a regular file's first maxBytes bytes at most, opened as OpenRegularFile does; `complete`
// tells whether that was the whole file. Never throws for a file-system failure.
FileBytes ReadRegularFile(const std::string& name, std::size_t maxBytes);

struct WriteResult
{
    bool ok = false;
    std::string message; // "cannot create "NAME": reason" or "cannot write "NAME": reason"
};

// Where an output named `name` is written: a symbolic link is followed to the file it leads to
// (which may not exist yet); that file must be a regular file or absent. Not ok, with the message
// "cannot write "NAME": not a regular file (a FIFO)" and the like, otherwise.
struct OutputTarget
{
    bool ok = false;
    std::string message;
    std::string path;    // the file to replace or create
    bool exists = false; // it exists (and is a regular file)
    unsigned mode = 0;   // its permission bits when it exists
};
OutputTarget ResolveOutput(const std::string& name);

// Empty when `name` may be written as an output (a regular file, a link to one, or nothing yet);
// otherwise ResolveOutput's message. Every writer of the programs checks its outputs with it
// before a run starts, so a device, FIFO or folder is refused before anything is done.
std::string OutputRefusal(const std::string& name);

// Writes the bytes to a new file beside `name` and renames it over `name` only when every byte is
// written and the file closed, so `name` afterwards holds either its old content or all of the
// new one, also when several processes write it at once (the last rename wins). A symbolic link
// is followed and its target replaced. A target that exists but is not a regular file (a
// directory, FIFO or device) is refused and left alone. A file that is replaced keeps its
// permission bits; a new one gets 0666 less the umask. Never throws for a file-system failure;
// the temporary file is removed again on failure.
WriteResult WriteWholeFile(const std::string& name, std::span<const std::uint8_t> bytes);
WriteResult WriteWholeFile(const std::string& name, std::string_view bytes);

// True when both names lead to the same file: the same device and inode when both exist (hard
// links, symbolic links and different spellings of a path included), otherwise the same path
// once made absolute and normalised.
bool SameFile(const std::string& a, const std::string& b);

} // namespace Algemeen
