#include "Journal.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
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
        onHeld(held.count++, std::move(outcome));
    }
    if (in.bad())
        ThrowSystemError(source, "cannot read the output to resume it");
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

JournalStart JsonlJournal::Start(const std::string& path, const std::vector<std::string>& files, bool resume,
                                 const HeldSink& onHeld, std::chrono::milliseconds syncInterval)
{
    const std::string part = PartialName(path);
    std::string source;
    if (resume)
        source = fs::exists(part) ? part : (fs::exists(path) ? path : "");
    JournalStart start;
    HeldGroups held;
    if (!source.empty()) {
        held = ReadHeldGroups(source, files, onHeld);
        if (!held.ok)
            return {false, held.message, 0, nullptr};
        if (source == path && std::rename(path.c_str(), part.c_str()) != 0)
            ThrowSystemError(path, "cannot be renamed to " + part);
    }
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (source.empty() ? O_TRUNC : 0);
    const int fd = ::open(part.c_str(), flags, 0666);
    if (fd < 0)
        ThrowSystemError(part, "cannot be opened for writing");
    start.journal.reset(new JsonlJournal(path, fd, syncInterval));
    if (!source.empty()) {
        if (::ftruncate(fd, static_cast<off_t>(held.bytes)) != 0 || ::lseek(fd, 0, SEEK_END) < 0)
            ThrowSystemError(part, "cannot be cut back to its last complete picture");
        start.journal->Sync();
    }
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
    // A name of our own beside the target (same file system, so the rename is atomic), created
    // exclusively with the usual permissions.
    static std::atomic<unsigned> serial{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(serial++);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        ThrowSystemError(path, "cannot be written (no temporary file beside it)");
    try {
        WriteAll(fd, bytes, path);
        if (::fsync(fd) != 0)
            ThrowSystemError(path, "cannot be synced to disk");
        const int closing = fd;
        fd = -1;
        if (::close(closing) != 0)
            ThrowSystemError(path, "cannot be closed");
        if (std::rename(temporary.c_str(), path.c_str()) != 0)
            ThrowSystemError(path, "cannot be written (the rename failed)");
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    SyncFolderOf(path);
}

// "DIR/box_card7.bmp-card2-unknown-columns+low-fit-quality+doubtful-columns-12-40.png": the picture's
// path with its slashes made part of the name, the card in the picture, and why it needs a look.
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
        for (const int column : review.doubtfulColumns)
            why += "-" + std::to_string(column);
    }
    return (std::filesystem::path(dir) / (name + "-card" + std::to_string(card) + "-" + why + ".png"))
        .string();
}

} // namespace Batch
