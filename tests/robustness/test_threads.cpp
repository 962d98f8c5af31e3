// Eight threads make the calls of the seed corpus at once through one host
// and one module, each with call sites and values of its own; every call must
// give what it gives alone (fuzz/README.md, "Threads").
#include "fuzz/harness.h"
#include "fuzz/seeds.h"

#include <gtest/gtest.h>

#include <latch>
#include <mutex>
#include <thread>

namespace {

using namespace qelfin::fuzz;

constexpr int kThreads = 8;
constexpr int kRounds = 6;  // the call sites of IRR and INTRR pass their ten notes

struct Call {
    OpRecord record;
    bool entry;
    std::string text;
};

TEST(Threads, EveryCallGivesWhatItGivesAlone) {
    Harness harness(module_path_from_environment());
    std::mutex failures_lock;
    std::vector<std::string> failures;
    harness.on_failure([&](const std::string& report) {
        const std::lock_guard<std::mutex> lock(failures_lock);
        failures.push_back(report);
    });
    Session owner(module_path_from_environment());  // the host every thread calls through
    std::vector<Call> program;  // every call of the seeds
    for (const Seed& seed : read_seed_files({QELFIN_SEED_DIR "/entries.txt", QELFIN_SEED_DIR "/routines.txt"}))
        for (ByteReader in(seed.bytes.data(), seed.bytes.size()); !in.empty();)
            program.push_back({read_record(in), seed.target == SeedTarget::kEntries, seed.text});
    auto run = [&] {
        Session mine(owner);
        std::vector<Outcome> out;
        for (int round = 0; round < kRounds; ++round)
            for (const Call& c : program) out.push_back(harness.run_record(mine, c.record, c.entry));
        return out;
    };
    const std::vector<Outcome> alone = run();

    std::vector<std::vector<Outcome>> got(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            got[static_cast<size_t>(t)] = run();
        });
    for (auto& th : threads) th.join();

    for (int t = 0; t < kThreads; ++t)
        for (size_t i = 0; i < alone.size(); ++i)
            ASSERT_EQ(got[static_cast<size_t>(t)][i].text(), alone[i].text())
                << "thread " << t << ": " << program[i % program.size()].text;
    for (size_t i = 0; i < failures.size() && i < 5; ++i) ADD_FAILURE() << failures[i];
    EXPECT_EQ(owner.host.toolkit().live_pools(), 0);
    EXPECT_EQ(owner.host.toolkit().created(), owner.host.toolkit().destroyed());
}

}  // namespace
