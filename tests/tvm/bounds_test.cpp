// Every range bound of COMPOUND, MORT and SAVING a caller can reach: the
// bound value on one side, the next double on the other.  (A bound that a
// later test shadows cannot be told apart from outside and is left out.)
#include "tvm/tvm.h"

namespace qelfin::test {
namespace {

const double kHalfUlpOfOne = std::ldexp(1.0, -53);  // 1 + this rounds to 1

// step: the argument (0-based) moved to the next double toward `toward`; accepted: the outcome at the bound
// (the next double has the other).
struct Bound { const char* fn; double args[4]; int step; double toward; bool accepted; };

const Bound kBounds[] = {
    {"COMPOUND", {M, 0, 0.05, 10}, 1, -1, true},                  // a: f >= 0
    {"COMPOUND", {M, 100, -0.999999999, 10}, 2, 0, false},        // a: r > -0.999999999
    {"COMPOUND", {M, 100, 0.05, 0}, 3, -1, true},                 // a: n >= 0
    {"COMPOUND", {0, M, 0.05, 10}, 0, -1, true},                  // f: a >= 0
    {"COMPOUND", {100, M, -0.999999999, 10}, 2, 0, false},        // f: r > -0.999999999
    {"COMPOUND", {100, M, 0.05, 0}, 3, -1, true},                 // f: n >= 0
    {"COMPOUND", {100, 0, M, 10}, 1, 1, false},                   // r: f > 0
    {"COMPOUND", {0, 100, M, 10}, 0, 1, false},                   // r: a > 0
    {"COMPOUND", {100, 100, M, kSmall}, 3, 1, false},             // r: n > 2^-511
    {"COMPOUND", {100, 0, 0.05, M}, 1, 1, false},                 // n: f > 0
    {"COMPOUND", {0, 100, 0.05, M}, 0, 1, false},                 // n: a > 0
    {"COMPOUND", {100, 200, kHalfUlpOfOne, M}, 2, 1, false},      // n: ln(1 + r) >= 2^-511
    {"MORT", {M, 100, -1, 12}, 2, 0, false},                      // a: r > -1
    {"MORT", {M, 100, 0.01, 0}, 3, -1, true},                     // a: n >= 0
    {"MORT", {1000, M, -1, 12}, 2, 0, false},                     // p: r > -1
    {"MORT", {1000, M, 0.01, 0}, 3, 1, false},                    // p: n > 0
    {"MORT", {36000, 100, M, 360}, 0, INFINITY, true},            // r: a <= p n
    {"MORT", {0, 100, M, 12}, 0, 1, false},                       // r: a > 0
    {"MORT", {kSmall, 100, 0.01, M}, 0, 1, false},                // n: a > 2^-511
    {"MORT", {100, kSmall, -0.5, M}, 1, 1, false},                // n: p > 2^-511
    {"MORT", {1000, 100, -1, M}, 2, 0, false},                    // n: r > -1
    {"MORT", {100, 100, 0.9999999999, M}, 2, 0, false},           // n: r a / p < 0.9999999999
    {"SAVING", {M, 100, -0.99999999, 10}, 2, 0, false},           // f: r > -0.99999999
    {"SAVING", {M, 100, kBig, 1e-300}, 2, INFINITY, true},        // f: r <= cube root
    {"SAVING", {M, 100, 0.05, 0}, 3, 1, false},                   // f: n > 0
    {"SAVING", {M, 100, -0.5, kBig}, 3, INFINITY, true},          // f: n <= cube root
    {"SAVING", {M, kBig, 0.05, 1}, 1, INFINITY, true},            // f: p <= cube root
    {"SAVING", {M, -kBig, 0.05, 1}, 1, -INFINITY, true},          // f: p >= -cube root
    {"SAVING", {1000, M, -0.9999999, 10}, 2, 0, false},           // p: r > -0.9999999
    {"SAVING", {kBig, M, 0.05, 10}, 0, INFINITY, true},           // p: f <= cube root
    {"SAVING", {kBig, kBig / 16, M, 10}, 0, INFINITY, true},      // r: f <= cube root
    {"SAVING", {0, 100, 0.05, M}, 0, 1, false},                   // n: f > 0
    {"SAVING", {kBig, kBig / 1000, 0.05, M}, 0, INFINITY, true},  // n: f <= cube root
    {"SAVING", {1, kSmall, 0.05, M}, 1, 1, false},                // n: p > 2^-511
    {"SAVING", {kBig, kBig, 0.05, M}, 1, INFINITY, true},         // n: p <= cube root
    {"SAVING", {1e-9, 100, -0.999999999, M}, 2, 0, false},        // n: r > -0.999999999
    {"SAVING", {1, 100, kBig, M}, 2, 0, false},                   // n: r < cube root
    {"SAVING", {100, 100, -0.5, M}, 0, 0, false},                 // n: balance factor > 0
    {"SAVING", {1000, 100, kHalfUlpOfOne, M}, 2, 1, false},       // n: ln(1 + r) >= 2^-511
};

TEST(Bounds, AcceptedOnOneSideRefusedOnTheOther) {
    for (const Bound& b : kBounds) {
        SCOPED_TRACE(describe(b.fn, b.args));
        double next[4] = {b.args[0], b.args[1], b.args[2], b.args[3]};
        next[b.step] = std::nextafter(next[b.step], b.toward);
        const host::CallResult at = call(b.fn, b.args[0], b.args[1], b.args[2], b.args[3]);
        const host::CallResult beyond = call(b.fn, next[0], next[1], next[2], next[3]);
        const host::CallResult& ok = b.accepted ? at : beyond;
        const host::CallResult& refused = b.accepted ? beyond : at;
        EXPECT_FALSE(std::isnan(value_of(ok)));
        EXPECT_EQ(refused.status, STATUS_INVALID_ARGS);
        EXPECT_EQ(refused.mark_count, 0);
        EXPECT_TRUE(is_missing_bits(refused.value));
    }
}

}  // namespace
}  // namespace qelfin::test
