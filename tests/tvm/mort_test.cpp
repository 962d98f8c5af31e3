// MORT: the figures of the function, its solver codes and its statuses.
#include "tvm/calls.h"

#include <cmath>

namespace qelfin::test {
namespace {

host::CallResult mort(double a, double p, double r, double n) { return call("MORT", a, p, r, n); }

// A 30-year loan of 50000 at 0.5 % a month, solved for each quantity in
// turn from the payment the first call gives.
TEST(Mort, ThirtyYearLoan) {
    const host::CallResult payment = mort(50000, M, 0.005, 360);
    EXPECT_EQ(payment.status, 0u);
    EXPECT_NEAR(payment.value, 299.775262576, 5e-10);
    const double p = payment.value;
    expect_close(mort(M, p, 0.005, 360), 50000, 1e-13);
    expect_close(mort(50000, p, 0.005, M), 360, 1e-13);
    // The rate stops when the present-value factor is within 1e-9 of a / p;
    // its slope here is about -2.1e4, so the rate is within 1e-13.
    const host::CallResult rate = mort(50000, p, M, 360);
    EXPECT_EQ(rate.status, 0u);
    EXPECT_NEAR(rate.value, 0.005, 1e-13);
}

TEST(Mort, ZeroRateFigures) {
    expect_exact(mort(50000, M, 0, 360), 50000.0 / 360.0);
    expect_exact(mort(M, 100, 0, 360), 36000.0);
    expect_exact(mort(36000, 100, 0, M), 360.0);
    // The starting value p/a - a/(n^2 p) is 0: the payments just repay the
    // loan, at once and without iterating.
    expect_exact(mort(36000, 100, M, 360), 0.0);
    // Computing a accepts a term of 0.
    expect_exact(mort(M, 100, 0.01, 0), 0.0);
}

TEST(Mort, RateOfAOneYearLoan) {
    const host::CallResult r = mort(1000, 100, M, 12);
    EXPECT_EQ(r.status, 0u);
    EXPECT_NEAR(r.value, 0.0292285408, 5e-11);
}

// The solver's codes, each reported by the entry as STATUS_INVALID_ARGS
// without a mark; the solver returns 0.0 with the code.
TEST(Mort, SolverCodes) {
    const struct {
        double a, p, r, n;
        int32_t which, code;
    } cases[] = {
        {1000, M, 0.01, 0, 2, 1},        // no payments to spread the loan over
        {1000, M, -1, 12, 2, 1},         // rate at the lower bound
        {M, 100, -1, 12, 1, 1},
        {M, 100, 0.01, -1, 1, 1},        // negative term
        {0, 100, M, 12, 3, 2},           // rate needs a, p, n > 0
        {1000, -100, M, 12, 3, 2},
        {1000, 100, M, 0, 3, 2},
        {1000, 100, -1, M, 4, 3},        // term: rate at the lower bound
        {0, 100, 0.01, M, 4, 3},         // term: no loan
        {1000, 0, 0.01, M, 4, 3},        // term: no payment
        {1000, 100, 0.1, M, 4, 4},       // the interest of 100 eats the payment
        {1000, 100, 0.2, M, 4, 4},
        {50000, 100, M, 360, 3, 5},      // 36000 in payments cannot repay 50000
        // No rate search can settle on these (every step gives a NaN): the
        // search runs out its 100 steps and says so instead of answering 0.
        {INFINITY, INFINITY, M, 1, 3, 6},
        {INFINITY, 1e308, M, INFINITY, 3, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << ", " << c.p << ", " << c.r << ", " << c.n);
        const Solved s = solve("zmort", c.a, c.p, c.r, c.n, c.which);
        EXPECT_EQ(s.err, c.code);
        EXPECT_EQ(s.value, 0.0);
        expect_failure(mort(c.a, c.p, c.r, c.n), STATUS_INVALID_ARGS);
    }
    // A position outside 1..4 is no error of the solver's: 0.0, code 0.
    const Solved other = solve("zmort", 1000, 100, 0.01, 12, 7);
    EXPECT_EQ(other.err, 0);
    EXPECT_EQ(other.value, 0.0);
}

// Not exactly one argument missing: STATUS_INVALID_ARGS, unlike COMPOUND.
TEST(Mort, WrongNumberMissing) {
    expect_failure(mort(50000, 300, 0.005, 360), STATUS_INVALID_ARGS);
    expect_failure(mort(M, M, 0.005, 360), STATUS_INVALID_ARGS);
    expect_failure(mort(M, M, M, M), STATUS_INVALID_ARGS);
    expect_failure(mort(50000, -INFINITY, 0.005, 360), STATUS_INVALID_ARGS);
}

// Rates near zero keep their precision: at r = 1e-10 the payment differs
// from a / n by the first-order term a (n + 1) r / (2n).
TEST(Mort, SmallRatesKeepPrecision) {
    const double a = 36000, n = 360, r = 1e-10;
    const long double exact = static_cast<long double>(a) * r / -expm1l(-n * log1pl(r));
    const host::CallResult p = mort(a, M, r, n);
    EXPECT_EQ(p.status, 0u);
    EXPECT_NEAR(p.value, static_cast<double>(exact), 4 * DBL_EPSILON * 100);
    EXPECT_NE(p.value, 100.0);
}

}  // namespace
}  // namespace qelfin::test
