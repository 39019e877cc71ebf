#include "Corrections.h"

#include "FileAccess.h"
#include "Journal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

using nlohmann::json;

namespace Batch {

namespace {

constexpr char kCorrectKey[] = "correct";

std::string Dump(const json& value)
{
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string OctalColumn(Algemeen::ColumnPunches column, int number)
{
    if (column > 07777)
        throw std::invalid_argument("column " + std::to_string(number) + " holds bits beyond the 12 rows");
    std::string digits(4, '0');
    for (int k = 3; k >= 0; --k, column >>= 3)
        digits[static_cast<std::size_t>(k)] = static_cast<char>('0' + (column & 7));
    return digits;
}

Algemeen::ColumnPunches ParseOctalColumn(const json& value, int number)
{
    const std::string* digits = value.get_ptr<const std::string*>();
    bool ok = digits != nullptr && digits->size() == 4;
    unsigned bits = 0;
    for (std::size_t k = 0; ok && k < 4; ++k) {
        ok = (*digits)[k] >= '0' && (*digits)[k] <= '7';
        bits = bits * 8 + static_cast<unsigned>((*digits)[k] - '0');
    }
    if (!ok)
        throw std::invalid_argument("column " + std::to_string(number) +
                                    " of \"punches\" is not 4 octal digits");
    return static_cast<Algemeen::ColumnPunches>(bits);
}

[[noreturn]] void Malformed(const std::string& what)
{
    throw std::invalid_argument("a correction record " + what);
}

Correction CorrectionFromJson(const json& record)
{
    Correction correction;
    const json& target = record[kCorrectKey];
    if (!target.is_object())
        Malformed("names no card (\"correct\" is not an object)");
    const auto file = target.find("file");
    if (file == target.end() || !file->is_string() || file->get_ref<const std::string&>().empty())
        Malformed("names no picture (\"correct\".\"file\")");
    correction.File = file->get<std::string>();
    const auto card = target.find("card");
    if (card == target.end() || !card->is_number_integer() || card->get<long long>() < 1 ||
        card->get<long long>() > std::numeric_limits<std::int32_t>::max())
        Malformed("names no card from 1 up (\"correct\".\"card\")");
    correction.Card = static_cast<std::int32_t>(card->get<long long>());
    const auto punches = record.find("punches");
    if (punches == record.end() || !punches->is_array() || punches->size() != Algemeen::kCardColumns)
        Malformed("has no 80 columns of \"punches\"");
    for (int k = 0; k < Algemeen::kCardColumns; ++k)
        correction.Punches[static_cast<std::size_t>(k)] =
            ParseOctalColumn((*punches)[static_cast<std::size_t>(k)], k + 1);
    const auto text = record.find("text80");
    if (text == record.end() || !text->is_string())
        Malformed("has no \"text80\"");
    correction.Text80 = text->get<std::string>();
    if (const auto by = record.find("by"); by != record.end()) {
        if (!by->is_string())
            Malformed("has a \"by\" that is not a string");
        correction.By = by->get<std::string>();
    }
    return correction;
}

// The journal's last byte is LF (or the journal is empty); false, with the reason, when not.
bool EndsWithWholeLine(int fd, const std::string& journal, std::string& error)
{
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size < 0) {
        error = journal + ": cannot be read (" + std::strerror(errno) + ")";
        return false;
    }
    if (size == 0)
        return true;
    char last = 0;
    if (::pread(fd, &last, 1, size - 1) != 1 || last != '\n') {
        error = journal + ": does not end with a whole line; it is no finished journal";
        return false;
    }
    return true;
}

// False when a batch holds the journal's .part locked: it is writing the journal now and will
// replace it when it finishes, so a line appended meanwhile would be lost.
bool NoBatchWriting(const std::string& journal, std::string& error)
{
    const std::string part = PartialName(journal);
    const int fd = ::open(part.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return true;
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    if (!free)
        error = journal + ": a batch is writing this journal now (" + part + " is locked); correct it after";
    return free;
}

} // namespace

std::string CorrectionLine(const Correction& correction)
{
    if (correction.File.empty())
        throw std::invalid_argument("a correction must name its picture");
    if (correction.Card < 1)
        throw std::invalid_argument("a correction's card is counted from 1");
    json punches = json::array();
    for (int k = 0; k < Algemeen::kCardColumns; ++k)
        punches.push_back(OctalColumn(correction.Punches[static_cast<std::size_t>(k)], k + 1));
    return "{\"correct\":{\"file\":" + Dump(correction.File) +
           ",\"card\":" + std::to_string(correction.Card) + "},\"punches\":" + Dump(punches) +
           ",\"text80\":" + Dump(correction.Text80) + ",\"by\":" + Dump(correction.By) + "}";
}

bool LooksLikeCorrection(std::string_view line)
{
    return line.starts_with("{\"correct\":");
}

std::optional<Correction> ParseCorrection(std::string_view line)
{
    const json record = json::parse(line, nullptr, false);
    if (!record.is_object()) {
        if (LooksLikeCorrection(line))
            Malformed("is not a JSON object");
        return std::nullopt;
    }
    if (!record.contains(kCorrectKey))
        return std::nullopt;
    return CorrectionFromJson(record);
}

bool AppendCorrection(const std::string& journal, const Correction& correction, std::string& error)
{
    const std::string line = CorrectionLine(correction) + "\n";
    // Opened for reading first, so a journal that is missing is not made and its end can be read.
    const Algemeen::OpenedFile probe = Algemeen::OpenRegularFile(journal, Algemeen::OpenMode::Read);
    if (probe.status != Algemeen::FileStatus::Ok) {
        error = journal + ": " +
                (probe.status == Algemeen::FileStatus::Missing ? "no such journal" : probe.message);
        return false;
    }
    if (!NoBatchWriting(journal, error) || !EndsWithWholeLine(probe.handle.Get(), journal, error))
        return false;
    Algemeen::OpenedFile opened = Algemeen::OpenRegularFile(journal, Algemeen::OpenMode::Append);
    if (opened.status != Algemeen::FileStatus::Ok) {
        error = journal + ": " + opened.message;
        return false;
    }
    const int fd = opened.handle.Get();
    if (!Algemeen::WriteAll(opened.handle, line) || ::fsync(fd) != 0) {
        error = journal + ": the correction cannot be written (" + std::strerror(errno) + ")";
        return false;
    }
    if (!opened.handle.Close()) {
        error = journal + ": cannot be closed after the correction (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

namespace {

// Line `number` (from 1) of a journal into the corrections, the later over the earlier.
void TakeLine(const std::string& line, std::size_t number, CorrectionMap& corrections)
{
    // Only a line that names the key can be a correction: the reading lines are not parsed.
    if (line.find("\"correct\"") == std::string::npos)
        return;
    try {
        if (std::optional<Correction> correction = ParseCorrection(line)) {
            CorrectionKey key{correction->File, correction->Card};
            corrections.insert_or_assign(std::move(key), std::move(*correction));
        }
    } catch (const std::invalid_argument& malformed) {
        throw std::invalid_argument("line " + std::to_string(number) + ": " + malformed.what());
    }
}

} // namespace

CorrectionMap CorrectionsOf(std::span<const std::string> lines)
{
    CorrectionMap corrections;
    for (std::size_t k = 0; k < lines.size(); ++k)
        TakeLine(lines[k], k + 1, corrections);
    return corrections;
}

CorrectionMap CorrectionsOf(const std::filesystem::path& journal)
{
    std::ifstream in(journal, std::ios::binary);
    if (!in)
        throw std::runtime_error(journal.string() + ": cannot be read");
    CorrectionMap corrections;
    std::size_t number = 0;
    for (std::string line; std::getline(in, line);)
        TakeLine(line, ++number, corrections);
    if (in.bad())
        throw std::runtime_error(journal.string() + ": cannot be read");
    return corrections;
}

} // namespace Batch
