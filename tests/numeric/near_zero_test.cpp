// zexpm1 and zln1px: the series near zero, the switch to the library exp
// and log at the stated thresholds, and accuracy against long double.
#include "numeric/loaded.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace qelfin::test {
namespace {

using Unary = double (*)(double);

Unary zexpm1() { return routine<Unary>("zexpm1"); }
Unary zln1px() { return routine<Unary>("zln1px"); }

// The library routines on inputs the compiler cannot fold.
double library_exp_less_one(double x) {
    volatile double v = x;
    return std::exp(v) - 1.0;
}
double library_log_one_plus(double x) {
    volatile double v = x;
    return std::log(1.0 + v);
}

// Error of y against a long double reference, in ulps of the reference.
double ulp_error(double y, long double reference) {
    const double r = static_cast<double>(reference);
    const double ulp = std::nextafter(std::fabs(r), INFINITY) - std::fabs(r);
    return static_cast<double>(std::fabs(static_cast<long double>(y) - reference) / ulp);
}

// Inputs spread over (0, bound] on a geometric grid, both signs.
template <class F>
void for_each_small(double bound, F f) {
    for (double x = bound; x > 1e-12; x *= 0.93) {
        f(x);
        f(-x);
    }
}

// e^x - 1 for |x| <= 0.01 comes from the series, above from exp(x) - 1.0.
TEST(Zexpm1, SeriesUpTo001ThenLibraryExp) {
    for (const double bound : {0.01, -0.01}) {
        const double outside = std::nextafter(bound, 2 * bound);
        SCOPED_TRACE(bound);
        EXPECT_EQ(bits(zexpm1()(outside)), bits(library_exp_less_one(outside)));
        // At the bound the series is more accurate than exp(x) - 1.0, whose
        // subtraction loses about 7 bits here.
        EXPECT_LE(ulp_error(zexpm1()(bound), expm1l(bound)), 1.0);
        EXPECT_NE(zexpm1()(bound), library_exp_less_one(bound));
    }
}

// Truncating after x^6 leaves x^6/5040 relative (0.9 ulp at 0.01) and the
// nested evaluation adds about one rounding.
TEST(Zexpm1, SeriesAccurateToTwoUlps) {
    double worst = 0;
    for_each_small(0.01, [&](double x) { worst = std::fmax(worst, ulp_error(zexpm1()(x), expm1l(x))); });
    EXPECT_LE(worst, 2.0);
    EXPECT_EQ(zexpm1()(0.0), 0.0);
    EXPECT_TRUE(std::isnan(zexpm1()(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(zexpm1()(-INFINITY), -1.0);
}

// ln(1 + x) for |x| <= 2^-5 comes from the rational series, above from
// log(1.0 + x).
TEST(Zln1px, SeriesUpTo2ToMinus5ThenLibraryLog) {
    for (const double bound : {0.03125, -0.03125}) {
        const double outside = std::nextafter(bound, 2 * bound);
        SCOPED_TRACE(bound);
        EXPECT_EQ(bits(zln1px()(outside)), bits(library_log_one_plus(outside)));
        EXPECT_LE(ulp_error(zln1px()(bound), log1pl(bound)), 1.0);
    }
    // Near zero log(1.0 + x) loses the low bits of x; the series keeps them.
    const double x = 1e-10;
    EXPECT_LE(ulp_error(zln1px()(x), log1pl(x)), 1.0);
    EXPECT_NE(zln1px()(x), library_log_one_plus(x));
}

TEST(Zln1px, SeriesAccurateToTwoUlps) {
    double worst = 0;
    for_each_small(0.03125, [&](double x) { worst = std::fmax(worst, ulp_error(zln1px()(x), log1pl(x))); });
    EXPECT_LE(worst, 2.0);
    EXPECT_EQ(zln1px()(0.0), 0.0);
    EXPECT_TRUE(std::isnan(zln1px()(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(zln1px()(-1.0), -INFINITY);
}

}  // namespace
}  // namespace qelfin::test
