// COMPOUND: the figures of the function, its refusals and its statuses.
#include "tvm/calls.h"

#include <cmath>

namespace qelfin::test {
namespace {

struct Args {
    double a, f, r, n;
};

host::CallResult compound(const Args& x) { return call("COMPOUND", x.a, x.f, x.r, x.n); }

// Figures with no library call on their road (the growth factor is a whole
// power, computed by squaring): they hold to the last bit.
TEST(Compound, ExactFigures) {
    const struct {
        Args args;
        double expected;
    } cases[] = {
        {{100, M, 0.05, 10}, 162.88946267774415},
        {{M, 162.88946267774415, 0.05, 10}, 100.0},
        {{M, 0, 0.05, 10}, 0.0},
        {{0, M, 0.05, 10}, 0.0},
        {{M, 100, 0.05, 0}, 100.0},
        {{100, M, 0.05, 0}, 100.0},
        {{100, M, 1.0, 10}, 102400.0},
        {{M, 102400, 1.0, 10}, 100.0},
        {{100, M, -0.5, 3}, 12.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.args.a << ", " << c.args.f << ", " << c.args.r << ", " << c.args.n);
        expect_exact(compound(c.args), c.expected);
    }
}

// Figures that go through exp, log or pow hold to the digits given.
TEST(Compound, LibraryFigures) {
    expect_close(compound({100, 200, M, 10}), 0.07177346253629313, 4e-16);
    expect_close(compound({100, 200, 0.05, M}), 14.206699082890445, 4e-16);
    // 1 + r is not exactly 1e-8, and the power goes to pow (|t| = 92).
    expect_close(compound({100, M, -0.99999999, 5}), 1.0000000251237968e-38, 4e-16);
    // A whole number of periods found for a rate of 100 %.
    expect_close(compound({100, 102400, 1.0, M}), 10.0, 4e-16);
}

TEST(Compound, Refusals) {
    const Args refused[] = {
        {100, 200, 0, M},              // ln(1 + 0) = 0 is below the bound
        {100, 200, -0.01, M},          // a falling factor cannot reach 200
        {100, 200, 1e-17, M},          // 1 + r rounds to 1
        {0, 100, M, 10},               // rate needs a > 0
        {100, 100, M, 0},              // and n > 2^-511
        {100, M, -0.999999999, 5},     // lowest rate, strict
        {100, M, 1e200, 2},            // zpower: result too large
        {M, 100, 1e200, 2},            // zpower: result too large
        {-1, M, 0.05, 10},             // negative initial amount
        {M, -1, 0.05, 10},             // negative final amount
        {100, M, 0.05, -1},            // negative term
        {-100, -200, M, 10},           // amounts must be positive for a rate
    };
    for (const Args& x : refused) {
        SCOPED_TRACE(testing::Message() << x.a << ", " << x.f << ", " << x.r << ", " << x.n);
        expect_failure(compound(x), STATUS_INVALID_ARGS);
    }
}

// Not exactly one argument missing: STATUS_RESULT_MISSING (MORT and SAVING
// answer STATUS_INVALID_ARGS here).
TEST(Compound, WrongNumberMissing) {
    expect_failure(compound({100, 200, 0.05, 10}), STATUS_RESULT_MISSING);
    expect_failure(compound({M, M, 0.05, 10}), STATUS_RESULT_MISSING);
    expect_failure(compound({M, M, M, 10}), STATUS_RESULT_MISSING);
    expect_failure(compound({M, M, M, M}), STATUS_RESULT_MISSING);
    // An infinity is a value, not a missing argument.
    expect_failure(compound({100, INFINITY, 0.05, 10}), STATUS_RESULT_MISSING);
}

// Any NaN counts as missing, whatever its sign and payload.
TEST(Compound, AnyNanIsMissing) {
    const double nans[] = {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
                           std::bit_cast<double>(0x7FF0000000000001ull), std::bit_cast<double>(0xFFF8DEADBEEF0000ull)};
    for (const double nan : nans) expect_exact(compound({100, nan, 0.05, 10}), 162.88946267774415);
}

// Computing f is not bounded: a huge initial amount overflows to infinity,
// and that is the answer.
TEST(Compound, FinalAmountMayOverflow) {
    expect_exact(compound({1e308, M, 0.05, 100}), INFINITY);
    expect_exact(compound({INFINITY, M, 0.05, 10}), INFINITY);
}

// The solver reports 1 for every refusal, also when the guarded power
// failed, and nothing else; a position outside 1..4 is refused.
TEST(Compound, SolverCodes) {
    const Solved overflow = solve("zcmpnd", 100, M, 1e200, 2, 2);
    EXPECT_EQ(overflow.err, 1);
    EXPECT_TRUE(is_missing_bits(overflow.value));
    EXPECT_EQ(solve("zcmpnd", 100, M, -0.999999999, 5, 2).err, 1);
    EXPECT_EQ(solve("zcmpnd", 100, 200, 0.05, 10, 0).err, 1);
    EXPECT_EQ(solve("zcmpnd", 100, 200, 0.05, 10, 5).err, 1);
    const Solved ok = solve("zcmpnd", 100, 12345, 0.05, 10, 2);  // f passed is not read
    EXPECT_EQ(ok.err, 0);
    EXPECT_EQ(ok.value, 162.88946267774415);
}

}  // namespace
}  // namespace qelfin::test
