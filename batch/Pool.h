// The ordered worker pool: N threads, each with state of its own, work through a list of pictures
// and hand every outcome to one consumer in input order, whatever order they finish in. A picture
// whose work throws or refuses is an outcome like any other; it never stops the pool.
#pragma once

#include "Seams.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

namespace Batch {

// When one picture's work must stop: its own time limit, or the whole batch being stopped. The
// work polls Expired() at its natural checkpoints (the reader does so from its event pump).
class Deadline
{
public:
    using Clock = std::chrono::steady_clock;

    // No time limit, never stopped.
    Deadline() = default;
    // Expires at `at` or when `*stop` becomes true (either may be absent: at = max, stop = null).
    Deadline(Clock::time_point at, const std::atomic<bool>* stop) : at_(at), stop_(stop) {}

    bool Expired() const;
    // Throws TimedOut when expired.
    void Check() const;

private:
    Clock::time_point at_ = Clock::time_point::max();
    const std::atomic<bool>* stop_ = nullptr;
};

// Thrown by Deadline::Check and DeadlinePump when a picture's time is up.
class TimedOut : public std::runtime_error
{
public:
    TimedOut() : std::runtime_error("timed out") {}
};

// An event pump that ends the current picture's work (by throwing TimedOut) once its deadline
// has passed: hand it to a long pass that already lets events run at its checkpoints.
class DeadlinePump : public Algemeen::EventPump
{
public:
    explicit DeadlinePump(const Deadline& deadline) : deadline_(deadline) {}
    void PumpEvents() override { deadline_.Check(); }

private:
    const Deadline& deadline_;
};

// Why a card needs a person's look. Any flag set means "needs review".
struct ReviewFlags
{
    bool unknownColumns = false; // a column whose punches no code fits
    bool orientationUnsettled = false;
    bool lowFitQuality = false; // below the caller's fit-quality threshold
    // Columns 1 .. 80 whose holes the picture leaves in doubt (unknown ones among them), ascending.
    std::vector<int> doubtfulColumns;

    bool Any() const
    {
        return unknownColumns || orientationUnsettled || lowFitQuality || !doubtfulColumns.empty();
    }
    bool operator==(const ReviewFlags&) const = default;
};

// "DIR/box_card7.bmp-card2-unknown-columns+low-fit-quality+doubtful-columns-12-40.png": where a card
// that needs a look is saved; the picture's path with its slashes made part of the name, the card in
// the picture (from 1), and why it needs a look, naming the doubtful columns (the first twelve). A
// name longer than kMaxFileNameBytes is cut to fit, the picture's part shortened and ended by "~"
// and a hash of the whole path.
inline constexpr std::size_t kMaxFileNameBytes = 255;
std::string ReviewFileName(const std::string& dir, const std::string& file, std::size_t card,
                           const ReviewFlags& review);

// One card as the caller's work describes it: its JSON object (what the output lines carry) and
// its review flags.
struct CardRecord
{
    nlohmann::json content = nlohmann::json::object();
    ReviewFlags review;
};

// What became of one picture: its cards, or a refusal with its reason.
struct PictureOutcome
{
    bool refused = false;
    std::string reason;            // when refused
    std::vector<CardRecord> cards; // when not refused; may be empty

    static PictureOutcome Refusal(std::string why) { return PictureOutcome{true, std::move(why), {}}; }
};

// The work on one picture file by one worker. It owns the worker's state; it is only ever called
// from its own thread, one picture at a time.
using PictureWork = std::function<PictureOutcome(const std::string& file, const Deadline& deadline)>;
// Makes one worker's work (and with it the worker's state). Called once on each worker thread.
using WorkerFactory = std::function<PictureWork()>;
// Receives every outcome in index order, on the thread that called RunInOrder.
using OutcomeSink = std::function<void(std::size_t index, PictureOutcome&& outcome)>;

// Wraps a factory of the worker's own things and a work function taking them into a WorkerFactory:
// makeOwn() -> S, work(S&, file, deadline) -> PictureOutcome.
template <class MakeOwn, class Work> WorkerFactory PerWorker(MakeOwn makeOwn, Work work)
{
    return [makeOwn, work]() -> PictureWork {
        using Own = decltype(makeOwn());
        auto state = std::make_shared<Own>(makeOwn());
        return [state, work](const std::string& file, const Deadline& deadline) {
            return work(*state, file, deadline);
        };
    };
}

struct PoolOptions
{
    unsigned jobs = 0;                    // worker threads; 0 = one per core
    std::chrono::milliseconds timeout{0}; // per picture; 0 = none
    // Outcomes finished but not yet consumed, at most; a worker waits rather than run further
    // ahead of the consumer. 0 = four per worker.
    std::size_t window = 0;
};

// Workers beyond this many per core (and at least kMinWorkerCap) only cost memory: a larger -j is
// cut down to it.
inline constexpr unsigned kWorkersPerCore = 4;
inline constexpr unsigned kMinWorkerCap = 8;

// The threads a PoolOptions asks for (at least 1).
unsigned WorkerCount(const PoolOptions& options);

// Runs work on every file and calls sink(i, outcome) for i = 0, 1, ... in the order of `files`.
// Work that throws becomes a refusal with the exception's message ("timed out after N s" for
// TimedOut). A WorkerFactory or sink that throws stops the pool: pictures in progress see their
// deadline expire, no new ones start, and the first such exception is rethrown here once every
// worker has ended.
void RunInOrder(const std::vector<std::string>& files, const PoolOptions& options,
                const WorkerFactory& factory, const OutcomeSink& sink);

} // namespace Batch
