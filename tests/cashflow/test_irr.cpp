// IRR and INTRR through the function vector: figures, statuses and marks,
// the per-call-site counter and the notes 201 and 202 of set 744.
#include "host/module.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace qelfin::host;

const Arg M = Arg::missing();
constexpr uint8_t kLimitedKinds[] = {0x48, 0x58, 0x68, 0x88};

bool is_module_missing(double v) { return std::bit_cast<uint64_t>(v) == QELFIN_MISSING_BITS; }

class Irr : public ::testing::Test {
protected:
    Host host;
    Module m{host};
};

struct EntryCase {
    const char* function;
    std::vector<Arg> args;
    uint32_t status;
    long double value;  // when the status is 0
    int32_t marked;
};

TEST_F(Irr, Figures) {
    const long double sqrt11 = sqrtl(1.1L);
    const EntryCase cases[] = {
        {"IRR", {1, -100, 110}, 0, 10.0L, 0},
        {"INTRR", {1, -100, 110}, 0, 0.1L, 0},
        {"IRR", {0, -100, 110}, 0, 100 * logl(1.1L), 0},
        {"INTRR", {0, -100, 110}, 0, logl(1.1L), 0},
        {"IRR", {2, -100, 110}, 0, 21.0L, 0},
        {"IRR", {1, -100, M, 110}, 0, 100 * (sqrt11 - 1), 0},
        {"IRR", {1, 0, 0, -100, 50, 60, 0}, 0, 100 * (120.0L / (-50.0L + sqrtl(26500.0L)) - 1), 0},
        {"IRR", {1, -100, 230, -132}, 0, 10.0L, 0},
        {"INTRR", {12, -1000, 1010}, 0, powl(1.01L, 12) - 1, 0},
        // failures
        {"IRR", {0, -100, M, 110}, STATUS_RESULT_MISSING, 0, 0},
        {"INTRR", {0, M, -100, 110}, STATUS_RESULT_MISSING, 0, 0},
        {"IRR", {M, -100, 110}, STATUS_INVALID_ARGS, 0, 1},
        {"IRR", {std::nan(""), -100, 110}, STATUS_INVALID_ARGS, 0, 1},
        {"INTRR", {-1, -100, 110}, STATUS_INVALID_ARGS, 0, 1},
        {"IRR", {-1, -100, M, 110}, STATUS_INVALID_ARGS, 0, 1},
        {"IRR", {1, 100, 50}, STATUS_INVALID_ARGS, 0, 0},
        {"IRR", {1, -100}, STATUS_INVALID_ARGS, 0, 0},
        {"IRR", {1}, STATUS_INVALID_ARGS, 0, 0},
        {"INTRR", {1, 0, M, -0.0}, STATUS_INVALID_ARGS, 0, 0},
        {"IRR", {1, 1, -3, 3}, STATUS_INVALID_ARGS, 0, 0},  // no real root
        {"IRR", {0, 1, 1.5, -0.5, 1}, STATUS_INVALID_ARGS, 0, 0},  // root -0.5, no continuous rate
    };
    for (const EntryCase& k : cases) {
        SCOPED_TRACE(std::string(k.function) + " case with " + std::to_string(k.args.size()) + " arguments");
        const CallResult r = m.call(k.function, std::span<const Arg>(k.args));
        ASSERT_EQ(r.status, k.status) << status_name(r.status);
        EXPECT_EQ(r.marked, k.marked);
        EXPECT_LE(r.mark_count, 1);
        if (k.status == 0)
            EXPECT_NEAR(r.value, static_cast<double>(k.value), 1e-13 * std::fabs(static_cast<double>(k.value)));
        else
            EXPECT_TRUE(is_module_missing(r.value));
    }
}

// IRR is INTRR times 100, on the same solve.
TEST_F(Irr, PercentIsTheFractionScaled) {
    const std::vector<Arg> args = {4, -950, 30, 30, 30, 30, 30, 30, 30, 1030};
    const CallResult pct = m.call("IRR", std::span<const Arg>(args));
    const CallResult frac = m.call("INTRR", std::span<const Arg>(args));
    ASSERT_TRUE(pct.ok());
    ASSERT_TRUE(frac.ok());
    EXPECT_EQ(pct.value, frac.value * 100.0);
}

TEST_F(Irr, CountBounds) {
    std::vector<Arg> args(32768, Arg(1.0));  // frequency and 32767 flows
    args[1] = Arg(-32766.0 * 0.9);
    const CallResult longest = m.call("INTRR", std::span<const Arg>(args));
    ASSERT_TRUE(longest.ok());
    EXPECT_GT(longest.value, 0.0);
    args.push_back(Arg(1.0));  // 32768 flows
    const CallResult too_long = m.call("INTRR", std::span<const Arg>(args));
    EXPECT_EQ(too_long.status, STATUS_INVALID_ARGS);
    EXPECT_EQ(too_long.marked, 0);
    EXPECT_TRUE(is_module_missing(too_long.value));
}

// ---------------------------------------------------------------------------
// Notes.

const std::vector<Arg> kTwoChanges = {1, -100, 230, -132};

TEST_F(Irr, NoteCarriesTheFractionAndTheName) {
    for (const char* name : {"IRR", "INTRR"}) {
        const CallResult r = m.call(name, std::span<const Arg>(kTwoChanges));
        ASSERT_TRUE(r.ok());
        ASSERT_EQ(r.notes.size(), 1u);
        const Note& n = r.notes[0];
        EXPECT_EQ(n.set, 744);
        EXPECT_EQ(n.id, 201);
        EXPECT_TRUE(n.has_rate);
        EXPECT_NEAR(n.rate, 0.1, 1e-14);  // the fraction, also for IRR
        EXPECT_EQ(n.function, name);
        EXPECT_NE(n.text.find(name), std::string::npos) << n.text;
        EXPECT_NE(n.text.find("more than once"), std::string::npos) << n.text;
    }
    EXPECT_EQ(host.notes().size(), 2u);
    EXPECT_EQ(host.tss_byte30(), 0);  // the log stub cleared it
}

TEST_F(Irr, NoNoteForOneSignChange) {
    const CallResult r = m.call("IRR", {1, -100, 110});
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.notes.empty());
}

TEST_F(Irr, TenNotesPerLimitedCallSite) {
    for (uint8_t kind : kLimitedKinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        host.counter_pool().clear_requests();
        CallSite site{kind, nullptr};
        // Results with one sign change do not use up the notes.
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(m.call("IRR", {1, -100, 110}, &site).ok());
        ASSERT_NE(site.call_state, nullptr);
        EXPECT_EQ(*site.call_state, 0);

        std::vector<std::vector<int32_t>> ids;
        for (int i = 0; i < 12; ++i) {
            const CallResult r = m.call("IRR", std::span<const Arg>(kTwoChanges), &site);
            ASSERT_TRUE(r.ok());
            EXPECT_NEAR(r.value, 10.0, 1e-12);
            std::vector<int32_t> call_ids;
            for (const Note& n : r.notes) call_ids.push_back(n.id);
            ids.push_back(call_ids);
        }
        for (int i = 0; i < 9; ++i) EXPECT_EQ(ids[static_cast<size_t>(i)], std::vector<int32_t>{201}) << i;
        EXPECT_EQ(ids[9], (std::vector<int32_t>{201, 202}));
        EXPECT_TRUE(ids[10].empty());
        EXPECT_TRUE(ids[11].empty());
        EXPECT_EQ(*site.call_state, 12);

        // One counter per call site, 4 bytes with flags 8198.
        const auto requests = host.counter_pool().requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].size, 4u);
        EXPECT_EQ(requests[0].flags, 8198u);
        EXPECT_TRUE(requests[0].granted);
    }
}

TEST_F(Irr, OtherCallersAreNotLimited) {
    for (uint8_t kind : {0x00, 0x49, 0x78, 0xFF}) {
        host.counter_pool().clear_requests();
        CallSite site{static_cast<uint8_t>(kind), nullptr};
        for (int i = 0; i < 12; ++i) {
            const CallResult r = m.call("INTRR", std::span<const Arg>(kTwoChanges), &site);
            ASSERT_TRUE(r.ok());
            ASSERT_EQ(r.notes.size(), 1u) << i;
            EXPECT_EQ(r.notes[0].id, 201);
            EXPECT_EQ(r.notes[0].function, "INTRR");
        }
        EXPECT_EQ(site.call_state, nullptr);
        EXPECT_TRUE(host.counter_pool().requests().empty());
    }
}

TEST_F(Irr, CounterNotObtained) {
    host.counter_pool().set_refuse(true);
    for (const char* name : {"IRR", "INTRR"}) {
        CallSite site{0x68, nullptr};
        const CallResult r = m.call(name, {1, -100, 110}, &site);
        EXPECT_EQ(r.status, STATUS_NO_MEMORY);
        EXPECT_TRUE(is_module_missing(r.value));
        EXPECT_EQ(r.marked, 0);
        EXPECT_EQ(site.call_state, nullptr);
    }
    EXPECT_TRUE(host.toolkit().creations().empty());  // refused before the solve

    // A call site that already has its counter needs no memory.
    int32_t counter = 3;
    CallSite kept{0x88, &counter};
    const CallResult r = m.call("IRR", std::span<const Arg>(kTwoChanges), &kept);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(counter, 4);
    EXPECT_EQ(r.notes.size(), 1u);
}

// Every call creates and destroys one scratch pool, whatever its outcome.
TEST_F(Irr, NoPoolOutlivesACall) {
    const std::vector<std::vector<Arg>> calls = {
        {1, -100, 110}, {1, 100, 50}, {1, -100, 230, -132}, {1, 1, -3, 3}, {1, 0, 0}, {-1, -100, 110}, {1, -100},
    };
    for (const auto& args : calls) ASSERT_NE(m.call("IRR", std::span<const Arg>(args)).status, 12345u);
    EXPECT_EQ(host.toolkit().created(), 5);  // the last two are refused before the solver
    EXPECT_EQ(host.toolkit().destroyed(), 5);
    EXPECT_EQ(host.toolkit().live_pools(), 0);

    host.toolkit().set_fail_allocate(true);
    const CallResult r = m.call("IRR", {1, -100, 110});
    EXPECT_EQ(r.status, STATUS_INVALID_ARGS);
    EXPECT_EQ(host.toolkit().live_pools(), 0);
}

}  // namespace
