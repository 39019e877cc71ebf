// A stand-in for `korvane-cli read` in batch mode, used by the resume and shard tests: the whole
// batch machinery with a fake reader. A "picture" is a text file:
//   cards              then one line per card: its text, after optional review marks
//                      ('?' unknown columns, '~' orientation not settled, '!' low fit quality)
//   refuse REASON      refused with that reason
//   throw MESSAGE      the reader fails with that message
//   spin               never ends unless its deadline stops it
// and any line "delay MS" sleeps that long first (polling the deadline), so a kill lands mid-run.
// The deck (--deck, text format only) holds one line per card, built from every picture's cards
// whether this run read them or an earlier one did.
//
// korvane-batch-fake read [PATH...] [--files-from LIST] [--jsonl OUT] [--deck OUT --deck-format text]
//                         [--summary OUT.json] [--resume] [-j N] [--timeout S] [--progress] [--quiet]
#include "Batch.h"

#include <fstream>
#include <iostream>
#include <thread>
#include <unistd.h>

using namespace Batch;

namespace {

PictureOutcome FakeRead(const std::string& file, const Deadline& deadline)
{
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("cannot open the picture");
    std::string line;
    std::getline(in, line);
    std::string next;
    PictureOutcome outcome;
    while (std::getline(in, next)) {
        if (next.rfind("delay ", 0) == 0) {
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(std::stoi(next.substr(6)));
            while (std::chrono::steady_clock::now() < until) {
                deadline.Check();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            continue;
        }
        CardRecord card;
        std::size_t marks = 0;
        for (; marks < next.size() && std::string("?~!").find(next[marks]) != std::string::npos; ++marks) {
            card.review.unknownColumns |= next[marks] == '?';
            card.review.orientationUnsettled |= next[marks] == '~';
            card.review.lowFitQuality |= next[marks] == '!';
        }
        card.content = {{"text", next.substr(marks)}};
        outcome.cards.push_back(std::move(card));
    }
    if (line.rfind("refuse ", 0) == 0)
        return PictureOutcome::Refusal(line.substr(7));
    if (line.rfind("throw ", 0) == 0)
        throw std::runtime_error(line.substr(6));
    if (line == "spin")
        for (;;)
            deadline.Check();
    if (line != "cards")
        throw std::runtime_error("not a fake picture");
    return outcome;
}

int Usage(const std::string& message)
{
    std::cerr << "korvane-batch-fake: " << message << "\n";
    return 64;
}

int Run(int argc, char** argv)
{
    BatchOptions options;
    std::string deck, deckFormat;
    if (argc < 2 || std::string(argv[1]) != "read")
        return Usage("the command is read");
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::invalid_argument(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--files-from")
            options.filesFrom = value();
        else if (arg == "--jsonl")
            options.jsonl = value();
        else if (arg == "--deck")
            deck = value();
        else if (arg == "--deck-format")
            deckFormat = value();
        else if (arg == "--summary")
            options.summary = value();
        else if (arg == "--resume")
            options.resume = true;
        else if (arg == "-j")
            options.jobs = static_cast<unsigned>(std::stoul(value()));
        else if (arg == "--timeout")
            options.timeoutSeconds = std::stod(value());
        else if (arg == "--progress")
            options.progress = true;
        else if (arg == "--quiet")
            options.quiet = true;
        else if (!arg.empty() && arg[0] == '-' && arg != "-")
            return Usage("unknown option " + arg);
        else
            options.paths.push_back(arg);
    }
    if (const std::string problem = CheckBatchOptions(options); !problem.empty())
        return Usage(problem);
    if (!deck.empty() && deckFormat != "text")
        return Usage("only --deck-format text is faked");

    std::string deckText;
    BatchHooks hooks;
    hooks.worker =
        PerWorker([] { return 0; }, [](int&, const std::string& file,
                                       const Deadline& deadline) { return FakeRead(file, deadline); });
    hooks.onPicture = [&](std::size_t, const std::string&, const PictureOutcome& outcome) {
        for (const CardRecord& card : outcome.cards)
            deckText += card.content["text"].get<std::string>() + "\n";
    };
    hooks.onFinished = [&] {
        if (!deck.empty())
            WriteFileWhole(deck, deckText);
    };
    const BatchResult result = RunBatch(options, hooks, {std::cin, std::cout, std::cerr, ::isatty(2) != 0});
    if (!result.ok)
        std::cerr << "korvane-batch-fake: " << result.message << "\n";
    return result.exitStatus;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "korvane-batch-fake: " << error.what() << "\n";
        return 3;
    }
}
