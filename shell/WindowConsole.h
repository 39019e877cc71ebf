// The console beside the window. Its lines are diagnostics: when standard output cannot be written
// (closed, or a full disk behind it), the window must stay usable. The first failure is reported
// once on standard error and the console's lines are dropped from then on; the log file's own
// failures still end the command with an error.
#pragma once

#include "Algemeen.h"

#include <cstdio>
#include <string>

namespace Unit1 {

class WindowConsole : public Algemeen::Console
{
public:
    explicit WindowConsole(Algemeen::Console& out, std::FILE* report = stderr) : out_(out), report_(report) {}
    void Write(std::string_view text) override;
    void EndLine() override;
    bool Failed() const { return failed_; }

private:
    template <class Step> void Guarded(Step step);

    Algemeen::Console& out_;
    std::FILE* report_;
    bool failed_ = false;
};

} // namespace Unit1
