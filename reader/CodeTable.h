// The card code table, the text file "ibmkaart.txt": line 12 holds the 62 code characters at
// positions 5 to 66, lines 14 to 25 the punch rows 12, 11, 0, 1, ..., 9 with "O" under a
// character for a punch and a blank for none. One parser serves both the reader (which reads the
// table again for every card) and the scan painter behind `punch`.
#pragma once

#include "FileAccess.h"
#include "korvane/Codes.h"

#include <array>
#include <cstddef>
#include <istream>
#include <optional>
#include <string>

namespace korvane {

// How much of the table file is read: lines 1 to 25 must lie within it, and nothing after line 25
// is ever used. The table shipped with the program takes 2.3 kB.
inline constexpr std::size_t kCodeTableReadBytes = 16 * 1024;

struct ParsedCodeTable
{
    // Every needed line is there and long enough; `Entries` then holds the table.
    bool Ok = false;
    // Why not: "the file ends before line N" or "line N has L characters; the table needs 66".
    std::string Message;
    // The first mark that is neither "O" nor a blank ("line N, position P: mark 'X' is neither "O"
    // nor a blank"), empty when there is none. The reader keeps such a mark as it is (that code then
    // matches no column); a card cannot be punched from it.
    std::string MarkProblem;
    CodeTableEntries Entries;
};

// Parses the table from a text stream. A carriage return ending a line is not part of it. With
// `refuseOddMarks` the first mark that is neither "O" nor a blank ends the parse as a failure
// (Message holds what MarkProblem would).
ParsedCodeTable ParseCodeTable(std::istream& in, bool refuseOddMarks = false);

// The table file's bytes as every user of it reads them: only a regular file counts (a FIFO would
// block the read), and only its first kCodeTableReadBytes are read, however large the file is.
Algemeen::FileBytes ReadCodeTableBytes(const std::string& fileName);

// The file as read and, when it could be read, parsed.
struct CodeTableRead
{
    Algemeen::FileStatus Status = Algemeen::FileStatus::Missing;
    std::string FileMessage; // why the file could not be read, when Status is not Ok
    bool Complete = false;   // the whole file lay within the bytes read
    ParsedCodeTable Parsed;  // parsed only when Status is Ok
};
CodeTableRead ParseCodeTableFile(const Algemeen::FileBytes& file, bool refuseOddMarks = false);
// ParseCodeTableFile(ReadCodeTableBytes(fileName), refuseOddMarks).
CodeTableRead ReadCodeTableFile(const std::string& fileName, bool refuseOddMarks = false);

// A character of a text as a message shows it: quoted when printable, else its byte values; a
// UTF-8 sequence as a whole.
std::string DescribeCharacter(const std::string& text, std::size_t at);

// Reads the table for a card. On failure gives the red text line of the window:
// "TextFile  "<name>"  with punchcard specifications: missing" or
// "Errors in  "<name>"  with supposed punchcard specifications".
std::optional<CodeTableEntries> ReadCardSpec(const std::string& fileName, std::string& failure);
// The same for the bytes already read from the file.
std::optional<CodeTableEntries> CardSpecOfFile(const std::string& fileName, const Algemeen::FileBytes& file,
                                               std::string& failure);

} // namespace korvane
