#include "Options.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace Cli;

namespace {
ParseResult Parse(std::vector<const char*> args, Options& options, std::string* errText = nullptr)
{
    args.insert(args.begin(), "korvane-cli");
    std::ostringstream out, err;
    const auto result = ParseOptions(static_cast<int>(args.size()), args.data(), options, out, err);
    if (errText)
        *errText = err.str();
    return result;
}
} // namespace

TEST(OptionsTest, ReadWithAPoint)
{
    Options o;
    ASSERT_EQ(Parse({"read", "scan.bmp", "--at", "120,-4", "--json"}, o), ParseResult::Success);
    EXPECT_EQ(o.command, Command::Read);
    EXPECT_EQ(o.read.scan, "scan.bmp");
    EXPECT_EQ(o.read.atX, 120);
    EXPECT_EQ(o.read.atY, -4);
    EXPECT_TRUE(o.read.json);
}

TEST(OptionsTest, UsageErrorsAreReported)
{
    Options o;
    std::string err;
    EXPECT_EQ(Parse({"read", "scan.bmp", "--at", "12"}, o, &err), ParseResult::Fail);
    EXPECT_NE(err.find("--at"), std::string::npos);
    EXPECT_EQ(Parse({"read", "scan.bmp", "--at", "1,2", "--all"}, o), ParseResult::Fail);
    EXPECT_EQ(Parse({"read"}, o), ParseResult::Fail);
    EXPECT_EQ(Parse({}, o), ParseResult::Fail);
    EXPECT_EQ(Parse({"punch", "HELLO"}, o), ParseResult::Fail) << "-o is required";
    EXPECT_EQ(Parse({"punch", "-o", "x.bmp", "--angle", "3,zz"}, o), ParseResult::Fail);
    EXPECT_EQ(Parse({"--help"}, o), ParseResult::Exit);
}

TEST(OptionsTest, PunchWithAngles)
{
    Options o;
    ASSERT_EQ(
        Parse({"punch", "-o", "x.bmp", "--dpi", "300", "--angle", "0,-3.5,180", "--real", "A", "B C"}, o),
        ParseResult::Success);
    EXPECT_EQ(o.command, Command::Punch);
    EXPECT_EQ(o.punch.output, "x.bmp");
    EXPECT_EQ(o.punch.dpi, 300.0);
    EXPECT_EQ(o.punch.angles, (std::vector<double>{0.0, -3.5, 180.0}));
    EXPECT_TRUE(o.punch.real);
    EXPECT_EQ(o.punch.texts, (std::vector<std::string>{"A", "B C"}));
}
