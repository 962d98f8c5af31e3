// zpower: special bases and exponents, error codes, range limits, and whole
// exponents by repeated squaring below 104 ln 2, pow above.
#include "numeric/loaded.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

namespace qelfin::test {
namespace {

struct Outcome { double value; int32_t err; };

Outcome power(double x, double y) {
    int32_t err = 99;  // every path sets the word
    const double v = routine<decltype(&::zpower)>("zpower")(x, y, &err);
    return {v, err};
}

double library_pow(double x, double y) {
    volatile double vx = x, vy = y;  // not folded by the compiler
    return std::pow(vx, vy);
}

// Binary powering, low bit first, as the method prescribes.
double by_squaring(double ax, uint32_t k) {
    double r = 1.0, b = ax;
    for (;;) {
        if (k & 1u) r = r * b;
        if ((k >>= 1) == 0) return r;
        b = b * b;
    }
}

TEST(Zpower, SpecialCasesAndLimits) {
    const double M = std::numeric_limits<double>::quiet_NaN();  // MISSING expected
    const struct { double x, y, value; int32_t err; } cases[] = {
        {0, 2, 0.0, 0}, {0, 0, M, 3}, {0, -1, M, 3}, {-0.0, 3, 0.0, 0}, {-8, 1.0 / 3, M, 2}, {-2, 0.5, M, 2},
        {-2, 3, -8.0, 0}, {-2, -2, 0.25, 0}, {-1, 7, -1.0, 0}, {-1, 8, 1.0, 0}, {-1, -7, -1.0, 0}, {1, 1e300, 1.0, 0},
        {5, 1, 5.0, 0}, {5, 0, 1.0, 0}, {-5, 1, -5.0, 0}, {5, -0.0, 1.0, 0}, {-1.5, 7, -17.0859375, 0},
        {10, 400, M, 1}, {10, -400, 0.0, 0}, {2, 1e155, M, 1}, {0.5, 1e155, 0.0, 0}, {2, -1e155, 0.0, 0},
        {0.5, -1e155, M, 1}, {2, 1023, 0x1p1023, 0}, {0.5, -1023, 0x1p1023, 0}, {2, 1024, M, 1},
        {0.5, -1024, M, 1}, {-2, 1025, M, 1}, {2, -1021, 0x1p-1021, 0},
        {2, -1022, 0.0, 0},    // t = -708.39641853 is below the underflow limit: 0, no error
        {-0.5, 1023, 0.0, 0},  // +0.0: the sign is not applied to an underflow
        {2, std::nextafter(1024.0, 0.0), M, 1},  // finite, but refused by the 3-ulp safety factor on t
        // The sign rule treats exponents from 2^31 - 1 on as not whole.
        {-1, 2147483645.0, -1.0, 0}, {-1, 2147483646.0, 1.0, 0}, {-1, 2147483647.0, M, 2},
        {-1, std::nextafter(2147483647.0, 0.0), M, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "zpower(" << c.x << ", " << c.y << ")");
        const Outcome o = power(c.x, c.y);
        EXPECT_EQ(o.err, c.err);
        EXPECT_EQ(bits(o.value), std::isnan(c.value) ? QELFIN_MISSING_BITS : bits(c.value));
    }
}

// 1.05^10 by squaring is 1.6288946267774416, pow gives 1.628894626777442.
// Each whole power has the bits of binary powering and lies within k + 1
// half ulps of the exact power; most differ from pow.
TEST(Zpower, WholeExponentsBySquaringBelow104Ln2) {
    EXPECT_EQ(power(1.05, 10).value, 1.6288946267774416);
    const struct {
        double x;
        int32_t k;
    } cases[] = {{1.05, 10},  {1.05, 360},  {1.0025, 60}, {1.0025, 360}, {1.004, 120}, {0.97, 12},  {1.1, 60},
                 {1.0725, 30}, {1.05, -360}, {1.0025, -120}, {-1.05, 11}, {-1.05, -11}, {1.05, 1477}, {1.05, -1477}};
    int differs_from_pow = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "^" << c.k);
        const uint32_t k = static_cast<uint32_t>(c.k < 0 ? -c.k : c.k);
        double expected = by_squaring(std::fabs(c.x), k);
        if (c.k < 0) expected = 1.0 / expected;
        if (c.x < 0 && (k & 1u)) expected = -expected;
        const Outcome o = power(c.x, c.k);
        EXPECT_EQ(o.err, 0);
        EXPECT_EQ(bits(o.value), bits(expected));
        if (o.value != library_pow(c.x, c.k)) ++differs_from_pow;
        const __float128 exact = c.k >= 0 ? wide_power(c.x, c.k) : 1 / wide_power(c.x, -c.k);
        EXPECT_LE(std::fabs(to_double((o.value - exact) / exact)), (k + 1) * DBL_EPSILON / 2);
    }
    EXPECT_GE(differs_from_pow, 10);
    // For 1.05 the limit lies between 1477 (t = 72.063) and 1478 (t = 72.112);
    // fractional exponents always take pow.
    for (const uint32_t k : {1477u, 1478u}) EXPECT_NE(by_squaring(1.05, k), library_pow(1.05, k)) << k;
    for (const double y : {1478.0, -1478.0, 360.5})
        EXPECT_EQ(bits(power(1.05, y).value), bits(library_pow(1.05, y))) << y;
}

}  // namespace
}  // namespace qelfin::test
