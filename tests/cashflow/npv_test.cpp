// NPV, NETPV and znpv: figures, the order of the checks, the cash-flow bound,
// how the series is read, agreement with an independent sum.  (The
// missing-value scans are checked on every call by the robustness harness.)
#include "cashflow/cashflow_test.h"

#include <cfloat>
#include <cstring>
#include <random>

namespace qelfin::cashflow_test {
namespace {

using PresentValue = CashflowTest;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kLargestFlow = 1.3407807929942597e+152;  // 0.01 * 2^512
constexpr double kRateLimit = 709.782712893384;           // ln of the largest double
const double kAbove = std::nextafter(kLargestFlow, kInf);

TEST_F(PresentValue, Figures) {
    const double below = std::nextafter(kRateLimit, 0.0);
    // tolerance 0: the exact double
    const struct { const char* name; std::vector<double> args; double expected, tolerance; } figures[] = {
        {"NPV", {10, 1, -100, 110}, 0.0, 1e-12},  // -100 + 110 / 1.1, up to the rounding of 1 / 1.1
        {"NETPV", {0.1, 1, -100, 110}, 0.0, 1e-12},         {"NPV", {0, 4, 1, 2, 3}, 6.0, 0},
        {"NETPV", {0, 0, 1, 2}, 3.0, 0},                     {"NPV", {5, 12, -250.5}, -250.5, 0},
        {"NETPV", {0.1, 0, 0, 1}, std::exp(-0.1), 0},        {"NETPV", {0.1, 2, 0, 1}, std::pow(1.1, -0.5), 4e-16},
        {"NETPV", {0.1, kInf, 1, 2, 4}, 7.0, 0},  // every flow at time 0
        {"NPV", {5, 1, 100, kMiss, 100}, 100 + 100 * std::pow(1.05, -2), 1e-12},  // missing counts as 0
        {"NPV", {5, 1, kNaN, 100}, 100 / 1.05, 1e-12},
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
        SCOPED_TRACE(testing::PrintToString(f.args));
        const CallResult r = call(f.name, f.args);
        EXPECT_EQ(r.status, 0u);
        EXPECT_EQ(r.mark_count, 0);
        EXPECT_NEAR(r.value, f.expected, f.tolerance);
    }
    // NPV divides its percentage by 100 (not times 0.01, which differs here).
    for (const double percent : {1.55, 3.1, 8.35, 8.75})
        for (const double freq : {0.0, 1.0, 4.0})
            EXPECT_EQ(bits(call("NPV", {percent, freq, -500, 120, 130, 140, 150, 160}).value),
                      bits(call("NETPV", {percent / 100.0, freq, -500, 120, 130, 140, 150, 160}).value))
                << percent << "% at frequency " << freq;
}

TEST_F(PresentValue, RefusalsInTheirOrder) {
    const uint32_t R = STATUS_RESULT_MISSING, I = STATUS_INVALID_ARGS;
    const struct { const char* name; std::vector<double> args; uint32_t status; int32_t marked; } refusals[] = {
        {"NPV", {kMiss, -1, 100}, R, 0}, {"NETPV", {-5, kNaN, 100}, R, 0},  // rate or frequency missing, first
        {"NPV", {0, 1, 100, kMiss, 100}, R, 0}, {"NETPV", {0.1, 0, 100, kNaN}, R, 0},  // a missing flow, nothing
        {"NPV", {-0.0, -1, kMiss, 100}, R, 0},  // to discount: before the frequency's sign
        {"NPV", {-5, -1, 100}, I, 2},  // negative frequency, before the rate's range
        {"NETPV", {0.1, -kInf, 100, kMiss}, I, 2}, {"NETPV", {0.1, -1e-300}, I, 2},
        {"NPV", {-5, 1, 100}, I, 0},  // the rest blames no argument
        {"NETPV", {kRateLimit, 1, 1}, I, 0}, {"NETPV", {kInf, 0, 1}, I, 0}, {"NPV", {70979, 0, 1}, I, 0},
        {"NPV", {5, 1}, I, 0},  // no cash flows
        {"NPV", {5, 1, kMiss, kNaN}, I, 0},  // every flow missing
        {"NETPV", {0.1, 1, kAbove}, I, 0}, {"NETPV", {0.1, 1, -kAbove, 1, 2}, I, 0},  // a flow beyond the bound
        {"NETPV", {0.1, 1, 1, kInf, 2}, I, 0}, {"NETPV", {0.1, 1, kMiss, 1, -kInf}, I, 0},
    };
    for (const auto& f : refusals) {
        SCOPED_TRACE(testing::PrintToString(f.args));
        const CallResult r = call(f.name, f.args);
        EXPECT_EQ(r.status, f.status);
        EXPECT_EQ(r.marked, f.marked);
        EXPECT_LE(r.mark_count, 1);
        EXPECT_TRUE(is_missing_bits(r.value));
    }
}

TEST_F(PresentValue, ZnpvReadsEachFlowOnceFromTheLastAndStopsAtATooLargeOne) {
    const auto znpv = symbol<decltype(&::znpv)>("znpv");
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
        {-0.01, kMiss, {1}, {}, 1, kNaN}, {kRateLimit, 1, {1}, {}, 1, kNaN}, {0.05, kNaN, {1}, {}, 0, kNaN},
        {0.05, -2, {1}, {}, 1, kNaN}, {0.05, 1, {}, {}, 1, kNaN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.flows) + " rate " + std::to_string(c.rate));
        Flows rec{c.flows, {}};
        int32_t err = 777;
        const double value = znpv(c.rate, c.freq, static_cast<int32_t>(c.flows.size()), &Flows::read, &rec, &err);
        EXPECT_EQ(err, c.err);
        EXPECT_EQ(rec.reads, c.reads);
        EXPECT_EQ(bits(value), std::isnan(c.value) ? QELFIN_MISSING_BITS : bits(c.value));
    }
    Flows rec{{1}, {}};
    int32_t err = 0;
    EXPECT_TRUE(is_missing_bits(znpv(0.05, 1, -4, &Flows::read, &rec, &err)));
    EXPECT_EQ(err, 1);
}

// Long random series against powers of v (the double the module uses) summed
// in long double.  Horner's scheme in double is off the exact sum by at most
// gamma(2(m - 1)) sum |c(i)| v^i, gamma(k) = k u / (1 - k u), u = 2^-53; the
// 1 % margin covers the reference's own error.
TEST_F(PresentValue, AgreesWithAnIndependentSum) {
    std::mt19937_64 gen(20240613);
    std::uniform_real_distribution<double> amount(-1000.0, 1000.0);
    const struct { const char* name; double argument, fraction, freq; } rates[] = {
        {"NPV", 5.0, 5.0 / 100.0, 1},  // v^i underflows long before 100,000 flows
        {"NETPV", 1e-5, 1e-5, 1},      // v^100000 is about 1/e: every flow counts
        {"NETPV", 2e-5, 2e-5, 0},      // continuous
        {"NPV", 0.0, 0.0, 1},          // a plain sum
    };
    constexpr double u = DBL_EPSILON / 2;
    for (const int32_t m : {1, 2, 3, 10, 1000, 100000}) {
        std::vector<double> flows(static_cast<size_t>(m));
        for (double& c : flows) c = amount(gen);
        for (const auto& rate : rates) {
            const double v = rate.freq == 0 ? std::exp(-rate.fraction) : 1.0 / (1.0 + rate.fraction);
            long double exact = 0, magnitude = 0, power = 1;
            for (const double c : flows) {
                exact += c * power;
                magnitude += std::fabs(c) * power;
                power *= v;
            }
            std::vector<double> args{rate.argument, rate.freq};
            args.insert(args.end(), flows.begin(), flows.end());
            const CallResult res = call(rate.name, args);
            const double k = 2.0 * (m - 1), bound = 1.01 * (k * u / (1 - k * u)) * static_cast<double>(magnitude);
            ASSERT_EQ(res.status, 0u) << rate.name << " " << m;
            EXPECT_LE(fabsl(res.value - exact), bound + DBL_MIN) << rate.name << " " << rate.argument << ", " << m;
        }
    }
}

}  // namespace
}  // namespace qelfin::cashflow_test
