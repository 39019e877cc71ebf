#include "CodeTable.h"

#include "Ponskaart.h"

#include <cstdio>
#include <sstream>

namespace korvane {

namespace {

constexpr int kCodes = Ogenblik::kCodeCount;
constexpr int kRows = Ogenblik::kGridRows;
constexpr int kCharacterLine = 12;
constexpr int kFirstRowLine = 14;
constexpr std::size_t kFirstPosition = 5; // position of code 1 on a line, counted from 1
constexpr std::size_t kNeededLength = kFirstPosition - 1 + kCodes;

// Line `number` (1-based) of the stream into `line`, without a trailing CR; false at the end.
bool ReadLine(std::istream& in, int& number, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    ++number;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

// Skips lines until the next one to read is `wanted`; false when the stream ends first.
bool SkipTo(std::istream& in, int& number, int wanted)
{
    std::string line;
    while (number + 1 < wanted)
        if (!ReadLine(in, number, line))
            return false;
    return true;
}

std::string EndsBefore(int line)
{
    return "the file ends before line " + std::to_string(line);
}

std::string TooShort(int number, const std::string& line)
{
    return "line " + std::to_string(number) + " has " + std::to_string(line.size()) +
           " characters; the table needs " + std::to_string(kNeededLength);
}

} // namespace

std::string DescribeCharacter(const std::string& text, std::size_t at)
{
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x20 && byte < 0x7F)
        return std::string("'") + text[at] + "'";
    if (byte < 0x80 || byte == 0x7F) {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", byte);
        return std::string("control character ") + code;
    }
    std::size_t end = at + 1; // a UTF-8 sequence: the lead byte and its continuation bytes
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return "'" + text.substr(at, end - at) + "'";
}

namespace {

ParsedCodeTable Failure(std::string message)
{
    ParsedCodeTable result;
    result.Message = std::move(message);
    return result;
}

} // namespace

ParsedCodeTable ParseCodeTable(std::istream& in, bool refuseOddMarks)
{
    ParsedCodeTable result;
    auto& table = result.Entries;
    table[0].assign(1, '?');
    int number = 0;
    std::string line;
    if (!SkipTo(in, number, kCharacterLine) || !ReadLine(in, number, line))
        return Failure(EndsBefore(kCharacterLine));
    if (line.size() < kNeededLength)
        return Failure(TooShort(number, line));
    for (int k = 1; k <= kCodes; ++k)
        table[static_cast<std::size_t>(k)] = line.substr(kFirstPosition - 2 + static_cast<std::size_t>(k), 1);
    if (!SkipTo(in, number, kFirstRowLine))
        return Failure(EndsBefore(kFirstRowLine));
    for (int row = 0; row < kRows; ++row) {
        if (!ReadLine(in, number, line))
            return Failure(EndsBefore(number + 1));
        if (line.size() < kNeededLength)
            return Failure(TooShort(number, line));
        for (int k = 1; k <= kCodes; ++k) {
            const std::size_t at = kFirstPosition - 2 + static_cast<std::size_t>(k);
            const char mark = line[at];
            if (mark != 'O' && mark != ' ' && result.MarkProblem.empty())
                result.MarkProblem = "line " + std::to_string(number) + ", position " +
                                     std::to_string(at + 1) + ": mark " + DescribeCharacter(line, at) +
                                     " is neither \"O\" nor a blank";
            if (refuseOddMarks && !result.MarkProblem.empty())
                return Failure(result.MarkProblem);
            table[static_cast<std::size_t>(k)] += mark;
        }
    }
    result.Ok = true;
    return result;
}

namespace {

// (Built by appending: g++ 12 warns falsely about overlapping copies in a chain of string
// concatenations here.)
std::string FailureText(const char* before, const std::string& name, const char* after)
{
    std::string text = before;
    text += '"';
    text += name;
    text += '"';
    text += after;
    return text;
}

} // namespace

Algemeen::FileBytes ReadCodeTableBytes(const std::string& fileName)
{
    return Algemeen::ReadRegularFile(fileName, kCodeTableReadBytes);
}

CodeTableRead ParseCodeTableFile(const Algemeen::FileBytes& file, bool refuseOddMarks)
{
    CodeTableRead read;
    read.Status = file.status;
    read.FileMessage = file.message;
    read.Complete = file.complete;
    if (file.status == Algemeen::FileStatus::Ok) {
        std::istringstream in(file.bytes);
        read.Parsed = ParseCodeTable(in, refuseOddMarks);
    }
    return read;
}

CodeTableRead ReadCodeTableFile(const std::string& fileName, bool refuseOddMarks)
{
    return ParseCodeTableFile(ReadCodeTableBytes(fileName), refuseOddMarks);
}

std::optional<CodeTableEntries> ReadCardSpec(const std::string& fileName, std::string& failure)
{
    return CardSpecOfFile(fileName, ReadCodeTableBytes(fileName), failure);
}

std::optional<CodeTableEntries> CardSpecOfFile(const std::string& fileName, const Algemeen::FileBytes& file,
                                               std::string& failure)
{
    if (file.status == Algemeen::FileStatus::Missing || file.status == Algemeen::FileStatus::NotRegular) {
        failure = FailureText("TextFile  ", fileName, "  with punchcard specifications: missing");
        return std::nullopt;
    }
    CodeTableRead read = ParseCodeTableFile(file);
    if (!read.Parsed.Ok) {
        failure = FailureText("Errors in  ", fileName, "  with supposed punchcard specifications");
        return std::nullopt;
    }
    return std::move(read.Parsed.Entries);
}

} // namespace korvane
