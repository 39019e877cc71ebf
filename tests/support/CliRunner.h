// The built programs run as a user runs them, for the tests: korvane-cli started through the shell
// in the current directory with its output captured, or any program started in the background so
// that a test can stop it half-way.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace TestSupport {

struct CliRun
{
    int status = -1; // the exit status; -1 when the program could not be run or did not exit
    std::string out;
    std::string err; // kept by CliToFiles only
};

// Runs korvane-cli with the arguments (which go through the shell), standard error dropped.
CliRun Cli(const std::string& arguments);

// The same, giving the exit status alone and appending standard output to *out when given.
int RunCli(const std::string& arguments, std::string* out = nullptr);

// Runs korvane-cli with its standard output and error kept whole (through the files cli.out and
// cli.err of the current directory; standard output to `stdoutTo` instead when given) and nothing
// on standard input, for at most 60 s, so that an open that blocks fails the test instead of
// hanging it.
CliRun CliToFiles(const std::string& arguments, const std::string& stdoutTo = "");

// Starts `program` with `arguments` (without a shell) in the background: standard output to the
// file `stdoutTo`, standard error away, nothing on standard input. Throws std::runtime_error when
// it cannot be started.
pid_t Start(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& stdoutTo = "/dev/null");

// korvane-cli started so.
pid_t StartCli(const std::vector<std::string>& arguments, const std::string& stdoutTo = "/dev/null");

// Waits for a started program to end; its wait status (WIFEXITED, WEXITSTATUS, WIFSIGNALED).
int Wait(pid_t pid);

} // namespace TestSupport
