// zlnSumOfExp and zqlog.
#include "numeric/loaded.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace qelfin::test {
namespace {

using Binary = double (*)(double, double);
using Unary = double (*)(double);

Binary zlnSumOfExp() { return routine<Binary>("zlnSumOfExp"); }
Unary zqlog() { return routine<Unary>("zqlog"); }

constexpr double kLn2 = 0.6931471805599453;  // ln 2 rounded to a double

// ln(e^a + e^b) in long double, the larger argument taken out.
long double reference_sum(long double a, long double b) {
    const long double hi = a > b ? a : b, lo = a > b ? b : a;
    return hi + log1pl(expl(lo - hi));
}

TEST(ZlnSumOfExp, EqualArgumentsAddLn2WithoutOverflow) {
    EXPECT_EQ(bits(zlnSumOfExp()(1000, 1000)), bits(to_double(static_cast<__float128>(1000) + kLn2)));
    EXPECT_EQ(bits(zlnSumOfExp()(-3, -3)), bits(to_double(static_cast<__float128>(-3) + kLn2)));
    EXPECT_EQ(zlnSumOfExp()(-1000, 0), 0.0);
    EXPECT_EQ(zlnSumOfExp()(0, -1000), 0.0);
    EXPECT_EQ(zlnSumOfExp()(800, 0), 800.0);
}

// Both orders give the same bits; the result is within two ulps of the
// larger argument's scale, on both sides of the series threshold
// (|a - b| = ln 32 = 3.4657).
TEST(ZlnSumOfExp, SymmetricAndAccurate) {
    const double pairs[][2] = {{0, 0.5},     {1, -1},       {2, -1.4},    {0, -3.4},  {0, -3.5},
                               {10, 6},      {-20, -25.5},  {709, 709.5}, {1e6, 1e6 + 1},
                               {-1e-3, 2e-3}, {0.25, -40},  {100, 99.999999}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(testing::Message() << p[0] << ", " << p[1]);
        const double ab = zlnSumOfExp()(p[0], p[1]);
        EXPECT_EQ(bits(ab), bits(zlnSumOfExp()(p[1], p[0])));
        const long double ref = reference_sum(p[0], p[1]);
        const double scale = std::fmax(std::fabs(static_cast<double>(ref)), std::fmax(std::fabs(p[0]), std::fabs(p[1])));
        EXPECT_LE(std::fabs(static_cast<double>(ab - ref)), 2 * DBL_EPSILON * std::fmax(scale, 1.0));
    }
}

TEST(Zqlog, FiguresAndPowersOfTwo) {
    EXPECT_EQ(zqlog()(1), 0.0);
    EXPECT_EQ(bits(zqlog()(2)), bits(kLn2));
    EXPECT_NEAR(zqlog()(1.5), 0.4621, 5e-5);
    EXPECT_EQ(bits(zqlog()(0.5)), bits(to_double(-static_cast<__float128>(kLn2) - 0.06)));
    for (int k = 0; k <= 1023; k += 31)
        EXPECT_EQ(bits(zqlog()(std::ldexp(1.0, k))), bits(to_double(static_cast<__float128>(k) * kLn2))) << k;
}

// The approximation errs away from zero: not below ln x from 1 up, not
// above it below 1, and by at most 0.0597 before the shift of 0.06.  At
// powers of two it is k times the double nearest ln 2, which lies a
// fraction of an ulp under k ln 2: the comparison allows for that rounding.
TEST(Zqlog, ErrsAwayFromZeroByLessThan006) {
    for (double x = 1e-300; x < 1e300; x *= 1.0137) {
        const long double ln = logl(x);
        const long double q = zqlog()(x);
        const long double slack = 4 * LDBL_EPSILON * fabsl(ln) + 2 * DBL_EPSILON * fabsl(ln);
        if (x >= 1) {
            EXPECT_GE(q, ln - slack) << x;
            EXPECT_LE(q - ln, 0.0597L + slack) << x;
        } else {
            EXPECT_LE(q, ln + slack) << x;
            EXPECT_LE(ln - q, 0.06L + slack) << x;
        }
    }
}

}  // namespace
}  // namespace qelfin::test
