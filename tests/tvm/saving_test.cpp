// SAVING: the figures of the function, its refusals and its statuses.
#include "tvm/calls.h"

#include <cmath>

namespace qelfin::test {
namespace {

host::CallResult saving(double f, double p, double r, double n) { return call("SAVING", f, p, r, n); }

// 100 paid at the start of each of 10 periods at 5 %: 100 (1.05^11 - 1.05)
// / 0.05, about 1320.6787162326.  1.05^11 comes from squaring, so the
// result lies a few ulps from the correctly rounded 1320.6787162326284,
// which the other quantities are solved from.
TEST(Saving, TenPaymentsAtFivePercent) {
    const host::CallResult amount = saving(M, 100, 0.05, 10);
    EXPECT_EQ(amount.status, 0u);
    EXPECT_NEAR(amount.value, 1320.6787162326, 5e-11);
    const double f = 1320.6787162326284;
    expect_close(saving(f, M, 0.05, 10), 100, 4 * DBL_EPSILON);
    expect_close(saving(f, 100, 0.05, M), 10, 4 * DBL_EPSILON);
    const host::CallResult r = saving(f, 100, M, 10);
    EXPECT_EQ(r.status, 0u);
    EXPECT_NEAR(r.value, 0.05, 1e-11);
}

TEST(Saving, ZeroRate) {
    expect_exact(saving(M, 100, 0, 10), 1000.0);
    expect_exact(saving(1000, M, 0, 10), 100.0);
    expect_failure(saving(1000, 100, 0, M), STATUS_INVALID_ARGS);
}

TEST(Saving, Refusals) {
    const struct {
        double f, p, r, n;
    } refused[] = {
        {M, 100, 0.05, 0},             // f: no period
        {M, 100, -0.99999999, 10},     // f: lowest rate (eight nines), strict
        {M, 100, 1e103, 1},            // f: rate above the cube root of the largest double
        {M, 100, 0.05, 1e5},           // f: the power exceeds it
        {1000, M, -0.9999999, 10},     // p: lowest rate (seven nines)
        {1000, M, 0.05, 0},            // p: no period
        {0, 100, M, 10},               // r: amount must exceed 2^-511
        {1000, 0, M, 10},              // r: payment too
        {1000, 100, M, 0},             // r: periods too
        {0, 100, 0.05, M},             // n: nothing to save for
        {-1, 100, 0.05, M},            // n: negative amount
        {1000, 0, 0.05, M},            // n: no payment
        {1000, 100, -0.999999999, M},  // n: lowest rate (nine nines)
        {100, 100, -0.5, M},           // n: the balance can never reach 100
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(testing::Message() << c.f << ", " << c.p << ", " << c.r << ", " << c.n);
        expect_failure(saving(c.f, c.p, c.r, c.n), STATUS_INVALID_ARGS);
    }
}

// The lowest rate differs by the quantity computed: -0.9999999 passes when
// computing f or n and fails when computing p.
TEST(Saving, LowestRateDependsOnQuantity) {
    EXPECT_EQ(saving(M, 100, -0.9999999, 10).status, 0u);
    EXPECT_EQ(saving(1e-6, 100, -0.9999999, M).status, 0u);
    expect_failure(saving(1000, M, -0.9999999, 10), STATUS_INVALID_ARGS);
}

// Not exactly one argument missing: STATUS_INVALID_ARGS, no mark.
TEST(Saving, WrongNumberMissing) {
    expect_failure(saving(1000, 100, 0.05, 10), STATUS_INVALID_ARGS);
    expect_failure(saving(M, M, 0.05, 10), STATUS_INVALID_ARGS);
    expect_failure(saving(M, M, M, M), STATUS_INVALID_ARGS);
}

// The solver reports 1 for every refusal, also when the guarded power
// failed (it would say 1 or 2 itself), and returns MISSING.
TEST(Saving, SolverCodes) {
    const Solved negative_base = solve("zsaving", M, 100, -2, 0.5, 1);  // rate below the bound first
    EXPECT_EQ(negative_base.err, 1);
    EXPECT_TRUE(is_missing_bits(negative_base.value));
    EXPECT_EQ(solve("zsaving", M, 100, 10, 1e3, 1).err, 1);   // zpower: too large
    EXPECT_EQ(solve("zsaving", 1000, 100, 0.05, 10, 0).err, 1);
    EXPECT_EQ(solve("zsaving", 1000, 100, 0.05, 10, 5).err, 1);
    const Solved ok = solve("zsaving", -7, 100, 0, 10, 1);  // f passed is not read
    EXPECT_EQ(ok.err, 0);
    EXPECT_EQ(ok.value, 1000.0);
}

}  // namespace
}  // namespace qelfin::test
