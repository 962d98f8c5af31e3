// Every range bound of COMPOUND, MORT and SAVING that a caller can reach:
// the bound value on one side, the next double on the other.  A bound that
// a later test shadows (for instance a lowest rate that the logarithm of
// 1 + r refuses anyway) cannot be told apart from outside and is left out.
#include "tvm/calls.h"

#include <cmath>

namespace qelfin::test {
namespace {

constexpr double kSmall = 1.491668147e-154;       // just above 2^-511
constexpr double kBig = 5.643803094122288e+102;   // cube root of the largest double
const double kDenorm = std::numeric_limits<double>::denorm_min();
const double kHalfUlpOfOne = std::ldexp(1.0, -53);  // 1 + this rounds to 1

struct Bound {
    const char* function;
    const char* what;
    double args[4];
    int step;        // argument (0-based) moved to the next double
    double toward;   // direction of that move
    bool accepted;   // outcome at the bound; the next double has the other
};

const Bound kBounds[] = {
    // COMPOUND(a, f, r, n)
    {"COMPOUND", "a: f >= 0", {M, 0, 0.05, 10}, 1, -1, true},
    {"COMPOUND", "a: r > -0.999999999", {M, 100, -0.999999999, 10}, 2, 0, false},
    {"COMPOUND", "a: n >= 0", {M, 100, 0.05, 0}, 3, -1, true},
    {"COMPOUND", "f: a >= 0", {0, M, 0.05, 10}, 0, -1, true},
    {"COMPOUND", "f: r > -0.999999999", {100, M, -0.999999999, 10}, 2, 0, false},
    {"COMPOUND", "f: n >= 0", {100, M, 0.05, 0}, 3, -1, true},
    {"COMPOUND", "r: f > 0", {100, 0, M, 10}, 1, 1, false},
    {"COMPOUND", "r: a > 0", {0, 100, M, 10}, 0, 1, false},
    {"COMPOUND", "r: n > 2^-511", {100, 100, M, kSmall}, 3, 1, false},
    {"COMPOUND", "n: f > 0", {100, 0, 0.05, M}, 1, 1, false},
    {"COMPOUND", "n: a > 0", {0, 100, 0.05, M}, 0, 1, false},
    {"COMPOUND", "n: 1 + r rounds above 1", {100, 200, kHalfUlpOfOne, M}, 2, 1, false},
    // MORT(a, p, r, n)
    {"MORT", "a: r > -1", {M, 100, -1, 12}, 2, 0, false},
    {"MORT", "a: n >= 0", {M, 100, 0.01, 0}, 3, -1, true},
    {"MORT", "p: r > -1", {1000, M, -1, 12}, 2, 0, false},
    {"MORT", "p: n > 0", {1000, M, 0.01, 0}, 3, 1, false},
    {"MORT", "r: a <= p n", {36000, 100, M, 360}, 0, INFINITY, true},
    {"MORT", "r: a > 0", {0, 100, M, 12}, 0, 1, false},
    {"MORT", "n: a > 2^-511", {kSmall, 100, 0.01, M}, 0, 1, false},
    {"MORT", "n: p > 2^-511", {100, kSmall, -0.5, M}, 1, 1, false},
    {"MORT", "n: r > -1", {1000, 100, -1, M}, 2, 0, false},
    {"MORT", "n: r a / p < 0.9999999999", {100, 100, 0.9999999999, M}, 2, 0, false},
    // SAVING(f, p, r, n)
    {"SAVING", "f: r > -0.99999999", {M, 100, -0.99999999, 10}, 2, 0, false},
    {"SAVING", "f: r <= cube root", {M, 100, kBig, 1e-300}, 2, INFINITY, true},
    {"SAVING", "f: n > 0", {M, 100, 0.05, 0}, 3, 1, false},
    {"SAVING", "f: n <= cube root", {M, 100, -0.5, kBig}, 3, INFINITY, true},
    {"SAVING", "f: p <= cube root", {M, kBig, 0.05, 1}, 1, INFINITY, true},
    {"SAVING", "f: p >= -cube root", {M, -kBig, 0.05, 1}, 1, -INFINITY, true},
    {"SAVING", "p: r > -0.9999999", {1000, M, -0.9999999, 10}, 2, 0, false},
    {"SAVING", "p: f <= cube root", {kBig, M, 0.05, 10}, 0, INFINITY, true},
    {"SAVING", "r: f <= cube root", {kBig, kBig / 16, M, 10}, 0, INFINITY, true},
    {"SAVING", "n: f > 0", {0, 100, 0.05, M}, 0, 1, false},
    {"SAVING", "n: f <= cube root", {kBig, kBig / 1000, 0.05, M}, 0, INFINITY, true},
    {"SAVING", "n: p > 2^-511", {1, kSmall, 0.05, M}, 1, 1, false},
    {"SAVING", "n: p <= cube root", {kBig, kBig, 0.05, M}, 1, INFINITY, true},
    {"SAVING", "n: r > -0.999999999", {1e-9, 100, -0.999999999, M}, 2, 0, false},
    {"SAVING", "n: r < cube root", {1, 100, kBig, M}, 2, 0, false},
    {"SAVING", "n: balance factor > 0", {100, 100, -0.5, M}, 0, 0, false},
    {"SAVING", "n: 1 + r rounds above 1", {1000, 100, kHalfUlpOfOne, M}, 2, 1, false},
};

TEST(Bounds, AcceptedOnOneSideRefusedOnTheOther) {
    for (const Bound& b : kBounds) {
        SCOPED_TRACE(testing::Message() << b.function << " " << b.what);
        double next[4] = {b.args[0], b.args[1], b.args[2], b.args[3]};
        next[b.step] = std::nextafter(next[b.step], b.toward);
        const host::CallResult at = call(b.function, b.args[0], b.args[1], b.args[2], b.args[3]);
        const host::CallResult beyond = call(b.function, next[0], next[1], next[2], next[3]);
        const host::CallResult& ok = b.accepted ? at : beyond;
        const host::CallResult& refused = b.accepted ? beyond : at;
        EXPECT_EQ(ok.status, 0u);
        EXPECT_FALSE(std::isnan(ok.value));
        expect_failure(refused, STATUS_INVALID_ARGS);
    }
}

// The smallest growth factor COMPOUND divides by is 1.491668147e-154,
// just above 2^-511: 0.5^510 passes (exactly), 0.5^511 does not.
TEST(Bounds, SmallestGrowthFactor) {
    expect_exact(call("COMPOUND", M, 1, -0.5, 510), std::ldexp(1.0, 510));
    expect_failure(call("COMPOUND", M, 1, -0.5, 511), STATUS_INVALID_ARGS);
}

// Below |r| = 1e-10 MORT uses the zero-rate formulas, exactly; at 1e-10 the
// annuity formula already differs from them.
TEST(Bounds, MortZeroRateThreshold) {
    const double below = std::nextafter(1e-10, 0);
    expect_exact(call("MORT", M, 100, below, 360), 36000.0);
    expect_exact(call("MORT", M, 100, -below, 360), 36000.0);
    expect_exact(call("MORT", 36000, M, below, 360), 100.0);
    expect_exact(call("MORT", 36000, 100, below, M), 360.0);
    EXPECT_NE(call("MORT", M, 100, 1e-10, 360).value, 36000.0);
    EXPECT_NE(call("MORT", 36000, M, 1e-10, 360).value, 100.0);
    EXPECT_NE(call("MORT", 36000, 100, 1e-10, M).value, 360.0);
}

// Below |r| = 2^-511 SAVING uses the zero-rate formulas; from there up to
// the rates where 1 + r still rounds to 1 the power formula gives 0.
TEST(Bounds, SavingZeroRateThreshold) {
    expect_exact(call("SAVING", M, 100, std::nextafter(kSmall, 0), 10), 1000.0);
    expect_exact(call("SAVING", 1000, M, std::nextafter(kSmall, 0), 10), 100.0);
    expect_exact(call("SAVING", M, 100, kSmall, 10), 0.0);
    expect_failure(call("SAVING", 1000, M, kSmall, 10), STATUS_INVALID_ARGS);  // divisor 0
}

}  // namespace
}  // namespace qelfin::test
