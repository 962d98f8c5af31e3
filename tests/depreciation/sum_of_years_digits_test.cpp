// DACCSYD and DEPSYD: whole and fractional lives (with the partial last
// period), and the bounds of period, value and life in their check order.
#include "depreciation/depreciation_test.h"

namespace deptest {
namespace {

constexpr double kMaxPeriod = 9007199254740992.0;
constexpr double kMaxValue = 1.3407807929943e+154;
constexpr double kMinLife = 1.491668147e-154;
constexpr double kMaxLife = 5.643803094122288e+102;

TEST(SumOfYearsDigits, WholeLife) {
    // Life 5: digits 5 + 4 + 3 + 2 + 1 = 15.
    expect_figures({
        {"DACCSYD", {1, 1500, 5}, 500},  {"DACCSYD", {2, 1500, 5}, 900},   {"DACCSYD", {2.5, 1500, 5}, 1050},
        {"DACCSYD", {3, 1500, 5}, 1200}, {"DACCSYD", {5, 1500, 5}, 1500},  {"DACCSYD", {9, 1500, 5}, 1500},
        {"DEPSYD", {1, 1500, 5}, 500},   {"DEPSYD", {2, 1500, 5}, 400},    {"DEPSYD", {2.5, 1500, 5}, 350},
        {"DEPSYD", {3, 1500, 5}, 300},   {"DEPSYD", {5, 1500, 5}, 100},    {"DEPSYD", {6, 1500, 5}, 0},
    });
    for (const char* fn : {"DACCSYD", "DEPSYD"})
        for (double p : {0.0, -0.5, -kInf}) EXPECT_EQ(value(fn, {p, 1500, 5}), 0.0) << fn << p;
}

TEST(SumOfYearsDigits, FractionalLifeEndsWithAPartPeriod) {
    // Life 4.5: weights 4.5, 3.5, 2.5, 1.5 and 0.5 * 0.5, total 12.25.
    const double d = 12.25;
    expect_figures({
        {"DACCSYD", {1, 1000, 4.5}, 1000 * 4.5 / d},       {"DACCSYD", {2, 1000, 4.5}, 1000 * 8 / d},
        {"DACCSYD", {4, 1000, 4.5}, 1000 * 12 / d},        {"DACCSYD", {4.25, 1000, 4.5}, 1000 * 12.125 / d},
        {"DACCSYD", {4.5, 1000, 4.5}, 1000},               {"DEPSYD", {2, 1000, 4.5}, 1000 * 3.5 / d},
        {"DEPSYD", {5, 1000, 4.5}, 1000 * 0.25 / d},       {"DEPSYD", {5.5, 1000, 4.5}, 0},
        {"DACCSYD", {0.5, 1000, 0.5}, 1000},               {"DACCSYD", {0.25, 1000, 0.5}, 500},
    });
}

TEST(SumOfYearsDigits, BoundsAcceptedAtTheirValue) {
    const long double y = kMaxLife;
    expect_figures({
        {"DACCSYD", {kMaxPeriod, 1000, 5}, 1000},
        {"DACCSYD", {1, kMaxValue, 5}, kMaxValue / 3},
        {"DEPSYD", {1, -kMaxValue, 5}, -kMaxValue / 3},
        {"DACCSYD", {1, 1000, kMinLife}, 1000},
        {"DACCSYD", {kMinLife / 2, 1000, kMinLife}, 500},
        {"DACCSYD", {1, 1000, kMaxLife}, static_cast<double>(1000 * y / (y * (y + 1) / 2))},
    });
}

TEST(SumOfYearsDigits, Refusals) {
    for (const char* fn : {"DACCSYD", "DEPSYD"}) {
        SCOPED_TRACE(fn);
        expect_refusals({
            {fn, {kMissing, kMissing, kMissing}, kInvalid, 1},
            {fn, {up(kMaxPeriod), kMissing, 5}, kInvalid, 1},  // period range before value missing
            {fn, {kInf, 1000, 5}, kInvalid, 1},
            {fn, {1, kQuietNaN, kMissing}, kInvalid, 2},
            {fn, {1, up(kMaxValue), kMissing}, kInvalid, 3},  // life missing before value range
            {fn, {1, up(kMaxValue), 0}, kInvalid, 2},
            {fn, {1, -up(kMaxValue), 5}, kInvalid, 2},
            {fn, {1, 1000, down(kMinLife)}, kInvalid, 3},
            {fn, {1, 1000, up(kMaxLife)}, kInvalid, 3},
            {fn, {1, 1000, 0}, kInvalid, 3},
            {fn, {1, 1000, -5}, kInvalid, 3},
        });
    }
}

}  // namespace
}  // namespace deptest
