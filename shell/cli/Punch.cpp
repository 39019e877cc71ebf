#include "Punch.h"

namespace Cli {

int RunPunch(const PunchOptions& /*options*/, std::ostream& err)
{
    err << "korvane-cli: punch is not available in this build\n";
    return 3;
}

} // namespace Cli
