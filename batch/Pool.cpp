#include "Pool.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

namespace Batch {

bool Deadline::Expired() const
{
    if (stop_ != nullptr && stop_->load(std::memory_order_relaxed))
        return true;
    return at_ != Clock::time_point::max() && Clock::now() >= at_;
}

void Deadline::Check() const
{
    if (Expired())
        throw TimedOut();
}

unsigned WorkerCount(const PoolOptions& options)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    if (options.jobs > 0)
        return std::min(options.jobs, std::max(kMinWorkerCap, kWorkersPerCore * cores));
    return cores;
}

namespace {

std::string TimeoutReason(std::chrono::milliseconds timeout)
{
    char text[64];
    if (timeout.count() % 1000 == 0)
        std::snprintf(text, sizeof text, "timed out after %lld s",
                      static_cast<long long>(timeout.count() / 1000));
    else
        std::snprintf(text, sizeof text, "timed out after %.3g s",
                      static_cast<double>(timeout.count()) / 1000.0);
    return text;
}

// The state the workers and the consumer share, all guarded by `mutex` except `stop`.
struct Shared
{
    const std::vector<std::string>* files = nullptr;
    std::size_t count = 0;
    std::size_t window = 0;
    std::mutex mutex;
    std::condition_variable mayClaim;   // a worker may take the next picture
    std::condition_variable mayConsume; // an outcome arrived, or a worker ended
    std::size_t next = 0;               // the next picture to hand out
    std::size_t consumed = 0;           // outcomes taken by the consumer
    std::map<std::size_t, PictureOutcome> ready;
    unsigned liveWorkers = 0;
    std::atomic<bool> stop{false};
    std::exception_ptr failure;

    void Fail(std::exception_ptr error)
    {
        std::lock_guard lock(mutex);
        if (!failure)
            failure = error;
        stop = true;
        mayClaim.notify_all();
        mayConsume.notify_all();
    }
};

PictureOutcome RunOne(const PictureWork& work, const std::string& file, const Deadline& deadline,
                      std::chrono::milliseconds timeout)
{
    try {
        return work(file, deadline);
    } catch (const TimedOut&) {
        return PictureOutcome::Refusal(TimeoutReason(timeout));
    } catch (const std::exception& error) {
        return PictureOutcome::Refusal(error.what());
    } catch (...) {
        return PictureOutcome::Refusal("unknown failure");
    }
}

void WorkerLoop(Shared& shared, const PoolOptions& options, const WorkerFactory& factory)
{
    try {
        const PictureWork work = factory();
        for (;;) {
            std::unique_lock lock(shared.mutex);
            shared.mayClaim.wait(lock, [&] {
                return shared.stop || shared.next >= shared.count ||
                       shared.next < shared.consumed + shared.window;
            });
            if (shared.stop || shared.next >= shared.count)
                break;
            const std::size_t index = shared.next++;
            lock.unlock();
            const auto at = options.timeout.count() > 0 ? Deadline::Clock::now() + options.timeout
                                                        : Deadline::Clock::time_point::max();
            PictureOutcome outcome =
                RunOne(work, (*shared.files)[index], Deadline(at, &shared.stop), options.timeout);
            lock.lock();
            shared.ready.emplace(index, std::move(outcome));
            shared.mayConsume.notify_one();
        }
    } catch (...) {
        shared.Fail(std::current_exception());
    }
    std::lock_guard lock(shared.mutex);
    --shared.liveWorkers;
    shared.mayConsume.notify_one();
}

// Takes outcomes out in index order and hands them to the sink until all are consumed or the pool
// is stopped.
void ConsumeInOrder(Shared& shared, const OutcomeSink& sink)
{
    for (std::size_t index = 0; index < shared.count; ++index) {
        std::unique_lock lock(shared.mutex);
        shared.mayConsume.wait(
            lock, [&] { return shared.stop || shared.liveWorkers == 0 || shared.ready.count(index) != 0; });
        auto found = shared.ready.find(index);
        if (shared.stop || found == shared.ready.end())
            return;
        PictureOutcome outcome = std::move(found->second);
        shared.ready.erase(found);
        ++shared.consumed;
        shared.mayClaim.notify_all();
        lock.unlock();
        try {
            sink(index, std::move(outcome));
        } catch (...) {
            shared.Fail(std::current_exception());
            return;
        }
    }
}

} // namespace

void RunInOrder(const std::vector<std::string>& files, const PoolOptions& options,
                const WorkerFactory& factory, const OutcomeSink& sink)
{
    const std::size_t count = files.size();
    if (count == 0)
        return;
    Shared shared;
    shared.files = &files;
    shared.count = count;
    const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(WorkerCount(options), count));
    shared.window = options.window > 0 ? options.window : 4 * static_cast<std::size_t>(workers);
    std::vector<std::thread> threads;
    threads.reserve(workers);
    {
        // On every way out, a failed thread start included, the workers are told to stop (those
        // still running have nothing left to do once the consumer is done) and joined.
        struct JoinAll
        {
            Shared& shared;
            std::vector<std::thread>& threads;
            ~JoinAll()
            {
                {
                    std::lock_guard lock(shared.mutex);
                    shared.stop = true;
                    shared.mayClaim.notify_all();
                }
                for (std::thread& thread : threads)
                    thread.join();
            }
        } joinAll{shared, threads};
        for (unsigned i = 0; i < workers; ++i) {
            {
                std::lock_guard lock(shared.mutex);
                ++shared.liveWorkers;
            }
            try {
                threads.emplace_back(WorkerLoop, std::ref(shared), std::cref(options), std::cref(factory));
            } catch (...) {
                std::lock_guard lock(shared.mutex);
                --shared.liveWorkers;
                // The system gives no more threads: the workers already running do the work.
                if (threads.empty())
                    throw;
                break;
            }
        }
        ConsumeInOrder(shared, sink);
    }
    if (shared.failure)
        std::rethrow_exception(shared.failure);
    if (shared.consumed != count)
        throw std::logic_error("the worker pool ended before every picture was handed on");
}

} // namespace Batch
