#include "CodeTablePath.h"

#include <filesystem>
#include <system_error>

namespace Unit1 {

namespace fs = std::filesystem;

std::string ShippedCodeTable(const std::string& programPath)
{
    if (programPath.empty())
        return {};
    const fs::path dir = fs::path(programPath).parent_path();
    return (dir.parent_path() / "share" / "korvane" / kLocalCodeTable).string();
}

std::string FindCodeTable(const std::string& programPath)
{
    std::error_code ignored;
    if (fs::is_regular_file(kLocalCodeTable, ignored))
        return kLocalCodeTable;
    const std::string shipped = ShippedCodeTable(programPath);
    if (!shipped.empty() && fs::is_regular_file(shipped, ignored))
        return shipped;
    return kLocalCodeTable;
}

std::string RunningProgramPath()
{
    std::error_code failed;
    const fs::path self = fs::read_symlink("/proc/self/exe", failed);
    return failed ? std::string() : self.string();
}

} // namespace Unit1
