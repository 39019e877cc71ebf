// Writes that fail are reported, never passed off as success: the log file, standard output, the
// overlay PNG and the BMP of punch. Each makes korvane-cli exit with status 3 and say what failed,
// and the log file is only ever appended to.
#include "CliRunner.h"
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

using TestSupport::CliRun;
using TestSupport::CliToFiles;

bool HaveDevFull()
{
    std::error_code error;
    return fs::is_character_file("/dev/full", error);
}

class WriteFailureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
        ASSERT_EQ(CliToFiles("punch -o card.bmp --dpi 100 'WRITE 1'").status, 0);
        fs::remove("Vertolkt.log");
    }
    TestSupport::ScratchDir dir;
};

} // namespace

TEST_F(WriteFailureTest, LogFileIsOnlyAppendedTo)
{
    TestSupport::WriteFileText("Vertolkt.log", "an earlier run\r\n");
    ASSERT_EQ(CliToFiles("read card.bmp --all").status, 0);
    const std::string log = TestSupport::ReadFileText("Vertolkt.log");
    ASSERT_EQ(log.rfind("an earlier run\r\n", 0), 0u) << "the earlier content stays in front";
    EXPECT_NE(log.find("Contouring pass I = "), std::string::npos);
    EXPECT_NE(log.find("Punched inside / outside = "), std::string::npos);
    EXPECT_EQ(log.back(), '\n');
    EXPECT_EQ(log.find('\n') - 1, log.find('\r')) << "lines end in CR LF";
    ASSERT_EQ(CliToFiles("read card.bmp --all").status, 0);
    EXPECT_EQ(TestSupport::ReadFileText("Vertolkt.log").rfind(log, 0), 0u) << "a second run appends";
}

TEST_F(WriteFailureTest, LogThatCannotBeWrittenEndsTheRunWithStatusThree)
{
    fs::create_directory("Vertolkt.log"); // opening a directory for appending fails
    CliRun run = CliToFiles("read card.bmp --all");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("log file \"Vertolkt.log\""), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("Contouring pass I"), std::string::npos) << "a line the log lost is not echoed";
    EXPECT_TRUE(fs::is_directory("Vertolkt.log")) << "left as it was";
    fs::remove("Vertolkt.log");

    if (!HaveDevFull())
        GTEST_SKIP() << "no /dev/full";
    fs::create_symlink("/dev/full", "Vertolkt.log"); // opens, but every write fails: disk full
    run = CliToFiles("read card.bmp --all");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("cannot write to log file"), std::string::npos) << run.err;
}

TEST_F(WriteFailureTest, LostStandardOutputIsAFailure)
{
    if (!HaveDevFull())
        GTEST_SKIP() << "no /dev/full";
    for (const char* arguments : {"read card.bmp --all", "read card.bmp --all --json", "read card.bmp"}) {
        const CliRun run = CliToFiles(arguments, "/dev/full");
        EXPECT_EQ(run.status, 3) << arguments;
        EXPECT_NE(run.err.find("standard output"), std::string::npos) << arguments << ": " << run.err;
    }
}

TEST_F(WriteFailureTest, OverlayAndPunchedPictureThatCannotBeWrittenAreErrors)
{
    CliRun run = CliToFiles("read card.bmp --all --overlay no-such-dir/overlay.png");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("no-such-dir/overlay.png"), std::string::npos) << run.err;
    run = CliToFiles("punch -o no-such-dir/card.bmp 'A'");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("no-such-dir/card.bmp"), std::string::npos) << run.err;

    if (!HaveDevFull())
        GTEST_SKIP() << "no /dev/full";
    run = CliToFiles("read card.bmp --all --overlay /dev/full");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("/dev/full"), std::string::npos) << run.err;
    run = CliToFiles("punch -o /dev/full 'A'");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("/dev/full"), std::string::npos) << run.err;
}
