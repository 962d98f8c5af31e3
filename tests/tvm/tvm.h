// COMPOUND, MORT and SAVING called as the host calls them, and their solvers
// by their exported names.
#pragma once

#include "numeric/loaded.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace qelfin::test {

inline const double M = host::missing_value();
constexpr double kSmall = 1.491668147e-154;      // just above 2^-511
constexpr double kBig = 5.643803094122288e+102;  // cube root of the largest double

inline host::CallResult call(const char* name, double a, double b, double c, double d) {
    return module().call(name, {a, b, c, d});
}

inline testing::Message describe(const char* fn, const double (&q)[4]) {
    return testing::Message() << fn << "(" << q[0] << ", " << q[1] << ", " << q[2] << ", " << q[3] << ")";
}

// The value of a call that must succeed without a mark.
inline double value_of(const host::CallResult& r) {
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.mark_count, 0);
    return r.value;
}

}  // namespace qelfin::test
