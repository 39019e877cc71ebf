#include "CodeTableFile.h"

#include "CardSpec.h"
#include "FileAccess.h"

#include <cstdio>
#include <sstream>

namespace Cli {

namespace {

constexpr int kCharacterLine = 12;
constexpr int kFirstRowLine = 14;
constexpr int kFirstCodePosition = 5; // 1-based position of code 1 on the table lines
constexpr std::size_t kNeededLength = kFirstCodePosition - 1 + kCodeCount;

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

CodeTableResult Failure(std::string message)
{
    CodeTableResult result;
    result.message = std::move(message);
    return result;
}

std::string TooShort(int number, const std::string& line)
{
    return "line " + std::to_string(number) + " has " + std::to_string(line.size()) +
           " characters; the table needs " + std::to_string(kNeededLength);
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

// A character as a message shows it: quoted when printable, else its byte values.
std::string Describe(const std::string& text, std::size_t at)
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

} // namespace

CodeTableResult ParseCodeTable(std::istream& in)
{
    CodeTableResult result;
    int number = 0;
    std::string line;
    if (!SkipTo(in, number, kCharacterLine) || !ReadLine(in, number, line))
        return Failure("the file ends before line " + std::to_string(kCharacterLine));
    if (line.size() < kNeededLength)
        return Failure(TooShort(number, line));
    result.codes.resize(kCodeCount);
    for (int k = 0; k < kCodeCount; ++k)
        result.codes[static_cast<std::size_t>(k)].character = line[kFirstCodePosition - 1 + k];

    if (!SkipTo(in, number, kFirstRowLine))
        return Failure("the file ends before line " + std::to_string(kFirstRowLine));
    for (int row = 0; row < kColumnRows; ++row) {
        if (!ReadLine(in, number, line))
            return Failure("the file ends before line " + std::to_string(number + 1));
        if (line.size() < kNeededLength)
            return Failure(TooShort(number, line));
        for (int k = 0; k < kCodeCount; ++k) {
            const std::size_t at = kFirstCodePosition - 1 + static_cast<std::size_t>(k);
            if (line[at] != 'O' && line[at] != ' ')
                return Failure("line " + std::to_string(number) + ", position " + std::to_string(at + 1) +
                               ": mark " + Describe(line, at) + " is neither \"O\" nor a blank");
            result.codes[static_cast<std::size_t>(k)].pattern[static_cast<std::size_t>(row)] =
                line[at] == 'O';
        }
    }
    result.ok = true;
    return result;
}

CodeTableResult ReadCodeTable(const std::string& fileName)
{
    // The same bounded beginning of the file that reading a card uses.
    const Algemeen::FileBytes file = Algemeen::ReadRegularFile(fileName, Unit1::kCodeTableReadBytes);
    if (file.status == Algemeen::FileStatus::Missing)
        return Failure("missing; the card code table must lie in the current directory");
    if (file.status != Algemeen::FileStatus::Ok)
        return Failure(file.message);
    std::istringstream in(file.bytes);
    auto result = ParseCodeTable(in);
    if (!result.ok && !file.complete)
        result.message += " (only the first " + std::to_string(Unit1::kCodeTableReadBytes) +
                          " bytes of the table are read)";
    return result;
}

const CardCode* FindCode(const std::vector<CardCode>& codes, char character)
{
    for (const auto& code : codes)
        if (code.character == character)
            return &code;
    return nullptr;
}

PunchResult PunchText(const std::string& text, const std::vector<CardCode>& codes)
{
    PunchResult result;
    for (std::size_t column = 0; column < text.size(); ++column) {
        const CardCode* code = FindCode(codes, text[column]);
        if (code == nullptr) {
            result.message = "column " + std::to_string(column + 1) + ": " + Describe(text, column) +
                             " has no code in " + kCodeTableFileName;
            return result;
        }
        if (column < kCardColumns)
            result.punches[column] = code->pattern;
    }
    if (text.size() > kCardColumns) {
        result.message =
            std::to_string(text.size()) + " columns of text; a card holds " + std::to_string(kCardColumns);
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace Cli
