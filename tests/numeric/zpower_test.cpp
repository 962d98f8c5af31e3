// zpower: the special bases and exponents, the error codes, the range
// limits, and whole exponents computed by repeated squaring rather than pow.
#include "numeric/loaded.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace qelfin::test {
namespace {

using Power = decltype(&::zpower);

Power zpower() { return routine<Power>("zpower"); }

struct Outcome {
    double value;
    int32_t err;
};

Outcome power(double x, double y) {
    int32_t err = 99;  // every path sets the word
    const double v = zpower()(x, y, &err);
    return {v, err};
}

// The library pow on inputs the compiler cannot fold.
double library_pow(double x, double y) {
    volatile double vx = x, vy = y;
    return std::pow(vx, vy);
}

// Binary powering as the guarded power is defined to do it: multiply the
// result by the running square for each set bit of k, low bit first.
double by_squaring(double ax, uint32_t k) {
    double r = 1.0, b = ax;
    for (;;) {
        if (k & 1u) r = r * b;
        k >>= 1;
        if (k == 0) return r;
        b = b * b;
    }
}

struct Case {
    double x, y;
    double value;  // NaN: MISSING expected
    int32_t err;
};

TEST(Zpower, SpecialBasesAndExponents) {
    const double M = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {0, 2, 0.0, 0},        {0, 0, M, 3},         {0, -1, M, 3},        {-0.0, 3, 0.0, 0},
        {-8, 1.0 / 3, M, 2},   {-2, 0.5, M, 2},      {-2, 3, -8.0, 0},     {-2, -2, 0.25, 0},
        {-1, 7, -1.0, 0},      {-1, 8, 1.0, 0},      {-1, -7, -1.0, 0},    {1, 1e300, 1.0, 0},
        {5, 1, 5.0, 0},        {5, 0, 1.0, 0},       {-5, 1, -5.0, 0},     {5, -0.0, 1.0, 0},
        {10, 400, M, 1},       {10, -400, 0.0, 0},   {2, 1e155, M, 1},     {0.5, 1e155, 0.0, 0},
        {2, -1e155, 0.0, 0},   {0.5, -1e155, M, 1},  {-1.5, 7, -17.0859375, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "zpower(" << c.x << ", " << c.y << ")");
        const Outcome o = power(c.x, c.y);
        EXPECT_EQ(o.err, c.err);
        if (std::isnan(c.value))
            EXPECT_TRUE(is_missing_bits(o.value));
        else
            EXPECT_EQ(bits(o.value), bits(c.value));
    }
}

// 1.05^10 by squaring is 1.6288946267774416; the correctly rounded power,
// which pow returns, is 1.628894626777442.  The two differ, so the figure
// shows which road was taken.
TEST(Zpower, WholeExponentMultipliesInsteadOfCallingPow) {
    EXPECT_EQ(power(1.05, 10).value, 1.6288946267774416);
    EXPECT_NE(power(1.05, 10).value, to_double(wide_power(1.05, 10)));

    struct Whole {
        double x;
        int32_t k;
    };
    const Whole cases[] = {{1.05, 10},   {1.05, 360},  {1.0025, 60}, {1.0025, 360}, {1.004, 120},
                           {0.97, 12},   {1.1, 60},    {1.0725, 30}, {1.05, -360},  {1.0025, -120},
                           {-1.05, 11},  {-1.05, -11}, {1.05, 1477}, {1.05, -1477}};
    int differs_from_pow = 0;
    for (const Whole& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "^" << c.k);
        const uint32_t k = static_cast<uint32_t>(c.k < 0 ? -c.k : c.k);
        double expected = by_squaring(std::fabs(c.x), k);
        if (c.k < 0) expected = 1.0 / expected;
        if (c.x < 0 && (k & 1u)) expected = -expected;
        const Outcome o = power(c.x, c.k);
        EXPECT_EQ(o.err, 0);
        EXPECT_EQ(bits(o.value), bits(expected));
        if (o.value != library_pow(c.x, c.k)) ++differs_from_pow;
        // The result is the exact product of k factors carried through at
        // most k - 1 roundings (fewer than 2 log2 k operations, but an early
        // rounding is raised to a power): within (k - 1) half ulps, plus one
        // for the reciprocal.
        const __float128 exact = c.k >= 0 ? wide_power(c.x, c.k) : 1 / wide_power(c.x, -c.k);
        const double rel = static_cast<double>((static_cast<__float128>(o.value) - exact) / exact);
        EXPECT_LE(std::fabs(rel), static_cast<double>(k + 1) * DBL_EPSILON / 2);
    }
    // Most of these powers are not the correctly rounded ones: a pow call
    // would have been caught above.
    EXPECT_GE(differs_from_pow, 10);
}

// Below |t| = 104 ln 2 (t = y ln x with the safety factor) whole powers
// multiply; from there on they go to pow.  For 1.05 the limit falls between
// the exponents 1477 (t = 72.063) and 1478 (t = 72.112).
TEST(Zpower, SquaringStopsAt104Ln2) {
    const double below = by_squaring(1.05, 1477);
    EXPECT_EQ(bits(power(1.05, 1477).value), bits(below));
    EXPECT_EQ(bits(power(1.05, -1477).value), bits(1.0 / below));
    EXPECT_NE(below, library_pow(1.05, 1477));

    EXPECT_EQ(bits(power(1.05, 1478).value), bits(library_pow(1.05, 1478)));
    EXPECT_EQ(bits(power(1.05, -1478).value), bits(library_pow(1.05, -1478)));
    EXPECT_NE(by_squaring(1.05, 1478), library_pow(1.05, 1478));

    // A fractional exponent always takes pow.
    EXPECT_EQ(bits(power(1.05, 360.5).value), bits(library_pow(1.05, 360.5)));
}

// Exponents of 2^31 - 1 and above are not whole numbers for the sign rule.
TEST(Zpower, IntegerTestEndsBelow2To31) {
    EXPECT_EQ(power(-1, 2147483645.0).value, -1.0);
    EXPECT_EQ(power(-1, 2147483646.0).value, 1.0);
    const Outcome at = power(-1, 2147483647.0);
    EXPECT_EQ(at.err, 2);
    EXPECT_TRUE(is_missing_bits(at.value));
    EXPECT_EQ(power(-1, std::nextafter(2147483647.0, 0.0)).err, 2);  // not whole either
    EXPECT_EQ(power(-1.0000001, 2147483646.0).err, 0);
}

// The result range: ln of the largest double above (with a safety factor of
// 3 units in the last place on y), slightly above ln of the smallest normal
// double below, where the result is 0.0 without an error.
TEST(Zpower, RangeLimits) {
    EXPECT_EQ(power(2, 1023).value, std::ldexp(1.0, 1023));
    EXPECT_EQ(power(0.5, -1023).value, std::ldexp(1.0, 1023));
    EXPECT_EQ(power(2, 1024).err, 1);
    EXPECT_TRUE(is_missing_bits(power(2, 1024).value));
    EXPECT_EQ(power(0.5, -1024).err, 1);
    EXPECT_EQ(power(-2, 1025).err, 1);
    EXPECT_EQ(power(10, 308).err, 0);
    EXPECT_EQ(power(10, 309).err, 1);

    EXPECT_EQ(power(2, -1021).value, std::ldexp(1.0, -1021));
    // t = -708.39641853 lies below -708.3964185: 2^-1022, the smallest
    // normal double, is already returned as 0.
    const Outcome smallest_normal = power(2, -1022);
    EXPECT_EQ(smallest_normal.err, 0);
    EXPECT_EQ(bits(smallest_normal.value), bits(0.0));
    EXPECT_EQ(power(-0.5, 1023).value, 0.0);

    // At and above 1.3407807929943e154 the exponent alone decides.
    EXPECT_EQ(power(1.0000000000000002, 1.3407807929943e154).err, 1);
    EXPECT_EQ(power(0.9999999999999999, 1.3407807929943e154).value, 0.0);
}

}  // namespace
}  // namespace qelfin::test
