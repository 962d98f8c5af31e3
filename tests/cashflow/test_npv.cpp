// NPV, NETPV and znpv: the figures, the order of the checks, the cash-flow
// bound, how the series is read, and agreement with an independent sum.
#include "cashflow/npv_support.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {

using qelfin::host::Arg;
using qelfin::host::CallResult;
using namespace qelfin::npv_test;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kLargestFlow = 1.3407807929942597e+152;  // 0.01 * 2^512
constexpr double kRateLimit = 709.782712893384;           // ln of the largest double
const double kMiss = qelfin::host::missing_value();
const double kQuietNaN = std::numeric_limits<double>::quiet_NaN();  // a NaN other than MISSING

CallResult call(const char* name, const std::vector<double>& args) {
    const auto a = numeric_args(args);
    return module().call(name, std::span<const Arg>(a));
}

// ---------------------------------------------------------------- figures

struct Figure {
    const char* name;
    std::vector<double> args;
    double expected;
    double tolerance;  // absolute; 0 asks for the exact double
};

TEST(PresentValue, Figures) {
    const Figure figures[] = {
        // v = 1/1.1 and -100 + 110 v = 0 up to the rounding of v.
        {"NPV", {10, 1, -100, 110}, 0.0, 1e-12},
        {"NETPV", {0.1, 1, -100, 110}, 0.0, 1e-12},
        // A zero rate: v = 1, the plain sum.
        {"NPV", {0, 4, 1, 2, 3}, 6.0, 0},
        {"NETPV", {0, 0, 1, 2}, 3.0, 0},
        // Frequency 0 discounts continuously: the one discounted flow is v = e^-0.1.
        {"NETPV", {0.1, 0, 0, 1}, std::exp(-0.1), 0},
        // Two flows per base period lie half a period apart.
        {"NETPV", {0.1, 2, 0, 1}, std::pow(1.1, -0.5), 4e-16},
        // A missing flow counts as 0 when there is discounting.
        {"NPV", {5, 1, 100, kMiss, 100}, 100 + 100 * std::pow(1.05, -2), 1e-12},
        {"NPV", {5, 1, 100, kQuietNaN, 100}, 100 + 100 * std::pow(1.05, -2), 1e-12},
        {"NPV", {5, 1, kMiss, 100}, 100 / 1.05, 1e-12},
        // A single flow is its own present value.
        {"NPV", {5, 12, -250.5}, -250.5, 0},
        // An infinite frequency puts every flow at time 0.
        {"NETPV", {0.1, kInf, 1, 2, 4}, 7.0, 0},
        // NPV takes percent: 7.5 is NETPV's 0.075; 12 flows a year.
        {"NPV", {7.5, 12, -1000, 100, 200, 300, 400, 500},
         -1000 + 100 * std::pow(1.075, -1.0 / 12) + 200 * std::pow(1.075, -2.0 / 12) +
             300 * std::pow(1.075, -3.0 / 12) + 400 * std::pow(1.075, -4.0 / 12) +
             500 * std::pow(1.075, -5.0 / 12),
         1e-11},
    };
    for (const Figure& f : figures) {
        const CallResult r = call(f.name, f.args);
        SCOPED_TRACE(std::string(f.name) + " with " + std::to_string(f.args.size()) + " arguments, rate " +
                     std::to_string(f.args[0]));
        EXPECT_EQ(r.status, 0u);
        EXPECT_EQ(r.mark_count, 0);
        if (f.tolerance == 0)
            EXPECT_EQ(r.value, f.expected);
        else
            EXPECT_NEAR(r.value, f.expected, f.tolerance);
    }
}

TEST(PresentValue, NpvIsNetpvAtTheRateOverOneHundred) {
    for (double percent : {0.0, 0.25, 5.0, 12.5, 99.0, 1000.0}) {
        for (double freq : {0.0, 1.0, 4.0, 0.5}) {
            const CallResult npv = call("NPV", {percent, freq, -500, 120, 130, 140, 150, 160});
            const CallResult netpv = call("NETPV", {percent / 100.0, freq, -500, 120, 130, 140, 150, 160});
            ASSERT_EQ(npv.status, 0u);
            ASSERT_EQ(netpv.status, 0u);
            EXPECT_EQ(bits(npv.value), bits(netpv.value)) << percent << "% at frequency " << freq;
        }
    }
}

// ---------------------------------------------------------------- failures

struct Refusal {
    const char* name;
    std::vector<double> args;
    uint32_t status;
    int32_t marked;
};

TEST(PresentValue, RefusalsInTheirOrder) {
    const Refusal refusals[] = {
        // Rate or frequency missing, whatever follows.
        {"NPV", {kMiss, 1, 100}, STATUS_RESULT_MISSING, 0},
        {"NPV", {kQuietNaN, -1, 100}, STATUS_RESULT_MISSING, 0},
        {"NETPV", {0.1, kMiss, 100}, STATUS_RESULT_MISSING, 0},
        {"NETPV", {-5, kQuietNaN, 100}, STATUS_RESULT_MISSING, 0},
        // A missing flow with no discounting to apply.
        {"NPV", {0, 1, 100, kMiss, 100}, STATUS_RESULT_MISSING, 0},
        {"NETPV", {0.1, 0, 100, kMiss}, STATUS_RESULT_MISSING, 0},
        {"NETPV", {-0.0, 1, kQuietNaN, 100}, STATUS_RESULT_MISSING, 0},
        // ... which is tested before the sign of the frequency and the range of the rate.
        {"NPV", {0, -1, kMiss, 100}, STATUS_RESULT_MISSING, 0},
        {"NPV", {-5, 0, kMiss, 100}, STATUS_RESULT_MISSING, 0},
        // A negative frequency is argument 2's fault, before the rate's range is looked at.
        {"NPV", {5, -1, 100}, STATUS_INVALID_ARGS, 2},
        {"NPV", {-5, -1, 100}, STATUS_INVALID_ARGS, 2},
        {"NETPV", {0.1, -kInf, 100, kMiss}, STATUS_INVALID_ARGS, 2},
        {"NETPV", {0.1, -1e-300}, STATUS_INVALID_ARGS, 2},
        // The rest blames no argument.
        {"NPV", {-5, 1, 100}, STATUS_INVALID_ARGS, 0},
        {"NETPV", {-1e-300, 0, 100}, STATUS_INVALID_ARGS, 0},
        {"NETPV", {kRateLimit, 1, 1}, STATUS_INVALID_ARGS, 0},
        {"NETPV", {kInf, 1, 1}, STATUS_INVALID_ARGS, 0},
        {"NPV", {70979, 0, 1}, STATUS_INVALID_ARGS, 0},
        {"NPV", {5, 1}, STATUS_INVALID_ARGS, 0},  // no cash flows
        {"NETPV", {0, 0}, STATUS_INVALID_ARGS, 0},
        {"NPV", {5, 1, kMiss, kMiss}, STATUS_INVALID_ARGS, 0},  // every flow missing
        {"NETPV", {0.1, 0.5, kQuietNaN}, STATUS_INVALID_ARGS, 0},
    };
    for (const Refusal& f : refusals) {
        const CallResult r = call(f.name, f.args);
        SCOPED_TRACE(std::string(f.name) + " rate " + std::to_string(f.args[0]) + " frequency " +
                     std::to_string(f.args[1]));
        EXPECT_EQ(r.status, f.status);
        EXPECT_EQ(r.marked, f.marked);
        EXPECT_LE(r.mark_count, 1);
        EXPECT_TRUE(is_module_missing(r.value)) << std::hex << bits(r.value);
    }
}

TEST(PresentValue, RateAcceptedJustBelowTheLimit) {
    const double below = std::nextafter(kRateLimit, 0.0);
    const CallResult r = call("NETPV", {below, 1, 3, 5});
    ASSERT_EQ(r.status, 0u);
    EXPECT_EQ(r.value, 3 + 5 * (1.0 / (1.0 + below)));
    const CallResult c = call("NETPV", {below, 0, 3, 5});
    ASSERT_EQ(c.status, 0u);
    EXPECT_EQ(c.value, 3 + 5 * std::exp(-below));
}

TEST(PresentValue, CashFlowBound) {
    const double above = std::nextafter(kLargestFlow, kInf);
    struct Case {
        std::vector<double> flows;
        bool accepted;
    };
    const Case cases[] = {
        {{kLargestFlow}, true},
        {{-kLargestFlow}, true},
        {{kLargestFlow, -kLargestFlow, kLargestFlow}, true},
        {{above}, false},
        {{-above}, false},
        {{kInf}, false},
        {{-kInf}, false},
        {{1, 2, above}, false},   // the first flow read
        {{above, 2, 3}, false},   // the last flow read
        {{1, -kInf, 3}, false},   // in the middle
        {{kMiss, kInf, kMiss}, false},
    };
    for (const Case& c : cases) {
        std::vector<double> args{0.1, 1};
        args.insert(args.end(), c.flows.begin(), c.flows.end());
        const CallResult r = call("NETPV", args);
        SCOPED_TRACE(::testing::PrintToString(c.flows));
        if (c.accepted) {
            const double v = 1.0 / 1.1;
            double expected = 0;
            for (size_t i = c.flows.size(); i-- > 0;) expected = c.flows[i] + expected * v;
            EXPECT_EQ(r.status, 0u);
            EXPECT_EQ(r.value, expected);
        } else {
            EXPECT_EQ(r.status, STATUS_INVALID_ARGS);
            EXPECT_EQ(r.mark_count, 0);
            EXPECT_TRUE(is_module_missing(r.value));
        }
    }
}

// ---------------------------------------------------------------- znpv

// A value callback that records every index it is asked for.
struct Recorder {
    std::vector<double> flows;
    std::vector<int32_t> reads;
    static double read(int32_t i, void* context) {
        auto* self = static_cast<Recorder*>(context);
        self->reads.push_back(i);
        return self->flows.at(static_cast<size_t>(i));
    }
};

using Znpv = decltype(&znpv);

std::vector<int32_t> descending(int32_t from, int32_t to) {
    std::vector<int32_t> v;
    for (int32_t i = from; i >= to; --i) v.push_back(i);
    return v;
}

TEST(Znpv, ReadsEachFlowOnceFromTheLast) {
    const auto f = module().symbol<Znpv>("znpv");
    Recorder rec{{-100, 20, kMiss, 30, 40, kQuietNaN, 50}, {}};
    int32_t err = 12345;
    const double value = f(0.05, 1, 7, &Recorder::read, &rec, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(rec.reads, descending(6, 0));
    const double v = 1.0 / 1.05;
    const double expected = -100 + v * (20 + v * (0 + v * (30 + v * (40 + v * (0 + v * 50)))));
    EXPECT_EQ(value, expected);
}

TEST(Znpv, StopsAtTheFirstFlowTooLarge) {
    const auto f = module().symbol<Znpv>("znpv");
    const double above = std::nextafter(kLargestFlow, kInf);
    struct Case {
        std::vector<double> flows;
        std::vector<int32_t> reads;
    };
    const Case cases[] = {
        {{1, 2, above, 4, -kInf}, {4}},
        {{1, 2, above, 4, 5}, {4, 3, 2}},
        {{-kInf, 2, 3}, {2, 1, 0}},
        {{kMiss, kInf, kMiss, 7}, {3, 2, 1}},
        {{1, 2, kMiss, -above}, {3}},
    };
    for (const Case& c : cases) {
        Recorder rec{c.flows, {}};
        int32_t err = 0;
        const double value =
            f(0.1, 1, static_cast<int32_t>(c.flows.size()), &Recorder::read, &rec, &err);
        SCOPED_TRACE(::testing::PrintToString(c.flows));
        EXPECT_EQ(err, 1);
        EXPECT_TRUE(is_module_missing(value));
        EXPECT_EQ(rec.reads, c.reads);
    }
}

TEST(Znpv, ErrorWordAndReads) {
    const auto f = module().symbol<Znpv>("znpv");
    struct Case {
        double rate, freq;
        int32_t m;
        int32_t err;
        bool reads;
    };
    const Case cases[] = {
        {kMiss, 1, 3, 0, false},         // rate missing: no error of its own
        {-0.01, kMiss, 3, 1, false},     // the rate's range is tested before the frequency
        {kRateLimit, 1, 3, 1, false},
        {0.1, kQuietNaN, 3, 0, false},
        {0.1, -2, 3, 1, false},
        {0.1, 1, 0, 1, false},
        {0.1, 1, -4, 1, false},
    };
    for (const Case& c : cases) {
        Recorder rec{{1, 2, 3}, {}};
        int32_t err = 777;
        const double value = f(c.rate, c.freq, c.m, &Recorder::read, &rec, &err);
        SCOPED_TRACE("rate " + std::to_string(c.rate) + " frequency " + std::to_string(c.freq) + " m " +
                     std::to_string(c.m));
        EXPECT_EQ(err, c.err);
        EXPECT_TRUE(is_module_missing(value));
        EXPECT_TRUE(rec.reads.empty());
    }
}

TEST(Znpv, AllMissingIsNoValueWithoutError) {
    const auto f = module().symbol<Znpv>("znpv");
    Recorder rec{{kMiss, kQuietNaN, kMiss}, {}};
    int32_t err = 777;
    const double value = f(0.1, 1, 3, &Recorder::read, &rec, &err);
    EXPECT_EQ(err, 0);
    EXPECT_TRUE(is_module_missing(value));
    EXPECT_EQ(rec.reads, descending(2, 0));
}

TEST(Znpv, CountsMissingAsZeroEvenWithoutDiscounting) {
    // Refusing missing flows at a zero rate or frequency is the entries'
    // choice; znpv itself sums them as 0.
    const auto f = module().symbol<Znpv>("znpv");
    Recorder rec{{1, kMiss, 2}, {}};
    int32_t err = 777;
    EXPECT_EQ(f(0, 1, 3, &Recorder::read, &rec, &err), 3.0);
    EXPECT_EQ(err, 0);
    rec.reads.clear();
    EXPECT_EQ(f(0, 0, 3, &Recorder::read, &rec, &err), 3.0);
    EXPECT_EQ(err, 0);
}

// ---------------------------------------------------------------- accuracy

// Present value of long random series against a sum computed independently:
// powers of v accumulated in long double, with v the very double the module
// uses (1 / (1 + r) for one flow per period, e^-r for continuous
// discounting).  Horner's scheme in double then differs from the exact value
// by at most gamma(2(m - 1)) * sum |c(i)| v^i, gamma(k) = k u / (1 - k u) with
// u = 2^-53 (a rounding per multiply and per add); the long double reference
// itself is off by at most about m 2^-64 times the same sum, some two
// thousand times less, which the 1 % margin covers.
TEST(PresentValue, AgreesWithAnIndependentSum) {
    std::mt19937_64 gen(20240613);
    std::uniform_real_distribution<double> amount(-1000.0, 1000.0);
    struct Rate {
        const char* name;
        double argument;  // as the function takes it
        double fraction;  // the rate znpv works with
        double freq;
    };
    const Rate rates[] = {
        {"NPV", 5.0, 5.0 / 100.0, 1},  // v^i underflows long before 100,000 flows
        {"NETPV", 1e-5, 1e-5, 1},      // v^100000 is about e^-1: every flow counts
        {"NETPV", 2e-5, 2e-5, 0},      // continuous
        {"NPV", 0.0, 0.0, 1},          // a plain sum
    };
    constexpr double u = DBL_EPSILON / 2;
    for (int32_t m : {1, 2, 3, 10, 100, 1000, 10000, 100000}) {
        std::vector<double> flows(static_cast<size_t>(m));
        for (double& c : flows) c = amount(gen);
        for (const Rate& rate : rates) {
            const double v = rate.freq == 0 ? std::exp(-rate.fraction) : 1.0 / (1.0 + rate.fraction);
            long double exact = 0, magnitude = 0, power = 1;
            for (double c : flows) {
                exact += c * power;
                magnitude += std::fabs(c) * power;
                power *= v;
            }
            std::vector<double> args{rate.argument, rate.freq};
            args.insert(args.end(), flows.begin(), flows.end());
            const CallResult res = call(rate.name, args);
            const double k = 2.0 * (m - 1);
            const double bound = 1.01 * (k * u / (1 - k * u)) * static_cast<double>(magnitude) + DBL_MIN;
            SCOPED_TRACE(std::string(rate.name) + " " + std::to_string(rate.argument) + " over " +
                         std::to_string(m) + " flows");
            ASSERT_EQ(res.status, 0u);
            EXPECT_LE(std::fabs(static_cast<long double>(res.value) - exact), bound);
        }
    }
}

}  // namespace
