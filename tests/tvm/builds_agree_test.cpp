// Results whose road calls no exp, log or pow (whole powers by squaring, the
// series of zexpm1 and zln1px, zero-rate formulas, the SAVING rate search
// over whole powers) must have the same bits on x86-64 and i386: each row
// pins them.  The patterns are each method's sequence of operations evaluated
// in IEEE double outside this code base; each is also checked against the
// quantity computed here in extended precision, within the rounding that
// sequence allows, so that a pattern copied from a wrong result would show.
#include "tvm/tvm.h"

#include <string>

namespace qelfin::test {
namespace {

__float128 q(double x) { return x; }
long double growth(double base, int k) {
    return static_cast<long double>(k >= 0 ? wide_power(base, k) : 1 / wide_power(base, -k));
}
long double annuity_factor(double r, double n) { return -expm1l(-n * log1pl(r)); }  // 1 - (1 + r)^-n

const double kMonthly7 = 0.07 / 12, kFinal = 1320.6787162326284;
const double kPlan120 = std::bit_cast<double>(0x40E2D433E50FBF8Dull);  // SAVING(M, 250, 0.004, 120)

// fn: a function, or a routine taking the leading arguments; tolerance: of the pattern against the exact
// quantity, relative.
struct Row { const char* fn; double args[4]; uint64_t expected; long double exact; double tolerance; };

const Row kRows[] = {
    {"COMPOUND", {100, M, 0.05, 10}, 0x40645C767A6EFD8Full, 100 * growth(1.05, 10), 12 * DBL_EPSILON},
    {"COMPOUND", {M, 162.88946267774415, 0.05, 10}, 0x4059000000000000ull, 162.88946267774415 / growth(1.05, 10),
     12 * DBL_EPSILON},
    {"COMPOUND", {1000, M, kMonthly7, 360}, 0x40BFB47F5A8B9050ull, 1000 * growth(1 + kMonthly7, 360),
     362 * DBL_EPSILON},
    {"COMPOUND", {M, 1e6, 0.03, 25}, 0x411D269646EC874Cull, 1e6 / growth(1.03, 25), 28 * DBL_EPSILON},
    {"zpower", {1.05, 360}, 0x4184411B6344FA24ull, growth(1.05, 360), 362 * DBL_EPSILON},
    {"zpower", {1.0025, -120}, 0x3FE7B70E27EF3E6Bull, growth(1.0025, -120), 122 * DBL_EPSILON},
    {"zpower", {-1.5, 7}, 0xC031160000000000ull, -17.0859375L, 0},
    {"MORT", {50000, M, 0, 360}, 0x40615C71C71C71C7ull, 50000.0L / 360, DBL_EPSILON / 2},
    {"MORT", {M, 100, 0, 360}, 0x40E1940000000000ull, 36000.0L, 0},
    {"MORT", {36000, 100, 0, M}, 0x4076800000000000ull, 360.0L, 0},
    {"MORT", {10000, M, 0.0005, 12}, 0x408A205A6AA001EDull, 10000 * 0.0005L / annuity_factor(0.0005, 12),
     8 * DBL_EPSILON},
    {"MORT", {M, 850, 0.0005, 12}, 0x40C3DB76AEA8F659ull, 850 * annuity_factor(0.0005, 12) / 0.0005L, 8 * DBL_EPSILON},
    {"MORT", {1000, 100, 0.001, M}, 0x40241C582B8A4C78ull, -log1pl(-0.01L) / log1pl(0.001), 8 * DBL_EPSILON},
    {"SAVING", {M, 100, 0.05, 10}, 0x4094A2B701635998ull,
     static_cast<long double>((growth(1.05, 11) - q(1.05)) * 100 / q(0.05)), 64 * DBL_EPSILON},
    {"SAVING", {M, 250, 0.004, 120}, 0x40E2D433E50FBF8Dull,
     static_cast<long double>((growth(1.004, 121) - q(1.004)) * 250 / q(0.004)), 256 * DBL_EPSILON},
    {"SAVING", {kFinal, M, 0.05, 10}, 0x4059000000000005ull,
     static_cast<long double>(q(kFinal) * q(0.05) / (growth(1.05, 11) - q(1.05))), 64 * DBL_EPSILON},
    // The rate search stops within 1e-9 of the target factor, whose slope in
    // the rate is about 70 (n = 10) and 9000 (n = 120).
    {"SAVING", {kFinal, 100, M, 10}, 0x3FA9999999999A70ull, 0.05L, 1e-9 / 70 / 0.05},
    {"SAVING", {kPlan120, 250, M, 120}, 0x3F70624DD2F1AC0Dull, 0.004L, 1e-9 / 9000 / 0.004 + 1e-12},
    {"SAVING", {M, 100, 0, 10}, 0x408F400000000000ull, 1000.0L, 0},
    {"zexpm1", {0.005}, 0x3F74880252961977ull, expm1l(0.005), 2 * DBL_EPSILON},
    {"zexpm1", {-0.0073}, 0xBF7DCABBBD1A6981ull, expm1l(-0.0073), 2 * DBL_EPSILON},
    {"zln1px", {0.03}, 0x3F9E44A9A3BED664ull, log1pl(0.03), 2 * DBL_EPSILON},
    {"zln1px", {-0.02}, 0xBF94B004BCE0ABF2ull, log1pl(-0.02), 2 * DBL_EPSILON},
    {"zlnSumOfExp", {3, 3}, 0x400D8B90BFBE8E7Cull, 3 + logl(2), DBL_EPSILON},
    // zqlog is its own approximation: (q + 1 - 1/m) ln 2 for x = m 2^q, less 0.06 below 1.
    {"zqlog", {1.5}, 0x3FDD9303FEA2F7EAull, (2 - 1 / 0.75L) * logl(2), 2 * DBL_EPSILON},
    {"zqlog", {0.3}, 0xBFF371A50E8203E8ull, -1 / (2 * static_cast<long double>(0.3)) * logl(2) - 0.06L,
     2 * DBL_EPSILON},
};

double compute(const Row& r) {
    const std::string fn = r.fn;
    const double a = r.args[0], b = r.args[1];
    int32_t err = 0;
    if (fn == "zpower") {
        const double v = routine<decltype(&::zpower)>("zpower")(a, b, &err);
        return err == 0 ? v : NAN;
    }
    if (fn == "zlnSumOfExp") return routine<double (*)(double, double)>("zlnSumOfExp")(a, b);
    if (fn[0] == 'z') return routine<double (*)(double)>(r.fn)(a);
    return value_of(call(r.fn, a, b, r.args[2], r.args[3]));
}

TEST(BuildsAgree, LibraryFreeResultsHavePinnedBits) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(describe(row.fn, row.args));
        const double pattern = std::bit_cast<double>(row.expected);
        EXPECT_LE(fabsl(pattern - row.exact), row.tolerance * fabsl(row.exact)) << "pattern too far from the quantity";
        EXPECT_EQ(bits(compute(row)), row.expected);
    }
}

}  // namespace
}  // namespace qelfin::test
