// Cases whose road calls no exp, log or pow for its result (whole powers
// by squaring, the series of zexpm1 and zln1px, the zero-rate formulas, the
// SAVING rate search over whole powers): the x86-64 and i386 builds must
// give the same bits, so each row pins them.
//
// The pinned patterns are the specified operation sequence evaluated step
// by step in IEEE double arithmetic outside this code base; each row also
// checks its pattern against the quantity computed here in extended
// precision, within the rounding that sequence is allowed, so that a
// pattern that merely copied a wrong result would show.
#include "tvm/calls.h"

#include <cfloat>
#include <cmath>
#include <functional>

namespace qelfin::test {
namespace {

using Unary = double (*)(double);
using Binary = double (*)(double, double);

double power(double x, double y) {
    int32_t err = 99;
    const double v = routine<decltype(&::zpower)>("zpower")(x, y, &err);
    EXPECT_EQ(err, 0);
    return v;
}

double ok(const host::CallResult& r) {
    EXPECT_EQ(r.status, 0u);
    return r.value;
}

double pattern(uint64_t b) { return std::bit_cast<double>(b); }

// Exact quantities in extended precision.
__float128 q(double x) { return x; }
__float128 growth(double base, int k) { return k >= 0 ? wide_power(base, k) : 1 / wide_power(base, -k); }
long double annuity_factor(double r, double n) { return -expm1l(-n * log1pl(r)); }  // 1 - (1 + r)^-n

struct Row {
    const char* what;
    std::function<double()> compute;
    uint64_t expected;
    std::function<long double()> exact;  // the quantity itself
    double tolerance;                    // relative, for the pattern against it
};

const double kMonthly7 = 0.07 / 12;
const double kFinal = 1320.6787162326284;
const double kPlan120 = pattern(0x40E2D433E50FBF8Dull);  // SAVING(M, 250, 0.004, 120)

const Row kRows[] = {
    {"COMPOUND(100, M, 0.05, 10)", [] { return ok(call("COMPOUND", 100, M, 0.05, 10)); }, 0x40645C767A6EFD8Full,
     [] { return static_cast<long double>(100 * growth(1.05, 10)); }, 12 * DBL_EPSILON},
    {"COMPOUND(M, 162.88946267774415, 0.05, 10)", [] { return ok(call("COMPOUND", M, 162.88946267774415, 0.05, 10)); },
     0x4059000000000000ull, [] { return static_cast<long double>(162.88946267774415 / growth(1.05, 10)); },
     12 * DBL_EPSILON},
    {"COMPOUND(1000, M, 0.07/12, 360)", [] { return ok(call("COMPOUND", 1000, M, kMonthly7, 360)); },
     0x40BFB47F5A8B9050ull, [] { return static_cast<long double>(1000 * growth(1 + kMonthly7, 360)); },
     362 * DBL_EPSILON},
    {"COMPOUND(M, 1e6, 0.03, 25)", [] { return ok(call("COMPOUND", M, 1e6, 0.03, 25)); }, 0x411D269646EC874Cull,
     [] { return static_cast<long double>(1e6 / growth(1.03, 25)); }, 28 * DBL_EPSILON},
    {"zpower(1.05, 360)", [] { return power(1.05, 360); }, 0x4184411B6344FA24ull,
     [] { return static_cast<long double>(growth(1.05, 360)); }, 362 * DBL_EPSILON},
    {"zpower(1.0025, -120)", [] { return power(1.0025, -120); }, 0x3FE7B70E27EF3E6Bull,
     [] { return static_cast<long double>(growth(1.0025, -120)); }, 122 * DBL_EPSILON},
    {"zpower(-1.5, 7)", [] { return power(-1.5, 7); }, 0xC031160000000000ull, [] { return -17.0859375L; }, 0},
    {"MORT(50000, M, 0, 360)", [] { return ok(call("MORT", 50000, M, 0, 360)); }, 0x40615C71C71C71C7ull,
     [] { return 50000.0L / 360; }, DBL_EPSILON / 2},
    {"MORT(M, 100, 0, 360)", [] { return ok(call("MORT", M, 100, 0, 360)); }, 0x40E1940000000000ull,
     [] { return 36000.0L; }, 0},
    {"MORT(36000, 100, 0, M)", [] { return ok(call("MORT", 36000, 100, 0, M)); }, 0x4076800000000000ull,
     [] { return 360.0L; }, 0},
    {"MORT(10000, M, 0.0005, 12)", [] { return ok(call("MORT", 10000, M, 0.0005, 12)); }, 0x408A205A6AA001EDull,
     [] { return 10000 * 0.0005L / annuity_factor(0.0005, 12); }, 8 * DBL_EPSILON},
    {"MORT(M, 850, 0.0005, 12)", [] { return ok(call("MORT", M, 850, 0.0005, 12)); }, 0x40C3DB76AEA8F659ull,
     [] { return 850 * annuity_factor(0.0005, 12) / 0.0005L; }, 8 * DBL_EPSILON},
    {"MORT(1000, 100, 0.001, M)", [] { return ok(call("MORT", 1000, 100, 0.001, M)); }, 0x40241C582B8A4C78ull,
     [] { return -log1pl(-0.01L) / log1pl(0.001); }, 8 * DBL_EPSILON},
    {"SAVING(M, 100, 0.05, 10)", [] { return ok(call("SAVING", M, 100, 0.05, 10)); }, 0x4094A2B701635998ull,
     [] { return static_cast<long double>((growth(1.05, 11) - q(1.05)) * 100 / q(0.05)); }, 64 * DBL_EPSILON},
    {"SAVING(M, 250, 0.004, 120)", [] { return ok(call("SAVING", M, 250, 0.004, 120)); }, 0x40E2D433E50FBF8Dull,
     [] { return static_cast<long double>((growth(1.004, 121) - q(1.004)) * 250 / q(0.004)); }, 256 * DBL_EPSILON},
    {"SAVING(1320.6787162326284, M, 0.05, 10)", [] { return ok(call("SAVING", kFinal, M, 0.05, 10)); },
     0x4059000000000005ull,
     [] { return static_cast<long double>(q(kFinal) * q(0.05) / (growth(1.05, 11) - q(1.05))); }, 64 * DBL_EPSILON},
    // The rate search stops within 1e-9 of the target factor, whose slope
    // in the rate is about 70 (n = 10) and 9000 (n = 120).
    {"SAVING(1320.6787162326284, 100, M, 10)", [] { return ok(call("SAVING", kFinal, 100, M, 10)); },
     0x3FA9999999999A70ull, [] { return 0.05L; }, 1e-9 / 70 / 0.05},
    {"SAVING(f, 250, M, 120)", [] { return ok(call("SAVING", kPlan120, 250, M, 120)); }, 0x3F70624DD2F1AC0Dull,
     [] { return 0.004L; }, 1e-9 / 9000 / 0.004 + 1e-12},
    {"SAVING(M, 100, 0, 10)", [] { return ok(call("SAVING", M, 100, 0, 10)); }, 0x408F400000000000ull,
     [] { return 1000.0L; }, 0},
    {"zexpm1(0.005)", [] { return routine<Unary>("zexpm1")(0.005); }, 0x3F74880252961977ull,
     [] { return expm1l(0.005); }, 2 * DBL_EPSILON},
    {"zexpm1(-0.0073)", [] { return routine<Unary>("zexpm1")(-0.0073); }, 0xBF7DCABBBD1A6981ull,
     [] { return expm1l(-0.0073); }, 2 * DBL_EPSILON},
    {"zln1px(0.03)", [] { return routine<Unary>("zln1px")(0.03); }, 0x3F9E44A9A3BED664ull,
     [] { return log1pl(0.03); }, 2 * DBL_EPSILON},
    {"zln1px(-0.02)", [] { return routine<Unary>("zln1px")(-0.02); }, 0xBF94B004BCE0ABF2ull,
     [] { return log1pl(-0.02); }, 2 * DBL_EPSILON},
    {"zlnSumOfExp(3, 3)", [] { return routine<Binary>("zlnSumOfExp")(3, 3); }, 0x400D8B90BFBE8E7Cull,
     [] { return 3 + logl(2); }, DBL_EPSILON},
    // zqlog's figures are its own approximation of ln x: (q + 1 - 1/m) ln 2
    // with x = m 2^q, less 0.06 below 1.
    {"zqlog(1.5)", [] { return routine<Unary>("zqlog")(1.5); }, 0x3FDD9303FEA2F7EAull,
     [] { return (2 - 1 / 0.75L) * logl(2); }, 2 * DBL_EPSILON},
    {"zqlog(0.3)", [] { return routine<Unary>("zqlog")(0.3); }, 0xBFF371A50E8203E8ull,
     [] { return (0 - 1 / (2 * static_cast<long double>(0.3))) * logl(2) - 0.06L; }, 2 * DBL_EPSILON},
};

TEST(BuildsAgree, LibraryFreeResultsHavePinnedBits) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        const double expected = pattern(row.expected);
        const long double exact = row.exact();
        EXPECT_LE(fabsl(expected - exact), row.tolerance * fabsl(exact)) << "pattern too far from the quantity";
        const double got = row.compute();
        EXPECT_EQ(bits(got), row.expected) << got << " != " << expected;
    }
}

}  // namespace
}  // namespace qelfin::test
