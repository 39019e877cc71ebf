// The one read of the code table file and its two views: the reader's red text line and punch's
// message with line and position, for the same file in each case.
#include "CodeTable.h"

#include "PunchCodes.h"
#include "TestSupport.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The repository's table with the mark of code 1 on line 14 (row 12) replaced.
std::string TableWithMark(char mark)
{
    std::string text;
    int number = 0;
    for (std::string line : TestSupport::ReadFileLines(TestSupport::SourcePath("ibmkaart.txt"))) {
        if (++number == 14)
            line[4] = mark;
        text += line + "\n";
    }
    return text;
}

struct TableCase
{
    const char* name;
    std::function<void()> make; // makes "t.txt" in the current directory, or leaves it missing
    Algemeen::FileStatus status;
    bool complete;
    bool parsed;        // what the reader's lenient parse says
    const char* reader; // the red line, empty when the reader takes the table
    const char* punch;  // punch's message, empty when punch takes the table
};

} // namespace

TEST(CodeTableFileTest, OneReadServesTheReaderAndPunchWithTheirOwnMessages)
{
    const std::string table = TestSupport::ReadFileText(TestSupport::SourcePath("ibmkaart.txt"));
    const std::string missing = "TextFile  \"t.txt\"  with punchcard specifications: missing";
    const std::string errors = "Errors in  \"t.txt\"  with supposed punchcard specifications";
    const TableCase cases[] = {
        {"the shipped table", [&] { TestSupport::WriteFileText("t.txt", table); }, Algemeen::FileStatus::Ok,
         true, true, "", ""},
        {"no file", [] {}, Algemeen::FileStatus::Missing, false, false, missing.c_str(),
         "missing; the card code table must lie in the current directory"},
        {"a directory", [] { std::filesystem::create_directory("t.txt"); }, Algemeen::FileStatus::NotRegular,
         false, false, missing.c_str(), "not a regular file (a directory)"},
        {"a FIFO", [] { ASSERT_EQ(mkfifo("t.txt", 0600), 0); }, Algemeen::FileStatus::NotRegular, false,
         false, missing.c_str(), "not a regular file (a FIFO)"},
        {"an odd mark: the reader keeps it, punch refuses it",
         [] { TestSupport::WriteFileText("t.txt", TableWithMark('X')); }, Algemeen::FileStatus::Ok, true,
         true, "", "line 14, position 5: mark 'X' is neither \"O\" nor a blank"},
        {"too short", [&] { TestSupport::WriteFileText("t.txt", table.substr(0, table.size() / 2)); },
         Algemeen::FileStatus::Ok, true, false, errors.c_str(), nullptr},
        {"short lines beyond the bytes read",
         [] { TestSupport::WriteFileText("t.txt", std::string(20 * 1024, '\n')); }, Algemeen::FileStatus::Ok,
         false, false, errors.c_str(),
         "line 12 has 0 characters; the table needs 66 (only the first 16384 bytes of the table are read)"},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestSupport::ScratchDir dir;
        c.make();
        const korvane::CodeTableRead read = korvane::ReadCodeTableFile("t.txt");
        EXPECT_EQ(read.Status, c.status);
        EXPECT_EQ(read.Complete, c.complete);
        EXPECT_EQ(read.Parsed.Ok, c.parsed);

        std::string failure;
        const auto entries = korvane::ReadCardSpec("t.txt", failure);
        EXPECT_EQ(entries.has_value(), *c.reader == '\0');
        EXPECT_EQ(failure, c.reader);

        const Punch::CodeTableResult punching = Punch::ReadCodeTable("t.txt");
        if (c.punch == nullptr) {
            EXPECT_FALSE(punching.ok); // the parser's own message, pinned where the parser is tested
        } else {
            EXPECT_EQ(punching.ok, *c.punch == '\0');
            EXPECT_EQ(punching.message, c.punch);
        }
    }
}
