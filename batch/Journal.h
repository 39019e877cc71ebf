// The JSON lines output of a batch, written so that a run killed at any moment can be resumed and
// end with the bytes of a run that was never interrupted.
//
// Each picture gives one group of lines, in input order:
//   a card      {"file":F,"card":K,"cards":N[,"review":[...]],<the caller's fields>}   K = 1..N
//   no card     {"file":F,"cards":0}
//   refused     {"file":F,"refused":REASON}
// "review" lists "unknown columns", "orientation not settled", "low fit quality" for a card that
// needs a person's look. A finished output may also hold corrections of its cards, appended after
// it (Corrections.h); a resumed run keeps them where they are. While the run lasts the lines go to OUT.part,
// each group appended with one write and synced to disk at most once a second; the finished file is renamed
// to OUT, so OUT is whole or absent. A resumed run reads OUT.part (or a finished OUT), keeps the complete
// groups that belong to the leading pictures of its list, cuts off a torn last group, and carries on after
// it.
#pragma once

#include "Pool.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Batch {

// No line of the output is longer than this; a longer card object is refused when written.
inline constexpr std::size_t kMaxJournalLineBytes = 1 << 22;

// The lines of one picture's group, each ending in LF. Throws std::invalid_argument when a card's
// content is not a JSON object, uses one of the keys above, or makes a line too long.
std::string FormatPictureLines(const std::string& file, const PictureOutcome& outcome);

// The name a file has in the output (the same text after a JSON round trip: bytes that are not
// UTF-8 become U+FFFD).
std::string RecordedName(const std::string& file);

// Receives each picture a resumed output already holds: its index in the list and its outcome as
// rebuilt from the lines (card contents without the output's own keys).
using HeldSink = std::function<void(std::size_t index, PictureOutcome&& outcome)>;

class JsonlJournal;

struct JournalStart
{
    bool ok = true;
    std::string message;  // when !ok: "OUT: what is wrong"; nothing was changed then
    std::size_t held = 0; // pictures 0 .. held-1 are already in the output
    std::unique_ptr<JsonlJournal> journal;
};

// "OUT.part", where the output grows until it is finished.
std::string PartialName(const std::string& path);

class JsonlJournal
{
public:
    // Opens the output `path` for a run over `files`. Without `resume` it starts empty (a finished
    // `path` stays as it is until Finish replaces it). With `resume` it keeps what an earlier run
    // over the same list wrote, hands each held picture to `onHeld` in order, and cuts off what
    // follows the last complete group. Refused (nothing changed) when the held pictures are not
    // the leading pictures of `files`, when the file is no batch's output at all, or when another
    // run holds OUT.part (locked while a run writes it). A link is followed and the file it leads
    // to written. Throws std::runtime_error when `path` is not a regular file (a device, FIFO,
    // folder) or a file cannot be read or written.
    static JournalStart Start(const std::string& path, const std::vector<std::string>& files, bool resume,
                              const HeldSink& onHeld,
                              std::chrono::milliseconds syncInterval = std::chrono::seconds(1));

    ~JsonlJournal();
    JsonlJournal(const JsonlJournal&) = delete;
    JsonlJournal& operator=(const JsonlJournal&) = delete;

    // Appends the picture's group with one write. Throws std::runtime_error when it cannot.
    void Append(const std::string& file, const PictureOutcome& outcome);
    // Syncs, closes and renames OUT.part to OUT. Throws std::runtime_error when it cannot.
    void Finish();

private:
    JsonlJournal(std::string path, int fd, std::chrono::milliseconds syncInterval);
    void Sync();

    std::string path_;
    int fd_ = -1;
    std::chrono::milliseconds syncInterval_;
    std::chrono::steady_clock::time_point lastSync_;
    bool unsynced_ = false;
};

// Writes `bytes` to `path` whole or not at all: a temporary file beside it, synced, then renamed
// over it. Throws std::runtime_error naming the file when that fails (the temporary is removed).
void WriteFileWhole(const std::string& path, std::string_view bytes);

} // namespace Batch
