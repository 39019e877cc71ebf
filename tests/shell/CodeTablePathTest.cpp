// Which code table the programs use: the current directory's first, then the installed one.
#include "CodeTablePath.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(CodeTablePath, CurrentDirectoryWinsThenTheInstalledTable)
{
    TestSupport::ScratchDir dir;
    fs::create_directories("prefix/bin");
    fs::create_directories("prefix/share/korvane");
    fs::create_directories("work");
    const std::string program = fs::absolute("prefix/bin/korvane").string();
    const std::string shipped = fs::absolute("prefix/share/korvane/ibmkaart.txt").string();
    EXPECT_EQ(fs::path(Unit1::ShippedCodeTable(program)).lexically_normal(), fs::path(shipped));

    const struct
    {
        const char* name;
        bool local, installed;
        std::string expected;
    } cases[] = {
        {"neither", false, false, "ibmkaart.txt"},
        {"installed only", false, true, fs::path(shipped).string()},
        {"both", true, true, "ibmkaart.txt"},
        {"local only", true, false, "ibmkaart.txt"},
    };
    fs::current_path("work");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove("ibmkaart.txt");
        fs::remove(shipped);
        if (c.local)
            TestSupport::WriteFileText("ibmkaart.txt", "local");
        if (c.installed)
            TestSupport::WriteFileText(shipped, "installed");
        EXPECT_EQ(fs::path(Unit1::FindCodeTable(program)).lexically_normal(), fs::path(c.expected));
    }
    EXPECT_EQ(Unit1::FindCodeTable(""), "ibmkaart.txt") << "no program path: the current directory's name";
    EXPECT_FALSE(Unit1::RunningProgramPath().empty());
    fs::current_path(dir.Path());
}
