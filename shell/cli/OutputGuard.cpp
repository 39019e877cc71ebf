#include "OutputGuard.h"

#include "FileAccess.h"
#include "Unit1.h"

namespace Cli {

std::vector<NamedInput> ReadInputs(const ReadOptions& options)
{
    return {{"the scan", options.scan}, {"the code table", options.code}, {"the log", Unit1::kLogFileName}};
}

std::vector<NamedInput> PunchInputs(const PunchOptions& options)
{
    std::vector<NamedInput> inputs{{"the code table", options.code}, {"the log", Unit1::kLogFileName}};
    if (!options.file.empty())
        inputs.push_back({"the --file", options.file});
    if (!options.deck.empty())
        inputs.push_back({"the --deck", options.deck});
    return inputs;
}

std::string OverwritesInput(const std::string& option, const std::string& output,
                            const std::vector<NamedInput>& inputs)
{
    for (const NamedInput& input : inputs)
        if (Algemeen::SameFile(output, input.name))
            return option + " " + output + ": is " + input.role + " (" + input.name +
                   "); an output never replaces an input, choose another name";
    return {};
}

} // namespace Cli
