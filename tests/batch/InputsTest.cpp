#include "Batch.h"
#include "TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

using namespace Batch;
using TestSupport::ScratchDir;
using TestSupport::WriteFileText;

TEST(InputsTest, NaturalOrderSortsNumbersByValue)
{
    // Each list is in the order NaturalLess must give; it is sorted from reversed and shuffled.
    const std::vector<std::vector<std::string>> orders{
        {"card1.bmp", "card2.bmp", "card10.bmp", "card11.bmp", "card100.bmp"},
        {"box2-card9.png", "box2-card10.png", "box10-card1.png"},
        {"a.bmp", "A1.bmp", "a2.bmp", "B.bmp", "b1.bmp"},
        {"card007.bmp", "card07.bmp", "card7.bmp", "card8.bmp"}, // equal values: byte order
        {"x", "x0", "x1", "x1a", "x1b", "x99999999999999999999999", "x100000000000000000000000"},
        {"", "0", "00", "1", "a"},
    };
    for (const auto& order : orders) {
        std::vector<std::string> sorted(order.rbegin(), order.rend());
        std::rotate(sorted.begin(), sorted.begin() + 1, sorted.end());
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return NaturalLess(a, b); });
        EXPECT_EQ(sorted, order);
        for (const auto& name : order)
            EXPECT_FALSE(NaturalLess(name, name)) << name;
    }
}

TEST(InputsTest, PictureExtensionsInAnyCase)
{
    for (const char* name : {"a.bmp", "a.PNG", "scan.Tif", "b.tiff", "c.jpg", "d.JPEG", "e.pnm", "f.pbm",
                             "g.pgm", "h.gif", "i.webp", "two.dots.bmp"})
        EXPECT_TRUE(HasPictureExtension(name)) << name;
    for (const char* name : {"a.txt", "bmp", ".bmp", "a.bmpx", "a.bm", "a.", "a.jpg~", "notes.md"})
        EXPECT_FALSE(HasPictureExtension(name)) << name;
}

TEST(InputsTest, FoldersExpandToTheirPicturesInNaturalOrder)
{
    ScratchDir scratch;
    std::filesystem::create_directories("box/sub.bmp"); // a folder with a picture's name is no picture
    for (const char* name : {"card10.bmp", "card2.PNG", "card1.tif", "readme.txt", "sub.bmp/card0.bmp"})
        WriteFileText(std::string("box/") + name, "x");
    WriteFileText("loose.dat", "x"); // named explicitly: taken whatever its extension

    InputList list = ExpandPaths({"loose.dat", "box", "box/"});
    ASSERT_TRUE(list.ok) << list.message;
    EXPECT_EQ(list.files,
              (std::vector<std::string>{"loose.dat", "box/card1.tif", "box/card2.PNG", "box/card10.bmp",
                                        "box/card1.tif", "box/card2.PNG", "box/card10.bmp"}));

    std::filesystem::create_directories("empty");
    WriteFileText("empty/notes.txt", "x");
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals{
        {{"box", "missing.bmp"}, "missing.bmp: no such file or folder"},
        {{"empty"}, "empty: no picture files in this folder"},
        {{""}, ": no such file or folder"},
    };
    for (const auto& [paths, message] : refusals) {
        list = ExpandPaths(paths);
        EXPECT_FALSE(list.ok);
        EXPECT_EQ(list.message, message);
        EXPECT_TRUE(list.files.empty());
    }
}

TEST(InputsTest, ListsOfPathsFromFilesAndStandardInput)
{
    ScratchDir scratch;
    for (const char* name : {"a.bmp", "b c.bmp", "d.bmp"})
        WriteFileText(name, "x");
    WriteFileText("list.txt", "a.bmp\r\n\nb c.bmp\nd.bmp"); // CR LF, an empty line, no final LF
    std::istringstream unused;
    InputList list = CollectInputs({"d.bmp"}, "list.txt", unused);
    ASSERT_TRUE(list.ok) << list.message;
    EXPECT_EQ(list.files, (std::vector<std::string>{"d.bmp", "a.bmp", "b c.bmp", "d.bmp"}));

    std::istringstream standardInput("b c.bmp\na.bmp\n");
    list = CollectInputs({}, "-", standardInput);
    EXPECT_EQ(list.files, (std::vector<std::string>{"b c.bmp", "a.bmp"}));

    list = CollectInputs({}, "no-list.txt", unused);
    EXPECT_EQ(list.message, "no-list.txt: cannot open the list of pictures");
    WriteFileText("list.txt", "a.bmp\nnot-there.bmp\n");
    list = CollectInputs({}, "list.txt", unused);
    EXPECT_EQ(list.message, "not-there.bmp: no such file or folder");

    std::istringstream longLine("a.bmp\n" + std::string(kMaxListLineBytes + 1, 'x') + "\n");
    list = ReadPathList(longLine, "standard input");
    EXPECT_EQ(list.message, "standard input: line 2 is longer than 4096 bytes");
    std::istringstream longestLine(std::string(kMaxListLineBytes, 'y'));
    list = ReadPathList(longestLine, "standard input");
    ASSERT_TRUE(list.ok);
    EXPECT_EQ(list.files.at(0).size(), kMaxListLineBytes);
}
