// korvane-cli run as a user runs it, for the end-to-end tests: the built program started through
// the shell in the current directory, its standard output captured and its standard error dropped.
#pragma once

#include <string>

namespace E2e {

struct CliRun
{
    int status = -1; // the exit status; -1 when the program could not be run or did not exit
    std::string out;
    std::string err; // kept by CliToFiles only
};

// Runs korvane-cli with the arguments (which go through the shell).
CliRun Cli(const std::string& arguments);

// The same, giving the exit status alone and appending standard output to *out when given.
int RunCli(const std::string& arguments, std::string* out = nullptr);

// Runs korvane-cli with its standard output and error kept whole (through the files cli.out and
// cli.err of the current directory; standard output to `stdoutTo` instead when given) and nothing
// on standard input, for at most 60 s, so that an open that blocks fails the test instead of
// hanging it.
CliRun CliToFiles(const std::string& arguments, const std::string& stdoutTo = "");

} // namespace E2e
