// Concurrency: many threads call all seventeen entries at once, each on
// argument blocks of its own (IRR and INTRR from call sites of their own, of
// every caller kind), and every call must give what the same call gives
// when the program runs alone: status, result bits, marks and notes.  The
// exported solvers are called the same way.  The x64-tsan preset runs this
// under ThreadSanitizer, which also reports any unsynchronised shared
// state in the module.
#include "host/standin/standin.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <latch>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace qelfin::host;

constexpr int kThreads = 8;
constexpr int kRounds = 4;  // with two calls per round, a site passes its ten notes

struct Call {
    std::string name;
    std::vector<Arg> args;
    int site = -1;  // index into the caller's call sites, -1 for none
};

struct Outcome {
    uint32_t status = 0;
    uint64_t value = 0;
    int32_t marked = 0;
    int32_t mark_count = 0;
    std::vector<std::string> notes;  // id, rate bits, function
    bool operator==(const Outcome&) const = default;
};

std::string describe(const Call& c) {
    std::string s = c.name + "(";
    for (size_t i = 0; i < c.args.size() && i < 8; ++i) s += (i ? ", " : "") + std::to_string(c.args[i].number);
    return s + (c.args.size() > 8 ? ", ...)" : ")") + (c.site >= 0 ? " site " + std::to_string(c.site) : "");
}

std::vector<Arg> series(const std::vector<Arg>& lead, int n, double first, double step) {
    std::vector<Arg> args = lead;
    args.emplace_back(first);
    for (int i = 1; i < n; ++i) args.emplace_back(step * (1 + (i * 37 % 11)) * ((i * 7 % 13) == 0 ? -1 : 1));
    return args;
}

std::vector<Call> program() {
    const Arg m = Arg::missing();
    std::vector<Call> p = {
        {"COMPOUND", {100, m, 0.05, 10}},
        {"COMPOUND", {m, 162.88946267774415, 0.05, 10}},
        {"COMPOUND", {100, 200, m, 10}},
        {"COMPOUND", {100, 200, 0.05, m}},
        {"COMPOUND", {100, m, 1e200, 2}},
        {"COMPOUND", {m, m, 0.05, 10}},
        {"MORT", {50000, m, 0.005, 360}},
        {"MORT", {50000, 299.775262576, m, 360}},
        {"MORT", {1000, 100, 0.1, m}},
        {"MORT", {1000, 100, m, 12}},
        {"SAVING", {m, 100, 0.05, 10}},
        {"SAVING", {1320.6787162326284, 100, m, 10}},
        {"SAVING", {1000, 100, 0, m}},
        {"DACCDB", {0.5, 1000, 5, 2}},
        {"DEPDB", {1.5, 1000, 5, 2}},
        {"DACCDB", {0.5, 1000, 2, 2}},
        {"DEPDB", {1, 1000, 0, 2}},
        {"DACCDB", {m, 1000, 5, 2}},
        {"DEPDBSL", {6, 1000, 10, 2}},
        {"DACCDBSL", {2.5, 1000, 5, 2}},
        {"DACCDBSL", {2, 1000, 10, 0.5}},
        {"DACCSL", {2.5, 1000, 5}},
        {"DEPSL", {5.5, 1000, 5}},
        {"DEPSL", {1, 1000, 0}},
        {"DACCSYD", {2.5, 1500, 5}},
        {"DEPSYD", {5, 1000, 4.5}},
        {"DACCSYD", {1, 1e155, 5}},
        {"DACCTAB", {1.5, 1000, 0.4, 0.3, 0.2, 0.1}},
        {"DEPTAB", {4.5, 1000, 0.4, 0.3, 0.2, 0.1}},
        {"DACCTAB", {1, 1000, 0.6, 0.6}},
        {"DEPTAB", {1, 1000, 0.1, m}},
        {"NPV", {10, 1, -100, 110}},
        {"NETPV", {0.1, 0, 0, 1}},
        {"NPV", {5, 1, 100, m, 100}},
        {"NPV", {5, -1, 100}},
        {"NETPV", {0.05, 12, m, m}},
        {"IRR", {0, -100, m, 110}},
        {"INTRR", {m, -100, 110}},
        {"IRR", {1, 1, -3, 3}},
        {"INTRR", {1, 100, 50}},
    };
    p.push_back({"NPV", series({3, 12}, 600, -5000, 40)});
    p.push_back({"NETPV", series({0.07, 0}, 300, -1000, 25)});
    p.push_back({"DEPTAB", series({17.5, 1000}, 40, 0.02, 0.0)});
    for (int site = 0; site < 6; ++site) {
        p.push_back({"IRR", {1, -100, 110}, site});
        p.push_back({site % 2 ? "INTRR" : "IRR", {1, -100, 230, -132}, site});
        p.push_back({"INTRR", series({2}, 200, -3000, 30), site});
        p.push_back({"IRR", {0.5, -100, 230, -132}, site});
    }
    return p;
}

Outcome outcome(const CallResult& r) {
    Outcome o{r.status, std::bit_cast<uint64_t>(r.value), r.marked, r.mark_count, {}};
    for (const auto& n : r.notes)
        o.notes.push_back(std::to_string(n.id) + ":" + std::to_string(std::bit_cast<uint64_t>(n.rate)) + ":" +
                          n.function);
    return o;
}

// The whole program, from fresh call sites of the six caller kinds.
std::vector<Outcome> run(const Module& module, const std::vector<Call>& calls) {
    std::array<SiteState, 6> sites{SiteState{0x48}, SiteState{0x58}, SiteState{0x68},
                                  SiteState{0x88}, SiteState{0x00}, SiteState{0x10}};
    std::vector<Outcome> out;
    for (int round = 0; round < kRounds; ++round)
        for (const auto& c : calls)
            out.push_back(
                outcome(module.call(c.name, c.args, c.site >= 0 ? &sites[static_cast<size_t>(c.site)] : nullptr)));
    return out;
}

TEST(Threads, EveryEntryGivesWhatItGivesAlone) {
    qelfin::standin::Host host;
    Module module(host);
    const auto calls = program();
    const auto alone = run(module, calls);

    std::vector<std::vector<Outcome>> got(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            got[static_cast<size_t>(t)] = run(module, calls);
        });
    for (auto& th : threads) th.join();

    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(got[static_cast<size_t>(t)].size(), alone.size());
        for (size_t i = 0; i < alone.size(); ++i) {
            const auto& a = alone[i];
            const auto& b = got[static_cast<size_t>(t)][i];
            ASSERT_EQ(a, b) << "thread " << t << ", call " << i << ": " << describe(calls[i % calls.size()])
                            << "\n  alone: status " << a.status << " value " << a.value << " mark " << a.marked
                            << " notes " << a.notes.size() << "\n  here:  status " << b.status << " value " << b.value
                            << " mark " << b.marked << " notes " << b.notes.size();
        }
    }
    EXPECT_EQ(host.toolkit().live_pools(), 0);
    EXPECT_EQ(host.toolkit().created(), host.toolkit().destroyed());
}

// The exported solvers with callbacks, each thread on series of its own.
struct Flows {
    std::vector<double> c;
    static double read(int32_t i, void* context) {
        return static_cast<const Flows*>(context)->c[static_cast<size_t>(i)];
    }
};

TEST(Threads, ExportedSolversGiveWhatTheyGiveAlone) {
    qelfin::standin::Host host;
    Module module(host);
    using Zirr = decltype(&zirr);
    using Znpv = decltype(&znpv);
    using Zcmpnd = decltype(&zcmpnd);
    using Zdctab = decltype(&zdctab);
    Zirr irr = nullptr;
    Znpv npv = nullptr;
    Zcmpnd cmpnd = nullptr;
    Zdctab tab = nullptr;
    try {
        irr = module.symbol<Zirr>("zirr");
        npv = module.symbol<Znpv>("znpv");
        cmpnd = module.symbol<Zcmpnd>("zcmpnd");
        tab = module.symbol<Zdctab>("zdctab");
    } catch (const LoadError& e) {
        GTEST_SKIP() << "the module does not export its solvers yet: " << e.what();
    }
    std::vector<Flows> series_of;
    for (int k = 0; k < 24; ++k) {
        Flows f;
        f.c.push_back(-1000.0 - k);
        for (int i = 1; i < 50 + 10 * k; ++i) f.c.push_back((i % 7 == 3 ? -1.0 : 1.0) * (30.0 + i % 5 + k));
        series_of.push_back(f);
    }
    auto work = [&](std::vector<Flows> mine) {
        std::vector<uint64_t> out;
        for (int round = 0; round < 5; ++round) {
            for (auto& f : mine) {
                int32_t err = 0;
                const auto m = static_cast<int32_t>(f.c.size());
                out.push_back(std::bit_cast<uint64_t>(irr(1.0, m, &Flows::read, &f, &err)));
                out.push_back(static_cast<uint64_t>(err));
                out.push_back(std::bit_cast<uint64_t>(npv(0.05, 4.0, m, &Flows::read, &f, &err)));
                out.push_back(std::bit_cast<uint64_t>(cmpnd(f.c[1], -f.c[0], 0.0, 12.0, 3, &err)));
                Flows table{{0.25, 0.25, 0.2, 0.1, 0.1}};
                out.push_back(std::bit_cast<uint64_t>(tab(f.c[1] / 10, -f.c[0], 5, &Flows::read, &table, &err)));
            }
        }
        return out;
    };
    const auto alone = work(series_of);
    std::vector<std::vector<uint64_t>> got(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            std::vector<Flows> mine = series_of;  // each thread reads series of its own
            start.arrive_and_wait();
            got[static_cast<size_t>(t)] = work(std::move(mine));
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(got[static_cast<size_t>(t)], alone) << "thread " << t;
    EXPECT_EQ(host.toolkit().live_pools(), 0);
}

}  // namespace
