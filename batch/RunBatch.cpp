#include "RunBatch.h"

#include "Inputs.h"
#include "Progress.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

namespace Batch {

bool WantsBatch(const BatchOptions& options)
{
    if (!options.filesFrom.empty() || options.jobs != 0 || options.timeoutSeconds != 0 ||
        !options.jsonl.empty() || options.resume || !options.summary.empty() || options.progress ||
        options.quiet || !options.review.empty())
        return true;
    std::error_code error;
    for (const std::string& path : options.paths)
        if (std::filesystem::is_directory(path, error))
            return true;
    return false;
}

std::string CheckBatchOptions(const BatchOptions& options)
{
    if (options.paths.empty() && options.filesFrom.empty())
        return "no pictures given: name pictures or folders, or --files-from LIST";
    if (options.resume && options.jsonl.empty())
        return "--resume needs --jsonl OUT, the output to carry on";
    if (options.jobs > kMaxJobs)
        return "-j must be between 1 and " + std::to_string(kMaxJobs);
    if (!(options.timeoutSeconds >= 0 && options.timeoutSeconds <= kMaxTimeoutSeconds))
        return "--timeout must be a number of seconds from 0 (none) to " +
               std::to_string(static_cast<long long>(kMaxTimeoutSeconds));
    return "";
}

namespace {

// The state of one run as outcomes arrive, held or new: tally, JSON lines, hook, progress.
class RunState
{
public:
    RunState(const BatchOptions& options, const BatchHooks& hooks, BatchStreams streams,
             const std::vector<std::string>& files)
        : hooks_(hooks), files_(files),
          progress_(streams.err, ProgressWanted(options.progress, options.quiet, streams.errIsTerminal))
    {
    }

    void Held(std::size_t index, PictureOutcome&& outcome)
    {
        Tally(index, outcome);
        ++held_;
    }

    void Fresh(std::size_t index, PictureOutcome&& outcome)
    {
        if (journal_)
            journal_->Append(files_[index], outcome);
        cardsThisRun_ += outcome.refused ? 0 : outcome.cards.size();
        Tally(index, outcome);
        progress_.Update(Figures(), ProgressLine::Clock::now());
    }

    void Finish()
    {
        progress_.Finish(Figures());
        if (journal_)
            journal_->Finish();
    }

    std::unique_ptr<JsonlJournal> journal_;
    Summary summary;

private:
    void Tally(std::size_t index, const PictureOutcome& outcome)
    {
        summary.Add(outcome);
        if (hooks_.onPicture)
            hooks_.onPicture(index, files_[index], outcome);
    }

    ProgressFigures Figures() const
    {
        ProgressFigures figures;
        figures.done = summary.pictures;
        figures.total = files_.size();
        figures.held = held_;
        figures.cards = summary.cards;
        figures.cardsThisRun = cardsThisRun_;
        figures.review = summary.cardsNeedingReview;
        figures.elapsed = ProgressLine::Clock::now() - start_;
        return figures;
    }

    const BatchHooks& hooks_;
    const std::vector<std::string>& files_;
    ProgressLine progress_;
    ProgressLine::Clock::time_point start_ = ProgressLine::Clock::now();
    std::size_t held_ = 0;
    std::size_t cardsThisRun_ = 0;
};

BatchResult Refused(std::string message)
{
    BatchResult result;
    result.ok = false;
    result.message = std::move(message);
    result.exitStatus = 2;
    return result;
}

} // namespace

BatchResult RunBatch(const BatchOptions& options, const BatchHooks& hooks, BatchStreams streams)
{
    const InputList inputs = CollectInputs(options.paths, options.filesFrom, streams.in);
    if (!inputs.ok)
        return Refused(inputs.message);
    const std::vector<std::string>& files = inputs.files;
    if (hooks.checkInputs)
        if (std::string refusal = hooks.checkInputs(files); !refusal.empty())
            return Refused(std::move(refusal));
    RunState run(options, hooks, streams, files);

    std::size_t held = 0;
    if (!options.jsonl.empty()) {
        JournalStart start = JsonlJournal::Start(
            options.jsonl, files, options.resume,
            [&](std::size_t index, PictureOutcome&& outcome) { run.Held(index, std::move(outcome)); });
        if (!start.ok)
            return Refused(start.message);
        held = start.held;
        run.journal_ = std::move(start.journal);
    }

    PoolOptions pool;
    pool.jobs = options.jobs;
    // A timeout below a millisecond is still a timeout, not "none".
    if (options.timeoutSeconds > 0)
        pool.timeout = std::max(std::chrono::milliseconds(1),
                                std::chrono::milliseconds(std::llround(options.timeoutSeconds * 1000.0)));
    const std::vector<std::string> rest(files.begin() + static_cast<std::ptrdiff_t>(held), files.end());
    RunInOrder(rest, pool, hooks.worker, [&](std::size_t index, PictureOutcome&& outcome) {
        run.Fresh(held + index, std::move(outcome));
    });
    run.Finish();
    if (hooks.onFinished)
        hooks.onFinished();
    if (hooks.completeSummary)
        hooks.completeSummary(run.summary);

    if (!options.summary.empty())
        WriteFileWhole(options.summary, run.summary.ToJson().dump(2) + "\n");
    for (const std::string& line : run.summary.Lines())
        streams.out << line << '\n';
    streams.out << std::flush;

    BatchResult result;
    result.summary = run.summary;
    result.exitStatus = run.summary.ExitStatus();
    return result;
}

} // namespace Batch
