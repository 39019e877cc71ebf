// korvane-cli against files that are not what they seem: outputs that name an input, writers that
// race for one name, bytes that are not UTF-8 in --json results, and inputs that are FIFOs,
// devices or far too large. Every run is bounded by a timeout, so a blocking open fails the test
// instead of hanging it.
#include "CliRunner.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

using TestSupport::CliRun;
using TestSupport::CliToFiles;

const std::string kReplacement = "\xEF\xBF\xBD"; // U+FFFD

class HostileFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
        ASSERT_EQ(CliToFiles("punch -o card.bmp --dpi 100 'HOSTILE 1'").status, 0);
        TestSupport::WriteFileText("Vertolkt.log", "earlier\r\n");
        TestSupport::WriteFileText("lines.txt", "LINE 1\n");
        fs::create_directory("box");
        fs::copy_file("card.bmp", "box/a.bmp");
        TestSupport::WriteFileText("list.txt", "card.bmp\n");
        TestSupport::WriteFileText("x-0002.bmp", "CARD 1\nCARD 2\n"); // a deck named as a page
    }
    std::map<std::string, std::string> Snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const char* name :
             {"card.bmp", "ibmkaart.txt", "lines.txt", "box/a.bmp", "list.txt", "x-0002.bmp"})
            files[name] = TestSupport::ReadFileText(name);
        return files;
    }
    TestSupport::ScratchDir dir;
};

} // namespace

TEST_F(HostileFilesTest, OutputsNeverReplaceInputsAndRacingWritersLeaveOneWholeFile)
{
    fs::create_symlink("card.bmp", "card-link.bmp");
    fs::create_hard_link("ibmkaart.txt", "table-copy.txt");
    struct Case
    {
        const char* arguments;
        const char* says;
    };
    const Case cases[] = {
        {"read card.bmp --all --overlay card.bmp", "--overlay card.bmp: is the scan (card.bmp)"},
        {"read card.bmp --all --overlay ./card-link.bmp", "is the scan"},
        {"read card-link.bmp --all --overlay card.bmp", "is the scan"},
        {"read card.bmp --all --overlay ibmkaart.txt", "is the code table (ibmkaart.txt)"},
        {"read card.bmp --all --overlay table-copy.txt", "is the code table"},
        {"read card.bmp --all --overlay Vertolkt.log", "is the log (Vertolkt.log)"},
        {"punch -o ibmkaart.txt A", "-o ibmkaart.txt: is the code table"},
        {"punch -o table-copy.txt A", "is the code table"},
        {"punch -o lines.txt --file lines.txt", "is the --file (lines.txt)"},
        {"punch -o Vertolkt.log A", "is the log"},
        {"punch --deck x-0002.bmp --per-page 1 -o x.bmp", "-o x-0002.bmp: is the --deck"},
        {"read box --deck box/a.bmp", "--deck box/a.bmp: is a picture of the batch (box/a.bmp)"},
        {"read box --jsonl box/a.bmp", "--jsonl box/a.bmp: is a picture of the batch"},
        {"read box --summary ./box/a.bmp", "--summary ./box/a.bmp: is a picture of the batch"},
        {"read --files-from list.txt --deck list.txt", "--deck list.txt: is the --files-from list"},
        {"read --files-from list.txt --jsonl card-link.bmp",
         "--jsonl card-link.bmp: is a picture of the batch"},
    };
    const auto before = Snapshot();
    for (const Case& c : cases) {
        const CliRun run = CliToFiles(c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.out, "") << c.arguments << ": refused before anything ran";
    }
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(fs::is_symlink("card-link.bmp"));
    EXPECT_FALSE(fs::exists("x-0001.bmp")) << "no page written before the refusal";
    EXPECT_EQ(TestSupport::ReadFileText("Vertolkt.log"), "earlier\r\n");

    // Eight punches race for one name: it ends as exactly one of their pictures, never a mixture.
    std::vector<pid_t> racers;
    for (int k = 1; k <= 8; ++k) {
        const std::string text = "'RACE " + std::to_string(k) + "'";
        ASSERT_EQ(TestSupport::Cli("punch -o alone" + std::to_string(k) + ".bmp --dpi 300 " + text).status,
                  0);
        racers.push_back(TestSupport::StartCli(
            {"punch", "-o", "shared.bmp", "--dpi", "300", "RACE " + std::to_string(k)}));
    }
    for (const pid_t racer : racers) {
        const int status = TestSupport::Wait(racer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string shared = TestSupport::ReadFileText("shared.bmp");
    int matches = 0;
    for (int k = 1; k <= 8; ++k)
        matches += shared == TestSupport::ReadFileText("alone" + std::to_string(k) + ".bmp");
    EXPECT_EQ(matches, 1);
    for (const auto& entry : fs::directory_iterator("."))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path() << " left behind";
}

TEST_F(HostileFilesTest, JsonKeepsEveryResultWhenBytesAreNotUtf8)
{
    // A code table in Latin-1: the code for '&' becomes e-acute (0xE9), and a card carries it.
    std::string table = TestSupport::ReadFileText("ibmkaart.txt");
    const auto lineStart = [&](int number) {
        std::size_t at = 0;
        for (int n = 1; n < number; ++n)
            at = table.find('\n', at) + 1;
        return at;
    };
    const std::size_t ampersand = table.find('&', lineStart(12));
    ASSERT_LT(ampersand, lineStart(13));
    table[ampersand] = '\xE9';
    TestSupport::WriteFileText("ibmkaart.txt", table);
    ASSERT_EQ(CliToFiles("punch -o latin.bmp --dpi 100 \"$(printf 'A\\351B')\"").status, 0);
    fs::copy_file("card.bmp", "scan\xFF.bmp");
    TestSupport::WriteFileText("junk\xFF.bmp", "not a picture");

    struct Case
    {
        const char* arguments;
        int status;
        const char* field; // "text" of the first card, or a top-level field
        std::string holds;
    };
    const Case cases[] = {
        {"read latin.bmp --all --json", 0, "text", "A" + kReplacement + "B"},
        {"read \"$(printf 'scan\\377.bmp')\" --all --json", 0, "scan", "scan" + kReplacement + ".bmp"},
        {"read \"$(printf 'junk\\377.bmp')\" --all --json", 2, "message",
         "junk" + kReplacement + ".bmp : Not a proper"},
    };
    for (const Case& c : cases) {
        const CliRun run = CliToFiles(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.err;
        const auto result = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_FALSE(result.is_discarded()) << c.arguments << ": " << run.out;
        const std::string value = std::string(c.field) == "text"
                                      ? result["cards"][0]["text"].get<std::string>()
                                      : result[c.field].get<std::string>();
        EXPECT_EQ(value.rfind(c.holds, 0), 0u) << c.arguments << ": " << value;
    }
}

TEST_F(HostileFilesTest, InputsThatAreNoRegularFileOrTooLargeAreRefusedAtOnce)
{
    ASSERT_EQ(::mkfifo("fifo", 0600), 0); // nobody ever writes: opening it blocking would hang
    fs::create_symlink("/dev/zero", "zero");
    fs::create_symlink("fifo", "fifo.bmp");
    fs::create_symlink("fifo", "fifo.png");
    fs::create_symlink("zero", "zero.bmp");
    const std::string goodTable = TestSupport::ReadFileText("ibmkaart.txt");
    const std::string hugeLine(1 << 20, '#');
    std::string manyLines;
    for (int k = 0; k < 4097; ++k)
        manyLines += "A\n";
    TestSupport::WriteFileText("many.txt", manyLines);
    TestSupport::WriteFileText("long.txt", "SHORT\n" + std::string(300, 'A') + "\n");
    fs::create_symlink(TestSupport::SourcePath("fuzz/seeds/image/card-grey-2-pages.tif"), "pages.tif");
    fs::create_symlink("loop.bmp", "loop.bmp");
    fs::create_symlink("loop.png", "loop.png");
    TestSupport::WriteFileText("blank.deck", std::string(8u << 20, '\n'));

    struct Case
    {
        const char* place; // what replaces ibmkaart.txt ("" keeps it), or the log ("log:...")
        std::string table; // content for a regular replacement
        const char* arguments;
        int status;
        const char* says; // in standard output or standard error
    };
    const Case cases[] = {
        {"", "", "read fifo.bmp --all", 2, "fifo.bmp: does Not exist"},
        {"", "", "read fifo.png --all", 2, "fifo.png: does Not exist"},
        {"", "", "read zero.bmp --all", 2, "zero.bmp : does Not exist !!"},
        {"log:fifo", "", "read card.bmp --all", 3, "log file \"Vertolkt.log\": not a regular file (a FIFO)"},
        {"fifo", "", "read card.bmp --all", 2, "with punchcard specifications: missing"},
        {"fifo", "", "punch -o x.bmp A", 2, "ibmkaart.txt: not a regular file (a FIFO)"},
        {"zero", "", "punch -o x.bmp A", 2, "ibmkaart.txt: not a regular file (a character device)"},
        {"zero", "", "read card.bmp --all", 2, "with punchcard specifications: missing"},
        {"text", hugeLine + goodTable, "read card.bmp --all", 2, "with supposed punchcard specifications"},
        {"text", hugeLine + goodTable, "punch -o x.bmp A", 2, "only the first 16384 bytes of the table"},
        {"text", goodTable + hugeLine, "read card.bmp --all", 0, "Edit1 [black]: HOSTILE 1"},
        {"text", goodTable + hugeLine, "punch -o x.bmp A", 0, ""},
        {"", "", "punch -o x.bmp --file zero", 2, "zero: not a regular file (a character device)"},
        {"", "", "punch -o x.bmp --file fifo", 2, "fifo: not a regular file (a FIFO)"},
        {"", "", "punch -o x.bmp --file many.txt", 2, "many.txt: more than 4096 lines"},
        {"", "", "punch -o x.bmp --file long.txt", 2, "long.txt: line 2 is longer than 256 characters"},
        {"", "", "read loop.bmp --all", 2, "loop.bmp: does Not exist"},
        {"", "", "read loop.png --all", 2, "loop.png: does Not exist"},
        {"", "", "punch -o x.bmp --deck blank.deck", 2,
         "blank.deck: 8388608 cards; at most 100000 are punched"},
        {"", "", "read pages.tif --all", 2, "pages.tif: the TIFF file holds 2 pages"},
        {"", "", "read pages.tif --all --jsonl pages.jsonl", 2, "Refused pictures = 1"},
        {"", "", "read card.bmp --all --dpi nan", 64, "--dpi: not a finite number: nan"},
    };
    for (const Case& c : cases) {
        const std::string place = c.place;
        if (place.rfind("log:", 0) == 0) {
            fs::rename("Vertolkt.log", "log.keep");
            fs::create_symlink(place.substr(4), "Vertolkt.log");
        } else if (place == "text") {
            TestSupport::WriteFileText("ibmkaart.txt", c.table);
        } else if (!place.empty()) {
            fs::remove("ibmkaart.txt");
            fs::create_symlink(place, "ibmkaart.txt");
        }
        const CliRun run = CliToFiles(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.place << " " << c.arguments << ": " << run.err;
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos)
            << c.place << " " << c.arguments << ": " << run.out << run.err;
        if (place.rfind("log:", 0) == 0) {
            fs::remove("Vertolkt.log");
            fs::rename("log.keep", "Vertolkt.log");
        } else if (!place.empty()) {
            fs::remove("ibmkaart.txt");
            TestSupport::WriteFileText("ibmkaart.txt", goodTable);
        }
    }
    EXPECT_TRUE(fs::is_fifo("fifo"));
}

TEST_F(HostileFilesTest, EveryWriterRefusesSpecialFilesAndKeepsLinksAndPermissions)
{
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    // A device node of our own (the null device's numbers) stands for the machine's devices; where
    // none can be made the rows with it are left out.
    const bool haveNode = ::mknod("node", S_IFCHR | 0600, makedev(1, 3)) == 0;
    const char* writers[] = {
        "punch -o OUT A",
        "punch -o OUT --format bmp A",
        "punch -o OUT --format png A",
        "punch -o OUT --format tiff A",
        "punch -o OUT --format jpeg A",
        "read card.bmp --all --overlay OUT",
        "read card.bmp --deck OUT",
        "read card.bmp --jsonl OUT",
        "read card.bmp --summary OUT",
    };
    for (const std::string writer : writers) {
        const auto command = [&writer](const std::string& out) {
            return writer.substr(0, writer.find("OUT")) + out + writer.substr(writer.find("OUT") + 3);
        };
        for (const char* special : {"fifo", "node"}) {
            if (std::string(special) == "node" && !haveNode)
                continue;
            const CliRun run = CliToFiles(command(special));
            EXPECT_EQ(run.status, 3) << command(special);
            EXPECT_NE(run.err.find("not a regular file"), std::string::npos)
                << command(special) << ": " << run.err;
        }
        // A link to a file of mode 600 stays a link, and the file gets the new content and keeps its mode.
        TestSupport::WriteFileText("target", "old");
        fs::permissions("target", fs::perms::owner_read | fs::perms::owner_write);
        fs::create_symlink("target", "link");
        const CliRun run = CliToFiles(command("link"));
        EXPECT_EQ(run.status, 0) << command("link") << ": " << run.err;
        EXPECT_TRUE(fs::is_symlink("link")) << command("link");
        EXPECT_NE(TestSupport::ReadFileText("target"), "old") << command("link");
        EXPECT_EQ(fs::status("target").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << command("link");
        fs::remove("link");
        fs::remove("target");
    }
    EXPECT_TRUE(fs::is_fifo("fifo"));
    EXPECT_TRUE(!haveNode || fs::is_character_file("node"));
    for (const auto& entry : fs::directory_iterator("."))
        EXPECT_TRUE(entry.path().extension() != ".tmp" && entry.path().extension() != ".part")
            << entry.path() << " left behind";
}
