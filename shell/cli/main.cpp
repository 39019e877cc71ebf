// korvane-cli: the headless driver of Korvane's commands.
#include "CodeTablePath.h"
#include "JournalDeck.h"
#include "Options.h"
#include "PunchCommand.h"
#include "ReadScan.h"
#include "Unit1.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    Cli::Options options;
    switch (Cli::ParseOptions(argc, argv, options, std::cout, std::cerr)) {
    case Cli::ParseResult::Exit:
        return 0;
    case Cli::ParseResult::Fail:
        return Cli::kUsageError;
    case Cli::ParseResult::Success:
        break;
    }
    // The current directory's code table wins; without one the installed table is used, and named.
    // --code names the table outright; the default names the current directory's.
    std::string& code = options.command == Cli::Command::Punch  ? options.punch.code
                        : options.command == Cli::Command::Deck ? options.deck.code
                                                                : options.read.code;
    if (code == Unit1::kLocalCodeTable) {
        const std::string table = Unit1::FindCodeTable(Unit1::RunningProgramPath());
        if (table != Unit1::kLocalCodeTable)
            std::cerr << "korvane-cli: code table " << table << "\n";
        code = table;
    }
    int status = Cli::kUnexpected;
    try {
        if (options.command == Cli::Command::Punch)
            status = Cli::RunPunch(options.punch, std::cerr);
        else if (options.command == Cli::Command::Deck)
            status = Cli::RunJournalDeck(options.deck, std::cout, std::cerr);
        else
            status = Cli::RunRead(options.read, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "korvane-cli: " << error.what() << "\n";
        return Cli::kUnexpected;
    }
    // The results are on standard output: when they could not all be written, the run failed.
    if (!std::cout.flush()) {
        std::cerr << "korvane-cli: cannot write to standard output\n";
        return Cli::kUnexpected;
    }
    return status;
}
