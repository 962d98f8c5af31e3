// DACCDBSL and DEPDBSL: the switch from declining balance to straight line,
// the whole-number test of life and period, the order of the checks, and a
// switch period far outside the range of a 32-bit integer.
#include "depreciation/depreciation_test.h"

namespace deptest {
namespace {

constexpr double kLimit = 2147483647.0;
constexpr double kMinSwitchFactor = 1.491668147e-154;

std::vector<Figure> schedule(std::string_view fn, double y, double r, std::vector<double> amounts) {
    std::vector<Figure> figures;
    for (size_t k = 0; k < amounts.size(); ++k)
        figures.push_back({fn, {static_cast<double>(k + 1), 1000, y, r}, amounts[k]});
    return figures;
}

TEST(DecliningBalanceSwitch, SchedulesSwitchInTheFirstPeriodStraightLineGivesMore) {
    // Life 10, factor 2: period 6 gives 65.536 either way and stays on the
    // declining balance; the switch comes in period 7.
    expect_figures(schedule("DEPDBSL", 10, 2,
                            {200, 160, 128, 102.4, 81.92, 65.536, 65.536, 65.536, 65.536, 65.536, 0, 0}));
    expect_figures(schedule("DACCDBSL", 10, 2,
                            {200, 360, 488, 590.4, 672.32, 737.856, 803.392, 868.928, 934.464, 1000, 1000}));
    expect_figures(schedule("DEPDBSL", 5, 2, {400, 240, 144, 108, 108, 0}));
    expect_figures(schedule("DEPDBSL", 5, 1.5, {300, 210, 490.0 / 3, 490.0 / 3, 490.0 / 3}));
    expect_figures(schedule("DEPDBSL", 10, 1, {100, 100, 100, 100, 100, 100, 100, 100, 100, 100}));
    expect_figures(schedule("DEPDBSL", 10, 10, {1000, 0, 0}));  // f = 1
    expect_figures(schedule("DACCDBSL", 10, 10, {1000, 1000}));
    expect_figures({{"DACCDBSL", {0, 1000, 10, 2}, 0}, {"DEPDBSL", {0, 1000, 10, 2}, 0},
                    {"DACCDBSL", {40, 1000, 10, 2}, 1000}});
}

TEST(DecliningBalanceSwitch, RateFactorBelowOneSwitchesAtOnceOnAGrossedUpBalance) {
    // f = 0.05, T = -7.999999999999, s = -7: the balance 0.95^-8 is spread
    // over the y + 1 - s = 18 periods.
    const long double gross = 1000.0L / powl(0.95L, 8);
    std::vector<Figure> figures{{"DACCDBSL", {1, 1000, 10, 0.5}, static_cast<double>(1000 - gross * 9 / 18)}};
    for (int p = 2; p <= 10; ++p) figures.push_back({"DEPDBSL", {p, 1000, 10, 0.5}, static_cast<double>(gross / 18)});
    expect_figures(figures);
}

TEST(DecliningBalanceSwitch, SwitchPeriodBeyondThe32BitRange) {
    // y / r = 1e10: s is about -9e9 and s - 1 goes to the power as a double
    // (the base is the double 1 - f, as the method holds it).
    const double y = 1e9, r = 0.1, f = r / y;
    const double t = (2.000000000001 + y) - y / r;
    const long double s = std::ceil(t);
    ASSERT_LT(s, -4e9L);
    const long double fraction = 1 - powl(static_cast<long double>(1.0 - f), s - 1) * (y - 1) / (y + 1 - s);
    EXPECT_NEAR(value("DACCDBSL", {1, 1000, y, r}), static_cast<double>(1000 * fraction), 1e-9);

    // Below the smallest factor divided into the life the method is plain
    // straight line; at it, 1 - f rounds to 1 and the schedule is done.
    expect_figures({{"DACCDBSL", {3, 1000, 10, down(kMinSwitchFactor)}, 300},
                    {"DACCDBSL", {3, 1000, 10, 4.9406564584124654e-324}, 300},
                    {"DACCDBSL", {3, 1000, 10, kMinSwitchFactor}, 1000}});
}

TEST(DecliningBalanceSwitch, WholeNumberTestHasATolerance) {
    // 5 + 4e-13 passes and is used as it stands: f = 2 / (5 + 4e-13).
    const double y = 5 + 4e-13;
    expect_figures({{"DEPDBSL", {1, 1000, y, 2}, static_cast<double>(2000.0L / y)},
                    {"DACCDBSL", {1, 1000, 5 - 4e-13, 2}, static_cast<double>(2000.0L / (5 - 4e-13))},
                    {"DACCDBSL", {1, 1000, 4e-13, 2}, 1000},             // within the tolerance of 0
                    {"DACCDBSL", {-2147483648.0, 1000, 5, 2}, 0},        // converts to itself
                    {"DACCDBSL", {kLimit - 1, 1000, 5, 2}, 1000},
                    {"DACCDBSL", {2, 1000, 5, kLimit - 1}, 1000},
                    {"DACCDBSL", {2, 1000, 5, down(kLimit)}, 1000}});
    EXPECT_NE(value("DEPDBSL", {1, 1000, y, 2}), 400.0);
}

TEST(DecliningBalanceSwitch, RefusalsLifeBeforePeriodBeforeRateFactor) {
    for (const char* fn : {"DACCDBSL", "DEPDBSL"}) {
        SCOPED_TRACE(fn);
        expect_refusals({
            {fn, {kMissing, kMissing, kMissing, kMissing}, kInvalid, 1},
            {fn, {1, kQuietNaN, 5.5, 0}, kInvalid, 2},
            {fn, {1, 1000, kMissing, 0}, kInvalid, 3},
            {fn, {1, 1000, 5, kMissing}, kInvalid, 4},
            {fn, {kMissing, 1000, 5.5, 2}, kInvalid, 1},  // missing tests first
            {fn, {2.5, 1000, 5.5, 0}, kInvalid, 3},       // then life, period, rate factor
            {fn, {2.5, 1000, 5, 0}, kInvalid, 1},
            {fn, {1, 1000, 5.5, 2}, kInvalid, 3},
            {fn, {1, 1000, 5 + 5e-13, 2}, kInvalid, 3},
            {fn, {1, 1000, 0, 2}, kInvalid, 3},
            {fn, {1, 1000, -5, 2}, kInvalid, 3},
            {fn, {1, 1000, kLimit, 2}, kInvalid, 3},
            {fn, {1, 1000, kInf, 2}, kInvalid, 3},
            {fn, {2.5, 1000, 5, 2}, kInvalid, 1},
            {fn, {1 + 5e-13, 1000, 5, 2}, kInvalid, 1},
            {fn, {-1, 1000, 5, 2}, kInvalid, 1},  // negative whole numbers fail the test
            {fn, {-kInf, 1000, 5, 2}, kInvalid, 1},
            {fn, {kLimit, 1000, 5, 2}, kInvalid, 1},
            {fn, {1, 1000, 5, 0}, kInvalid, 4},
            {fn, {1, 1000, 5, -2}, kInvalid, 4},
            {fn, {1, 1000, 5, kLimit}, kInvalid, 4},
            // f = 2 and a period within the tolerance of 0: (-1)^1e-13 fails.
            {fn, {1e-13, 1000, 5, 10}, kNoResult, 0},
        });
    }
}

}  // namespace
}  // namespace deptest
