#include "PunchCodes.h"

#include "CodeTable.h"

namespace Punch {

namespace {

CodeTableResult Failure(std::string message)
{
    CodeTableResult result;
    result.message = std::move(message);
    return result;
}

// The codes of a parsed table, with a mark that is neither "O" nor a blank refused: such a code
// could not be punched.
CodeTableResult FromParsed(const korvane::ParsedCodeTable& parsed)
{
    if (!parsed.Ok)
        return Failure(parsed.Message);
    CodeTableResult result;
    result.codes.resize(kCodeCount);
    for (std::size_t k = 0; k < kCodeCount; ++k) {
        const std::string& entry = parsed.Entries[k + 1];
        result.codes[k].character = entry[0];
        for (int row = 0; row < kColumnRows; ++row)
            if (entry[static_cast<std::size_t>(row) + 1] == 'O')
                result.codes[k].pattern |= Algemeen::RowBit(row);
    }
    result.ok = true;
    return result;
}

} // namespace

CodeTableResult ParseCodeTable(std::istream& in)
{
    return FromParsed(korvane::ParseCodeTable(in, true));
}

CodeTableResult ReadCodeTable(const std::string& fileName)
{
    const korvane::CodeTableRead read = korvane::ReadCodeTableFile(fileName, true);
    if (read.Status == Algemeen::FileStatus::Missing)
        return Failure("missing; the card code table must lie in the current directory");
    if (read.Status != Algemeen::FileStatus::Ok)
        return Failure(read.FileMessage);
    auto result = FromParsed(read.Parsed);
    if (!result.ok && !read.Complete)
        result.message += " (only the first " + std::to_string(korvane::kCodeTableReadBytes) +
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
            result.message = "column " + std::to_string(column + 1) + ": " +
                             korvane::DescribeCharacter(text, column) + " has no code in " +
                             kCodeTableFileName;
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

} // namespace Punch
