// Keeping korvane-cli's outputs off its inputs: a file that a command reads (the scan, the code
// table, the lines of --file) or appends to (the log) is never replaced by an output.
#pragma once

#include "Options.h"

#include <string>
#include <vector>

namespace Cli {

struct NamedInput
{
    std::string role; // "the scan", "the code table", ...
    std::string name;
};

// The files `read` reads or appends to.
std::vector<NamedInput> ReadInputs(const ReadOptions& options);
// The files `punch` reads, and the log, which no output may replace either.
std::vector<NamedInput> PunchInputs(const PunchOptions& options);

// Empty when the output is none of the inputs; otherwise the message that refuses it, naming the
// option and the input. Existing files are compared by identity, so a link or another spelling of
// the same path is caught too.
std::string OverwritesInput(const std::string& option, const std::string& output,
                            const std::vector<NamedInput>& inputs);

} // namespace Cli
