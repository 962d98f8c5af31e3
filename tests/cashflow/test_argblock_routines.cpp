// intdat, intdvq, netpv2 and netpvd: cash flows read straight from the
// block (from argument 2 for the rate of return, from 3 for present value),
// missing flows counting as 0.
#include "cashflow/npv_support.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

using qelfin::host::Arg;
using qelfin::host::ArgBlock;
using namespace qelfin::npv_test;

const double kMiss = qelfin::host::missing_value();
constexpr int32_t kAllFlows = INT32_MIN;  // pass the number of flows given

// The flows behind `leading` placeholder arguments, as IRR (1) or NETPV (2) lays them out.
std::vector<Arg> layout(int leading, const std::vector<double>& flows) {
    std::vector<Arg> args(static_cast<size_t>(leading), Arg(1.0));
    args.insert(args.end(), flows.begin(), flows.end());
    return args;
}

struct Poly {
    long double value = 0, deriv = 0;
};

// sum of c(j) x^j and its derivative straight from the definition, after
// dropping the first `skip` flows.
Poly polynomial(const std::vector<double>& flows, size_t skip, long double x) {
    Poly p;
    for (size_t j = skip; j < flows.size(); ++j) {
        const long double c = flows[j] != flows[j] ? 0 : flows[j];
        const long double e = static_cast<long double>(j - skip);
        p.value += c * std::pow(x, e);
        if (e > 0) p.deriv += e * c * std::pow(x, e - 1);
    }
    return p;
}

// The rate-of-return polynomial drops leading zero flows; a missing flow is
// not a zero and stops the dropping.
size_t leading_zeros(const std::vector<double>& flows) {
    size_t k = 0;
    while (k < flows.size() && flows[k] == 0) ++k;
    return k;
}

TEST(PolynomialRoutines, HornerEqualsTheDefinition) {
    const auto intdvq_fn = module().symbol<decltype(&intdvq)>("intdvq");
    const auto netpvd_fn = module().symbol<decltype(&netpvd)>("netpvd");
    // Integer flows at x = 2 or 0.5 keep every step exact in double.
    const struct {
        std::vector<double> flows;
        double x;
    } cases[] = {
        {{1, 2, 3}, 2},      // 17 and 14 from both
        {{0, 0, 1, 2}, 2},   // intdvq drops the zeros: 5 and 2, not 20 and 28
        {{kMiss, 1, 1}, 2},  // a missing first flow is intdvq's constant term, 0
        {{1, 2}, 2},
        {{0, kMiss, 3, 0, -2}, 0.5},
        {{0, 0, 7}, 2},
        {{0, 0, 0}, 2},
        {{5}, 2},
        {{-100, 40, 0, 30, -10, 20, 60, 1, 2, 3, 4, 5}, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.flows) + " at " + std::to_string(c.x));
        const int32_t n = static_cast<int32_t>(c.flows.size());
        double value = -1, deriv = -1;
        const auto irr_args = layout(1, c.flows);
        ArgBlock irr_block(irr_args);
        intdvq_fn(n, c.x, &value, &deriv, irr_block.get());
        const Poly p = polynomial(c.flows, leading_zeros(c.flows), c.x);
        EXPECT_EQ(value, static_cast<double>(p.value));
        EXPECT_EQ(deriv, static_cast<double>(p.deriv));

        const auto npv_args = layout(2, c.flows);
        ArgBlock npv_block(npv_args);
        netpvd_fn(n, c.x, &value, &deriv, npv_block.get());
        const Poly q = polynomial(c.flows, 0, c.x);
        EXPECT_EQ(value, static_cast<double>(q.value));
        EXPECT_EQ(deriv, static_cast<double>(q.deriv));
    }
    // No flows: intdvq reads nothing, netpvd still reads argument 3.
    double value = -1, deriv = -1;
    const auto args = layout(2, {4, 5});
    ArgBlock block(args);
    intdvq_fn(0, 2.0, &value, &deriv, block.get());
    EXPECT_EQ(value, 0.0);
    EXPECT_EQ(deriv, 0.0);
    netpvd_fn(0, 2.0, &value, &deriv, block.get());
    EXPECT_EQ(value, 4.0);
    EXPECT_EQ(deriv, 0.0);
}

double netpv2_of(const std::vector<double>& flows, double rate, double freq, int32_t n = kAllFlows) {
    const auto args = layout(2, flows);
    ArgBlock block(args);
    double result = -1;
    module().symbol<decltype(&netpv2)>("netpv2")(n == kAllFlows ? static_cast<int32_t>(flows.size()) : n, rate, freq,
                                                 &result, block.get());
    return result;
}

TEST(Netpv2, Figures) {
    EXPECT_NEAR(netpv2_of({-100, 0, 121}, 0.1, 1), 0.0, 1e-12);
    EXPECT_NEAR(netpv2_of({-100, kMiss, 121}, 0.1, 1), 0.0, 1e-12);
    EXPECT_NEAR(netpv2_of({0, 1}, 0.1, 2), std::pow(1.1L, -0.5L), 1e-15);
    EXPECT_EQ(netpv2_of({1, 2, 3}, -0.5, 1), 17.0);  // no range checks: v = 2
    EXPECT_EQ(netpv2_of({7, 5}, 0.1, 1, 0), 7.0);    // argument 3 is read even for no flows
    EXPECT_EQ(netpv2_of({kMiss}, 0.1, 1), 0.0);
    EXPECT_EQ(netpv2_of({kMiss, kMiss, kMiss}, 0.1, 1), 0.0);
    // A frequency that is not positive discounts continuously.
    const std::vector<double> flows{-100, 30, 40, 50};
    const double continuous = netpv2_of(flows, 0.07, 0);
    EXPECT_NEAR(continuous, -100 + 30 * std::exp(-0.07L) + 40 * std::exp(-0.14L) + 50 * std::exp(-0.21L), 1e-12);
    for (double freq : {-1.0, -0.0, std::nan("")}) EXPECT_EQ(bits(netpv2_of(flows, 0.07, freq)), bits(continuous));
}

double intdat_of(const std::vector<double>& flows, double freq, int32_t n = kAllFlows) {
    const auto args = layout(1, flows);
    ArgBlock block(args);
    double rate = -42;
    module().symbol<decltype(&intdat)>("intdat")(n == kAllFlows ? static_cast<int32_t>(flows.size()) : n, freq, &rate,
                                                 block.get());
    return rate;
}

double magnitude(const std::vector<double>& flows) {
    double s = 0;
    for (double c : flows) s += c != c ? 0 : std::fabs(c);
    return s;
}

TEST(Intdat, FindsTheRate) {
    // Series with closed-form roots (the discount factor per interval).
    const struct {
        const char* what;
        std::vector<double> flows;
        double freq;
        long double root;
    } cases[] = {
        {"one Newton step in phase 1", {-100, 110}, 1, 1 / 1.1L},
        {"continuous", {-100, 110}, 0, 1 / 1.1L},
        {"negative frequency: continuous", {-100, 110}, -3, 1 / 1.1L},
        {"two intervals per base period", {-100, 110}, 2, 1 / 1.1L},
        {"leading zeros dropped", {0, 0, -100, 110}, 1, 1 / 1.1L},
        {"missing flow as 0", {-100, kMiss, 121}, 1, 1 / 1.1L},
        {"phase 1 halves twice, then converges", {-1, 10, -8}, 1, (10 - std::sqrt(68.0L)) / 16},
        {"phase 1 fails, one step in phase 2", {100, -90}, 1, 1 / 0.9L},
        {"three steps in phase 2", {100, -40, -50}, 1, (-40 + std::sqrt(21600.0L)) / 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const double rate = intdat_of(c.flows, c.freq);
        const long double f = c.freq;
        const long double expected = f <= 0 ? -std::log(c.root) : std::pow(c.root, -f) - 1;
        // intdat stops where |P| < 1e-8 sum |c|, so within that over |P'| of
        // the root; the rate moves by its derivative times as much.
        const long double dx = 1e-8L * magnitude(c.flows) /
                                   std::fabs(polynomial(c.flows, leading_zeros(c.flows), c.root).deriv) * 1.01L +
                               1e-15L;
        const long double slope = f <= 0 ? 1 / c.root : f * std::pow(c.root, -f - 1);
        EXPECT_NEAR(rate, static_cast<double>(expected), static_cast<double>(slope * dx));
    }
    EXPECT_NEAR(intdat_of({-100, 110}, 1), 0.1, 1e-14);  // one exact Newton step
    EXPECT_NEAR(intdat_of({100, -90}, 1), -0.1, 1e-14);
    EXPECT_TRUE(std::isnan(intdat_of({-100, 110}, std::nan(""))));  // a NaN frequency takes pow
}

TEST(Intdat, NoRateLeavesTheLargestDouble) {
    const struct {
        std::vector<double> flows;
        int32_t n;
    } cases[] = {
        {{-100, 110}, 0}, {{-100, 110}, -1}, {{0, 0, 0}, 3}, {{kMiss, kMiss}, 2}, {{5}, 1}, {{0, 0, 5}, 3},
        {{1, 1, 1}, 3},  // no root above 0: neither phase converges
    };
    for (const auto& c : cases) {
        EXPECT_EQ(intdat_of(c.flows, 1, c.n), DBL_MAX) << ::testing::PrintToString(c.flows) << " n " << c.n;
        EXPECT_EQ(intdat_of(c.flows, 0, c.n), DBL_MAX) << ::testing::PrintToString(c.flows) << " n " << c.n;
    }
}

TEST(Intdat, TwentyTestsPerPhase) {
    // Neither series has a root above 0, so Newton heads below 0 and phase 1
    // halves its point while |P| shrinks with it.  For 1e-10 + x + 20 x^5,
    // |P| first drops below 1e-8 sum |c| at the twentieth test (0.80 of it,
    // after 1.60 at the nineteenth); for 1e-12 + x + 500 x^9 that would be
    // the twenty-first (1.59, then 0.80), never made, and phase 2 (P >= 1
    // from 1 on) finds nothing either.
    const std::vector<double> twentieth{1e-10, 1, 0, 0, 0, 20};
    const double rate = intdat_of(twentieth, 1);
    ASSERT_NE(rate, DBL_MAX);
    const long double p = polynomial(twentieth, 0, 1 / (1 + static_cast<long double>(rate))).value;
    EXPECT_LT(std::fabs(p), 1e-8L * magnitude(twentieth));
    EXPECT_GT(std::fabs(p), 0.5e-8L * magnitude(twentieth));
    EXPECT_EQ(intdat_of({1e-12, 1, 0, 0, 0, 0, 0, 0, 0, 500}, 1), DBL_MAX);
}

}  // namespace
