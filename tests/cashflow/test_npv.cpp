// NPV, NETPV and znpv: figures, the order of the checks, the cash-flow
// bound, how the series is read, and agreement with an independent sum.
#include "cashflow/npv_support.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

namespace {

using qelfin::host::Arg;
using qelfin::host::CallResult;
using namespace qelfin::npv_test;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kLargestFlow = 1.3407807929942597e+152;  // 0.01 * 2^512
constexpr double kRateLimit = 709.782712893384;           // ln of the largest double
const double kAbove = std::nextafter(kLargestFlow, kInf);
const double kMiss = qelfin::host::missing_value();
const double kNaN = std::numeric_limits<double>::quiet_NaN();  // a NaN other than MISSING

CallResult call(const char* name, const std::vector<double>& args) {
    const auto a = numeric_args(args);
    return module().call(name, std::span<const Arg>(a));
}

TEST(PresentValue, Figures) {
    const double below = std::nextafter(kRateLimit, 0.0);
    const struct {
        const char* name;
        std::vector<double> args;
        double expected, tolerance;  // tolerance 0: the exact double
    } figures[] = {
        {"NPV", {10, 1, -100, 110}, 0.0, 1e-12},  // -100 + 110 / 1.1, up to the rounding of 1 / 1.1
        {"NETPV", {0.1, 1, -100, 110}, 0.0, 1e-12},
        {"NPV", {0, 4, 1, 2, 3}, 6.0, 0},           // no discounting
        {"NETPV", {0, 0, 1, 2}, 3.0, 0},
        {"NETPV", {0.1, 0, 0, 1}, std::exp(-0.1), 0},  // frequency 0: continuous
        {"NETPV", {0.1, 2, 0, 1}, std::pow(1.1, -0.5), 4e-16},
        {"NETPV", {0.1, kInf, 1, 2, 4}, 7.0, 0},    // every flow at time 0
        {"NPV", {5, 1, 100, kMiss, 100}, 100 + 100 * std::pow(1.05, -2), 1e-12},  // missing counts as 0
        {"NPV", {5, 1, kNaN, 100}, 100 / 1.05, 1e-12},
        {"NPV", {5, 12, -250.5}, -250.5, 0},
        {"NETPV", {below, 1, 3, 5}, 3 + 5 * (1 / (1 + below)), 0},
        {"NETPV", {below, 0, 3, 5}, 3 + 5 * std::exp(-below), 0},
        {"NETPV", {0.1, 1, kLargestFlow}, kLargestFlow, 0},  // the bound itself is accepted
        {"NETPV", {0.1, 1, -kLargestFlow, kMiss}, -kLargestFlow, 0},
        {"NETPV", {0.1, 1, 0, kLargestFlow}, kLargestFlow * (1 / 1.1), 0},
        {"NPV", {7.5, 12, -1000, 100, 200, 300},
         -1000 + 100 * std::pow(1.075, -1.0 / 12) + 200 * std::pow(1.075, -2.0 / 12) + 300 * std::pow(1.075, -0.25),
         1e-11},
    };
    for (const auto& f : figures) {
        const CallResult r = call(f.name, f.args);
        SCOPED_TRACE(::testing::PrintToString(f.args));
        EXPECT_EQ(r.status, 0u);
        EXPECT_EQ(r.mark_count, 0);
        if (f.tolerance == 0) EXPECT_EQ(r.value, f.expected);
        else EXPECT_NEAR(r.value, f.expected, f.tolerance);
    }
}

TEST(PresentValue, NpvDividesItsRateByOneHundred) {
    // Percentages where p / 100 and p * 0.01 are different doubles.
    for (double percent : {1.55, 3.1, 8.35, 8.75}) {
        for (double freq : {0.0, 1.0, 4.0}) {
            const CallResult npv = call("NPV", {percent, freq, -500, 120, 130, 140, 150, 160});
            const CallResult netpv = call("NETPV", {percent / 100.0, freq, -500, 120, 130, 140, 150, 160});
            ASSERT_EQ(npv.status, 0u);
            EXPECT_EQ(bits(npv.value), bits(netpv.value)) << percent << "% at frequency " << freq;
        }
    }
}

TEST(PresentValue, RefusalsInTheirOrder) {
    const struct {
        const char* name;
        std::vector<double> args;
        uint32_t status;
        int32_t marked;
    } refusals[] = {
        {"NPV", {kMiss, -1, 100}, STATUS_RESULT_MISSING, 0},  // rate or frequency missing, first
        {"NETPV", {-5, kNaN, 100}, STATUS_RESULT_MISSING, 0},
        {"NPV", {0, 1, 100, kMiss, 100}, STATUS_RESULT_MISSING, 0},  // a missing flow, nothing to discount
        {"NETPV", {0.1, 0, 100, kNaN}, STATUS_RESULT_MISSING, 0},
        {"NPV", {-0.0, -1, kMiss, 100}, STATUS_RESULT_MISSING, 0},  // ... before the frequency's sign
        {"NPV", {-5, -1, 100}, STATUS_INVALID_ARGS, 2},  // negative frequency, before the rate's range
        {"NETPV", {0.1, -kInf, 100, kMiss}, STATUS_INVALID_ARGS, 2},
        {"NETPV", {0.1, -1e-300}, STATUS_INVALID_ARGS, 2},
        {"NPV", {-5, 1, 100}, STATUS_INVALID_ARGS, 0},  // the rest blames no argument
        {"NETPV", {kRateLimit, 1, 1}, STATUS_INVALID_ARGS, 0},
        {"NETPV", {kInf, 0, 1}, STATUS_INVALID_ARGS, 0},
        {"NPV", {70979, 0, 1}, STATUS_INVALID_ARGS, 0},
        {"NPV", {5, 1}, STATUS_INVALID_ARGS, 0},  // no cash flows
        {"NPV", {5, 1, kMiss, kNaN}, STATUS_INVALID_ARGS, 0},  // every flow missing
        {"NETPV", {0.1, 1, kAbove}, STATUS_INVALID_ARGS, 0},  // a flow beyond the bound, wherever it is
        {"NETPV", {0.1, 1, -kAbove, 1, 2}, STATUS_INVALID_ARGS, 0},
        {"NETPV", {0.1, 1, 1, kInf, 2}, STATUS_INVALID_ARGS, 0},
        {"NETPV", {0.1, 1, kMiss, 1, -kInf}, STATUS_INVALID_ARGS, 0},
    };
    for (const auto& f : refusals) {
        const CallResult r = call(f.name, f.args);
        SCOPED_TRACE(::testing::PrintToString(f.args));
        EXPECT_EQ(r.status, f.status);
        EXPECT_EQ(r.marked, f.marked);
        EXPECT_LE(r.mark_count, 1);
        EXPECT_TRUE(is_module_missing(r.value));
    }
}

// A value callback that records the index of every read.
struct Recorder {
    std::vector<double> flows;
    std::vector<int32_t> reads;
    static double read(int32_t i, void* context) {
        auto* self = static_cast<Recorder*>(context);
        self->reads.push_back(i);
        return self->flows.at(static_cast<size_t>(i));
    }
};

TEST(Znpv, ReadsEachFlowOnceFromTheLastAndStopsAtATooLargeOne) {
    const auto znpv_fn = module().symbol<decltype(&znpv)>("znpv");
    const double v = 1 / 1.05;
    const struct {
        double rate, freq;
        std::vector<double> flows;
        std::vector<int32_t> reads;
        int32_t err;
        double value;  // NaN: MISSING
    } cases[] = {
        {0.05, 1, {-100, 20, kMiss, 30, kNaN, 50}, {5, 4, 3, 2, 1, 0}, 0,
         -100 + v * (20 + v * (0 + v * (30 + v * (0 + v * 50))))},
        {0, 1, {1, kMiss, 2}, {2, 1, 0}, 0, 3},  // znpv itself counts missing as 0 at any rate
        {0.05, 1, {kMiss, kNaN, kMiss}, {2, 1, 0}, 0, kNaN},
        {0.05, 1, {1, 2, kAbove, 4, -kInf}, {4}, 1, kNaN},
        {0.05, 1, {1, 2, kAbove, 4, 5}, {4, 3, 2}, 1, kNaN},
        {0.05, 1, {-kInf, 2, 3}, {2, 1, 0}, 1, kNaN},
        {kMiss, 1, {1}, {}, 0, kNaN},  // no reads when the rate, frequency or count is refused
        {-0.01, kMiss, {1}, {}, 1, kNaN},
        {kRateLimit, 1, {1}, {}, 1, kNaN},
        {0.05, kNaN, {1}, {}, 0, kNaN},
        {0.05, -2, {1}, {}, 1, kNaN},
        {0.05, 1, {}, {}, 1, kNaN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.flows) + " rate " + std::to_string(c.rate));
        Recorder rec{c.flows, {}};
        int32_t err = 777;
        const double value = znpv_fn(c.rate, c.freq, static_cast<int32_t>(c.flows.size()), &Recorder::read, &rec, &err);
        EXPECT_EQ(err, c.err);
        EXPECT_EQ(rec.reads, c.reads);
        if (c.value != c.value) EXPECT_TRUE(is_module_missing(value));
        else EXPECT_EQ(value, c.value);
    }
    Recorder rec{{1}, {}};
    int32_t err = 0;
    EXPECT_TRUE(is_module_missing(znpv_fn(0.05, 1, -4, &Recorder::read, &rec, &err)));
    EXPECT_EQ(err, 1);
}

// NPV of long random series against powers of v summed in long double, v
// being the very double the module uses.  Horner's scheme in double is off
// the exact sum by at most gamma(2(m - 1)) * sum |c(i)| v^i, gamma(k) =
// k u / (1 - k u), u = 2^-53 (one rounding per multiply and per add); the
// reference is off by about m 2^-64 of the same sum, which the 1 % margin
// covers.
TEST(PresentValue, AgreesWithAnIndependentSum) {
    std::mt19937_64 gen(20240613);
    std::uniform_real_distribution<double> amount(-1000.0, 1000.0);
    const struct {
        const char* name;
        double argument, fraction, freq;
    } rates[] = {
        {"NPV", 5.0, 5.0 / 100.0, 1},  // v^i underflows long before 100,000 flows
        {"NETPV", 1e-5, 1e-5, 1},      // v^100000 is about 1/e: every flow counts
        {"NETPV", 2e-5, 2e-5, 0},      // continuous
        {"NPV", 0.0, 0.0, 1},          // a plain sum
    };
    constexpr double u = DBL_EPSILON / 2;
    for (int32_t m : {1, 2, 3, 10, 100, 1000, 10000, 100000}) {
        std::vector<double> flows(static_cast<size_t>(m));
        for (double& c : flows) c = amount(gen);
        for (const auto& rate : rates) {
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
            SCOPED_TRACE(std::string(rate.name) + " " + std::to_string(rate.argument) + ", " + std::to_string(m) +
                         " flows");
            ASSERT_EQ(res.status, 0u);
            EXPECT_LE(std::fabs(static_cast<long double>(res.value) - exact), bound);
        }
    }
}

}  // namespace
