#include "ReadScan.h"

#include "RecordingWindow.h"
#include "Unit1.h"

namespace Cli {

namespace {

const char* ColourName(Algemeen::Colour colour)
{
    switch (colour) {
    case Algemeen::kBlack:
        return "black";
    case Algemeen::kRed:
        return "red";
    case Algemeen::kBlue:
        return "blue";
    default:
        return "other";
    }
}

void PrintTextLine(const Unit1::RecordingWindow& window, std::ostream& out)
{
    out << "Edit1 [" << ColourName(window.EditColour()) << "]: " << window.EditText() << "\n";
}

// The general error report of a command, as korvane-cli shows it.
bool ReportedErrors(const Unit1::RecordingWindow& window, const std::string& scan, std::ostream& err)
{
    for (const auto& error : window.Errors())
        err << "korvane-cli: " << scan << ": " << error << "\n";
    return !window.Errors().empty();
}

} // namespace

int RunRead(const ReadOptions& options, std::ostream& out, std::ostream& err)
{
    Unit1::RecordingWindow window;
    Unit1::Starten(window);
    window.QueueDialogAnswer(options.scan);
    Unit1::Open1Click(window);
    out.flush();
    const bool opened =
        window.MenuEnabled(Unit1::MenuItem::Process1) && window.EditColour() == Algemeen::kBlack;
    PrintTextLine(window, out);
    Unit1::Stoppen(window);
    if (ReportedErrors(window, options.scan, err))
        return kUnexpected;
    return opened ? kAllRead : kRefused;
}

} // namespace Cli
