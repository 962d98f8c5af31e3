// intdat, intdvq, netpv2 and netpvd: cash flows read straight from the block
// (from argument 2 for the rate of return, from 3 for present value),
// missing flows counting as 0.
#include "cashflow/cashflow_test.h"

#include <cfloat>

namespace qelfin::cashflow_test {
namespace {

using ArgumentBlockRoutines = CashflowTest;

// The flows behind `leading` placeholder arguments: IRR's layout (1) or NETPV's (2).
std::vector<Arg> layout(int leading, const std::vector<double>& flows) {
    std::vector<Arg> args(static_cast<size_t>(leading), Arg(1.0));
    args.insert(args.end(), flows.begin(), flows.end());
    return args;
}

// Sum of c(j) x^(j - skip) over j >= skip and its derivative, from the definition.
std::pair<long double, long double> polynomial(const std::vector<double>& flows, size_t skip, long double x) {
    long double value = 0, deriv = 0;
    for (size_t j = skip; j < flows.size(); ++j) {
        const long double c = std::isnan(flows[j]) ? 0 : flows[j], e = static_cast<long double>(j - skip);
        value += c * powl(x, e);
        if (e > 0) deriv += e * c * powl(x, e - 1);
    }
    return {value, deriv};
}

// The rate-of-return polynomial drops leading zero flows; a missing flow is
// not a zero and stops the dropping.
size_t leading_zeros(const std::vector<double>& flows) {
    size_t k = 0;
    while (k < flows.size() && flows[k] == 0) ++k;
    return k;
}

constexpr int32_t kEvery = INT32_MIN;  // as the number of flows: all of them
int32_t count(const std::vector<double>& flows, int32_t n) {
    return n == kEvery ? static_cast<int32_t>(flows.size()) : n;
}

double magnitude(const std::vector<double>& flows) {
    double s = 0;
    for (const double c : flows) s += std::isnan(c) ? 0 : std::fabs(c);
    return s;
}

TEST_F(ArgumentBlockRoutines, PolynomialsByHornerEqualTheDefinition) {
    const auto intdvq = symbol<decltype(&::intdvq)>("intdvq");
    const auto netpvd = symbol<decltype(&::netpvd)>("netpvd");
    const struct { std::vector<double> flows; double x; } cases[] = {  // x = 2 or 0.5: every step exact
        {{1, 2, 3}, 2},      // 17 and 14 from both
        {{0, 0, 1, 2}, 2},   // intdvq drops the zeros: 5 and 2, not 20 and 28
        {{kMiss, 1, 1}, 2},  // a missing first flow is intdvq's constant term, 0
        {{1, 2}, 2}, {{0, kMiss, 3, 0, -2}, 0.5}, {{0, 0, 7}, 2}, {{0, 0, 0}, 2}, {{5}, 2},
        {{-100, 40, 0, 30, -10, 20, 60, 1, 2, 3, 4, 5}, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.flows) + " at " + std::to_string(c.x));
        const int32_t n = static_cast<int32_t>(c.flows.size());
        double value = -1, deriv = -1;
        ArgBlock irr(layout(1, c.flows)), npv(layout(2, c.flows));
        intdvq(n, c.x, &value, &deriv, irr.get());
        const auto p = polynomial(c.flows, leading_zeros(c.flows), c.x);
        EXPECT_EQ(value, static_cast<double>(p.first));
        EXPECT_EQ(deriv, static_cast<double>(p.second));
        netpvd(n, c.x, &value, &deriv, npv.get());
        const auto q = polynomial(c.flows, 0, c.x);
        EXPECT_EQ(value, static_cast<double>(q.first));
        EXPECT_EQ(deriv, static_cast<double>(q.second));
    }
    // No flows: intdvq reads nothing, netpvd still reads argument 3.
    double value = -1, deriv = -1;
    ArgBlock block(layout(2, {4, 5}));
    intdvq(0, 2.0, &value, &deriv, block.get());
    EXPECT_TRUE(value == 0.0 && deriv == 0.0);
    netpvd(0, 2.0, &value, &deriv, block.get());
    EXPECT_TRUE(value == 4.0 && deriv == 0.0);
}

TEST_F(ArgumentBlockRoutines, Netpv2) {
    const auto netpv2 = [&](const std::vector<double>& flows, double rate, double freq, int32_t n = kEvery) {
        ArgBlock block(layout(2, flows));
        double result = -1;
        symbol<decltype(&::netpv2)>("netpv2")(count(flows, n), rate, freq, &result, block.get());
        return result;
    };
    EXPECT_NEAR(netpv2({-100, 0, 121}, 0.1, 1), 0.0, 1e-12);
    EXPECT_NEAR(netpv2({-100, kMiss, 121}, 0.1, 1), 0.0, 1e-12);
    EXPECT_NEAR(netpv2({0, 1}, 0.1, 2), powl(1.1L, -0.5L), 1e-15);
    EXPECT_EQ(netpv2({1, 2, 3}, -0.5, 1), 17.0);  // no range checks: v = 2
    EXPECT_EQ(netpv2({7, 5}, 0.1, 1, 0), 7.0);    // argument 3 is read even for no flows
    EXPECT_EQ(netpv2({kMiss}, 0.1, 1), 0.0);
    EXPECT_EQ(netpv2({kMiss, kMiss, kMiss}, 0.1, 1), 0.0);
    // A frequency that is not positive discounts continuously.
    const std::vector<double> flows{-100, 30, 40, 50};
    const double continuous = netpv2(flows, 0.07, 0);
    EXPECT_NEAR(continuous, -100 + 30 * expl(-0.07L) + 40 * expl(-0.14L) + 50 * expl(-0.21L), 1e-12);
    for (const double freq : {-1.0, -0.0, kNaN}) EXPECT_EQ(bits(netpv2(flows, 0.07, freq)), bits(continuous));
}

TEST_F(ArgumentBlockRoutines, Intdat) {
    const auto intdat = [&](const std::vector<double>& flows, double freq, int32_t n = kEvery) {
        ArgBlock block(layout(1, flows));
        double rate = -42;
        symbol<decltype(&::intdat)>("intdat")(count(flows, n), freq, &rate, block.get());
        return rate;
    };
    // root: the discount factor per interval
    const struct { std::vector<double> flows; double freq; long double root; } cases[] = {
        {{-100, 110}, 1, 1 / 1.1L},  // one Newton step in phase 1
        {{-100, 110}, 0, 1 / 1.1L},  {{-100, 110}, -3, 1 / 1.1L},  // continuous
        {{-100, 110}, 2, 1 / 1.1L},  {{0, 0, -100, 110}, 1, 1 / 1.1L}, {{-100, kMiss, 121}, 1, 1 / 1.1L},
        {{-1, 10, -8}, 1, (10 - sqrtl(68.0L)) / 16},       // phase 1 halves twice, then converges
        {{100, -90}, 1, 1 / 0.9L},                         // phase 1 fails, one step in phase 2
        {{100, -40, -50}, 1, (-40 + sqrtl(21600.0L)) / 100},  // three steps in phase 2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.flows) + " at frequency " + std::to_string(c.freq));
        const long double f = c.freq, expected = f <= 0 ? -logl(c.root) : powl(c.root, -f) - 1;
        // It stops where |P| < 1e-8 sum |c|: within that over |P'| of the
        // root, and the rate moves by its derivative times as much.
        const long double dx =
            1e-8L * magnitude(c.flows) / fabsl(polynomial(c.flows, leading_zeros(c.flows), c.root).second) * 1.01L +
            1e-15L;
        const long double slope = f <= 0 ? 1 / c.root : f * powl(c.root, -f - 1);
        EXPECT_NEAR(intdat(c.flows, c.freq), static_cast<double>(expected), static_cast<double>(slope * dx));
    }
    EXPECT_NEAR(intdat({-100, 110}, 1), 0.1, 1e-14);  // one exact Newton step
    EXPECT_NEAR(intdat({100, -90}, 1), -0.1, 1e-14);
    EXPECT_TRUE(std::isnan(intdat({-100, 110}, kNaN)));  // a NaN frequency takes pow

    // No rate: the largest double stays.  {1, 1, 1} has no root above 0.
    const std::pair<std::vector<double>, int32_t> none[] = {{{-100, 110}, 0}, {{-100, 110}, -1}, {{0, 0, 0}, 3},
                                                            {{kMiss, kMiss}, 2}, {{5}, 1},       {{0, 0, 5}, 3},
                                                            {{1, 1, 1}, 3}};
    for (const auto& [flows, n] : none)
        for (const double freq : {1.0, 0.0})
            EXPECT_EQ(intdat(flows, freq, n), DBL_MAX) << testing::PrintToString(flows) << " n " << n;

    // Twenty tests per phase: with no root above 0 phase 1 halves its point
    // while |P| shrinks with it.  For 1e-10 + x + 20 x^5, |P| first drops
    // below 1e-8 sum |c| at the twentieth test (0.80 of it, after 1.60); for
    // 1e-12 + x + 500 x^9 that would be the twenty-first, never made, and
    // phase 2 (P >= 1 from 1 on) finds nothing either.
    const std::vector<double> twentieth{1e-10, 1, 0, 0, 0, 20};
    const double rate = intdat(twentieth, 1);
    ASSERT_NE(rate, DBL_MAX);
    const long double p = polynomial(twentieth, 0, 1 / (1 + static_cast<long double>(rate))).first;
    EXPECT_LT(fabsl(p), 1e-8L * magnitude(twentieth));
    EXPECT_GT(fabsl(p), 0.5e-8L * magnitude(twentieth));
    EXPECT_EQ(intdat({1e-12, 1, 0, 0, 0, 0, 0, 0, 0, 500}, 1), DBL_MAX);
}

}  // namespace
}  // namespace qelfin::cashflow_test
