#include "CardSpec.h"

#include "FileAccess.h"
#include "Unit1.h"

#include <sstream>

namespace Unit1 {

namespace {

constexpr int kCodes = 62;
constexpr std::size_t kFirstPosition = 5; // position of code 1 on a line, counted from 1
constexpr int kCharacterLine = 12;
constexpr int kFirstRowLine = 14;
constexpr int kRows = 12;

// Reads the next line; past the end of the file, an empty one.
std::string NextLine(std::istream& in)
{
    std::string line;
    if (!std::getline(in, line))
        return {};
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

bool LongEnough(const std::string& line)
{
    return line.size() >= kFirstPosition - 1 + kCodes;
}

} // namespace

std::optional<CodeTableEntries> ParseCardSpec(std::istream& in)
{
    CodeTableEntries table;
    table[0].assign(1, '?');
    int lineNumber = 1;
    for (; lineNumber < kCharacterLine; ++lineNumber)
        NextLine(in);
    const std::string characters = NextLine(in);
    if (!LongEnough(characters))
        return std::nullopt;
    for (int k = 1; k <= kCodes; ++k)
        table[static_cast<std::size_t>(k)] =
            characters.substr(kFirstPosition - 2 + static_cast<std::size_t>(k), 1);
    NextLine(in); // the separator line
    for (int row = 0; row < kRows; ++row) {
        const std::string marks = NextLine(in);
        if (!LongEnough(marks))
            return std::nullopt;
        for (int k = 1; k <= kCodes; ++k)
            table[static_cast<std::size_t>(k)] += marks[kFirstPosition - 2 + static_cast<std::size_t>(k)];
    }
    static_assert(kFirstRowLine == kCharacterLine + 2);
    return table;
}

namespace {

// Shows a failure of the table in red. (Built by appending: g++ 12 warns falsely about
// overlapping copies in a chain of string concatenations here.)
void ShowFailure(Window& window, const char* before, const std::string& name, const char* after)
{
    std::string text = before;
    text += '"';
    text += name;
    text += '"';
    text += after;
    window.SetEditColour(Algemeen::kRed);
    window.SetEditText(text);
}

} // namespace

bool ReadCardSpec(Window& window)
{
    RunState& state = State();
    const std::string& name = state.SpecFileName;
    // Only a regular file counts as the table (a FIFO would block the read), and only its
    // beginning is read, however large the file is.
    const Algemeen::FileBytes file = Algemeen::ReadRegularFile(name, kCodeTableReadBytes);
    if (file.status == Algemeen::FileStatus::Missing || file.status == Algemeen::FileStatus::NotRegular) {
        ShowFailure(window, "TextFile  ", name, "  with punchcard specifications: missing");
        return false;
    }
    std::optional<CodeTableEntries> table;
    if (file.status == Algemeen::FileStatus::Ok) {
        std::istringstream in(file.bytes);
        table = ParseCardSpec(in);
    }
    if (!table) {
        ShowFailure(window, "Errors in  ", name, "  with supposed punchcard specifications");
        return false;
    }
    state.CodeTable = *table;
    return true;
}

} // namespace Unit1
