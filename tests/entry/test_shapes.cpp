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

constexpr unsigned char kMissingBytes[8] = {0x00, 0x00, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF};

bool is_missing_bytes(double x) { return std::memcmp(&x, kMissingBytes, 8) == 0; }

TEST(Missing, BytesAndTest) {
    EXPECT_TRUE(is_missing_bytes(kMissing));
    EXPECT_TRUE(is_missing(kMissing));
    EXPECT_TRUE(is_missing(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_TRUE(is_missing(-std::numeric_limits<double>::quiet_NaN()));
    EXPECT_TRUE(is_missing(std::bit_cast<double>(0x7FF0000000000001ull)));  // signalling payload
    EXPECT_TRUE(is_missing(std::bit_cast<double>(0xFFF8000000000123ull)));
    EXPECT_FALSE(is_missing(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(is_missing(-std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(is_missing(0.0));
    EXPECT_FALSE(is_missing(std::numeric_limits<double>::denorm_min()));
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
    // Argument 3's flag word is at byte 36; the mark is bit 0 of byte 37.
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(args)[37] & 1, 1);
#endif
}

// A stand-in solver that records its call and returns a programmed outcome.
struct Recorded {
    int calls = 0;
    double q[4] = {};
    int32_t which = 0;
    int32_t err_out = 0;
    double value_out = 0;
};
Recorded g_recorded;

double record_quantity(double a, double b, double c, double d, int32_t which, int32_t* err) {
    ++g_recorded.calls;
    g_recorded.q[0] = a, g_recorded.q[1] = b, g_recorded.q[2] = c, g_recorded.q[3] = d;
    g_recorded.which = which;
    *err = g_recorded.err_out;
    return g_recorded.value_out;
}

uint32_t call_one_missing(std::initializer_list<Arg> values, uint32_t& status_wrong_count_b) {
    ArgBlock a(values), b(values);
    double ra = 0, rb = 0;
    const uint32_t sa = exactly_one_missing<record_quantity, STATUS_RESULT_MISSING>(a.get(), &ra);
    status_wrong_count_b = exactly_one_missing<record_quantity, STATUS_INVALID_ARGS>(b.get(), &rb);
    EXPECT_EQ(a.mark_count() + b.mark_count(), 0);  // this shape never marks
    if (sa != 0) {
        EXPECT_TRUE(is_missing_bytes(ra));
    }
    if (status_wrong_count_b != 0) {
        EXPECT_TRUE(is_missing_bytes(rb));
    }
    return sa;
}

TEST(ExactlyOneMissing, SolvesForTheMissingPosition) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int32_t pos = 1; pos <= 4; ++pos) {
        double v[4] = {1, 2, 3, 4};
        v[pos - 1] = nan;
        g_recorded = {};
        g_recorded.value_out = 42.5;
        ArgBlock block({Arg(v[0]), Arg(v[1]), Arg(v[2]), Arg(v[3])});
        double result = 0;
        EXPECT_EQ((exactly_one_missing<record_quantity, STATUS_RESULT_MISSING>(block.get(), &result)), 0u);
        EXPECT_EQ(result, 42.5);
        EXPECT_EQ(g_recorded.which, pos);
        for (int i = 0; i < 4; ++i)
            if (i != pos - 1) {
                EXPECT_EQ(g_recorded.q[i], v[i]);
            }
        EXPECT_TRUE(std::isnan(g_recorded.q[pos - 1]));
    }
}

TEST(ExactlyOneMissing, WrongCountStatusDependsOnTheFunction) {
    const Arg m = Arg::missing();
    uint32_t other = 0;
    g_recorded = {};
    EXPECT_EQ(call_one_missing({1, 2, 3, 4}, other), STATUS_RESULT_MISSING);
    EXPECT_EQ(other, STATUS_INVALID_ARGS);
    EXPECT_EQ(call_one_missing({m, m, 3, 4}, other), STATUS_RESULT_MISSING);
    EXPECT_EQ(other, STATUS_INVALID_ARGS);
    EXPECT_EQ(call_one_missing({m, m, m, m}, other), STATUS_RESULT_MISSING);
    EXPECT_EQ(g_recorded.calls, 0);  // no solver call without exactly one missing
    // Infinity is a value, not a missing argument.
    EXPECT_EQ(call_one_missing({std::numeric_limits<double>::infinity(), m, 3, 4}, other), 0u);
}

TEST(ExactlyOneMissing, AnySolverErrorIsInvalidArgsWithoutMark) {
    for (int32_t err : {1, 5, -2}) {
        g_recorded = {};
        g_recorded.err_out = err;
        uint32_t other = 0;
        EXPECT_EQ(call_one_missing({1, Arg::missing(), 3, 4}, other), STATUS_INVALID_ARGS);
        EXPECT_EQ(other, STATUS_INVALID_ARGS);
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
    struct Case {
        int32_t err;
        uint32_t status;
        int32_t marked;
    };
    const Case cases[] = {{0, 0, 0}, {-1, STATUS_INVALID_ARGS, 1}, {-3, STATUS_INVALID_ARGS, 3},
                          {2, STATUS_RESULT_MISSING, 0}};
    for (const Case& c : cases) {
        g_pass_err = c.err;
        ArgBlock b4({1, 2, 3, 4}), b3({1, 2, 3});
        double r4 = 0, r3 = 0;
        EXPECT_EQ(pass_through<pass4>(b4.get(), &r4), c.status);
        EXPECT_EQ(g_pass_arity, 4);
        EXPECT_EQ(pass_through<pass3>(b3.get(), &r3), c.status);
        EXPECT_EQ(g_pass_arity, 3);
        EXPECT_EQ(b4.first_marked(), c.marked);
        EXPECT_EQ(b3.first_marked(), c.marked);
        EXPECT_LE(b4.mark_count(), 1);
        if (c.err == 0) {
            EXPECT_EQ(r4, 8.0);
            EXPECT_EQ(r3, 7.0);
        } else {
            EXPECT_TRUE(is_missing_bytes(r4));
            EXPECT_TRUE(is_missing_bytes(r3));
        }
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
