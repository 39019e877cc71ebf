#include "Batch.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <set>
#include <thread>

using namespace Batch;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> Names(std::size_t count)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i)
        names.push_back("p" + std::to_string(i));
    return names;
}

std::size_t Number(const std::string& name)
{
    return std::stoul(name.substr(1));
}

// A card whose content names its picture.
PictureOutcome OneCard(const std::string& file)
{
    PictureOutcome outcome;
    outcome.cards.push_back(CardRecord{{{"from", file}}, {}});
    return outcome;
}

} // namespace

TEST(PoolTest, OutcomesArriveInInputOrderWhateverTheParallelism)
{
    const auto files = Names(60);
    // A -j far beyond the machine is cut down to a few workers per core.
    const unsigned cap =
        std::max(kMinWorkerCap, kWorkersPerCore * std::max(1u, std::thread::hardware_concurrency()));
    for (const unsigned jobs : {1u, 2u, 3u, 4u, 1024u}) {
        const unsigned workers = std::min(jobs, cap);
        std::atomic<int> factories{0};
        std::mutex seenMutex;
        std::set<std::thread::id> threads;
        // Each worker's state is its thread and a picture count; using it from another thread fails.
        struct State
        {
            std::thread::id owner = std::this_thread::get_id();
            int pictures = 0;
        };
        auto factory = PerWorker(
            [&] {
                ++factories;
                return State{};
            },
            [&](State& state, const std::string& file, const Deadline&) {
                EXPECT_EQ(state.owner, std::this_thread::get_id());
                ++state.pictures;
                {
                    std::lock_guard lock(seenMutex);
                    threads.insert(std::this_thread::get_id());
                }
                // Random delays so that pictures finish out of order.
                thread_local std::mt19937 random(std::hash<std::thread::id>()(std::this_thread::get_id()));
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
                return OneCard(file);
            });
        std::vector<std::string> order;
        PoolOptions options;
        options.jobs = jobs;
        RunInOrder(files, options, factory, [&](std::size_t index, PictureOutcome&& outcome) {
            EXPECT_EQ(index, order.size());
            order.push_back(outcome.cards.at(0).content["from"]);
        });
        EXPECT_EQ(order, files) << jobs << " workers";
        EXPECT_EQ(factories, static_cast<int>(workers));
        EXPECT_LE(threads.size(), workers);
    }
}

TEST(PoolTest, FailingPicturesAreRecordedAndTheBatchGoesOn)
{
    const auto files = Names(12);
    auto factory = PerWorker([] { return 0; },
                             [](int&, const std::string& file, const Deadline& deadline) {
                                 switch (Number(file) % 4) {
                                 case 1:
                                     throw std::runtime_error("Not a bitmap file");
                                 case 2:
                                     return PictureOutcome::Refusal("no card found");
                                 case 3:
                                     for (;;) // polls its deadline, as the reader's event pump does
                                         deadline.Check();
                                 default:
                                     return OneCard(file);
                                 }
                             });
    PoolOptions options;
    options.jobs = 3;
    options.timeout = 20ms;
    std::vector<std::string> seen;
    RunInOrder(files, options, factory, [&](std::size_t index, PictureOutcome&& outcome) {
        seen.push_back(outcome.refused ? outcome.reason
                                       : outcome.cards.at(0).content["from"].get<std::string>());
        EXPECT_EQ(outcome.refused, index % 4 != 0);
    });
    ASSERT_EQ(seen.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const char* expected[] = {"", "Not a bitmap file", "no card found", "timed out after 0.02 s"};
        EXPECT_EQ(seen[i], i % 4 == 0 ? files[i] : expected[i % 4]) << i;
    }

    options.timeout = 1000ms;
    seen.clear();
    RunInOrder({"p3"}, options, factory,
               [&](std::size_t, PictureOutcome&& outcome) { seen.push_back(outcome.reason); });
    EXPECT_EQ(seen, std::vector<std::string>{"timed out after 1 s"});
}

TEST(PoolTest, WorkersWaitRatherThanRunFarAheadOfTheConsumer)
{
    const auto files = Names(200);
    std::atomic<std::size_t> furthest{0};
    std::atomic<bool> firstDone{false};
    std::size_t furthestBeforeFirst = 0;
    auto factory = PerWorker([] { return 0; },
                             [&](int&, const std::string& file, const Deadline&) {
                                 const std::size_t number = Number(file);
                                 if (number == 0) {
                                     std::this_thread::sleep_for(100ms); // the others finish long before
                                     furthestBeforeFirst = furthest.load();
                                     firstDone = true;
                                 }
                                 std::size_t seen = furthest.load();
                                 while (number > seen && !furthest.compare_exchange_weak(seen, number)) {
                                 }
                                 return OneCard(file);
                             });
    PoolOptions options;
    options.jobs = 3;
    options.window = 8;
    std::size_t delivered = 0;
    RunInOrder(files, options, factory, [&](std::size_t, PictureOutcome&&) { ++delivered; });
    EXPECT_EQ(delivered, files.size());
    EXPECT_TRUE(firstDone);
    // Picture 0 itself counts against the window, so at most pictures 1..7 can be done meanwhile.
    EXPECT_LT(furthestBeforeFirst, options.window);
    EXPECT_GE(furthestBeforeFirst, 2u); // the other two workers did not stand still either
}

TEST(PoolTest, AFailingSinkOrFactoryStopsThePoolAndIsRethrown)
{
    const auto files = Names(100);
    std::atomic<int> started{0};
    auto slowWork = PerWorker([] { return 0; },
                              [&](int&, const std::string& file, const Deadline& deadline) {
                                  ++started;
                                  for (int i = 0; i < 20; ++i) {
                                      deadline.Check(); // stopping the pool ends work in progress too
                                      std::this_thread::sleep_for(1ms);
                                  }
                                  return OneCard(file);
                              });
    PoolOptions options;
    options.jobs = 4;
    EXPECT_THROW(RunInOrder(files, options, slowWork,
                            [](std::size_t index, PictureOutcome&&) {
                                if (index == 5)
                                    throw std::runtime_error("disk full");
                            }),
                 std::runtime_error);
    EXPECT_LT(started.load(), 60);

    int made = 0;
    const WorkerFactory failingFactory = [&]() -> PictureWork {
        if (++made == 2)
            throw std::runtime_error("no code table");
        return [](const std::string& file, const Deadline&) { return OneCard(file); };
    };
    options.jobs = 1;
    std::size_t delivered = 0;
    RunInOrder(files, options, failingFactory, [&](std::size_t, PictureOutcome&&) { ++delivered; });
    EXPECT_EQ(delivered, files.size());
    options.jobs = 2;
    made = 0;
    EXPECT_THROW(RunInOrder(files, options, failingFactory, [](std::size_t, PictureOutcome&&) {}),
                 std::runtime_error);
}
