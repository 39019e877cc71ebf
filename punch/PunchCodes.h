// The card code table "ibmkaart.txt" seen from punching: which holes each character needs, and text
// turned into the punch patterns of a card's 80 columns. The file is read and parsed by the
// reader's code table (CodeTable.h), the one parser of it; punching refuses more than reading does
// (a mark that is neither "O" nor a blank) and names the line and position in its messages.
#pragma once

#include "CardPunches.h"
#include "Ponskaart.h"

#include <array>
#include <istream>
#include <string>
#include <vector>

namespace Punch {

inline constexpr char kCodeTableFileName[] = "ibmkaart.txt";
inline constexpr int kCodeCount = Ogenblik::kCodeCount;
inline constexpr int kCardColumns = Ogenblik::kGridColumns;
inline constexpr int kColumnRows = Ogenblik::kGridRows;

// The punches of one column (row 12, along the edge with the cut corner, in bit 11; rows 11, 0, 1,
// ..., 9 below it) and of a card's text columns 1 to 80 (index 0 to 79).
using PunchPattern = Algemeen::ColumnPunches;
using Algemeen::CardPunches;

struct CardCode
{
    char character = ' ';
    PunchPattern pattern{};
};

// Codes in file order (code 1 first), or the reason the table could not be read.
struct CodeTableResult
{
    bool ok = false;
    std::string message;
    std::vector<CardCode> codes;
};

// Parses the table from a text stream. Lines may end in CR LF. Fails with a message naming the
// line when the stream ends early, a needed position lies beyond the end of its line, or a mark
// is neither "O" nor a blank (such a code could not be punched).
CodeTableResult ParseCodeTable(std::istream& in);

// Reads the table from the beginning of a regular file (at most korvane::kCodeTableReadBytes); a
// missing file, a FIFO or device, or a read error is a failed result, not an exception.
CodeTableResult ReadCodeTable(const std::string& fileName);

// The first code for a character, or nullptr when the table has none.
const CardCode* FindCode(const std::vector<CardCode>& codes, char character);

// Text of at most 80 columns into the patterns of a card; columns after the text stay unpunched.
struct PunchResult
{
    bool ok = false;
    std::string message; // names the column and the character that has no code
    CardPunches punches{};
};
PunchResult PunchText(const std::string& text, const std::vector<CardCode>& codes);

} // namespace Punch
