// The shared entry machinery: the missing value's bytes, the missing test,
// argument marks, and the exactly-one-missing and pass-through shapes with
// stand-in solvers that record what they were given.
#include "entry/shapes.h"
#include "host/arg_block.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

using namespace qelfin::entry;
using qelfin::host::Arg;
using qelfin::host::ArgBlock;

const double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();

bool is_missing_bytes(double x) {
    constexpr unsigned char kMissingBytes[8] = {0x00, 0x00, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF};
    return std::memcmp(&x, kMissingBytes, 8) == 0;
}

TEST(Missing, BytesAndTest) {
    EXPECT_TRUE(is_missing_bytes(kMissing));
    for (const double x : {kMissing, kNaN, -kNaN, std::bit_cast<double>(0x7FF0000000000001ull),
                           std::bit_cast<double>(0xFFF8000000000123ull)})
        EXPECT_TRUE(is_missing(x)) << std::hex << std::bit_cast<uint64_t>(x);
    for (const double x : {kInf, -kInf, 0.0, std::numeric_limits<double>::denorm_min()}) EXPECT_FALSE(is_missing(x));
}

TEST(Marks, SetOneBitAndKeepTheHostsBits) {
    ArgBlock block({Arg(1), Arg(2), Arg(3), Arg(4)});
    FunctionArgs* args = block.get();
    args->args[2].flags |= 0x80000000u | 0x10u;  // host bits on argument 3
    mark_invalid(args, 3);
    mark_invalid(args, 3);  // marking twice changes nothing more
    EXPECT_EQ(args->args[2].flags, ARG_NUMERIC | 0x80000000u | 0x10u | ARG_INVALID);
    EXPECT_EQ(block.mark_count(), 1);
#if defined(__i386__)
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(args)[37] & 1, 1);  // bit 0 of byte 37: argument 3's flag word
#endif
}

struct Recorded { int calls = 0; double q[4] = {}; int32_t which = 0, err_out = 0; } g_recorded;

double record_quantity(double a, double b, double c, double d, int32_t which, int32_t* err) {
    ++g_recorded.calls;
    g_recorded.q[0] = a, g_recorded.q[1] = b, g_recorded.q[2] = c, g_recorded.q[3] = d;
    g_recorded.which = which;
    *err = g_recorded.err_out;
    return 42.5;
}

// The solver gets the four values (the missing one still a NaN) and its
// position; any solver error is STATUS_INVALID_ARGS.  Not exactly one missing:
// no solver call, and the status the function chose.  Nothing is ever marked.
TEST(ExactlyOneMissing, SolvesForTheMissingPosition) {
    const auto run = [](std::initializer_list<Arg> values, uint32_t wrong_count, double* result) {
        ArgBlock block(values);
        const uint32_t status =
            wrong_count == STATUS_RESULT_MISSING
                ? exactly_one_missing<record_quantity, STATUS_RESULT_MISSING>(block.get(), result)
                : exactly_one_missing<record_quantity, STATUS_INVALID_ARGS>(block.get(), result);
        EXPECT_EQ(block.mark_count(), 0);
        EXPECT_TRUE(status == 0 || is_missing_bytes(*result));
        return status;
    };
    double result = 0;
    for (int32_t pos = 1; pos <= 4; ++pos) {
        double v[4] = {1, 2, 3, 4};
        v[pos - 1] = kNaN;
        g_recorded = {};
        EXPECT_EQ(run({v[0], v[1], v[2], v[3]}, STATUS_RESULT_MISSING, &result), 0u);
        EXPECT_EQ(result, 42.5);
        EXPECT_EQ(g_recorded.which, pos);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(i == pos - 1 ? std::isnan(g_recorded.q[i]) : g_recorded.q[i] == v[i]);
    }
    g_recorded = {};
    const Arg m = Arg::missing();
    for (const uint32_t wrong : {STATUS_RESULT_MISSING, STATUS_INVALID_ARGS}) {
        EXPECT_EQ(run({1, 2, 3, 4}, wrong, &result), wrong);
        EXPECT_EQ(run({m, m, 3, 4}, wrong, &result), wrong);
        EXPECT_EQ(run({m, m, m, m}, wrong, &result), wrong);
    }
    EXPECT_EQ(g_recorded.calls, 0);
    EXPECT_EQ(run({kInf, m, 3, 4}, STATUS_RESULT_MISSING, &result), 0u);  // infinity is a value
    for (const int32_t err : {1, 5, -2}) {
        g_recorded.err_out = err;
        EXPECT_EQ(run({1, m, 3, 4}, STATUS_RESULT_MISSING, &result), STATUS_INVALID_ARGS);
    }
}

int32_t g_pass_err = 0;
int g_pass_arity = 0;
double pass3(double, double, double, int32_t* err) {
    g_pass_arity = 3;
    *err = g_pass_err;
    return g_pass_err ? kMissing : 7.0;
}
double pass4(double, double, double, double, int32_t* err) {
    g_pass_arity = 4;
    *err = g_pass_err;
    return g_pass_err ? kMissing : 8.0;
}

TEST(PassThrough, ErrorWordBecomesMarkAndStatus) {
    const struct {
        int32_t err;
        uint32_t status;
        int32_t marked;
    } cases[] = {{0, 0, 0}, {-1, STATUS_INVALID_ARGS, 1}, {-3, STATUS_INVALID_ARGS, 3}, {2, STATUS_RESULT_MISSING, 0}};
    for (const auto& c : cases) {
        g_pass_err = c.err;
        ArgBlock b4({1, 2, 3, 4}), b3({1, 2, 3});
        double r4 = 0, r3 = 0;
        EXPECT_EQ(pass_through<pass4>(b4.get(), &r4), c.status);
        EXPECT_EQ(g_pass_arity, 4);
        EXPECT_EQ(pass_through<pass3>(b3.get(), &r3), c.status);
        EXPECT_EQ(g_pass_arity, 3);
        EXPECT_TRUE(b4.first_marked() == c.marked && b3.first_marked() == c.marked && b4.mark_count() <= 1);
        EXPECT_TRUE(c.err == 0 ? r4 == 8.0 && r3 == 7.0 : is_missing_bytes(r4) && is_missing_bytes(r3));
    }
}

TEST(Series, ElementsAndLength) {
    ArgBlock block({5, 1, 10, 20, 30});
    EXPECT_EQ(series_length<3>(block.get()), 3);
    EXPECT_EQ(series_length<2>(block.get()), 4);
    EXPECT_EQ(series_element<3>(0, block.get()), 10);  // NPV's first cash flow is argument 3
    EXPECT_EQ(series_element<2>(0, block.get()), 1);   // IRR's first cash flow is argument 2
    EXPECT_EQ(series_element<2>(3, block.get()), 30);  // and index 3 is argument 5
}

}  // namespace
