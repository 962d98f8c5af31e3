// Calling COMPOUND, MORT and SAVING as the host does, and their solvers by
// their exported names.
#pragma once

#include "numeric/loaded.h"

#include <gtest/gtest.h>

#include <limits>

namespace qelfin::test {

// A missing argument: the module's MISSING.
inline const double M = host::missing_value();

// One call of a four-argument function through the function vector.
inline host::CallResult call(const char* name, double a, double b, double c, double d) {
    return module().call(name, {a, b, c, d});
}

using QuantitySolver = double (*)(double, double, double, double, int32_t, int32_t*);

struct Solved {
    double value;
    int32_t err;
};

// A solver called directly: which = the 1-based position to compute.
inline Solved solve(const char* solver, double a, double b, double c, double d, int32_t which) {
    int32_t err = 99;
    const double v = routine<QuantitySolver>(solver)(a, b, c, d, which, &err);
    return {v, err};
}

// The call succeeded, marked nothing, and its value has these bits.
inline void expect_exact(const host::CallResult& r, double expected) {
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.mark_count, 0);
    EXPECT_EQ(bits(r.value), bits(expected)) << r.value << " != " << expected;
}

// The call succeeded, marked nothing, and its value is within rel * |expected|.
inline void expect_close(const host::CallResult& r, double expected, double rel) {
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.mark_count, 0);
    EXPECT_NEAR(r.value, expected, rel * std::fabs(expected));
}

// The call failed with this status, wrote exactly MISSING and marked nothing.
inline void expect_failure(const host::CallResult& r, uint32_t status) {
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(r.mark_count, 0);
    EXPECT_TRUE(is_missing_bits(r.value)) << r.value;
}

}  // namespace qelfin::test
