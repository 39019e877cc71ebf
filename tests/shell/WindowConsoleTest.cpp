#include "WindowConsole.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// Standard output that fails from the n-th write on.
class FailingConsole : public Algemeen::StringConsole
{
public:
    int failFrom = 2;
    int writes = 0;
    void Write(std::string_view text) override
    {
        if (++writes >= failFrom)
            throw std::runtime_error("cannot write to standard output");
        StringConsole::Write(text);
    }
};

} // namespace

TEST(WindowConsoleTest, FirstFailureIsReportedOnceThenLinesAreDropped)
{
    FailingConsole out;
    std::FILE* report = std::tmpfile();
    ASSERT_NE(report, nullptr);
    Unit1::WindowConsole console(out, report);
    console.Line("first");
    EXPECT_FALSE(console.Failed());
    EXPECT_NO_THROW(console.Line("second"));
    EXPECT_NO_THROW(console.Line("third"));
    EXPECT_TRUE(console.Failed());
    EXPECT_EQ(out.Text(), "first\n");
    EXPECT_EQ(out.writes, 2) << "nothing is tried after the failure";
    std::rewind(report);
    char buffer[256] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, report);
    std::fclose(report);
    EXPECT_EQ(std::string(buffer, n),
              "korvane: cannot write to standard output; console lines are dropped from now on\n");
}
