// Every rate of return: series built from known rates give them back,
// ascending; the module's IRR is one of them; a root that only touches zero
// is not seen; bad frequencies are refused.
#include "host/rates.h"
#include "host/standin/standin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace qelfin;

// Flows c(0..m) of -100 * prod (1 - v / v(i)), v(i) the discount factor per
// interval of rate r(i) per base period: the NPV is zero exactly there.
std::vector<double> flows_with_rates(double freq, const std::vector<double>& rates) {
    std::vector<double> c{-100};
    for (const double r : rates) {
        const double over_v = freq == 0 ? std::exp(r) : std::pow(1 + r, 1 / freq);
        c.push_back(0);
        for (size_t i = c.size() - 1; i > 0; --i) c[i] -= c[i - 1] * over_v;
    }
    return c;
}

TEST(Rates, EverySignChangeAndTheModulesIrrAmongThem) {
    standin::Host standin;
    host::Module module(standin);
    const struct {
        double freq;
        std::vector<double> rates;  // fractions; the flows are built from them unless given
        std::vector<double> flows = {};
        double irr_within = 1e-9;  // relative distance of the module's IRR from one of the rates
    } cases[] = {
        {1, {0.1, 0.2}, {-100, 230, -132}},  // (1 - 1.1 v)(1 - 1.2 v) in whole numbers
        {1, {0.05, 0.15, 0.40}},  {2, {0.08, 0.3}}, {1, {-0.5, 0.1}},
        // Closer than one grid step: found through the extremum between them.
        // The NPV is so flat there that IRR's Newton iteration stops 1.4e-9 off.
        {1, {0.1, 0.1004}, {}, 1e-8},
        {0, {0.03, 0.07}},   {4, {0.02, 0.09, 0.25}},
    };
    for (const auto& c : cases) {
        const std::vector<double> flows = c.flows.empty() ? flows_with_rates(c.freq, c.rates) : c.flows;
        const std::vector<double> got = host::irr_rates(module, c.freq, flows);
        ASSERT_EQ(got.size(), c.rates.size()) << "freq " << c.freq << " first rate " << c.rates[0];
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], 100 * c.rates[i], 1e-9 * 100) << c.rates[i];
        std::vector<host::Arg> irr{c.freq};
        irr.insert(irr.end(), flows.begin(), flows.end());
        const host::CallResult r = module.call("IRR", irr);
        if (!r.ok()) continue;
        EXPECT_TRUE(std::any_of(got.begin(), got.end(),
                                [&](double x) { return std::fabs(x - r.value) <= c.irr_within * std::fabs(r.value); }))
            << "IRR " << r.value << " not among the rates of " << c.rates[0];
    }
}

TEST(Rates, OneSignChangeTouchingRootsAndRefusals) {
    standin::Host standin;
    host::Module module(standin);
    // One sign change: one rate, the IRR's to 1e-9 relative.
    const double one[] = {-1000, 120, 250, 300, 410, 90};
    const std::vector<double> got = host::irr_rates(module, 1, one);
    ASSERT_EQ(got.size(), 1u);
    const host::CallResult irr = module.call("IRR", {1, -1000, 120, 250, 300, 410, 90});
    EXPECT_NEAR(got[0], irr.value, 1e-9 * irr.value);
    // (1 - 1.1 v)^2 touches zero at 10 % without changing sign; no flows
    // that change sign give nothing either.
    EXPECT_EQ(host::every_rate(module, 1, flows_with_rates(1, {0.1, 0.1})).size(), 0u);
    const double positive[] = {100, 50, 20};
    EXPECT_EQ(host::every_rate(module, 1, positive).size(), 0u);
    const double with_missing[] = {-100, NAN, 121};
    EXPECT_THROW(host::every_rate(module, -1, positive), host::RatesError);
    EXPECT_THROW(host::every_rate(module, 0, with_missing), host::RatesError);
    EXPECT_NEAR(host::every_rate(module, 1, with_missing).at(0), 0.1, 1e-12);  // missing counts as 0
}

}  // namespace
