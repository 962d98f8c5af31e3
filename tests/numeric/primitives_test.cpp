// zexpm1, zln1px, zlnSumOfExp, zqlog and vzatl.
#include "numeric/loaded.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>
#include <memory>
#include <vector>

namespace qelfin::test {
namespace {

using Unary = double (*)(double);
using Binary = double (*)(double, double);
using AllBytes = int (*)(int, const uint8_t*, int32_t);

constexpr double kLn2 = 0.6931471805599453;

double ulp_error(double y, long double reference) {
    const double r = std::fabs(static_cast<double>(reference));
    return static_cast<double>(fabsl(y - reference) / (std::nextafter(r, INFINITY) - r));
}

// Series up to the bound (at most 1 ulp there, 2 below), the library beyond.
TEST(NearZero, SeriesToTheBoundThenLibrary) {
    const struct {
        const char* name;
        double bound;
        long double (*reference)(long double);
        double (*library)(double);
    } routines[] = {
        {"zexpm1", 0.01, expm1l, [](double x) { volatile double v = x; return std::exp(v) - 1.0; }},
        {"zln1px", 0.03125, log1pl, [](double x) { volatile double v = x; return std::log(1.0 + v); }},
    };
    for (const auto& r : routines) {
        SCOPED_TRACE(r.name);
        const Unary f = routine<Unary>(r.name);
        for (const double bound : {r.bound, -r.bound}) {
            const double outside = std::nextafter(bound, 2 * bound);
            EXPECT_EQ(bits(f(outside)), bits(r.library(outside))) << bound;
            EXPECT_LE(ulp_error(f(bound), r.reference(bound)), 1.0) << bound;
        }
        double worst = 0;
        for (double x = r.bound; x > 1e-12; x *= 0.93)
            worst = std::fmax(worst, std::fmax(ulp_error(f(x), r.reference(x)), ulp_error(f(-x), r.reference(-x))));
        EXPECT_LE(worst, 2.0);
        EXPECT_EQ(f(0.0), 0.0);
        EXPECT_TRUE(std::isnan(f(std::numeric_limits<double>::quiet_NaN())));
    }
    // At 0.01 exp(x) - 1.0 loses about 7 bits: the series is what answers.
    EXPECT_NE(routine<Unary>("zexpm1")(0.01), routines[0].library(0.01));
    EXPECT_EQ(routine<Unary>("zexpm1")(-INFINITY), -1.0);
    EXPECT_EQ(routine<Unary>("zln1px")(-1.0), -INFINITY);
}

TEST(ZlnSumOfExp, WithoutOverflowSymmetricAndAccurate) {
    const Binary f = routine<Binary>("zlnSumOfExp");
    EXPECT_EQ(bits(f(1000, 1000)), bits(to_double(static_cast<__float128>(1000) + kLn2)));
    EXPECT_EQ(bits(f(-3, -3)), bits(to_double(static_cast<__float128>(-3) + kLn2)));
    EXPECT_EQ(f(-1000, 0), 0.0);
    EXPECT_EQ(f(800, 0), 800.0);
    // Both sides of the series threshold |a - b| = ln 32 = 3.4657.
    const double pairs[][2] = {{0, 0.5},     {1, -1},      {2, -1.4},      {0, -3.4},     {0, -3.5},
                               {10, 6},      {-20, -25.5}, {709, 709.5},   {1e6, 1e6 + 1}, {-1e-3, 2e-3},
                               {0.25, -40},  {100, 99.999999}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(testing::Message() << p[0] << ", " << p[1]);
        const double ab = f(p[0], p[1]);
        EXPECT_EQ(bits(ab), bits(f(p[1], p[0])));
        const long double hi = std::fmax(p[0], p[1]), ref = hi + log1pl(expl(std::fmin(p[0], p[1]) - hi));
        const double scale = std::fmax(std::fmax(std::fabs(static_cast<double>(ref)), 1.0), std::fabs(hi));
        EXPECT_LE(fabsl(ab - ref), 2 * DBL_EPSILON * std::fmax(scale, std::fabs(std::fmin(p[0], p[1]))));
    }
}

// Exact at powers of two from 1 up; elsewhere it errs away from zero, by at
// most 0.0597 before the shift of 0.06 below 1.
TEST(Zqlog, FiguresAndOneSidedError) {
    const Unary f = routine<Unary>("zqlog");
    EXPECT_EQ(f(1), 0.0);
    EXPECT_NEAR(f(1.5), 0.4621, 5e-5);
    EXPECT_EQ(bits(f(0.5)), bits(to_double(-static_cast<__float128>(kLn2) - 0.06)));
    for (int k = 1; k <= 1023; k += 31)
        EXPECT_EQ(bits(f(std::ldexp(1.0, k))), bits(to_double(static_cast<__float128>(k) * kLn2))) << k;
    for (double x = 1e-300; x < 1e300; x *= 1.0137) {
        const long double ln = logl(x), q = f(x), slack = (4 * LDBL_EPSILON + 2 * DBL_EPSILON) * fabsl(ln);
        if (x >= 1) {
            EXPECT_TRUE(q >= ln - slack && q - ln <= 0.0597L + slack) << x;
        } else {
            EXPECT_TRUE(q <= ln + slack && ln - q <= 0.06L + slack) << x;
        }
    }
}

// zvasum and zvamx are checked against their definitions on every call of
// the robustness harness; vzatl's bytes are read unsigned, and it stops at
// the first that differs.
TEST(Vectors, AllBytesEqual) {
    const AllBytes vzatl = routine<AllBytes>("vzatl");
    const uint8_t blanks[] = {' ', ' ', ' '}, letter[] = {' ', ' ', 'a'}, high[] = {0xE9, 0xE9};
    EXPECT_EQ(vzatl(32, nullptr, 0), 1);
    EXPECT_EQ(vzatl(32, nullptr, -1), 1);
    EXPECT_EQ(vzatl(32, blanks, 3), 1);
    EXPECT_EQ(vzatl(32, letter, 3), 0);
    EXPECT_EQ(vzatl(32, letter, 2), 1);
    EXPECT_EQ(vzatl(0xE9, high, 2), 1);  // bytes read unsigned
    EXPECT_EQ(vzatl(-23, high, 2), 0);
    EXPECT_EQ(vzatl(32 + 256, blanks, 3), 0);
    // It stops at the first byte that differs: the sanitized build reports a
    // read past this two-byte buffer.
    auto two = std::make_unique<uint8_t[]>(2);
    two[0] = ' ';
    two[1] = 'x';
    EXPECT_EQ(vzatl(32, two.get(), 1000), 0);
}

}  // namespace
}  // namespace qelfin::test
