// One batch run from options to outputs: collect the pictures, take up a resumed output, read the
// rest on the worker pool, write the JSON lines as pictures finish, show progress, and finish the
// outputs and the summary. The program supplies the work per picture and what it does with each
// picture's cards (a deck, say) through hooks.
#pragma once

#include "Journal.h"
#include "Pool.h"
#include "Summary.h"

#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace Batch {

struct BatchOptions
{
    std::vector<std::string> paths; // PATH...: pictures or folders
    std::string filesFrom;          // --files-from LIST ("-": standard input)
    unsigned jobs = 0;              // -j N; 0 = one worker per core
    double timeoutSeconds = 0;      // --timeout SECONDS per picture; 0 = none
    std::string jsonl;              // --jsonl OUT
    bool resume = false;            // --resume: carry on from what OUT already holds
    std::string summary;            // --summary OUT.json
    bool progress = false;          // --progress: show progress even when not on a terminal
    bool quiet = false;             // --quiet: no progress
    std::string review;             // --review DIR: pictures of the cards that need a look
};

// The options ask for a batch rather than the reading of single pictures: a folder among the paths,
// a list, or any option only a batch has.
bool WantsBatch(const BatchOptions& options);

inline constexpr unsigned kMaxJobs = 1024;
inline constexpr double kMaxTimeoutSeconds = 1e6;

// What is wrong with a combination of options (a usage error), or "" when nothing is:
// no pictures at all, --resume without --jsonl, -j outside 1..kMaxJobs when given, a timeout that is
// negative, not a number or above kMaxTimeoutSeconds.
std::string CheckBatchOptions(const BatchOptions& options);

struct BatchHooks
{
    // The work per picture and the worker state it owns (required).
    WorkerFactory worker;
    // Every picture in input order with its outcome, those a resumed output held included, so
    // that outputs built from all cards (a deck) come out the same however often the run was
    // resumed. Called on the calling thread.
    std::function<void(std::size_t index, const std::string& file, const PictureOutcome& outcome)> onPicture;
    // Called with every picture of the run (folders expanded, lists read) before anything is read
    // or written: a message refuses the run (exit 2), "" lets it go on. Where the caller keeps its
    // outputs off the inputs.
    std::function<std::string(const std::vector<std::string>& files)> checkInputs;
    // Called once every picture has been handed on and the JSON lines are finished: write
    // whole-file outputs here.
    std::function<void()> onFinished;
    // Called after onFinished with the run's summary, before it is written or shown: where the
    // caller adds what its own outputs lacked (the cards a deck could not hold).
    std::function<void(Summary&)> completeSummary;
};

struct BatchStreams
{
    std::istream& in;  // read by --files-from -
    std::ostream& out; // the summary lines
    std::ostream& err; // the progress line
    bool errIsTerminal = false;
};

struct BatchResult
{
    bool ok = true;
    std::string message; // when !ok: "PATH: what is wrong" (missing picture, bad list, resume refused)
    Summary summary;
    int exitStatus = 0; // the summary's, or 2 when !ok
};

// Runs the batch. Refusals of the input come back as results before any output is touched;
// failures to write an output (and failures of the hooks) throw, leaving OUT.part for --resume.
BatchResult RunBatch(const BatchOptions& options, const BatchHooks& hooks, BatchStreams streams);

} // namespace Batch
