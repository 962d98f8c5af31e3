// DACCTAB and DEPTAB: schedules from a table of fractions, the range and sum
// checks over the table whatever the period, the marks of missing
// arguments, and the solvers' own refusals.
#include "depreciation/depreciation_test.h"

#include <tuple>

namespace deptest {
namespace {

constexpr double kMaxSum = 1.0000000000000007;  // 1 + 3 * 2^-52
constexpr double kUlp = 2.220446049250313e-16;  // 2^-52

TEST(Table, Schedules) {
    expect_figures({
        {"DACCTAB", {1, 1000, 0.4, 0.3, 0.2, 0.1}, 400},   {"DACCTAB", {1.5, 1000, 0.4, 0.3, 0.2, 0.1}, 550},
        {"DACCTAB", {4, 1000, 0.4, 0.3, 0.2, 0.1}, 1000},  {"DACCTAB", {5, 1000, 0.4, 0.3, 0.2, 0.1}, 1000},
        {"DACCTAB", {0.5, 1000, 0.4}, 200},                {"DACCTAB", {3, 1000, 0.4}, 400},
        {"DEPTAB", {1, 1000, 0.4, 0.3, 0.2, 0.1}, 400},    {"DEPTAB", {1.5, 1000, 0.4, 0.3, 0.2, 0.1}, 350},
        {"DEPTAB", {4, 1000, 0.4, 0.3, 0.2, 0.1}, 100},    {"DEPTAB", {4.5, 1000, 0.4, 0.3, 0.2, 0.1}, 50},
        {"DEPTAB", {5, 1000, 0.4, 0.3, 0.2, 0.1}, 0},      {"DEPTAB", {0.25, 1000, 0.4}, 100},
        {"DACCTAB", {0.5, 1000, 0.6, 0.6}, 300},           {"DEPTAB", {0.5, 1000, 0.6, 0.6}, 300},
        // The running sum is 1.0000000000000002 and passes.
        {"DACCTAB", {4, 1000, 0.2, 0.4, 0.3, 0.1}, 1000}, {"DEPTAB", {4, 1000, 0.2, 0.4, 0.3, 0.1}, 100},
        // Entries at the ends of [0, 1] and a sum exactly at the largest accepted.
        {"DACCTAB", {2, 1000, 1, 3 * kUlp}, 1000 * kMaxSum}, {"DEPTAB", {1, 1000, 1, -0.0, 0}, 1000},
    });
    for (const char* fn : {"DACCTAB", "DEPTAB"})
        for (double p : {0.0, -0.5, -kInf}) EXPECT_EQ(value(fn, {p, 1000, 0.5, 0.5}), 0.0) << fn << p;
}

TEST(Table, RefusalsAndMarks) {
    for (const char* fn : {"DACCTAB", "DEPTAB"}) {
        SCOPED_TRACE(fn);
        expect_refusals({
            {fn, {kMissing, kMissing, 0.5}, kInvalid, 1},
            {fn, {1, kQuietNaN, kMissing}, kInvalid, 2},
            {fn, {1, 1000, 0.5, 0.2, kMissing}, kInvalid, 5},
            {fn, {0, 1000, 0.5, kMissing, 1.5}, kInvalid, 4},  // missing before the range check
            {fn, {1, 1000}, kInvalid, 0},                      // no table
            // Every entry is range-checked, whatever the period.
            {fn, {0, 1000, 0.5, 1.5}, kInvalid, 0},
            {fn, {-1, 1000, 0.5, -0.1}, kInvalid, 0},
            {fn, {1, 1000, 0.5, 0.5, up(1.0)}, kInvalid, 0},
            {fn, {1, 1000, 0.5, 0.5, -4.9406564584124654e-324}, kInvalid, 0},
            // The sum covers the periods 1 .. floor(p) + 1.
            {fn, {1, 1000, 0.6, 0.6}, kInvalid, 0},
            {fn, {2, 1000, 1, 4 * kUlp}, kInvalid, 0},
            {fn, {9, 1000, 0.5, 0.3, 0.3}, kInvalid, 0},
        });
    }
}

TEST(Table, SolversRefuseAnEmptyTableOrNoCallbackAndPassMissingValuesBack) {
    static const double table[] = {0.5, 0.5};
    const ValueCallback read = [](int32_t i, void*) { return table[i]; };
    for (const char* name : {"zdctab", "zdptab"}) {
        SCOPED_TRACE(name);
        const auto solve = module().symbol<decltype(&zdctab)>(name);
        int32_t err = -7;
        EXPECT_EQ(solve(1, 1000, 2, read, nullptr, &err), 500.0);
        EXPECT_EQ(err, 0);
        for (const auto& [p, m, fn, code] : {std::tuple{1.0, 0, read, 1}, std::tuple{1.0, 2, ValueCallback{}, 1},
                                             std::tuple{std::nan(""), 0, read, 0}}) {
            err = -7;
            EXPECT_TRUE(std::isnan(solve(p, 1000, m, fn, nullptr, &err)));
            EXPECT_EQ(err, code);
        }
    }
}

}  // namespace
}  // namespace deptest
