// DACCDB and DEPDB: the declining-balance schedule with part periods and
// periods beyond the life, the argument checks and their order, and the
// one failure of the power (0^0 when the rate factor equals the life).
#include "depreciation/depreciation_test.h"

namespace deptest {
namespace {

constexpr double kMinLife = 1.491668147e-154;
constexpr double kMax = 1.3407807929943e+154;  // largest life and rate factor

TEST(DecliningBalance, ScheduleOfDoubleDecliningBalance) {
    // Life 5, rate factor 2: f = 0.4; periods beyond the life keep declining.
    expect_figures({
        {"DACCDB", {0.5, 1000, 5, 2}, 200},   {"DACCDB", {1, 1000, 5, 2}, 400},
        {"DACCDB", {1.5, 1000, 5, 2}, 520},   {"DACCDB", {2, 1000, 5, 2}, 640},
        {"DACCDB", {3, 1000, 5, 2}, 784},     {"DACCDB", {5, 1000, 5, 2}, 922.24},
        {"DACCDB", {6, 1000, 5, 2}, 953.344}, {"DEPDB", {0.5, 1000, 5, 2}, 200},
        {"DEPDB", {1, 1000, 5, 2}, 400},      {"DEPDB", {1.5, 1000, 5, 2}, 320},
        {"DEPDB", {2, 1000, 5, 2}, 240},      {"DEPDB", {3, 1000, 5, 2}, 144},
        {"DEPDB", {5, 1000, 5, 2}, 51.84},    {"DEPDB", {6, 1000, 5, 2}, 31.104},
        {"DACCDB", {1, -1000, 5, 2}, -400},   {"DEPDB", {2, -1000, 5, 2}, -240},
    });
}

TEST(DecliningBalance, RateFactorAboveTheLifeWritesOffWithinAPeriod) {
    expect_figures({
        {"DACCDB", {0.25, 1000, 1, 2}, 500}, {"DACCDB", {0.5, 1000, 1, 2}, 1000},
        {"DACCDB", {7, 1000, 1, 2}, 1000},   {"DEPDB", {0.25, 1000, 1, 2}, 500},
        {"DEPDB", {0.5, 1000, 1, 2}, 1000},  {"DEPDB", {1, 1000, 1, 2}, 1000},
        {"DEPDB", {1.25, 1000, 1, 2}, 500},  {"DEPDB", {1.5, 1000, 1, 2}, 0},
        {"DEPDB", {4, 1000, 1, 2}, 0},
    });
}

TEST(DecliningBalance, NoDepreciationUpToPeriodZero) {
    for (const char* fn : {"DACCDB", "DEPDB"})
        for (double p : {0.0, -0.5, -3.0, -kInf}) EXPECT_EQ(value(fn, {p, 1000, 5, 2}), 0.0) << fn << p;
}

TEST(DecliningBalance, BoundsAcceptedAtTheirValue) {
    expect_figures({
        {"DACCDB", {1, 1000, kMinLife, 2}, 1000},       // f far above 1
        {"DACCDB", {1, 1000, kMax, kMax}, 1000},        // f = 1
        {"DEPDB", {1, 1000, 5, kMax}, 1000},
        {"DACCDB", {3, 1000, 5, 4.9406564584124654e-324}, 0},  // f underflows to 0
    });
    EXPECT_EQ(value("DACCDB", {1, kInf, 5, 2}), kInf);  // an infinite value is not missing
}

TEST(DecliningBalance, RefusalsInArgumentOrder) {
    for (const char* fn : {"DACCDB", "DEPDB"}) {
        SCOPED_TRACE(fn);
        expect_refusals({
            {fn, {kMissing, kMissing, 5, 2}, kInvalid, 1},
            {fn, {1, kQuietNaN, 5, 2}, kInvalid, 2},
            {fn, {1, 1000, kMissing, 0}, kInvalid, 3},
            {fn, {1, 1000, 5, kMissing}, kInvalid, 4},
            {fn, {1, kMissing, -5, 0}, kInvalid, 2},  // missing tests come first
            {fn, {1, 1000, -5, 0}, kInvalid, 3},      // then the life, then the rate factor
            {fn, {1, 1000, 0, 2}, kInvalid, 3},
            {fn, {1, 1000, down(kMinLife), 2}, kInvalid, 3},
            {fn, {1, 1000, up(kMax), 2}, kInvalid, 3},
            {fn, {1, 1000, kInf, 2}, kInvalid, 3},
            {fn, {1, 1000, 5, 0}, kInvalid, 4},
            {fn, {1, 1000, 5, -2}, kInvalid, 4},
            {fn, {1, 1000, 5, up(kMax)}, kInvalid, 4},
        });
    }
}

TEST(DecliningBalance, RateFactorEqualToTheLifeInAPartFirstPeriodHasNoResult) {
    // f = 1 makes the power 0^0 for 0 < x < 1: no result and nobody to blame.
    expect_refusals({
        {"DACCDB", {0.5, 1000, 5, 5}, kNoResult, 0},
        {"DEPDB", {0.5, 1000, 5, 5}, kNoResult, 0},
        {"DEPDB", {1.5, 1000, 5, 5}, kNoResult, 0},  // through period 0.5
    });
    expect_figures({{"DACCDB", {1, 1000, 5, 5}, 1000}, {"DEPDB", {2.5, 1000, 5, 5}, 0}});
}

}  // namespace
}  // namespace deptest
