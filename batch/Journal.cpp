#include "Journal.h"

#include "Corrections.h"
#include "FileAccess.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace Batch {

namespace {

constexpr std::array<const char*, 5> kOwnKeys{"file", "card", "cards", "review", "refused"};
constexpr const char* kUnknownColumns = "unknown columns";
constexpr const char* kOrientationUnsettled = "orientation not settled";
constexpr const char* kLowFitQuality = "low fit quality";
constexpr const char* kDoubtfulColumns = "doubtful columns";
// More cards than this in one picture means the line was not written by us.
constexpr long long kMaxCardsPerPicture = 1'000'000;
// How every reading line of the output begins, and how a correction appended to it begins.
constexpr char kLineStart[] = "{\"file\":";
constexpr char kCorrectionStart[] = "{\"correct\":";

std::string Dump(const json& value)
{
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

[[noreturn]] void ThrowSystemError(const std::string& path, const std::string& what)
{
    throw std::runtime_error(path + ": " + what + " (" + std::strerror(errno) + ")");
}

json ReviewTags(const ReviewFlags& review)
{
    json tags = json::array();
    if (review.unknownColumns)
        tags.push_back(kUnknownColumns);
    if (review.orientationUnsettled)
        tags.push_back(kOrientationUnsettled);
    if (review.lowFitQuality)
        tags.push_back(kLowFitQuality);
    if (!review.doubtfulColumns.empty())
        tags.push_back(kDoubtfulColumns);
    return tags;
}

std::string CardLine(const std::string& quotedFile, std::size_t number, std::size_t count,
                     const CardRecord& card)
{
    if (!card.content.is_object())
        throw std::invalid_argument("a card's content must be a JSON object");
    for (const char* key : kOwnKeys)
        if (card.content.contains(key))
            throw std::invalid_argument(std::string("a card's content may not use the key \"") + key + "\"");
    std::string line = "{\"file\":" + quotedFile + ",\"card\":" + std::to_string(number) +
                       ",\"cards\":" + std::to_string(count);
    if (card.review.Any())
        line += ",\"review\":" + Dump(ReviewTags(card.review));
    const std::string content = Dump(card.content);
    line += content.size() > 2 ? "," + content.substr(1) : "}";
    if (line.size() >= kMaxJournalLineBytes)
        throw std::invalid_argument("a card's line would be longer than the output allows");
    return line + "\n";
}

// ---- Reading an output back -----------------------------------------------------------------

enum class LineRead
{
    Line,  // a whole line, LF removed
    End,   // nothing left
    Broken // a last line without its LF, or one too long to be ours
};

LineRead ReadLine(std::istream& in, std::string& line)
{
    line.clear();
    std::streambuf& buffer = *in.rdbuf();
    for (;;) {
        const int c = buffer.sbumpc();
        if (c == std::char_traits<char>::eof())
            return line.empty() ? LineRead::End : LineRead::Broken;
        if (c == '\n')
            return LineRead::Line;
        if (line.size() >= kMaxJournalLineBytes)
            return LineRead::Broken;
        line += static_cast<char>(c);
    }
}

bool IntegerField(const json& object, const char* key, long long& value)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer())
        return false;
    value = found->get<long long>();
    return true;
}

// One card line of a group: card `number` of `count` in `file`. False when it is not.
bool ParseCardLine(const json& line, const std::string& file, long long number, long long count,
                   CardRecord& card)
{
    long long cardNumber = 0, cardCount = 0;
    if (line.value("file", json()) != file || !IntegerField(line, "card", cardNumber) ||
        !IntegerField(line, "cards", cardCount) || cardNumber != number || cardCount != count)
        return false;
    card.content = line;
    for (const char* key : kOwnKeys)
        card.content.erase(key);
    if (auto review = line.find("review"); review != line.end()) {
        if (!review->is_array())
            return false;
        for (const json& tag : *review) {
            card.review.unknownColumns |= tag == kUnknownColumns;
            card.review.orientationUnsettled |= tag == kOrientationUnsettled;
            card.review.lowFitQuality |= tag == kLowFitQuality;
        }
    }
    // The columns come back from the card's own doubtfulColumns ([{"column", "reason"}]).
    if (auto doubtful = card.content.find("doubtfulColumns");
        doubtful != card.content.end() && doubtful->is_array())
        for (const json& column : *doubtful)
            if (column.is_object() && column.value("column", json()).is_number_integer())
                card.review.doubtfulColumns.push_back(column["column"].get<int>());
    return true;
}

json ParseObject(const std::string& text)
{
    json value = json::parse(text, nullptr, false);
    return value.is_object() ? value : json();
}

// Reads the rest of a group whose first line is `first`. False when the group is not complete.
bool ParseGroup(std::istream& in, const json& first, PictureOutcome& outcome)
{
    const std::string file = first["file"].get<std::string>();
    if (auto refused = first.find("refused"); refused != first.end()) {
        if (!refused->is_string())
            return false;
        outcome = PictureOutcome::Refusal(refused->get<std::string>());
        return true;
    }
    long long count = 0;
    if (!IntegerField(first, "cards", count) || count < 0 || count > kMaxCardsPerPicture)
        return false;
    if (count == 0)
        return !first.contains("card");
    std::string text;
    for (long long number = 1; number <= count; ++number) {
        json line = first;
        if (number > 1) {
            if (ReadLine(in, text) != LineRead::Line || (line = ParseObject(text)).is_null())
                return false;
        }
        CardRecord card;
        if (!ParseCardLine(line, file, number, count, card))
            return false;
        outcome.cards.push_back(std::move(card));
    }
    return true;
}

struct HeldGroups
{
    bool ok = true;
    std::string message;
    std::size_t count = 0;
    std::uint64_t bytes = 0; // where the last complete group ends
    std::size_t lines = 0;   // the lines of the complete groups
};

// Reads the complete groups at the head of an output and checks them against the list.
HeldGroups ReadHeldGroups(const std::string& source, const std::vector<std::string>& files,
                          const HeldSink& onHeld)
{
    std::ifstream in(source, std::ios::binary);
    if (!in)
        ThrowSystemError(source, "cannot open the output to resume it");
    HeldGroups held;
    std::string text;
    while (ReadLine(in, text) == LineRead::Line) {
        // A correction between or after the groups is kept where it is; a malformed one refuses
        // the output rather than being cut off with what follows it.
        if (LooksLikeCorrection(text)) {
            try {
                ParseCorrection(text);
            } catch (const std::invalid_argument& malformed) {
                return {false,
                        source + ": line " + std::to_string(held.lines + 1) + ": " + malformed.what() +
                            "; nothing was changed",
                        0, 0};
            }
            held.bytes = static_cast<std::uint64_t>(in.tellg());
            ++held.lines;
            continue;
        }
        const json first = ParseObject(text);
        if (first.is_null() || !first.contains("file") || !first["file"].is_string())
            break;
        const std::string file = first["file"].get<std::string>();
        if (held.count == files.size())
            return {false,
                    source + ": holds more pictures than the list of this run; resume with the same list", 0,
                    0};
        if (file != RecordedName(files[held.count]))
            return {false,
                    source + ": picture " + std::to_string(held.count + 1) + " of the output is " + file +
                        " but the list of this run has " + files[held.count] + "; resume with the same list",
                    0, 0};
        PictureOutcome outcome;
        if (!ParseGroup(in, first, outcome))
            break;
        held.bytes = static_cast<std::uint64_t>(in.tellg());
        held.lines += std::max<std::size_t>(1, outcome.cards.size());
        onHeld(held.count++, std::move(outcome));
    }
    if (in.bad())
        ThrowSystemError(source, "cannot read the output to resume it");
    // Anything after the complete groups can only be a torn last group or correction, whose line
    // starts as every line of ours does, or the zeros a power loss leaves; other text means the
    // file is not a batch's output at all.
    in.clear();
    in.seekg(static_cast<std::streamoff>(held.bytes));
    std::string rest(sizeof kLineStart - 1, '\0');
    in.read(rest.data(), static_cast<std::streamsize>(rest.size()));
    rest.resize(static_cast<std::size_t>(in.gcount()));
    const std::size_t zero = rest.find('\0');
    rest.resize(std::min(rest.size(), zero));
    bool ours = std::string_view(kLineStart).substr(0, rest.size()) == rest ||
                std::string_view(kCorrectionStart).substr(0, rest.size()) == rest;
    if (ours && zero != std::string::npos) { // the zeros must run to the end of the file
        in.clear();
        in.seekg(static_cast<std::streamoff>(held.bytes + zero));
        for (int c = in.rdbuf()->sbumpc(); ours && c != std::char_traits<char>::eof();
             c = in.rdbuf()->sbumpc())
            ours = c == 0;
    }
    if (!ours)
        return {false,
                source + ": is not the JSON lines output of a batch (line " + std::to_string(held.lines + 1) +
                    " is none of its lines); nothing was changed",
                0, 0};
    return held;
}

void SyncFolderOf(const std::string& path)
{
    const fs::path parent = fs::path(path).parent_path();
    const int fd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return; // the rename has happened; only its durability across a power loss is less sure
    ::fsync(fd);
    ::close(fd);
}

void WriteAll(int fd, std::string_view bytes, const std::string& path)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            ThrowSystemError(path, "cannot be written");
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace

std::string RecordedName(const std::string& file)
{
    return json::parse(Dump(json(file))).get<std::string>();
}

std::string PartialName(const std::string& path)
{
    return path + ".part";
}

std::string FormatPictureLines(const std::string& file, const PictureOutcome& outcome)
{
    const std::string quotedFile = Dump(json(file));
    if (outcome.refused)
        return "{\"file\":" + quotedFile + ",\"refused\":" + Dump(json(outcome.reason)) + "}\n";
    if (outcome.cards.empty())
        return "{\"file\":" + quotedFile + ",\"cards\":0}\n";
    std::string lines;
    for (std::size_t i = 0; i < outcome.cards.size(); ++i)
        lines += CardLine(quotedFile, i + 1, outcome.cards.size(), outcome.cards[i]);
    return lines;
}

namespace {

// Opens OUT.part for writing, unchanged, with a lock that no other run can share; -1 (errno set)
// when it cannot be opened, -2 when another run holds it. A .part that is not a regular file is
// refused as the output itself would be.
int OpenLockedPart(const std::string& part)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd =
            ::open(part.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666);
        if (fd < 0)
            return -1;
        struct stat opened
        {
        }, named{};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            errno = EINVAL;
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -2;
        }
        // The run that held the lock may have renamed its file to OUT meanwhile: the lock must
        // be on the file that still has the name.
        if (::stat(part.c_str(), &named) == 0 && named.st_ino == opened.st_ino &&
            named.st_dev == opened.st_dev)
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

} // namespace

JournalStart JsonlJournal::Start(const std::string& path, const std::vector<std::string>& files, bool resume,
                                 const HeldSink& onHeld, std::chrono::milliseconds syncInterval)
{
    // A link is followed and the file it leads to written; a device, FIFO or folder is refused.
    const Algemeen::OutputTarget target = Algemeen::ResolveOutput(path);
    if (!target.ok)
        throw std::runtime_error(target.message);
    const std::string part = PartialName(target.path);
    // The lock comes first: a second run on the same output neither reads nor touches it.
    const int fd = OpenLockedPart(part);
    if (fd == -2)
        return {false, path + ": another batch is writing this output now (" + part + " is locked)", 0,
                nullptr};
    if (fd < 0)
        ThrowSystemError(part, "cannot be opened for writing");
    std::unique_ptr<JsonlJournal> journal(new JsonlJournal(target.path, fd, syncInterval));
    struct stat partStat
    {
    };
    const bool partHasData = ::fstat(fd, &partStat) == 0 && partStat.st_size > 0;
    std::string source;
    if (resume)
        source = partHasData ? part : (target.exists ? target.path : "");
    JournalStart start;
    HeldGroups held;
    if (!source.empty()) {
        held = ReadHeldGroups(source, files, onHeld);
        if (!held.ok) {
            if (!partHasData)
                ::unlink(part.c_str()); // only the empty file this run made
            return {false, held.message, 0, nullptr};
        }
        if (source != part) {
            // Carries on a finished output: its groups are copied into the locked .part, so the
            // output itself stays as it is until Finish replaces it.
            std::ifstream in(source, std::ios::binary);
            std::string bytes(static_cast<std::size_t>(held.bytes), '\0');
            if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
                ThrowSystemError(source, "cannot read the output to resume it");
            WriteAll(fd, bytes, part);
        }
    }
    if (::ftruncate(fd, static_cast<off_t>(held.bytes)) != 0 || ::lseek(fd, 0, SEEK_END) < 0)
        ThrowSystemError(part, "cannot be cut back to its last complete picture");
    if (target.exists && ::fchmod(fd, target.mode) != 0)
        ThrowSystemError(part, "cannot be given the permissions of " + path);
    if (!source.empty())
        journal->Sync();
    start.journal = std::move(journal);
    start.held = held.count;
    return start;
}

JsonlJournal::JsonlJournal(std::string path, int fd, std::chrono::milliseconds syncInterval)
    : path_(std::move(path)), fd_(fd), syncInterval_(syncInterval),
      lastSync_(std::chrono::steady_clock::now())
{
}

JsonlJournal::~JsonlJournal()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void JsonlJournal::Sync()
{
    if (::fdatasync(fd_) != 0)
        ThrowSystemError(PartialName(path_), "cannot be synced to disk");
    lastSync_ = std::chrono::steady_clock::now();
    unsynced_ = false;
}

void JsonlJournal::Append(const std::string& file, const PictureOutcome& outcome)
{
    WriteAll(fd_, FormatPictureLines(file, outcome), PartialName(path_));
    unsynced_ = true;
    if (std::chrono::steady_clock::now() - lastSync_ >= syncInterval_)
        Sync();
}

void JsonlJournal::Finish()
{
    Sync();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        ThrowSystemError(PartialName(path_), "cannot be closed");
    const std::string part = PartialName(path_);
    if (std::rename(part.c_str(), path_.c_str()) != 0)
        ThrowSystemError(path_, "cannot be made from " + part);
    SyncFolderOf(path_);
}

void WriteFileWhole(const std::string& path, std::string_view bytes)
{
    if (const Algemeen::WriteResult written = Algemeen::WriteWholeFile(path, bytes); !written.ok)
        throw std::runtime_error(written.message);
    SyncFolderOf(path);
}

// "DIR/box_card7.bmp-card2-unknown-columns+low-fit-quality+doubtful-columns-12-40.png": the picture's
// path with its slashes made part of the name, the card in the picture, and why it needs a look.
namespace {

// Sixteen hex digits of a 64-bit FNV-1a hash.
std::string HashText(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

// The longest list of doubtful columns a name carries; more are counted ("-and-7-more").
constexpr std::size_t kNamedDoubtfulColumns = 12;

} // namespace

std::string ReviewFileName(const std::string& dir, const std::string& file, std::size_t card,
                           const ReviewFlags& review)
{
    std::string name = file;
    std::replace(name.begin(), name.end(), '/', '_');
    std::string why;
    for (const auto& [flag, text] : {std::pair{review.unknownColumns, "unknown-columns"},
                                     {review.orientationUnsettled, "orientation-not-settled"},
                                     {review.lowFitQuality, "low-fit-quality"}})
        if (flag)
            why += (why.empty() ? "" : "+") + std::string(text);
    if (!review.doubtfulColumns.empty()) {
        why += why.empty() ? "doubtful-columns" : "+doubtful-columns";
        const std::size_t named = std::min(review.doubtfulColumns.size(), kNamedDoubtfulColumns);
        for (std::size_t k = 0; k < named; ++k)
            why += "-" + std::to_string(review.doubtfulColumns[k]);
        if (named < review.doubtfulColumns.size())
            why += "-and-" + std::to_string(review.doubtfulColumns.size() - named) + "-more";
    }
    const std::string tail = "-card" + std::to_string(card) + "-" + why + ".png";
    // A name the file system cannot hold is cut, and a hash of the whole path keeps it apart from
    // the names of other pictures cut the same way.
    if (name.size() + tail.size() > kMaxFileNameBytes) {
        const std::string hash = "~" + HashText(file);
        std::size_t keep = kMaxFileNameBytes - tail.size() - hash.size();
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep; // never half a UTF-8 character
        name = name.substr(0, keep) + hash;
    }
    return (std::filesystem::path(dir) / (name + tail)).string();
}

} // namespace Batch
