#include "CliRunner.h"

#include "TestSupport.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport {

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
        run.out = ReadFileText("cli.out");
    run.err = ReadFileText("cli.err");
    return run;
}

pid_t Start(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& stdoutTo)
{
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutTo.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        throw std::runtime_error("cannot start " + program);
    return pid;
}

pid_t StartCli(const std::vector<std::string>& arguments, const std::string& stdoutTo)
{
    return Start(KORVANE_CLI, arguments, stdoutTo);
}

int Wait(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace TestSupport
