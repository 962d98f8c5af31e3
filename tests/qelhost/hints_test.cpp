// Plausibility hints: values the module computes with but that are likely
// slips draw one hint per call site on standard error, never change a
// figure, and --no-hints silences them.
#include "qelhost/runner.h"

namespace qelhost_test {
namespace {

using Hints = QelhostRun;

TEST_F(Hints, SlipsDrawAHintAndPlausibleValuesNone) {
    const struct { const char* call; const char* hint; } cases[] = {  // hint "": none
        {"MORT(250000, ., 4.5, 360)", "MORT: rate 4.5 per period looks like a percent; MORT takes a fraction"},
        {"MORT(250000, ., 0.045/12, 360)", ""},
        {"COMPOUND(100, ., 1, 10)", ""},  // 100 % a period is possible
        {"NPV(0.08, 1, -100, 60, 60)", "NPV: rate 0.08 looks like a fraction; NPV takes the rate in percent"},
        {"NPV(8, 1, -100, 60, 60)", ""},
        {"NETPV(8, 1, -100, 60, 60)", "NETPV: rate 8 per period looks like a percent"},
        {"DEPDB(1, 50000, 10, 200)", "DEPDB: factor 200 looks like a rate"},
        {"MORT(1000, ., 0.01, 12.5)", "MORT: periods 12.5 is not a whole number of payments"},
    };
    for (const auto& c : cases) {
        const Outcome o = qelhost({"eval", c.call});
        const Outcome quiet = qelhost({"eval", "--no-hints", c.call});
        EXPECT_EQ(o.status, 0) << c.call;
        EXPECT_EQ(o.out, quiet.out) << c.call;  // the figure is the same
        EXPECT_EQ(quiet.err, "") << c.call;
        if (*c.hint == 0)
            EXPECT_EQ(o.err, "") << c.call;
        else
            EXPECT_EQ(o.err.rfind(std::string("qelhost: hint: ") + c.hint, 0), 0u) << c.call << "\n" << o.err;
    }
}

TEST_F(Hints, RunDrawsOneHintPerCallSiteWithItsFirstRow) {
    const fs::path in = file("hints.csv", "amount,rate\n1000,0.01\n1000,4.5\n1000,6\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "a = MORT(amount, ., rate, 12)", "-c",
                               "b = MORT(amount, ., rate, 24)"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(count_of(o.err, "hint: "), 2) << o.err;
    EXPECT_HAS(o.err, "qelhost: row 2: [a] MORT(amount, ., rate, 12): hint: MORT: rate 4.5");
    EXPECT_HAS(o.err, "qelhost: row 2: [b] MORT(amount, ., rate, 24): hint: MORT: rate 4.5");
    const Outcome quiet = qelhost({"run", in.string(), "-c", "a = MORT(amount, ., rate, 12)", "--no-hints"});
    EXPECT_EQ(count_of(quiet.err, "hint: "), 0) << quiet.err;
    const Outcome schedule = qelhost({"schedule", "MORT(1000, ., 1.5, 12)"});
    EXPECT_EQ(count_of(schedule.err, "hint: "), 1) << schedule.err;
}

}  // namespace
}  // namespace qelhost_test
