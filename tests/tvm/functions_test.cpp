// COMPOUND, MORT and SAVING: figures, refusals, statuses and solver codes.
#include "tvm/tvm.h"

#include <limits>

namespace qelfin::test {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Rates just below the zero-rate thresholds (MORT 1e-10, SAVING 2^-511).
const double kBelowMort = std::nextafter(1e-10, 0.0), kBelowSaving = std::nextafter(kSmall, 0.0);
const long double kR10 = 1e-10, kMinus = -0.9999999;  // the doubles, widened
const long double kLoanFactor = -expm1l(-360 * log1pl(kR10));  // 1 - (1 + r)^-n at r = 1e-10, n = 360

struct Figure { const char* fn; double args[4]; long double expected; double tolerance; };  // 0: bit for bit

const Figure kFigures[] = {
    {"COMPOUND", {M, 0, 0.05, 10}, 0.0, 0},          {"COMPOUND", {0, M, 0.05, 10}, 0.0, 0},
    {"COMPOUND", {M, 100, 0.05, 0}, 100.0, 0},       {"COMPOUND", {100, M, 0.05, 0}, 100.0, 0},
    {"COMPOUND", {100, M, 1.0, 10}, 102400.0, 0},    {"COMPOUND", {M, 102400, 1.0, 10}, 100.0, 0},
    {"COMPOUND", {100, M, -0.5, 3}, 12.5, 0},        {"COMPOUND", {M, 1, -0.5, 510}, 0x1p510, 0},  // smallest factor
    {"COMPOUND", {100, 200, M, 10}, 0.07177346253629313, 4e-16},
    {"COMPOUND", {100, 200, 0.05, M}, 14.206699082890445, 4e-16},
    {"COMPOUND", {100, M, -0.99999999, 5}, 1.0000000251237968e-38, 4e-16},
    {"COMPOUND", {100, 102400, 1.0, M}, 10.0, 4e-16},
    {"COMPOUND", {100, kNaN, 0.05, 10}, 162.88946267774415, 0},  // any NaN is missing
    {"COMPOUND", {100, std::bit_cast<double>(0x7FF0000000000001ull), 0.05, 10}, 162.88946267774415, 0},
    {"COMPOUND", {1e308, M, 0.05, 100}, INFINITY, 0},  // computing f is not bounded
    {"COMPOUND", {INFINITY, M, 0.05, 10}, INFINITY, 0},
    {"MORT", {50000, M, 0.005, 360}, 299.775262576, 2e-12}, {"MORT", {1000, 100, M, 12}, 0.0292285408, 2e-9},
    {"MORT", {36000, 100, M, 360}, 0.0, 0},  // the starting value is 0: no iteration
    {"MORT", {M, 100, 0.01, 0}, 0.0, 0},            {"MORT", {M, 100, kBelowMort, 360}, 36000.0, 0},
    {"MORT", {M, 100, -kBelowMort, 360}, 36000.0, 0}, {"MORT", {36000, M, kBelowMort, 360}, 100.0, 0},
    {"MORT", {36000, 100, kBelowMort, M}, 360.0, 0},
    // At 1e-10 the annuity formulas, off the zero-rate figures by about 2e-8.
    {"MORT", {M, 100, 1e-10, 360}, 100 * kLoanFactor / kR10, 1e-14},
    {"MORT", {36000, M, 1e-10, 360}, 36000 * kR10 / kLoanFactor, 9e-16},
    {"MORT", {36000, 100, 1e-10, M}, -log1pl(-36000 * kR10 / 100) / log1pl(kR10), 1e-13},
    {"SAVING", {1000, M, 0, 10}, 100.0, 0},         {"SAVING", {M, 100, kBelowSaving, 10}, 1000.0, 0},
    {"SAVING", {1000, M, kBelowSaving, 10}, 100.0, 0},
    {"SAVING", {M, 100, kSmall, 10}, 0.0, 0},  // the power formula, where 1 + r rounds to 1
    {"SAVING", {1320.6787162326284, 100, 0.05, M}, 10.0, 4 * DBL_EPSILON},
    // -0.9999999 passes the rate check computing f or n.
    {"SAVING", {M, 100, -0.9999999, 10}, 100 * (powl(1 + kMinus, 11) - (1 + kMinus)) / kMinus, 1e-12},
    {"SAVING", {1e-6, 100, -0.9999999, M}, logl(1e-6L * kMinus / 100 + 1 + kMinus) / logl(1 + kMinus) - 1, 1e-11},
};

TEST(Functions, Figures) {
    for (const Figure& f : kFigures) {
        SCOPED_TRACE(describe(f.fn, f.args));
        const double got = value_of(call(f.fn, f.args[0], f.args[1], f.args[2], f.args[3]));
        const double expected = static_cast<double>(f.expected);
        if (f.tolerance == 0)
            EXPECT_EQ(bits(got), bits(expected)) << got;
        else
            EXPECT_NEAR(got, expected, f.tolerance * std::fabs(expected));
    }
}

// Refused calls write MISSING and mark nothing.  COMPOUND answers a wrong
// number of missing arguments with STATUS_RESULT_MISSING, MORT and SAVING
// with STATUS_INVALID_ARGS.
TEST(Functions, Refusals) {
    const uint32_t R = STATUS_RESULT_MISSING, I = STATUS_INVALID_ARGS;
    const struct { const char* fn; double args[4]; uint32_t status; } refusals[] = {
        {"COMPOUND", {100, 200, 0.05, 10}, R}, {"COMPOUND", {M, M, 0.05, 10}, R}, {"COMPOUND", {M, M, M, 10}, R},
        {"COMPOUND", {M, M, M, M}, R},          {"COMPOUND", {100, INFINITY, 0.05, 10}, R},
        {"COMPOUND", {100, 200, 0, M}, I},      // ln(1 + 0) is below the bound
        {"COMPOUND", {100, 200, -0.01, M}, I},  {"COMPOUND", {100, 200, 1e-17, M}, I},  // 1 + r rounds to 1
        {"COMPOUND", {100, 100, M, 0}, I},      {"COMPOUND", {M, 100, 1e200, 2}, I},  // power too large
        {"COMPOUND", {M, 1, -0.5, 511}, I},     // 0.5^511 is below the smallest growth factor
        {"MORT", {50000, 300, 0.005, 360}, I},  {"MORT", {M, M, 0.005, 360}, I},    {"MORT", {M, M, M, M}, I},
        {"MORT", {50000, -INFINITY, 0.005, 360}, I},
        {"SAVING", {1000, 100, 0.05, 10}, I},   {"SAVING", {M, M, 0.05, 10}, I},   {"SAVING", {M, M, M, M}, I},
        {"SAVING", {1000, 100, 0, M}, I},       // solving for n refuses a zero rate
        {"SAVING", {M, 100, 1e103, 1}, I},      {"SAVING", {M, 100, 0.05, 1e5}, I},  // power above the cube root
        {"SAVING", {1000, M, 0.05, 0}, I},
        {"SAVING", {1000, M, kSmall, 10}, I},   // divisor 0
        {"SAVING", {0, 100, M, 10}, I},         {"SAVING", {1000, 0, M, 10}, I},   {"SAVING", {1000, 100, M, 0}, I},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE(describe(c.fn, c.args));
        const host::CallResult r = call(c.fn, c.args[0], c.args[1], c.args[2], c.args[3]);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.mark_count, 0);
        EXPECT_TRUE(is_missing_bits(r.value)) << r.value;
    }
}

// The solvers' error words: zcmpnd and zsaving say 1 for every refusal (a
// failing zpower included) with MISSING, zmort its own code with 0.0.  The
// value in the position solved for is not read.  Each refusal reaches the
// host as STATUS_INVALID_ARGS without a mark.
TEST(Functions, SolverCodes) {
    using Solver = double (*)(double, double, double, double, int32_t, int32_t*);
    // value NaN: MISSING
    const struct { const char* solver; double q[4]; int32_t which, err; double value; } cases[] = {
        {"zcmpnd", {100, M, 1e200, 2}, 2, 1, kNaN},
        {"zcmpnd", {100, 200, 0.05, 10}, 0, 1, kNaN},        {"zcmpnd", {100, 200, 0.05, 10}, 5, 1, kNaN},
        {"zcmpnd", {100, 12345, 0.05, 10}, 2, 0, 162.88946267774415},
        {"zsaving", {M, 100, -2, 0.5}, 1, 1, kNaN},  // the rate bound, before zpower's code 2
        {"zsaving", {M, 100, 10, 1e3}, 1, 1, kNaN},  // zpower: too large
        {"zsaving", {1000, 100, 0.05, 10}, 0, 1, kNaN},      {"zsaving", {1000, 100, 0.05, 10}, 5, 1, kNaN},
        {"zsaving", {-7, 100, 0, 10}, 1, 0, 1000.0},
        {"zmort", {1000, M, 0.01, 0}, 2, 1, 0.0},            {"zmort", {M, 100, -1, 12}, 1, 1, 0.0},
        {"zmort", {0, 100, M, 12}, 3, 2, 0.0},               {"zmort", {1000, 100, -1, M}, 4, 3, 0.0},
        {"zmort", {1000, 100, 0.1, M}, 4, 4, 0.0},  // the interest equals the payment
        {"zmort", {1000, 100, 0.2, M}, 4, 4, 0.0},
        {"zmort", {50000, 100, M, 360}, 3, 5, 0.0},  // 36000 in payments cannot repay 50000
        // Every step a NaN: the search runs out its 100 steps and says so.
        {"zmort", {INFINITY, INFINITY, M, 1}, 3, 6, 0.0},    {"zmort", {INFINITY, 1e308, M, INFINITY}, 3, 6, 0.0},
        {"zmort", {1000, 100, 0.01, 12}, 7, 0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(describe(c.solver, c.q) << " solving for " << c.which);
        int32_t err = 99;
        const double v = routine<Solver>(c.solver)(c.q[0], c.q[1], c.q[2], c.q[3], c.which, &err);
        EXPECT_EQ(err, c.err);
        EXPECT_EQ(bits(v), std::isnan(c.value) ? QELFIN_MISSING_BITS : bits(c.value));
        if (err == 0 || c.which < 1 || c.which > 4) continue;
        const char* fn = c.solver[1] == 'c' ? "COMPOUND" : (c.solver[1] == 's' ? "SAVING" : "MORT");
        const host::CallResult r = call(fn, c.q[0], c.q[1], c.q[2], c.q[3]);
        EXPECT_EQ(r.status, STATUS_INVALID_ARGS);
        EXPECT_EQ(r.mark_count, 0);
        EXPECT_TRUE(is_missing_bits(r.value));
    }
}

}  // namespace
}  // namespace qelfin::test
