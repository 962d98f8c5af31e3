// intdat, intdvq, netpv2 and netpvd: the routines that read cash flows
// straight from an argument block (arguments 2.. for the rate of return,
// 3.. for present value), missing flows counting as 0.
#include "cashflow/npv_support.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

namespace {

using qelfin::host::Arg;
using qelfin::host::ArgBlock;
using namespace qelfin::npv_test;

const double kMiss = qelfin::host::missing_value();

// A block as IRR lays it out: a frequency, then the flows from argument 2.
std::vector<Arg> irr_layout(const std::vector<double>& flows) {
    std::vector<Arg> args{Arg(1.0)};
    args.insert(args.end(), flows.begin(), flows.end());
    return args;
}

// A block as NETPV lays it out: rate and frequency, then the flows from argument 3.
std::vector<Arg> npv_layout(const std::vector<double>& flows) {
    std::vector<Arg> args{Arg(0.1), Arg(1.0)};
    args.insert(args.end(), flows.begin(), flows.end());
    return args;
}

double zero_if_missing(double c) { return c != c ? 0.0 : c; }

// P(x) = sum of c(j) x^(j - k) and its derivative, leading zero flows
// dropped (a missing flow is not a zero and stops the dropping), straight
// from that definition.
struct Poly {
    long double value = 0, deriv = 0;
};

Poly irr_polynomial(const std::vector<double>& flows, long double x) {
    size_t k = 0;
    while (k < flows.size() && flows[k] == 0) ++k;
    Poly p;
    for (size_t j = k; j < flows.size(); ++j) {
        const long double c = zero_if_missing(flows[j]);
        const int e = static_cast<int>(j - k);
        p.value += c * std::pow(x, static_cast<long double>(e));
        if (e > 0) p.deriv += e * c * std::pow(x, static_cast<long double>(e - 1));
    }
    return p;
}

Poly npv_polynomial(const std::vector<double>& flows, long double v) {
    Poly p;
    for (size_t i = 0; i < flows.size(); ++i) {
        const long double c = zero_if_missing(flows[i]);
        const int e = static_cast<int>(i);
        p.value += c * std::pow(v, static_cast<long double>(e));
        if (e > 0) p.deriv += e * c * std::pow(v, static_cast<long double>(e - 1));
    }
    return p;
}

double sum_of_magnitudes(const std::vector<double>& flows) {
    double s = 0;
    for (double c : flows) s += std::fabs(zero_if_missing(c));
    return s;
}

// ---------------------------------------------------------------- intdvq, netpvd

struct PolyCase {
    std::vector<double> flows;
    double x;
};

// Integer flows at x = 2 or 0.5 keep every power and sum exact in double,
// so the Horner results must equal the definition exactly.
const PolyCase kPolyCases[] = {
    {{1, 2, 3}, 2},
    {{0, 0, 1, 2}, 2},             // leading zeros dropped by intdvq: 5 and 2, not 20 and 28
    {{kMiss, 1, 1}, 2},            // a missing first flow is the constant term, 0
    {{0, kMiss, 3, 0, -2}, 0.5},
    {{0, 0, 7}, 2},                // only the last flow: constant
    {{0, 0, 0}, 2},
    {{5}, 2},
    {{-100, 40, 0, 30, -10, 20, 60}, 0.5},
    {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 2},
};

TEST(Intdvq, HornerEqualsTheDefinition) {
    const auto f = module().symbol<decltype(&intdvq)>("intdvq");
    for (const PolyCase& c : kPolyCases) {
        SCOPED_TRACE(::testing::PrintToString(c.flows) + " at " + std::to_string(c.x));
        const auto args = irr_layout(c.flows);
        ArgBlock block(args);
        double value = -1, deriv = -1;
        f(static_cast<int32_t>(c.flows.size()), c.x, &value, &deriv, block.get());
        const Poly p = irr_polynomial(c.flows, c.x);
        EXPECT_EQ(value, static_cast<double>(p.value));
        EXPECT_EQ(deriv, static_cast<double>(p.deriv));
    }
}

TEST(Intdvq, Figures) {
    const auto f = module().symbol<decltype(&intdvq)>("intdvq");
    struct Case {
        std::vector<double> flows;
        double value, deriv;
    };
    const Case cases[] = {
        {{1, 2, 3}, 17, 14},
        {{0, 0, 1, 2}, 5, 2},
        {{kMiss, 1, 1}, 6, 5},
        {{0, 1, 1}, 3, 1},
    };
    for (const Case& c : cases) {
        const auto args = irr_layout(c.flows);
        ArgBlock block(args);
        double value = -1, deriv = -1;
        f(static_cast<int32_t>(c.flows.size()), 2.0, &value, &deriv, block.get());
        EXPECT_EQ(value, c.value) << ::testing::PrintToString(c.flows);
        EXPECT_EQ(deriv, c.deriv) << ::testing::PrintToString(c.flows);
    }
}

TEST(Intdvq, NoFlows) {
    const auto f = module().symbol<decltype(&intdvq)>("intdvq");
    const auto args = irr_layout({3, 4});
    ArgBlock block(args);
    for (int32_t n : {0, -1}) {
        double value = -1, deriv = -1;
        f(n, 2.0, &value, &deriv, block.get());
        EXPECT_EQ(value, 0.0);
        EXPECT_EQ(deriv, 0.0);
    }
}

TEST(Netpvd, HornerEqualsTheDefinition) {
    const auto f = module().symbol<decltype(&netpvd)>("netpvd");
    for (const PolyCase& c : kPolyCases) {
        SCOPED_TRACE(::testing::PrintToString(c.flows) + " at " + std::to_string(c.x));
        const auto args = npv_layout(c.flows);
        ArgBlock block(args);
        double value = -1, deriv = -1;
        f(static_cast<int32_t>(c.flows.size()), c.x, &value, &deriv, block.get());
        const Poly p = npv_polynomial(c.flows, c.x);
        EXPECT_EQ(value, static_cast<double>(p.value));
        EXPECT_EQ(deriv, static_cast<double>(p.deriv));
    }
}

TEST(Netpvd, Figures) {
    const auto f = module().symbol<decltype(&netpvd)>("netpvd");
    struct Case {
        std::vector<double> flows;
        int32_t n;
        double value, deriv;
    };
    const Case cases[] = {
        {{1, 2, 3}, 3, 17, 14},
        {{1, 2}, 2, 5, 2},
        {{4}, 1, 4, 0},
        {{4}, 0, 4, 0},  // argument 3 is read even for no flows
        {{kMiss}, 1, 0, 0},
    };
    for (const Case& c : cases) {
        const auto args = npv_layout(c.flows);
        ArgBlock block(args);
        double value = -1, deriv = -1;
        f(c.n, 2.0, &value, &deriv, block.get());
        EXPECT_EQ(value, c.value) << ::testing::PrintToString(c.flows) << " n " << c.n;
        EXPECT_EQ(deriv, c.deriv) << ::testing::PrintToString(c.flows) << " n " << c.n;
    }
}

// ---------------------------------------------------------------- netpv2

double netpv2_of(const std::vector<double>& flows, double rate, double freq, int32_t n) {
    const auto f = module().symbol<decltype(&netpv2)>("netpv2");
    const auto args = npv_layout(flows);
    ArgBlock block(args);
    double result = -1;
    f(n, rate, freq, &result, block.get());
    return result;
}

double netpv2_of(const std::vector<double>& flows, double rate, double freq) {
    return netpv2_of(flows, rate, freq, static_cast<int32_t>(flows.size()));
}

TEST(Netpv2, Figures) {
    EXPECT_NEAR(netpv2_of({-100, 0, 121}, 0.1, 1), 0.0, 1e-12);
    EXPECT_NEAR(netpv2_of({-100, kMiss, 121}, 0.1, 1), 0.0, 1e-12);
    EXPECT_NEAR(netpv2_of({-100, 0, 121}, 0.1, 0), -100 + 121 * std::exp(-0.2L), 1e-12);
    EXPECT_NEAR(netpv2_of({0, 1}, 0.1, 2), std::pow(1.1L, -0.5L), 1e-15);
    // No range checks: a rate of -50 % doubles each step.
    EXPECT_EQ(netpv2_of({1, 2, 3}, -0.5, 1), 17.0);
    EXPECT_EQ(netpv2_of({1, 2, 3}, 0, 4), 6.0);
}

TEST(Netpv2, FrequencyNotPositiveIsContinuous) {
    const std::vector<double> flows{-100, 30, 40, 50};
    const double continuous = netpv2_of(flows, 0.07, 0);
    EXPECT_NEAR(continuous, -100 + 30 * std::exp(-0.07L) + 40 * std::exp(-0.14L) + 50 * std::exp(-0.21L), 1e-12);
    for (double freq : {-1.0, -1e300, -0.0, std::nan("")}) {
        SCOPED_TRACE(freq);
        EXPECT_EQ(bits(netpv2_of(flows, 0.07, freq)), bits(continuous));
    }
}

TEST(Netpv2, ShortAndMissingSeries) {
    EXPECT_EQ(netpv2_of({7}, 0.1, 1), 7.0);
    EXPECT_EQ(netpv2_of({7, 5}, 0.1, 1, 0), 7.0);  // argument 3 is read even for no flows
    EXPECT_EQ(bits(netpv2_of({kMiss}, 0.1, 1)), bits(0.0));
    EXPECT_EQ(netpv2_of({kMiss, kMiss, kMiss}, 0.1, 1), 0.0);
    EXPECT_NEAR(netpv2_of({kMiss, kMiss, 121}, 0.1, 1), 100.0, 1e-12);
}

// ---------------------------------------------------------------- intdat

double intdat_of(const std::vector<double>& flows, double freq, int32_t n) {
    const auto f = module().symbol<decltype(&intdat)>("intdat");
    const auto args = irr_layout(flows);
    ArgBlock block(args);
    double rate = -42;
    f(n, freq, &rate, block.get());
    return rate;
}

double intdat_of(const std::vector<double>& flows, double freq) {
    return intdat_of(flows, freq, static_cast<int32_t>(flows.size()));
}

struct RateCase {
    const char* what;
    std::vector<double> flows;
    double freq;
    long double root;  // the discount factor per interval, exactly
};

// The closed-form roots of these series, and where intdat finds them.
const RateCase kRateCases[] = {
    {"one Newton step in phase 1", {-100, 110}, 1, 1 / 1.1L},
    {"continuous", {-100, 110}, 0, 1 / 1.1L},
    {"negative frequency is continuous", {-100, 110}, -3, 1 / 1.1L},
    {"two intervals per base period", {-100, 110}, 2, 1 / 1.1L},
    {"phase 1 halves twice, then converges", {-1, 10, -8}, 1, (10 - std::sqrt(68.0L)) / 16},
    {"phase 1 never converges, one step in phase 2", {100, -90}, 1, 1 / 0.9L},
    {"several steps in phase 2", {100, -40, -50}, 1, (-40 + std::sqrt(21600.0L)) / 100},
    {"leading zeros dropped", {0, 0, -100, 110}, 1, 1 / 1.1L},
    {"missing flow as 0", {-100, kMiss, 121}, 1, 1 / 1.1L},
    {"quadratic in phase 1", {-100, 50, 60}, 1, (-50 + std::sqrt(26500.0L)) / 120},
};

TEST(Intdat, FindsTheRate) {
    for (const RateCase& c : kRateCases) {
        SCOPED_TRACE(c.what);
        const double rate = intdat_of(c.flows, c.freq);
        ASSERT_NE(rate, DBL_MAX);
        // The root intdat stopped at, recovered from the rate.
        const long double root = c.freq <= 0 ? std::exp(-static_cast<long double>(rate))
                                              : std::pow(1 + static_cast<long double>(rate), -1 / static_cast<long double>(c.freq));
        // It stopped where |P| < 1e-8 * sum |c|; the slack covers the rounding
        // of the rate on the way out.
        const long double tol = 1e-8L * sum_of_magnitudes(c.flows);
        const Poly p = irr_polynomial(c.flows, root);
        EXPECT_LT(std::fabs(p.value), tol * 1.001L);
        // Hence it lies within tol / |P'| of the true root (P' changes little
        // over that distance), and the rate as close as its conversion allows.
        const long double slope = std::fabs(irr_polynomial(c.flows, c.root).deriv);
        EXPECT_NEAR(static_cast<double>(root), static_cast<double>(c.root),
                    static_cast<double>(1.01L * tol / slope + 1e-15L));
        const long double expected = c.freq <= 0 ? -std::log(c.root) : std::pow(c.root, -static_cast<long double>(c.freq)) - 1;
        const long double rate_slack = (c.freq <= 0 ? 1 / c.root : std::fabs(c.freq) * std::pow(c.root, -c.freq - 1)) *
                                       (1.01L * tol / slope + 1e-15L);
        EXPECT_NEAR(rate, static_cast<double>(expected), static_cast<double>(rate_slack));
    }
}

TEST(Intdat, Figures) {
    EXPECT_NEAR(intdat_of({-100, 110}, 1), 0.1, 1e-14);
    EXPECT_NEAR(intdat_of({-100, 110}, 0), std::log(1.1), 1e-14);
    EXPECT_NEAR(intdat_of({-100, 110}, 2), 0.21, 1e-14);
    EXPECT_NEAR(intdat_of({100, -90}, 1), -0.1, 1e-14);
}

TEST(Intdat, NoRateLeavesTheLargestDouble) {
    struct Case {
        const char* what;
        std::vector<double> flows;
        int32_t n;
    };
    const Case cases[] = {
        {"no flows", {-100, 110}, 0},
        {"negative count", {-100, 110}, -1},
        {"every flow 0", {0, 0, 0}, 3},
        {"every flow missing", {kMiss, kMiss}, 2},
        {"a single flow", {5}, 1},
        {"a single non-zero flow at the end", {0, 0, 5}, 3},
        {"all flows positive: no root in either phase", {1, 1, 1}, 3},
        {"all flows negative", {-3, -2, -1, -7}, 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(intdat_of(c.flows, 1, c.n), DBL_MAX) << c.what;
        EXPECT_EQ(intdat_of(c.flows, 0, c.n), DBL_MAX) << c.what;
    }
}

TEST(Intdat, TwentyTestsPerPhase) {
    // Neither series has a root above 0: P > 0 there, so Newton's steps head
    // below 0 and phase 1 ends up halving its point, while |P| shrinks with
    // it.  With 1e-10 + x + 20 x^5, |P| first drops below 1e-8 * sum |c| at
    // the twentieth test (about 0.8 of the tolerance, after 1.6 at the
    // nineteenth), so phase 1 stops there; with 1e-12 + x + 500 x^9 it would
    // at the twenty-first (1.59 times, then 0.80), which is never made, and
    // phase 2 (P >= 1 from 1 on) finds nothing either.
    const std::vector<double> twentieth{1e-10, 1, 0, 0, 0, 20};
    const double rate = intdat_of(twentieth, 1);
    ASSERT_NE(rate, DBL_MAX);
    const long double root = 1 / (1 + static_cast<long double>(rate));
    const long double p = irr_polynomial(twentieth, root).value;
    EXPECT_LT(std::fabs(p), 1e-8L * sum_of_magnitudes(twentieth));
    EXPECT_GT(std::fabs(p), 0.5e-8L * sum_of_magnitudes(twentieth));

    EXPECT_EQ(intdat_of({1e-12, 1, 0, 0, 0, 0, 0, 0, 0, 500}, 1), DBL_MAX);
}

TEST(Intdat, NanFrequencyTakesThePowerRoad) {
    EXPECT_TRUE(std::isnan(intdat_of({-100, 110}, std::nan(""))));
}

}  // namespace
