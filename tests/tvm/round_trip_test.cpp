// Round trips on realistic loans, savings plans and growth: compute the
// missing quantity, give it back with another one missing, and get the
// original within a tolerance derived from how the computation rounds.
#include "tvm/calls.h"

#include <cfloat>
#include <cmath>
#include <vector>

namespace qelfin::test {
namespace {

constexpr double kEps = DBL_EPSILON;  // 2^-52, one ulp of 1

double value_of(const host::CallResult& r) {
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.mark_count, 0);
    return r.value;
}

// Loans: 2500 to 320000 over 1 to 30 years at 3 % to 18 % a year, monthly.
TEST(RoundTrip, Loans) {
    for (const double a : {2500.0, 18000.0, 50000.0, 320000.0})
        for (const double r : {0.0025, 0.005, 0.0075, 0.015})
            for (const double n : {12.0, 36.0, 60.0, 180.0, 360.0}) {
                SCOPED_TRACE(testing::Message() << "MORT " << a << " " << r << " " << n);
                const double p = value_of(call("MORT", a, M, r, n));
                // v = (1 + r)^-n and the present-value factor's slope, in
                // long double.
                const long double v = expl(-n * log1pl(r));
                const long double slope = n * v / (1 + r) / r - (1 - v) / (r * r);

                // The amount: both directions evaluate t = n ln(1 + r) and
                // e^-t - 1 (each within two ulps) and two roundings; e^-t - 1
                // has a condition number t e^-t / (1 - e^-t) < 1 in t.
                EXPECT_NEAR(value_of(call("MORT", M, p, r, n)), a, 16 * kEps * a);

                // The term: n = -ln(1 - r a / p) / ln(1 + r) magnifies the
                // relative error of p (a few ulps) by k = (r a / p) /
                // ((1 - r a / p) |ln(1 - r a / p)|), large when v is small.
                const long double ratio = r * a / p;
                const double k = static_cast<double>(ratio / ((1 - ratio) * -log1pl(-ratio)));
                EXPECT_NEAR(value_of(call("MORT", a, p, r, M)), n, 16 * kEps * n * (1 + k));

                // The rate: the search stops once the present-value factor
                // is within 1e-9 of a / p; that factor carries a few ulps of
                // a / p itself, and both are turned into a rate error by
                // the slope.
                const double tol = static_cast<double>((1e-9 + 16 * kEps * (a / p)) / fabsl(slope));
                EXPECT_NEAR(value_of(call("MORT", a, p, M, n)), r, tol);
            }
}

struct Plan {
    double r, n;
};

// Savings plans: 25 to 500 paid at the start of each month for 1 to 40
// years at 1.2 % to 9 % a year, or of each year for 5 to 40 years at 5 %.
TEST(RoundTrip, SavingsPlans) {
    std::vector<Plan> plans;
    for (const double r : {0.001, 0.004, 0.0075})
        for (const double n : {12.0, 60.0, 120.0, 240.0, 480.0}) plans.push_back({r, n});
    for (const double n : {5.0, 10.0, 20.0, 40.0}) plans.push_back({0.05, n});
    for (const double p : {25.0, 100.0, 500.0})
        for (const auto& [r, n] : plans) {
            SCOPED_TRACE(testing::Message() << "SAVING " << p << " " << r << " " << n);
            const double f = value_of(call("SAVING", M, p, r, n));

            // The payment divides by the same P - (1 + r) that f was
            // multiplied by: three roundings each way.
            EXPECT_NEAR(value_of(call("SAVING", f, M, r, n)), p, 8 * kEps * p);

            // The term: ln(f r / p + 1 + r) recovers ln (1 + r)^(n+1) up
            // to the error of the squared power (n + 1 roundings at most)
            // and a few more; divided by ln(1 + r).
            const double log_growth = std::log1p(r);
            EXPECT_NEAR(value_of(call("SAVING", f, p, r, M)), n, (n + 8) * kEps / log_growth);

            // The rate: |g - T| < 1e-9 at the end, with T = f / p and g
            // carrying the power's error (n + 1 roundings of P, divided
            // by r); g's slope in r turns that into a rate error.
            const long double a = 1 + static_cast<long double>(r);
            const long double P = powl(a, n + 1);
            const long double g = (P - a) / r;
            const long double slope = ((n + 1) * P / a - 1 - g) / r;
            const double T = f / p;
            const double tol =
                static_cast<double>((1e-9 + 8 * kEps * T + (n + 8) * kEps * P / r) / fabsl(slope));
            EXPECT_NEAR(value_of(call("SAVING", f, p, M, n)), r, tol);
        }
}

// Growth: 100 to a million over 1 to 360 periods at 0.25 % to 12 %.
TEST(RoundTrip, Growth) {
    for (const double a : {100.0, 2500.0, 1e6})
        for (const double r : {0.0025, 0.03, 0.07, 0.12})
            for (const double n : {1.0, 7.0, 30.0, 360.0}) {
                SCOPED_TRACE(testing::Message() << "COMPOUND " << a << " " << r << " " << n);
                const double f = value_of(call("COMPOUND", a, M, r, n));

                // a = f / P with the same P that made f = P a: two roundings.
                EXPECT_NEAR(value_of(call("COMPOUND", M, f, r, n)), a, 2 * kEps * a);

                // ln f - ln a carries an ulp of each logarithm and f's own
                // error (the squared power, up to n roundings); divided by n,
                // it becomes an error in ln(1 + r), then exp and the
                // subtraction of 1 add about an ulp of 1 + r each.
                const double lf = std::fabs(std::log(f)), la = std::fabs(std::log(a));
                const double log_error = 2 * kEps * (lf + la) + (n + 2) * kEps;
                EXPECT_NEAR(value_of(call("COMPOUND", a, f, M, n)), r, (1 + r) * (log_error / n + 2 * kEps));

                // n = (ln f - ln a) / ln(1 + r): the same numerator error,
                // divided by ln(1 + r), plus its relative ulp.
                const double log_growth = std::log1p(r);
                EXPECT_NEAR(value_of(call("COMPOUND", a, f, r, M)), n, log_error / log_growth + 2 * kEps * n);
            }
}

}  // namespace
}  // namespace qelfin::test
