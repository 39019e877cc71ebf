#include "CliRunner.h"

#include "TestSupport.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace E2e {

CliRun Cli(const std::string& arguments)
{
    CliRun run;
    const std::string command = std::string(KORVANE_CLI) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    while (std::fgets(buffer.data(), buffer.size(), pipe))
        run.out += buffer.data();
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

int RunCli(const std::string& arguments, std::string* out)
{
    CliRun run = Cli(arguments);
    if (out)
        *out += run.out;
    return run.status;
}

CliRun CliToFiles(const std::string& arguments, const std::string& stdoutTo)
{
    const std::string out = stdoutTo.empty() ? "cli.out" : stdoutTo;
    const std::string command =
        "timeout 60 " + std::string(KORVANE_CLI) + " " + arguments + " >" + out + " 2>cli.err </dev/null";
    const int status = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (stdoutTo.empty())
        run.out = TestSupport::ReadFileText("cli.out");
    run.err = TestSupport::ReadFileText("cli.err");
    return run;
}

} // namespace E2e
