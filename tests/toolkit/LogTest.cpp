#include "Algemeen.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Algemeen;
using TestSupport::CapturedPlatform;
using TestSupport::ReadFileText;
using TestSupport::ScratchDir;

class LogTest : public ::testing::Test
{
protected:
    void SetUp() override { log.SetLogFileName("Vertolkt.log"); }
    ScratchDir dir;
    CapturedPlatform platform;
    RunLog log{platform.console, platform.clock};
};

TEST_F(LogTest, LinesAreAppendedWithCrLfAndEchoed)
{
    log.LogLine("first");
    EXPECT_EQ(ReadFileText("Vertolkt.log"), "first\r\n");
    TestSupport::WriteFileText("Vertolkt.log", "earlier run\r\n");
    log.LogLine("second");
    EXPECT_EQ(ReadFileText("Vertolkt.log"), "earlier run\r\nsecond\r\n");
    EXPECT_EQ(platform.console.Text(), "first\nsecond\n");
}

TEST_F(LogTest, StopWatchMeasuresFromTheLastStart)
{
    platform.clock.now = 1000;
    log.StopWatch("");
    EXPECT_EQ(platform.console.Text(), "") << "a start writes nothing";
    platform.clock.now = 1000;
    log.StopWatch("zero");
    platform.clock.now = 2234;
    log.StopWatch("Punched inside / outside");
    platform.clock.now = 3000;
    log.StopWatch("again");
    EXPECT_EQ(platform.console.Text(), "zero = 0 ms\nPunched inside / outside = 1234 ms\nagain = 2000 ms\n");
    EXPECT_EQ(ReadFileText("Vertolkt.log"),
              "zero = 0 ms\r\nPunched inside / outside = 1234 ms\r\nagain = 2000 ms\r\n");
}

TEST_F(LogTest, StopWatchWithoutStartReportsTimeOfDay)
{
    platform.clock.now = 4321;
    log.StopWatch("x");
    EXPECT_EQ(platform.console.Text(), "x = 4321 ms\n");
}

TEST_F(LogTest, MeasurementAcrossMidnightIsTheTrueElapsedTime)
{
    platform.clock.now = 86'399'900;
    log.StopWatch("");
    platform.clock.now = 150;
    log.StopWatch("pass");
    EXPECT_EQ(platform.console.Text(), "pass = 250 ms\n");
}

TEST_F(LogTest, FailingWriteIsRaisedAndNotEchoed)
{
    // A missing folder, and things that are no regular file: a FIFO without a reader would block
    // the run forever, a device would swallow the lines.
    std::filesystem::create_directory("folder");
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    std::filesystem::create_symlink("/dev/null", "null");
    for (const char* name : {"no-such-dir/Vertolkt.log", "folder", "fifo", "null"}) {
        log.SetLogFileName(dir.File(name));
        EXPECT_THROW(log.LogLine("lost"), std::runtime_error) << name;
    }
    EXPECT_EQ(platform.console.Text(), "");
    EXPECT_TRUE(std::filesystem::is_fifo("fifo"));
}

TEST(ConsoleTest, RealsAreFixedAndRightAligned)
{
    StringConsole c;
    c.WriteReal(3.14159, 10, 5);
    c.WriteReal(-2.5, 15, 5);
    c.WriteReal(92.68292, 4, 1);
    c.WriteReal(0.0, 4, 1);
    c.WriteInt(-12);
    c.EndLine();
    EXPECT_EQ(c.Text(), "   3.14159       -2.5000092.7 0.0-12\n");
}
