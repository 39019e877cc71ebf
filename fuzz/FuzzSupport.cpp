#include "FuzzSupport.h"

#include "Algemeen.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace Fuzz {

namespace {

std::string gDir;

void RemoveWorkplace()
{
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(gDir, ignored);
}

std::string MakeWorkplace()
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "korvane-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        Fault("cannot make a working directory under " + fs::temp_directory_path().string());
    fs::copy_file(fs::path(KORVANE_SOURCE_DIR) / "ibmkaart.txt", fs::path(pattern) / "ibmkaart.txt");
    fs::current_path(pattern);
    gDir = pattern;
    std::atexit(RemoveWorkplace);
    return pattern;
}

} // namespace

Algemeen::Console& Silent()
{
    static Algemeen::NullConsole console;
    return console;
}

const std::string& EnterWorkplace()
{
    static const std::string dir = MakeWorkplace();
    return dir;
}

void WriteInput(const char* fileName, const std::uint8_t* data, std::size_t size)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush())
        Fault(std::string("cannot write ") + fileName);
}

void Fault(const std::string& what)
{
    std::fprintf(stderr, "FUZZ FAULT: %s\n", what.c_str());
    std::abort();
}

} // namespace Fuzz
