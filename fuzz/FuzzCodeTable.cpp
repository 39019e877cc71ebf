// Fuzz target: the input bytes as the code table file "ibmkaart.txt".
//
// Both readers of the table see the same bytes: ParseCodeTable and ReadCardSpec, which the card
// reader uses, and the stricter Punch::ParseCodeTable of `korvane-cli punch`. Whatever the punch side
// accepts, the reading side must accept with the same characters and patterns. An accepted table
// then decodes a card: text made of the table's own characters is punched with the punch side's
// patterns, and every decoded column must carry the pattern that was punched into it (the lowest
// code with that pattern wins, so the character itself may differ where codes share a pattern).
#include "CodeTable.h"
#include "Decode.h"
#include "FuzzSupport.h"
#include "Ponskaart.h"
#include "PunchCodes.h"

#include <algorithm>
#include <sstream>
#include <string>

namespace {

constexpr int kTextColumns = Ogenblik::kGridColumns;
constexpr int kDecodedColumns = Ogenblik::kTextColumns;
constexpr int kRows = Ogenblik::kGridRows;

std::string AsMarks(Punch::PunchPattern pattern)
{
    std::string marks;
    for (int row = 0; row < kRows; ++row)
        marks += (pattern & Algemeen::RowBit(row)) != 0 ? 'O' : ' ';
    return marks;
}

// The same table seen by both readers.
void CompareReaders(const korvane::CodeTableEntries& reading, const Punch::CodeTableResult& punching)
{
    if (reading[0] != "?")
        Fuzz::Fault("entry 0 is not \"?\"");
    for (std::size_t k = 1; k < reading.size(); ++k)
        if (reading[k].size() != kRows + 1)
            Fuzz::Fault("entry " + std::to_string(k) + " does not hold 13 characters");
    if (!punching.ok)
        return;
    for (std::size_t k = 0; k < punching.codes.size(); ++k) {
        const auto& code = punching.codes[k];
        if (reading[k + 1] != code.character + AsMarks(code.pattern))
            Fuzz::Fault("the readers disagree on code " + std::to_string(k + 1));
    }
}

// Punches the table's characters into a card, one per column, and decodes it again.
void RoundTrip(const Punch::CodeTableResult& punching, const korvane::CodeTableEntries& table)
{
    std::string text;
    for (std::size_t k = 0; text.size() < kTextColumns; k = (k + 1) % punching.codes.size())
        text += punching.codes[k].character;
    const Punch::PunchResult punched = Punch::PunchText(text, punching.codes);
    if (!punched.ok)
        Fuzz::Fault("a character of the table has no code: " + punched.message);

    Algemeen::punten cells(1);
    for (int column = 1; column <= kTextColumns; ++column)
        for (int row = 0; row < kRows; ++row)
            if ((punched.punches[static_cast<std::size_t>(column - 1)] & Algemeen::RowBit(row)) != 0)
                cells.Append({kTextColumns + 1 - column, kRows - row});
    const korvane::DecodedText decoded = korvane::DecodeColumns(table, korvane::PunchesOf(cells));
    if (decoded.Text.size() != kDecodedColumns)
        Fuzz::Fault("an accepted table did not render 72 columns");
    for (std::size_t k = 0; k < kDecodedColumns; ++k) {
        const char character = decoded.Text[k];
        const std::string wanted = AsMarks(punched.punches[k]);
        bool found = false;
        for (std::size_t j = 1; j < table.size() && !found; ++j)
            found = table[j][0] == character && table[j].substr(1) == wanted;
        if (!found)
            Fuzz::Fault("column " + std::to_string(k + 1) + " decoded to a code of another pattern");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::EnterWorkplace();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Both readers of the file look at its beginning only.
    const std::string bytes(reinterpret_cast<const char*>(data),
                            std::min(size, korvane::kCodeTableReadBytes));
    std::istringstream forReading(bytes), forPunching(bytes);
    const korvane::ParsedCodeTable parsed = korvane::ParseCodeTable(forReading);
    const Punch::CodeTableResult punching = Punch::ParseCodeTable(forPunching);
    if (punching.ok && !parsed.Ok)
        Fuzz::Fault("the punch side accepts a table that the reader refuses");
    if (parsed.Ok)
        CompareReaders(parsed.Entries, punching);

    // The file as the card reader meets it.
    Fuzz::WriteInput("ibmkaart.txt", data, size);
    std::string failure;
    const auto read = korvane::ReadCardSpec("ibmkaart.txt", failure);
    if (read.has_value() != parsed.Ok)
        Fuzz::Fault("ReadCardSpec and ParseCodeTable disagree");
    if (!read && failure.rfind("Errors in  ", 0) != 0)
        Fuzz::Fault("a refused table is not reported as an error: " + failure);
    if (read && punching.ok)
        RoundTrip(punching, *read);
    return 0;
}
