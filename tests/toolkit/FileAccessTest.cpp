// Reading only regular files, without blocking and within a bound; writing whole or not at all;
// telling whether two names are one file. Every case runs on real files in a scratch directory,
// FIFOs and devices included.
#include "FileAccess.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Algemeen;
using TestSupport::ReadFileText;
using TestSupport::ScratchDir;
using TestSupport::WriteFileText;
namespace fs = std::filesystem;

namespace {

// The names in the current directory that a failed or finished write may have left behind.
std::vector<std::string> TemporaryFiles()
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator("."))
        if (entry.path().extension() == ".tmp")
            found.push_back(entry.path().filename().string());
    return found;
}

mode_t Permissions(const std::string& name)
{
    struct stat info
    {
    };
    EXPECT_EQ(::stat(name.c_str(), &info), 0) << name;
    return info.st_mode & 07777;
}

} // namespace

TEST(FileAccessTest, ReadsOnlyRegularFilesAndOnlyUpToTheBound)
{
    ScratchDir dir;
    WriteFileText("abc.txt", "abc");
    WriteFileText("empty.txt", "");
    WriteFileText("six.txt", "abcdef");
    fs::create_directory("folder");
    ASSERT_EQ(::mkfifo("fifo", 0600), 0); // no writer: a blocking open would never return
    fs::create_symlink("/dev/zero", "zero");
    fs::create_symlink("abc.txt", "link.txt");
    struct Case
    {
        const char* name;
        std::size_t maxBytes;
        FileStatus status;
        const char* bytes;
        bool complete;
        const char* message;
    };
    const Case cases[] = {
        {"abc.txt", 100, FileStatus::Ok, "abc", true, ""},
        {"empty.txt", 100, FileStatus::Ok, "", true, ""},
        {"six.txt", 4, FileStatus::Ok, "abcd", false, ""},
        {"six.txt", 6, FileStatus::Ok, "abcdef", true, ""},
        {"link.txt", 100, FileStatus::Ok, "abc", true, ""},
        {"missing.txt", 100, FileStatus::Missing, "", false, "No such file or directory"},
        {"folder", 100, FileStatus::NotRegular, "", false, "not a regular file (a directory)"},
        {"fifo", 100, FileStatus::NotRegular, "", false, "not a regular file (a FIFO)"},
        {"zero", 100, FileStatus::NotRegular, "", false, "not a regular file (a character device)"},
    };
    for (const Case& c : cases) {
        const FileBytes read = ReadRegularFile(c.name, c.maxBytes);
        EXPECT_EQ(read.status, c.status) << c.name;
        EXPECT_EQ(read.bytes, c.bytes) << c.name;
        EXPECT_EQ(read.complete, c.complete) << c.name << " " << c.maxBytes;
        EXPECT_EQ(read.message, c.message) << c.name;
    }
    // Appending refuses the same things and creates what is missing.
    EXPECT_EQ(OpenRegularFile("fifo", OpenMode::Append).status, FileStatus::NotRegular);
    EXPECT_EQ(OpenRegularFile("zero", OpenMode::Append).status, FileStatus::NotRegular);
    EXPECT_EQ(OpenRegularFile("folder", OpenMode::Append).status, FileStatus::NotRegular);
    OpenedFile created = OpenRegularFile("new.log", OpenMode::Append);
    ASSERT_EQ(created.status, FileStatus::Ok);
    EXPECT_TRUE(WriteAll(created.handle, "line\r\n"));
    EXPECT_TRUE(created.handle.Close());
    EXPECT_EQ(ReadFileText("new.log"), "line\r\n");
}

TEST(FileAccessTest, WritesWholeOrLeavesTheOldFile)
{
    ScratchDir dir;
    const mode_t mask = ::umask(022);
    WriteFileText("old.txt", "old content");
    fs::permissions("old.txt", fs::perms(0640));
    fs::create_directory("folder");
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    WriteFileText("target.txt", "target");
    fs::create_symlink("target.txt", "link.txt");
    struct Case
    {
        const char* name;
        bool ok;
        const char* message; // the start of the failure message
        const char* check;   // file that then holds "new"
        mode_t mode;
    };
    const Case cases[] = {
        {"new.txt", true, "", "new.txt", 0644},
        {"old.txt", true, "", "old.txt", 0640},
        {"link.txt", true, "", "target.txt", 0644},
        {"folder", false, "cannot write \"folder\": not a regular file (a directory)", nullptr, 0},
        {"fifo", false, "cannot write \"fifo\": not a regular file (a FIFO)", nullptr, 0},
        {"no-such-dir/x.txt", false, "cannot create \"no-such-dir/x.txt\": No such file", nullptr, 0},
    };
    for (const Case& c : cases) {
        const WriteResult written = WriteWholeFile(c.name, std::string_view("new"));
        EXPECT_EQ(written.ok, c.ok) << c.name;
        EXPECT_EQ(written.message.rfind(c.message, 0), 0u) << c.name << ": " << written.message;
        if (c.check) {
            EXPECT_EQ(ReadFileText(c.check), "new") << c.name;
            EXPECT_EQ(Permissions(c.check), c.mode) << c.name;
        }
        EXPECT_TRUE(TemporaryFiles().empty()) << c.name;
    }
    EXPECT_TRUE(fs::is_symlink("link.txt")) << "the link stays, its target is replaced";
    EXPECT_TRUE(fs::is_directory("folder"));
    EXPECT_TRUE(fs::is_fifo("fifo"));

    // A write that fails half-way (the file-size limit stands in for a full disk) keeps the old file.
    WriteFileText("kept.txt", "old content");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const WriteResult written = WriteWholeFile("kept.txt", std::string(100'000, 'x'));
        ::_exit(!written.ok && written.message.rfind("cannot write \"kept.txt\"", 0) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the failure is reported";
    EXPECT_EQ(ReadFileText("kept.txt"), "old content");
    EXPECT_TRUE(TemporaryFiles().empty());
    ::umask(mask);
}

TEST(FileAccessTest, ConcurrentWritersLeaveOneWholeFile)
{
    ScratchDir dir;
    constexpr int kWriters = 8;
    constexpr std::size_t kSize = 1 << 20;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            for (int round = 0; round < 5; ++round)
                ok = WriteWholeFile("shared.bin", std::string(kSize, static_cast<char>('a' + w))).ok && ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string result = ReadFileText("shared.bin");
    ASSERT_EQ(result.size(), kSize);
    EXPECT_EQ(result, std::string(kSize, result[0])) << "one writer's content, whole";
    EXPECT_TRUE(TemporaryFiles().empty());
}

TEST(FileAccessTest, SameFileByIdentityOrByPath)
{
    ScratchDir dir;
    fs::create_directory("sub");
    WriteFileText("a.txt", "a");
    WriteFileText("b.txt", "a");
    fs::create_hard_link("a.txt", "hard.txt");
    fs::create_symlink("a.txt", "soft.txt");
    struct Case
    {
        const char* first;
        const char* second;
        bool same;
    };
    const Case cases[] = {
        {"a.txt", "a.txt", true},
        {"a.txt", "./sub/../a.txt", true},
        {"a.txt", "hard.txt", true},
        {"soft.txt", "a.txt", true},
        {"a.txt", "b.txt", false},
        {"missing.log", "./missing.log", true},
        {"missing.log", "other.log", false},
        {"a.txt", "missing.log", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameFile(c.first, c.second), c.same) << c.first << " " << c.second;
        EXPECT_EQ(SameFile(c.second, c.first), c.same) << c.second << " " << c.first;
    }
    EXPECT_TRUE(SameFile("a.txt", dir.File("a.txt"))) << "relative and absolute";
}
