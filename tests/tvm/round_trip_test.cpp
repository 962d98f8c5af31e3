// Round trips on realistic loans, savings plans and growth: compute the
// missing quantity, solve back for another, and get the original within a
// tolerance derived from how the computation rounds.
#include "tvm/tvm.h"

namespace qelfin::test {
namespace {

constexpr double kEps = DBL_EPSILON;

TEST(RoundTrip, Loans) {
    for (const double a : {2500.0, 18000.0, 50000.0, 320000.0})
        for (const double r : {0.0025, 0.005, 0.0075, 0.015})
            for (const double n : {12.0, 36.0, 60.0, 180.0, 360.0}) {
                SCOPED_TRACE(testing::Message() << "MORT " << a << " " << r << " " << n);
                const double p = value_of(call("MORT", a, M, r, n));
                // Amount: e^-t - 1 within two ulps each way, condition < 1 in t.
                EXPECT_NEAR(value_of(call("MORT", M, p, r, n)), a, 16 * kEps * a);
                // Term: -ln(1 - r a / p) / ln(1 + r) magnifies p's error by k.
                const long double ratio = r * a / p;
                const double k = static_cast<double>(ratio / ((1 - ratio) * -log1pl(-ratio)));
                EXPECT_NEAR(value_of(call("MORT", a, p, r, M)), n, 16 * kEps * n * (1 + k));
                // Rate: the search stops within 1e-9 of a / p (itself a few
                // ulps off); the present-value factor's slope turns that into
                // a rate error.
                const long double v = expl(-n * log1pl(r)), slope = n * v / (1 + r) / r - (1 - v) / (r * r);
                const double tol = static_cast<double>((1e-9 + 16 * kEps * (a / p)) / fabsl(slope));
                EXPECT_NEAR(value_of(call("MORT", a, p, M, n)), r, tol);
            }
}

TEST(RoundTrip, SavingsPlans) {
    std::vector<std::pair<double, double>> plans;  // monthly for 1 to 40 years, or yearly at 5 %
    for (const double r : {0.001, 0.004, 0.0075})
        for (const double n : {12.0, 60.0, 120.0, 240.0, 480.0}) plans.push_back({r, n});
    for (const double n : {5.0, 10.0, 20.0, 40.0}) plans.push_back({0.05, n});
    for (const double p : {25.0, 100.0, 500.0})
        for (const auto& [r, n] : plans) {
            SCOPED_TRACE(testing::Message() << "SAVING " << p << " " << r << " " << n);
            const double f = value_of(call("SAVING", M, p, r, n));
            // Payment: the same divisor f was multiplied by, three roundings each way.
            EXPECT_NEAR(value_of(call("SAVING", f, M, r, n)), p, 8 * kEps * p);
            // Term: the squared power's error (n + 1 roundings) over ln(1 + r).
            EXPECT_NEAR(value_of(call("SAVING", f, p, r, M)), n, (n + 8) * kEps / std::log1p(r));
            // Rate: |g - f / p| < 1e-9 with g carrying the power's error,
            // turned into a rate error by g's slope.
            const long double a = 1 + static_cast<long double>(r), P = powl(a, n + 1), g = (P - a) / r;
            const long double slope = ((n + 1) * P / a - 1 - g) / r;
            const double tol = static_cast<double>((1e-9 + 8 * kEps * (f / p) + (n + 8) * kEps * P / r) / fabsl(slope));
            EXPECT_NEAR(value_of(call("SAVING", f, p, M, n)), r, tol);
        }
}

TEST(RoundTrip, Growth) {
    for (const double a : {100.0, 2500.0, 1e6})
        for (const double r : {0.0025, 0.03, 0.07, 0.12})
            for (const double n : {1.0, 7.0, 30.0, 360.0}) {
                SCOPED_TRACE(testing::Message() << "COMPOUND " << a << " " << r << " " << n);
                const double f = value_of(call("COMPOUND", a, M, r, n));
                EXPECT_NEAR(value_of(call("COMPOUND", M, f, r, n)), a, 2 * kEps * a);  // f / P, P a: two roundings
                // ln f - ln a carries an ulp of each logarithm and f's own
                // error (up to n roundings of the power).
                const double log_error = 2 * kEps * (std::fabs(std::log(f)) + std::fabs(std::log(a))) + (n + 2) * kEps;
                EXPECT_NEAR(value_of(call("COMPOUND", a, f, M, n)), r, (1 + r) * (log_error / n + 2 * kEps));
                EXPECT_NEAR(value_of(call("COMPOUND", a, f, r, M)), n, log_error / std::log1p(r) + 2 * kEps * n);
            }
}

}  // namespace
}  // namespace qelfin::test
