// DACCSL and DEPSL: whole and fractional lives, the period in which the life
// ends, and the life's lower bound.
#include "depreciation/depreciation_test.h"

namespace deptest {
namespace {

constexpr double kMinLife = 1.491668147e-154;

TEST(StraightLine, Schedules) {
    expect_figures({
        {"DACCSL", {2.5, 1000, 5}, 500},       {"DACCSL", {5, 1000, 5}, 1000},
        {"DACCSL", {7, 1000, 5}, 1000},        {"DEPSL", {0.5, 1000, 5}, 100},
        {"DEPSL", {1, 1000, 5}, 200},          {"DEPSL", {2.5, 1000, 5}, 200},
        {"DEPSL", {5, 1000, 5}, 200},          {"DEPSL", {5.5, 1000, 5}, 100},
        {"DEPSL", {6, 1000, 5}, 0},            {"DEPSL", {5, 1000, 4.5}, 1000 * 0.5 / 4.5},
        {"DEPSL", {5.5, 1000, 4.5}, 0},        {"DACCSL", {4.5, 1000, 4.5}, 1000},
        {"DACCSL", {1, 1000, kMinLife}, 1000}, {"DACCSL", {1, 1000, 1e300}, 1e-297},  // no upper bound
        {"DEPSL", {1, -1000, 4}, -250},
    });
    for (const char* fn : {"DACCSL", "DEPSL"})
        for (double p : {0.0, -0.5, -kInf}) EXPECT_EQ(value(fn, {p, 1000, 5}), 0.0) << fn << p;
}

TEST(StraightLine, Refusals) {
    for (const char* fn : {"DACCSL", "DEPSL"}) {
        SCOPED_TRACE(fn);
        expect_refusals({
            {fn, {kMissing, kMissing, kMissing}, kInvalid, 1},
            {fn, {1, kMissing, kQuietNaN}, kInvalid, 2},
            {fn, {1, 1000, kMissing}, kInvalid, 3},
            {fn, {1, 1000, 0}, kInvalid, 3},
            {fn, {1, 1000, down(kMinLife)}, kInvalid, 3},
            {fn, {1, 1000, -kInf}, kInvalid, 3},
        });
    }
}

}  // namespace
}  // namespace deptest
